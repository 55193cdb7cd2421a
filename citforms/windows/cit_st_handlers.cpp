#include "citforms/windows/cit_st_handlers.h"

#include <algorithm>
#include <string>

#include "citforms/citst/cit_st.h"
#include "citforms/citst/cit_st_procedures.h"
#include "citforms/citst/cit_st_window.h"
#include "citforms/header/pickers.h"
#include "citforms/host/ui_seam.h"
#include "citforms/module/module_state.h"
#include "citforms/store/declaration_load.h"
#include "citforms/values/text.h"

namespace citforms::windows::citst_window {

namespace {

store::CitStBranches& branches() { return module::moduleState().ODDZIALY_CIT_ST; }

// The CIT-ST position a cell of the form copy shows; 0 for the copy's own cells.
int positionOfCell(int cell) {
    if (cell >= 1 && cell <= 22 && cell != 6) return cell;
    if (cell >= 167 && cell <= 169) return cell - 144;
    return 0;
}

std::int32_t numberIn(std::string_view text) {
    return store::parseStoredNumber(values::trim(text)).value_or(0);
}

std::string withoutTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
}

constexpr int kFirstSlotCell = 23;
constexpr int kEmployeesInSlot = 6;  // the cell of a slot that holds the branch's employees

// The copy whose branches the slots show: cell 6 reads "2 / 3".
int shownCopy(FormWindow& w) {
    const std::string& cell = w.fields()[6].text();
    return std::max(1, numberIn(std::string_view(cell).substr(0, cell.find('/'))));
}

int copiesShown() {
    return std::max(1, citst::copiesFor(branches().size(), citst::kBranchesPerCitSt));
}

// The cells of CIT-ST copy `copy` from the positions and the branches; cell 6 says which copy
// the branch slots show ("2 / 3").
void showCells(FormWindow& w, WindowSession& s, int copy = 1) {
    const store::CitStBranches& list = branches();
    const int forms = copiesShown();
    const std::vector<std::string> texts =
        citst::citStCopyCells(*s.fields, list, std::clamp(copy, 1, forms), forms);
    store::FieldSet& set = w.fields();
    for (int n : set.list().numbers()) {
        if (static_cast<std::size_t>(n) < texts.size()) set[n].setText(texts[n]);
    }
    // The employees are typed only into slots that hold a branch.
    for (int slot = 0; slot < citst::kBranchesPerCitSt; ++slot) {
        const std::size_t branch =
            static_cast<std::size_t>((shownCopy(w) - 1) * citst::kBranchesPerCitSt + slot);
        w.setEntryEnabled(kFirstSlotCell + 8 * slot + kEmployeesInSlot, branch < list.size());
    }
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
        const std::size_t entry = w.entryOf(field);
        if (entry < w.model().entries.size()) w.showPage(w.model().entries[entry].page);
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
    // The branch slots are on the second page.
    constexpr int kBranchCell = 23;
    for (const auto& check : named) {
        const bool empty = std::any_of(list.begin(), list.end(), [&](const Branch& b) {
            return values::trim(b.*check.member).empty();
        });
        if (!passed(empty, check.text, kBranchCell)) return false;
    }
    const bool noEmployees = std::any_of(list.begin(), list.end(),
                                         [](const Branch& b) { return b.ZATRUDNIONYCH == 0; });
    if (!passed(noEmployees, "Nie wszędzie liczba zatrudnionych jest wypełniona.", kBranchCell))
        return false;
    return passed(branchSum() != values::trim(z[22].text()),
                  "Suma liczby zatrudnionych z wybranych oddziałów jest różna od liczby "
                  "wprowadzonej w pole \"Liczba zatrudnionych ogółem\".",
                  22);
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
    if (field == 0) {
        if (!s.arguments.existing) w.setTitle(w.model().title + " \\ Dodawanie");
        showCells(w, s);
        w.setButtonEnabled("print-cit-st", [] { return !branches().empty(); });
        w.setButtonEnabled("print-cit-sta", [] { return !branches().empty(); });
        w.setButtonEnabled("show-copy", [] { return copiesShown() > 1; });
        return;
    }
    if (const int position = positionOfCell(field); position != 0) {
        s.fields->main()[position].setText(w.fields()[field].text());
        s.fields->issues.typed(std::string(s.fields->main().list().formName()) + " poz. " +
                               std::to_string(position));
        return;
    }
    if (field < kFirstSlotCell || (field - kFirstSlotCell) % 8 != kEmployeesInSlot) return;
    const std::size_t branch =
        static_cast<std::size_t>((shownCopy(w) - 1) * citst::kBranchesPerCitSt +
                                 (field - kFirstSlotCell) / 8);
    if (branch >= branches().size()) return;
    store::CitStBranch& b = branches()[branch];
    const std::string typed(values::trim(w.fields()[field].text()));
    const bool digits = !typed.empty() && std::all_of(typed.begin(), typed.end(), [](char c) {
        return c >= '0' && c <= '9';
    });
    if (digits) {
        b.ZATRUDNIONYCH = numberIn(typed);
    } else if (s.host->ui != nullptr) {
        s.host->ui->message({host::kTitleWarning,
                             "W poz. " + std::to_string(field) +
                                 " wpisuje się liczbę najwyżej 7-cyfrową.",
                             "&OK", host::MessageIcon::Warning, 1});
    }
    w.fields()[field].setText(std::to_string(b.ZATRUDNIONYCH));
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
    s.fields->main()[22].setText(citst::employeeSum(list));
    showCells(w, s);
}

void showCopy(FormWindow& w, WindowSession& s) {
    const int copies = copiesShown();
    if (copies < 2 || s.host->ui == nullptr) return;
    const int copy = s.host->ui->popupMenu(copyMenu(copies));
    if (copy < 1 || copy > copies) return;
    showCells(w, s, copy);
    w.showPage(1);
}

void printCitSt(FormWindow& w, WindowSession& s) { printCopy(w, s, false); }
void printCitSta(FormWindow& w, WindowSession& s) { printCopy(w, s, true); }

// "Wczytaj ponownie" after a refused save: the CIT-ST and its branches as stored now; the
// window's cells show them, as unchanged.
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
    showCells(w, s);
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
