#pragma once
// tabrix explain ID POS [--form NAME] [--deep] [--postings [--account A] [--offset N]
//                [--limit N]] [--json]: where the amount of a position comes from, as the
// loaded module tells it (explain/position_explanation.h): the statement with its definition,
// the accounts it took and their turnovers (and the postings behind them), the rule and the
// positions that feed it, or that the position was typed by hand.
//
// tabrix reconcile --company N --year YYYY [--json]: the fiscal year's books beside the
// statements of the year's CIT-8 (the newest; without one, the default statements of a new
// CIT-8 (24)): every account with turnover and the positions whose statements take it, the
// accounts that feed none marked, the books' totals and each statement's value.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "citforms/values/result.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"

namespace refhost::app {

struct ExplainArguments {
    std::int32_t id = 0;
    std::int32_t position = 0;
    std::string form;
    bool deep = false;
    bool postings = false;
    std::string account;
    std::int32_t offset = 0;
    std::int32_t limit = 100;
    bool json = false;
};

citforms::values::Result<ExplainArguments> parseExplain(const std::vector<std::string>& args);

// The module's request for `args` ({"verb":"explain",…}).
std::string explainRequest(const ExplainArguments& args);

int runExplain(const libraries::LoadedModule& module, const ExplainArguments& args,
               std::ostream& out, std::ostream& err);

struct ReconcileArguments {
    std::int32_t company = 0;
    int year = 0;
    bool json = false;
};

citforms::values::Result<ReconcileArguments> parseReconcile(const std::vector<std::string>& args);

int runReconcile(libraries::ReferenceHost& host, sql::HostDatabase& db,
                 const ReconcileArguments& args, std::ostream& out, std::ostream& err);

}  // namespace refhost::app
