#include "citforms/values/field_value.h"

#include "citforms/values/amount_entry.h"
#include "citforms/values/text.h"

#include <charconv>
#include <limits>
#include <stdexcept>

namespace citforms::values {

namespace {

std::string_view trimBlanks(std::string_view s) { return trim(s, " \t"); }

// Empty text is 0; text that is not an amount of at most 15 digits with at most two places
// that are not zeros is nullopt: a stored amount is never silently rounded.
std::optional<Amount> readAmount(std::string_view text) {
    const std::string_view t = trimBlanks(text);
    if (t.empty()) return Amount();
    const std::optional<Decimal> d = Decimal::parse(t);
    if (!d) return std::nullopt;
    try {
        return Amount::fromDecimal(*d, Rounding::Never);
    } catch (const std::overflow_error&) {
        return std::nullopt;
    } catch (const RoundingNeeded&) {
        return std::nullopt;
    }
}

// Empty text is day 0; anything but an optional minus and digits is nullopt.
std::optional<DayNumber> readDay(std::string_view text) {
    const std::string_view t = trimBlanks(text);
    if (t.empty()) return DayNumber{0};
    return parseInteger<DayNumber>(t);
}

std::string dayDigits(DayNumber day) {
    char buf[16];
    const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, day);
    (void)ec;  // an int32 always fits
    return std::string(buf, ptr);
}

}  // namespace

std::string cutText(std::string_view text, std::size_t capacity) {
    if (text.size() <= capacity) return std::string(text);
    // A code point starts at every byte that is not a UTF-8 continuation byte (10xxxxxx).
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (count == capacity) return std::string(text.substr(0, i));
            ++count;
        }
    }
    return std::string(text);
}

std::size_t textLength(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

FieldValue::FieldValue(FieldClass cls, std::size_t capacity) : cls_(cls), capacity_(capacity) {
    if (cls_ == FieldClass::Amount) text_ = amount_.toPlainText();
    if (cls_ == FieldClass::Day) text_ = dayDigits(day_);
}

// text_ always holds the stored text of the value, whatever the class.
std::string FieldValue::toStored() const {
    return text_;
}

bool FieldValue::fromStored(std::string_view stored) {
    switch (cls_) {
        case FieldClass::Text:
            text_ = cutText(stored, capacity_);
            return true;
        case FieldClass::Amount: {
            const std::optional<Amount> a = readAmount(stored);
            setAmount(a.value_or(Amount()));
            return a.has_value();
        }
        case FieldClass::Day: {
            const std::optional<DayNumber> d = readDay(stored);
            setDay(d.value_or(0));
            return d.has_value();
        }
    }
    return false;
}

void FieldValue::setText(std::string_view text) {
    if (cls_ == FieldClass::Text) {
        text_ = cutText(text, capacity_);
        return;
    }
    (void)fromStored(text);
}

Amount FieldValue::amount() const {
    switch (cls_) {
        case FieldClass::Amount:
            return amount_;
        case FieldClass::Text: {
            // Tax fields held as text may also carry an amount as a person typed it.
            if (const std::optional<Amount> a = readAmount(text_)) return *a;
            const auto typed = parseAmountEntry(text_);
            return std::holds_alternative<Amount>(typed) ? std::get<Amount>(typed) : Amount();
        }
        case FieldClass::Day:
            return Amount::fromGrosze(std::int64_t{day_} * 100);
    }
    return Amount();
}

void FieldValue::setAmount(Amount a) {
    switch (cls_) {
        case FieldClass::Amount:
            amount_ = a;
            text_ = amount_.toPlainText();
            return;
        case FieldClass::Text:
            text_ = cutText(a.toPlainText(), capacity_);
            return;
        case FieldClass::Day: {
            const std::int64_t whole = a.grosze() / 100;
            const bool fits = whole >= std::numeric_limits<DayNumber>::min() &&
                              whole <= std::numeric_limits<DayNumber>::max();
            setDay(fits ? static_cast<DayNumber>(whole) : 0);
            return;
        }
    }
}

DayNumber FieldValue::day() const {
    switch (cls_) {
        case FieldClass::Day:
            return day_;
        case FieldClass::Text:
            return readDay(text_).value_or(0);
        case FieldClass::Amount: {
            const std::int64_t whole = amount_.grosze() / 100;
            const bool fits = whole >= std::numeric_limits<DayNumber>::min() &&
                              whole <= std::numeric_limits<DayNumber>::max();
            return fits ? static_cast<DayNumber>(whole) : 0;
        }
    }
    return 0;
}

void FieldValue::setDay(DayNumber d) {
    switch (cls_) {
        case FieldClass::Day:
            day_ = d;
            text_ = dayDigits(d);
            return;
        case FieldClass::Text:
            text_ = cutText(dayDigits(d), capacity_);
            return;
        case FieldClass::Amount:
            setAmount(Amount::fromGrosze(std::int64_t{d} * 100));
            return;
    }
}

}  // namespace citforms::values
