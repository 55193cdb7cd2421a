#pragma once
// What the host hands the database layer when it opens a database: its stored procedures and
// host functions as the layer dispatches them ("CALL NAME (args)" runs procedures[NAME],
// "select dbo.NAME(args)" runs functions[NAME]; names are upper case, each gets the literal
// arguments of the call), and the demo data HostDatabase::loadDemo() writes. The layer itself
// knows neither.
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
    // Fills an empty database with the demo data; empty: loadDemo() refuses.
    std::function<Status(HostDatabase& db)> demo;
};

}  // namespace refhost::sql
