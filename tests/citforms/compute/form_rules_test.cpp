#include "citforms/compute/form_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace citforms::compute {
namespace {

using values::Decimal;

Decimal d(const char* text) { return *Decimal::parse(text); }

// In-memory amounts: what is not set reads as 0, like an empty field.
class MapAmounts : public DeclarationAmounts {
public:
    Decimal cit8(int p) const override { return value(cit8_, p); }
    void setCit8(int p, const Decimal& v) override { cit8_[p] = v; }
    Decimal cit8o(int p) const override { return value(cit8o_, p); }
    void setCit8o(int p, const Decimal& v) override { cit8o_[p] = v; }
    Decimal firstCitBrRelief() override {
        ++citBrLoads;
        return citBr19;
    }

    Decimal citBr19;
    int citBrLoads = 0;
    std::map<int, Decimal> cit8_, cit8o_;

private:
    static Decimal value(const std::map<int, Decimal>& m, int p) {
        auto it = m.find(p);
        return it == m.end() ? Decimal() : it->second;
    }
};

class Cit8RulesTest : public ::testing::Test {
protected:
    MapAmounts a;
    Cit8Rules rules{FormEdition::cit8Edition24(), a};
    Cit8oRules oRules{FormEdition::cit8Edition24(), a};
};

TEST_F(Cit8RulesTest, LossWithLossAbroadBelowIt) {
    a.setCit8(31, d("100000"));
    a.setCit8(36, d("120000"));
    a.setCit8(44, d("5000"));
    rules.revenueTotal();
    rules.incomeAndLoss();
    EXPECT_EQ(a.cit8(35), d("100000"));
    EXPECT_EQ(a.cit8(41), d("120000"));
    EXPECT_EQ(a.cit8(42), d("0"));
    EXPECT_EQ(a.cit8(43), d("20000"));
    EXPECT_EQ(a.cit8(45), d("0"));
    EXPECT_EQ(a.cit8(46), d("15000"));
}

TEST_F(Cit8RulesTest, IncomeWithLossAbroadAdded) {
    a.setCit8(31, d("60000"));
    a.setCit8(34, d("40000"));
    a.setCit8(36, d("50000"));
    a.setCit8(40, d("30000"));
    a.setCit8(44, d("5000"));
    rules.revenueTotal();
    rules.incomeAndLoss();
    EXPECT_EQ(a.cit8(42), d("20000"));
    EXPECT_EQ(a.cit8(43), d("0"));
    EXPECT_EQ(a.cit8(45), d("25000"));
    EXPECT_EQ(a.cit8(46), d("0"));
}

TEST_F(Cit8RulesTest, LossAbroadAboveOrEqualToLoss) {
    struct Case {
        const char* loss;
        const char* abroad;
        const char* f45;
        const char* f46;
    };
    for (const Case& c : {Case{"1000", "1500", "500", "0"}, Case{"1000", "1000", "0", "0"},
                          Case{"1000", "999.99", "0", "0.01"}}) {
        a.setCit8(31, d("0"));
        a.setCit8(36, d(c.loss));
        a.setCit8(44, d(c.abroad));
        rules.revenueTotal();
        rules.incomeAndLoss();
        EXPECT_EQ(a.cit8(45), d(c.f45)) << c.loss << " / " << c.abroad;
        EXPECT_EQ(a.cit8(46), d(c.f46)) << c.loss << " / " << c.abroad;
    }
}

TEST_F(Cit8RulesTest, DeductionsCappedByIncomeOnlyDownwards) {
    a.setCit8(45, d("50000"));
    a.setCit8o(39, d("10000"));
    a.setCit8o(68, d("45000"));
    a.setCit8o(71, d("999999"));
    rules.deductions();
    EXPECT_EQ(a.cit8(47), d("10000"));
    EXPECT_EQ(a.cit8(48), d("40000"));
    EXPECT_EQ(a.cit8(49), d("0"));
    EXPECT_EQ(a.cit8(50), d("50000"));
    EXPECT_EQ(a.cit8(51), d("0"));

    // A cap equal to the value leaves it; a value below the cap is kept as it is.
    a.setCit8o(68, d("40000"));
    a.setCit8o(71, d("0"));
    rules.deductions();
    EXPECT_EQ(a.cit8(48), d("40000"));
    a.setCit8o(68, d("100.01"));
    rules.deductions();
    EXPECT_EQ(a.cit8(48), d("100.01"));
    EXPECT_EQ(a.cit8(51), d("39899.99"));
}

TEST_F(Cit8RulesTest, NegativeCapGivesZeroNotANegativeDeduction) {
    a.setCit8(45, d("1000"));
    a.setCit8o(39, d("3000"));  // O-39 above the income: 45 - 47 is negative
    a.setCit8o(68, d("500"));
    rules.deductions();
    EXPECT_EQ(a.cit8(48), d("0"));
    EXPECT_EQ(a.cit8(49), d("0"));
    EXPECT_EQ(a.cit8(52), d("2000"));  // max0(50 + 46 - 45) = 3000 - 1000
}

TEST_F(Cit8RulesTest, CitBrReliefOnlyWithAnnouncedAttachment) {
    a.setCit8(45, d("100000"));
    a.citBr19 = d("7000");
    a.setCit8o(72, d("2000"));
    a.setCit8(28, d("0"));
    rules.deductions();
    EXPECT_EQ(a.cit8(54), d("0"));
    EXPECT_EQ(a.citBrLoads, 0);
    EXPECT_EQ(a.cit8(55), d("2000"));

    a.setCit8(28, d("1"));
    rules.deductions();
    EXPECT_EQ(a.cit8(54), d("7000"));
    EXPECT_EQ(a.cit8(55), d("9000"));

    // The total is cut to the income left (51) without a floor.
    a.citBr19 = d("200000");
    rules.deductions();
    EXPECT_EQ(a.cit8(55), d("100000"));
}

TEST_F(Cit8RulesTest, TaxBaseFromIncomeOrLostReliefs) {
    struct Case {
        const char* f51;
        const char* f52;
        const char* lost;  // 59 via 56
        const char* f55;
        const char* f60;
        const char* f61;
    };
    const Case cases[] = {
        {"0", "1000", "3000", "0", "2000", "0"},
        {"0", "3000", "1000", "0", "0", "2000"},
        {"0", "1000", "1000", "0", "0", "0"},
        {"10000.50", "0", "0", "0", "10001", "0"},     // halves away from zero
        {"10000.49", "0", "0", "0", "10000", "0"},
        {"5000", "0", "0", "6000", "0", "1000"},       // deductions above income: floor 0
        {"5000", "0", "250.50", "1000", "4251", "0"},
    };
    for (const Case& c : cases) {
        a.setCit8(51, d(c.f51));
        a.setCit8(52, d(c.f52));
        a.setCit8(56, d(c.lost));
        a.setCit8(55, d(c.f55));
        rules.taxBase();
        EXPECT_EQ(a.cit8(60), d(c.f60)) << c.f51 << " " << c.f52 << " " << c.lost;
        EXPECT_EQ(a.cit8(61), d(c.f61)) << c.f51 << " " << c.f52 << " " << c.lost;
        EXPECT_EQ(a.cit8(62), d("19"));
    }
}

TEST_F(Cit8RulesTest, TaxKeepsGroszeAndDueIsWhole) {
    a.setCit8(51, d("10000.50"));
    rules.taxBase();
    EXPECT_EQ(a.cit8(60), d("10001"));
    EXPECT_EQ(a.cit8(63), d("1900.19"));
    EXPECT_EQ(a.cit8(65), d("1900"));

    // Reliefs from the CIT-8/O are capped by the tax without a floor.
    a.setCit8o(83, d("5000"));
    rules.taxBase();
    EXPECT_EQ(a.cit8(64), d("1900.19"));
    EXPECT_EQ(a.cit8(65), d("0"));
    a.setCit8o(83, d("0.69"));
    rules.taxBase();
    EXPECT_EQ(a.cit8(65), d("1900"));  // 1899.50 rounds up
    a.setCit8o(83, d("0.70"));
    rules.taxBase();
    EXPECT_EQ(a.cit8(65), d("1899"));  // 1899.49
}

TEST_F(Cit8RulesTest, AdvancesAndBalances) {
    for (int p = 68; p <= 90; ++p) a.setCit8(p, d("100"));
    a.setCit8(65, d("2000"));
    a.setCit8(67, d("400"));
    a.setCit8(94, d("2500"));
    rules.advances();
    rules.advanceBalance();
    EXPECT_EQ(a.cit8(91), d("2300"));
    EXPECT_EQ(a.cit8(92), d("100"));
    EXPECT_EQ(a.cit8(93), d("0"));
    EXPECT_EQ(a.cit8(95), d("0"));
    EXPECT_EQ(a.cit8(96), d("100"));
}

TEST_F(Cit8RulesTest, SpentIncomeTaxRoundsEachRow) {
    a.setCit8(62, d("19"));
    a.setCit8(97, d("1234.56"));    // 234.5664
    a.setCit8(102, d("-1234.56"));  // negatives round away from zero too
    a.setCit8(114, d("50"));        // 9.5
    a.setCit8(137, d("2.63"));      // 0.4997
    a.setCit8(143, d("100"));
    rules.spentIncomeTax();
    EXPECT_EQ(a.cit8(103), d("235"));
    EXPECT_EQ(a.cit8(108), d("-235"));
    EXPECT_EQ(a.cit8(120), d("10"));
    EXPECT_EQ(a.cit8(142), d("0"));
    EXPECT_EQ(a.cit8(144), d("19"));
    EXPECT_EQ(a.cit8(104), d("0"));
}

TEST_F(Cit8RulesTest, DonationsCappedAtTenPercentOfIncome) {
    a.setCit8(45, d("100000"));
    a.setCit8o(39, d("4000"));
    a.setCit8o(61, d("8000"));
    a.setCit8o(62, d("7000"));
    a.setCit8o(63, d("100"));
    oRules.capDonation(61);
    oRules.capDonation(62);
    oRules.donationTotal();
    EXPECT_EQ(a.cit8o(61), d("6000"));
    EXPECT_EQ(a.cit8o(62), d("6000"));
    EXPECT_EQ(a.cit8o(64), d("6100"));

    // L negative: positive donations become 0; a negative amount is left alone.
    a.setCit8o(39, d("12000"));
    a.setCit8o(61, d("8000"));
    a.setCit8o(62, d("-5"));
    oRules.capDonation(61);
    oRules.capDonation(62);
    EXPECT_EQ(a.cit8o(61), d("0"));
    EXPECT_EQ(a.cit8o(62), d("-5"));

    // L with grosze: 10 % of 12345.67 is 1234.567, kept exactly for the comparison.
    a.setCit8(45, d("12345.67"));
    a.setCit8o(39, d("0"));
    EXPECT_EQ(oRules.donationCap(), d("1234.567"));
}

TEST_F(Cit8RulesTest, AttachmentTotals) {
    for (int p = 8; p <= 38; ++p) a.setCit8o(p, d("1"));
    a.setCit8o(39, d("999"));  // typed by hand, replaced by the sum
    for (int p : {43, 47, 51, 55, 59}) a.setCit8o(p, d("10"));
    a.setCit8(45, d("1000000"));
    a.setCit8o(65, d("5"));
    a.setCit8o(67, d("7"));
    a.setCit8o(69, d("2"));
    a.setCit8o(70, d("3"));
    for (int p : {73, 74, 76, 79, 82}) a.setCit8o(p, d("1.10"));
    oRules.applyAll();
    EXPECT_EQ(a.cit8o(39), d("30"));  // 8..36 and 38, without 37
    EXPECT_EQ(a.cit8o(60), d("50"));
    EXPECT_EQ(a.cit8o(68), d("62"));
    EXPECT_EQ(a.cit8o(71), d("5"));
    EXPECT_EQ(a.cit8o(83), d("5.50"));
}

TEST(FormEditionTest, Edition23PositionsAndStatementCodes) {
    const FormEdition& e = *FormEdition::forTemplate(72);
    EXPECT_EQ(e.position(27), 27);
    EXPECT_EQ(e.position(28), std::nullopt);
    EXPECT_EQ(e.position(29), 28);  // CIT-D count
    EXPECT_EQ(e.position(31), 30);
    EXPECT_EQ(e.position(45), 44);
    EXPECT_EQ(e.position(54), std::nullopt);
    EXPECT_EQ(e.position(56), 53);
    EXPECT_EQ(e.position(62), 59);
    EXPECT_EQ(e.position(91), 88);
    EXPECT_EQ(e.position(150), 147);
    EXPECT_EQ(e.statementCode(94), "91");
    EXPECT_EQ(e.statementCode(145), "142");
    EXPECT_EQ(FormEdition::cit8Edition24().statementCode(31), "31");
    EXPECT_EQ(FormEdition::forTemplate(35), nullptr);

    // Edition 21 maps only its identification, counts and monthly advances with their sum.
    const FormEdition& e21 = *FormEdition::forTemplate(70);
    EXPECT_EQ(e21.position(19), 19);
    EXPECT_EQ(e21.position(29), 25);
    EXPECT_EQ(e21.position(68), 59);
    EXPECT_EQ(e21.position(91), 82);
    EXPECT_EQ(e21.position(31), std::nullopt);
    EXPECT_EQ(e21.statementCode(94), "");
    EXPECT_EQ(e21.quarterlyAdvances().first, 83);
    EXPECT_EQ(e21.quarterlyAdvances().count, 8);
    EXPECT_EQ(e21.quarterlyAdvances().sum, 91);
    // Its own statement positions come from its form files, with their codes.
    ASSERT_EQ(e21.ownStatements().size(), 11u);
    EXPECT_EQ(e21.ownStatements().front().position, 27);
    EXPECT_EQ(e21.ownStatements().back().code, "99");
    ASSERT_EQ(e21.ownAttachmentStatements().size(), 32u);
    EXPECT_EQ(e21.ownAttachmentStatements().front().code, "O8");
    EXPECT_TRUE(FormEdition::cit8Edition24().ownStatements().empty());
    EXPECT_EQ(FormEdition::forTemplate(72)->quarterlyAdvances().first, 0);
}

TEST(FormEdition21Test, EveryComputationSumsBothAdvanceLists) {
    MapAmounts a;
    Cit8Rules rules(*FormEdition::forTemplate(70), a);
    a.setCit8(59, d("10.05"));
    a.setCit8(81, d("0.95"));
    a.setCit8(83, d("100.10"));
    a.setCit8(90, d("0.90"));
    a.setCit8(91, d("999"));  // a stale sum is replaced
    rules.applyAll();
    EXPECT_EQ(a.cit8(82), d("11"));
    EXPECT_EQ(a.cit8(91), d("101"));
}

TEST(FormEdition23Test, WholeTableInShiftedPositions) {
    MapAmounts a;
    Cit8Rules rules(*FormEdition::forTemplate(72), a);
    a.setCit8(30, d("200000"));  // revenue
    a.setCit8(35, d("150000"));  // costs
    a.setCit8o(72, d("80000"));  // deduction above the income: capped at 50
    a.setCit8(53, d("100.40"));  // lost relief
    a.setCit8(94, d("1000"));    // spent income
    rules.applyAll();
    EXPECT_EQ(a.cit8(34), d("200000"));
    EXPECT_EQ(a.cit8(40), d("150000"));
    EXPECT_EQ(a.cit8(41), d("50000"));
    EXPECT_EQ(a.cit8(44), d("50000"));
    EXPECT_EQ(a.cit8(50), d("50000"));
    EXPECT_EQ(a.cit8(52), d("50000"));
    EXPECT_EQ(a.cit8(56), d("100.40"));
    EXPECT_EQ(a.cit8(57), d("100"));   // base: 50000 - 50000 + 100.40, rounded
    EXPECT_EQ(a.cit8(59), d("19"));
    EXPECT_EQ(a.cit8(60), d("19"));
    EXPECT_EQ(a.cit8(62), d("19"));
    EXPECT_EQ(a.cit8(100), d("190"));
    EXPECT_EQ(a.citBrLoads, 0);
}

}  // namespace
}  // namespace citforms::compute
