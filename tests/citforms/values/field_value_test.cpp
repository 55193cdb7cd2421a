#include "citforms/values/field_value.h"

#include <gtest/gtest.h>

namespace citforms::values {
namespace {

TEST(FieldValueAmount, StoredTextRoundTrips) {
    struct Case {
        const char* stored;
        bool readable;
        const char* restored;
    };
    const Case cases[] = {
        {"-1234.50", true, "-1234.50"},
        {"12.5", true, "12.50"},
        {"12.50", true, "12.50"},
        {"12", true, "12.00"},
        {"0.00", true, "0.00"},
        {"", true, "0.00"},
        {"  7.1  ", true, "7.10"},
        {"0.005", false, "0.00"},  // more places than grosze: never rounded unseen
        {"-0.005", false, "0.00"},
        {"12.500", true, "12.50"},  // zeros beyond the grosz are no rounding
        {"9999999999999.99", true, "9999999999999.99"},
        {"10000000000000.00", false, "0.00"},  // beyond 15 digits
        {"abc", false, "0.00"},
        {"1 234,50", false, "0.00"},  // stored text never has groups
        {"12,50", true, "12.50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        FieldValue v(FieldClass::Amount);
        v.setAmount(Amount::fromGrosze(999));  // must be replaced, readable or not
        EXPECT_EQ(v.fromStored(c.stored), c.readable);
        EXPECT_EQ(v.toStored(), c.restored);
        EXPECT_EQ(v.text(), c.restored);

        FieldValue again(FieldClass::Amount);
        EXPECT_TRUE(again.fromStored(v.toStored()));
        EXPECT_EQ(again.amount(), v.amount());
    }
}

TEST(FieldValueAmount, NewFieldIsZero) {
    const FieldValue v(FieldClass::Amount);
    EXPECT_EQ(v.toStored(), "0.00");
    EXPECT_EQ(v.amount().grosze(), 0);
    EXPECT_EQ(FieldValue(FieldClass::Day).toStored(), "0");
    EXPECT_EQ(FieldValue().toStored(), "");
}

TEST(FieldValueAmount, DecimalAssignmentRoundsToGrosze) {
    FieldValue v(FieldClass::Amount);
    v.setDecimal(Decimal(19) * Decimal::fromUnits(1000050, 2) / Decimal(100), Rounding::HalfAwayFromZero);
    EXPECT_EQ(v.toStored(), "1900.10");
    EXPECT_EQ(v.decimal(), Decimal::fromUnits(190010, 2));
}

TEST(FieldValueDay, DigitsRoundTrip) {
    struct Case {
        const char* stored;
        bool readable;
        DayNumber day;
    };
    const Case cases[] = {
        {"78532", true, 78532}, {"", true, 0},
        {"0", true, 0},         {" 78530 ", true, 78530},
        {"-3", true, -3},       {"7853x", false, 0},
        {"785.32", false, 0},   {"99999999999", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        FieldValue v(FieldClass::Day);
        v.setDay(5);
        EXPECT_EQ(v.fromStored(c.stored), c.readable);
        EXPECT_EQ(v.day(), c.day);
        EXPECT_EQ(v.toStored(), std::to_string(c.day));
    }
}

TEST(FieldValueText, CutToCapacityInCharacters) {
    FieldValue nip(FieldClass::Text, 13);
    EXPECT_TRUE(nip.fromStored("123-456-78-90XYZ"));
    EXPECT_EQ(nip.toStored(), "123-456-78-90");

    FieldValue name(FieldClass::Text, 5);
    name.setText("Żółć gęślą");
    EXPECT_EQ(name.text(), "Żółć ");  // five letters, ten bytes

    EXPECT_EQ(cutText("ąęść", 2), "ąę");
    EXPECT_EQ(cutText("abc", 3), "abc");
    EXPECT_EQ(cutText("abc", 0), "");
    EXPECT_EQ(cutText("a\xE2\x82\xAC"
                      "b",
                      2),
              "a\xE2\x82\xAC");  // three-byte euro sign
    EXPECT_EQ(cutText("\xF0\x9F\x98\x80xy", 1), "\xF0\x9F\x98\x80");
}

// The tax fields of the calculation are text fields carrying amounts.
TEST(FieldValueText, AmountAccessOnTextFields) {
    FieldValue tax(FieldClass::Text, 255);
    EXPECT_EQ(tax.amount().grosze(), 0);  // empty counts as 0
    tax.setText("1900.19");
    EXPECT_EQ(tax.amount().grosze(), 190019);
    tax.setText("1 234,50");
    EXPECT_EQ(tax.amount().grosze(), 123450);
    tax.setText("brak");
    EXPECT_EQ(tax.amount().grosze(), 0);
    tax.setAmount(Amount::fromGrosze(-5));
    EXPECT_EQ(tax.text(), "-0.05");
    EXPECT_EQ(tax.toStored(), "-0.05");
    tax.setDecimal(Decimal(19) * Decimal::fromUnits(123456, 2) / Decimal(100), Rounding::HalfAwayFromZero);
    EXPECT_EQ(tax.text(), "234.57");
}

TEST(FieldValueText, DayAccessOnTextFields) {
    FieldValue start(FieldClass::Text, 10);
    start.setDay(78167);
    EXPECT_EQ(start.text(), "78167");
    EXPECT_TRUE(start.fromStored("78530     "));  // held left-aligned, blank-padded
    EXPECT_EQ(start.day(), 78530);
    start.setText("");
    EXPECT_EQ(start.day(), 0);
}

TEST(FieldValueClasses, TextAssignmentOnTypedFieldsReadsTheValue) {
    FieldValue amount(FieldClass::Amount);
    amount.setText("12.5");
    EXPECT_EQ(amount.toStored(), "12.50");
    FieldValue day(FieldClass::Day);
    day.setText("78532");
    EXPECT_EQ(day.day(), 78532);
    EXPECT_EQ(day.amount().grosze(), 7853200);
}

}  // namespace
}  // namespace citforms::values
