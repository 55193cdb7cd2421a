// The CIT-2 computations on a recording host: the template-35 positions from statements, the
// CIT-2/O and the previous return; whole złoty and rates of the older editions.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "citforms/compute/cit2_procedures.h"
#include "citforms/support/fake_host.h"

namespace citforms::compute {
namespace {

using testing::FakeHost;
using values::Decimal;

Decimal d(const char* text) {
    return *Decimal::parse(text);
}

TEST(Cit2Editions, WholeZlotyAndRatePerEdition) {
    const std::int32_t before = 74848;  // 1 December 2005
    const std::int32_t from = 74849;    // 2 December 2005
    const struct {
        std::int32_t templateId, period;
        const char* amount;
        const char* whole;
    } whole[] = {{3, before, "10000.99", "10000"},   {33, from, "10000.99", "10000"},
                 {34, before, "10000.50", "10000"},  {34, from, "10000.50", "10001"},
                 {34, from, "10000.49", "10000"},    {35, before, "-0.50", "-1"},
                 {31, from, "-10.70", "-10"}};
    for (const auto& c : whole) {
        EXPECT_EQ(cit2WholeZloty(c.templateId, c.period, d(c.amount)), d(c.whole))
            << c.templateId << " " << c.amount;
    }
    const struct {
        std::int32_t templateId;
        const char* field;
        int rate;
    } rates[] = {{3, "0", 28}, {3, "30", 30}, {31, "0", 28}, {32, "30", 27},
                 {33, "0", 19}, {34, "28", 19}};
    for (const auto& c : rates) {
        EXPECT_EQ(cit2RateOld(c.templateId, d(c.field)), Decimal(c.rate)) << c.templateId;
    }
}

// A template-35 CIT-2 of February 2017 (fiscal year from 1 January 2017), declaration 512 of
// company 3; the statements answer from `amounts`, the previous return (511) from `previous`.
class Cit2Template35Test : public ::testing::Test {
protected:
    Cit2Template35Test() {
        host::Globals& g = host.data.globalValues;
        g.DANE_ID_FIRMY = 3;
        g.DANE_ID_UZYTKOWNIKA_NR = 7;
        g.DANE_DATA_BIEZACA = 78960;
        state.CIT_POCZATEK_ROKU = 78897;
        state.CIT_KONIEC_ROKU = 79261;
        state.CIT_ID_DEKLARACJI = 512;
        state.CIT_ID_WZORCA_CIT2 = 35;
        host.utility.handler = [this](const std::string& sql) -> std::optional<Answer> {
            const auto has = [&](const char* part) { return sql.find(part) != std::string::npos; };
            if (sql.rfind("CALL ZESTAWIENIE_DD_OBLICZ (3,78897,78955,512,'", 0) == 0) {
                const std::string code = sql.substr(sql.find('\'') + 1);
                const auto it = amounts.find(code.substr(0, code.find('\'')));
                return Answer{true, {{it != amounts.end() ? it->second : "0.00"}}, ""};
            }
            if (has("select data_okresu from DEKLARACJE_NAG where id_deklaracje_nag=512")) {
                return Answer{true, {{"78929"}}, ""};
            }
            if (has("select KWARTALNY_PDO")) return Answer{true, {{"0"}}, ""};
            if (has("TG_GetMalyPodatnikStan(3, 78955)")) return Answer{true, {{small}}, ""};
            if (has("data_okresu=78898 order by data_okresu Desc, lp desc")) {
                return previous.empty() ? Answer{true, {}, ""} : Answer{true, {{"511"}}, ""};
            }
            if (has("from DEKLARACJE_POZ where id_deklaracje_nag=511")) {
                const std::string position = sql.substr(sql.rfind("nr_pola='") + 9);
                const std::string key = (has("nr_zalacznika=1") ? "O" : "") +
                                        position.substr(0, position.find('\''));
                const auto it = previous.find(key);
                if (it == previous.end()) return Answer{true, {}, ""};
                if (sql.rfind("select 1,", 0) == 0) return Answer{true, {{"1", it->second}}, ""};
                return Answer{true, {{it->second}}, ""};
            }
            if (sql.rfind("delete from KOMUNIKAT", 0) == 0) return Answer{true, {}, ""};
            return std::nullopt;
        };
    }
    using Answer = testing::FakeUtility::Answer;

    void compute() { OBLICZ_CIT_2_35(host.binding(), state, fields, false); }
    Decimal v(int position) { return fields.main()[position].decimal(); }
    Decimal o(int position) { return fields.form("CIT-2/O")[position].decimal(); }

    FakeHost host;
    module::DeclarationState state;
    store::DeclarationFields fields{35};
    std::map<std::string, std::string> amounts;
    std::map<std::string, std::string> previous;
    std::string small = "0";
};

TEST_F(Cit2Template35Test, LossLeavesNoTaxBase) {
    amounts = {{"19", "100000.00"}, {"21", "120000.00"}};
    compute();
    EXPECT_EQ(v(22), Decimal());
    EXPECT_EQ(v(23), Decimal(20000));
    EXPECT_EQ(v(25), Decimal());
    EXPECT_EQ(v(26), Decimal(20000));
    EXPECT_EQ(v(35), Decimal());
    EXPECT_EQ(v(36), Decimal(20000));
    // A first return without its previous one is announced with the month before.
    EXPECT_EQ(host.utility.messagesOf("MSG_INF"),
              std::vector<std::string>{
                  "Brak deklaracji CIT-2 za okres od 01-01-2017 do 31-01-2017."});
    EXPECT_TRUE(fields.issues.failedStatements.empty());
}

TEST_F(Cit2Template35Test, BaseRoundedTaxWithGroszeAdvanceInWholeZloty) {
    amounts = {{"19", "10000.50"}};
    compute();
    EXPECT_EQ(v(35), Decimal(10001));
    EXPECT_EQ(v(37), Decimal(19));
    EXPECT_EQ(v(38), d("1900.19"));
    EXPECT_EQ(v(40), Decimal(1900));
    EXPECT_EQ(v(42), Decimal(1900));
    EXPECT_EQ(v(45), Decimal(1900));
}

TEST_F(Cit2Template35Test, SmallTaxpayerFrom2017TakesFifteen) {
    small = "1";
    compute();
    EXPECT_EQ(v(37), Decimal(15));
}

TEST_F(Cit2Template35Test, DeductionO18CutToTenPercentOfIncomeLessTaxFreeIncome) {
    amounts = {{"19", "30000.00"}, {"O18", "5000.00"}};
    compute();
    EXPECT_EQ(o(18), Decimal(3000));
    amounts["O7"] = "4000.00";
    compute();
    EXPECT_EQ(o(16), Decimal(4000));
    EXPECT_EQ(o(18), Decimal());
}

TEST_F(Cit2Template35Test, SecondMonthContinuesFromThePreviousReturn) {
    // 40 = round0(15789.47 × 19 %) = 3000.
    amounts = {{"19", "15789.47"}};
    previous = {{"43", "1900.00"}, {"46", "1000.00"}, {"48", "12.00"},
                {"53", " Jan Kowalski "}, {"O42", "10.00"}, {"O43", "5.00"}};
    compute();
    EXPECT_EQ(v(40), Decimal(3000));
    EXPECT_EQ(v(41), Decimal(1900));
    EXPECT_EQ(v(42), Decimal(1100));
    EXPECT_EQ(v(43), Decimal(3000));
    EXPECT_EQ(v(46), Decimal(1000));
    // The tax on position 46 at the rate of position 37 (not the loss of position 36).
    EXPECT_EQ(v(47), Decimal(190));
    EXPECT_EQ(v(48), Decimal(12));
    EXPECT_EQ(fields.main()[53].text(), "Jan Kowalski");
    EXPECT_EQ(o(42), Decimal(15));
    EXPECT_TRUE(host.utility.messagesOf("MSG_INF").empty());

    // A month whose tax is below the advances due so far owes nothing more.
    amounts = {{"19", "5000.00"}};
    compute();
    EXPECT_EQ(v(42), Decimal());
    EXPECT_EQ(v(43), Decimal(1900));
}

}  // namespace
}  // namespace citforms::compute
