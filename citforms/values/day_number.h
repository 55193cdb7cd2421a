#pragma once
// Day numbers: the host's day count, with 28 December 1800 as day 0 (1 January 1801 is 4).
//
// Every date in the database, in SQL text and in field values is such a number written as
// plain digits. Conversion goes through std::chrono calendar types.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace citforms::values {

using DayNumber = std::int32_t;

// The days of the years 1 to 9999, which the date texts can show. Conversions take a day
// outside this range as the nearest end of it; the formatting functions write it as digits.
inline constexpr DayNumber kFirstDisplayableDay =
    static_cast<DayNumber>((std::chrono::sys_days(std::chrono::year(1) / 1 / 1) -
                            std::chrono::sys_days(std::chrono::year(1800) / 12 / 28))
                               .count());
inline constexpr DayNumber kLastDisplayableDay =
    static_cast<DayNumber>((std::chrono::sys_days(std::chrono::year(9999) / 12 / 31) -
                            std::chrono::sys_days(std::chrono::year(1800) / 12 / 28))
                               .count());
bool isDisplayableDay(DayNumber day);

std::chrono::year_month_day toDate(DayNumber day);
DayNumber fromDate(std::chrono::year_month_day date);
DayNumber fromDate(int year, unsigned month, unsigned day);

// Today's date (local calendar) as a day number.
DayNumber today();

// Date steps used by the forms and windows.
DayNumber lastDayOfMonth(DayNumber day);  // 31 Jan for any day of January
DayNumber firstDayOfMonth(DayNumber day);
DayNumber secondOfMonth(DayNumber day);          // the 2nd of the same month (CIT periods)
DayNumber addMonths(DayNumber day, int months);  // clamps to the month's last day
DayNumber december31(DayNumber day);             // 31 December of the same year
int yearOf(DayNumber day);
unsigned monthOf(DayNumber day);
unsigned dayOf(DayNumber day);

// "dd-mm-yyyy" (the "D6-" picture) and "yyyy-mm-dd".
std::string formatDayMonthYear(DayNumber day, char separator = '-');
std::string formatIso(DayNumber day);
// Reads "dd-mm-yyyy", "dd.mm.yyyy" or "yyyy-mm-dd"; nullopt for an impossible date.
std::optional<DayNumber> parseDate(const std::string& text);

}  // namespace citforms::values
