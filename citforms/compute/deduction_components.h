#pragma once
// The deduction components behind the attachment amounts of the CIT-2 editions 3 to 34: when
// the person overtypes such an amount, the difference may be recorded as a new component of
// the position's deduction definition, so that definition and form stay in agreement.
//
//   checkDeductionEdit(host, 34, 17, Decimal(1000), Decimal(1200), period);
//   // asks; "Tak" writes a component of 200 dated the 1st of the period's month
#include <cstdint>
#include <string>

#include "citforms/host/binding.h"
#include "citforms/values/decimal.h"
#include "citforms/values/result.h"

namespace citforms::compute {

// The deduction definition of attachment position `position` in template `templateId`
// (`DEKLARACJE_ODLICZENIE`): its id, empty when the position has none; the database's error
// when the lookup failed.
values::Result<std::string> deductionDefinition(const host::HostBinding& host,
                                                std::int32_t templateId, int position);

// The check of a hand-edited amount at attachment position `position` of a CIT-2 of
// `templateId` whose period date is `period`: nothing when the amount did not change;
// otherwise the question ("Kontrola poprawności" in template 3, "Tabrix: Pytanie" from 31
// on, buttons "&Tak|&Nie|&Definicja"). "Tak" and "Definicja" record `after` − `before` as a
// component dated the first day of the period's month when the position has a definition;
// "Definicja" then opens the host's component window. A component that cannot be written is
// shown (MSG_OST), as is a failed lookup of the definition; false then, true otherwise.
bool checkDeductionEdit(const host::HostBinding& host, std::int32_t templateId, int position,
                        const values::Decimal& before, const values::Decimal& after,
                        std::int32_t period);
// The same for a caller that has looked the position's definition up already (`definition`,
// as deductionDefinition gave it).
bool checkDeductionEdit(const host::HostBinding& host, std::int32_t templateId, int position,
                        const values::Decimal& before, const values::Decimal& after,
                        std::int32_t period, const std::string& definition);

}  // namespace citforms::compute
