#pragma once
// Values as the books keep them: amounts as whole grosze in 64-bit columns and dates written
// "yyyy-mm-dd" in the files they are imported from.
//
//   auto grosze = exactGrosze("1234.56");   // 123456
//   shownGrosze(-123450) == "-1 234,50"
//   parseIsoDate("2016-02-30") == std::nullopt
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "citforms/values/day_number.h"
#include "citforms/values/decimal.h"

namespace citforms::values {

// The value as whole grosze, when no digit other than zero follows the second decimal and it
// lies below 10^16 zloty either way (what a 64-bit grosze column takes, with room for sums of
// many); nullopt otherwise. Never rounds.
std::optional<std::int64_t> exactGrosze(const Decimal& value);
// Plain decimal text read by Decimal::parse ("1234.56", "-12,5", " 7 "), as exact grosze.
std::optional<std::int64_t> exactGrosze(std::string_view text);

// Plain text of whole grosze, as the declarations store amounts: "-1234.56", "0.00".
std::string groszeText(std::int64_t grosze);

// Whole grosze as the forms show an amount: "-1 234,50", "0,00".
std::string shownGrosze(std::int64_t grosze);

// Reads exactly "yyyy-mm-dd" (no blanks, no other separator; year 0000 too, whose days lie
// before any the books take); nullopt for anything else and for a day that does not exist.
std::optional<DayNumber> parseIsoDate(std::string_view text);

}  // namespace citforms::values
