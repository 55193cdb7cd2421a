#include "citforms/windows/window_handlers.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "citforms/check/declaration_check.h"
#include "citforms/compute/cit2_advances.h"
#include "citforms/compute/cit8_procedures.h"
#include "citforms/compute/citbr_rules.h"
#include "citforms/compute/deduction_components.h"
#include "citforms/compute/field_set_amounts.h"
#include "citforms/compute/form_rules.h"
#include "citforms/forms/form.h"
#include "citforms/header/company_data.h"
#include "citforms/header/pickers.h"
#include "citforms/host/record_file.h"
#include "citforms/host/ui_seam.h"
#include "citforms/module/declaration_kinds.h"
#include "citforms/print/cit8_prints.h"
#include "citforms/store/busy_cursor.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/declaration_save.h"
#include "citforms/store/header_stamp.h"
#include "citforms/values/day_number.h"
#include "citforms/values/text.h"
#include "citforms/windows/cit_st_handlers.h"
#include "citforms/windows/plain_documents.h"

namespace citforms::windows {

namespace {

using values::Decimal;

host::UtilityLibrary& utility(const WindowSession& s) { return *s.host->utility; }

// A count held in a field (CIT-8 positions 25 to 30): its whole part, 0 when empty.
std::int64_t countIn(const store::FieldSet& set, int field) {
    return set.has(field) ? set[field].amount().grosze() / 100 : 0;
}

// A field's text without the blanks around it (the answer of a radio).
std::string trimmedText(const store::FieldSet& set, int field) {
    if (!set.has(field)) return {};
    const std::string& t = set[field].text();
    const auto first = t.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return t.substr(first, t.find_last_not_of(' ') - first + 1);
}

// ---- shared by every window ----------------------------------------------------------------

// "CIT-8 poz. 31": a position as the failures of a computation or read name it.
std::string positionName(const store::FieldSet& set, int field) {
    return std::string(set.list().formName()) + " poz. " + std::to_string(field);
}

// A value accepted into a position is a value, whatever a failed computation left there.
void typedValue(FormWindow& w, WindowSession& s, int field) {
    if (field != 0) s.fields->issues.typed(positionName(w.fields(), field));
}

// "Drukuj": the host's print parameters for the window's form, then the print whose layout
// the window's entries take (the window's own values, as they stand).
void printWindow(FormWindow& w, WindowSession& s) {
    const WindowDeclaration& d = w.declaration();
    const auto unavailable = [&] { utility(s).MSG_OST("Wydruk " + d.form + " nie jest dostępny."); };
    if (print::formPrintOf(d.layout) == nullptr) return unavailable();
    const std::string& form = d.printForm.empty() ? d.form : d.printForm;
    if (s.host->declarations == nullptr || s.host->declarations->PARAM_PRN_DEKLAR(form) != 1)
        return;
    if (s.runtime == nullptr) return unavailable();
    // The dialog may have asked for the overlay onto pre-printed paper (DEKLARACJE_NADRUK).
    const print::FormPrint print = print::formPrintFor(d.layout, s.host->data->globals());
    print(print::PrintEnvironment{*s.host, *s.runtime, s.ini}, *s.fields);
}

// Nothing to do beyond what every action does: the view shows the values again.
void redisplay(FormWindow&, WindowSession&) {}

// ---- CIT-8 (24) ----------------------------------------------------------------------------

const module::DeclarationKind* kindOf(const WindowSession& s) {
    return module::declarationKind(s.fields->templateId());
}

// The first copy 1..count of the numbered form `form` that the in-memory list lacks; 0 when
// every one is there.
std::int64_t missingCopy(const store::DeclarationFields& fields, std::string_view form,
                         std::int64_t count) {
    const store::HeldForm* held = fields.find(form);
    if (held == nullptr) return 0;
    for (std::int64_t k = 1; k <= count; ++k) {
        bool present = false;
        for (const store::AttachmentRow& row : held->copies.rows())
            if (row.ext_nr_zalacznika == k) {
                present = true;
                break;
            }
        if (!present) return k;
    }
    return 0;
}

enum class SaveStep { Refused, Saved, NotSaved };

}  // namespace

void openTransfer(const host::HostBinding& host, std::int32_t id, std::int32_t templateId) {
    host::UtilityLibrary& u = *host.utility;
    if (id == 0) {
        u.MSG_INF("Przed otworzeniem formularza przelewu proszę zapisać deklarację.");
        return;
    }
    host::Globals& g = host.data->globals();
    if (!u.EXECVAX("select id_przelewu from PRZELEW where id_deklaracje_nag = " +
                   std::to_string(id) + " AND id_firmy = " + std::to_string(g.DANE_ID_FIRMY))) {
        u.MSG_OST(u.fileErrorText());
        return;
    }
    host::ResultRow row;
    std::int32_t transferId = 0;
    if (host.data->result(host::ResultFileId::VAX_FK).next(row))
        transferId = store::parseStoredNumber(row.column(0)).value_or(0);
    g.GLOBALREQUEST = transferId != 0 ? 2 : 1;
    // What a new transfer is filled with is the declaration kind's: the amount to pay and the
    // title's form and period. A kind without a transfer gives none (the person types them).
    const module::DeclarationKind* kind = module::declarationKind(templateId);
    const module::TransferData none;
    const module::TransferData& data = kind != nullptr ? kind->transfer : none;
    g.GLO_PRZELEW_POLE = data.amountField;
    g.GLO_PRZELEW_SYMBOL = data.formSymbol;
    g.GLO_PRZELEW_OKRES = data.amountField == 0 ? "" : data.monthly ? "M" : "R";
    if (host.settlements != nullptr) host.settlements->UP_PRZELEW(1, transferId, id);
    g.GLO_PRZELEW_POLE = 0;
    g.GLO_PRZELEW_SYMBOL.clear();
    g.GLO_PRZELEW_OKRES.clear();
}

void tellSaveOutcome(FormWindow& w, WindowSession& s, const store::SaveResult& result,
                     Reload reload) {
    if (result.error != values::ErrorKind::Stale || result.notices.empty() ||
        s.host->ui == nullptr) {
        store::tell(*s.host, result.notices);
        return;
    }
    store::tell(*s.host, store::Notices(result.notices.begin(), result.notices.end() - 1));
    if (s.host->ui->message({host::kTitleQuestion,
                             store::reloadQuestion(result.notices.back().text),
                             store::kReloadButtons, host::MessageIcon::Question, 2}) == 1)
        reload(w, s);
}

bool refuseNotComputed(const host::HostBinding& host, const store::DeclarationIssues& issues) {
    const std::vector<std::string> names = issues.notComputed();
    if (names.empty()) return false;
    host.utility->MSG_OST("Deklaracja nie została zapisana. Nie obliczono wartości pozycji: " +
                          store::DeclarationIssues::join(names) +
                          ". Proszę ponowić obliczenie albo wpisać wartości tych pozycji.");
    return true;
}

namespace {

// What a save's outcome makes of the window: only a save that went through marks the values
// as stored. After a failed one the declaration is as it was: a new one is still discarded
// when the window closes unsaved, and closing asks again.
SaveStep savedAs(WindowSession& s, const store::SaveResult& result) {
    if (result.outcome != store::SaveOutcome::Saved) return SaveStep::NotSaved;
    s.state->CIT_ID_DEKLARACJI = result.id;
    s.unchanged = true;
    s.saved = true;
    return SaveStep::Saved;
}

// "Wczytaj ponownie" after a refused save: the declaration as stored now, in the window's own
// field sets, which the window then shows as unchanged.
void reloadCit8(FormWindow& w, WindowSession& s) {
    const module::DeclarationKind* kind = kindOf(s);
    if (kind == nullptr || kind->load == nullptr) return module::notBuilt(*s.host);
    kind->load(*s.host, *s.state, *s.fields);
    // It is a stored declaration now, someone's saved work: closing must not discard it.
    s.arguments.existing = true;
    s.unchanged = true;
    s.keptChanges = false;
    w.markUnchanged();
    w.setStatus("Deklarację wczytano ponownie z bazy danych.");
}

// The save of the CIT-8 window: every numbered attachment (CIT-D, CIT-BR) its count field
// announces must have been filled in; then the declaration with all its attachments, in one
// transaction.
SaveStep saveCit8(FormWindow& w, WindowSession& s) {
    // Values a failed statement or read left behind are no values: nothing is written.
    if (refuseNotComputed(*s.host, s.fields->issues)) return SaveStep::Refused;
    const store::FieldSet& main = s.fields->main();
    // A CIT-2 has no numbered attachments and its own common save.
    const module::DeclarationKind* kind = kindOf(s);
    if (kind != nullptr && kind->family == "CIT-2") {
        const store::SaveResult result = store::saveCit2Declaration(
            *s.host, *s.state, *s.fields, 1, s.state->CIT_ID_DEKLARACJI,
            s.arguments.referenceDate, 0);
        tellSaveOutcome(w, s, result, reloadCit8);
        return savedAs(s, result);
    }
    for (const store::HeldForm& held : s.fields->forms()) {
        if (!held.numbered()) continue;
        const std::optional<int> field = main.list().form().countOf(held.def->name);
        if (!field) continue;
        const std::int64_t count = countIn(main, *field);
        if (count <= 0) continue;
        if (const std::int64_t k = missingCopy(*s.fields, held.def->name, count); k != 0) {
            utility(s).MSG_INF("W pozycji nr " + std::to_string(*field) +
                               " deklaracji CIT-8 wpisano liczbę " + std::to_string(count) +
                               ". Proszę wypełnić formularz nr " + std::to_string(k) +
                               " załącznika " + held.def->name);
            return SaveStep::Refused;
        }
    }
    const store::SaveResult result =
        store::saveDeclaration(*s.host, *s.state, *s.fields, s.fields->templateId(), 1,
                               s.state->CIT_ID_DEKLARACJI, s.arguments.referenceDate, 0);
    tellSaveOutcome(w, s, result, reloadCit8);
    return savedAs(s, result);
}

// A declaration prepared for this window and never saved goes with it.
void discardUnsaved(WindowSession& s) {
    if (s.saved || s.arguments.existing || s.state->CIT_ID_DEKLARACJI == 0) return;
    if (const values::Status removed = store::discardNewCit8(*s.host, *s.state, s.fields->loaded);
        !removed)
        utility(s).MSG_OST(removed.error());
}

// "Zapisz": closes when the declaration was saved. A refused or failed save keeps the window
// open with its values, so that nothing typed is lost; the person was told why.
void saveAndClose(FormWindow& w, WindowSession& s) {
    if (saveCit8(w, s) != SaveStep::Saved) return;
    w.finish(s.state->CIT_ID_DEKLARACJI);
}

// "Anuluj" and the close box, once the window's question (FormWindow::requestClose) let it
// close.
void closeCit8(FormWindow& w, WindowSession& s) {
    discardUnsaved(s);
    w.finish(s.state->CIT_ID_DEKLARACJI);
}

// "Zapisz" in the question of an attachment window, which has no save of its own: its values
// stay with the declaration, saved with it by the declaration's window, which now holds
// changes (and asks in its turn when it is closed without a save).
void keepInOwner(FormWindow& w, WindowSession& s) {
    if (s.owner != nullptr) s.owner->keptChanges = true;
    w.finish(0);
}

// "Oblicz": the statements again; what was typed by hand stays.
void computeCit8(FormWindow&, WindowSession& s) {
    const module::DeclarationKind* kind = kindOf(s);
    if (kind == nullptr || kind->compute == nullptr) return module::notBuilt(*s.host);
    s.unchanged = false;
    if (s.state->CIT_POCZATEK_ROKU == 0) {
        // Without the fiscal year every statement would run over an empty period and replace
        // the amounts by zeros.
        utility(s).MSG_OST("Brak roku obrotowego firmy obejmującego okres deklaracji.");
        return;
    }
    kind->compute(*s.host, *s.state, *s.fields, true);
}

// "Odśwież": company data afresh (the filing purpose back to 1, a filing) and every form rule.
void refreshCit8(FormWindow& w, WindowSession& s) {
    const module::DeclarationKind* kind = kindOf(s);
    if (kind == nullptr || kind->recalculate == nullptr) return module::notBuilt(*s.host);
    // A correction becomes a filing: the person is told, it changes what the return is.
    if (trimmedText(s.fields->main(), 7) == "2")
        w.setStatus("Odświeżono dane firmy: cel złożenia (poz. 7) zmieniono z korekty (2) na "
                    "złożenie zeznania (1).");
    s.fields->main()[7].setText("1");
    kind->recalculate(*s.host, *s.fields, s.arguments.referenceDate);
}

// The period date of a CIT-2 window's declaration. The attachment window is opened without
// it: the 2nd of the month of the period's end (position 5).
std::int32_t cit2Period(const WindowSession& s) {
    const std::int32_t period = s.arguments.referenceDate;
    return period != 0 ? period : values::secondOfMonth(s.fields->main()[5].day());
}

// "Odśwież" of a CIT-2: every rule of its edition on the values as they stand, no statement.
void refreshCit2(FormWindow&, WindowSession& s) {
    const module::DeclarationKind* kind = kindOf(s);
    if (kind == nullptr || kind->recalculate == nullptr) return module::notBuilt(*s.host);
    kind->recalculate(*s.host, *s.fields, cit2Period(s));
}

// An amount of a CIT-O / CIT-2/O of templates 3 to 34 left changed: when its position has a
// deduction definition for the template, the question whether the definition follows (a new
// component of the difference, "Definicja" the host's component window).
void deductionQuestion(FormWindow& w, WindowSession& s, int field,
                       const values::FieldValue& before) {
    const values::FieldValue& after = w.fields()[field];
    if (after.fieldClass() != values::FieldClass::Amount || s.host->utility == nullptr) return;
    const std::int32_t templateId = s.fields->templateId();
    const values::Result<std::string> definition =
        compute::deductionDefinition(*s.host, templateId, field);
    if (!definition) return utility(s).MSG_OST(definition.error());
    if (definition->empty()) return;
    static_cast<void>(compute::checkDeductionEdit(*s.host, templateId, field, before.decimal(),
                                                  after.decimal(), cit2Period(s), *definition));
}

// The service function of the CIT-2 (17) window: after the question, the statement
// definitions of this declaration are replaced by those an earlier program version made.
void restoreDefinitions(FormWindow&, WindowSession& s) {
    const std::int32_t id = s.state->CIT_ID_DEKLARACJI;
    if (id == 0 || s.host->ui == nullptr) return;
    if (s.host->ui->message({host::kTitleQuestion,
                             "Funkcja serwisowa - przywrócenie definicji obliczeń", "&Tak|&Nie",
                             host::MessageIcon::Question, 2}) != 1)
        return;
    store::BusyCursor busy(s.host->ui);
    if (!utility(s).EXECSQL("call TG_UPGRADE7810_PITCIT(" + std::to_string(id) + ")")) {
        utility(s).MSG_OST(utility(s).fileErrorText());
        return;
    }
    utility(s).MSG_INF("Przywrócono poprzednie definicje obliczeń dla wybranej deklaracji.");
}

// "Przelew": the host's bank-transfer form of this declaration, changed when one exists.
void transfer(FormWindow&, WindowSession& s) {
    openTransfer(*s.host, s.state->CIT_ID_DEKLARACJI, s.fields->templateId());
}

// The advances of positions 68 to 90 (edition 24; 65 to 87 in edition 23 and 59 to 81 in
// edition 21, through the form's map) from the company's stored CIT-2 returns (position 45 of
// the newest CIT-2, the latest one of each month). Monthly: the n-th month of the fiscal year
// into 68 + n - 1, their sum into 91. Quarterly: the n-th quarter-end month into 70 + 3 (n - 1)
// and the sum into 91; edition 21 keeps its quarters apart (83 to 90, sum 91).
void fillAdvances(WindowSession& s, bool quarterly) {
    if (s.host->ui == nullptr) return;
    const compute::FormEdition* edition = compute::FormEdition::forTemplate(s.fields->templateId());
    if (edition == nullptr) return module::notBuilt(*s.host);
    const compute::FormEdition::QuarterlyAdvances& ownQuarters = edition->quarterlyAdvances();
    // Edition 21 asks without the note on where the amounts go.
    const std::string question =
        std::string("Czy chcesz uzupełnić kwoty należnych zaliczek ") +
        (quarterly ? "kwartalnych" : "miesięcznych") + " na podstawie wypełnionych formularzy CIT-2 ?" +
        (ownQuarters.first != 0 ? ""
                                : "|Uwaga! Kwoty trafią we właściwe pole, jeżeli w danym roku "
                                  "obrotowym wszystkie formularze CIT-2 są wypełnione i zapisane.");
    if (s.host->ui->message({host::kTitleQuestion, question, "&Tak|&Nie",
                             host::MessageIcon::Question, 1}) != 1)
        return;
    const host::Globals& g = s.host->data->globals();
    // The declaration's own fiscal year; the host's current one when it is not known.
    const std::int32_t yearStart =
        s.state->CIT_POCZATEK_ROKU != 0 ? s.state->CIT_POCZATEK_ROKU : g.DANE_POCZATEK_ROKU;
    const std::int32_t yearEnd =
        s.state->CIT_POCZATEK_ROKU != 0 ? s.state->CIT_KONIEC_ROKU : g.DANE_KONIEC_ROKU;
    compute::fillAdvancesFromCit2(*s.host, *edition, g.DANE_ID_FIRMY, yearStart, yearEnd,
                                  *s.fields, quarterly);
}

void fillMonthly(FormWindow&, WindowSession& s) { fillAdvances(s, false); }
void fillQuarterly(FormWindow&, WindowSession& s) { fillAdvances(s, true); }

// CIT-8: the advances (edition 24: 68 to 90; edition 23: 65 to 87; edition 21: 59 to 81,
// through the form's map) and their sum as typed (91; 88; 82); edition 21's quarterly
// advances 83 to 90 into 91.
void cit8AdvanceSum(FormWindow& w, WindowSession& s, int field) {
    const compute::FormEdition* edition = compute::FormEdition::forTemplate(s.fields->templateId());
    if (edition == nullptr) return;
    const auto at = [&](int p24) { return edition->position(p24).value_or(0); };
    const compute::FormEdition::QuarterlyAdvances& q = edition->quarterlyAdvances();
    int first = at(68), last = at(90), sumField = at(91);
    if (q.first != 0 && field >= q.first && field < q.first + q.count) {
        first = q.first;
        last = q.first + q.count - 1;
        sumField = q.sum;
    }
    if (field < first || field > last) return;
    Decimal sum;
    for (int n = first; n <= last; ++n) sum += w.fields()[n].decimal();
    try {
        w.fields()[sumField].setDecimal(sum, values::Rounding::Never);
    } catch (const std::overflow_error&) {
        // A sum beyond 15 digits cannot be held: the sum keeps its value and the person is
        // told, rather than a wrapped or cut total.
        const host::HostBinding* host = w.context().host;
        if (host != nullptr && host->ui != nullptr)
            host->ui->message({host::kTitleWarning,
                               "Suma zaliczek z poz. " + std::to_string(first) + " do " +
                                   std::to_string(last) + " przekracza 15 cyfr.",
                               "&OK", host::MessageIcon::Warning, 1});
    }
}

// "Sprawdź": the pre-filing check of the values as they stand in the window (nothing is
// saved or changed), its list, and the cursor on the chosen item's position: a CIT-8
// position itself, for an attachment the position that announces it.
void checkCit8(FormWindow& w, WindowSession& s) {
    if (s.host->ui == nullptr) return;
    check::CheckResult result;
    {
        store::BusyCursor busy(s.host->ui);
        result = check::checkFields(*s.host, *s.state, *s.fields);
    }
    if (!result.checked) return utility(s).MSG_INF(result.note);
    if (result.items.empty())
        return utility(s).MSG_INF("Sprawdzenie deklaracji nie wykazało błędów ani uwag.");
    auto doc = builtInDialog("CIT_8_Sprawdz");
    if (!doc) return utility(s).MSG_OST(doc.error());
    host::PlainWindow list(std::move(*doc), s.host->ui);
    std::vector<host::ListRow> rows;
    for (std::size_t i = 0; i < result.items.size(); ++i) {
        const check::CheckItem& item = result.items[i];
        std::vector<std::string> positions;
        for (int p : item.positions) positions.push_back(std::to_string(p));
        const std::vector<std::string> columns = {
            item.severity == check::Severity::Error ? "Błąd" : "Uwaga",
            check::formOf(item),
            values::join(positions, ","), item.text};
        rows.push_back({std::to_string(i + 1), values::join(columns, " | ")});
    }
    list.setRows("WYNIKI", std::move(rows));
    list.chooseRow("WYNIKI", 0);
    list.setValue("PODSUMOWANIE", "Błędy: " + std::to_string(result.errors()) +
                                      ", uwagi: " + std::to_string(result.warnings()));
    list.onAction("go", [&list] {
        list.finish(values::parseInteger<int>(list.value("WYNIKI")).value_or(0));
    });
    const int chosen = s.host->ui->runWindow({&list, s.ini, false});
    if (chosen <= 0 || chosen > static_cast<int>(result.items.size())) return;
    const check::CheckItem& item = result.items[static_cast<std::size_t>(chosen - 1)];
    const std::optional<int> field = check::positionShowing(
        s.fields->main().list().form(), item.form,
        item.positions.empty() ? 0 : item.positions.front());
    if (field) w.focusField(*field);
}

// ---- CIT-8/O (11) --------------------------------------------------------------------------

void computeCit8o(FormWindow&, WindowSession& s) {
    if (s.state->CIT_POCZATEK_ROKU == 0) {
        utility(s).MSG_OST("Brak roku obrotowego firmy obejmującego okres deklaracji.");
        return;
    }
    const module::DeclarationKind* kind = kindOf(s);
    if (kind == nullptr || kind->computeAttachment == nullptr) return module::notBuilt(*s.host);
    kind->computeAttachment(*s.host, *s.state, *s.fields, true);
}

// The attachment's NIP (1) and period (4, 5) are the return's: shown when the window opens,
// whatever the attachment was stored with.
void cit8oHeader(FormWindow& w, WindowSession& s, int field) {
    if (field != 0) return;
    const store::FieldSet& main = s.fields->main();
    store::FieldSet& o = w.fields();
    for (const int n : {1, 4, 5})
        if (main.has(n) && o.has(n)) static_cast<void>(o.loadStored(n, main.stored(n)));
}

// "Odśwież": the attachment's totals and caps, nothing rounded and no statement run.
void refreshCit8o(FormWindow& w, WindowSession& s) {
    cit8oHeader(w, s, 0);
    store::BusyCursor busy(s.host->ui);
    compute::FieldSetAmounts amounts(*s.fields);
    const compute::FormEdition* edition = compute::FormEdition::forTemplate(s.fields->templateId());
    if (edition == nullptr) return module::notBuilt(*s.host);
    // An attachment edition of its own (CIT-8/O (8)) has no totals of CIT-8/O (11).
    if (!edition->ownAttachmentStatements().empty()) return;
    compute::Cit8oRules(*edition, amounts).applyAll();
}

// ---- CIT-BR (1) ----------------------------------------------------------------------------

// The checks of one CIT-BR attachment; each only tells.
void checkCitBr(WindowSession& s, const store::FieldSet& f) {
    for (const compute::CitBrFinding& finding : compute::citBrLimits(f, s.copy))
        utility(s).MSG_INF(finding.text);
}

void refreshCitBr(FormWindow& w, WindowSession& s) {
    store::FieldSet& f = w.fields();
    header::CompanyData company;
    {
        store::BusyCursor busy(s.host->ui);
        const values::DayNumber periodEnd =
            store::parseStoredNumber(f[5].toStored()).value_or(0);
        company = header::loadCompanyData(utility(s), *s.host->data,
                                          s.host->data->globals().DANE_ID_FIRMY, periodEnd);
        f[1].setText(company.nip);
        if (s.copy == 1) {
            f[7].setText(company.fullName);
            f[8].setText(company.regon);
        }
        store::DeclarationIssues::replaceOf(
            s.fields->issues.failedReads, f.list().formName(),
            header::unreadPositions(company, f.list().formName(),
                                    {s.copy == 1 ? std::vector<int>{1, 7, 8} : std::vector<int>{1},
                                     {},
                                     {}}));
        try {
            f[16].setDecimal(compute::citBrSum16(f), values::Rounding::Never);
            f[19].setDecimal(compute::citBrSum19(f), values::Rounding::Never);
        } catch (const std::exception&) {
            busy.release();
            utility(s).MSG_OST("Suma kwot CIT-BR przekracza 15 cyfr.");
        }
    }
    header::tellWarnings(utility(s), company);
    checkCitBr(s, f);
}

void closeCitBr(FormWindow& w, WindowSession& s) {
    checkCitBr(s, w.fields());
    w.finish(0);
}

// CIT-BR: no kind of research (23) unless scientific research (21) is other than "no".
void citBrResearchKind(FormWindow& w, WindowSession&, int field) {
    if (field != 21 && field != 0) return;
    const bool no = trimmedText(w.fields(), 21) == "2";
    if (no) w.fields()[23].setText("0");
    w.setEntryEnabled(23, !no);
}

// ---- ORD-ZU --------------------------------------------------------------------------------

// Quotes in the justification become apostrophes when it is left.
// "Urząd": the tax office chosen in the picker becomes `field` (name and address); no choice
// changes nothing.
void pickOfficeInto(FormWindow& w, WindowSession& s, int field) {
    const std::int32_t office = header::pickTaxOffice(*s.host, s.ini);
    if (office == 0) return;
    w.fields()[field].setText(utility(s).GET_NAZWA_ADRES_URZEDU(1, office));
    s.fields->issues.typed(positionName(w.fields(), field));
}

// "Adres": the seat address chosen in the picker fills the country field `country` with
// "Polska" and the nine fields after it; an address that cannot be read changes nothing.
void pickAddressInto(FormWindow& w, WindowSession& s, int country) {
    const std::int32_t address = header::pickSeatAddress(*s.host, s.ini);
    if (address == 0 || s.host->data == nullptr) return;
    host::RecordFile& file = s.host->data->file(host::HostFileId::ADRESY_FIRMY);
    file.open();
    host::Record row;
    const bool found = file.fetch(host::kKeyAdresyFirmyPk,
                                  host::Record{{"ID_ADRESY_FIRMY", std::to_string(address)}}, row);
    file.close();
    if (!found) return;
    store::FieldSet& f = w.fields();
    f[country].setText("Polska");
    int field = country + 1;
    for (const char* column : {"WOJEWODZTWO", "POWIAT", "GMINA", "ULICA", "NR_DOMU", "NR_LOKALU",
                               "MIEJSCOWOSC", "KOD_POCZTOWY", "POCZTA"}) {
        s.fields->issues.typed(positionName(f, field));
        f[field++].setText(row.get(column));
    }
}

// CIT-8: the office in 6, the seat address in 10 to 19; CIT-D: the office in 7, the address
// in 13 to 22.
void officePicker(FormWindow& w, WindowSession& s) { pickOfficeInto(w, s, 6); }
void addressPicker(FormWindow& w, WindowSession& s) { pickAddressInto(w, s, 10); }
void officePickerCitD(FormWindow& w, WindowSession& s) { pickOfficeInto(w, s, 7); }
void addressPickerCitD(FormWindow& w, WindowSession& s) { pickAddressInto(w, s, 13); }
// CIT-2 (17): the office in 6, the seat address in 9 to 18.
void addressPickerCit2(FormWindow& w, WindowSession& s) { pickAddressInto(w, s, 9); }

// ---- CIT-D (3) and (5) ---------------------------------------------------------------------

// "Odswież": the company data for the period end in field 5: NIP, tax office, name, REGON
// and the seat address.
void refreshCitD(FormWindow& w, WindowSession& s) {
    store::FieldSet& f = w.fields();
    header::CompanyData c;
    {
        store::BusyCursor busy(s.host->ui);
        const values::DayNumber periodEnd = store::parseStoredNumber(f[5].toStored()).value_or(0);
        c = header::loadCompanyData(utility(s), *s.host->data,
                                    s.host->data->globals().DANE_ID_FIRMY, periodEnd);
    }
    f[1].setText(c.nip);
    f[7].setText(c.taxOffice);
    f[11].setText(c.fullName);
    f[12].setText(c.regon);
    int field = 13;
    for (const std::string* part : {&c.country, &c.province, &c.county, &c.commune, &c.street,
                                    &c.houseNumber, &c.flatNumber, &c.town, &c.postalCode,
                                    &c.postOffice})
        f[field++].setText(*part);
    f[13].setText("Polska");
    store::DeclarationIssues::replaceOf(
        s.fields->issues.failedReads, f.list().formName(),
        header::unreadPositions(c, f.list().formName(),
                                {{1, 11, 12}, {14, 15, 16, 17, 18, 19, 20, 21, 22}, {7}}));
    header::tellWarnings(utility(s), c);
}

void ordZuQuotes(FormWindow& w, WindowSession& s, int field) {
    if (field == 0) {
        // Opening: the company's NIP, name and REGON from the CIT-8 where the attachment has
        // none of its own yet.
        const module::DeclarationKind* kind = kindOf(s);
        if (kind == nullptr || kind->family != "CIT-8") return;
        const store::FieldSet& main = s.fields->main();
        store::FieldSet& z = w.fields();
        const std::pair<int, int> from[] = {{1, 1}, {5, 8}, {8, 9}};
        for (const auto& [own, of] : from)
            if (z.has(own) && main.has(of) && trimmedText(z, own).empty())
                static_cast<void>(z.loadStored(own, main.stored(of)));
        return;
    }
    if (field != 13 || s.host->utility == nullptr) return;
    w.fields()[13].setText(utility(s).ZAMIEN_ZNAK("\"", "'", w.fields()[13].text()));
}

// ---- the tables ----------------------------------------------------------------------------

using Handler = void (*)(FormWindow&, WindowSession&);
using TypingRule = void (*)(FormWindow&, WindowSession&, int field);

// Handlers by the form a window shows (its file's `form=`) and the action its buttons name:
// every edition's window of a form has the same behaviour.
struct HandlerRow {
    std::string_view form;
    std::string_view action;
    Handler run;
};

constexpr HandlerRow kHandlers[] = {
    {"CIT-8", "print", printWindow},
    {"CIT-8", "compute", computeCit8},
    {"CIT-8", "refresh", refreshCit8},
    {"CIT-8", "transfer", transfer},
    {"CIT-8", "save", saveAndClose},
    {"CIT-8", "close", closeCit8},
    {"CIT-8", "cit2-monthly", fillMonthly},
    {"CIT-8", "cit2-quarterly", fillQuarterly},
    {"CIT-8", "office-picker", officePicker},
    {"CIT-8", "address-picker", addressPicker},
    {"CIT-8", "check", checkCit8},
    {"CIT-8", "cit-st", citst_window::cit8CitSt},
    {"CIT-8/O", "print", printWindow},
    {"CIT-8/O", "compute", computeCit8o},
    {"CIT-8/O", "refresh", refreshCit8o},
    {"CIT-BR", "print", printWindow},
    {"CIT-BR", "refresh", refreshCitBr},
    {"CIT-BR", "close", closeCitBr},
    {"CIT-D", "print", printWindow},
    {"CIT-D", "refresh", refreshCitD},
    {"CIT-D", "office-picker", officePickerCitD},
    {"CIT-D", "address-picker", addressPickerCitD},
    {"CIT-2", "print", printWindow},
    {"CIT-2", "compute", computeCit8},
    {"CIT-2", "refresh", refreshCit2},
    {"CIT-2", "transfer", transfer},
    {"CIT-2", "save", saveAndClose},
    {"CIT-2", "close", closeCit8},
    {"CIT-2", "restore-definitions", restoreDefinitions},
    {"CIT-2", "office-picker", officePicker},
    {"CIT-2", "address-picker", addressPickerCit2},
    // The attachments of the CIT-2 editions: CIT-O (1), (2) and CIT-2/O (1) to (4).
    {"CIT-O", "print", printWindow},
    {"CIT-O", "compute", computeCit8},
    {"CIT-O", "refresh", refreshCit2},
    {"CIT-2/O", "print", printWindow},
    {"CIT-2/O", "compute", computeCit8},
    {"CIT-2/O", "refresh", refreshCit2},
    {"ORD-ZU", "print", printWindow},
    {"ORD-ZU", "refresh", redisplay},
    {"CIT-ST-window", "office-picker", citst_window::officePicker},
    {"CIT-ST-window", "pick-branches", citst_window::pickBranches},
    {"CIT-ST-window", "print-cit-st", citst_window::printCitSt},
    {"CIT-ST-window", "print-cit-sta", citst_window::printCitSta},
    {"CIT-ST-window", "save", citst_window::save},
};

// Typing rules by the form a window shows.
struct RuleRow {
    std::string_view form;
    TypingRule rule;
    bool onOpening;  // applied once when the window opens (field 0)
};

constexpr RuleRow kRules[] = {
    {"CIT-8", cit8AdvanceSum, false},
    {"CIT-BR", citBrResearchKind, true},
    {"CIT-8/O", cit8oHeader, true},
    {"ORD-ZU", ordZuQuotes, true},
    {"CIT-ST-window", citst_window::cells, true},
};

// The rules on an entry left with a changed value (the value before it is given), by window:
// the deduction question of the older CIT-2 attachments (not CIT-2/O (4)).
using ChangeRule = void (*)(FormWindow&, WindowSession&, int field, const values::FieldValue&);
struct ChangeRuleRow {
    std::string_view window;
    ChangeRule rule;
};

constexpr ChangeRuleRow kChangeRules[] = {
    {"CIT_O", deductionQuestion},    {"CIT_O_31", deductionQuestion},
    {"CIT_O_32", deductionQuestion}, {"CIT_O_33", deductionQuestion},
    {"CIT_O_34", deductionQuestion},
};

}  // namespace

void addWindowBehaviour(FormWindow& window, WindowSession& session) {
    const std::string& name = window.model().name;
    const std::string& form = window.declaration().form;
    bool ownSave = false;
    bool savesDeclaration = false;
    for (const HandlerRow& row : kHandlers) {
        if (row.form != form) continue;
        const Handler run = row.run;
        window.setHandler(std::string(row.action),
                          [run, &session](FormWindow& w) { run(w, session); });
        ownSave = ownSave || row.action == "save";
        savesDeclaration = savesDeclaration || run == saveAndClose;
    }
    // Closing asks while the window holds changes not yet saved: its own values, what an
    // attachment window left in the declaration, and (a declaration's window) "Oblicz".
    window.setChangesCheck([&session, &window, savesDeclaration] {
        return window.valuesChanged() || session.keptChanges ||
               (savesDeclaration && !session.unchanged);
    });
    if (!ownSave && session.owner != nullptr)
        window.setHandler("save", [&session](FormWindow& w) { keepInOwner(w, session); });
    TypingRule typing = nullptr;
    for (const RuleRow& row : kRules) {
        if (row.form != form) continue;
        typing = row.rule;
        if (row.onOpening) typing(window, session, 0);
    }
    window.setAfterEdit([typing, &session](FormWindow& w, int field) {
        typedValue(w, session, field);
        if (typing != nullptr) typing(w, session, field);
    });
    for (const ChangeRuleRow& row : kChangeRules) {
        if (row.window != name) continue;
        const ChangeRule rule = row.rule;
        window.setAfterChange(
            [rule, &session](FormWindow& w, int field, const values::FieldValue& before) {
                rule(w, session, field, before);
            });
    }
    if (session.owner != nullptr) {
        session.readOnly = session.owner->readOnly;
    } else if (session.arguments.existing && session.state->CIT_ID_DEKLARACJI != 0 &&
               session.host->utility != nullptr) {
        session.readOnly = store::readOnlyReason(*session.host, session.state->CIT_ID_DEKLARACJI);
    }
    if (!session.readOnly.empty()) window.setReadOnly(session.readOnly);
    window.markUnchanged();
}

}  // namespace citforms::windows
