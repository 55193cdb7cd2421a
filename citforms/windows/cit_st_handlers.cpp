#include "citforms/windows/cit_st_handlers.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "citforms/citst/cit_st.h"
#include "citforms/citst/cit_st_procedures.h"
#include "citforms/host/ui_seam.h"
#include "citforms/state/module_state.h"
#include "citforms/store/declaration_load.h"
#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "citforms/windows/cit_st_window.h"
#include "citforms/windows/pickers.h"

namespace citforms::windows::citst_window {

namespace {

store::CitStBranches& branches() { return module::moduleState().ODDZIALY_CIT_ST; }

constexpr int kHeaderFields = 25;
constexpr int kTotalField = 22;      // "Liczba zatrudnionych ogółem"
constexpr int kBranchList = 26;      // the row chosen in the list of branches
constexpr int kChosenEmployees = 27;  // the employees of that branch

std::int32_t numberIn(std::string_view text) {
    return store::parseStoredNumber(values::trim(text)).value_or(0);
}

std::string withoutTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

bool digitsOnly(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// One row of the list: the branch's members in the columns of the window's list.
std::string branchRow(const store::CitStBranch& b) {
    const std::string started =
        b.DATA_ROZP_DZIAL > 0 ? values::formatDayMonthYear(b.DATA_ROZP_DZIAL) : std::string();
    const std::string* texts[] = {&b.NAZWA,    &b.NAZWA_PELNA, &b.REGON,   &b.NIP,
                                  &started,    &b.KRAJ,        &b.WOJEWODZTWO, &b.POWIAT,
                                  &b.GMINA,    &b.GMINA_KOD,   &b.ULICA,   &b.NRDOMU,
                                  &b.NRLOKALU, &b.MIEJSCOWOSC, &b.KODPOCZTOWY, &b.POCZTA};
    std::string row = std::to_string(b.ZATRUDNIONYCH);
    for (const std::string* t : texts) row += "\t" + *t;
    return row;
}

// The branch chosen in the list; nullptr while none is.
store::CitStBranch* chosenBranch(FormWindow& w) {
    const std::int32_t row = numberIn(w.fields()[kBranchList].text());
    if (row < 1 || static_cast<std::size_t>(row) > branches().size()) return nullptr;
    return &branches()[static_cast<std::size_t>(row - 1)];
}

// The list shows the branches as they stand, the first one chosen; the entry below it the
// chosen branch's employees (nothing to type while there are no branches).
void showBranches(FormWindow& w) {
    w.fields()[kBranchList].setText(branches().empty() ? "" : "1");
    const store::CitStBranch* b = chosenBranch(w);
    w.fields()[kChosenEmployees].setText(b != nullptr ? std::to_string(b->ZATRUDNIONYCH) : "");
    w.setEntryEnabled(kChosenEmployees, b != nullptr);
    w.setEntryEnabled(kBranchList, b != nullptr);
}

// A whole number of up to 7 digits, or (`emptyTaken`) nothing; anything else is refused with
// a warning.
bool employeesTaken(WindowSession& s, int field, std::string_view typed, bool emptyTaken) {
    if (digitsOnly(typed) && (emptyTaken || !typed.empty())) return true;
    if (s.host->ui != nullptr) {
        s.host->ui->message({host::kTitleWarning,
                             "W poz. " + std::to_string(field) +
                                 " wpisuje się liczbę najwyżej 7-cyfrową.",
                             "&OK", host::MessageIcon::Warning, 1});
    }
    return false;
}

// The pop-up menu of the form copies: "1 / 3|2 / 3|3 / 3".
std::string copyMenu(int copies) {
    std::string items;
    for (int k = 1; k <= copies; ++k)
        items += (k > 1 ? "|" : "") + std::to_string(k) + " / " + std::to_string(copies);
    return items;
}

// The branch sum as the checks compare it: empty while there are no branches.
std::string branchSum() {
    return branches().empty() ? std::string() : citst::employeeSum(branches());
}

// The checks before a save or a print, in their order. A failed check is told; "Zapisz" goes
// on, "Anuluj" shows the page of the entry concerned and ends the action (false).
bool checksPass(FormWindow& w, WindowSession& s) {
    const store::FieldSet& z = s.fields->main();
    auto passed = [&](bool failed, const char* text, int field) {
        if (!failed || s.host->ui == nullptr) return true;
        if (s.host->ui->message({host::kTitleInformation, text, "&Zapisz|&Anuluj",
                                 host::MessageIcon::Information, 1}) == 1)
            return true;
        w.focusField(field);
        return false;
    };
    if (!passed(numberIn(z[4].text()) > numberIn(z[5].text()),
                "Data początku okresu jest późniejsza od daty końca okresu.", 5))
        return false;
    using Branch = store::CitStBranch;
    const struct {
        std::string Branch::*member;
        const char* text;
    } named[] = {
        {&Branch::NAZWA, "Nie wszystkie nazwy skrócone oddziałów firmy są wypełnione."},
        {&Branch::NAZWA_PELNA, "Nie wszystkie nazwy pełne oddziałów firmy są wypełnione."},
        {&Branch::WOJEWODZTWO, "Nie wszystkie nazwy województw są wypełnione."},
        {&Branch::POWIAT, "Nie wszystkie nazwy powiatów są wypełnione."},
        {&Branch::GMINA, "Nie wszystkie nazwy gmin są wypełnione."},
        {&Branch::MIEJSCOWOSC, "Nie wszystkie nazwy miejscowości są wypełnione."},
    };
    const store::CitStBranches& list = branches();
    for (const auto& check : named) {
        const bool empty = std::any_of(list.begin(), list.end(), [&](const Branch& b) {
            return values::trim(b.*check.member).empty();
        });
        if (!passed(empty, check.text, kBranchList)) return false;
    }
    const bool noEmployees = std::any_of(list.begin(), list.end(),
                                         [](const Branch& b) { return b.ZATRUDNIONYCH == 0; });
    if (!passed(noEmployees, "Nie wszędzie liczba zatrudnionych jest wypełniona.", kBranchList))
        return false;
    return passed(branchSum() != values::trim(z[22].text()),
                  "Suma liczby zatrudnionych z wybranych oddziałów jest różna od liczby "
                  "wprowadzonej w pole \"Liczba zatrudnionych ogółem\".",
                  kTotalField);
}

void printCopy(FormWindow& w, WindowSession& s, bool annex) {
    const store::CitStBranches& list = branches();
    const int copies =
        citst::copiesFor(list.size(), annex ? citst::kBranchesPerCitSta : citst::kBranchesPerCitSt);
    if (copies == 0 || s.host->ui == nullptr) return;
    const int copy = copies > 1 ? s.host->ui->popupMenu(copyMenu(copies)) : 1;
    if (copy < 1 || copy > copies) return;
    if (!checksPass(w, s)) return;
    if (s.host->declarations == nullptr ||
        s.host->declarations->PARAM_PRN_DEKLAR(annex ? "CIT-STA" : "CIT-ST") != 1)
        return;
    if (s.runtime == nullptr) {
        s.host->utility->MSG_OST("Wydruk CIT-ST nie jest dostępny.");
        return;
    }
    // Each print takes its own copy of the cells, so a later print changes none running.
    module::ModuleState& module = module::moduleState();
    const print::PrintEnvironment env{*s.host, *s.runtime, s.ini};
    if (annex) {
        module.VSTA = citst::citStaCopyCells(*s.fields, list, copy);
        citst::CIT_STA_Prn_201(env, module.VSTA);
    } else {
        module.VST = citst::citStCopyCells(*s.fields, list, copy, copies);
        citst::CIT_ST_Prn_201(env, module.VST);
    }
}

}  // namespace

void cells(FormWindow& w, WindowSession& s, int field) {
    store::FieldSet& z = s.fields->main();
    if (field == 0) {
        if (!s.arguments.existing) w.setTitle(w.model().title + " \\ Dodawanie");
        for (int n = 1; n <= kHeaderFields; ++n)
            if (w.fields().has(n)) w.fields()[n].setText(z[n].text());
        showBranches(w);
        w.setListRows(kBranchList, [] {
            std::vector<std::string> rows;
            for (const store::CitStBranch& b : branches()) rows.push_back(branchRow(b));
            return rows;
        });
        w.setButtonEnabled("print-cit-st", [] { return !branches().empty(); });
        w.setButtonEnabled("print-cit-sta", [] { return !branches().empty(); });
        // Closing asks while the header or the branches differ from what the window opened
        // with, or an attachment window kept changes; choosing a row changes nothing.
        struct Opened {
            std::vector<std::string> header;
            store::CitStBranches branches;
        };
        auto opened = std::make_shared<Opened>();
        for (int n = 1; n <= kHeaderFields; ++n) opened->header.push_back(z[n].text());
        opened->branches = branches();
        w.setChangesCheck([&s, opened] {
            if (s.keptChanges || opened->branches != branches()) return true;
            for (int n = 1; n <= kHeaderFields; ++n)
                if (s.fields->main()[n].text() != opened->header[static_cast<std::size_t>(n - 1)])
                    return true;
            return false;
        });
        return;
    }
    const std::string typed(values::trim(w.fields()[field].text()));
    if (field == kTotalField && !employeesTaken(s, field, typed, true)) {
        w.fields()[field].setText(z[field].text());
        return;
    }
    if (field >= 1 && field <= kHeaderFields) {
        z[field].setText(w.fields()[field].text());
        s.fields->issues.typed(std::string(z.list().formName()) + " poz. " +
                               std::to_string(field));
        return;
    }
    store::CitStBranch* b = chosenBranch(w);
    if (field == kChosenEmployees && b != nullptr && employeesTaken(s, field, typed, false))
        b->ZATRUDNIONYCH = numberIn(typed);
    w.fields()[kChosenEmployees].setText(b != nullptr ? std::to_string(b->ZATRUDNIONYCH) : "");
}

void officePicker(FormWindow& w, WindowSession& s) {
    const std::int32_t office = header::pickTaxOffice(*s.host, s.ini);
    if (office == 0) return;
    w.fields()[7].setText(s.host->utility->GET_NAZWA_ADRES_URZEDU(1, office));
    cells(w, s, 7);
}

void pickBranches(FormWindow& w, WindowSession& s) {
    const host::HostBinding& host = *s.host;
    const host::Globals& g = host.data->globals();
    if (host.contractor == nullptr || host.contractor->FIRMA_ODDZIAL(1, g.DANE_ID_FIRMY) != 1)
        return;
    store::CitStBranches& list = branches();
    if (!list.empty() && host.ui != nullptr &&
        host.ui->message({host::kTitleQuestion,
                          "Czy chcesz zastąpić listę oddziałów istniejącą już w deklaracji CIT-ST "
                          "zaznaczonymi oddziałami firmy?",
                          "&Tak|&Nie", host::MessageIcon::Question, 1}) != 1)
        return;
    host::UtilityLibrary& u = *host.utility;
    if (!u.EXECVAX("select NAZWA,NAZWA_PELNA,REGON,NIP,DATA_ROZP_DZIAL,KRAJ,WOJEWODZTWO,POWIAT,"
                   "GMINA,GMINA_KOD,ULICA,NRDOMU,NRLOKALU,MIEJSCOWOSC,KODPOCZTOWY,POCZTA,"
                   "ZATRUDNIONYCH from FIRMA_ODDZIAL where ID_FIRMY = " +
                   std::to_string(g.DANE_ID_FIRMY) +
                   " AND ID_FIRMA_ODDZIAL in (select id_elementu from ZAZNACZENIE where "
                   "id_browsera = 56 AND id_uzytkownika=" +
                   std::to_string(g.DANE_ID_UZYTKOWNIKA_NR) + ")" + " order by GMINA_KOD asc")) {
        // The list the window holds stays as it was.
        u.MSG_OST(u.fileErrorText());
        return;
    }
    store::CitStBranches picked;
    host::ResultRow row;
    host::ResultFile& rows = host.data->result(host::ResultFileId::VAX_FK);
    while (rows.next(row)) {
        store::CitStBranch b;
        std::string* texts[] = {&b.NAZWA,   &b.NAZWA_PELNA, &b.REGON,       &b.NIP,
                                nullptr,    &b.KRAJ,        &b.WOJEWODZTWO, &b.POWIAT,
                                &b.GMINA,   &b.GMINA_KOD,   &b.ULICA,       &b.NRDOMU,
                                &b.NRLOKALU, &b.MIEJSCOWOSC, &b.KODPOCZTOWY, &b.POCZTA};
        for (std::size_t c = 0; c < std::size(texts); ++c)
            if (texts[c] != nullptr) *texts[c] = withoutTrailingBlanks(row.column(c));
        b.DATA_ROZP_DZIAL = numberIn(row.column(4));
        b.ZATRUDNIONYCH = numberIn(row.column(16));
        picked.push_back(std::move(b));
    }
    list = std::move(picked);
    s.fields->main()[kTotalField].setText(citst::employeeSum(list));
    w.fields()[kTotalField].setText(citst::employeeSum(list));
    showBranches(w);
}

void printCitSt(FormWindow& w, WindowSession& s) { printCopy(w, s, false); }
void printCitSta(FormWindow& w, WindowSession& s) { printCopy(w, s, true); }

// "Wczytaj ponownie" after a refused save: the CIT-ST and its branches as stored now; the
// window shows them as it does on opening, and they are what later changes are measured from.
void reload(FormWindow& w, WindowSession& s) {
    store::DeclarationFields stored(201);
    store::CitStBranches storedBranches;
    if (const values::Status read =
            citst::loadCitSt(*s.host, s.state->CIT_ID_DEKLARACJI, stored, storedBranches);
        !read) {
        s.host->utility->MSG_OST(read.error());
        return;
    }
    s.fields->takeValues(std::move(stored));
    branches() = std::move(storedBranches);
    cells(w, s, 0);
    w.showPage(0);
    w.markUnchanged();
    w.setStatus("Deklarację wczytano ponownie z bazy danych.");
}

void save(FormWindow& w, WindowSession& s) {
    if (refuseNotComputed(*s.host, s.fields->issues)) return;
    if (!checksPass(w, s)) return;
    const store::SaveResult result =
        citst::saveCitSt(*s.host, *s.fields, branches(), s.state->CIT_ID_DEKLARACJI);
    tellSaveOutcome(w, s, result, reload);
    if (result.outcome != store::SaveOutcome::Saved) return;
    s.state->CIT_ID_DEKLARACJI = result.id;
    w.finish(result.id);
}

void cit8CitSt(FormWindow&, WindowSession& s) {
    citst::openCitStOfCit8(module::moduleState(), s.state->CIT_ID_DEKLARACJI, *s.fields);
}

}  // namespace citforms::windows::citst_window
