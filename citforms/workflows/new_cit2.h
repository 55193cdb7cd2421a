#pragma once
// Starting a new CIT-2: what the parameters window does on "Wykonaj" for the monthly advance
// return, without the window.
//
// Picks the CIT-2 template valid for the period, creates the header, fills the
// identification and computes the generation's amounts in the fresh mode.
//
//   std::int32_t t = chooseCit2Template(host, year, period);       // 35 for 2016
//   std::int32_t id = prepareNewCit2(host, state, fields, year, period, t, 0);
#include <cstdint>
#include <string>

#include "citforms/workflows/new_cit8.h"

namespace citforms::header {

// The CIT-2 template valid for `period` (the 2nd of a month) of fiscal year `year`: the newest
// CIT-2 template applying before the period; for a fiscal year begun in an earlier calendar
// year and a period before 2007 the one before it. 0 when the templates table has none (the
// person is told "Brak wzorca deklaracji w tabeli wzorców.").
std::int32_t chooseCit2Template(const host::HostBinding& host, const FiscalYear& year,
                                values::DayNumber period);

// The period of the CIT-2 "BZ" that closes fiscal year `year`: day 28 of its last month, apart
// from the monthly returns dated on the 2nd.
values::DayNumber cit2ClosingPeriod(const FiscalYear& year);

// The period a new CIT-2 of `year` is stored under for the date `chosen`: the closing "BZ"
// date as it is, any other date as the 2nd of its month.
values::DayNumber cit2Period(const FiscalYear& year, values::DayNumber chosen);

// The quarterly payer's question when `period` does not end a quarter: false when the person
// chose "Anuluj"; true otherwise (also when the company pays monthly).
bool confirmQuarterlyMonth(const host::HostBinding& host, values::DayNumber period);

// Steps of "Wykonaj" for a CIT-2 of template `templateId` up to the computation. Returns the
// new declaration id (also left in CIT_ID_DEKLARACJI), 0 when no header could be made or the
// template cannot be computed here (the reason was shown).
std::int32_t prepareNewCit2(const host::HostBinding& host, module::DeclarationState& state,
                            store::DeclarationFields& fields, const FiscalYear& year,
                            values::DayNumber period, std::int32_t templateId,
                            std::int32_t copyFrom);

}  // namespace citforms::header
