#pragma once
// What an office's list of returns shows of a stored CIT-8: the tax due, the amount left to
// pay and the overpayment, read from the main form of the declaration's edition.
//
// The positions are those the kind file of the edition names (`results`); in edition 24
// (form cit8_24) the form's roles say:
//   tax due   65 "Poz. 63 minus poz. 64 (w pełnych złotych)" plus 67 "20% podatku za rok z
//             poz. 66"
//   to pay    95 "Suma poz. 65 i 67 minus poz. 94, gdy dodatnia"
//   overpaid  96 "Poz. 94 minus suma poz. 65 i 67, gdy dodatnia"
// Edition 23 has them at 62 + 64, 92, 93; an edition without them (21, whose tax is typed by
// hand) has none.
#include <cstdint>
#include <optional>
#include <string>

#include "citforms/module/module_state.h"
#include "citforms/values/decimal.h"
#include "citforms/values/result.h"

namespace citforms::module {

struct DeclarationSummary {
    std::int32_t templateId = 0;
    std::string form;  // the main form's catalogue id: "cit8_24"
    std::optional<values::Decimal> taxDue;
    std::optional<values::Decimal> toPay;
    std::optional<values::Decimal> overpaid;
};

struct SummaryPositions {
    std::optional<int> taxDue;
    std::optional<int> taxForYear;  // added to the tax due
    std::optional<int> toPay;
    std::optional<int> overpaid;
};

// The positions of the main form of template `templateId`; all empty for a kind that has none.
SummaryPositions summaryPositions(std::int32_t templateId);

// Fails for no such declaration, a template that is not a CIT-8, a value that is not an
// amount, or an SQL error (whose text is returned).
values::Result<DeclarationSummary> declarationSummary(ModuleState& module, std::int32_t id);

}  // namespace citforms::module
