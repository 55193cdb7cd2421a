#include "citforms/values/amount_entry.h"

namespace citforms::values {

namespace {

// Length of the blank that starts at text[i] (ordinary, tab, no-break U+00A0, narrow
// no-break U+202F, thin U+2009), 0 when there is none.
std::size_t blankAt(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) {
        return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u;
    };
    if (byte(0) == ' ' || byte(0) == '\t') return 1;
    if (byte(0) == 0xC2 && byte(1) == 0xA0) return 2;
    if (byte(0) == 0xE2 && byte(1) == 0x80 && (byte(2) == 0xAF || byte(2) == 0x89)) return 3;
    return 0;
}

EntryError refuse(std::string_view typed, const char* why) {
    std::string message = "Niepoprawna kwota: ";
    message.append(typed);
    if (why != nullptr) {
        message += " (";
        message += why;
        message += ')';
    }
    return EntryError{std::move(message)};
}

}  // namespace

std::variant<Amount, EntryError> parseAmountEntry(std::string_view typed) {
    constexpr int kMaxWholeDigits = 13;  // 15 digits, two of them grosze
    bool negative = false;
    bool signSeen = false;
    bool separatorSeen = false;
    bool anyDigit = false;
    int wholeDigits = 0;  // without leading zeros
    int decimals = 0;
    std::int64_t whole = 0;
    std::int64_t fraction = 0;

    std::size_t i = 0;
    while (i < typed.size()) {
        if (const std::size_t blank = blankAt(typed, i)) {
            i += blank;
            continue;
        }
        const char c = typed[i++];
        if (c >= '0' && c <= '9') {
            anyDigit = true;
            const int digit = c - '0';
            if (separatorSeen) {
                // Counted on to the end: a wrong character or a second separator further
                // on is the better reason to give.
                if (decimals < 2) fraction = fraction * 10 + digit;
                if (decimals <= 2) ++decimals;
            } else if (wholeDigits > 0 || digit != 0) {
                if (wholeDigits < kMaxWholeDigits) whole = whole * 10 + digit;
                if (wholeDigits <= kMaxWholeDigits) ++wholeDigits;
            }
        } else if (c == ',' || c == '.') {
            if (separatorSeen) return refuse(typed, "dwa separatory dziesiętne");
            separatorSeen = true;
        } else if ((c == '-' || c == '+') && !signSeen && !anyDigit && !separatorSeen) {
            signSeen = true;
            negative = c == '-';
        } else {
            return refuse(typed, "niedozwolony znak");
        }
    }
    if (!anyDigit) {
        if (!signSeen && !separatorSeen) return Amount();  // an empty entry
        return refuse(typed, nullptr);
    }
    if (wholeDigits > kMaxWholeDigits) {
        return refuse(typed, "więcej niż 15 cyfr, przed przecinkiem najwyżej 13");
    }
    if (decimals > 2) return refuse(typed, "więcej niż dwa miejsca po przecinku");
    if (decimals == 1) fraction *= 10;
    const std::int64_t grosze = whole * 100 + fraction;
    return Amount::fromGrosze(negative ? -grosze : grosze);
}

}  // namespace citforms::values
