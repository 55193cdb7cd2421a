#pragma once
// Reading what a person types into an amount entry.
//
// Accepts "1 234,50", "1234.50", "1 234.5", "-5", "+5", blanks (ordinary and non-breaking) as
// group separators, and an empty entry (0). Refuses letters, two separators, more than two
// decimals, and more than 15 digits, telling why.
#include <string>
#include <string_view>
#include <variant>

#include "citforms/values/decimal.h"

namespace citforms::values {

struct EntryError {
    std::string message;  // Polish text for the person, e.g. "Niepoprawna kwota: 12a"
};

std::variant<Amount, EntryError> parseAmountEntry(std::string_view typed);

}  // namespace citforms::values
