#pragma once
// The computation procedures of the monthly advance return CIT-2 on the open declaration.
//
// Template 35 (CIT-2 (17) with CIT-2/O (4)): revenue, costs and the attachment's reliefs come
// from the accounting statements over the fiscal year up to the end of the declaration's
// month; income, tax base, tax and the advance to pay follow from them, from the CIT-2/O
// totals and from the previous declaration (the month before, or the quarter before for a
// quarterly payer). Messages are warnings: the computation goes on after each.
//
//   OBLICZ_CIT_2_35(host, state, fields, false);     // statements, then every rule
//   PRZELICZ_CIT_2_35(host, fields, period);         // every rule on the amounts as they stand
#include <cstdint>
#include <string>

#include "citforms/host/binding.h"
#include "citforms/module/declaration_state.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/values/decimal.h"

namespace citforms::compute {

// Template 35: fields 4 and 5, the statements of the CIT-2 and CIT-2/O and every rule, for
// the declaration CIT_ID_DEKLARACJI of the fiscal year starting CIT_POCZATEK_ROKU. Fields
// whose statement failed are left in fields.issues.failedStatements.
void OBLICZ_CIT_2_35(const host::HostBinding& host, const module::DeclarationState& state,
                     store::DeclarationFields& fields, bool refresh);
// Template 35 without statements: field 1 from the company data afresh, then every rule on
// the statement amounts as they stand. `period` is the declaration's period date; the fiscal
// year's start is field 4.
void PRZELICZ_CIT_2_35(const host::HostBinding& host, store::DeclarationFields& fields,
                       std::int32_t period);

// The tax rate of template 35: 19 for a fiscal year starting before 1 January 2017; from then
// 15 when the database reports the company as a small taxpayer on `periodEnd`, else 19.
// A failing query is left in `warning` and counts as not small.
values::Decimal cit2Rate35(host::UtilityLibrary& utility, std::int32_t company,
                           std::int32_t yearStart, std::int32_t periodEnd, std::string& warning);

}  // namespace citforms::compute
