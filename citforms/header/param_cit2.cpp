#include "citforms/header/param_cit2.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "citforms/header/new_cit2.h"
#include "citforms/header/new_cit8.h"
#include "citforms/module/automation.h"
#include "citforms/windows/window_declaration.h"
#include "citforms/module/declaration_kinds.h"
#include "citforms/values/day_number.h"
#include "citforms/values/field_value.h"
#include "citforms/values/text.h"
#include "citforms/windows/plain_documents.h"
#include "citforms/windows/window_opener.h"

namespace citforms::header {

namespace {

constexpr std::string_view kWindow = "Param_CIT2";
constexpr const char* kCit8Templates = "70,72,73";
constexpr const char* kCit2Templates = "35";

// The module-wide owner mark of the one parameters window.
std::atomic<bool> windowOpen{false};

// The window whose progress bar prepareNewCit8 moves (it takes a plain function).
thread_local host::PlainWindow* progressWindow = nullptr;

void showProgress(int percent) {
    if (progressWindow != nullptr) progressWindow->setValue("POSTEP", std::to_string(percent));
}

std::int32_t number(const std::string& text) {
    return values::parseInteger<std::int32_t>(values::trim(text)).value_or(0);
}

struct YearRow {
    FiscalYear year;
    std::string label;
};

class ParamCit2Window {
public:
    ParamCit2Window(module::ModuleState& module, host::PlainWindowDocument doc, std::int32_t date,
                    bool cit2)
        : module_(module),
          host_(module.host()),
          window_(std::move(doc), module.host().ui),
          date_(date),
          cit2_(cit2),
          offered_(cit2 ? kCit2Templates : kCit8Templates) {}

    // False when the company has no fiscal year (no window is shown).
    bool fill() {
        host::Globals& g = host_.data->globals();
        const std::string company = std::to_string(g.DANE_ID_FIRMY);
        host::UtilityLibrary& u = *host_.utility;
        if (!u.EXECVAY("select id_lata_obrotowe, poczatek_roku, koniec_roku, rok_obrotowy from "
                       "LATA_OBROTOWE where id_firmy=" + company + " order by poczatek_roku")) {
            u.MSG_OST(u.fileErrorText());
            return false;
        }
        std::vector<host::ListRow> rows;
        host::ResultRow row;
        host::ResultFile& result = host_.data->result(host::ResultFileId::VAY_FK);
        while (result.next(row)) {
            YearRow y{{number(row.column(0)), number(row.column(1)), number(row.column(2))},
                      values::cutText(std::string(values::trim(row.column(3))), 50)};
            rows.push_back({std::to_string(years_.size()), y.label});
            years_.push_back(std::move(y));
        }
        if (years_.empty()) return false;
        const std::string title = cit2_ ? "Deklaracja CIT-2" : "Deklaracja CIT-8";
        window_.setTitle(title);
        window_.setValue("TYTUL", title);
        window_.setHidden("OKR_ETYKIETA", !cit2_);
        window_.setHidden("OKR", !cit2_);
        window_.setHidden("WZOR_ETYKIETA", cit2_);
        window_.setHidden("WZOR", cit2_);
        fillCopySources();

        // The year starting on 1 January of the proposed date's year, else the host's current
        // one, else the first.
        int chosen = -1;
        const values::DayNumber newYear = values::fromDate(values::yearOf(date_), 1, 1);
        for (std::size_t i = 0; i < years_.size() && chosen < 0; ++i)
            if (years_[i].year.start == newYear) chosen = static_cast<int>(i);
        for (std::size_t i = 0; i < years_.size() && chosen < 0; ++i)
            if (years_[i].year.id == g.DANE_LATA_OBROTOWE) chosen = static_cast<int>(i);
        window_.setRows("KR", std::move(rows));
        window_.chooseRow("KR", chosen < 0 ? 0 : chosen);
        if (window_.rows("KOPIA").size() > 1) window_.chooseRow("KOPIA", 1);
        yearChosen();

        window_.onChange("KR", [this] { yearChosen(); });
        window_.onChange("OKR", [this] { periodChosen(); });
        window_.onAction("run", [this] { run(); });
        return true;
    }

    host::PlainWindow& window() { return window_; }

private:
    const FiscalYear& year() const {
        const int i = window_.chosenRow("KR");
        return years_[static_cast<std::size_t>(i < 0 ? 0 : i)].year;
    }

    values::DayNumber period() const {
        return cit2_ ? number(window_.value("OKR")) : cit8Period(year());
    }

    // The CIT-2 periods of the fiscal year: the 2nd of each month (at most 25), named by the
    // month (with the year when the fiscal year spans two), then "BZ" on the 28th of the last.
    void fillPeriods() {
        const FiscalYear& y = year();
        const bool twoYears = values::yearOf(y.start) != values::yearOf(y.end);
        std::vector<host::ListRow> rows;
        values::DayNumber month = values::secondOfMonth(y.start);
        for (int n = 0; n < 25 && month <= y.end; ++n) {
            std::string name = host_.utility->NAZWA_MIESIACA(
                static_cast<std::int32_t>(values::monthOf(month)), 0);
            if (twoYears) name = std::to_string(values::yearOf(month)) + "  " + name;
            rows.push_back({std::to_string(month), values::cutText(name, 20)});
            month = values::secondOfMonth(values::addMonths(month, 1));
        }
        rows.push_back({std::to_string(cit2ClosingPeriod(y)), "BZ"});
        window_.setRows("OKR", std::move(rows));
        const host::Globals& g = host_.data->globals();
        int chosen = 0;
        const auto& listed = window_.rows("OKR");
        for (const values::DayNumber wanted : {date_, g.DANE_DATA_OKRESU}) {
            for (std::size_t i = 0; i < listed.size(); ++i) {
                if (number(listed[i].value) == wanted) {
                    window_.chooseRow("OKR", static_cast<int>(i));
                    return;
                }
            }
        }
        window_.chooseRow("OKR", chosen);
    }

    void fillCopySources() {
        std::vector<host::ListRow> rows{{"0", "<bez kopiowania>"}};
        host::UtilityLibrary& u = *host_.utility;
        // The fiscal-year label is the declaration's own company's: another company's years
        // may run differently.
        if (!u.EXECVAX(std::string("select a.id_deklaracje_nag, a.lp, a.data_okresu, b.nazwa, "
                                   "a.id_firmy from DEKLARACJE_NAG a inner join FIRMA b on "
                                   "a.id_firmy = b.id_firmy AND a.id_deklaracje_wzorzec in (") +
                       offered_ + ") order by b.nazwa asc, a.data_okresu desc, a.lp desc")) {
            u.MSG_OST(u.fileErrorText());
        } else {
            std::vector<host::ResultRow> found;
            host::ResultRow row;
            host::ResultFile& result = host_.data->result(host::ResultFileId::VAX_FK);
            while (result.next(row)) found.push_back(row);
            for (const host::ResultRow& r : found) {
                const values::DayNumber date = number(r.column(2));
                std::string label;
                if (cit2_) {
                    label = ", Okres obrotowy: " +
                            u.NAZWA_MIESIACA(static_cast<std::int32_t>(values::monthOf(date)),
                                             values::yearOf(date));
                } else {
                    label = ", Rok obrotowy: " +
                            std::string(values::trim(u.FUNCVAY(
                                "select top 1 rok_obrotowy from LATA_OBROTOWE where id_firmy = " +
                                std::to_string(number(r.column(4))) + " AND poczatek_roku<=" +
                                std::to_string(date) + " order by poczatek_roku desc")));
                }
                const std::string text =
                    "Firma: " + values::cutText(std::string(values::trim(r.column(3))), 50) +
                    label + ", lp: " + std::string(values::trim(r.column(1)));
                rows.push_back({std::to_string(number(r.column(0))), values::cutText(text, 200)});
            }
        }
        window_.setRows("KOPIA", std::move(rows));
    }

    // A fiscal year chosen: the copy source of the latest declaration up to the period, the
    // edition the period proposes.
    void yearChosen() {
        if (cit2_) fillPeriods();
        periodChosen();
    }

    void periodChosen() {
        const values::DayNumber p = period();
        const std::string latest = host_.utility->FUNCVAY(
            "select top 1 id_deklaracje_nag from DEKLARACJE_NAG where data_okresu <= " +
            std::to_string(p) + " AND  id_firmy = " +
            std::to_string(host_.data->globals().DANE_ID_FIRMY) +
            " AND id_deklaracje_wzorzec in (" + offered_ +
            ") order by data_okresu desc, lp desc");
        if (number(latest) != 0) window_.setValue("KOPIA", std::to_string(number(latest)));
        if (!cit2_) window_.setValue("WZOR", proposedEdition(p));
    }

    // "Wykonaj" of a CIT-2: the quarterly payer's question, the template valid for the period,
    // the header, the company data and the computation, then the save and the window of the
    // template. Nothing is made when the question is answered "Anuluj" or there is no template.
    void runCit2() {
        module::DeclarationState& state = module_.declaration;
        const FiscalYear chosen = year();
        window_.setHidden("CZEKAJ", false);
        window_.setHidden("POSTEP", false);
        const std::int32_t id = module::newCit2(module_, chosen.start, chosen.end, period(), "",
                                                number(window_.value("KOPIA")));
        window_.setHidden("CZEKAJ", true);
        window_.setValue("POSTEP", "100");
        if (id == 0) return;
        const module::DeclarationKind* kind = module::declarationKind(state.CIT_ID_WZORCA_CIT2);
        if (kind != nullptr && windows::builtInWindow(kind->mainWindow)) {
            windows::WindowOpener opener(host_, module_.iniManager(), module_.fields, state,
                                         &module_.reportRuntime());
            auto opened = opener.open(kind->mainWindow,
                                      windows::WindowArguments{true, period(), true, 0, {}});
            if (!opened) host_.utility->MSG_OST(opened.error());
        }
        window_.finish(id);
    }

    void run() {
        if (cit2_) {
            runCit2();
            return;
        }
        module::DeclarationState& state = module_.declaration;
        const FiscalYear chosen = year();
        state.CIT_POCZATEK_ROKU = chosen.start;
        state.CIT_KONIEC_ROKU = chosen.end;
        window_.setHidden("CZEKAJ", false);
        window_.setHidden("POSTEP", false);
        host::UtilityLibrary& u = *host_.utility;
        // Header, definitions and computation go in together or not at all; the window then
        // works on memory until it saves.
        const bool transaction = u.beginTransaction();
        progressWindow = &window_;
        const std::int32_t id =
            prepareNewCit8(host_, state, module_.fields, chosen, window_.value("WZOR"),
                           number(window_.value("KOPIA")), showProgress);
        progressWindow = nullptr;
        if (id == 0 || (transaction && !u.commitTransaction())) {
            if (transaction && id == 0) {
                u.rollbackTransaction();
            } else if (transaction) {
                // The computation ran in a transaction the database gave up: nothing of it
                // stays, and the person is told once why.
                u.MSG_OST(u.fileErrorText());
            }
            state.CIT_ID_DEKLARACJI = 0;
            window_.setHidden("CZEKAJ", true);
            window_.setValue("POSTEP", "100");
            return;
        }
        window_.setHidden("CZEKAJ", true);
        const module::DeclarationKind* kind = module::declarationKind(state.CIT_ID_WZORCA);
        if (kind == nullptr || kind->mainWindow != "CIT_8_73") {
            module::notBuilt(host_);
        } else {
            // A new declaration: closing its window without a save discards it.
            windows::WindowOpener opener(host_, module_.iniManager(), module_.fields, state,
                                         &module_.reportRuntime());
            auto opened = opener.open(kind->mainWindow,
                                      windows::WindowArguments{false, cit8Period(chosen), false, 0, {}});
            if (!opened) u.MSG_OST(opened.error());
        }
        window_.finish(state.CIT_ID_DEKLARACJI);
    }

    module::ModuleState& module_;
    const host::HostBinding& host_;
    host::PlainWindow window_;
    values::DayNumber date_;
    bool cit2_;
    std::string offered_;
    std::vector<YearRow> years_;
};

}  // namespace

std::int32_t PARAM_CIT2(module::ModuleState& module, std::string_view kind,
                        std::int32_t proposedDate) {
    const host::HostBinding& host = module.host();
    host::Globals& g = host.data->globals();
    if (windowOpen.load() && g.GLOBALREQUEST != 4) {
        host.ui->focusWindow(kWindow);
        return 0;
    }
    if (kind != "CIT-8" && kind != "CIT-2") {
        host.utility->MSG_INF("Deklaracja " + std::string(kind) +
                              " nie jest jeszcze obsługiwana w oknie parametrów.");
        return 0;
    }
    auto doc = windows::builtInDialog(kWindow);
    if (!doc) {
        host.utility->MSG_OST(doc.error());
        return 0;
    }
    const std::int32_t date = proposedDate < 1 ? g.DANE_DATA_BIEZACA : proposedDate;
    // The window's tab carries the title it opens with: the form's own from the start.
    doc->title = "Deklaracja " + std::string(kind);
    // The CIT-8 editions offered are the kinds there are, oldest first ("21|23|24").
    for (host::PlainControl& control : doc->controls) {
        if (control.name != "WZOR") continue;
        control.items.clear();
        for (const module::DeclarationKind& k : module::declarationKinds()) {
            if (k.family == "CIT-8") control.items.push_back(k.edition);
        }
        std::sort(control.items.begin(), control.items.end(),
                  [](const std::string& a, const std::string& b) {
                      return a.size() != b.size() ? a.size() < b.size() : a < b;
                  });
    }
    ParamCit2Window w(module, std::move(*doc), date, kind == "CIT-2");
    const bool owner = !windowOpen.exchange(true);
    int result = 0;
    if (w.fill()) result = host.ui->runWindow({&w.window(), module.iniManager(), false});
    if (owner) windowOpen.store(false);
    return result;
}

}  // namespace citforms::header
