#pragma once
// Display pictures of the layouts and windows, formatted by one component.
//
// Pictures:
//   "@N-19_`2", "N-19_`2"  amount, 19 wide, leading minus, blank between thousands, comma
//                          before 2 decimals: -1234.5 -> "-1 234,50", 0 -> "0,00"
//   "N-19_", "N-14_"       whole number with grouping: 1234567 -> "1 234 567"
//   "N-14_`2"              as the first, 14 wide
//   "D6-"                  day number as dd-mm-yyyy
//   "s<n>"                 text cut to n characters
//   "n3", "N3"             unsigned whole number, 3 wide
// Width is the field width of the picture; formatPicture() returns the text without padding
// (the layout's justification places it), except where `pad` is true.
#include <optional>
#include <string>
#include <string_view>

#include "citforms/values/decimal.h"

namespace citforms::values {

struct Picture {
    enum class Kind { Number, Date, Text };
    Kind kind = Kind::Text;
    int width = 0;          // characters
    int decimals = 0;       // Number
    bool sign = false;      // '-' in the picture
    bool grouping = false;  // '_' in the picture
    char dateSeparator = '-';
    int dateStyle = 6;      // D6
    bool blankWhenZero = false;

    // nullopt for a picture text this formatter does not know.
    static std::optional<Picture> parse(std::string_view picture);
};

// Formats `value` (a field's text: an amount, a day number or text) by `picture`.
std::string formatPicture(std::string_view picture, std::string_view value, bool pad = false);
std::string formatNumber(const Picture& picture, const Decimal& value, bool pad = false);

}  // namespace citforms::values
