#include "citforms/state/fiscal_year.h"

#include <string>

#include "citforms/store/declaration_load.h"
#include "citforms/values/day_number.h"

namespace citforms::module {

namespace {

std::int32_t number(const std::string& text) {
    return store::parseStoredNumber(text).value_or(0);
}

}  // namespace

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

bool ofCurrentCompany(const host::HostBinding& host, std::int32_t id, std::int32_t company) {
    if (company == host.data->globals().DANE_ID_FIRMY) return true;
    host.utility->MSG_OST("Deklaracja " + std::to_string(id) + " należy do innej firmy.");
    return false;
}

bool declarationOfCurrentCompany(const host::HostBinding& host, std::int32_t id) {
    const std::string company = host.utility->FUNCVAY(
        "select id_firmy from DEKLARACJE_NAG where id_deklaracje_nag = " + std::to_string(id));
    // A company that could not be read is no company found: the declaration is not opened.
    if (host.utility->errorStatus().code != 0) {
        host.utility->MSG_OST(host.utility->fileErrorText());
        return false;
    }
    return company.empty() || ofCurrentCompany(host, id, number(company));
}

}  // namespace citforms::module
