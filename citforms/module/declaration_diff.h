#pragma once
// What differs between two declarations of one template, position by position, over every
// form they carry and every copy of a numbered form (CIT-D, CIT-BR): what `tabrix diff` lists,
// and what the justification of a correction (ORD-ZU position 13) says of it against the
// return it corrects.
//
//   auto changes = storedDifferences(module, 2, 5);
//   for (const PositionChange& c : *changes) ...   // "Poz. 31: było 6 496 193,73, jest …"
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "citforms/module/module_state.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/values/result.h"

namespace citforms::module {

struct PositionChange {
    std::string form;   // "CIT-8", "CIT-8/O", "CIT-D"
    bool main = false;  // the declaration's main form
    std::int32_t copy = 0;  // copy n of a numbered form; 0 for the others
    int position = 0;
    std::string before;  // the values as stored, without the blanks of a padded field
    std::string after;

    // "Poz. 31", "CIT-8/O poz. 12", "CIT-D nr 2 poz. 7".
    std::string where() const;
};

// The positions whose values differ between `before` and `after` (the same template), in the
// storage order of the forms, copies and positions ascending. A copy present on one side only
// differs in each of its positions.
std::vector<PositionChange> differences(const store::DeclarationFields& before,
                                        const store::DeclarationFields& after);

// A value as a person reads it: an amount with its grosze ("6 496 193,73"), a day as
// DD-MM-YYYY, an empty one as "(puste)", any other text as it is.
std::string displayValue(const store::DeclarationFields& fields, const PositionChange& change,
                         const std::string& value);

// The justification of a correction listing `changes`, one line each ("Poz. 31: było …, jest
// …"), within `capacity` characters: when not every line fits, the last line says how many
// positions were left out. `leftOut` receives that number.
std::string justificationText(const store::DeclarationFields& fields,
                              const std::vector<PositionChange>& changes, std::size_t capacity,
                              std::size_t* leftOut = nullptr);

// Loads stored declaration `id` into `fields` without a message; its template into
// `templateId`. Refused (with the reason) when there is no such declaration, its kind is not
// served here, or it cannot be read whole: a copy or a comparison made of values taken as 0
// would pass for the stored ones.
values::Status loadWhole(ModuleState& module, std::int32_t id, store::DeclarationFields& fields,
                         std::int32_t* templateId = nullptr, std::int32_t* period = nullptr);

// differences() of two stored declarations; refused when either cannot be loaded whole or
// they are of different templates.
values::Result<std::vector<PositionChange>> storedDifferences(ModuleState& module,
                                                              std::int32_t first,
                                                              std::int32_t second);

}  // namespace citforms::module
