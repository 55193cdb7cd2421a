#include "citforms/workflows/automation.h"

#include <vector>

#include "citforms/check/declaration_check.h"
#include "citforms/compute/cit2_advances.h"
#include "citforms/compute/cit8_procedures.h"
#include "citforms/compute/field_set_amounts.h"
#include "citforms/compute/form_rules.h"
#include "citforms/kinds/declaration_kinds.h"
#include "citforms/state/fiscal_year.h"
#include "citforms/workflows/action_transaction.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/declaration_save.h"
#include "citforms/workflows/new_cit2.h"
#include "citforms/workflows/new_cit8.h"

namespace citforms::module {

namespace {

std::int32_t number(const std::string& text) {
    return store::parseStoredNumber(text).value_or(0);
}

// Automation has no person to decide whether amounts that could not be computed or read may
// be saved: it saves only a declaration whose every statement and stored value was taken.
bool refuseIncomplete(host::UtilityLibrary& u, const store::DeclarationIssues& issues,
                      std::int32_t id) {
    std::string reasons;
    const auto add = [&](const char* what, const std::vector<std::string>& names) {
        if (names.empty()) return;
        reasons += std::string(reasons.empty() ? "" : " ") + what +
                   store::DeclarationIssues::join(names) + ".";
    };
    if (issues.incomplete) reasons = "Nie została wczytana w całości.";
    add("Nie obliczono zestawień pól: ", issues.failedStatements);
    add("Nie odczytano danych firmy do pól: ", issues.failedReads);
    add("Nieczytelne wartości zapisane w polach: ", issues.unreadable);
    add("Teksty skrócone do pojemności pól: ", issues.cut);
    if (reasons.empty()) return false;
    u.MSG_OST("Deklaracja " + (id != 0 ? std::to_string(id) + " " : std::string()) +
              "nie została zapisana. " + reasons);
    return true;
}


}  // namespace

namespace {

// A new declaration made by `prepare` (which returns its id, 0 for none) and saved as its
// window's first save would save it. Header, definitions, computation and the first save are
// one transaction: a creation that fails or is interrupted leaves nothing behind.
template <class Prepare>
std::int32_t makeAndSave(ModuleState& module, std::int32_t period, Prepare prepare) {
    const host::HostBinding& host = module.host();
    ActionTransaction transaction(*host.utility);
    if (!transaction.open()) return 0;
    // Nothing of the new declaration was loaded: what a read of the declaration before it left
    // in the issues (a batch's previous company) is not this one's.
    module.fields.issues.clearLoad();
    const std::int32_t id = prepare();
    if (id == 0 || refuseIncomplete(*host.utility, module.fields.issues, 0)) {
        module.declaration.CIT_ID_DEKLARACJI = 0;
        return 0;
    }
    const DeclarationKind* kind = declarationKind(module.declaration.CIT_ID_WZORCA);
    store::SaveOutcome outcome = store::SaveOutcome::Failed;
    const std::int32_t saved =
        kind->save(host, module.declaration, module.fields, 1, id, period, 0, &outcome);
    if (outcome != store::SaveOutcome::Saved || !transaction.commit()) {
        module.declaration.CIT_ID_DEKLARACJI = 0;
        return 0;
    }
    module.declaration.CIT_ID_DEKLARACJI = saved;
    return saved;
}

}  // namespace

std::vector<std::string> fillAsInWindow(ModuleState& module) {
    const host::HostBinding& host = module.host();
    const DeclarationState& state = module.declaration;
    store::DeclarationFields& fields = module.fields;
    const compute::FormEdition* edition = compute::FormEdition::forTemplate(fields.templateId());
    std::vector<std::string> done;
    if (edition == nullptr || state.CIT_POCZATEK_ROKU == 0) return done;
    const std::int32_t company = host.data->globals().DANE_ID_FIRMY;

    // The fill button the company's way of paying calls for, on a year with CIT-2 returns.
    const bool quarterly = compute::paysQuarterly(*host.utility, company);
    store::DeclarationFields filled = fields;
    const int returns = compute::fillAdvancesFromCit2(host, *edition, company,
                                                      state.CIT_POCZATEK_ROKU,
                                                      state.CIT_KONIEC_ROKU, filled, quarterly);
    if (returns > 0) {
        fields = std::move(filled);
        done.push_back(std::string("advances\t") + (quarterly ? "quarterly" : "monthly") +
                       "\t" + std::to_string(returns) + " CIT-2 returns");
    }

    // A CIT-8/O whose amounts reach the CIT-8 is announced in its count.
    store::FieldSet& main = fields.main();
    const std::optional<int> count = check::countPosition(main.list().form(), "CIT-8/O");
    if (count && main.has(*count) && main[*count].decimal().isZero() &&
        compute::cit8oCarriesAmounts(*edition, fields)) {
        main[*count].setDecimal(values::Decimal(1), values::Rounding::Never);
        done.push_back("count\t" + std::to_string(*count) + "\t1 CIT-8/O");
    }

    // The form's rules from the top, as the window's refresh applies them to what was filled.
    if (!done.empty()) {
        compute::FieldSetAmounts amounts(fields);
        compute::Cit8Rules(*edition, amounts).applyAll();
    }
    return done;
}

std::int32_t newCit8(ModuleState& module, std::int32_t yearStart, std::int32_t yearEnd,
                     const std::string& edition, std::int32_t copyFrom,
                     std::vector<std::string>* filled) {
    const header::FiscalYear year{0, yearStart, yearEnd};
    const std::int32_t period = header::cit8Period(year);
    const std::string chosen = edition.empty() ? header::proposedEdition(period) : edition;
    return makeAndSave(module, period, [&] {
        const std::int32_t id = header::prepareNewCit8(module.host(), module.declaration,
                                                       module.fields, year, chosen, copyFrom);
        if (id != 0 && filled != nullptr) *filled = fillAsInWindow(module);
        return id;
    });
}

std::int32_t newCit2(ModuleState& module, std::int32_t yearStart, std::int32_t yearEnd,
                     std::int32_t period, const std::string& edition, std::int32_t copyFrom) {
    const host::HostBinding& host = module.host();
    const header::FiscalYear year{0, yearStart, yearEnd};
    period = header::cit2Period(year, period);
    if (!header::confirmQuarterlyMonth(host, period)) return 0;
    std::int32_t templateId = 0;
    if (edition.empty()) {
        templateId = header::chooseCit2Template(host, year, period);
    } else {
        for (const DeclarationKind& k : declarationKinds()) {
            if (k.family == "CIT-2" && k.edition == edition) templateId = k.templateId;
        }
    }
    if (templateId == 0) return 0;
    return makeAndSave(module, period, [&] {
        return header::prepareNewCit2(host, module.declaration, module.fields, year, period,
                                      templateId, copyFrom);
    });
}

std::int32_t recomputeCit8(ModuleState& module, std::int32_t id, Recompute how,
                           std::vector<std::string>* filled) {
    const host::HostBinding& host = module.host();
    host::UtilityLibrary& u = *host.utility;
    const std::string sql =
        "select id_deklaracje_wzorzec, data_okresu, id_firmy from DEKLARACJE_NAG where "
        "id_deklaracje_nag = " +
        std::to_string(id);
    if (!u.EXECVAX(sql)) {
        u.MSG_OST(u.fileErrorText());
        return 0;
    }
    host::ResultRow header;
    if (!host.data->result(host::ResultFileId::VAX_FK).next(header)) {
        u.MSG_OST("Nie znaleziono deklaracji o identyfikatorze " + std::to_string(id) + ".");
        return 0;
    }
    const std::int32_t templateId = number(header.column(0));
    const std::int32_t period = number(header.column(1));
    if (!ofCurrentCompany(host, id, number(header.column(2)))) return 0;
    const DeclarationKind* kind = declarationKind(templateId);
    if (kind == nullptr || kind->load == nullptr || kind->compute == nullptr ||
        kind->recalculate == nullptr || kind->save == nullptr) {
        notBuilt(host);
        return 0;
    }

    DeclarationState& state = module.declaration;
    readFiscalYear(host, state, period);
    if (how == Recompute::Statements && state.CIT_POCZATEK_ROKU == 0) {
        // Without the fiscal year every statement would be taken over an empty period and
        // the stored amounts replaced by zeros.
        u.MSG_OST("Brak roku obrotowego firmy obejmującego okres deklaracji " +
                  std::to_string(id) + ".");
        return 0;
    }
    state.CIT_ID_WZORCA = templateId;
    state.CIT_ID_WZORCA_CIT2 = templateId;
    state.CIT_ID_DEKLARACJI = id;

    // Load, computation and save see one state of the database and write all or nothing.
    ActionTransaction transaction(u);
    if (!transaction.open()) return 0;
    store::DeclarationFields& fields = module.fields;
    kind->load(host, state, fields);
    fields.issues.failedStatements.clear();

    if (how == Recompute::Statements) {
        kind->compute(host, state, fields, true);
    } else {
        kind->recalculate(host, fields, period);
    }
    // What could not be read was taken as 0 or cut: saving would replace the stored text.
    if (refuseIncomplete(u, fields.issues, id)) return 0;
    if (filled != nullptr && kind->family == "CIT-8") *filled = fillAsInWindow(module);

    store::SaveOutcome outcome = store::SaveOutcome::Failed;
    const std::int32_t saved = kind->save(host, state, fields, 1, id, period, 0, &outcome);
    state.CIT_ID_DEKLARACJI = saved;
    if (outcome != store::SaveOutcome::Saved || !transaction.commit()) return 0;
    return saved;
}

}  // namespace citforms::module
