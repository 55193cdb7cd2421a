#pragma once
// tabrix batch: the CIT-8 of many companies in one process and one database connection.
//
//   batch --year YYYY [--company N ...|--all] --out DIR [--pdf] [--check] [--recompute]
//
// For each company (ascending; all of them when none is named), the CIT-8 of its fiscal year
// starting in YYYY (else ending in it) is made as new-cit8 makes it, each in its own
// transaction, or with --recompute its latest stored CIT-8 of that year is computed again as
// `compute` does. --pdf writes it as DIR/<NIP digits>-<YYYY>.pdf; --check counts the errors
// and warnings of the declaration's check. DIR/summary.csv gets one row per company
// (docs/batch.md). One company's failure is written in its row and on standard error, and the
// rest go on; the exit status is 1 when any company failed.
#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "citforms/values/result.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"

namespace refhost::app {

struct BatchArguments {
    int year = 0;
    std::vector<std::int32_t> companies;  // empty: every company
    std::string out;
    bool pdf = false;
    bool check = false;
    bool recompute = false;
    bool fill = true;  // --no-fill: the bare computation, as for new-cit8
};

citforms::values::Result<BatchArguments> parseBatch(const std::vector<std::string>& args);

struct CheckCounts {
    int errors = 0;
    int warnings = 0;
};

struct BatchServices {
    libraries::ReferenceHost* host = nullptr;
    const libraries::LoadedModule* module = nullptr;
    // Makes `company` the session's company (its globals and fiscal year).
    std::function<void(std::int32_t company)> selectCompany;
    // The check of a stored declaration; nullopt and `problem` set when it could not run.
    std::function<std::optional<CheckCounts>(std::int32_t id, std::string& problem)> check;
    bool terminal = false;  // a progress bar on `err`
};

// One row of summary.csv.
struct BatchRow {
    std::int32_t company = 0;
    std::string name;
    std::string nip;          // digits only
    std::int32_t declaration = 0;
    std::string taxDue;       // "1234.00"; empty where unknown
    std::string toPay;
    std::string overpaid;
    std::optional<CheckCounts> check;
    std::string pdf;          // the file written
    std::string failure;      // why the company failed; empty when it did not
    // What new-cit8 did after the computation, as the window's buttons do ("advances\t…").
    std::vector<std::string> filled;
};

// The CSV text of one row ("\r\n" not used: lines end with "\n"), and the header line.
std::string csvHeader();
std::string csvRow(const BatchRow& row);

int runBatch(const BatchServices& services, const BatchArguments& args, std::ostream& out,
             std::ostream& err);

}  // namespace refhost::app
