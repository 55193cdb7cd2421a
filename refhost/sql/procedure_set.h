#pragma once
// The host's stored procedures and host functions as the database layer dispatches them:
// "CALL NAME (args)" runs procedures[NAME], "select dbo.NAME(args)" runs functions[NAME].
// Names are upper case; each gets the literal arguments of the call.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "refhost/sql/database.h"
#include "refhost/sql/dialect.h"

namespace refhost::sql {

using HostRoutine =
    std::function<Result<QueryResult>(HostDatabase& db, const std::vector<Literal>& args)>;

struct ProcedureSet {
    std::map<std::string, HostRoutine> procedures;
    std::map<std::string, HostRoutine> functions;
};

}  // namespace refhost::sql
