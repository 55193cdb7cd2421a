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
    return read(f_.main(), position);
}
void FieldSetAmounts::setCit8(int position, const Decimal& value) {
    write(f_.main(), position, value);
}
Decimal FieldSetAmounts::cit8o(int position) const {
    return read(f_.form("CIT-8/O"), position);
}
void FieldSetAmounts::setCit8o(int position, const Decimal& value) {
    write(f_.form("CIT-8/O"), position, value);
}

Decimal FieldSetAmounts::firstCitBrRelief() {
    const auto count = static_cast<std::int32_t>(read(f_.main(), 28).integerPart());
    store::WCZYTAJ_CIT_BR(f_, 1, count);
    return read(f_.form("CIT-BR"), 19);
}

std::string FieldSetAmounts::cit8Text(int position) const {
    return f_.main().has(position) ? f_.main()[position].text() : std::string();
}
void FieldSetAmounts::setCit8Text(int position, const std::string& text) {
    if (f_.main().has(position)) f_.main()[position].setText(text);
}
std::string FieldSetAmounts::cit8oText(int position) const {
    return f_.form("CIT-8/O").has(position) ? f_.form("CIT-8/O")[position].text() : std::string();
}
void FieldSetAmounts::setCit8oText(int position, const std::string& text) {
    if (f_.form("CIT-8/O").has(position)) f_.form("CIT-8/O")[position].setText(text);
}
void FieldSetAmounts::setCit8oDay(int position, values::DayNumber day) {
    if (f_.form("CIT-8/O").has(position)) f_.form("CIT-8/O")[position].setDay(day);
}

void FieldSetAmounts::clearAttachments() {
    for (store::HeldForm& held : f_.forms()) {
        if (!held.numbered()) continue;
        held.copies.clear();
        held.set.clear();
    }
}

}  // namespace citforms::compute
