#include "citforms/shell/correction.h"

#include <string_view>

#include "citforms/forms/form.h"
#include "citforms/kinds/declaration_kinds.h"
#include "citforms/shell/declaration_diff.h"
#include "citforms/state/fiscal_year.h"
#include "citforms/store/correction_links.h"
#include "citforms/store/declaration_save.h"
#include "citforms/workflows/action_transaction.h"
#include "citforms/workflows/automation.h"

namespace citforms::module {

namespace {

// The answer of a purpose-of-filing position that makes the form a correction, as the form
// file names it ("2=korekta zeznania", "2=korekta informacji"); empty for other positions.
std::string correctionAnswer(const forms::FieldDef& field) {
    for (const auto& [answer, text] : field.answerTexts) {
        if (text.rfind("korekta", 0) == 0) return answer;
    }
    return {};
}

// Every purpose position of every form (each copy of a numbered one) set to its correction
// answer. False when the main form has no such position.
bool markAsCorrection(store::DeclarationFields& fields) {
    bool mainMarked = false;
    bool first = true;
    for (store::HeldForm& held : fields.forms()) {
        const bool main = first;
        first = false;
        for (const forms::FieldDef& field : held.def->fields) {
            const std::string answer = correctionAnswer(field);
            if (answer.empty()) continue;
            if (held.numbered()) {
                for (std::int32_t copy : held.copies.copyNumbers())
                    held.copies.set(copy, field.number, answer);
            } else if (held.set.has(field.number)) {
                held.set[field.number].setText(answer);
                mainMarked = mainMarked || main;
            }
        }
    }
    return mainMarked;
}

bool isPurpose(const store::DeclarationFields& fields, const PositionChange& change) {
    const store::HeldForm* held = fields.find(change.form);
    const forms::FieldDef* field = held == nullptr ? nullptr : held->def->field(change.position);
    return field != nullptr && !correctionAnswer(*field).empty();
}

constexpr std::string_view kJustificationForm = "ORD-ZU";
constexpr int kJustification = 13;

// ORD-ZU position 13 of `correction` listing what differs from `corrected`, the purpose
// positions and the ORD-ZU itself aside. False when the kind carries no ORD-ZU.
bool justify(store::DeclarationFields& correction, const store::DeclarationFields& corrected,
             std::vector<std::string>* notes) {
    store::HeldForm* ordzu = correction.find(kJustificationForm);
    if (ordzu == nullptr || !ordzu->set.has(kJustification)) return false;
    std::vector<PositionChange> changes;
    for (PositionChange& c : differences(corrected, correction)) {
        if (c.form != kJustificationForm && !isPurpose(correction, c)) changes.push_back(std::move(c));
    }
    std::size_t leftOut = 0;
    const std::size_t capacity = ordzu->set[kJustification].capacity();
    ordzu->set[kJustification].setText(justificationText(correction, changes, capacity, &leftOut));
    if (notes != nullptr) {
        notes->push_back("justify\t" + std::to_string(changes.size() - leftOut) + " positions" +
                         (leftOut > 0 ? "\t" + std::to_string(leftOut) + " left out" : ""));
    }
    return true;
}

std::int32_t refuse(host::UtilityLibrary& u, const std::string& why) {
    u.MSG_OST(why);
    return 0;
}

}  // namespace

std::optional<bool> filedOrLocked(const host::HostBinding& host, std::int32_t id) {
    const std::string state = host.utility->FUNCVAY(
        "select blokada_stan from DEKLARACJE_NAG_VIEW where id_deklaracje_nag = " +
        std::to_string(id));
    if (host.utility->errorStatus().code != 0) return std::nullopt;
    return state == "1";
}

std::int32_t makeCorrection(ModuleState& module, std::int32_t id, bool withJustification,
                            std::vector<std::string>* notes) {
    const host::HostBinding& host = module.host();
    host::UtilityLibrary& u = *host.utility;
    if (!declarationOfCurrentCompany(host, id)) return 0;
    ActionTransaction transaction(u);  // anything that ends the work early writes nothing
    if (!transaction.open()) return 0;

    // A return corrected already is corrected again from its newest correction.
    const std::optional<std::int32_t> newest = store::newestInChain(host, id);
    if (!newest) return refuse(u, u.fileErrorText());
    const std::string source = std::to_string(*newest);
    const std::optional<bool> filed = filedOrLocked(host, *newest);
    if (!filed) return refuse(u, u.fileErrorText());
    if (!*filed) {
        return refuse(u, *newest == id
                             ? "Deklaracja " + source +
                                   " nie jest złożona ani zablokowana: zmienia się ją samą, "
                                   "bez korekty."
                             : "Deklaracja " + std::to_string(id) + " ma już korektę " + source +
                                   ", która nie jest złożona ani zablokowana: poprawia się ją, "
                                   "bez kolejnej korekty.");
    }

    store::DeclarationFields& fields = module.fields;
    std::int32_t templateId = 0;
    std::int32_t period = 0;
    if (values::Status loaded = loadWhole(module, *newest, fields, &templateId, &period); !loaded)
        return refuse(u, loaded.error());
    const DeclarationKind* kind = declarationKind(templateId);
    if (kind == nullptr || kind->family != "CIT-8" || kind->save == nullptr)
        return refuse(u, "Korektę sporządza się tu tylko do zeznania CIT-8; deklaracja " + source +
                             " nim nie jest.");
    const store::DeclarationFields corrected = fields;
    if (!markAsCorrection(fields))
        return refuse(u, "Formularz deklaracji " + source + " nie ma pozycji celu złożenia.");
    if (withJustification) justify(fields, corrected, notes);

    // A new declaration: its own header, with the statement definitions of the return.
    DeclarationState& state = module.declaration;
    state.CIT_ID_WZORCA = templateId;
    state.CIT_ID_WZORCA_CIT2 = templateId;
    state.CIT_ID_DEKLARACJI = 0;
    fields.loaded.reset();
    store::SaveOutcome outcome = store::SaveOutcome::Failed;
    const std::int32_t saved = kind->save(host, state, fields, 1, 0, period, *newest, &outcome);
    if (outcome != store::SaveOutcome::Saved || saved == 0) return 0;
    if (!store::insertCorrectionLink(host, *newest, saved)) {
        return refuse(u, "Korekta deklaracji " + source + " nie została zapisana: " +
                             u.fileErrorText());
    }
    u.LOG_ADD(saved, "Korekta deklaracji " + source + ", id:" + std::to_string(saved), "X", "D");
    // A CIT-ST belongs to one CIT-8: it stays with the return it was filed with.
    const std::int32_t citSt = store::readCit8Link(host, *newest);
    if (u.errorStatus().code != 0) return refuse(u, u.fileErrorText());
    if (!transaction.commit()) return 0;
    state.CIT_ID_DEKLARACJI = saved;
    if (notes != nullptr) {
        if (*newest != id) notes->insert(notes->begin(), "corrects\t" + source);
        if (citSt != 0) {
            notes->push_back("cit-st\t" + std::to_string(citSt) + "\tpowiązana z deklaracją " +
                             source);
        }
    }
    return saved;
}

std::int32_t justifyCorrection(ModuleState& module, std::int32_t id,
                               std::vector<std::string>* notes) {
    const host::HostBinding& host = module.host();
    host::UtilityLibrary& u = *host.utility;
    if (!declarationOfCurrentCompany(host, id)) return 0;
    ActionTransaction transaction(u);  // anything that ends the work early writes nothing
    if (!transaction.open()) return 0;
    const std::optional<std::int32_t> original = store::correctionOf(host, id);
    if (!original) return refuse(u, u.fileErrorText());
    if (*original == 0)
        return refuse(u, "Deklaracja " + std::to_string(id) + " nie jest korektą.");
    const std::optional<bool> filed = filedOrLocked(host, id);
    if (!filed) return refuse(u, u.fileErrorText());
    if (*filed) {
        return refuse(u, "Korekta " + std::to_string(id) +
                             " jest złożona lub zablokowana; jej uzasadnienie się nie zmienia.");
    }
    store::DeclarationFields corrected;
    if (values::Status loaded = loadWhole(module, *original, corrected); !loaded)
        return refuse(u, loaded.error());
    store::DeclarationFields& fields = module.fields;
    std::int32_t templateId = 0;
    std::int32_t period = 0;
    if (values::Status loaded = loadWhole(module, id, fields, &templateId, &period); !loaded)
        return refuse(u, loaded.error());
    const DeclarationKind* kind = declarationKind(templateId);
    if (kind == nullptr || kind->save == nullptr) {
        notBuilt(host);
        return 0;
    }
    if (!justify(fields, corrected, notes))
        return refuse(u, "Deklaracja " + std::to_string(id) + " nie ma załącznika ORD-ZU.");
    DeclarationState& state = module.declaration;
    state.CIT_ID_WZORCA = templateId;
    state.CIT_ID_WZORCA_CIT2 = templateId;
    state.CIT_ID_DEKLARACJI = id;
    store::SaveOutcome outcome = store::SaveOutcome::Failed;
    const std::int32_t saved = kind->save(host, state, fields, 1, id, period, 0, &outcome);
    if (outcome != store::SaveOutcome::Saved || !transaction.commit()) return 0;
    return saved;
}

}  // namespace citforms::module
