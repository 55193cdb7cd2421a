#include "refhost/db/statement_feeds.h"

#include <algorithm>
#include <set>

#include "citforms/values/text.h"
#include "refhost/db/books.h"

namespace refhost::db {

using citforms::values::parseInteger;

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

namespace {

Result<std::vector<DefinitionRow>> definitionOf(sql::Result<sql::QueryResult> rows) {
    using R = Result<std::vector<DefinitionRow>>;
    if (!rows) return R::failure(rows.error());
    std::vector<DefinitionRow> out;
    for (const auto& row : rows->rows)
        out.push_back({row.at(0).value_or(""), row.at(1).value_or(""), row.at(2).value_or(""),
                       row.at(3).value_or("1")});
    return out;
}

}  // namespace

Result<std::vector<DefinitionRow>> declarationDefinition(sql::HostDatabase& db,
                                                         long long declaration) {
    return definitionOf(db.runNative(
        "select kod, maska, miara, znak from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag = ? "
        "and rodzaj = 'DD' order by kod, lp",
        {std::to_string(declaration)}));
}

Result<std::vector<DefinitionRow>> templateDefinition(sql::HostDatabase& db, int templateId) {
    return definitionOf(db.runNative(
        "select kod, maska, miara, znak from ZESTAWIENIE_DEFINICJA_WZORCA where "
        "id_deklaracje_wzorzec = ? and rodzaj = 'DD' order by kod, lp",
        {std::to_string(templateId)}));
}

Result<Reconciliation> reconcile(sql::HostDatabase& db, int company, int from, int to,
                                 const std::vector<DefinitionRow>& definition) {
    using R = Result<Reconciliation>;
    std::vector<DefinitionTerm> masks;
    std::map<std::string, std::vector<StatementTerm>> statements;
    for (const DefinitionRow& row : definition) {
        masks.push_back({row.code, row.mask});
        std::vector<StatementTerm>& s = statements[row.code];
        // A row of an unknown measure adds nothing, as the statement leaves it out.
        if (const auto measure = parseMeasure(row.measure))
            s.push_back({row.mask, *measure, termSign(row.sign)});
    }
    Reconciliation out;
    auto feeds = accountFeeds(db, company, from, to, masks);
    if (!feeds) return R::failure(feeds.error());
    out.accounts = std::move(*feeds);
    WideTotals books;
    PeriodTotals totals;
    std::set<std::string> chart;
    for (const AccountFeed& f : out.accounts) {
        books.debit += f.debit;
        books.credit += f.credit;
        totals[f.account] = {f.debit, f.credit};
        chart.insert(f.account);
    }
    if (!fitsGrosze(books.debit) || !fitsGrosze(books.credit))
        return R::failure("Suma obrotów ksiąg przekracza zakres kwot.");
    out.debit = static_cast<std::int64_t>(books.debit);
    out.credit = static_cast<std::int64_t>(books.credit);
    // Accounts without turnover add nothing to any statement: the chart of the accounts with
    // turnover gives the same values.
    for (const auto& [code, s] : statements) {
        const Evaluation e = evaluate(s, chart, totals);
        if (e.overflow) return R::failure("Kwota zestawienia " + code + " przekracza zakres kwot.");
        out.statements[code] = e.amount;
    }
    return out;
}

Result<StatementSources> statementSources(sql::HostDatabase& db, int company, int from, int to,
                                          long long declaration, const std::string& code) {
    using R = Result<StatementSources>;
    auto rows = db.runNative(
        "select lp, maska, miara, znak from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag = ? "
        "and rodzaj = 'DD' and kod = ? order by lp",
        {std::to_string(declaration), code});
    if (!rows) return R::failure(rows.error());
    StatementSources out;
    if (rows->rows.empty()) return out;
    Books books(db);
    auto totals = books.totals(company, from, to);
    if (!totals) return R::failure(totals.error());
    auto chart = db.runNative("select nr_konta, nazwa from KONTA where id_firmy = ?",
                              {std::to_string(company)});
    if (!chart) return R::failure(chart.error());
    std::map<std::string, std::string> names;
    for (const auto& row : chart->rows) names[row.at(0).value_or("")] = row.at(1).value_or("");

    WideGrosze total = 0;
    for (const auto& row : rows->rows) {
        SourceTerm term;
        term.line = parseInteger<int>(row.at(0).value_or("0")).value_or(0);
        term.mask = row.at(1).value_or("");
        term.measure = row.at(2).value_or("");
        term.sign = termSign(row.at(3).value_or("1"));
        const std::optional<Measure> measure = parseMeasure(term.measure);
        term.known = measure.has_value();
        term.matchesChart = false;
        for (const auto& [account, name] : names) {
            if (!maskMatches(term.mask, account)) continue;
            term.matchesChart = true;
            const auto it = totals->find(account);
            if (!term.known || it == totals->end()) continue;
            if (it->second.debit == 0 && it->second.credit == 0) continue;
            const std::int64_t taken = takenBy(*measure, it->second);
            term.accounts.push_back(
                {account, name, it->second, term.sign < 0 ? -taken : taken});
            total += term.sign < 0 ? -WideGrosze(taken) : WideGrosze(taken);
        }
        out.terms.push_back(std::move(term));
    }
    if (!fitsGrosze(total))
        return R::failure("Kwota zestawienia pola " + code + " przekracza zakres kwot.");
    out.total = static_cast<std::int64_t>(total);
    return out;
}

Result<std::vector<Posting>> accountPostings(sql::HostDatabase& db, int company,
                                             const std::vector<std::string>& accounts, int from,
                                             int to, int offset, int limit, bool* more,
                                             long long* count) {
    using R = Result<std::vector<Posting>>;
    std::vector<Posting> out;
    if (count != nullptr) *count = 0;
    if (more != nullptr) *more = false;
    limit = std::max(limit, 0);
    if (accounts.empty() || from > to) return out;
    std::string in = "?";
    for (std::size_t i = 1; i < accounts.size(); ++i) in += ", ?";
    std::vector<std::optional<std::string>> args = {std::to_string(company),
                                                    std::to_string(from), std::to_string(to)};
    args.insert(args.end(), accounts.begin(), accounts.end());
    const std::string where = " from KSIEGOWANIA where id_firmy = ? and data >= ? and data <= ? "
                              "and nr_konta in (" + in + ")";
    if (count != nullptr) {
        auto counted = db.runNative("select count(*)" + where, args);
        if (!counted) return R::failure(counted.error());
        if (!counted->rows.empty())
            *count = parseInteger<long long>(counted->rows[0].at(0).value_or("0")).value_or(0);
    }
    // The page's bounds are whole numbers of ours, written into the text.
    auto rows = db.runNative("select nr_konta, data, kwota_wn, kwota_ma, dokument, opis" + where +
                                 " order by data, nr_konta, id_ksiegowania limit " +
                                 std::to_string(limit + 1) + " offset " +
                                 std::to_string(std::max(offset, 0)),
                             args);
    if (!rows) return R::failure(rows.error());
    for (const auto& row : rows->rows) {
        Posting p;
        p.account = row.at(0).value_or("");
        p.day = parseInteger<int>(row.at(1).value_or("0")).value_or(0);
        p.debit = parseInteger<std::int64_t>(row.at(2).value_or("0")).value_or(0);
        p.credit = parseInteger<std::int64_t>(row.at(3).value_or("0")).value_or(0);
        p.document = row.at(4).value_or("");
        p.description = row.at(5).value_or("");
        out.push_back(std::move(p));
    }
    // One more than the page was read: whether others follow.
    if (out.size() > static_cast<std::size_t>(limit)) {
        out.pop_back();
        if (more != nullptr) *more = true;
    }
    return out;
}

}  // namespace refhost::db
