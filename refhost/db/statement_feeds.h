#pragma once
// Which accounts of a company's books feed which statements: every account with turnover
// over a period, with the statement codes whose definitions take it. The masks are matched
// by maskMatches (books.h), the very rule ZESTAWIENIE_DD_OBLICZ evaluates a statement by, so
// an account listed here without codes is one that no statement of the definitions reads.
//
//   auto terms = declarationTerms(db, 3);                    // the declaration's definitions
//   auto feeds = accountFeeds(db, 1, yearStart, yearEnd, *terms);
//   for (const AccountFeed& f : *feeds)
//       if (f.result && f.codes.empty()) ...                 // costs or revenue left out
//
// A result account (one of the income statement) is one whose type in the chart says so
// ("Wynikowe", as a JPK_KR file gives `TypKonta`); an account without a type (the text
// format, accounts typed into the host) counts as one when it lies in the groups of costs
// and revenue: 4, 5 and 7.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "refhost/db/books.h"
#include "refhost/sql/database.h"

namespace refhost::db {

using citforms::values::Result;

// One term of a statement definition: the field code it feeds and its account mask.
struct DefinitionTerm {
    std::string code;
    std::string mask;
};

struct AccountFeed {
    std::string account;
    std::string name;
    bool result = false;             // an income-statement account
    std::int64_t debit = 0;          // turnovers over the period, grosze
    std::int64_t credit = 0;
    std::vector<std::string> codes;  // the codes whose terms take it, each once, in term order
};

// The account type of the chart (KONTA.typ) and the account number: an income-statement
// account or not, as the header says.
bool isResultAccount(std::string_view type, std::string_view account);

// The terms of declaration `declaration`'s statements (ZESTAWIENIE_DEFINICJA, kind DD).
Result<std::vector<DefinitionTerm>> declarationTerms(sql::HostDatabase& db,
                                                     long long declaration);

// The terms a company's books of days `from` to `to` are read by: the definitions of the
// company's declarations whose period lies in those days, and the default sets a new
// declaration takes (ZESTAWIENIE_DEFINICJA_WZORCA) of every template.
Result<std::vector<DefinitionTerm>> periodTerms(sql::HostDatabase& db, int company, int from,
                                                int to);

// Every account of `company` with turnover from day `from` to day `to` (both included), in
// the order of their numbers, with the codes of `terms` that take it.
Result<std::vector<AccountFeed>> accountFeeds(sql::HostDatabase& db, int company, int from,
                                              int to, const std::vector<DefinitionTerm>& terms);

// Of those, the result accounts that no term takes.
std::vector<AccountFeed> unfedResultAccounts(const std::vector<AccountFeed>& feeds);

// The year's books beside the statements of a declaration: every account with turnover (each
// with the codes that take it, as accountFeeds gives them), the books' totals and the value of
// every statement code over the same turnovers. The check's warning about result accounts that
// feed no statement and `tabrix reconcile` both stand on it.
struct Reconciliation {
    std::vector<AccountFeed> accounts;
    std::int64_t debit = 0;   // the books' turnovers over the period, every account
    std::int64_t credit = 0;
    std::map<std::string, std::int64_t> statements;  // code -> value, grosze
};
// One row of a statement definition as stored.
struct DefinitionRow {
    std::string code;
    std::string mask;
    std::string measure;
    std::string sign;
};
// The definitions of declaration `declaration`'s statements (ZESTAWIENIE_DEFINICJA, kind DD).
Result<std::vector<DefinitionRow>> declarationDefinition(sql::HostDatabase& db,
                                                         long long declaration);
// The default set a new declaration of template `templateId` takes.
Result<std::vector<DefinitionRow>> templateDefinition(sql::HostDatabase& db, int templateId);
Result<Reconciliation> reconcile(sql::HostDatabase& db, int company, int from, int to,
                                 const std::vector<DefinitionRow>& definition);

// One term of a statement definition as ZESTAWIENIE_DD_OBLICZ takes it, with the accounts of
// the chart its mask takes that have turnover over the period.
struct SourceAccount {
    std::string account;
    std::string name;
    AccountTotals totals;
    std::int64_t taken = 0;  // what the term takes, with its sign
};
struct SourceTerm {
    int line = 0;
    std::string mask;
    std::string measure;
    int sign = 1;
    bool known = true;         // a measure the statement evaluates
    bool matchesChart = true;  // the mask names an account of the chart
    std::vector<SourceAccount> accounts;
};
struct StatementSources {
    std::vector<SourceTerm> terms;
    std::int64_t total = 0;  // what ZESTAWIENIE_DD_OBLICZ gives for the code
};
// The sources of declaration `declaration`'s statement `code` over days `from` to `to` of
// `company`'s books. A failure also when the total leaves the range of amounts.
Result<StatementSources> statementSources(sql::HostDatabase& db, int company, int from, int to,
                                          long long declaration, const std::string& code);

// Postings of accounts `accounts` of `company` from day `from` to day `to`, in the order of
// their dates, `limit` of them from the `offset`-th; `more` says whether others follow;
// `count`, when given, receives how many there are in all.
Result<std::vector<Posting>> accountPostings(sql::HostDatabase& db, int company,
                                             const std::vector<std::string>& accounts, int from,
                                             int to, int offset, int limit, bool* more,
                                             long long* count = nullptr);

}  // namespace refhost::db
