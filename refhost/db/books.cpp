#include "refhost/db/books.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>

#include "citforms/values/book_values.h"
#include "citforms/values/text.h"
#include "refhost/db/book_text.h"

namespace refhost::db {

using citforms::values::groszeText;

using citforms::values::parseInteger;
using citforms::values::upperAscii;

namespace {

// Grosze as the database returns them (a sum may come back as "12.00" on a NUMERIC column);
// nullopt when the text is no whole number of 64 bits.
std::optional<std::int64_t> toInt64(const std::optional<std::string>& v) {
    if (!v || v->empty()) return 0;
    std::string_view text = *v;
    if (const auto dot = text.find('.'); dot != std::string_view::npos) {
        if (text.find_first_not_of('0', dot + 1) != std::string_view::npos) return std::nullopt;
        text = text.substr(0, dot);
    }
    return parseInteger<std::int64_t>(text);
}

// a += b unless b is unreadable or the sum leaves 64 bits; false then.
bool addGrosze(std::int64_t& a, const std::optional<std::string>& b) {
    const std::optional<std::int64_t> v = toInt64(b);
    return v && !__builtin_add_overflow(a, *v, &a);
}

}  // namespace

bool fitsGrosze(WideGrosze value) {
    return value >= std::numeric_limits<std::int64_t>::min() &&
           value <= std::numeric_limits<std::int64_t>::max();
}

std::optional<Measure> parseMeasure(std::string_view code) {
    const std::string c = upperAscii(code);
    if (c == "WN") return Measure::DebitTurnover;
    if (c == "MA") return Measure::CreditTurnover;
    if (c == "SWN") return Measure::DebitBalance;
    if (c == "SMA") return Measure::CreditBalance;
    return std::nullopt;
}

std::string measureCode(Measure measure) {
    switch (measure) {
        case Measure::DebitTurnover: return "WN";
        case Measure::CreditTurnover: return "MA";
        case Measure::DebitBalance: return "SWN";
        case Measure::CreditBalance: return "SMA";
    }
    return "WN";
}

bool maskMatches(std::string_view mask, std::string_view account) {
    // Iterative glob with backtracking to the last '*'.
    std::size_t m = 0;
    std::size_t a = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (a < account.size()) {
        if (m < mask.size() && (mask[m] == '?' || mask[m] == account[a])) {
            ++m;
            ++a;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            resume = a;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            a = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::int64_t takenBy(Measure measure, const AccountTotals& t) {
    switch (measure) {
        case Measure::DebitTurnover: return t.debit;
        case Measure::CreditTurnover: return t.credit;
        case Measure::DebitBalance: return t.debit > t.credit ? t.debit - t.credit : 0;
        case Measure::CreditBalance: return t.credit > t.debit ? t.credit - t.debit : 0;
    }
    return 0;
}

int termSign(std::string_view znak) {
    return parseInteger<int>(citforms::values::trim(znak)).value_or(1) < 0 ? -1 : 1;
}

Evaluation evaluate(const std::vector<StatementTerm>& terms, const std::set<std::string>& chart,
                    const PeriodTotals& totals) {
    Evaluation e;
    // Sums in 128 bits: turnovers near the 64-bit limit must give "out of range", never a
    // wrapped amount.
    __extension__ using Wide = __int128;
    Wide total = 0;
    for (const StatementTerm& term : terms) {
        bool matched = false;
        Wide value = 0;
        for (const std::string& account : chart) {
            if (!maskMatches(term.mask, account)) continue;
            matched = true;
            auto it = totals.find(account);
            if (it == totals.end()) continue;
            value += takenBy(term.measure, it->second);
        }
        if (!matched) e.unmatchedMasks.push_back(term.mask);
        total += term.sign < 0 ? -value : value;
    }
    if (total > std::numeric_limits<std::int64_t>::max() ||
        total < std::numeric_limits<std::int64_t>::min()) {
        e.overflow = true;
    } else {
        e.amount = static_cast<std::int64_t>(total);
    }
    return e;
}

Status Books::addAccount(int company, const std::string& account, const std::string& name) {
    if (account.empty()) return Status::failure("Pusty numer konta");
    auto r = db_.runNative(
        "insert into KONTA (id_firmy, nr_konta, nazwa) values (?, ?, ?) "
        "on conflict (id_firmy, nr_konta) do update set nazwa = excluded.nazwa",
        {std::to_string(company), account, name});
    return r ? Status() : Status::failure(r.error());
}

Result<std::set<std::string>> Books::chart(int company) {
    auto r = db_.runNative("select nr_konta from KONTA where id_firmy = ?",
                           {std::to_string(company)});
    if (!r) return Result<std::set<std::string>>::failure(r.error());
    std::set<std::string> out;
    for (const auto& row : r->rows) out.insert(row[0].value_or(""));
    return out;
}

Status Books::insertPosting(int company, const Posting& p) {
    const std::string firm = std::to_string(company);
    auto r = db_.runNative(
        "insert into KSIEGOWANIA (id_firmy, nr_konta, data, kwota_wn, kwota_ma, dokument, opis) "
        "values (?, ?, ?, ?, ?, ?, ?)",
        {firm, p.account, std::to_string(p.day), std::to_string(p.debit),
         std::to_string(p.credit), p.document, p.description});
    if (!r) return Status::failure(r.error());
    return addTurnover(company, p.account, monthKeyOfDay(p.day), p.debit, p.credit);
}

Status Books::addTurnover(int company, const std::string& account, int month,
                          WideGrosze debit, WideGrosze credit) {
    // SQLite would turn a sum past 64 bits into a floating-point number and PostgreSQL refuse
    // it with an error of its own: the sum is checked here first. (The statement below still
    // adds on the server, so a concurrent writer's turnover is never overwritten.)
    auto now = db_.runNative(
        "select obroty_wn, obroty_ma from OBROTY where id_firmy = ? and nr_konta = ? and "
        "okres = ?",
        {std::to_string(company), account, std::to_string(month)});
    if (!now) return Status::failure(now.error());
    WideGrosze debitAfter = debit;
    WideGrosze creditAfter = credit;
    for (const auto& row : now->rows) {
        const std::optional<std::int64_t> d = toInt64(row.at(0));
        const std::optional<std::int64_t> c = toInt64(row.at(1));
        if (!d || !c) return Status::failure("nieczytelne obroty konta " + account + " w bazie");
        debitAfter += *d;
        creditAfter += *c;
    }
    if (!fitsGrosze(debit) || !fitsGrosze(credit) || !fitsGrosze(debitAfter) ||
        !fitsGrosze(creditAfter)) {
        char period[16];
        std::snprintf(period, sizeof period, "%04d-%02d", month / 12, month % 12 + 1);
        return Status::failure("obroty konta " + account + " za " + period +
                               " przekroczyłyby zakres kwot (najwyżej " +
                               groszeText(std::numeric_limits<std::int64_t>::max()) + " zł)");
    }
    auto r = db_.runNative(
        "insert into OBROTY (id_firmy, nr_konta, okres, obroty_wn, obroty_ma) "
        "values (?, ?, ?, ?, ?) on conflict (id_firmy, nr_konta, okres) do update set "
        "obroty_wn = OBROTY.obroty_wn + excluded.obroty_wn, "
        "obroty_ma = OBROTY.obroty_ma + excluded.obroty_ma",
        {std::to_string(company), account, std::to_string(month),
         std::to_string(static_cast<std::int64_t>(debit)),
         std::to_string(static_cast<std::int64_t>(credit))});
    return r ? Status() : Status::failure(r.error());
}

Status Books::post(int company, const Posting& posting) {
    return postAll(company, {posting});
}

// The postings as rows the engine may gather into few statements (HostDatabase::insertRow),
// and each account's month of turnovers written once with the sum of its postings.
Status Books::postAll(int company, const std::vector<Posting>& postings) {
    if (auto st = db_.begin(); !st) return st;
    auto fail = [&](Status st) {
        db_.rollback();
        return st;
    };
    const std::string firm = std::to_string(company);
    sql::RowInsert row{"KSIEGOWANIA",
                       {"id_firmy", "nr_konta", "data", "kwota_wn", "kwota_ma", "dokument", "opis"},
                       {},
                       {}};
    std::map<std::pair<std::string, int>, WideTotals> turnovers;
    for (const Posting& p : postings) {
        row.values = {firm, p.account, std::to_string(p.day), std::to_string(p.debit),
                      std::to_string(p.credit), p.document, p.description};
        if (auto st = db_.insertRow(row); !st) return fail(st);
        WideTotals& t = turnovers[{p.account, monthKeyOfDay(p.day)}];
        t.debit += p.debit;
        t.credit += p.credit;
    }
    for (const auto& [key, t] : turnovers) {
        if (auto st = addTurnover(company, key.first, key.second, t.debit, t.credit); !st)
            return fail(st);
    }
    return db_.commit();
}

Result<PeriodTotals> Books::totals(int company, int from, int to) {
    using R = Result<PeriodTotals>;
    PeriodTotals out;
    if (from > to) return out;
    const std::string firm = std::to_string(company);
    bool overflow = false;
    auto add = [&](const sql::QueryResult& rows) {
        for (const auto& row : rows.rows) {
            AccountTotals& t = out[row[0].value_or("")];
            overflow = !addGrosze(t.debit, row[1]) || overflow;
            overflow = !addGrosze(t.credit, row[2]) || overflow;
        }
    };
    auto postings = [&](int a, int b) -> Status {
        auto r = db_.runNative(
            "select nr_konta, sum(kwota_wn), sum(kwota_ma) from KSIEGOWANIA "
            "where id_firmy = ? and data >= ? and data <= ? group by nr_konta",
            {firm, std::to_string(a), std::to_string(b)});
        if (!r) return Status::failure(r.error());
        add(*r);
        return {};
    };
    int firstFull = monthKeyOfDay(from);
    int lastFull = monthKeyOfDay(to);
    if (firstFull == lastFull &&
        (from != firstDayOfMonthKey(firstFull) || to != lastDayOfMonthKey(lastFull))) {
        if (auto st = postings(from, to); !st) return R::failure(st.error());
        return out;
    }
    if (from != firstDayOfMonthKey(firstFull)) {
        if (auto st = postings(from, lastDayOfMonthKey(firstFull)); !st) {
            return R::failure(st.error());
        }
        ++firstFull;
    }
    if (to != lastDayOfMonthKey(lastFull)) {
        if (auto st = postings(firstDayOfMonthKey(lastFull), to); !st) {
            return R::failure(st.error());
        }
        --lastFull;
    }
    if (firstFull <= lastFull) {
        auto r = db_.runNative(
            "select nr_konta, sum(obroty_wn), sum(obroty_ma) from OBROTY "
            "where id_firmy = ? and okres >= ? and okres <= ? group by nr_konta",
            {firm, std::to_string(firstFull), std::to_string(lastFull)});
        if (!r) return R::failure(r.error());
        add(*r);
    }
    if (overflow) return R::failure("Suma obrotów konta przekracza zakres kwot.");
    return out;
}

Status Books::rebuildTurnovers(int company) {
    if (auto st = db_.begin(); !st) return st;
    const std::string firm = std::to_string(company);
    auto r = db_.runNative("delete from OBROTY where id_firmy = ?", {firm});
    if (!r) {
        db_.rollback();
        return Status::failure(r.error());
    }
    auto rows = db_.runNative(
        "select nr_konta, data, kwota_wn, kwota_ma from KSIEGOWANIA where id_firmy = ?", {firm});
    if (!rows) {
        db_.rollback();
        return Status::failure(rows.error());
    }
    std::map<std::pair<std::string, int>, AccountTotals> months;
    for (const auto& row : rows->rows) {
        AccountTotals& t = months[{row[0].value_or(""), monthKeyOfDay(std::stoi(row[1].value_or("0")))}];
        if (!addGrosze(t.debit, row[2]) || !addGrosze(t.credit, row[3])) {
            db_.rollback();
            return Status::failure("Suma księgowań konta " + row[0].value_or("") +
                                   " przekracza zakres kwot.");
        }
    }
    for (const auto& [key, t] : months) {
        auto ins = db_.runNative(
            "insert into OBROTY (id_firmy, nr_konta, okres, obroty_wn, obroty_ma) "
            "values (?, ?, ?, ?, ?)",
            {firm, key.first, std::to_string(key.second), std::to_string(t.debit),
             std::to_string(t.credit)});
        if (!ins) {
            db_.rollback();
            return Status::failure(ins.error());
        }
    }
    return db_.commit();
}

Result<long long> Books::importFile(int company, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Result<long long>::failure("Nie można otworzyć pliku " + path);
    std::stringstream text;
    text << in.rdbuf();
    return importText(company, text.str());
}

Result<long long> Books::importText(int company, std::string_view text) {
    using R = Result<long long>;
    auto chartNow = chart(company);
    if (!chartNow) return R::failure(chartNow.error());
    std::set<std::string> accounts = std::move(*chartNow);
    if (auto problem = bookTextEncodingProblem(text.substr(0, 512)); !problem.empty())
        return R::failure(problem);
    if (auto st = db_.begin(); !st) return R::failure(st.error());
    long long count = 0;
    BookTextLines lines([&](std::string_view line, std::size_t number) -> Status {
        auto record = parseBookTextLine(line, number == 1);
        if (!record) return Status::failure(record.error());
        if (!*record) return {};
        if (const auto* a = std::get_if<BookTextAccount>(&**record)) {
            if (auto st = addAccount(company, a->account, a->name); !st) return st;
            accounts.insert(a->account);
            return {};
        }
        const auto& p = std::get<Posting>(**record);
        if (accounts.count(p.account) == 0) {
            return Status::failure("konto " + shownValue(p.account) + " nie występuje w planie kont");
        }
        if (auto st = insertPosting(company, p); !st) return st;
        ++count;
        return {};
    });
    Status read = lines.feed(text);
    if (read) read = lines.finish();
    if (!read) {
        db_.rollback();
        return R::failure("Wiersz " + std::to_string(lines.lineNumber()) + ": " + read.error());
    }
    if (auto st = db_.commit(); !st) return R::failure(st.error());
    return count;
}

}  // namespace refhost::db
