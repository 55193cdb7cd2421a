#include "citforms/module/automation.h"

#include "citforms/compute/cit8_procedures.h"
#include "citforms/header/new_cit8.h"
#include "citforms/store/declaration_load.h"
#include "citforms/store/declaration_save.h"

namespace citforms::module {

namespace {

std::int32_t number(const std::string& text) {
    return store::parseStoredNumber(text).value_or(0);
}

// The fiscal year of the company that holds the last day of the period's month.
void readFiscalYear(const host::HostBinding& host, DeclarationState& state, std::int32_t period) {
    const std::int32_t e = values::lastDayOfMonth(period);
    const std::string sql =
        "select poczatek_roku, koniec_roku from LATA_OBROTOWE where id_firmy = " +
        std::to_string(host.data->globals().DANE_ID_FIRMY) +
        " AND poczatek_roku <= " + std::to_string(e) + " AND koniec_roku >= " + std::to_string(e);
    state.CIT_POCZATEK_ROKU = 0;
    state.CIT_KONIEC_ROKU = 0;
    if (!host.utility->EXECVAX(sql)) {
        host.utility->MSG_OST(host.utility->fileErrorText());
        return;
    }
    host::ResultRow row;
    if (host.data->result(host::ResultFileId::VAX_FK).next(row)) {
        state.CIT_POCZATEK_ROKU = number(row.column(0));
        state.CIT_KONIEC_ROKU = number(row.column(1));
    }
}

}  // namespace

std::int32_t newCit8(ModuleState& module, std::int32_t yearStart, std::int32_t yearEnd,
                     const std::string& edition, std::int32_t copyFrom) {
    const host::HostBinding& host = module.host();
    const header::FiscalYear year{0, yearStart, yearEnd};
    const std::int32_t period = header::cit8Period(year);
    const std::string chosen = edition.empty() ? header::proposedEdition(period) : edition;
    const std::int32_t id =
        header::prepareNewCit8(host, module.declaration, module.fields, year, chosen, copyFrom);
    if (id == 0) return 0;
    store::SaveOutcome outcome = store::SaveOutcome::Failed;
    const std::int32_t saved =
        module.declaration.CIT_ID_WZORCA == 73
            ? store::ZAPISZ_CIT_8_73(host, module.declaration, module.fields, 1, id, period, 0,
                                     &outcome)
            : store::ZAPISZ_CIT_8_72(host, module.declaration, module.fields, 1, id, period, 0,
                                     &outcome);
    module.declaration.CIT_ID_DEKLARACJI = saved;
    if (outcome != store::SaveOutcome::Saved) {
        // As the window does when it is closed without a save: the empty header goes.
        if (module.declaration.CIT_ID_DEKLARACJI != 0) {
            store::discardNewCit8(host, module.declaration);
        }
        return 0;
    }
    return saved;
}

std::int32_t recomputeCit8(ModuleState& module, std::int32_t id, Recompute how) {
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
    if (number(header.column(2)) != host.data->globals().DANE_ID_FIRMY) {
        u.MSG_OST("Deklaracja " + std::to_string(id) + " należy do innej firmy.");
        return 0;
    }
    if (templateId != 72 && templateId != 73) {
        u.MSG_OST("Brak obsługi wzorca deklaracji.");
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
    const bool g73 = templateId == 73;
    if (g73) {
        store::WCZYTAJ_CIT_8_73(host, state, module.fields);
    } else {
        store::WCZYTAJ_CIT_8_72(host, state, module.fields);
    }

    if (how == Recompute::Statements) {
        if (g73) {
            compute::OBLICZ_CIT_8_73(host, state, module.fields, true);
        } else {
            compute::OBLICZ_CIT_8_72(host, state, module.fields, true);
        }
    } else if (g73) {
        compute::PRZELICZ_CIT_8_73(host, module.fields, period);
    } else {
        compute::PRZELICZ_CIT_8_72(host, module.fields, period);
    }

    store::SaveOutcome outcome = store::SaveOutcome::Failed;
    const std::int32_t saved =
        g73 ? store::ZAPISZ_CIT_8_73(host, state, module.fields, 1, id, period, 0, &outcome)
            : store::ZAPISZ_CIT_8_72(host, state, module.fields, 1, id, period, 0, &outcome);
    state.CIT_ID_DEKLARACJI = saved;
    return outcome == store::SaveOutcome::Saved ? saved : 0;
}

}  // namespace citforms::module
