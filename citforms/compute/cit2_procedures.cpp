#include "citforms/compute/cit2_procedures.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "citforms/compute/statement_runner.h"
#include "citforms/forms/form.h"
#include "citforms/state/company_data.h"
#include "citforms/store/busy_cursor.h"
#include "citforms/store/declaration_load.h"
#include "citforms/values/day_number.h"
#include "citforms/values/picture.h"
#include "citforms/values/text.h"

namespace citforms::compute {

using values::Decimal;
using values::max0;
using values::round0;

namespace {

// 1 January 2017: fiscal years starting from it may have the small taxpayers' rate.
constexpr values::DayNumber kSmallTaxpayerRateFrom = 78897;

const char* const kCit2 = "CIT-2";
const char* const kCit2o = "CIT-2/O";

// A value cut to `cap` when it is above 0 and above the cap; a negative cap is taken as it is.
Decimal capPositive(const Decimal& value, const Decimal& cap) {
    return value > Decimal() && value > cap ? cap : value;
}

std::int32_t number(const std::string& text) {
    return store::parseStoredNumber(text).value_or(0);
}

// Where the statement positions take their amounts from.
enum class Source {
    Statements,  // the statements of the host database
    Fields,      // the amounts the fields hold (recalculation)
};

// Only declarations of a CIT-2 template.
const char* const kCit2TemplatesOnly =
    " AND id_deklaracje_wzorzec in (select w.id_deklaracje_wzorzec from DEKLARACJE_WZORZEC w "
    "where w.typ='CIT-2')";

// The declaration id a query finds first; 0 for none, or when the query fails (a warning).
std::int32_t firstId(StatementRunner& run, const std::string& sql) {
    host::UtilityLibrary& u = run.utility();
    if (!u.EXECVAX(sql)) {
        run.warn(u.fileErrorText());
        return 0;
    }
    host::ResultRow row;
    return run.data().result(host::ResultFileId::VAX_FK).next(row) ? number(row.column(0)) : 0;
}

// The declaration a template-35 CIT-2 continues from, and its stored values.
class PreviousDeclaration {
public:
    PreviousDeclaration(StatementRunner& run, std::int32_t id) : run_(run), id_(id) {}
    // A previous declaration that could not be looked up: every value taken from it is named
    // as not computed, with `why`.
    static PreviousDeclaration unreadable(StatementRunner& run, std::string why) {
        PreviousDeclaration p(run, 0);
        p.unreadable_ = std::move(why);
        return p;
    }
    std::int32_t id() const { return id_; }

    // Its amount at `position` of `sheet`, for the position `into` of the same sheet; 0
    // without a previous declaration, or when the value cannot be read (a failing query
    // leaves `into` named as not computed).
    Decimal amount(int position, int sheet, int into) {
        if (unreadable_) run_.noteFailure(sheet == 0 ? kCit2 : kCit2o, into, *unreadable_);
        if (id_ == 0) return Decimal();
        host::UtilityLibrary& u = run_.utility();
        if (!u.EXECVAX("select isnull(wartosc_pola,0) from DEKLARACJE_POZ where "
                       "id_deklaracje_nag=" +
                       std::to_string(id_) + " AND nr_zalacznika=" + std::to_string(sheet) +
                       " AND nr_pola='" + std::to_string(position) + "'")) {
            run_.noteFailure(sheet == 0 ? kCit2 : kCit2o, into, u.fileErrorText());
            return Decimal();
        }
        host::ResultRow row;
        if (!run_.data().result(host::ResultFileId::VAX_FK).next(row)) return Decimal();
        return Decimal::parse(values::trim(row.column(0), " ")).value_or(Decimal());
    }
    // Its text at `position` of the main form, blanks around it removed; empty without one.
    std::string text(int position) {
        if (unreadable_) run_.noteFailure(kCit2, position, *unreadable_);
        if (id_ == 0) return {};
        host::UtilityLibrary& u = run_.utility();
        if (!u.EXECVAX("select 1,wartosc_pola from DEKLARACJE_POZ where id_deklaracje_nag=" +
                       std::to_string(id_) + " AND nr_zalacznika=0 AND nr_pola='" +
                       std::to_string(position) + "'")) {
            run_.noteFailure(kCit2, position, u.fileErrorText());
            return {};
        }
        host::ResultRow row;
        if (!run_.data().result(host::ResultFileId::VAX_FK).next(row)) return {};
        return std::string(values::trim(row.column(1), " "));
    }

private:
    StatementRunner& run_;
    std::int32_t id_;
    std::optional<std::string> unreadable_;
};

// The previous declaration of a template-35 CIT-2 of period `period`: the CIT-2 of the
// period one step back (three months for a quarterly payer). None when that month lies
// before the fiscal year's first month or the declaration's own month is the first; when it
// is missing the person is told and the computation goes on without it.
PreviousDeclaration findPrevious35(StatementRunner& run, std::int32_t period, bool quiet) {
    host::UtilityLibrary& u = run.utility();
    const ComputationContext& c = run.context();
    const std::string company = std::to_string(c.companyId);
    const std::string quarterly =
        u.FUNCVAY("select KWARTALNY_PDO from FIRMA where id_firmy=" + company);
    if (u.errorStatus().code != 0) return PreviousDeclaration::unreadable(run, u.fileErrorText());
    const int step = number(quarterly) == 1 ? 3 : 1;
    const values::DayNumber firstMonth = values::firstDayOfMonth(c.periodStart);
    const values::DayNumber own = values::firstDayOfMonth(period);
    const values::DayNumber before = values::addMonths(own, -step);
    if (own <= firstMonth || before < firstMonth) return PreviousDeclaration(run, 0);
    const values::DayNumber previousPeriod = values::secondOfMonth(before);
    const std::string sql =
        "select top 1 isnull(id_deklaracje_nag,0) from DEKLARACJE_NAG where id_firmy=" + company +
        kCit2TemplatesOnly + " AND data_okresu=" + std::to_string(previousPeriod) +
        " order by data_okresu Desc, lp desc";
    if (!u.EXECVAX(sql)) return PreviousDeclaration::unreadable(run, u.fileErrorText());
    host::ResultRow row;
    const std::int32_t id =
        run.data().result(host::ResultFileId::VAX_FK).next(row) ? number(row.column(0)) : 0;
    if (id == 0) {
        const std::string missing =
            "Brak deklaracji CIT-2 za okres od " + values::formatDayMonthYear(c.periodStart) +
            " do " + values::formatDayMonthYear(values::lastDayOfMonth(before)) + ".";
        if (quiet) {
            run.warn(missing);
        } else {
            u.MSG_INF(missing);
        }
    }
    return PreviousDeclaration(run, id);
}

// The positions of template 35 in their order of computation.
class Advance35 {
public:
    Advance35(store::DeclarationFields& fields, StatementRunner& run, Source source)
        : cit2_(fields.main()), o_(fields.form(kCit2o)), run_(run), source_(source) {}

    // Judging instead of computing: every rule reads the amounts as they stand and what it
    // gives is kept in `given` (nothing is written), the missing previous declaration is a
    // warning of the runner instead of a message.
    void judgeInto(Cit2RuleCheck& given) { given_ = &given; }
    // Every value the rules read and write passes `probe` (compute/rule_probe.h).
    void probeWith(RuleProbe& probe) { probe_ = &probe; }

    void compute(std::int32_t period) {
        const ComputationContext& c = run_.context();
        cit2_[4].setText(std::to_string(c.periodStart));
        cit2_[5].setText(std::to_string(c.periodEnd));
        PreviousDeclaration previous = findPrevious35(run_, period, given_ != nullptr);
        std::string rateWarning;
        const Decimal rate =
            cit2Rate35(run_.utility(), c.companyId, c.periodStart, c.periodEnd, rateWarning);
        if (!rateWarning.empty()) run_.warn(rateWarning);

        for (int p : {19, 20, 21}) statement(cit2_, kCit2, p, std::to_string(p));
        const Decimal revenue = v(19) + v(20);
        set(22, max0(revenue - v(21)));
        set(23, max0(v(21) - revenue));
        set(24, Decimal());
        if (v(23).isZero()) {
            set(25, v(22) + v(24));
        } else if (v(22).isZero() && v(24) > v(23)) {
            set(25, v(24) - v(23));
        } else {
            set(25, Decimal());
        }
        set(26, v(23) > v(24) ? v(23) - v(24) : Decimal());

        attachmentFirstPass(previous);
        set(27, o(16));
        set(28, capPositive(o(23), v(25) - v(27)));
        set(29, capPositive(o(26), v(25) - (v(27) + v(28))));
        set(30, v(27) + v(28) + v(29));
        set(31, o(27));
        for (int p : {32, 33}) statement(cit2_, kCit2, p, std::to_string(p));
        set(34, v(32) + v(33));
        Decimal base;
        if (v(25) > Decimal()) {
            base = v(25) - v(30) - v(31) + v(34);
        } else if (v(25).isZero() && v(26) < v(34)) {
            base = v(34) - (v(26) + v(30));
        }
        set(35, round0(max0(base)));
        set(36, max0((v(26) + v(30) + v(31)) - (v(25) + v(34))));
        set(37, rate);
        set(38, v(35) * v(37) / Decimal(100));
        set(39, std::min(o(38), v(38)));
        set(40, round0(v(38) - v(39)));
        set(41, previous.amount(43, 0, 41));
        set(42, max0(v(40) - v(41)));
        set(43, v(41) + v(42));

        // Second pass of the attachment: what remains of the previous reliefs, then O-44.
        setO(43, std::min(o(41) - o(42), v(42)));
        statement(o_, kCit2o, 44, "O44");

        set(44, o(43));
        set(45, v(42) - v(44));
        set(46, previous.amount(46, 0, 46));
        // The tax on position 46 at the rate of position 37, as the form's label says.
        set(47, v(46) * v(37) / Decimal(100));
        set(48, previous.amount(48, 0, 48));
        set(49, previous.amount(49, 0, 49));
        for (int p : {50, 51, 52}) cit2_[p].setText("0");
        cit2_[53].setText(previous.text(53));
        cit2_[54].setText(previous.text(54));
        cit2_[55].setDay(c.today);
        cit2_[56].setText(previous.text(56));
    }

private:
    void attachmentFirstPass(PreviousDeclaration& previous) {
        for (int p : {7, 8, 9, 10, 11, 12, 13, 15}) statementO(p);
        setO(16, o(7) + o(8) + o(9) + o(10) + o(11) + o(12) + o(13) + o(15));
        statementO(17);
        statementO(18);
        const Decimal limit18 = Decimal(10) * v(25) / Decimal(100) - o(16);
        if (o(18) > Decimal() && o(18) > limit18) setO(18, max0(limit18));
        for (int p : {19, 20, 22}) statementO(p);
        setO(23, o(17) + o(18) + o(19) + o(20) + o(22));
        for (int p : {24, 25}) statementO(p);
        setO(26, o(24) + o(25));
        for (int p : {27, 28, 29, 31, 34, 37}) statementO(p);
        setO(38, o(28) + o(29) + o(31) + o(34) + o(37));
        statementO(41);
        setO(42, previous.amount(42, 1, 42) + previous.amount(43, 1, 42));
    }

    // A statement position: 0, then the statement's amount; in a recalculation it keeps the
    // amount it holds.
    void statement(store::FieldSet& set, const char* form, int position, const std::string& code) {
        if (source_ == Source::Fields) return;
        write(set, position, Decimal());
        if (const auto amount = run_.field(form, position, code)) write(set, position, *amount);
    }
    void statementO(int position) { statement(o_, kCit2o, position, "O" + std::to_string(position)); }

    static Decimal read(const store::FieldSet& set, int position) {
        return set.has(position) ? set[position].decimal() : Decimal();
    }
    static void write(store::FieldSet& set, int position, const Decimal& value) {
        if (set.has(position)) set[position].setDecimal(value, values::Rounding::HalfAwayFromZero);
    }
    Decimal v(int position) const {
        return probe_ != nullptr ? probe_->read(kCit2, position, read(cit2_, position))
                                 : read(cit2_, position);
    }
    Decimal o(int position) const {
        return probe_ != nullptr ? probe_->read(kCit2o, position, read(o_, position))
                                 : read(o_, position);
    }
    void set(int position, const Decimal& value) {
        if (probe_ != nullptr && !probe_->write(kCit2, position, value)) return;
        if (given_ != nullptr) {
            given_->cit2[position] = value;
        } else {
            write(cit2_, position, value);
        }
    }
    void setO(int position, const Decimal& value) {
        if (probe_ != nullptr && !probe_->write(kCit2o, position, value)) return;
        if (given_ != nullptr) {
            given_->cit2o[position] = value;
        } else {
            write(o_, position, value);
        }
    }

    Cit2RuleCheck* given_ = nullptr;
    RuleProbe* probe_ = nullptr;
    store::FieldSet& cit2_;
    store::FieldSet& o_;
    StatementRunner& run_;
    Source source_;
};

ComputationContext contextOf(const host::HostBinding& host, std::int32_t yearStart,
                             std::int32_t period, std::int32_t declarationId) {
    const host::Globals& g = host.data->globals();
    ComputationContext c;
    c.companyId = g.DANE_ID_FIRMY;
    c.periodStart = yearStart;
    c.periodEnd = values::lastDayOfMonth(period);
    c.declarationId = declarationId;
    c.userNumber = g.DANE_ID_UZYTKOWNIKA_NR;
    c.today = g.DANE_DATA_BIEZACA > 0 ? g.DANE_DATA_BIEZACA : values::today();
    return c;
}

// The period date of a stored header; 0 when it cannot be read.
std::int32_t headerPeriod(host::UtilityLibrary& utility, std::int32_t id) {
    return number(utility.FUNCVAY("select data_okresu from DEKLARACJE_NAG where "
                                  "id_deklaracje_nag=" +
                                  std::to_string(id)));
}

// The period of the header could not be read (told, right after headerPeriod()): no
// statement runs over a period of day 0, and the amounts the declaration holds are named as
// not computed, so that none is saved.
bool periodUnread(const host::HostBinding& host, store::DeclarationFields& fields) {
    host::UtilityLibrary& u = *host.utility;
    if (u.errorStatus().code == 0) return false;
    u.MSG_OST("Nie odczytano okresu deklaracji: " + u.fileErrorText());
    fields.issues.failedStatements = {std::string(fields.main().list().formName()) + " poz. 5"};
    return true;
}

void run35(const host::HostBinding& host, store::DeclarationFields& fields,
           const ComputationContext& context, std::int32_t period, Source source) {
    StatementRunner run(*host.utility, *host.data, host.ui, context);
    {
        store::BusyCursor busy(host.ui);
        run.clearStatementMessages();
        Advance35(fields, run, source).compute(period);
    }
    fields.issues.failedStatements = run.failed();
    if (source == Source::Statements) run.finish();
    run.tell();
}

// ---- templates 3 and 31 to 34 ------------------------------------------------------------

// 2 December 2005: from this period on template 34 rounds to whole złoty.
constexpr values::DayNumber kRoundingFrom34 = 74849;
// The last declarations of the editions before templates 31 and 32: 2 July and 2 December 2002.
constexpr values::DayNumber kLastOf12 = 73600;
constexpr values::DayNumber kLastOf13 = 73753;

// The previous declaration of a CIT-2 of templates 3 to 34: the company's newest declaration
// of the same fiscal year dated before the period and less than 40 days before it (from
// template 32 on only a CIT-2). The period date is the 2nd of the month, so the month before
// is found and the declaration being computed is not; the first month of a fiscal year has
// none, whatever the year before ended with.
std::int32_t findPreviousOld(StatementRunner& run, std::int32_t templateId,
                             std::int32_t period) {
    const ComputationContext& c = run.context();
    const std::string p = std::to_string(period);
    const std::int32_t id = firstId(
        run, "select top 1 isnull(id_deklaracje_nag,0) from DEKLARACJE_NAG where id_firmy=" +
                 std::to_string(c.companyId) + " AND data_okresu<" + p + " AND " + p +
                 "-data_okresu<40 AND data_okresu>=" + std::to_string(c.periodStart) +
                 (templateId >= 32 ? kCit2TemplatesOnly : "") +
                 " order by id_firmy, data_okresu Desc");
    if (id == 0 && values::firstDayOfMonth(c.periodStart) != values::firstDayOfMonth(period)) {
        run.utility().MSG_INF("Brak deklaracji CIT-2 za poprzedni miesiąc.");
    }
    return id;
}

// The period and template of the previous declaration; nullopt when they cannot be read
// (a failing query is a warning).
struct PreviousHeader {
    std::int32_t period = 0;
    std::int32_t templateId = 0;
};

std::optional<PreviousHeader> previousHeader(StatementRunner& run, std::int32_t previous) {
    if (previous == 0) return std::nullopt;
    host::UtilityLibrary& u = run.utility();
    if (!u.EXECVAX("select data_okresu,1,1,id_deklaracje_wzorzec from DEKLARACJE_NAG where "
                   "id_deklaracje_nag=" +
                   std::to_string(previous))) {
        run.warn(u.fileErrorText());
        return std::nullopt;
    }
    host::ResultRow row;
    if (!run.data().result(host::ResultFileId::VAX_FK).next(row)) return std::nullopt;
    return PreviousHeader{number(row.column(0)), number(row.column(3))};
}

// Templates 31 and 32 look at the edition of the previous declaration: one of an older
// template other than the last return of that edition is announced.
void tellOlderEdition(StatementRunner& run, std::int32_t templateId,
                      const std::optional<PreviousHeader>& previous) {
    if (!previous || (templateId != 31 && templateId != 32)) return;
    if (previous->period == (templateId == 31 ? kLastOf12 : kLastOf13)) return;
    if (previous->templateId != 0 && previous->templateId < templateId) {
        run.utility().MSG_INF(
            std::string("Deklaracja z poprzedniego miesiąca zapisana była na podstawie "
                        "starego wzorca. W celu uzyskania poprawnych danych należy "
                        "wygenerować i zapisać ponownie wszystkie deklaracje, zaczynając "
                        "od deklaracji za ") +
            (templateId == 31 ? "08-2002." : "01-2003."));
    }
}

// Revenue, costs and income of the period summed over the company's income sources.
struct IncomeSums {
    Decimal revenue, costs, income;
};

IncomeSums sumIncomeSources(StatementRunner& run) {
    host::UtilityLibrary& u = run.utility();
    const ComputationContext& c = run.context();
    const std::string company = std::to_string(c.companyId);
    IncomeSums sums;
    if (!u.EXECVAX("select id_deklaracje_dochod, typ_dzialalnosci from DEKLARACJE_DOCHOD where "
                   "id_firmy=" +
                   company)) {
        u.MSG_OST(u.fileErrorText());
        return sums;
    }
    std::vector<std::string> definitions;
    host::ResultFile& rows = run.data().result(host::ResultFileId::VAX_FK);
    for (host::ResultRow row; rows.next(row);) definitions.push_back(row.column(0));
    for (const std::string& definition : definitions) {
        const std::string call = "CALL DEKLARACJE_OBLICZ_SUME (" + company + ",0," +
                                 std::string(values::trim(definition, " ")) + "," +
                                 std::to_string(c.periodStart - 1) + "," +
                                 std::to_string(c.periodEnd) + ",0,'CIT')";
        if (!u.EXECSQL1(call)) {
            u.MSG_OST(u.fileErrorText());
            continue;
        }
        host::ResultRow row;
        if (!run.data().result(host::ResultFileId::ZAPYTANIESQL1).next(row)) continue;
        const auto amount = [&](std::size_t column) {
            return Decimal::parse(values::trim(row.column(column), " ")).value_or(Decimal());
        };
        sums.revenue += amount(0);
        sums.costs += amount(1);
        sums.income += amount(2);
    }
    return sums;
}

// The deduction fields of the attachment (CIT-O, CIT-2/O) of templates 3 to 34: every position
// with a deduction definition for the template, in ascending order, takes the sum of its
// components dated in the period (after the day before the fiscal year, up to the end of the
// month); 0 when the sum gives no row. A failing sum leaves the field at 0.
void fillDeductions(StatementRunner& run, store::DeclarationFields& fields,
                    std::int32_t templateId) {
    store::FieldSet* attachment = nullptr;
    for (store::HeldForm& held : fields.forms()) {
        if (held.def->storage.kind == forms::StorageKind::Sheet && held.def->storage.sheet == 1) {
            attachment = &held.set;
        }
    }
    if (attachment == nullptr) return;
    host::UtilityLibrary& u = run.utility();
    const ComputationContext& c = run.context();
    if (!u.EXECSQL("select nr_pola from DEKLARACJE_ODLICZENIE where id_deklaracje_wzorzec=" +
                   std::to_string(templateId))) {
        run.warn(u.fileErrorText());
        return;
    }
    std::vector<int> positions;
    host::ResultFile& found = run.data().result(host::ResultFileId::ZAPYTANIESQL);
    for (host::ResultRow row; found.next(row);) {
        const std::int32_t position = number(row.column(0));
        if (attachment->has(position)) positions.push_back(position);
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    for (const int position : positions) {
        (*attachment)[position].setDecimal(Decimal(), values::Rounding::HalfAwayFromZero);
        if (!u.EXECSQL("select id_deklaracje_odliczenie from DEKLARACJE_ODLICZENIE where "
                       "id_deklaracje_wzorzec=" +
                       std::to_string(templateId) + " AND nr_pola='" +
                       std::to_string(position) + "'")) {
            continue;
        }
        host::ResultRow definition;
        if (!run.data().result(host::ResultFileId::ZAPYTANIESQL).next(definition)) continue;
        if (!u.EXECSQL1("CALL DEKLARACJE_OBLICZ_SUME (" + std::to_string(c.companyId) + ",0," +
                        std::string(values::trim(definition.column(0), " ")) + "," +
                        std::to_string(c.periodStart - 1) + "," + std::to_string(c.periodEnd) +
                        ",1,'CIT')")) {
            continue;
        }
        host::ResultRow sum;
        if (run.data().result(host::ResultFileId::ZAPYTANIESQL1).next(sum)) {
            (*attachment)[position].setDecimal(
                Decimal::parse(values::trim(sum.column(0), " ")).value_or(Decimal()),
                values::Rounding::HalfAwayFromZero);
        }
    }
}

// What templates 3 to 34 compute from the books. Their forms state no position for any of
// these amounts, so none is written: "Oblicz" shows them for the person to copy into the form.
struct OldComputation {
    IncomeSums sums;
    Decimal base;
    Decimal rate;
    Decimal tax;
    std::int32_t previous = 0;
    std::optional<PreviousHeader> previousHeader;
};

OldComputation computeOld(StatementRunner& run, std::int32_t templateId, std::int32_t period) {
    OldComputation r;
    r.previous = findPreviousOld(run, templateId, period);
    r.previousHeader = previousHeader(run, r.previous);
    tellOlderEdition(run, templateId, r.previousHeader);
    r.sums = sumIncomeSources(run);
    r.base = cit2WholeZloty(templateId, period, max0(r.sums.income));
    // The rate field of templates 3 and 31 has no stated position: the edition's default.
    r.rate = cit2RateOld(templateId, Decimal());
    r.tax = cit2WholeZloty(templateId, period, r.base * r.rate / Decimal(100));
    return r;
}

std::string shownAmount(const Decimal& amount) {
    static const values::Picture picture = *values::Picture::parse("N-19_`2");
    return values::formatNumber(picture, amount);
}

// The message of the computation, one line per amount ("|" between the lines).
std::string describe(const OldComputation& r, const ComputationContext& c) {
    static const values::Picture whole = *values::Picture::parse("N-14_");
    std::string text = "Wyliczenie za okres od " + values::formatDayMonthYear(c.periodStart) +
                       " do " + values::formatDayMonthYear(c.periodEnd) +
                       " (kwoty do przepisania do formularza):";
    text += "|Przychód: " + shownAmount(r.sums.revenue);
    text += "|Koszty uzyskania przychodu: " + shownAmount(r.sums.costs);
    if (r.sums.income < Decimal()) {
        text += "|Strata: " + shownAmount(-r.sums.income);
    } else {
        text += "|Dochód: " + shownAmount(r.sums.income);
    }
    text += "|Podstawa opodatkowania: " + shownAmount(r.base);
    text += "|Stawka podatku: " + values::formatNumber(whole, r.rate) + "%";
    text += "|Podatek: " + shownAmount(r.tax);
    text += "|Poprzednia deklaracja: ";
    if (r.previous == 0) {
        text += "brak";
    } else {
        text += "nr " + std::to_string(r.previous);
        if (r.previousHeader) {
            text += " z okresu " + values::formatDayMonthYear(r.previousHeader->period);
        }
    }
    return text;
}

}  // namespace

Decimal cit2WholeZloty(std::int32_t templateId, std::int32_t period, const Decimal& amount) {
    const bool rounds = templateId == 35 || (templateId == 34 && period >= kRoundingFrom34);
    return rounds ? round0(amount) : Decimal(amount.integerPart());
}

Decimal cit2RateOld(std::int32_t templateId, const Decimal& rateField) {
    switch (templateId) {
        case 32:
            return Decimal(27);
        case 33:
        case 34:
            return Decimal(19);
        default:
            return rateField.isZero() ? Decimal(28) : rateField;
    }
}

void OBLICZ_CIT_2_OLD(const host::HostBinding& host, const module::DeclarationState& state,
                      store::DeclarationFields& fields, bool /*refresh*/) {
    const std::int32_t id = state.CIT_ID_DEKLARACJI;
    const std::int32_t period = headerPeriod(*host.utility, id);
    if (periodUnread(host, fields)) return;
    StatementRunner run(*host.utility, *host.data, host.ui,
                        contextOf(host, state.CIT_POCZATEK_ROKU, period, id));
    OldComputation computed;
    {
        store::BusyCursor busy(host.ui);
        // Only the NIP and the period have a stated position in these editions.
        store::FieldSet& cit2 = fields.main();
        for (const int p17 : {4, 5}) {
            const auto p = cit2.list().form().fromNewest(p17);
            if (p && cit2.has(*p)) {
                cit2[*p].setText(std::to_string(p17 == 4 ? run.context().periodStart
                                                         : run.context().periodEnd));
            }
        }
        computed = computeOld(run, state.CIT_ID_WZORCA_CIT2, period);
        fillDeductions(run, fields, state.CIT_ID_WZORCA_CIT2);
    }
    run.tell();
    host.utility->MSG_INF(describe(computed, run.context()));
}

Decimal cit2Rate35(host::UtilityLibrary& utility, std::int32_t company, std::int32_t yearStart,
                   std::int32_t periodEnd, std::string& warning) {
    if (yearStart < kSmallTaxpayerRateFrom) return Decimal(19);
    const std::string small = utility.FUNCVAY("select dbo.TG_GetMalyPodatnikStan(" +
                                              std::to_string(company) + ", " +
                                              std::to_string(periodEnd) + ")");
    if (utility.errorStatus().code != 0) warning = utility.fileErrorText();
    return number(small) == 1 ? Decimal(15) : Decimal(19);
}

void OBLICZ_CIT_2_35(const host::HostBinding& host, const module::DeclarationState& state,
                     store::DeclarationFields& fields, bool /*refresh*/) {
    const std::int32_t id = state.CIT_ID_DEKLARACJI;
    const std::int32_t period = headerPeriod(*host.utility, id);
    if (periodUnread(host, fields)) return;
    run35(host, fields, contextOf(host, state.CIT_POCZATEK_ROKU, period, id), period,
          Source::Statements);
}

void PRZELICZ_CIT_2_OLD(const host::HostBinding& host, store::DeclarationFields& fields,
                        std::int32_t period) {
    header::CompanyData company;
    {
        store::BusyCursor busy(host.ui);
        company = header::loadCompanyData(*host.utility, *host.data,
                                          host.data->globals().DANE_ID_FIRMY, period);
        fillCit2Identification(fields, company);
    }
    header::tellWarnings(*host.utility, company);
}

void fillCit2Identification(store::DeclarationFields& fields, const header::CompanyData& c) {
    store::FieldSet& f = fields.main();
    f[1].setText(c.nip);
    header::CompanyPositions unread{{1}, {}, {}};
    if (fields.templateId() == 35) unread = {{1, 7, 8}, {10, 11, 12, 13, 14, 15, 16, 17, 18}, {6}};
    store::DeclarationIssues::replaceOf(fields.issues.failedReads, f.list().formName(),
                                        header::unreadPositions(c, f.list().formName(), unread));
    // Only CIT-2 (17) is known to hold the rest of the company data, at 6 to 18 in the
    // loader's order; in the older editions those positions are typed by hand.
    if (fields.templateId() != 35) return;
    const std::string* const data[] = {&c.taxOffice, &c.fullName, &c.regon,      &c.country,
                                       &c.province,  &c.county,   &c.commune,    &c.street,
                                       &c.houseNumber, &c.flatNumber, &c.town,
                                       &c.postalCode, &c.postOffice};
    int position = 6;
    for (const std::string* text : data) f[position++].setText(*text);
}

Cit2RuleCheck cit2Rules35(const host::HostBinding& host, const store::DeclarationFields& fields,
                          std::int32_t companyId, std::int32_t yearStart, std::int32_t period) {
    store::DeclarationFields scratch = fields;  // the texts compute() sets land here
    ComputationContext c;
    c.companyId = companyId;
    c.periodStart = yearStart;
    c.periodEnd = values::lastDayOfMonth(period);
    c.userNumber = host.data->globals().DANE_ID_UZYTKOWNIKA_NR;
    StatementRunner run(*host.utility, *host.data, nullptr, c);
    Cit2RuleCheck given;
    Advance35 rules(scratch, run, Source::Fields);
    rules.judgeInto(given);
    rules.compute(period);
    given.warnings = run.warnings();
    return given;
}

void probeCit2Rules35(const host::HostBinding& host, store::DeclarationFields& fields,
                      std::int32_t companyId, std::int32_t yearStart, std::int32_t period,
                      RuleProbe& probe) {
    ComputationContext c;
    c.companyId = companyId;
    c.periodStart = yearStart;
    c.periodEnd = values::lastDayOfMonth(period);
    c.userNumber = host.data->globals().DANE_ID_UZYTKOWNIKA_NR;
    StatementRunner run(*host.utility, *host.data, nullptr, c);
    Advance35 rules(fields, run, Source::Fields);
    rules.probeWith(probe);
    // The previous return that is missing is the runner's warning, not a message.
    Cit2RuleCheck unused;
    rules.judgeInto(unused);
    rules.compute(period);
}

void PRZELICZ_CIT_2_35(const host::HostBinding& host, store::DeclarationFields& fields,
                       std::int32_t period) {
    PRZELICZ_CIT_2_OLD(host, fields, period);
    const std::int32_t yearStart = fields.main()[4].day();
    run35(host, fields, contextOf(host, yearStart, period, 0), period, Source::Fields);
}

}  // namespace citforms::compute
