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
#include <map>
#include <string>
#include <vector>

#include "citforms/compute/rule_probe.h"
#include "citforms/host/binding.h"
#include "citforms/state/company_data.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_state.h"
#include "citforms/values/decimal.h"

namespace citforms::compute {

// Template 35: fields 4 and 5, the statements of the CIT-2 and CIT-2/O and every rule, for
// the declaration CIT_ID_DEKLARACJI of the fiscal year starting CIT_POCZATEK_ROKU. Fields
// whose statement failed are left in fields.issues.failedStatements.
void OBLICZ_CIT_2_35(const host::HostBinding& host, const module::DeclarationState& state,
                     store::DeclarationFields& fields, bool refresh);
// The company data of a CIT-2: the NIP (field 1) in every edition, and in CIT-2 (17) the tax
// office, the full name, the REGON and the seat address (fields 6 to 18).
void fillCit2Identification(store::DeclarationFields& fields, const header::CompanyData& company);
// Template 35 without statements: the company data afresh (fillCit2Identification), then every rule on
// the statement amounts as they stand. `period` is the declaration's period date; the fiscal
// year's start is field 4.
void PRZELICZ_CIT_2_35(const host::HostBinding& host, store::DeclarationFields& fields,
                       std::int32_t period);

// What the rules of template 35 give, judged on the amounts as they stand (for the
// pre-filing check): each rule reads the values held, so one wrong position is named once and
// not again in every total after it. The previous declaration and the rate are read as the
// computation reads them; nothing of the declaration changes and nothing is shown: what the
// computation would have told (a missing previous return) is in `warnings`.
struct Cit2RuleCheck {
    std::map<int, values::Decimal> cit2;   // by CIT-2 position
    std::map<int, values::Decimal> cit2o;  // by CIT-2/O position
    std::vector<std::string> warnings;
};
Cit2RuleCheck cit2Rules35(const host::HostBinding& host, const store::DeclarationFields& fields,
                          std::int32_t companyId, std::int32_t yearStart, std::int32_t period);

// The rules of template 35 run over `fields` as they stand (no statement is run) with every
// value read and written passing `probe`; nothing is written into the fields (the values the
// rules give reach the probe only).
void probeCit2Rules35(const host::HostBinding& host, store::DeclarationFields& fields,
                      std::int32_t companyId, std::int32_t yearStart, std::int32_t period,
                      RuleProbe& probe);

// Templates 3 and 31 to 34: fields 4 and 5, the previous declaration (the company's newest
// one of the same fiscal year in the 40 days before the period, from template 32 on a CIT-2)
// with the messages of a missing one and of an edition boundary, revenue, costs and income
// summed by DEKLARACJE_OBLICZ_SUME over the company's income sources, the taxable base in
// whole złoty, the tax at the edition's rate, and the deduction fields of the attachment.
// These forms state no position for the revenue, costs, income, base or tax, so none is
// written: they end in one message ("Tabrix: Informacja") that names them and the previous
// declaration used, for the person to copy into the form.
void OBLICZ_CIT_2_OLD(const host::HostBinding& host, const module::DeclarationState& state,
                      store::DeclarationFields& fields, bool refresh);

// Templates 3 to 34 without the books: field 1 from the company data afresh; the amounts
// stay as they stand (the edition's rules have no inputs on the form).
void PRZELICZ_CIT_2_OLD(const host::HostBinding& host, store::DeclarationFields& fields,
                        std::int32_t period);

// Whole złoty of an amount the CIT-2 of `templateId` brings to whole złoty (the taxable base,
// the amount derived from the tax) for the period date `period`: templates 3 to 33 drop the
// fraction; 34 drops it for periods before 2 December 2005 and rounds halves away from zero
// from that day; 35 rounds.
values::Decimal cit2WholeZloty(std::int32_t templateId, std::int32_t period,
                               const values::Decimal& amount);

// The tax rate of templates 3 to 34: 3 and 31 the rate held in the rate field (`rateField`),
// 28 when it is 0; 32 27; 33 and 34 19.
values::Decimal cit2RateOld(std::int32_t templateId, const values::Decimal& rateField);

// The tax rate of template 35: 19 for a fiscal year starting before 1 January 2017; from then
// 15 when the database reports the company as a small taxpayer on `periodEnd`, else 19.
// A failing query is left in `warning` and counts as not small.
values::Decimal cit2Rate35(host::UtilityLibrary& utility, std::int32_t company,
                           std::int32_t yearStart, std::int32_t periodEnd, std::string& warning);

}  // namespace citforms::compute
