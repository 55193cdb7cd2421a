#pragma once
// Starting a new CIT-8: what the parameters window does on "Wykonaj", without the window.
//
// Picks the template from the templates table and the form edition, creates the header (so
// the declaration has its id from the start), fills the identification fields from the
// company's master data and computes the amounts from the statements in the fresh mode.
//
//   FiscalYear year{.id = 7, .start = s, .end = e};
//   std::int32_t id = prepareNewCit8(host, state, fields, year, proposedEdition(period), 0);
#include <cstdint>
#include <string>

#include "citforms/host/binding.h"
#include "citforms/module/declaration_state.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/values/day_number.h"

namespace citforms::header {

struct FiscalYear {
    std::int32_t id = 0;
    values::DayNumber start = 0;
    values::DayNumber end = 0;
};

// The period of a CIT-8: the 2nd day of the fiscal year's last month.
values::DayNumber cit8Period(const FiscalYear& year);

// The form edition proposed for a period, as the CIT-8 kind files date them: "24" from
// 2 January 2016, "23" during 2015, otherwise "21" (the fallback).
std::string proposedEdition(values::DayNumber period);

// Template of a new CIT-8: the newest CIT-8 template applying on the period; when that is a
// CIT-8 template of this module the chosen edition decides ("24" 73, "23" 72, "21" 70, or an
// edition a kind file adds).
std::int32_t chooseCit8Template(const host::HostBinding& host, values::DayNumber period,
                                const std::string& edition);

// Steps of "Wykonaj" for a CIT-8 up to the computation. Returns the new declaration id (also
// left in CIT_ID_DEKLARACJI), 0 when no header could be made (the reason was shown).
// `progress` (may be empty) receives 10, 20, 40, 70, 100 as the work goes on.
std::int32_t prepareNewCit8(const host::HostBinding& host, module::DeclarationState& state,
                            store::DeclarationFields& fields, const FiscalYear& year,
                            const std::string& edition, std::int32_t copyFrom,
                            void (*progress)(int percent) = nullptr);

}  // namespace citforms::header
