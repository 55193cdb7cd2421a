#pragma once
// Day numbers of the host database (28 December 1800 is day 0, 1 January 1801 day 4),
// converted with std::chrono calendar types.
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

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

// The day of an ISO date "yyyy-mm-dd" (exactly that form); nullopt for anything else,
// a day that does not exist included.
inline std::optional<int> parseIsoDay(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    int y = 0;
    unsigned m = 0;
    unsigned d = 0;
    auto number = [&](std::size_t at, std::size_t length, auto& out) {
        const char* first = text.data() + at;
        const char* last = first + length;
        if (*first < '0' || *first > '9') return false;
        auto [end, ec] = std::from_chars(first, last, out);
        return ec == std::errc() && end == last;
    };
    if (!number(0, 4, y) || !number(5, 2, m) || !number(8, 2, d)) return std::nullopt;
    const std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{m},
                                          std::chrono::day{d}};
    if (!ymd.ok()) return std::nullopt;
    return dayNumber(y, m, d);
}

// "yyyy-mm-dd" of a day number.
inline std::string isoDate(int day) {
    const auto ymd = dateOfDay(day);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  unsigned(ymd.month()), unsigned(ymd.day()));
    return buffer;
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
