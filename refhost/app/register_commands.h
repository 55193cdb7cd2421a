#pragma once
// The client register on the command line:
//
//   company add --nip NIP --name NAME [--full-name T] [--regon R] [--tax-office CODE]
//               [--quarterly 0|1] [--small YYYY] [--not-small YYYY] [address options]
//   company edit N [the same options]
//   fiscal-year add --company N --from YYYY-MM-DD --to YYYY-MM-DD
//   overview --year YYYY [--csv]
//
// Address options: --province --county --commune --street --house --flat --city
// --postal-code --post-office (the seat). Arguments are checked before the database is
// opened; the register's own checks (refhost/db/company_register.h) refuse with a Polish
// message on standard error and status 1.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "refhost/db/company_register.h"
#include "refhost/db/office_overview.h"

namespace refhost::app {

struct CompanyArguments {
    bool adding = true;
    std::int32_t id = 0;  // edit
    db::CompanyData data;
};
citforms::values::Result<CompanyArguments> parseCompany(const std::vector<std::string>& args);
int runCompany(sql::HostDatabase& db, const CompanyArguments& args, std::ostream& out,
               std::ostream& err);

struct FiscalYearArguments {
    std::int32_t company = 0;
    citforms::values::DayNumber from = 0, to = 0;
};
citforms::values::Result<FiscalYearArguments> parseFiscalYear(const std::vector<std::string>& args);
int runFiscalYear(sql::HostDatabase& db, const FiscalYearArguments& args, std::ostream& out,
                  std::ostream& err);

struct OverviewArguments {
    int year = 0;
    bool csv = false;
};
citforms::values::Result<OverviewArguments> parseOverview(const std::vector<std::string>& args);
// The rows as a table (tab-separated, a heading line) or CSV.
void printOverview(const std::vector<db::OverviewRow>& rows, bool csv, std::ostream& out);

}  // namespace refhost::app
