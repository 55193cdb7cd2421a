#pragma once
// Check digits of the Polish identifiers a declaration carries: the NIP (tax number, ten
// digits) and the REGON (statistical number, nine or fourteen digits). Used to check a
// return's identifiers and to give generated data valid ones.
//
//   nipCheckDigit("778123456");      // 3, so 7781234563 is a valid NIP
//   regonCheckDigit("63012345");     // the ninth digit of a nine-digit REGON
#include <optional>
#include <string_view>

namespace citforms::values {

// The tenth digit of a NIP starting with these nine digits (weights 6 5 7 2 3 4 5 6 7, the
// sum modulo 11); nullopt when that is 10: no valid NIP starts with them.
std::optional<int> nipCheckDigit(std::string_view nineDigits);

// The last digit of a REGON starting with these 8 (nine-digit REGON) or 13 (fourteen-digit)
// digits: the weighted sum modulo 11, 10 counting as 0.
int regonCheckDigit(std::string_view digits);

// Whether ten digits are a NIP whose last digit is its check digit.
bool nipValid(std::string_view tenDigits);

// Whether 9 or 14 digits are a REGON whose check digits are right (of 14, also the ninth).
bool regonValid(std::string_view digits);

}  // namespace citforms::values
