#pragma once
// Generated companies for trying the module at an office's scale: after the demo data,
// `count` companies with valid NIP and REGON, a seat address, their tax offices, one or two
// branches, the fiscal years 2015 to 2017 (every fourth company April to March) and the
// books of the fiscal year starting in 2016, written by the demo's own book writer on the
// demo's chart of accounts, so the default statement definitions give their CIT-8 real
// amounts. The same count on the same demo database always gives the same data.
#include <functional>

#include "refhost/sql/database.h"

namespace refhost::db {

// `progress(done, count)` is called after each company. All companies or none: one
// transaction.
citforms::values::Status addDemoCompanies(sql::HostDatabase& db, int count,
                                          const std::function<void(int, int)>& progress = {});

}  // namespace refhost::db
