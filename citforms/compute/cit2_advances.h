#pragma once
// Where the CIT-8 takes its advances from the company's stored CIT-2 returns: the month of
// each advance position and the statement that reads position 45 of the latest template-35
// return of that month. The CIT-8 windows' fill buttons and the pre-filing check use both.
//
//   for (const AdvanceSlot& slot : advanceSlots(edition, yearStart, yearEnd, false))
//       u.FUNCVAY(cit2AdvanceQuery(company, slot.month));
#include <cstdint>
#include <string>
#include <vector>

#include "citforms/compute/form_edition.h"
#include "citforms/host/binding.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/values/day_number.h"

namespace citforms::compute {

struct AdvanceSlot {
    int field = 0;                // the edition's own position
    values::DayNumber month = 0;  // the 2nd of the month (DATA_OKRESU of its CIT-2)
};

// Monthly: the n-th month of the fiscal year into 68 + n - 1 (edition 24's numbering, mapped
// to the edition's). Quarterly: the n-th quarter-end month into 70 + 3 (n - 1); edition 21
// keeps its quarters apart (83 to 90).
std::vector<AdvanceSlot> advanceSlots(const FormEdition& edition, values::DayNumber yearStart,
                                      values::DayNumber yearEnd, bool quarterly);

// The advance due of the company's template-35 CIT-2 of `month` (its position 45, the latest
// LP); the statement yields no row when there is no such return.
std::string cit2AdvanceQuery(std::int32_t company, values::DayNumber month);

// What the fill buttons of the CIT-8 windows do once the person has said yes: the advance
// positions of `fields` (edition 24: 68 to 90; edition 21's quarters apart: 83 to 90) set to
// 0, then each slot's month from position 45 of the company's template-35 CIT-2 of that month
// (none: 0), and their sum into 91 (82 / 88 / 91 by edition). A sum beyond 15 digits is told
// and leaves the sum as it was. Returns how many slots found a return.
int fillAdvancesFromCit2(const host::HostBinding& host, const FormEdition& edition,
                         std::int32_t company, values::DayNumber yearStart,
                         values::DayNumber yearEnd, store::DeclarationFields& fields,
                         bool quarterly);

// Whether the company pays its advances quarterly (FIRMA.KWARTALNY_PDO 1).
bool paysQuarterly(host::UtilityLibrary& utility, std::int32_t company);

}  // namespace citforms::compute
