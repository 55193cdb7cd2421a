// The CIT-8's due date: the last day of the third month after the fiscal year ends.
#include <gtest/gtest.h>

#include "refhost/db/office_overview.h"

namespace refhost::db {
namespace {

using citforms::values::fromDate;

TEST(OfficeOverview, DueDateIsTheLastDayOfTheThirdMonthAfterTheYearEnds) {
    EXPECT_EQ(cit8DueDate(fromDate(2016, 12, 31)), fromDate(2017, 3, 31));
    EXPECT_EQ(cit8DueDate(fromDate(2016, 3, 31)), fromDate(2016, 6, 30));
    // February's last day, in a common year and a leap year.
    EXPECT_EQ(cit8DueDate(fromDate(2016, 11, 30)), fromDate(2017, 2, 28));
    EXPECT_EQ(cit8DueDate(fromDate(2015, 11, 30)), fromDate(2016, 2, 29));
    EXPECT_EQ(cit8DueDate(fromDate(2016, 10, 31)), fromDate(2017, 1, 31));
}

}  // namespace
}  // namespace refhost::db
