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
#include <string>
#include <vector>

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

}  // namespace refhost::db
