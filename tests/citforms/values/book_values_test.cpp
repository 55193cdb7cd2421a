#include "citforms/values/book_values.h"

#include <gtest/gtest.h>

namespace citforms::values {
namespace {

TEST(BookValuesTest, ParsesPlainDecimalsExactly) {
    const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
        {"1234.56", 123456}, {"-12,5", -1250}, {"100", 10000}, {" 7 ", 700},
        {"0.10", 10},        {".5", 50},       {"3.", 300},    {"+2.00", 200},
        {"1.230", 123},      {"1.234", std::nullopt},           {"", std::nullopt},
        {"-", std::nullopt}, {"1 000,00", std::nullopt},         {"12a", std::nullopt},
        {"99999999999999999.99", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(exactGrosze(text), expected) << text;
}

TEST(BookValuesTest, FormatsWithTwoDecimalsAndRoundTrips) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0.00"}, {5, "0.05"}, {-5, "-0.05"}, {-123456, "-1234.56"}, {100, "1.00"},
        {INT64_MIN, "-92233720368547758.08"}};
    for (const auto& [g, text] : cases) EXPECT_EQ(groszeText(g), text);
    for (std::int64_t g : {0LL, 1LL, -99LL, 123456789012345LL, -100000000000000LL}) {
        EXPECT_EQ(exactGrosze(groszeText(g)), g);
    }
}

TEST(BookValuesTest, ShowsAmountsAsTheFormsDo) {
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "0,00"},          {-5, "-0,05"},           {99999, "999,99"},
        {100000, "1 000,00"}, {-123456, "-1 234,56"},  {10921170, "109 211,70"},
        {123456789012, "1 234 567 890,12"}, {INT64_MIN, "-92 233 720 368 547 758,08"}};
    for (const auto& [g, text] : cases) EXPECT_EQ(shownGrosze(g), text);
}

TEST(BookValuesTest, ReadsOnlyExactIsoDates) {
    EXPECT_EQ(parseIsoDate("2016-02-29"), fromDate(2016, 2, 29));
    EXPECT_EQ(parseIsoDate("1801-01-01"), 4);
    for (const char* text : {"2017-02-29", "2016-13-01", "2016-1-15", " 2016-01-15", "2016/01/15",
                             "15-01-2016", "2016-01-15 ", "+016-01-15", "2016-00-10", ""}) {
        EXPECT_EQ(parseIsoDate(text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace citforms::values
