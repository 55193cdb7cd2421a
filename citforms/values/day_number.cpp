#include "citforms/values/day_number.h"

#include <ctime>

namespace citforms::values {

namespace chr = std::chrono;

namespace {

// Day 0 of the host's count, as days since the system clock's epoch.
constexpr int kDayZero = static_cast<int>(
    chr::sys_days(chr::year(1800) / chr::December / 28).time_since_epoch().count());

chr::sys_days toSys(DayNumber day) {
    if (day < kFirstDisplayableDay) day = kFirstDisplayableDay;
    if (day > kLastDisplayableDay) day = kLastDisplayableDay;
    return chr::sys_days(chr::days(day + kDayZero));
}

DayNumber fromSys(chr::sys_days d) {
    return static_cast<DayNumber>(d.time_since_epoch().count() - kDayZero);
}

chr::year_month_day clampDay(chr::year y, chr::month m, chr::day d) {
    const chr::year_month_day_last last(y, chr::month_day_last(m));
    return {y, m, d > last.day() ? last.day() : d};
}

void put2(char* out, unsigned v) {
    out[0] = static_cast<char>('0' + v / 10 % 10);
    out[1] = static_cast<char>('0' + v % 10);
}

void put4(char* out, int v) {
    const unsigned u = static_cast<unsigned>(v);
    out[0] = static_cast<char>('0' + u / 1000 % 10);
    out[1] = static_cast<char>('0' + u / 100 % 10);
    out[2] = static_cast<char>('0' + u / 10 % 10);
    out[3] = static_cast<char>('0' + u % 10);
}

// Reads 1 to `maxDigits` digits at text[pos]; advances pos.
bool readNumber(const std::string& text, std::size_t& pos, std::size_t maxDigits, int& out) {
    std::size_t n = 0;
    int v = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && n < maxDigits) {
        v = v * 10 + (text[pos] - '0');
        ++pos;
        ++n;
    }
    out = v;
    return n > 0;
}

}  // namespace

bool isDisplayableDay(DayNumber day) {
    return day >= kFirstDisplayableDay && day <= kLastDisplayableDay;
}

chr::year_month_day toDate(DayNumber day) {
    return chr::year_month_day(toSys(day));
}

DayNumber fromDate(chr::year_month_day date) {
    // An invalid day of a valid month runs on into the following month (31 February is
    // 3 March), as sys_days defines it.
    return fromSys(chr::sys_days(date));
}

DayNumber fromDate(int year, unsigned month, unsigned day) {
    // Months beyond December run into the following years; day 0 is the last day of the
    // month before.
    if (month == 0) month = 1;
    year += static_cast<int>((month - 1) / 12);
    month = (month - 1) % 12 + 1;
    const chr::sys_days first = chr::year(year) / chr::month(month) / 1;
    return fromSys(first + chr::days(static_cast<int>(day) - 1));
}

DayNumber today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return fromDate(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                    static_cast<unsigned>(local.tm_mday));
}

DayNumber lastDayOfMonth(DayNumber day) {
    const auto d = toDate(day);
    return fromSys(chr::sys_days(d.year() / d.month() / chr::last));
}

DayNumber firstDayOfMonth(DayNumber day) {
    const auto d = toDate(day);
    return fromSys(chr::sys_days(d.year() / d.month() / 1));
}

DayNumber secondOfMonth(DayNumber day) {
    const auto d = toDate(day);
    return fromSys(chr::sys_days(d.year() / d.month() / 2));
}

DayNumber addMonths(DayNumber day, int months) {
    const auto d = toDate(day);
    const chr::year_month ym = d.year() / d.month() + chr::months(months);
    return fromSys(chr::sys_days(clampDay(ym.year(), ym.month(), d.day())));
}

DayNumber december31(DayNumber day) {
    return fromSys(chr::sys_days(toDate(day).year() / chr::December / 31));
}

int yearOf(DayNumber day) {
    return static_cast<int>(toDate(day).year());
}
unsigned monthOf(DayNumber day) {
    return static_cast<unsigned>(toDate(day).month());
}
unsigned dayOf(DayNumber day) {
    return static_cast<unsigned>(toDate(day).day());
}

std::string formatDayMonthYear(DayNumber day, char separator) {
    if (!isDisplayableDay(day)) return std::to_string(day);
    const auto d = toDate(day);
    std::string out(10, separator);
    put2(&out[0], static_cast<unsigned>(d.day()));
    put2(&out[3], static_cast<unsigned>(d.month()));
    put4(&out[6], static_cast<int>(d.year()));
    return out;
}

std::string formatIso(DayNumber day) {
    if (!isDisplayableDay(day)) return std::to_string(day);
    const auto d = toDate(day);
    std::string out(10, '-');
    put4(&out[0], static_cast<int>(d.year()));
    put2(&out[5], static_cast<unsigned>(d.month()));
    put2(&out[8], static_cast<unsigned>(d.day()));
    return out;
}

std::optional<DayNumber> parseDate(const std::string& text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && text[b] == ' ') ++b;
    while (e > b && text[e - 1] == ' ') --e;
    const std::string t = text.substr(b, e - b);

    std::size_t pos = 0;
    int first = 0;
    int second = 0;
    int third = 0;
    if (!readNumber(t, pos, 4, first)) return std::nullopt;
    const std::size_t firstLen = pos;
    if (pos >= t.size()) return std::nullopt;
    const char sep = t[pos];
    if (sep != '-' && sep != '.' && sep != '/') return std::nullopt;
    ++pos;
    if (!readNumber(t, pos, 2, second)) return std::nullopt;
    if (pos >= t.size() || t[pos] != sep) return std::nullopt;
    ++pos;
    const std::size_t thirdStart = pos;
    if (!readNumber(t, pos, 4, third) || pos != t.size()) return std::nullopt;
    const std::size_t thirdLen = pos - thirdStart;

    int y = 0;
    int m = second;
    int d = 0;
    if (firstLen == 4 && thirdLen <= 2) {
        y = first;
        d = third;
    } else if (firstLen <= 2 && thirdLen == 4) {
        d = first;
        y = third;
    } else {
        return std::nullopt;
    }
    const chr::year_month_day ymd{chr::year(y), chr::month(static_cast<unsigned>(m)),
                                  chr::day(static_cast<unsigned>(d))};
    if (!ymd.ok() || y < 1) return std::nullopt;
    return fromDate(ymd);
}

}  // namespace citforms::values
