#include "citforms/values/amount_entry.h"

#include <gtest/gtest.h>

namespace citforms::values {
namespace {

TEST(AmountEntry, AcceptsWhatPeopleType) {
    struct Case {
        const char* typed;
        std::int64_t grosze;
    };
    const Case cases[] = {
        {"1 234,50", 123450},
        {"1234.50", 123450},
        {"1 234.5", 123450},
        {"-5", -500},
        {"+5", 500},
        {"", 0},
        {"   ", 0},
        {"0", 0},
        {"-0,00", 0},
        {",5", 50},
        {"5,", 500},
        {"- 12,07", -1207},
        {"1\xC2\xA0"
         "234\xC2\xA0"
         "567,89",
         123456789},  // no-break blanks between groups
        {"1\xE2\x80\xAF"
         "000",
         100000},  // narrow no-break blank
        {"\t42\t", 4200},
        {"0000000000000001,00", 100},  // leading zeros are not digits of the amount
        {"9 999 999 999 999,99", 999999999999999},
        {"-9999999999999.99", -999999999999999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const auto r = parseAmountEntry(c.typed);
        ASSERT_TRUE(std::holds_alternative<Amount>(r)) << std::get<EntryError>(r).message;
        EXPECT_EQ(std::get<Amount>(r).grosze(), c.grosze);
    }
}

TEST(AmountEntry, RefusesAndSaysWhy) {
    struct Case {
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {"12a", "Niepoprawna kwota: 12a (niedozwolony znak)"},
        {"abc", "Niepoprawna kwota: abc (niedozwolony znak)"},
        {"12-", "Niepoprawna kwota: 12- (niedozwolony znak)"},
        {"--5", "Niepoprawna kwota: --5 (niedozwolony znak)"},
        {"1e5", "Niepoprawna kwota: 1e5 (niedozwolony znak)"},
        {"1,234,50", "Niepoprawna kwota: 1,234,50 (dwa separatory dziesiętne)"},
        {"1.234,50", "Niepoprawna kwota: 1.234,50 (dwa separatory dziesiętne)"},
        {"1,505", "Niepoprawna kwota: 1,505 (więcej niż dwa miejsca po przecinku)"},
        {"0.001", "Niepoprawna kwota: 0.001 (więcej niż dwa miejsca po przecinku)"},
        {"10000000000000",
         "Niepoprawna kwota: 10000000000000 (więcej niż 15 cyfr, przed przecinkiem najwyżej 13)"},
        {"-", "Niepoprawna kwota: -"},
        {",", "Niepoprawna kwota: ,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const auto r = parseAmountEntry(c.typed);
        ASSERT_TRUE(std::holds_alternative<EntryError>(r));
        EXPECT_EQ(std::get<EntryError>(r).message, c.message);
    }
}

}  // namespace
}  // namespace citforms::values
