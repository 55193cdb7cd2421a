#pragma once
// Where the amount of one position of a stored declaration comes from.
//
// A position is one of three kinds:
//   - statement: the window has a statement definition beside it ("D"); the host tells which
//     accounts the definition took over the declaration's period, with their turnovers
//     (StatementsLibrary::ZESTAWIENIE_DD_ZRODLA) and, on request, the postings behind them;
//     their signed takings add up to the statement's total, and a stored value that differs
//     from it is named (rounded to whole zloty, or typed over / books changed since);
//   - rule: a form rule writes it; the rules the computation runs are run again over the
//     stored values under a probe (compute/rule_probe.h), and every position whose value
//     changes the rule's result is one that feeds it. The rule in words is the role the form
//     file gives the position (the same text the page drawing prints);
//   - typed: neither; the person typed it. The last entry of the activity log (DZIENNIK) on
//     the declaration says when it was last changed.
//
//   ExplainRequest r{.id = 2, .form = "CIT-8", .position = 31};
//   const values::Result<Explanation> e = explainPosition(module, r);
//   nlohmann::ordered_json j = toJson(*e);
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "citforms/host/libraries.h"
#include "citforms/values/decimal.h"
#include "citforms/values/result.h"

namespace citforms::module {
class ModuleState;
}

namespace citforms::explain {

enum class SourceKind { Statement, Rule, Typed };
std::string kindName(SourceKind kind);  // "statement", "rule", "typed"

struct ExplainRequest {
    std::int32_t id = 0;
    std::string form;   // "CIT-8/O"; empty: the declaration's main form
    int position = 0;
    bool deep = false;  // rule inputs explained in turn, to the statements and typed values
    std::optional<host::PostingPage> postings;  // with a statement: the postings asked for
};

struct Explanation;

// One position a rule reads for its value.
struct RuleInput {
    std::string form;
    int position = 0;
    values::Decimal value;
    std::shared_ptr<Explanation> explanation;  // with `deep`
};

struct Explanation {
    std::int32_t id = 0;
    std::int32_t templateId = 0;
    std::string form;
    int position = 0;
    std::string role;        // what the form file says the position holds
    std::string valueText;   // as stored
    values::Decimal value;
    SourceKind kind = SourceKind::Typed;
    // Statement.
    std::string code;
    std::int32_t from = 0;
    std::int32_t to = 0;
    bool sourcesKnown = false;  // the host told the sources (a host of the older interface not)
    host::StatementSources sources;
    // Rule (a statement position a rule caps has one too).
    bool ruleWrites = false;
    values::Decimal ruleValue;  // what the rule gives from the stored values
    std::vector<RuleInput> inputs;
    // Typed.
    std::string lastChange;  // "2026-12-10 14:02 U1: Zapis deklaracji"; empty: none known
    // Why the stored value is not what its source gives; empty when it is.
    std::string difference;
};

values::Result<Explanation> explainPosition(module::ModuleState& module,
                                            const ExplainRequest& request);

nlohmann::ordered_json toJson(const Explanation& e);

}  // namespace citforms::explain
