#include "refhost/db/statement_feeds.h"

#include <algorithm>

#include "citforms/values/text.h"
#include "refhost/db/books.h"

namespace refhost::db {

namespace {

using Terms = Result<std::vector<DefinitionTerm>>;

Terms termsOf(sql::Result<sql::QueryResult> rows) {
    if (!rows) return Terms::failure(rows.error());
    std::vector<DefinitionTerm> out;
    for (const auto& row : rows->rows)
        out.push_back({row.at(0).value_or(""), row.at(1).value_or("")});
    return out;
}

}  // namespace

bool isResultAccount(std::string_view type, std::string_view account) {
    const std::string_view t = citforms::values::trim(type);
    if (!t.empty()) return citforms::values::upperAscii(t) == "WYNIKOWE";
    return !account.empty() && (account[0] == '4' || account[0] == '5' || account[0] == '7');
}

Result<std::vector<DefinitionTerm>> declarationTerms(sql::HostDatabase& db,
                                                     long long declaration) {
    return termsOf(db.runNative(
        "select kod, maska from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag = ? and "
        "rodzaj = 'DD' order by kod, lp",
        {std::to_string(declaration)}));
}

Result<std::vector<DefinitionTerm>> periodTerms(sql::HostDatabase& db, int company, int from,
                                                int to) {
    return termsOf(db.runNative(
        "select d.kod, d.maska from ZESTAWIENIE_DEFINICJA d join DEKLARACJE_NAG n on "
        "n.id_deklaracje_nag = d.id_deklaracje_nag where d.rodzaj = 'DD' and n.id_firmy = ? "
        "and n.data_okresu >= ? and n.data_okresu <= ? union all select kod, maska from "
        "ZESTAWIENIE_DEFINICJA_WZORCA where rodzaj = 'DD'",
        {std::to_string(company), std::to_string(from), std::to_string(to)}));
}

Result<std::vector<AccountFeed>> accountFeeds(sql::HostDatabase& db, int company, int from,
                                              int to, const std::vector<DefinitionTerm>& terms) {
    using R = Result<std::vector<AccountFeed>>;
    Books books(db);
    auto totals = books.totals(company, from, to);
    if (!totals) return R::failure(totals.error());
    auto chart = db.runNative("select nr_konta, nazwa, typ from KONTA where id_firmy = ?",
                              {std::to_string(company)});
    if (!chart) return R::failure(chart.error());
    std::map<std::string, std::pair<std::string, std::string>> accounts;  // name, type
    for (const auto& row : chart->rows)
        accounts[row.at(0).value_or("")] = {row.at(1).value_or(""), row.at(2).value_or("")};

    std::vector<AccountFeed> out;
    for (const auto& [account, t] : *totals) {
        if (t.debit == 0 && t.credit == 0) continue;
        AccountFeed feed;
        feed.account = account;
        feed.debit = t.debit;
        feed.credit = t.credit;
        const auto it = accounts.find(account);
        std::string type;
        if (it != accounts.end()) {
            feed.name = it->second.first;
            type = it->second.second;
        }
        feed.result = isResultAccount(type, account);
        for (const DefinitionTerm& term : terms) {
            if (!maskMatches(term.mask, account)) continue;
            if (std::find(feed.codes.begin(), feed.codes.end(), term.code) == feed.codes.end())
                feed.codes.push_back(term.code);
        }
        out.push_back(std::move(feed));
    }
    return out;
}

std::vector<AccountFeed> unfedResultAccounts(const std::vector<AccountFeed>& feeds) {
    std::vector<AccountFeed> out;
    for (const AccountFeed& f : feeds)
        if (f.result && f.codes.empty()) out.push_back(f);
    return out;
}

}  // namespace refhost::db
