#include "citforms/values/text.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace citforms::values {
namespace {

TEST(Text, UpperCase) {
    EXPECT_EQ(upperAscii("select nip from firma_oddział"), "SELECT NIP FROM FIRMA_ODDZIAł");
    EXPECT_EQ(upper("zażółć gęślą jaźń, Łódź 7b"), "ZAŻÓŁĆ GĘŚLĄ JAŹŃ, ŁÓDŹ 7B");
    EXPECT_EQ(upper("ĄŻ ü é"), "ĄŻ ü é");  // letters of other alphabets stay as they are
}

TEST(Text, TrimAndJoin) {
    EXPECT_EQ(trim(" \t12 3\r\n"), "12 3");
    EXPECT_EQ(trim("  "), "");
    EXPECT_EQ(trim(" 5\t", " "), "5\t");
    EXPECT_EQ(join({"a", "", "c"}, ", "), "a, , c");
    EXPECT_EQ(join({}, ","), "");
}

TEST(Text, SqlLiteralsDoubleApostrophesAndDropNul) {
    EXPECT_EQ(sqlQuoted("Podatnik's"), "'Podatnik''s'");
    EXPECT_EQ(sqlQuoted(std::string("a\0'b", 4)), "'a''b'");
    EXPECT_EQ(sqlQuoted("''"), "''''''");
    EXPECT_EQ(sqlEscaped(""), "");
}

TEST(Text, IntegersAreDigitsAndNothingElse) {
    EXPECT_EQ(parseInteger<std::int32_t>("78919"), 78919);
    EXPECT_EQ(parseInteger<std::int32_t>("-3"), -3);
    EXPECT_EQ(parseInteger<std::int64_t>("9223372036854775807"), INT64_MAX);
    for (const char* bad : {"", " 1", "1 ", "+1", "1.0", "1e3", "x", "2147483648", "-"}) {
        EXPECT_EQ(parseInteger<std::int32_t>(bad), std::nullopt) << bad;
    }
}

}  // namespace
}  // namespace citforms::values
