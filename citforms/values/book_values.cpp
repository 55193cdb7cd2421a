#include "citforms/values/book_values.h"

#include <chrono>

#include "citforms/values/picture.h"

namespace citforms::values {

std::optional<std::int64_t> exactGrosze(const Decimal& value) {
    int128 units = value.units();
    for (int scale = value.scale(); scale > 2; --scale) {
        if (units % 10 != 0) return std::nullopt;
        units /= 10;
    }
    for (int scale = value.scale(); scale < 2; ++scale) {
        if (__builtin_mul_overflow(units, 10, &units)) return std::nullopt;
    }
    constexpr int128 kLimit = 1'000'000'000'000'000'000;  // 10^16 zloty
    if (units >= kLimit || units <= -kLimit) return std::nullopt;
    return static_cast<std::int64_t>(units);
}

std::optional<std::int64_t> exactGrosze(std::string_view text) {
    const std::optional<Decimal> value = Decimal::parse(text);
    if (!value) return std::nullopt;
    return exactGrosze(*value);
}

std::string groszeText(std::int64_t grosze) {
    return Decimal::fromUnits(grosze, 2).toPlainText(2);
}

std::string shownGrosze(std::int64_t grosze) {
    static const Picture amount = *Picture::parse("N-19_`2");
    return formatNumber(amount, Decimal::fromUnits(grosze, 2));
}

std::optional<DayNumber> parseIsoDate(std::string_view text) {
    if (text.size() != 10) return std::nullopt;
    int number[3] = {0, 0, 0};  // year, month, day
    for (std::size_t i = 0, part = 0; i < text.size(); ++i) {
        if (i == 4 || i == 7) {
            if (text[i] != '-') return std::nullopt;
            ++part;
        } else if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        } else {
            number[part] = number[part] * 10 + (text[i] - '0');
        }
    }
    const std::chrono::year_month_day date{std::chrono::year(number[0]),
                                           std::chrono::month(static_cast<unsigned>(number[1])),
                                           std::chrono::day(static_cast<unsigned>(number[2]))};
    if (!date.ok()) return std::nullopt;
    return fromDate(date);
}

}  // namespace citforms::values
