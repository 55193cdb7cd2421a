#include "citforms/values/decimal.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace citforms::values {
namespace {

Decimal dec(std::string_view text) {
    const std::optional<Decimal> d = Decimal::parse(text);
    if (!d) throw std::invalid_argument(std::string(text));
    return *d;
}

__extension__ using uint128 = unsigned __int128;
int128 maxInt128() {
    return static_cast<int128>(~uint128(0) >> 1);
}

TEST(DecimalParse, AcceptsPlainText) {
    struct Case {
        const char* text;
        const char* plain;  // toString of the result
        int scale;
    };
    const Case cases[] = {
        {"12.5", "12.5", 1},
        {"12.50", "12.5", 2},
        {"-0.01", "-0.01", 2},
        {"1234", "1234", 0},
        {",5", "0.5", 1},
        {"5,", "5", 0},
        {"+7.25", "7.25", 2},
        {"  -3.0  ", "-3", 1},
        {"-0", "0", 0},
        {"0.000000000000000001", "0.000000000000000001", 18},
        {"1.5000000000000000000000", "1.5", 18},  // zeros beyond 18 places carry nothing
        {"170141183460469231731687303715884105727", "170141183460469231731687303715884105727", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::optional<Decimal> d = Decimal::parse(c.text);
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->toString(), c.plain);
        EXPECT_EQ(d->scale(), c.scale);
    }
}

TEST(DecimalParse, RefusesAnythingElse) {
    for (const char* text :
         {"", "   ", "-", "+", ".", ",", "1.2.3", "1,2.3", "12a", "1 234", "--1", "1-", "1e5",
          "0x10", "0.0000000000000000001", "170141183460469231731687303715884105728"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Decimal::parse(text).has_value());
    }
}

TEST(DecimalArithmetic, ExactSumsDifferencesAndProducts) {
    EXPECT_EQ((dec("0.1") + dec("0.2")).toString(), "0.3");
    EXPECT_EQ((dec("10") - dec("10.01")).toPlainText(2), "-0.01");
    EXPECT_EQ((dec("1234.56") * dec("19")).toString(), "23456.64");
    EXPECT_EQ((dec("-1.5") * dec("-1.5")).toString(), "2.25");
    EXPECT_EQ((dec("0.000000001") * dec("0.000000001")).toString(), "0.000000000000000001");
    // Beyond 18 places a product is cut, not rounded.
    EXPECT_EQ((dec("0.000000001") * dec("0.0000000019")).toString(), "0.000000000000000001");
    EXPECT_EQ((dec("-0.000000001") * dec("0.0000000019")).toString(), "-0.000000000000000001");
    EXPECT_EQ((dec("0.333333333") * dec("0.3333333339")).toString(), "0.111111111188888888");
    EXPECT_EQ(dec("1.50") + dec("1"), dec("2.5"));
}

TEST(DecimalArithmetic, DivisionIsExactWhenItTerminates) {
    struct Case {
        const char* a;
        const char* b;
        const char* quotient;
    };
    const Case cases[] = {
        {"1900.095", "1", "1900.095"},
        {"190009.5", "100", "1900.095"},
        {"1", "3", "0.333333333333333333"},    // cut at 18 places
        {"2", "3", "0.666666666666666666"},    // cut, never rounded up
        {"-2", "3", "-0.666666666666666666"},  // towards zero
        {"1", "8", "0.125"},
        {"5", "0.01", "500"},
        {"-7", "-0.5", "14"},
        {"0.000000000000000001", "100", "0"},
        {"123456789012345.67", "100", "1234567890123.4567"},
        {"0", "-3", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ((dec(c.a) / dec(c.b)).toString(), c.quotient);
    }
}

TEST(DecimalArithmetic, DivisionByHugeDivisorStaysExact) {
    // A divisor above 2^124 takes the long way through each decimal.
    const Decimal big = Decimal::fromUnits(maxInt128(), 0);
    const Decimal half = Decimal::fromUnits(maxInt128() / 2 + 1, 0);
    EXPECT_EQ((half / big).toString(), "0.5");
    EXPECT_EQ((big / big).toString(), "1");
    EXPECT_EQ((Decimal(1) / big).toString(), "0");
}

TEST(DecimalArithmetic, OverflowThrows) {
    const Decimal big = Decimal::fromUnits(maxInt128(), 0);
    EXPECT_THROW((void)(big + Decimal(1)), std::overflow_error);
    EXPECT_THROW((void)(-big - Decimal(2)), std::overflow_error);
    EXPECT_THROW((void)(big * Decimal(2)), std::overflow_error);
    EXPECT_THROW((void)(big / dec("0.5")), std::overflow_error);
    EXPECT_THROW((void)(-Decimal::fromUnits(-maxInt128() - 1, 0)), std::overflow_error);
    // Aligning scales overflows as well.
    EXPECT_THROW((void)(big + dec("0.1")), std::overflow_error);
    EXPECT_THROW((void)big.rounded(2, Rounding::Truncate), std::overflow_error);
    EXPECT_THROW((void)big.integerPart(), std::overflow_error);
    EXPECT_THROW((void)(Decimal(1) / Decimal(0)), std::domain_error);
    EXPECT_THROW((void)Decimal::fromUnits(1, 19), std::out_of_range);
}

TEST(DecimalArithmetic, ProductSurvivesTrailingZerosThatWouldOverflow) {
    // 10^20 at scale 18 is 100; squaring the raw units would leave 128 bits.
    const Decimal hundred = Decimal::fromUnits(static_cast<int128>(100000000000000000) * 1000, 18);
    EXPECT_EQ((hundred * hundred).toString(), "10000");
}

TEST(DecimalOrdering, ComparesAcrossScales) {
    EXPECT_EQ(dec("1.5"), dec("1.50"));
    EXPECT_LT(dec("-0.01"), Decimal(0));
    EXPECT_GT(dec("0.001"), dec("0.0009"));
    EXPECT_LT(dec("-1.1"), dec("-1.09"));
    // Lifting the lower-scale side out of range still orders correctly.
    const Decimal big = Decimal::fromUnits(maxInt128(), 0);
    EXPECT_GT(big, dec("0.000000000000000001"));
    EXPECT_LT(-big, dec("-0.000000000000000001"));
    EXPECT_GT(dec("0.5"), Decimal::fromUnits(-maxInt128(), 18));
}

TEST(DecimalRounding, HalvesAndSignsAtEveryMode) {
    struct Case {
        const char* value;
        int places;
        const char* away;      // HalfAwayFromZero
        const char* truncate;  // Truncate
    };
    const Case cases[] = {
        {"0.005", 2, "0.01", "0.00"},
        {"-0.005", 2, "-0.01", "0.00"},
        {"0.004999", 2, "0.00", "0.00"},
        {"0.5", 0, "1", "0"},
        {"-0.5", 0, "-1", "0"},
        {"0.49", 0, "0", "0"},
        {"-0.49", 0, "0", "0"},
        {"1.495", 2, "1.50", "1.49"},
        {"1.495", 0, "1", "1"},
        {"-1.495", 2, "-1.50", "-1.49"},
        {"2.5", 0, "3", "2"},
        {"-2.5", 0, "-3", "-2"},
        {"9999999999999.995", 2, "10000000000000.00", "9999999999999.99"},
        {"-9999999999999.995", 2, "-10000000000000.00", "-9999999999999.99"},
        {"999999999999.994999", 2, "999999999999.99", "999999999999.99"},
        {"0.999999999999999999", 0, "1", "0"},
        {"7", 2, "7.00", "7.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value) + " at " + std::to_string(c.places));
        const Decimal d = dec(c.value);
        const Decimal away = d.rounded(c.places, Rounding::HalfAwayFromZero);
        EXPECT_EQ(away.toPlainText(c.places), c.away);
        EXPECT_EQ(away.scale(), c.places);
        EXPECT_EQ(d.rounded(c.places, Rounding::Truncate).toPlainText(c.places), c.truncate);
    }
}

TEST(DecimalText, PlainTextAndToString) {
    EXPECT_EQ(dec("-1234.5").toPlainText(2), "-1234.50");
    EXPECT_EQ(Decimal(0).toPlainText(2), "0.00");
    EXPECT_EQ(dec("-0.004").toPlainText(2), "0.00");  // no negative zero
    EXPECT_EQ(dec("-0.005").toPlainText(2), "-0.01");
    EXPECT_EQ(dec("0.07").toPlainText(2), "0.07");
    EXPECT_EQ(dec("12.345").toPlainText(0), "12");
    EXPECT_EQ(dec("12.345").toPlainText(4), "12.3450");
    EXPECT_EQ(dec("100.00").toString(), "100");
    EXPECT_EQ(dec("-0.10").toString(), "-0.1");
    EXPECT_EQ(Decimal::fromUnits(-maxInt128() - 1, 0).toString(),
              "-170141183460469231731687303715884105728");
    EXPECT_EQ(Decimal::fromUnits(-maxInt128() - 1, 18).toString(),
              "-170141183460469231731.687303715884105728");
    EXPECT_EQ(dec("-12.75").integerPart(), -12);
}

// The tax calculation of the return: 19 % of a base, whole złoty halves away from zero.
TEST(DecimalTaxArithmetic, RateTimesBaseOverHundred) {
    const Decimal rate(19);
    const Decimal base60 = round0(dec("10000.50"));
    EXPECT_EQ(base60.toString(), "10001");
    const Decimal tax63 = rate * base60 / Decimal(100);
    EXPECT_EQ(tax63.toPlainText(2), "1900.19");
    EXPECT_EQ(tax63, dec("1900.19"));
    EXPECT_EQ(round0(tax63 - Decimal(0)).toString(), "1900");

    const Decimal spent = rate * dec("1234.56") / Decimal(100);
    EXPECT_EQ(spent.toString(), "234.5664");
    EXPECT_EQ(round0(spent).toString(), "235");

    // Kept exact until the rounding: 19 % of 10000.50 is 1900.095, rounding up.
    const Decimal exact = rate * dec("10000.50") / Decimal(100);
    EXPECT_EQ(exact.toString(), "1900.095");
    EXPECT_EQ(Amount::fromDecimal(exact, Rounding::HalfAwayFromZero).grosze(), 190010);
}

TEST(DecimalTaxArithmetic, Max0AndRound0) {
    EXPECT_EQ(max0(dec("-0.01")), Decimal(0));
    EXPECT_EQ(max0(dec("0.01")), dec("0.01"));
    EXPECT_EQ(max0(Decimal(0)), Decimal(0));
    EXPECT_EQ(round0(dec("-0.5")), Decimal(-1));
    EXPECT_EQ(round0(dec("-0.49")), Decimal(0));
    EXPECT_EQ(round0(dec("2.5")), Decimal(3));
}

TEST(AmountTest, FifteenDigitsAndGroszeRoundingByTheCallersMode) {
    constexpr auto kHalf = Rounding::HalfAwayFromZero;
    constexpr auto kCut = Rounding::Truncate;
    constexpr auto kNever = Rounding::Never;
    struct Case {
        const char* value;
        Rounding mode;
        std::int64_t grosze;  // expected when it converts
    };
    for (const Case& c : {Case{"0.005", kHalf, 1}, Case{"-0.005", kHalf, -1},
                          Case{"-0.0049", kHalf, 0}, Case{"0.009", kCut, 0},
                          Case{"-0.019", kCut, -1}, Case{"12.500", kNever, 1250},
                          Case{"-7", kNever, -700},
                          Case{"9999999999999.99", kNever, Amount::kMaxGrosze},
                          Case{"-9999999999999.994", kHalf, -Amount::kMaxGrosze}}) {
        EXPECT_EQ(Amount::fromDecimal(dec(c.value), c.mode).grosze(), c.grosze) << c.value;
    }
    // Never refuses to drop a digit that is not zero, however small or large the value.
    for (const char* value : {"0.001", "-0.009", "1234.567", "9999999999999.991"}) {
        EXPECT_THROW((void)Amount::fromDecimal(dec(value), kNever), RoundingNeeded) << value;
        EXPECT_THROW((void)dec(value).rounded(2, kNever), RoundingNeeded) << value;
    }
    EXPECT_THROW((void)Amount::fromDecimal(dec("9999999999999.995"), kHalf), std::overflow_error);
    EXPECT_THROW((void)Amount::fromDecimal(dec("-10000000000000"), kNever), std::overflow_error);
    EXPECT_THROW((void)Amount::fromGrosze(Amount::kMaxGrosze + 1), std::overflow_error);
    EXPECT_EQ(Amount::fromGrosze(-123450).toPlainText(), "-1234.50");
    EXPECT_EQ(Amount().toPlainText(), "0.00");
    EXPECT_LT(Amount::fromGrosze(-1), Amount());
}

}  // namespace
}  // namespace citforms::values
