#pragma once
// One computation's calls of the host's accounting statements: the statement text of a field
// code, its single amount, and what went wrong on the way. Nothing is shown while the work
// runs: tell() shows the reasons with MSG_OST and then the statement messages window.
//
//   StatementRunner run(utility, data, ui, context);
//   run.clearStatementMessages();
//   std::optional<Decimal> revenue = run.field("CIT-2", 19, "19");
//   run.finish();
//   run.tell();
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/host/libraries.h"
#include "citforms/values/day_number.h"
#include "citforms/values/decimal.h"
#include "citforms/values/result.h"

namespace citforms::host {
class UiSeam;
}

namespace citforms::compute {

struct ComputationContext {
    std::int32_t companyId = 0;      // DANE_ID_FIRMY
    std::int32_t periodStart = 0;    // first day of the fiscal year (day number)
    std::int32_t periodEnd = 0;      // last day of the period computed
    std::int32_t declarationId = 0;  // header of the declaration being computed
    std::int32_t userNumber = 0;     // DANE_ID_UZYTKOWNIKA_NR
    values::DayNumber today = 0;     // fill-in date of a fresh declaration
};

// Whether a database's error text says that another writer held what the statement needed
// past the lock timeout (SQLite's "database is locked", PostgreSQL's lock timeout).
bool isBusyDatabaseText(std::string_view text);

class StatementRunner {
public:
    StatementRunner(host::UtilityLibrary& utility, host::DataLibrary& data, host::UiSeam* ui,
                    ComputationContext context)
        : utility_(utility), data_(data), ui_(ui), context_(context) {}

    const ComputationContext& context() const { return context_; }
    host::UtilityLibrary& utility() { return utility_; }
    host::DataLibrary& data() { return data_; }

    // The statement call of one field, exactly as the host procedure expects it.
    std::string statementText(const std::string& code) const;
    // The amount of statement `code`; a failing statement, or a result that is no amount a
    // field can hold, is a failure with its reason.
    values::Result<values::Decimal> run(const std::string& code);
    // run() for the field `position` of `form`: on failure the field is named in failed()
    // ("CIT-2 poz. 19") and the reason kept for tell().
    std::optional<values::Decimal> field(const std::string& form, int position,
                                         const std::string& code);
    // Removes the person's statement messages (KOMUNIKAT, context ZESTAW).
    void clearStatementMessages();
    // Starts a computation: no failures, no warnings.
    void reset();
    // The statement messages are to be shown by the next tell().
    void finish() { showStatementMessages_ = true; }
    void warn(std::string text) { warnings_.push_back(std::move(text)); }
    void noteFailure(const std::string& form, int position, const std::string& why);
    void busy(bool on);

    const std::vector<std::string>& failed() const { return failed_; }
    // Why statements failed, in the order they ran, then the other warnings.
    std::vector<std::string> warnings() const;
    // Shows each distinct warning once with MSG_OST and, when statements failed, one message
    // naming their positions and the first reason (a busy database said as such); then the
    // statement messages (INFO_ZESTAWIENIE) when a computation finished since the last tell().
    void tell();

private:
    host::UtilityLibrary& utility_;
    host::DataLibrary& data_;
    host::UiSeam* ui_;
    ComputationContext context_;
    std::vector<std::string> failed_;
    std::vector<std::string> reasons_;  // of failed_, one each
    std::vector<std::string> warnings_;
    bool showStatementMessages_ = false;
};

}  // namespace citforms::compute
