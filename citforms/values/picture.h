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
// (the layout's justification places it), except where `pad` is true: numbers are then
// right-justified and texts left-justified within the width.
//
// Numbers: '-' shows a leading minus, '_' groups thousands with a blank ("," with a comma),
// '`' puts a comma before the decimals and '.' a full stop, a trailing 'b' leaves zero blank;
// "@" in front (an entry picture) changes nothing. A negative value always shows its minus,
// even under a picture without '-': a dropped sign would print a different amount. More
// decimals than the picture has are rounded half away from zero (12.50 under "N-19_" is 13).
// A number wider than the picture is shown in full, never cut or filled with marks, so no
// digit of an amount is lost; the layout's rectangle decides how it looks.
// Values given as text: a numeric picture shows empty text as zero and text that is not a
// number unchanged; a date picture shows empty text and day 0 as empty text. A picture this
// formatter does not know shows the value unchanged.
//
//   formatPicture("N-19_`2", "-1234.5") == "-1 234,50"
//   formatPicture("D6-", "78532") == "02-01-2016"
#include <optional>
#include <string>
#include <string_view>

#include "citforms/values/decimal.h"

namespace citforms::values {

struct Picture {
    enum class Kind { Number, Date, Text };
    Kind kind = Kind::Text;
    int width = 0;                // characters
    int decimals = 0;             // Number
    bool sign = false;            // '-' in the picture
    bool grouping = false;        // '_' in the picture
    char groupSeparator = ' ';    // Number, when grouping
    char decimalSeparator = ',';  // Number, when decimals > 0
    char dateSeparator = '-';
    int dateStyle = 6;  // D6: dd-mm-yyyy; D10: yyyy-mm-dd
    bool blankWhenZero = false;

    // nullopt for a picture text this formatter does not know.
    static std::optional<Picture> parse(std::string_view picture);
};

// Formats `value` (a field's text: an amount, a day number or text) by `picture`.
std::string formatPicture(std::string_view picture, std::string_view value, bool pad = false);
std::string formatNumber(const Picture& picture, const Decimal& value, bool pad = false);

}  // namespace citforms::values
