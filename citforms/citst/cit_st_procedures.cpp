#include "citforms/citst/cit_st_procedures.h"

#include "citforms/print/print_variables.h"
#include "citforms/store/declaration_load.h"
#include "citforms/values/text.h"

namespace citforms::citst {

namespace {

int printCells(const print::PrintEnvironment& env, const print::PrintProcedure& procedure,
               const char* prefix, const std::vector<std::string>& cells) {
    print::MapVariables variables;
    for (std::size_t n = 1; n < cells.size(); ++n) {
        variables.set(prefix + std::to_string(n), cells[n]);
    }
    return print::runPrint(env, procedure, variables);
}

}  // namespace

std::int32_t AKTUALIZUJ_CIT_ST_201(module::ModuleState& module, std::int32_t id) {
    const store::SaveResult result =
        saveCitSt(module.host(), module.citSt, module.ODDZIALY_CIT_ST, id);
    store::tell(module.host(), result.notices);
    switch (result.outcome) {
        case store::SaveOutcome::Saved: return result.id;
        case store::SaveOutcome::Locked: return 4;
        case store::SaveOutcome::Failed: break;
    }
    return 0;
}

namespace {

// Rows the load left out are named once, as the loads of the returns name unreadable values.
void tellIgnored(const host::HostBinding& host, const store::DeclarationIssues& issues) {
    if (issues.ignored.empty()) return;
    host.utility->MSG_OST("Zapisane pozycje, które nie należą do żadnego pola informacji, "
                          "pominięto: " +
                          store::DeclarationIssues::join(issues.ignored) + ".");
}

}  // namespace

bool WYPELNIJ_ZMIENNE_CIT_ST_201(module::ModuleState& module, std::int32_t id) {
    const values::Status loaded =
        loadCitSt(module.host(), id, module.citSt, module.ODDZIALY_CIT_ST);
    if (!loaded) module.host().utility->MSG_OST(loaded.error());
    tellIgnored(module.host(), module.citSt.issues);
    return loaded.ok();
}

void loadCitStKind(const host::HostBinding& host, const module::DeclarationState& state,
                   store::DeclarationFields& fields) {
    const values::Status loaded =
        loadCitSt(host, state.CIT_ID_DEKLARACJI, fields, module::moduleState().ODDZIALY_CIT_ST);
    tellIgnored(host, fields.issues);
    if (loaded) return;
    // What could not be read must not be shown as the CIT-ST, nor saved over it.
    fields.issues.incomplete = true;
    host.utility->MSG_OST(loaded.error());
}

void WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ(module::ModuleState& module, std::int32_t form,
                                           std::int32_t forms) {
    module.VST = citStCopyCells(module.citSt, module.ODDZIALY_CIT_ST, form, forms);
}

void WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ(module::ModuleState& module, std::int32_t form) {
    module.VSTA = citStaCopyCells(module.citSt, module.ODDZIALY_CIT_ST, form);
}

const print::PrintProcedure& citStPrint201() {
    static const print::PrintProcedure procedure{"CIT_ST_Prn_201"};
    return procedure;
}

const print::PrintProcedure& citStaPrint201() {
    static const print::PrintProcedure procedure{"CIT_STA_Prn_201"};
    return procedure;
}

int CIT_ST_Prn_201(const print::PrintEnvironment& env, const std::vector<std::string>& cells) {
    return printCells(env, citStPrint201(), "VST_", cells);
}

int CIT_STA_Prn_201(const print::PrintEnvironment& env, const std::vector<std::string>& cells) {
    return printCells(env, citStaPrint201(), "VSTA_", cells);
}

std::int32_t linkedCitSt(const host::HostBinding& host, std::int32_t cit8Id) {
    return store::parseStoredNumber(
               values::trim(host.utility->FUNCVAY(
                   "select a.ID_DEKLARACJE_NAG_2 from DEKLARACJE_NAG_INTER a inner join "
                   "DEKLARACJE_NAG b on a.ID_DEKLARACJE_NAG_2 = b.ID_DEKLARACJE_NAG where "
                   "a.ID_DEKLARACJE_NAG_1 = " +
                   std::to_string(cit8Id) + " AND b.INFO_2='CIT-ST'")))
        .value_or(0);
}

std::string missingCitStMessage(std::int32_t cit8Id, bool pdfWritten) {
    return "Deklaracja CIT-8 (id " + std::to_string(cit8Id) +
           ") zapowiada informację CIT-ST, ale nie ma powiązanej informacji CIT-ST" +
           (pdfWritten ? "; plik PDF nie zawiera stron CIT-ST." : ".");
}

}  // namespace citforms::citst
