#include "citforms/compute/field_set_amounts.h"

#include "citforms/store/declaration_load.h"

namespace citforms::compute {

namespace {

Decimal read(const store::FieldSet& set, int position) {
    return set.has(position) ? set[position].decimal() : Decimal();
}

void write(store::FieldSet& set, int position, const Decimal& value) {
    // The form keeps amounts to the grosz; a rule's exact result rounds half away from zero.
    if (set.has(position)) set[position].setDecimal(value, values::Rounding::HalfAwayFromZero);
}

}  // namespace

Decimal FieldSetAmounts::cit8(int position) const {
    return read(f_.cit8, position);
}
void FieldSetAmounts::setCit8(int position, const Decimal& value) {
    write(f_.cit8, position, value);
}
Decimal FieldSetAmounts::cit8o(int position) const {
    return read(f_.cit8o, position);
}
void FieldSetAmounts::setCit8o(int position, const Decimal& value) {
    write(f_.cit8o, position, value);
}

Decimal FieldSetAmounts::firstCitBrRelief() {
    const auto count = static_cast<std::int32_t>(read(f_.cit8, 28).integerPart());
    store::WCZYTAJ_CIT_BR(f_, 1, count);
    return read(f_.citbr, 19);
}

std::string FieldSetAmounts::cit8Text(int position) const {
    return f_.cit8.has(position) ? f_.cit8[position].text() : std::string();
}
void FieldSetAmounts::setCit8Text(int position, const std::string& text) {
    if (f_.cit8.has(position)) f_.cit8[position].setText(text);
}
std::string FieldSetAmounts::cit8oText(int position) const {
    return f_.cit8o.has(position) ? f_.cit8o[position].text() : std::string();
}
void FieldSetAmounts::setCit8oText(int position, const std::string& text) {
    if (f_.cit8o.has(position)) f_.cit8o[position].setText(text);
}
void FieldSetAmounts::setCit8oDay(int position, values::DayNumber day) {
    if (f_.cit8o.has(position)) f_.cit8o[position].setDay(day);
}

void FieldSetAmounts::clearAttachments() {
    f_.ext.clear();
    f_.extcb.clear();
    f_.citbr.clear();
}

}  // namespace citforms::compute
