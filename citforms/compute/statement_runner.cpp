#include "citforms/compute/statement_runner.h"

#include <algorithm>

#include "citforms/host/ui_seam.h"
#include "citforms/values/decimal.h"

namespace citforms::compute {

using values::Decimal;

namespace {

// The largest amount a form field holds (15 digits).
Decimal largestAmount() {
    return Decimal::fromUnits(values::Amount::kMaxGrosze, 2);
}

}  // namespace

std::string StatementRunner::statementText(const std::string& code) const {
    return "CALL ZESTAWIENIE_DD_OBLICZ (" + std::to_string(context_.companyId) + "," +
           std::to_string(context_.periodStart) + "," + std::to_string(context_.periodEnd) + "," +
           std::to_string(context_.declarationId) + ",'" + code + "'," +
           std::to_string(context_.userNumber) + ",'')";
}

void StatementRunner::busy(bool on) {
    if (ui_ != nullptr) ui_->setBusy(on);
}

void StatementRunner::clearStatementMessages() {
    const std::string sql =
        "delete from KOMUNIKAT where kontekst = 'ZESTAW' AND id_uzytkownika = " +
        std::to_string(context_.userNumber);
    if (!utility_.EXECVAX(sql)) warnings_.push_back(utility_.fileErrorText());
}

void StatementRunner::reset() {
    failed_.clear();
    reasons_.clear();
    warnings_.clear();
}

bool isBusyDatabaseText(std::string_view text) {
    for (const char* busy : {"database is locked", "database table is locked", "lock timeout",
                             "could not obtain lock", "deadlock detected"}) {
        if (text.find(busy) != std::string_view::npos) return true;
    }
    return false;
}

std::vector<std::string> StatementRunner::warnings() const {
    std::vector<std::string> all = reasons_;
    all.insert(all.end(), warnings_.begin(), warnings_.end());
    return all;
}

values::Result<Decimal> StatementRunner::run(const std::string& code) {
    using Failure = values::Result<Decimal>;
    if (!utility_.EXECVAX(statementText(code))) {
        return Failure::failure(utility_.fileErrorText(), values::ErrorKind::Database);
    }
    host::ResultRow row;
    if (!data_.result(host::ResultFileId::VAX_FK).next(row)) {
        return Failure::failure("Zestawienie pola " + code + " nie zwróciło kwoty.",
                                values::ErrorKind::NotFound);
    }
    const std::optional<Decimal> amount = Decimal::parse(row.column(0));
    // A result that is no amount, or more than a form field holds (a badly defined
    // statement), is refused like a failing statement instead of being taken as 0 unseen or
    // ending the whole computation.
    if (!amount) {
        return Failure::failure(
            "Wynik zestawienia pola " + code + " nie jest kwotą: " + row.column(0),
            values::ErrorKind::InvalidInput);
    }
    if (*amount > largestAmount() || -*amount > largestAmount()) {
        return Failure::failure(
            "Kwota zestawienia pola " + code + " jest poza zakresem: " + row.column(0),
            values::ErrorKind::InvalidInput);
    }
    return *amount;
}

std::optional<Decimal> StatementRunner::field(const std::string& form, int position,
                                              const std::string& code) {
    values::Result<Decimal> amount = run(code);
    if (!amount) {
        noteFailure(form, position, amount.error());
        return std::nullopt;
    }
    return *amount;
}

void StatementRunner::noteFailure(const std::string& form, int position, const std::string& why) {
    failed_.push_back(form + " poz. " + std::to_string(position));
    reasons_.push_back(why);
}

void StatementRunner::tell() {
    // Once one statement failed inside a transaction every later one may fail for the same
    // reason: each text is shown once, and the failed positions in one message.
    // A warning of the same text as a failure, or another writer's lock when the failures
    // are for the lock too, is said by the failures' message.
    std::vector<std::string> shown = reasons_;
    const bool busy = !reasons_.empty() && isBusyDatabaseText(reasons_.front());
    for (const std::string& warning : warnings_) {
        if (std::find(shown.begin(), shown.end(), warning) != shown.end()) continue;
        if (busy && isBusyDatabaseText(warning)) continue;
        shown.push_back(warning);
        utility_.MSG_OST(warning);
    }
    if (!failed_.empty()) {
        std::string positions;
        for (const std::string& name : failed_) positions += (positions.empty() ? "" : ", ") + name;
        const std::string& first = reasons_.front();
        if (isBusyDatabaseText(first)) {
            utility_.MSG_OST("Baza danych jest zajęta przez innego użytkownika (" + first +
                             "). Nie obliczono pozycji: " + positions +
                             ". Proszę ponowić obliczenie, gdy baza będzie wolna.");
        } else {
            utility_.MSG_OST("Nie obliczono pozycji: " + positions + ". Pierwszy błąd: " + first);
        }
    }
    if (showStatementMessages_) utility_.INFO_ZESTAWIENIE(1);
    warnings_.clear();
    reasons_.clear();
    showStatementMessages_ = false;
}

}  // namespace citforms::compute
