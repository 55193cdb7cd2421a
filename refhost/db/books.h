#pragma once
// The company's books: chart of accounts (KONTA), postings (KSIEGOWANIA) and the monthly
// turnovers per account (OBROTY) kept in step with every posting, and the evaluation of a
// statement definition over them.
//
// A statement is a list of terms, each an account mask ("70*", "4??-1*"), a measure and a
// sign. Its value over a period reads the turnovers of the whole months inside the period
// and the postings of the partial months at its edges only, so its cost does not grow
// with the number of postings in the books.
//
//   Books books(db);
//   books.addAccount(1, "700-01", "Sprzedaż krajowa");
//   books.post(1, {"700-01", day, 0, 1250000, "FV 1/2016", "Sprzedaż"});
//   auto totals = books.totals(1, from, to);
//   Evaluation e = evaluate(terms, *totals);
//
// Import file (UTF-8 text, one record a line, fields separated by ';', a field may be put
// in double quotes with "" for a quote; empty lines and lines starting with '#' are
// skipped):
//
//   KONTO;700-01;Sprzedaż produktów - kraj
//   DEKRET;2016-01-31;700-01;0;12500.00;FV 1/01/2016;Sprzedaż
//
// DEKRET is date (yyyy-mm-dd), account, debit, credit (plain decimals, '.' or ',', empty =
// 0), document and description. An account must be in the chart (given earlier in the
// file or already in the database). The whole file goes in as one transaction or not at
// all.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/values/day_number.h"
#include "refhost/sql/database.h"

namespace refhost::db {

using citforms::values::Result;
using citforms::values::Status;

enum class Measure { DebitTurnover, CreditTurnover, DebitBalance, CreditBalance };

// "WN", "MA", "SWN", "SMA" (any case).
std::optional<Measure> parseMeasure(std::string_view code);
std::string measureCode(Measure measure);

// '*' any run of characters, '?' exactly one; everything else matches itself.
bool maskMatches(std::string_view mask, std::string_view account);

struct StatementTerm {
    std::string mask;
    Measure measure = Measure::DebitTurnover;
    int sign = 1;
};

struct Posting {
    std::string account;
    int day = 0;
    std::int64_t debit = 0;   // grosze
    std::int64_t credit = 0;  // grosze
    std::string document;
    std::string description;
};

struct AccountTotals {
    std::int64_t debit = 0;
    std::int64_t credit = 0;
};

// Sums of grosze that may pass the 64 bits of a column on their way (many large postings,
// some negative): checked against the column's range only when they are written.
__extension__ using WideGrosze = __int128;

struct WideTotals {
    WideGrosze debit = 0;
    WideGrosze credit = 0;
};

// Whether a sum fits a grosze column (64 bits).
bool fitsGrosze(WideGrosze value);

// The period key of the turnover table (OBROTY.okres): year * 12 + (month - 1).
inline int monthKeyOfDay(int day) {
    return citforms::values::yearOf(day) * 12 + static_cast<int>(citforms::values::monthOf(day)) -
           1;
}
inline int firstDayOfMonthKey(int key) {
    return citforms::values::fromDate(key / 12, static_cast<unsigned>(key % 12) + 1, 1);
}
inline int lastDayOfMonthKey(int key) { return firstDayOfMonthKey(key + 1) - 1; }

// Turnovers per account over a period; accounts without movement are absent.
using PeriodTotals = std::map<std::string, AccountTotals>;

struct Evaluation {
    std::int64_t amount = 0;  // grosze
    bool overflow = false;    // the sum does not fit in 64 bits; amount is 0
    std::vector<std::string> unmatchedMasks;  // masks that name no account of the chart
};

// What a term of `measure` takes of an account's turnovers: the debit or the credit turnover,
// or the balance on its side (0 when the account's balance lies on the other side).
std::int64_t takenBy(Measure measure, const AccountTotals& totals);

// The sign of a definition row's `znak`: -1 for a negative number, 1 otherwise.
int termSign(std::string_view znak);

// Balances are taken per account: an account with more credit than debit adds nothing to
// a debit balance, however the accounts of the mask net out together.
Evaluation evaluate(const std::vector<StatementTerm>& terms, const std::set<std::string>& chart,
                    const PeriodTotals& totals);

class Books {
public:
    explicit Books(sql::HostDatabase& db) : db_(db) {}

    Status addAccount(int company, const std::string& account, const std::string& name);
    Result<std::set<std::string>> chart(int company);

    // Posts and updates the month's turnover in one transaction (nested in the caller's).
    Status post(int company, const Posting& posting);
    Status postAll(int company, const std::vector<Posting>& postings);

    // Adds to the turnovers of an account's month (okres = year * 12 + month - 1); refused,
    // with nothing written, when the month's turnover would leave the column's range.
    Status addTurnover(int company, const std::string& account, int month, WideGrosze debit,
                       WideGrosze credit);

    // Turnovers of each account from day `from` to day `to`, both included.
    Result<PeriodTotals> totals(int company, int from, int to);

    // Recomputes OBROTY of a company from its postings (after postings were written by
    // other means than post()).
    Status rebuildTurnovers(int company);

    // Reads a file in the format above into the books of `company`. Returns the number of
    // postings imported.
    Result<long long> importFile(int company, const std::string& path);
    Result<long long> importText(int company, std::string_view text);

private:
    Status insertPosting(int company, const Posting& posting);

    sql::HostDatabase& db_;
};

}  // namespace refhost::db
