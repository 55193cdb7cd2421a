#include "citforms/compute/cit8_procedures.h"

#include "citforms/compute/field_set_amounts.h"
#include "citforms/compute/form_rules.h"
#include "citforms/compute/statement_computation.h"
#include "citforms/store/busy_cursor.h"

namespace citforms::compute {

namespace {

ComputationContext contextOf(const host::HostBinding& host, const module::DeclarationState& state) {
    const host::Globals& g = host.data->globals();
    ComputationContext c;
    c.companyId = g.DANE_ID_FIRMY;
    c.periodStart = state.CIT_POCZATEK_ROKU;
    c.periodEnd = state.CIT_KONIEC_ROKU;
    c.declarationId = state.CIT_ID_DEKLARACJI;
    c.userNumber = g.DANE_ID_UZYTKOWNIKA_NR;
    c.today = g.DANE_DATA_BIEZACA > 0 ? g.DANE_DATA_BIEZACA : values::today();
    return c;
}

void compute(const FormEdition& edition, const host::HostBinding& host,
             const module::DeclarationState& state, store::DeclarationFields& fields, bool refresh,
             bool attachmentOnly) {
    FieldSetAmounts amounts(fields);
    StatementComputation computation(edition, amounts, *host.utility, *host.data, host.ui,
                                     contextOf(host, state));
    if (attachmentOnly) {
        // The CIT-8/O alone: the CIT-8 positions keep what their own computation left.
        computation.computeCit8o(refresh);
        store::DeclarationIssues::replaceOf(fields.issues.failedStatements, "CIT-8/O",
                                            computation.failedStatements());
    } else {
        computation.computeCit8(refresh);
        fields.issues.failedStatements = computation.failedStatements();
    }
    computation.tell();
}

void recalculate(const FormEdition& edition, const host::HostBinding& host,
                 store::DeclarationFields& fields, std::int32_t referenceDate) {
    header::CompanyData company;
    {
        store::BusyCursor busy(host.ui);
        company = header::loadCompanyData(*host.utility, *host.data,
                                          host.data->globals().DANE_ID_FIRMY, referenceDate);
        fillIdentification(fields, company);
        FieldSetAmounts amounts(fields);
        Cit8Rules(edition, amounts).applyAll();
    }
    header::tellWarnings(*host.utility, company);
}

}  // namespace

void fillIdentification(store::DeclarationFields& fields, const header::CompanyData& c) {
    store::FieldSet& f = fields.main();
    f[1].setText(c.nip);
    f[6].setText(c.taxOffice);
    if (f[7].text().find_first_not_of(' ') == std::string::npos) f[7].setText("1");
    f[8].setText(c.fullName);
    f[9].setText(c.regon);
    f[10].setText(c.country);
    f[11].setText(c.province);
    f[12].setText(c.county);
    f[13].setText(c.commune);
    f[14].setText(c.street);
    f[15].setText(c.houseNumber);
    f[16].setText(c.flatNumber);
    f[17].setText(c.town);
    f[18].setText(c.postalCode);
    f[19].setText(c.postOffice);
    fields.form("CIT-8/O")[1].setText(c.nip);
    fields.form("CIT-8/O")[6].setText(c.fullName);
    fields.form("CIT-8/O")[7].setText(c.regon);
    fields.form("ORD-ZU")[1].setText(c.nip);
    fields.form("ORD-ZU")[5].setText(c.fullName);
    // What could not be read is no value: the window does not save it until it is typed or
    // read again.
    store::DeclarationIssues::replaceOf(
        fields.issues.failedReads, f.list().formName(),
        header::unreadPositions(c, f.list().formName(),
                                {{1, 8, 9}, {11, 12, 13, 14, 15, 16, 17, 18, 19}, {6}}));
}

void OBLICZ_CIT_8(std::int32_t templateId, const host::HostBinding& host,
                  const module::DeclarationState& state, store::DeclarationFields& fields,
                  bool refresh) {
    if (const FormEdition* edition = FormEdition::forTemplate(templateId))
        compute(*edition, host, state, fields, refresh, false);
}

void OBLICZ_CIT_O(std::int32_t templateId, const host::HostBinding& host,
                  const module::DeclarationState& state, store::DeclarationFields& fields,
                  bool refresh) {
    if (const FormEdition* edition = FormEdition::forTemplate(templateId))
        compute(*edition, host, state, fields, refresh, true);
}

void PRZELICZ_CIT_8(std::int32_t templateId, const host::HostBinding& host,
                    store::DeclarationFields& fields, std::int32_t referenceDate) {
    if (const FormEdition* edition = FormEdition::forTemplate(templateId))
        recalculate(*edition, host, fields, referenceDate);
}

}  // namespace citforms::compute
