#include "refhost/db/procedures.h"

#include "citforms/values/book_values.h"
#include "citforms/values/text.h"
#include "refhost/db/books.h"

namespace refhost::db {

using citforms::values::exactGrosze;
using citforms::values::groszeText;
using citforms::values::toDate;
using citforms::values::today;

namespace {

using citforms::values::parseInteger;
using citforms::values::upperAscii;
using sql::HostDatabase;
using sql::Literal;
using sql::QueryResult;
using R = Result<QueryResult>;

// What a procedure takes, argument by argument; checked before the procedure runs.
enum class ArgKind { Integer, Text };
struct ArgDef {
    const char* name;
    ArgKind kind;
    bool optional = false;  // may be left off at the end of the call
};

// The arguments of a call, checked against the procedure's list: integer(i) of an Integer
// argument and text(i) of any; NULL or a left-off optional one reads as 0 or "".
class Args {
public:
    long long integer(std::size_t i) const {
        return i < values_.size() && values_[i] ? *parseInteger<long long>(*values_[i]) : 0;
    }
    std::string text(std::size_t i) const {
        return i < values_.size() && values_[i] ? *values_[i] : std::string();
    }

private:
    friend Result<Args> checkArguments(const char*, const std::vector<ArgDef>&,
                                       const std::vector<Literal>&);
    std::vector<std::optional<std::string>> values_;
};

// The one check of every call: the count, and a whole number where the list wants one (a
// string of digits is accepted as well).
Result<Args> checkArguments(const char* procedure, const std::vector<ArgDef>& defs,
                            const std::vector<Literal>& literals) {
    std::size_t required = 0;
    for (const ArgDef& d : defs) required += d.optional ? 0 : 1;
    if (literals.size() < required || literals.size() > defs.size()) {
        const std::string expected =
            required == defs.size() ? std::to_string(required)
                                    : std::to_string(required) + "–" + std::to_string(defs.size());
        return Result<Args>::failure(std::string(procedure) + ": oczekiwano " + expected +
                                     " argumentów, podano " + std::to_string(literals.size()));
    }
    Args out;
    for (std::size_t i = 0; i < literals.size(); ++i) {
        const Literal& l = literals[i];
        if (l.kind == Literal::Kind::Null) {
            out.values_.emplace_back();
            continue;
        }
        if (defs[i].kind == ArgKind::Integer && !parseInteger<long long>(l.text)) {
            return Result<Args>::failure(std::string(procedure) + ": argument " +
                                         std::to_string(i + 1) + " (" + defs[i].name +
                                         ") nie jest liczbą całkowitą: " + l.text);
        }
        out.values_.emplace_back(l.text);
    }
    return out;
}

QueryResult oneValue(std::string column, std::string value) {
    QueryResult r;
    r.columns.push_back(std::move(column));
    r.rows.push_back({std::move(value)});
    return r;
}

std::string str(long long v) { return std::to_string(v); }

std::optional<std::string> firstValue(const QueryResult& r) {
    if (r.rows.empty() || r.rows[0].empty()) return std::nullopt;
    return r.rows[0][0];
}

// Statement codes of CIT-8 (23) that moved in CIT-8 (24); CIT-8/O codes stayed.
std::string code72to73(const std::string& code) {
    if (code.empty() || code[0] == 'O' || code[0] == 'o') return code;
    const std::optional<int> parsed = parseInteger<int>(code);
    if (!parsed) return code;
    const int n = *parsed;
    if (n >= 30 && n <= 39) return std::to_string(n + 1);
    if ((n >= 53 && n <= 55) || n == 91 || n == 142) return std::to_string(n + 3);
    return code;
}

Status copyDefaultDefinitions(HostDatabase& db, long long id, long long templateId) {
    auto r = db.runNative(
        "insert into ZESTAWIENIE_DEFINICJA (id_deklaracje_nag, rodzaj, kod, lp, maska, miara, "
        "znak) select ?, rodzaj, kod, lp, maska, miara, znak from ZESTAWIENIE_DEFINICJA_WZORCA "
        "where id_deklaracje_wzorzec = ?",
        {str(id), str(templateId)});
    return r ? Status() : Status::failure(r.error());
}

// The pattern's definitions when it is of the same template (or of CIT-8 (23) for a
// CIT-8 (24), with the codes moved); else, or when the pattern has none, the default set.
Status copyDefinitions(HostDatabase& db, long long id, long long templateId, long long pattern) {
    if (pattern != 0) {
        auto t = db.runNative(
            "select ID_DEKLARACJE_WZORZEC from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = ?",
            {str(pattern)});
        if (!t) return Status::failure(t.error());
        if (t->rows.empty()) {
            return Status::failure("Brak deklaracji o identyfikatorze " + str(pattern) +
                                   ", z której miały być skopiowane definicje zestawień.");
        }
        const long long patternTemplate = parseInteger<long long>(firstValue(*t).value_or("0")).value_or(0);
        if (patternTemplate == templateId) {
            auto r = db.runNative(
                "insert into ZESTAWIENIE_DEFINICJA (id_deklaracje_nag, rodzaj, kod, lp, maska, "
                "miara, znak) select ?, rodzaj, kod, lp, maska, miara, znak from "
                "ZESTAWIENIE_DEFINICJA where id_deklaracje_nag = ?",
                {str(id), str(pattern)});
            if (!r) return Status::failure(r.error());
            if (r->rowsAffected > 0) return {};
        } else if (patternTemplate == 72 && templateId == 73) {
            auto rows = db.runNative(
                "select rodzaj, kod, lp, maska, miara, znak from ZESTAWIENIE_DEFINICJA "
                "where id_deklaracje_nag = ?",
                {str(pattern)});
            if (!rows) return Status::failure(rows.error());
            for (const auto& row : rows->rows) {
                auto r = db.runNative(
                    "insert into ZESTAWIENIE_DEFINICJA (id_deklaracje_nag, rodzaj, kod, lp, "
                    "maska, miara, znak) values (?, ?, ?, ?, ?, ?, ?)",
                    {str(id), row[0], code72to73(row[1].value_or("")), row[2], row[3], row[4],
                     row[5]});
                if (!r) return Status::failure(r.error());
            }
            if (!rows->rows.empty()) return {};
        }
    }
    return copyDefaultDefinitions(db, id, templateId);
}

R ZESTAWIENIE_DEKLARACJA_DODAJ(HostDatabase& db, const Args& a) {
    const long long company = a.integer(0);
    const long long partner = a.integer(1);
    const long long user = a.integer(2);
    const long long templateId = a.integer(3);
    const long long period = a.integer(4);
    const long long pattern = a.integer(5);

    // The write lock is taken at the start, so the maxima read below stay valid until the
    // header is in.
    if (auto st = db.begin(); !st) return R::failure(st.error());
    auto fail = [&](const std::string& message) {
        db.rollback();
        return R::failure(message);
    };
    // Writers outside the host's transactions (another program on the same server) must
    // not take the numbers either.
    if (auto st = db.lockForNumbering("DEKLARACJE_NAG"); !st) return fail(st.error());
    auto form = db.runNative("select TYP from DEKLARACJE_WZORZEC where ID_DEKLARACJE_WZORZEC = ?",
                             {str(templateId)});
    if (!form) return fail(form.error());
    if (form->rows.empty()) return fail("Brak wzorca deklaracji o numerze " + str(templateId) + ".");
    const std::string info2 = firstValue(*form).value_or("");

    // An id is never given again: not while rows of an earlier declaration under it remain
    // (the definitions of a header removed by hand or by another program), nor after its
    // header was deleted (the mark in NUMERACJA, raised by every header inserted).
    auto nextId = db.runNative(
        "select max(n) + 1 from (select coalesce(max(ID_DEKLARACJE_NAG), 0) as n from "
        "DEKLARACJE_NAG union all select coalesce(max(ID_DEKLARACJE_NAG), 0) from "
        "ZESTAWIENIE_DEFINICJA union all select coalesce(max(ID_DEKLARACJE_NAG), 0) from "
        "DEKLARACJE_POZ union all select coalesce(max(ID_DEKLARACJE_NAG), 0) from "
        "DEKLARACJE_ZALACZNIK union all select coalesce(max(ostatni), 0) from NUMERACJA) ids");
    if (!nextId) return fail(nextId.error());
    const std::string id = firstValue(*nextId).value_or("1");
    auto nextLp = db.runNative(
        "select coalesce(max(LP), 0) + 1 from DEKLARACJE_NAG where ID_FIRMY = ? and "
        "DATA_OKRESU = ? and INFO_2 = ?",
        {str(company), str(period), info2});
    if (!nextLp) return fail(nextLp.error());
    auto userCode = db.runNative("select id_uzyt from UZYTKOWNICY where id_uzytkownika = ?",
                                 {str(user)});
    if (!userCode) return fail(userCode.error());
    // A user missing from the register is recorded by number, never as an empty text.
    const std::string userText = firstValue(*userCode).value_or("U" + str(user));

    auto inserted = db.runNative(
        "insert into DEKLARACJE_NAG (ID_DEKLARACJE_WZORZEC, ID_DEKLARACJE_NAG, ID_FIRMY, "
        "DATA_OKRESU, ID_UDZIALOWCA, NR_DEKLARACJI, DATA_SYSTEMOWA, DATA_SYSTEMOWA_P, ID_UZYT, "
        "ID_UZYT_P, BLOKADA, LP, STATUS_2, INFO_2) values (?, ?, ?, ?, ?, 0, ?, 0, ?, '', '', "
        "?, 0, ?)",
        {str(templateId), id, str(company), str(period), str(partner), str(today()),
         userText.empty() ? "U" + str(user) : userText,
         firstValue(*nextLp).value_or("1"), info2});
    if (!inserted) return fail(inserted.error());
    if (auto st = copyDefinitions(db, parseInteger<long long>(id).value_or(0), templateId, pattern); !st) {
        return fail(st.error());
    }
    if (auto st = db.commit(); !st) return R::failure(st.error());
    return oneValue("ID_DEKLARACJE_NAG", id);
}

Status addMessage(HostDatabase& db, long long user, const std::string& text) {
    auto r = db.runNative(
        "insert into KOMUNIKAT (kontekst, id_uzytkownika, tekst, data) values ('ZESTAW', ?, ?, ?)",
        {str(user), text, str(today())});
    return r ? Status() : Status::failure(r.error());
}

R ZESTAWIENIE_DD_OBLICZ(HostDatabase& db, const Args& a) {
    const long long company = a.integer(0);
    const long long from = a.integer(1);
    const long long to = a.integer(2);
    const long long declaration = a.integer(3);
    const std::string code = a.text(4);
    const long long user = a.integer(5);

    auto rows = db.runNative(
        "select maska, miara, znak from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag = ? and "
        "rodzaj = 'DD' and kod = ? order by lp",
        {str(declaration), code});
    if (!rows) return R::failure(rows.error());

    if (auto st = db.begin(); !st) return R::failure(st.error());
    auto fail = [&](const std::string& message) {
        db.rollback();
        return R::failure(message);
    };
    std::vector<StatementTerm> terms;
    for (const auto& row : rows->rows) {
        const std::string mask = row[0].value_or("");
        const std::string measureText = row[1].value_or("");
        auto measure = parseMeasure(measureText);
        if (!measure) {
            if (auto st = addMessage(db, user, "Pole " + code + ": nieznana miara „" +
                                                   measureText + "” dla maski " + mask + ".");
                !st) {
                return fail(st.error());
            }
            continue;
        }
        const int sign = termSign(row[2].value_or("1"));
        terms.push_back(StatementTerm{mask, *measure, sign});
    }
    std::int64_t amount = 0;
    if (rows->rows.empty()) {
        if (auto st = addMessage(db, user, "Brak definicji zestawienia dla pola " + code + ".");
            !st) {
            return fail(st.error());
        }
    } else {
        Books books(db);
        auto chart = books.chart(static_cast<int>(company));
        if (!chart) return fail(chart.error());
        auto totals = books.totals(static_cast<int>(company), static_cast<int>(from),
                                   static_cast<int>(to));
        if (!totals) return fail(totals.error());
        const Evaluation e = evaluate(terms, *chart, *totals);
        if (e.overflow) return fail("Kwota zestawienia pola " + code + " przekracza zakres kwot.");
        amount = e.amount;
        for (const std::string& mask : e.unmatchedMasks) {
            if (auto st = addMessage(db, user, "Pole " + code + ": maska konta „" + mask +
                                                   "” nie pasuje do żadnego konta planu kont.");
                !st) {
                return fail(st.error());
            }
        }
    }
    if (auto st = db.commit(); !st) return R::failure(st.error());
    return oneValue("KWOTA", groszeText(amount));
}

// Masks of an income-source definition: one or more, separated by commas.
std::vector<StatementTerm> termsOf(const std::string& masks, Measure measure) {
    std::vector<StatementTerm> out;
    std::size_t pos = 0;
    while (pos <= masks.size()) {
        std::size_t end = masks.find(',', pos);
        if (end == std::string::npos) end = masks.size();
        std::string m = masks.substr(pos, end - pos);
        while (!m.empty() && m.front() == ' ') m.erase(m.begin());
        while (!m.empty() && m.back() == ' ') m.pop_back();
        if (!m.empty()) out.push_back(StatementTerm{m, measure, 1});
        pos = end + 1;
    }
    return out;
}

R DEKLARACJE_OBLICZ_SUME(HostDatabase& db, const Args& a) {
    const long long company = a.integer(0);
    const long long partner = a.integer(1);
    const long long definition = a.integer(2);
    const long long after = a.integer(3);  // callers pass the day before the period
    const long long to = a.integer(4);
    const long long kind = a.integer(5);

    if (kind == 1) {
        auto rows = db.runNative(
            "select operator, wartosc, id_deklaracje_skladowe_o from DEKLARACJE_SKLADOWE_O "
            "where id_deklaracje_odliczenie = ? and id_firmy = ? and id_udzialowca = ? and "
            "data_odliczenia > ? and data_odliczenia <= ?",
            {str(definition), str(company), str(partner), str(after), str(to)});
        if (!rows) return R::failure(rows.error());
        std::int64_t sum = 0;
        for (const auto& row : rows->rows) {
            const std::string op = row[0].value_or("+");
            auto value = exactGrosze(row[1].value_or(""));
            if (!value) {
                return R::failure("Składnik odliczenia " + row[2].value_or("") +
                                  " ma niepoprawną kwotę: " + row[1].value_or(""));
            }
            if (op == "+" || op.empty()) {
                sum += *value;
            } else if (op == "-") {
                sum -= *value;
            } else {
                return R::failure("Składnik odliczenia " + row[2].value_or("") +
                                  " ma nieobsługiwany operator: " + op);
            }
        }
        return oneValue("KWOTA", groszeText(sum));
    }
    if (kind == 0) {
        auto def = db.runNative(
            "select maska_przychodow, maska_kosztow from DEKLARACJE_DOCHOD where "
            "id_deklaracje_dochod = ? and id_firmy = ?",
            {str(definition), str(company)});
        if (!def) return R::failure(def.error());
        std::int64_t revenue = 0;
        std::int64_t costs = 0;
        if (!def->rows.empty()) {
            Books books(db);
            auto chart = books.chart(static_cast<int>(company));
            if (!chart) return R::failure(chart.error());
            auto totals = books.totals(static_cast<int>(company), static_cast<int>(after + 1),
                                       static_cast<int>(to));
            if (!totals) return R::failure(totals.error());
            const Evaluation r =
                evaluate(termsOf(def->rows[0][0].value_or(""), Measure::CreditBalance), *chart,
                         *totals);
            const Evaluation c =
                evaluate(termsOf(def->rows[0][1].value_or(""), Measure::DebitBalance), *chart,
                         *totals);
            std::int64_t income = 0;
            if (r.overflow || c.overflow || __builtin_sub_overflow(r.amount, c.amount, &income)) {
                return R::failure("DEKLARACJE_OBLICZ_SUME: kwota przekracza zakres kwot.");
            }
            revenue = r.amount;
            costs = c.amount;
        }
        QueryResult r;
        r.columns = {"PRZYCHOD", "KOSZTY", "DOCHOD"};
        r.rows.push_back({groszeText(revenue), groszeText(costs),
                          groszeText(revenue - costs)});
        return r;
    }
    return R::failure("DEKLARACJE_OBLICZ_SUME: nieznany rodzaj " + str(kind) +
                      " (1 = odliczenia, 0 = dochody)");
}

R TG_UPGRADE7810_PITCIT(HostDatabase& db, const Args& a) {
    const long long id = a.integer(0);
    auto t = db.runNative(
        "select ID_DEKLARACJE_WZORZEC from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = ?", {str(id)});
    if (!t) return R::failure(t.error());
    if (t->rows.empty()) return R::failure("Brak deklaracji o identyfikatorze " + str(id) + ".");
    if (auto st = db.begin(); !st) return R::failure(st.error());
    auto del = db.runNative("delete from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag = ?",
                            {str(id)});
    if (!del) {
        db.rollback();
        return R::failure(del.error());
    }
    if (auto st = copyDefaultDefinitions(db, id, parseInteger<long long>(firstValue(*t).value_or("0")).value_or(0));
        !st) {
        db.rollback();
        return R::failure(st.error());
    }
    if (auto st = db.commit(); !st) return R::failure(st.error());
    return oneValue("WYNIK", "1");
}

R TG_GetMalyPodatnikStan(HostDatabase& db, const Args& a) {
    const long long company = a.integer(0);
    const long long day = a.integer(1);
    const int year = static_cast<int>(toDate(static_cast<int>(day)).year());
    auto r = db.runNative("select stan from MALY_PODATNIK where id_firmy = ? and rok = ?",
                          {str(company), str(year)});
    if (!r) return R::failure(r.error());
    const std::string state = firstValue(*r).value_or("0") == "1" ? "1" : "0";
    return oneValue("STAN", state);
}

}  // namespace

const sql::ProcedureSet& hostProcedures() {
    using K = ArgKind;
    struct Def {
        const char* name;
        bool function;  // called as "select NAME(...)" rather than "CALL NAME (...)"
        std::vector<ArgDef> args;
        R (*body)(HostDatabase&, const Args&);
    };
    static const std::vector<Def> kProcedures = {
        {"ZESTAWIENIE_DEKLARACJA_DODAJ", false,
         {{"firma", K::Integer}, {"udzialowiec", K::Integer}, {"uzytkownik", K::Integer},
          {"wzorzec", K::Integer}, {"okres", K::Integer}, {"wzor", K::Integer}},
         ZESTAWIENIE_DEKLARACJA_DODAJ},
        {"ZESTAWIENIE_DD_OBLICZ", false,
         {{"firma", K::Integer}, {"od", K::Integer}, {"do", K::Integer},
          {"deklaracja", K::Integer}, {"kod", K::Text}, {"uzytkownik", K::Integer},
          {"opcje", K::Text, true}},
         ZESTAWIENIE_DD_OBLICZ},
        {"DEKLARACJE_OBLICZ_SUME", false,
         {{"firma", K::Integer}, {"udzialowiec", K::Integer}, {"definicja", K::Integer},
          {"po", K::Integer}, {"do", K::Integer}, {"rodzaj", K::Integer},
          {"podatek", K::Text, true}},
         DEKLARACJE_OBLICZ_SUME},
        {"TG_UPGRADE7810_PITCIT", false, {{"deklaracja", K::Integer}}, TG_UPGRADE7810_PITCIT},
        {"TG_GetMalyPodatnikStan", true, {{"firma", K::Integer}, {"dzien", K::Integer}},
         TG_GetMalyPodatnikStan},
    };
    static const sql::ProcedureSet set = [] {
        sql::ProcedureSet out;
        for (const Def& d : kProcedures) {
            sql::HostRoutine routine = [&d](HostDatabase& db, const std::vector<Literal>& literals) {
                auto args = checkArguments(d.name, d.args, literals);
                return args ? d.body(db, *args) : R::failure(args.error());
            };
            (d.function ? out.functions : out.procedures)[upperAscii(d.name)] = routine;
        }
        return out;
    }();
    return set;
}

}  // namespace refhost::db
