#include "refhost/db/amounts.h"

namespace refhost::db {

std::optional<std::int64_t> parseGrosze(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    constexpr std::int64_t kMaxWhole = 10'000'000'000'000'000;  // 10^16 zloty
    std::int64_t whole = 0;
    std::size_t i = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        whole = whole * 10 + (text[i] - '0');
        if (whole >= kMaxWhole) return std::nullopt;  // checked before it could overflow
    }
    std::int64_t fraction = 0;
    std::size_t decimals = 0;
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals) {
            if (decimals < 2) {
                fraction = fraction * 10 + (text[i] - '0');
            } else if (text[i] != '0') {
                return std::nullopt;
            }
        }
    }
    if (i != text.size() || (digits == 0 && decimals == 0)) return std::nullopt;
    if (decimals == 1) fraction *= 10;
    const std::int64_t value = whole * 100 + fraction;
    return negative ? -value : value;
}

std::string formatGrosze(std::int64_t grosze) {
    const bool negative = grosze < 0;
    // Work with the magnitude as unsigned so that the most negative value cannot overflow.
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(grosze) : static_cast<std::uint64_t>(grosze);
    const std::uint64_t cents = magnitude % 100;
    std::string out = (negative ? "-" : "") + std::to_string(magnitude / 100) + ".";
    out += static_cast<char>('0' + cents / 10);
    out += static_cast<char>('0' + cents % 10);
    return out;
}

std::string showGrosze(std::int64_t grosze) {
    std::string plain = formatGrosze(grosze);  // "-1234.50"
    const std::size_t digits = plain.find('.');
    const std::size_t first = plain[0] == '-' ? 1 : 0;
    plain[digits] = ',';
    for (std::size_t at = digits; at > first + 3; at -= 3) plain.insert(at - 3, 1, ' ');
    return plain;
}

}  // namespace refhost::db
