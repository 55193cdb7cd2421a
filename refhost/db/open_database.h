#pragma once
// The reference host's database: the SQL layer opened with what the host hands it, the
// stored procedures and host functions (db/procedures.h) and the demo data (db/demo.h).
//
//   auto db = openDatabase("/path/tabrix.db");
//   if (db) (*db)->run("CALL TG_UPGRADE7810_PITCIT (12)");
#include <memory>
#include <string>

#include "refhost/sql/database.h"
#include "refhost/sql/procedure_set.h"

namespace refhost::db {

// The procedures, functions and demo data of the reference host.
const sql::ProcedureSet& hostRoutines();

// sql::HostDatabase::open with hostRoutines().
sql::Result<std::unique_ptr<sql::HostDatabase>> openDatabase(const std::string& target,
                                                             const sql::OpenOptions& options = {});

}  // namespace refhost::db
