#include "citforms/values/picture.h"

#include "citforms/values/day_number.h"
#include "citforms/values/field_value.h"
#include "citforms/values/text.h"

namespace citforms::values {

namespace {

__extension__ using uint128 = unsigned __int128;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads digits at text[pos] into `out` (at most 4 of them); false when there are none.
bool readCount(std::string_view text, std::size_t& pos, int& out) {
    const std::size_t start = pos;
    int v = 0;
    while (pos < text.size() && isDigit(text[pos]) && pos - start < 4) {
        v = v * 10 + (text[pos] - '0');
        ++pos;
    }
    out = v;
    return pos > start;
}

std::string_view trimBlanks(std::string_view s) { return trim(s, " \t"); }

std::string padded(std::string text, const Picture& picture, bool pad, bool right) {
    if (!pad || picture.width <= 0) return text;
    const std::size_t width = static_cast<std::size_t>(picture.width);
    // Widths are counted in characters; continuation bytes of UTF-8 do not count.
    std::size_t chars = 0;
    for (const char c : text) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (chars >= width) return text;
    if (right) return std::string(width - chars, ' ') + text;
    text.append(width - chars, ' ');
    return text;
}

std::string formatDay(const Picture& picture, DayNumber day, bool pad) {
    if (day == 0) return padded(std::string(), picture, pad, false);
    std::string text =
        picture.dateStyle == 10 ? formatIso(day) : formatDayMonthYear(day, picture.dateSeparator);
    if (picture.dateStyle == 10 && picture.dateSeparator != '-' && isDisplayableDay(day)) {
        text[4] = picture.dateSeparator;
        text[7] = picture.dateSeparator;
    }
    return padded(std::move(text), picture, pad, false);
}

}  // namespace

std::optional<Picture> Picture::parse(std::string_view text) {
    std::size_t pos = 0;
    if (pos < text.size() && text[pos] == '@') ++pos;
    if (pos >= text.size()) return std::nullopt;
    Picture p;
    const char kind = text[pos++];
    switch (kind) {
        case 'N':
        case 'n': {
            p.kind = Kind::Number;
            if (pos < text.size() && text[pos] == '-') {
                p.sign = true;
                ++pos;
            }
            if (!readCount(text, pos, p.width)) return std::nullopt;
            // A full stop groups only when a comma marks the decimals after it.
            if (pos < text.size() &&
                (text[pos] == '_' || text[pos] == ',' ||
                 (text[pos] == '.' && pos + 1 < text.size() && text[pos + 1] == '`'))) {
                p.grouping = true;
                p.groupSeparator = text[pos] == '_' ? ' ' : text[pos];
                ++pos;
            }
            if (pos < text.size() && (text[pos] == '`' || text[pos] == '.')) {
                p.decimalSeparator = text[pos] == '`' ? ',' : '.';
                ++pos;
                if (!readCount(text, pos, p.decimals) || p.decimals > Decimal::kMaxScale) {
                    return std::nullopt;
                }
            }
            break;
        }
        case 'D':
        case 'd': {
            p.kind = Kind::Date;
            if (!readCount(text, pos, p.dateStyle)) return std::nullopt;
            if (p.dateStyle != 6 && p.dateStyle != 10) return std::nullopt;
            p.width = 10;
            if (pos < text.size() &&
                (text[pos] == '-' || text[pos] == '.' || text[pos] == '/' || text[pos] == '_')) {
                p.dateSeparator = text[pos] == '_' ? ' ' : text[pos];
                ++pos;
            }
            break;
        }
        case 'S':
        case 's':
            p.kind = Kind::Text;
            if (!readCount(text, pos, p.width)) return std::nullopt;
            break;
        default:
            return std::nullopt;
    }
    if (pos < text.size() && (text[pos] == 'b' || text[pos] == 'B')) {
        p.blankWhenZero = true;
        ++pos;
    }
    if (pos != text.size()) return std::nullopt;
    return p;
}

std::string formatNumber(const Picture& picture, const Decimal& value, bool pad) {
    if (picture.kind == Picture::Kind::Date) {
        const Decimal whole = value.rounded(0, Rounding::Truncate);
        if (whole < Decimal(kFirstDisplayableDay) || whole > Decimal(kLastDisplayableDay)) {
            return padded(whole.toString(), picture, pad, false);
        }
        return formatDay(picture, static_cast<DayNumber>(whole.integerPart()), pad);
    }
    if (picture.kind == Picture::Kind::Text) {
        return padded(cutText(value.toString(), static_cast<std::size_t>(picture.width)), picture,
                      pad, false);
    }

    // Decimals the value lacks are written as zeros rather than by scaling the units up,
    // which could leave 128 bits for a value that is merely large.
    const int missing = picture.decimals > value.scale() ? picture.decimals - value.scale() : 0;
    const int128 units = missing > 0
                             ? value.units()
                             : value.rounded(picture.decimals, Rounding::HalfAwayFromZero).units();
    if (units == 0 && picture.blankWhenZero) return padded(std::string(), picture, pad, true);
    const bool negative = units < 0;
    uint128 mag = negative ? uint128(0) - static_cast<uint128>(units) : static_cast<uint128>(units);

    // 39 digits, 12 group separators, 18 decimals, a separator and a sign fit in 80.
    char buf[80];
    char* const end = buf + sizeof buf;
    char* p = end;
    for (int i = 0; i < picture.decimals; ++i) {
        if (i < missing) {
            *--p = '0';
            continue;
        }
        *--p = static_cast<char>('0' + static_cast<int>(mag % 10));
        mag /= 10;
    }
    if (picture.decimals > 0) *--p = picture.decimalSeparator;
    int inGroup = 0;
    do {
        if (picture.grouping && inGroup == 3) {
            *--p = picture.groupSeparator;
            inGroup = 0;
        }
        *--p = static_cast<char>('0' + static_cast<int>(mag % 10));
        mag /= 10;
        ++inGroup;
    } while (mag != 0);
    if (negative) *--p = '-';

    const std::size_t len = static_cast<std::size_t>(end - p);
    const std::size_t width = picture.width > 0 ? static_cast<std::size_t>(picture.width) : 0;
    if (!pad || len >= width) return std::string(p, end);
    std::string out(width, ' ');
    out.replace(width - len, len, p, len);
    return out;
}

std::string formatPicture(std::string_view picture, std::string_view value, bool pad) {
    const std::optional<Picture> pic = Picture::parse(picture);
    if (!pic) return std::string(value);

    switch (pic->kind) {
        case Picture::Kind::Text:
            return padded(cutText(value, static_cast<std::size_t>(pic->width)), *pic, pad, false);
        case Picture::Kind::Number: {
            const std::string_view t = trimBlanks(value);
            if (t.empty()) return formatNumber(*pic, Decimal(0), pad);
            const std::optional<Decimal> d = Decimal::parse(t);
            if (!d) return padded(std::string(t), *pic, pad, true);
            return formatNumber(*pic, *d, pad);
        }
        case Picture::Kind::Date: {
            const std::string_view t = trimBlanks(value);
            if (t.empty()) return padded(std::string(), *pic, pad, false);
            const std::optional<Decimal> d = Decimal::parse(t);
            if (!d) return padded(std::string(t), *pic, pad, false);
            return formatNumber(*pic, *d, pad);
        }
    }
    return std::string(value);
}

}  // namespace citforms::values
