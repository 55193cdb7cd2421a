#pragma once
// The name a printed declaration goes by: the title of its PDF and the name of the file handed
// over for e-mail.
//
//   documentTitle("CIT-8 (24)", "Młyn Pszenica", from, to);
//   // "CIT-8 (24) – Młyn Pszenica – 2016" for 1 January to 31 December 2016,
//   // "CIT-8 (24) – Młyn Pszenica – 01.04.2016–31.03.2017" for another tax year
//
// A part that is not known (no company name, no period) is left out with its dash.
#include <string>
#include <string_view>

#include "citforms/values/day_number.h"

namespace citforms::print {

std::string documentTitle(std::string_view form, std::string_view company, values::DayNumber from,
                          values::DayNumber to);

// The period of a tax year as the title shows it; empty when either day is not a date.
std::string periodText(values::DayNumber from, values::DayNumber to);

}  // namespace citforms::print
