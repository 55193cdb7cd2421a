#include "citforms/values/day_number.h"

#include <gtest/gtest.h>

namespace citforms::values {
namespace {

TEST(DayNumber, AnchorsOfTheHostCount) {
    struct Case {
        DayNumber day;
        int y;
        unsigned m;
        unsigned d;
    };
    const Case cases[] = {
        {0, 1800, 12, 28},   {4, 1801, 1, 1},      {78167, 2015, 1, 2}, {78530, 2015, 12, 31},
        {78532, 2016, 1, 2}, {78590, 2016, 2, 29}, {-1, 1800, 12, 27},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.day);
        EXPECT_EQ(fromDate(c.y, c.m, c.d), c.day);
        EXPECT_EQ(yearOf(c.day), c.y);
        EXPECT_EQ(monthOf(c.day), c.m);
        EXPECT_EQ(dayOf(c.day), c.d);
    }
    EXPECT_EQ(fromDate(toDate(78532)), 78532);
}

TEST(DayNumber, OutOfMonthArgumentsRunOn) {
    EXPECT_EQ(fromDate(2015, 2, 31), fromDate(2015, 3, 3));
    EXPECT_EQ(fromDate(2015, 13, 1), fromDate(2016, 1, 1));
    EXPECT_EQ(fromDate(2016, 3, 0), fromDate(2016, 2, 29));
}

TEST(DayNumber, MonthSteps) {
    struct Case {
        const char* day;
        const char* last;
        const char* first;
        const char* second;
        const char* dec31;
    };
    const Case cases[] = {
        {"15-01-2015", "31-01-2015", "01-01-2015", "02-01-2015", "31-12-2015"},
        {"10-02-2015", "28-02-2015", "01-02-2015", "02-02-2015", "31-12-2015"},
        {"01-02-2016", "29-02-2016", "01-02-2016", "02-02-2016", "31-12-2016"},
        {"29-02-2000", "29-02-2000", "01-02-2000", "02-02-2000", "31-12-2000"},
        {"28-02-1900", "28-02-1900", "01-02-1900", "02-02-1900", "31-12-1900"},
        {"30-04-2024", "30-04-2024", "01-04-2024", "02-04-2024", "31-12-2024"},
        {"31-12-2015", "31-12-2015", "01-12-2015", "02-12-2015", "31-12-2015"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.day);
        const DayNumber day = parseDate(c.day).value();
        EXPECT_EQ(formatDayMonthYear(lastDayOfMonth(day)), c.last);
        EXPECT_EQ(formatDayMonthYear(firstDayOfMonth(day)), c.first);
        EXPECT_EQ(formatDayMonthYear(secondOfMonth(day)), c.second);
        EXPECT_EQ(formatDayMonthYear(december31(day)), c.dec31);
    }
}

TEST(DayNumber, AddMonthsClampsToTheMonthEnd) {
    struct Case {
        const char* from;
        int months;
        const char* to;
    };
    const Case cases[] = {
        {"31-01-2016", 1, "29-02-2016"},   {"31-01-2015", 1, "28-02-2015"},
        {"31-03-2015", -1, "28-02-2015"},  {"29-02-2016", 12, "28-02-2017"},
        {"29-02-2016", 48, "29-02-2020"},  {"15-11-2015", 3, "15-02-2016"},
        {"15-01-2015", -13, "15-12-2013"}, {"31-12-2015", 0, "31-12-2015"},
        {"30-06-2015", 6, "30-12-2015"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " + " + std::to_string(c.months));
        EXPECT_EQ(formatDayMonthYear(addMonths(parseDate(c.from).value(), c.months)), c.to);
    }
}

TEST(DayNumber, Formatting) {
    EXPECT_EQ(formatDayMonthYear(78532), "02-01-2016");
    EXPECT_EQ(formatDayMonthYear(78532, '.'), "02.01.2016");
    EXPECT_EQ(formatIso(78530), "2015-12-31");
    EXPECT_EQ(formatDayMonthYear(0), "28-12-1800");
    EXPECT_EQ(formatIso(fromDate(5, 3, 7)), "0005-03-07");
    // Days outside the years 1 to 9999 have no date text; their digits are shown.
    EXPECT_EQ(formatDayMonthYear(kLastDisplayableDay + 1), std::to_string(kLastDisplayableDay + 1));
    EXPECT_EQ(formatIso(kFirstDisplayableDay), "0001-01-01");
    EXPECT_EQ(formatIso(kLastDisplayableDay), "9999-12-31");
    // Steps on such days stay within the calendar instead of wrapping.
    EXPECT_EQ(yearOf(2147483647), 9999);
}

TEST(DayNumber, Parsing) {
    struct Case {
        const char* text;
        std::optional<DayNumber> day;
    };
    const Case cases[] = {
        {"02-01-2016", 78532},        {"2.1.2016", 78532},          {"02/01/2016", 78532},
        {"2016-01-02", 78532},        {" 31-12-2015 ", 78530},      {"29-02-2016", 78590},
        {"29-02-2015", std::nullopt}, {"31-04-2015", std::nullopt}, {"00-01-2015", std::nullopt},
        {"01-13-2015", std::nullopt}, {"01-01-15", std::nullopt},   {"2016-01-02x", std::nullopt},
        {"02-01.2016", std::nullopt}, {"", std::nullopt},           {"78532", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseDate(c.text), c.day);
    }
}

TEST(DayNumber, TodayIsARecentDay) {
    const DayNumber t = today();
    EXPECT_GE(yearOf(t), 2000);
    EXPECT_EQ(fromDate(toDate(t)), t);
}

}  // namespace
}  // namespace citforms::values
