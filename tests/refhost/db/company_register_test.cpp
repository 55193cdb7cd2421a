// The client register: a changed seat or tax office is recorded from today with the earlier
// one kept for the periods before, and fiscal years close up on both sides.
#include <gtest/gtest.h>

#include "refhost/db/company_register.h"
#include "test_database_support.h"

namespace refhost::db {
namespace {

using citforms::values::fromDate;

CompanyData mill() {
    CompanyData d;
    d.nip = "7781234563";
    d.name = "Młyn";
    d.taxOffice = "3021";
    d.province = "wielkopolskie";
    d.city = "Poznań";
    d.house = "12";
    d.postalCode = "60-734";
    return d;
}

TEST(CompanyRegister, ChangedSeatAndOfficeStartTodayAndTheEarlierStayForThePast) {
    testing::TempDatabase db;
    const auto id = addCompany(*db, mill());
    ASSERT_TRUE(id) << id.error();

    CompanyData change;
    change.city = "Swarzędz";
    change.postalCode = "62-020";
    change.taxOffice = "3022";
    ASSERT_TRUE(editCompany(*db, *id, change));

    const std::string today = std::to_string(citforms::values::today());
    EXPECT_EQ(db.value("select count(*) from ADRESY_FIRMY where ID_FIRMY = 1"), "2");
    EXPECT_EQ(db.value("select MIEJSCOWOSC from ADRESY_FIRMY where DATA_OD = 0"), "Poznań");
    // The rest of the seat is taken over from the one before.
    EXPECT_EQ(db.value("select NR_DOMU || ' ' || MIEJSCOWOSC from ADRESY_FIRMY where DATA_OD = " +
                       today),
              "12 Swarzędz");
    EXPECT_EQ(db.value("select count(*) from URZEDY_FIRMY where ID_FIRMY = 1"), "2");
    const auto read = readCompany(*db, *id);
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(read->taxOffice, "3022");
    EXPECT_EQ(read->postalCode, "62-020");
}

TEST(CompanyRegister, FiscalYearsNeitherOverlapNorLeaveAGapOnEitherSide) {
    testing::TempDatabase db;
    ASSERT_TRUE(addCompany(*db, mill()));
    ASSERT_TRUE(addFiscalYear(*db, 1, fromDate(2016, 1, 1), fromDate(2016, 12, 31)));
    // A first year of 18 months before it, ending the day before.
    EXPECT_TRUE(addFiscalYear(*db, 1, fromDate(2014, 7, 1), fromDate(2015, 12, 31)));
    const auto gapBefore = addFiscalYear(*db, 1, fromDate(2013, 1, 1), fromDate(2014, 5, 31));
    ASSERT_FALSE(gapBefore);
    EXPECT_NE(gapBefore.error().find("2014-06-30"), std::string::npos) << gapBefore.error();
    EXPECT_FALSE(addFiscalYear(*db, 1, fromDate(2016, 12, 1), fromDate(2017, 11, 30)));
    EXPECT_EQ(db.value("select count(*) from LATA_OBROTOWE"), "2");
}

}  // namespace
}  // namespace refhost::db
