#include "refhost/db/open_database.h"

#include "refhost/db/demo.h"
#include "refhost/db/procedures.h"

namespace refhost::db {

const sql::ProcedureSet& hostRoutines() {
    static const sql::ProcedureSet routines = [] {
        sql::ProcedureSet set = hostProcedures();
        set.demo = [](sql::HostDatabase& db) { return loadDemo(db); };
        return set;
    }();
    return routines;
}

sql::Result<std::unique_ptr<sql::HostDatabase>> openDatabase(const std::string& target,
                                                             const sql::OpenOptions& options) {
    return sql::HostDatabase::open(target, hostRoutines(), options);
}

}  // namespace refhost::db
