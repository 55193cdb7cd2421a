#pragma once
// Demo data: companies with addresses, tax offices, fiscal years and branches, users, a
// year of books per company with statement definitions, and stored declarations of
// templates 72 and 73 with all their attachments.
#include "refhost/sql/database.h"

namespace refhost::db {

// Fills a database that holds no company yet; refuses one that does.
citforms::values::Status loadDemo(sql::HostDatabase& db);

}  // namespace refhost::db
