#include "citforms/header/param_cit2.h"

#include <atomic>
#include <string>
#include <vector>

#include "citforms/header/new_cit8.h"
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
    ParamCit2Window(module::ModuleState& module, host::PlainWindowDocument doc, std::int32_t date)
        : module_(module), host_(module.host()), window_(std::move(doc), module.host().ui), date_(date) {}

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
        window_.setHidden("OKR_ETYKIETA", true);
        window_.setHidden("OKR", true);
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
        window_.onAction("run", [this] { run(); });
        return true;
    }

    host::PlainWindow& window() { return window_; }

private:
    const FiscalYear& year() const {
        const int i = window_.chosenRow("KR");
        return years_[static_cast<std::size_t>(i < 0 ? 0 : i)].year;
    }

    values::DayNumber period() const { return cit8Period(year()); }

    void fillCopySources() {
        std::vector<host::ListRow> rows{{"0", "<bez kopiowania>"}};
        host::UtilityLibrary& u = *host_.utility;
        // The fiscal-year label is the declaration's own company's: another company's years
        // may run differently.
        if (!u.EXECVAX(std::string("select a.id_deklaracje_nag, a.lp, a.data_okresu, b.nazwa, "
                                   "a.id_firmy from DEKLARACJE_NAG a inner join FIRMA b on "
                                   "a.id_firmy = b.id_firmy AND a.id_deklaracje_wzorzec in (") +
                       kCit8Templates +
                       ") order by b.nazwa asc, a.data_okresu desc, a.lp desc")) {
            u.MSG_OST(u.fileErrorText());
        } else {
            std::vector<host::ResultRow> found;
            host::ResultRow row;
            host::ResultFile& result = host_.data->result(host::ResultFileId::VAX_FK);
            while (result.next(row)) found.push_back(row);
            for (const host::ResultRow& r : found) {
                const std::string label = u.FUNCVAY(
                    "select top 1 rok_obrotowy from LATA_OBROTOWE where id_firmy = " +
                    std::to_string(number(r.column(4))) +
                    " AND poczatek_roku<=" + std::to_string(number(r.column(2))) +
                    " order by poczatek_roku desc");
                const std::string text =
                    "Firma: " + values::cutText(std::string(values::trim(r.column(3))), 50) +
                    ", Rok obrotowy: " + std::string(values::trim(label)) +
                    ", lp: " + std::string(values::trim(r.column(1)));
                rows.push_back({std::to_string(number(r.column(0))), values::cutText(text, 200)});
            }
        }
        window_.setRows("KOPIA", std::move(rows));
    }

    // A fiscal year chosen: the copy source of the latest declaration up to the period, the
    // edition the period proposes.
    void yearChosen() {
        const values::DayNumber p = period();
        const std::string latest = host_.utility->FUNCVAY(
            "select top 1 id_deklaracje_nag from DEKLARACJE_NAG where data_okresu <= " +
            std::to_string(p) + " AND  id_firmy = " +
            std::to_string(host_.data->globals().DANE_ID_FIRMY) +
            " AND id_deklaracje_wzorzec in (" + kCit8Templates +
            ") order by data_okresu desc, lp desc");
        if (number(latest) != 0) window_.setValue("KOPIA", std::to_string(number(latest)));
        window_.setValue("WZOR", proposedEdition(p));
    }

    void run() {
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
            if (transaction && id == 0) u.rollbackTransaction();
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
                                      windows::WindowArguments{false, cit8Period(chosen), false});
            if (!opened) u.MSG_OST(opened.error());
        }
        window_.finish(state.CIT_ID_DEKLARACJI);
    }

    module::ModuleState& module_;
    const host::HostBinding& host_;
    host::PlainWindow window_;
    values::DayNumber date_;
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
    if (kind != "CIT-8") {
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
    ParamCit2Window w(module, std::move(*doc), date);
    const bool owner = !windowOpen.exchange(true);
    int result = 0;
    if (w.fill()) result = host.ui->runWindow({&w.window(), module.iniManager(), false});
    if (owner) windowOpen.store(false);
    return result;
}

}  // namespace citforms::header
