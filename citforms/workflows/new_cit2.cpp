#include "citforms/workflows/new_cit2.h"

#include "citforms/compute/cit2_procedures.h"
#include "citforms/host/ui_seam.h"
#include "citforms/kinds/declaration_kinds.h"
#include "citforms/state/company_data.h"
#include "citforms/store/declaration_load.h"

namespace citforms::header {

std::int32_t chooseCit2Template(const host::HostBinding& host, const FiscalYear& year,
                                values::DayNumber period) {
    host::UtilityLibrary& u = *host.utility;
    // A fiscal year carried over from an earlier calendar year keeps the edition it began
    // with until 2007.
    const bool second = values::yearOf(year.start) < values::yearOf(period) &&
                        values::yearOf(period) < 2007;
    const std::string sql = std::string("select top ") + (second ? "2" : "1") +
                            " id_deklaracje_wzorzec from DEKLARACJE_WZORZEC where typ='CIT-2' "
                            "AND data_od<" +
                            std::to_string(period) + " order by typ, data_od Desc";
    std::int32_t found = 0;
    if (!u.EXECVAX(sql)) {
        u.MSG_OST(u.fileErrorText());
    } else {
        host::ResultFile& rows = host.data->result(host::ResultFileId::VAX_FK);
        host::ResultRow row;
        // The first row, or with two asked for the second (none when there is only one).
        if (rows.next(row) && (!second || rows.next(row))) {
            found = store::parseStoredNumber(row.column(0)).value_or(0);
        }
    }
    if (found == 0) u.MSG_OST("Brak wzorca deklaracji w tabeli wzorców.");
    return found;
}

values::DayNumber cit2ClosingPeriod(const FiscalYear& year) {
    return values::firstDayOfMonth(year.end) + 27;
}

values::DayNumber cit2Period(const FiscalYear& year, values::DayNumber chosen) {
    return chosen == cit2ClosingPeriod(year) ? chosen : values::secondOfMonth(chosen);
}

bool confirmQuarterlyMonth(const host::HostBinding& host, values::DayNumber period) {
    const std::string quarterly =
        host.utility->FUNCVAY("select KWARTALNY_PDO from FIRMA where id_firmy=" +
                              std::to_string(host.data->globals().DANE_ID_FIRMY));
    if (store::parseStoredNumber(quarterly).value_or(0) != 1) return true;
    if (values::monthOf(period) % 3 == 0 || host.ui == nullptr) return true;
    host::MessageRequest question;
    question.title = host.data->globals().GLO_MSG_TXT_INF;
    question.text =
        "Firma posiada oznaczenie \"Kwartalne naliczanie zaliczki na podatek dochodowy\". "
        "Wybrany miesiąc nie jest ostatnim miesiącem kwartału roku.";
    question.buttons = "Dalej|Anuluj";
    question.icon = host::MessageIcon::Question;
    return host.ui->message(question) == 1;
}

std::int32_t prepareNewCit2(const host::HostBinding& host, module::DeclarationState& state,
                            store::DeclarationFields& fields, const FiscalYear& year,
                            values::DayNumber period, std::int32_t templateId,
                            std::int32_t copyFrom) {
    state.CIT_POCZATEK_ROKU = year.start;
    state.CIT_KONIEC_ROKU = year.end;
    state.CIT_ID_WZORCA_CIT2 = templateId;
    state.CIT_ID_WZORCA = templateId;
    state.CIT_ID_DEKLARACJI = 0;
    const module::DeclarationKind* kind = module::declarationKind(templateId);
    if (kind == nullptr || kind->family != "CIT-2" || kind->save == nullptr ||
        kind->compute == nullptr) {
        module::notBuilt(host);
        return 0;
    }
    const std::int32_t id = kind->save(host, state, fields, 0, 0, period, copyFrom, nullptr);
    state.CIT_ID_DEKLARACJI = id;
    if (id == 0) return 0;

    const CompanyData company =
        loadCompanyData(*host.utility, *host.data, host.data->globals().DANE_ID_FIRMY, period);
    tellWarnings(*host.utility, company);
    fields.hold(templateId);
    compute::fillCit2Identification(fields, company);
    kind->compute(host, state, fields, false);
    return id;
}

}  // namespace citforms::header
