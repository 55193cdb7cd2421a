#include "citforms/header/new_cit8.h"

#include "citforms/compute/cit8_procedures.h"
#include "citforms/header/company_data.h"
#include "citforms/module/declaration_kinds.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/declaration_save.h"

namespace citforms::header {

namespace {

void report(void (*progress)(int), int percent) {
    if (progress != nullptr) progress(percent);
}

}  // namespace

values::DayNumber cit8Period(const FiscalYear& year) {
    return values::secondOfMonth(year.end);
}

std::string proposedEdition(values::DayNumber period) {
    // The edition whose kind file gives periods the period falls in, else the fallback.
    std::string fallback;
    for (const module::DeclarationKind& k : module::declarationKinds()) {
        if (k.family != "CIT-8" || k.file == nullptr) continue;
        if (k.file->proposedFor(period)) return k.edition;
        if (k.file->fallback && fallback.empty()) fallback = k.edition;
    }
    return fallback;
}

std::int32_t chooseCit8Template(const host::HostBinding& host, values::DayNumber period,
                                const std::string& edition) {
    const std::int32_t found =
        store::parseStoredNumber(
            host.utility->FUNCVAY("select top 1 id_deklaracje_wzorzec from DEKLARACJE_WZORZEC "
                                  "where typ='CIT-8' AND data_od <= " +
                                  std::to_string(period) + " order by data_od desc"))
            .value_or(0);
    // A CIT-8 template of this module gives way to the edition the person chose.
    const module::DeclarationKind* kind = module::declarationKind(found);
    if (kind == nullptr || kind->family != "CIT-8") return found;
    for (const module::DeclarationKind& k : module::declarationKinds()) {
        if (k.family == "CIT-8" && k.edition == edition) return k.templateId;
    }
    return found;
}

std::int32_t prepareNewCit8(const host::HostBinding& host, module::DeclarationState& state,
                            store::DeclarationFields& fields, const FiscalYear& year,
                            const std::string& edition, std::int32_t copyFrom,
                            void (*progress)(int)) {
    const values::DayNumber period = cit8Period(year);
    state.CIT_POCZATEK_ROKU = year.start;
    state.CIT_KONIEC_ROKU = year.end;
    state.CIT_ID_WZORCA = chooseCit8Template(host, period, edition);
    report(progress, 10);
    report(progress, 20);
    state.CIT_ID_DEKLARACJI = 0;

    std::int32_t id = 0;
    const module::DeclarationKind* kind = module::declarationKind(state.CIT_ID_WZORCA);
    if (kind != nullptr && kind->family == "CIT-8" && kind->save != nullptr &&
        kind->compute != nullptr) {
        id = kind->save(host, state, fields, 0, 0, period, copyFrom, nullptr);
    } else {
        module::notBuilt(host);
    }
    state.CIT_ID_DEKLARACJI = id;
    if (id == 0) {
        report(progress, 100);
        return 0;
    }

    const CompanyData company =
        loadCompanyData(*host.utility, *host.data, host.data->globals().DANE_ID_FIRMY, period);
    tellWarnings(*host.utility, company);
    report(progress, 40);
    // The new declaration starts from empty forms of its kind: nothing of the declaration
    // open before it may stay behind.
    fields.hold(state.CIT_ID_WZORCA);
    fields.main()[7].setText("1");
    compute::fillIdentification(fields, company);
    if (kind->zeroedOnCreation != 0) fields.main()[kind->zeroedOnCreation].setText("0");
    report(progress, 70);

    kind->compute(host, state, fields, false);
    report(progress, 100);
    return id;
}

}  // namespace citforms::header
