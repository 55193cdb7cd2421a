#pragma once
// Field values: how each class of form field is held in memory and turned into the text of
// DEKLARACJE_POZ.WARTOSC_POLA and back.
//
//   text   - held as text of a fixed capacity (characters); stored as is; a longer stored
//            text is cut to the capacity when loaded.
//   amount - held as Amount; stored as plain decimal text ("-1234.50"); loaded from
//            "12.5" or "12.50" alike; empty text loads as 0.
//   day    - held as a day number; stored as its digits; empty text loads as 0.
// Stored text that is not a number loads as 0 and is reported as unreadable.
#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "citforms/values/decimal.h"
#include "citforms/values/day_number.h"

namespace citforms::values {

enum class FieldClass { Text, Amount, Day };

struct FieldSpec {
    int number = 0;            // position number on the form
    FieldClass cls = FieldClass::Text;
    std::size_t capacity = 255;  // text class only, in characters
    bool padded = false;         // stored left-aligned and padded with blanks to the capacity
};

class FieldValue {
public:
    FieldValue() = default;
    explicit FieldValue(FieldClass cls, std::size_t capacity = 255);

    FieldClass fieldClass() const { return cls_; }
    std::size_t capacity() const { return capacity_; }

    // The WARTOSC_POLA text of the value.
    std::string toStored() const;
    // Loads stored text by the field's class; returns false when the text was not a number
    // (the value is then 0).
    bool fromStored(std::string_view stored);

    // Typed access. Text assignment cuts to the capacity; amount access on a text field
    // reads/writes its text as an amount (empty counts as 0), as the tax fields need.
    const std::string& text() const { return text_; }
    void setText(std::string_view text);
    Amount amount() const;
    Decimal decimal() const { return amount().toDecimal(); }
    void setAmount(Amount a);
    // Rounds to the grosz by `mode` (see Amount::fromDecimal for what it throws).
    void setDecimal(const Decimal& d, Rounding mode) { setAmount(Amount::fromDecimal(d, mode)); }
    DayNumber day() const;
    void setDay(DayNumber d);

private:
    FieldClass cls_ = FieldClass::Text;
    std::size_t capacity_ = 255;
    std::string text_;
    Amount amount_;
    DayNumber day_ = 0;
};

// Cuts UTF-8 text to at most `capacity` code points.
std::string cutText(std::string_view text, std::size_t capacity);
// Number of code points of UTF-8 text (what a capacity counts).
std::size_t textLength(std::string_view text);

}  // namespace citforms::values
