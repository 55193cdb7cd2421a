#include "citforms/values/picture.h"

#include <gtest/gtest.h>

namespace citforms::values {
namespace {

struct Case {
    const char* picture;
    const char* value;
    const char* shown;
};

void expectAll(std::initializer_list<Case> cases, bool pad) {
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.picture) + " <- [" + c.value + "]");
        EXPECT_EQ(formatPicture(c.picture, c.value, pad), c.shown);
    }
}

TEST(PictureFormat, Amounts) {
    expectAll(
        {
            {"@N-19_`2", "-1234.5", "-1 234,50"},
            {"N-19_`2", "-1234.50", "-1 234,50"},
            {"N-19_`2", "0", "0,00"},
            {"N-19_`2", "0.00", "0,00"},
            {"N-19_`2", "", "0,00"},
            {"N-19_`2", "   ", "0,00"},
            {"N-19_`2", "-0.001", "0,00"},
            {"N-19_`2", "-0.005", "-0,01"},
            {"N-19_`2", "0.5", "0,50"},
            {"N-19_`2", "999.999", "1 000,00"},
            {"N-19_`2", "100", "100,00"},
            {"N-19_`2", "1000", "1 000,00"},
            {"N-19_`2", "-100000", "-100 000,00"},
            {"N-19_`2", "1900.095", "1 900,10"},
            {"N-19_`2", "999999999999.99", "999 999 999 999,99"},
            {"N-19_`2", "-999999999999.99", "-999 999 999 999,99"},
            {"N-14_`2", "-1234.5", "-1 234,50"},
            {"N-14_`2", "12345678.9", "12 345 678,90"},
        },
        false);
}

TEST(PictureFormat, WholeNumbersAndSmallCounts) {
    expectAll(
        {
            {"N-19_", "1234567", "1 234 567"},
            {"@N-19_", "-1234567", "-1 234 567"},
            {"N-19_", "0", "0"},
            {"N-19_", "10000.50", "10 001"},  // halves away from zero
            {"N-19_", "-10000.50", "-10 001"},
            {"N-19_", "10000.49", "10 000"},
            {"N-19_", "-0.4", "0"},
            {"N-19_", "123", "123"},
            {"n3", "7", "7"},
            {"N3", "120", "120"},
            {"n3", "1234", "1234"},  // never cut: a digit lost is a different number
            {"n3", "-5", "-5"},      // the minus stays even without '-' in the picture
            {"N7", "25", "25"},
        },
        false);
}

TEST(PictureFormat, PaddingRightJustifiesNumbers) {
    expectAll(
        {
            {"N-19_`2", "-1234.5", "          -1 234,50"},
            {"N-19_`2", "0", "               0,00"},
            {"N-19_", "1234567", "          1 234 567"},
            {"n3", "7", "  7"},
            {"n3", "1234", "1234"},
            {"N-14_`2", "9999999999999.99", "9 999 999 999 999,99"},
            {"s5", "ab", "ab   "},
            {"s5", "źółć", "źółć "},
            {"D6-", "78532", "02-01-2016"},
        },
        true);
    // The widest amount is wider than the 19 of the picture and is shown whole.
    EXPECT_EQ(formatPicture("N-19_`2", "-9999999999999.99", true), "-9 999 999 999 999,99");
}

TEST(PictureFormat, DatesAndTexts) {
    expectAll(
        {
            {"D6-", "78532", "02-01-2016"},
            {"D6-", "78530     ", "31-12-2015"},  // field held left-aligned in 10 places
            {"D6-", "0", ""},
            {"D6-", "", ""},
            {"D6.", "78167", "02.01.2015"},
            {"D10-", "78167", "2015-01-02"},
            {"D6-", "data", "data"},
            {"D6-", "99999999", "99999999"},
            {"s4", "abcdef", "abcd"},
            {"s13", "1234567890", "1234567890"},
            {"s4", "Łódź i okolice", "Łódź"},
            {"s3", "żółw", "żół"},
            {"s255", "", ""},
            {"S10", "  left  ", "  left  "},
        },
        false);
}

TEST(PictureFormat, OddValuesAndUnknownPictures) {
    expectAll(
        {
            {"N-19_`2", "abc", "abc"},  // not a number: shown as it stands
            {"N-19_`2", "12,5", "12,50"},
            {"X12", "value", "value"},
            {"", "value", "value"},
            {"N-19_`2x", "1", "1"},
        },
        false);
}

TEST(PictureParse, ReadsEveryPartOfThePicture) {
    const Picture amount = Picture::parse("@N-19_`2").value();
    EXPECT_EQ(amount.kind, Picture::Kind::Number);
    EXPECT_EQ(amount.width, 19);
    EXPECT_EQ(amount.decimals, 2);
    EXPECT_TRUE(amount.sign);
    EXPECT_TRUE(amount.grouping);
    EXPECT_EQ(amount.decimalSeparator, ',');

    const Picture small = Picture::parse("n3").value();
    EXPECT_EQ(small.width, 3);
    EXPECT_FALSE(small.sign);
    EXPECT_FALSE(small.grouping);
    EXPECT_EQ(small.decimals, 0);

    const Picture date = Picture::parse("D6-").value();
    EXPECT_EQ(date.kind, Picture::Kind::Date);
    EXPECT_EQ(date.dateSeparator, '-');

    const Picture text = Picture::parse("s150").value();
    EXPECT_EQ(text.kind, Picture::Kind::Text);
    EXPECT_EQ(text.width, 150);

    for (const char* bad :
         {"", "@", "N", "N-", "Nx", "N-19_`", "D", "D7-", "s", "sx", "Q5", "N-19_`2 ", "N3`19"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(Picture::parse(bad).has_value());
    }
}

TEST(PictureFormat, OtherSeparatorsAndBlankZero) {
    EXPECT_EQ(formatPicture("N12.`2", "1234567.891"), "1.234.567,89");
    EXPECT_EQ(formatPicture("N-12,.2", "-1234567.891"), "-1,234,567.89");
    EXPECT_EQ(formatPicture("N12.2", "1234.5"), "1234.50");
    EXPECT_EQ(formatPicture("N-19_`2b", "0.001"), "");
    EXPECT_EQ(formatPicture("N-19_`2b", "0.01"), "0,01");
    EXPECT_EQ(formatPicture("N-19_`2b", "0", true), std::string(19, ' '));
}

TEST(PictureFormat, FormatNumberTakesDecimalsDirectly) {
    const Picture amount = Picture::parse("N-19_`2").value();
    EXPECT_EQ(formatNumber(amount, Amount::fromGrosze(-123450).toDecimal()), "-1 234,50");
    EXPECT_EQ(formatNumber(amount, Decimal(0), true), "               0,00");
    const Decimal huge = Decimal::fromUnits(static_cast<int128>(-1) << 126, 0);
    EXPECT_EQ(formatNumber(amount, huge), "-85 070 591 730 234 615 865 843 651 857 942 052 864,00");
    EXPECT_EQ(formatNumber(Picture::parse("D6-").value(), Decimal(78532)), "02-01-2016");
}

}  // namespace
}  // namespace citforms::values
