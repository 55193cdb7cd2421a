#pragma once
// Day numbers of the host database (28 December 1800 is day 0, 1 January 1801 day 4),
// converted with std::chrono calendar types.
#include <chrono>

namespace refhost::db {

inline constexpr std::chrono::sys_days kDayZero{std::chrono::year{1800} /
                                                std::chrono::December / 28};

inline int dayNumber(int year, unsigned month, unsigned day) {
    const std::chrono::sys_days d{std::chrono::year{year} / std::chrono::month{month} /
                                  std::chrono::day{day}};
    return static_cast<int>((d - kDayZero).count());
}

inline std::chrono::year_month_day dateOfDay(int day) {
    return std::chrono::year_month_day{kDayZero + std::chrono::days{day}};
}

inline int todayNumber() {
    const auto now = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    return static_cast<int>((now - kDayZero).count());
}

// Months counted as year * 12 + (month - 1): the period key of the turnover table.
inline int monthKeyOfDay(int day) {
    const auto ymd = dateOfDay(day);
    return static_cast<int>(ymd.year()) * 12 + static_cast<int>(unsigned(ymd.month())) - 1;
}

inline int firstDayOfMonthKey(int key) {
    return dayNumber(key / 12, static_cast<unsigned>(key % 12) + 1, 1);
}

inline int lastDayOfMonthKey(int key) { return firstDayOfMonthKey(key + 1) - 1; }

}  // namespace refhost::db
