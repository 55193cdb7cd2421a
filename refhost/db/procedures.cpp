#include "refhost/db/procedures.h"

namespace refhost::db {

const sql::ProcedureSet& hostProcedures() {
    static const sql::ProcedureSet set{};
    return set;
}

}  // namespace refhost::db
