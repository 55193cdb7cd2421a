// The computation of a CIT-8 and its CIT-8/O from the host's statements, on a recording host:
// which statements run and in what order, what the person typed and what is reset, roundings,
// failures, and the statement messages.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "citforms/compute/cit8_procedures.h"
#include "citforms/support/fake_host.h"

namespace citforms::compute {
namespace {

using testing::FakeHost;
using values::Decimal;

const std::string kClearMessages =
    "delete from KOMUNIKAT where kontekst = 'ZESTAW' AND id_uzytkownika = 7";

// Statement codes of the CIT-8/O in the order they run (both editions).
const std::vector<std::string> kCit8oCodes = {
    "O8",  "O9",  "O10", "O11", "O12", "O13", "O14", "O15", "O16", "O17", "O18",
    "O19", "O20", "O21", "O22", "O23", "O24", "O25", "O26", "O27", "O28", "O29",
    "O30", "O31", "O32", "O33", "O34", "O35", "O36", "O38", "O61", "O62", "O63",
    "O65", "O67", "O69", "O70", "O72", "O73", "O74", "O76", "O79", "O82", "O84",
    "O85", "O86", "O87", "O88", "O89", "O90", "O91"};

Decimal d(const char* text) {
    return *Decimal::parse(text);
}

std::string call(const std::string& code) {
    return "CALL ZESTAWIENIE_DD_OBLICZ (3,80000,80364,512,'" + code + "',7,'')";
}

class StatementComputationTest : public ::testing::Test {
protected:
    StatementComputationTest() {
        host::Globals& g = host.data.globalValues;
        g.DANE_ID_FIRMY = 3;
        g.DANE_ID_UZYTKOWNIKA_NR = 7;
        g.DANE_DATA_BIEZACA = 80400;
        state.CIT_POCZATEK_ROKU = 80000;
        state.CIT_KONIEC_ROKU = 80364;
        state.CIT_ID_DEKLARACJI = 512;
        host.utility.script(kClearMessages, {});
        // Every statement of either edition answers 0 unless a test says otherwise.
        host.utility.handler = [](const std::string& sql) -> std::optional<Answer> {
            if (sql.rfind("CALL ZESTAWIENIE_DD_OBLICZ (", 0) != 0) return std::nullopt;
            return Answer{true, {{"0.00"}}, ""};
        };
    }
    using Answer = testing::FakeUtility::Answer;

    void amount(const std::string& code, const std::string& value) {
        host.utility.script(call(code), {{value}});
    }

    void compute(int templateId, bool refresh) {
        state.CIT_ID_WZORCA = templateId;
        if (templateId == 73) {
            OBLICZ_CIT_8(73, host.binding(), state, fields, refresh);
        } else if (templateId == 70) {
            fields = store::DeclarationFields(70);
            OBLICZ_CIT_8(70, host.binding(), state, fields, refresh);
        } else {
            OBLICZ_CIT_8(72, host.binding(), state, fields, refresh);
        }
    }

    std::vector<std::string> statementTexts() const {
        std::vector<std::string> out;
        for (const testing::Statement& s : host.utility.statements) out.push_back(s.text);
        return out;
    }

    // `typedO`: a CIT-8/O code the edition leaves to the person (no statement runs).
    std::vector<std::string> expectedFresh(const std::vector<std::string>& before,
                                           const std::vector<std::string>& after,
                                           const std::string& typedO = "") const {
        std::vector<std::string> out{kClearMessages};
        for (const std::string& c : before) out.push_back(call(c));
        for (const std::string& c : kCit8oCodes)
            if (c != typedO) out.push_back(call(c));
        for (const std::string& c : after) out.push_back(call(c));
        return out;
    }

    std::vector<std::string> messages(const std::string& kind) const {
        std::vector<std::string> out;
        for (const testing::HostMessage& m : host.utility.messages) {
            if (m.kind == kind) out.push_back(m.text);
        }
        return out;
    }

    FakeHost host;
    module::DeclarationState state;
    store::DeclarationFields fields;
};

TEST_F(StatementComputationTest, FreshEdition24RunsItsSixtyFiveStatementsInFormOrder) {
    compute(73, false);
    EXPECT_EQ(statementTexts(),
              expectedFresh({"31", "32", "33", "34", "36", "37", "38", "39", "40"},
                            {"56", "57", "58", "94", "145"}));
    EXPECT_EQ(statementTexts()[1], "CALL ZESTAWIENIE_DD_OBLICZ (3,80000,80364,512,'31',7,'')");
    EXPECT_EQ(statementTexts().size(), 1u + 14u + 51u);
    // Each statement went to VAX_FK, where the result is read from.
    for (const testing::Statement& s : host.utility.statements) {
        EXPECT_EQ(s.file, host::ResultFileId::VAX_FK) << s.text;
    }
}

TEST_F(StatementComputationTest, FreshEdition23UsesItsOwnPositionsAsCodes) {
    compute(72, false);
    // CIT-8/O (10) has no statement O79.
    EXPECT_EQ(statementTexts(),
              expectedFresh({"30", "31", "32", "33", "35", "36", "37", "38", "39"},
                            {"53", "54", "55", "91", "142"}, "O79"));
}

TEST_F(StatementComputationTest, FreshEdition21RunsItsOwnStatementsAndThoseOfCit8o8) {
    compute(70, false);
    std::vector<std::string> expected{kClearMessages};
    for (const char* c : {"27", "28", "29", "31", "32", "33", "47", "48", "49", "94", "99", "O8",
                          "O9", "O10", "O11", "O12", "O13", "O14", "O15", "O16", "O17", "O19",
                          "O42", "O43", "O44", "O46", "O48", "O50", "O51", "O53", "O54", "O55",
                          "O57", "O60", "O63", "O65", "O66", "O67", "O68", "O69", "O70", "O71",
                          "O72"})
        expected.push_back(call(c));
    EXPECT_EQ(statementTexts(), expected);
}

TEST_F(StatementComputationTest, MessagesClearedOnceAndShownOnceForTheWholeCit8) {
    compute(73, true);
    const std::vector<std::string> texts = statementTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), kClearMessages), 1);
    EXPECT_EQ(texts.front(), kClearMessages);
    EXPECT_EQ(host.utility.infoZestawienie, 1);
    EXPECT_EQ(host.callNames().back(), "utility.INFO_ZESTAWIENIE 1");
    EXPECT_EQ(host.ui.busyDepth, 0);
}

TEST_F(StatementComputationTest, AttachmentAloneClearsAndShowsItsOwnMessages) {
    state.CIT_ID_WZORCA = 73;
    OBLICZ_CIT_O(73, host.binding(), state, fields, true);
    std::vector<std::string> expected{kClearMessages};
    for (const std::string& c : kCit8oCodes) expected.push_back(call(c));
    EXPECT_EQ(statementTexts(), expected);
    EXPECT_EQ(host.utility.infoZestawienie, 1);
    EXPECT_EQ(host.ui.busyDepth, 0);
}

TEST_F(StatementComputationTest, FailingMessageClearIsShownAndTheComputationGoesOn) {
    host.utility.scriptFailure(kClearMessages, "Tabela KOMUNIKAT jest zablokowana");
    amount("31", "100.00");
    compute(73, false);
    EXPECT_EQ(messages("MSG_OST"), std::vector<std::string>{"Tabela KOMUNIKAT jest zablokowana"});
    EXPECT_EQ(fields.main()[35].decimal(), d("100"));
}

// Another writer holding the database: every statement and the message clear fail alike.
// One message says the database is busy and names the positions; the CIT-8/O alone then
// replaces only its own failures.
TEST_F(StatementComputationTest, ABusyDatabaseIsOneMessageNamingThePositions) {
    const auto answersZero = host.utility.handler;
    host.utility.handler = [](const std::string&) -> std::optional<Answer> {
        return Answer{false, {}, "database is locked"};
    };
    compute(73, true);
    const std::vector<std::string> shown = messages("MSG_OST");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].rfind("Baza danych jest zajęta przez innego użytkownika (database is "
                             "locked). Nie obliczono pozycji: CIT-8 poz. 31, CIT-8 poz. 32, ",
                             0),
              0u)
        << shown[0];
    EXPECT_EQ(fields.issues.failedStatements.front(), "CIT-8 poz. 31");
    const std::size_t all = fields.issues.failedStatements.size();
    host.utility.handler = answersZero;
    OBLICZ_CIT_O(73, host.binding(), state, fields, true);
    EXPECT_EQ(fields.issues.failedStatements.front(), "CIT-8 poz. 31");
    EXPECT_LT(fields.issues.failedStatements.size(), all);
}

TEST_F(StatementComputationTest, AmountsFlowThroughBothFormsWithTheNewIncome) {
    // An income from an older computation must not be the one the attachment caps with.
    fields.main()[45].setText("999999");
    amount("31", "500000.00");
    amount("36", "300000.00");
    amount("O8", "10000.00");
    amount("O61", "15000.00");  // above L = 10 % of 200 000 - 10 000
    amount("O62", "3000.00");
    amount("O74", "400.00");
    compute(73, false);

    const store::FieldSet& c = fields.main();
    const store::FieldSet& o = fields.form("CIT-8/O");
    EXPECT_EQ(c[35].decimal(), d("500000"));
    EXPECT_EQ(c[45].decimal(), d("200000"));
    EXPECT_EQ(o[39].decimal(), d("10000"));
    EXPECT_EQ(o[61].decimal(), d("10000"));
    EXPECT_EQ(o[62].decimal(), d("3000"));
    EXPECT_EQ(o[64].decimal(), d("10000"));  // 63 (0) + (61 + 62) capped by L
    EXPECT_EQ(o[83].decimal(), d("400"));
    EXPECT_EQ(c[47].decimal(), d("10000"));
    EXPECT_EQ(c[48].decimal(), d("10000"));  // O-68 = 64 + 60 + 65 + 67
    EXPECT_EQ(c[51].decimal(), d("180000"));
    EXPECT_EQ(c[60].decimal(), d("180000"));
    EXPECT_EQ(c[62].decimal(), d("19"));
    EXPECT_EQ(c[63].decimal(), d("34200"));
    EXPECT_EQ(c[64].decimal(), d("400"));
    EXPECT_EQ(c[65].decimal(), d("33800"));
    // The attachment copies the identification and the period.
    EXPECT_EQ(o[4].day(), 80000);
    EXPECT_EQ(o[5].day(), 80364);
    EXPECT_EQ(c[4].text(), "80000");
    EXPECT_EQ(c[5].text(), "80364");
}

TEST_F(StatementComputationTest, WholeZlotyWhereTheFormAsksForIt) {
    amount("94", "1234.56");
    amount("145", "99.50");
    amount("O87", "1234.50");
    amount("O88", "-0.50");
    amount("O89", "1234.56");
    amount("O90", "99.49");
    amount("O91", "0.5");
    amount("O8", "0.49");  // ordinary statement fields keep their grosze
    compute(73, false);
    EXPECT_EQ(fields.main()[94].decimal(), d("1235"));
    EXPECT_EQ(fields.main()[145].decimal(), d("100"));
    EXPECT_EQ(fields.form("CIT-8/O")[87].decimal(), d("1235"));
    EXPECT_EQ(fields.form("CIT-8/O")[88].decimal(), d("-1"));
    EXPECT_EQ(fields.form("CIT-8/O")[89].decimal(), d("1234.56"));
    EXPECT_EQ(fields.form("CIT-8/O")[90].decimal(), d("99"));
    EXPECT_EQ(fields.form("CIT-8/O")[91].decimal(), d("1"));
    EXPECT_EQ(fields.form("CIT-8/O")[8].decimal(), d("0.49"));
}

TEST_F(StatementComputationTest, FailingStatementIsShownAndLeavesZero) {
    fields.main()[33].setText("777");
    fields.form("CIT-8/O")[20].setText("555");
    host.utility.scriptFailure(call("33"), "Błąd wykonania zestawienia 33");
    host.utility.scriptFailure(call("O20"), "Błąd wykonania zestawienia O20");
    amount("34", "50.00");
    compute(73, true);
    // One message names every failed position and the first reason.
    EXPECT_EQ(messages("MSG_OST"),
              (std::vector<std::string>{"Nie obliczono pozycji: CIT-8 poz. 33, CIT-8/O poz. 20. "
                                        "Pierwszy błąd: Błąd wykonania zestawienia 33"}));
    EXPECT_EQ(fields.main()[33].decimal(), d("0"));
    EXPECT_EQ(fields.form("CIT-8/O")[20].decimal(), d("0"));
    EXPECT_EQ(fields.main()[34].decimal(), d("50"));
    EXPECT_EQ(statementTexts().size(), 66u);
    EXPECT_EQ(host.utility.infoZestawienie, 1);
}

TEST_F(StatementComputationTest, ResultsThatAreNoAmountLeaveZero) {
    host.utility.script(call("31"), {});                        // no row
    amount("32", "abc");                                        // not a number
    amount("33", "12345678901234567");                          // beyond 15 digits
    amount("34", "-1000000000000.00");                          // large, but an amount
    compute(73, false);
    EXPECT_EQ(fields.main()[31].decimal(), d("0"));
    EXPECT_EQ(fields.main()[32].decimal(), d("0"));
    EXPECT_EQ(fields.main()[33].decimal(), d("0"));
    EXPECT_EQ(fields.main()[34].decimal(), d("-1000000000000"));
    // Each is named like a failing statement, never taken as 0 unseen.
    EXPECT_EQ(messages("MSG_OST"),
              (std::vector<std::string>{
                  "Nie obliczono pozycji: CIT-8 poz. 31, CIT-8 poz. 32, CIT-8 poz. 33. Pierwszy "
                  "błąd: Zestawienie pola 31 nie zwróciło kwoty."}));
    EXPECT_EQ(fields.issues.failedStatements,
              (std::vector<std::string>{"CIT-8 poz. 31", "CIT-8 poz. 32", "CIT-8 poz. 33"}));
    EXPECT_EQ(host.ui.busyDepth, 0);
    EXPECT_EQ(host.utility.infoZestawienie, 1);
}

// Hand-filled values of a declaration the person has been working on.
void typeByHand(store::DeclarationFields& f) {
    f.main()[7].setText("2");
    for (int p = 20; p <= 30; ++p) f.main()[p].setText("1");
    f.main()[44].setText("5000");
    f.main()[66].setText("2015");
    f.main()[67].setText("100");
    for (int p = 68; p <= 90; ++p) f.main()[p].setText("10");
    for (int first : {97, 109, 121}) {
        for (int p = first; p < first + 6; ++p) f.main()[p].setText("1000");
    }
    for (int p = 133; p <= 137; ++p) f.main()[p].setText("1000");
    f.main()[143].setText("1234.56");
    f.main()[146].setText("5");
    f.main()[147].setText("Jan");
    f.main()[148].setText("Kowalski");
    f.main()[149].setText("79000");
    f.main()[150].setText("podpis");
    f.form("CIT-8/O")[37].setText("Tytuł ulgi");
    f.form("CIT-8/O")[40].setText("2012");
    f.form("CIT-8/O")[43].setText("300");
    f.form("CIT-8/O")[75].setText("Decyzja 1/2016");
    f.form("CIT-8/O")[77].setDay(79500);
    f.copies("CIT-D").append(1, 5, "Fundacja");
    f.copies("CIT-BR").append(1, 19, "700");
}

TEST_F(StatementComputationTest, FreshComputationResetsWhatThePersonFillsIn) {
    typeByHand(fields);
    compute(73, false);
    const store::FieldSet& c = fields.main();
    EXPECT_EQ(c[7].text(), "1");
    const std::map<int, const char*> defaults = {{20, "2"}, {21, "2"}, {22, "0"}, {23, "3"},
                                                 {24, "2"}, {25, "0"}, {26, "0"}, {27, "0"},
                                                 {28, "0"}, {29, "0"}, {30, "0"}};
    for (const auto& [p, v] : defaults) EXPECT_EQ(c[p].decimal(), d(v)) << p;
    EXPECT_EQ(c[66].text(), "0");
    for (int p = 67; p <= 91; ++p) EXPECT_EQ(c[p].decimal(), d("0")) << p;
    for (int p = 97; p <= 144; ++p) EXPECT_EQ(c[p].decimal(), d("0")) << p;
    EXPECT_EQ(c[146].decimal(), d("0"));
    EXPECT_EQ(c[147].text(), "");
    EXPECT_EQ(c[148].text(), "");
    EXPECT_EQ(c[150].text(), "");
    EXPECT_EQ(c[149].text(), "80400");
    // The loss abroad is reset by the new declaration, not by the computation.
    EXPECT_EQ(c[44].decimal(), d("5000"));
    EXPECT_TRUE(fields.copies("CIT-D").empty());
    EXPECT_TRUE(fields.copies("CIT-BR").empty());
    EXPECT_EQ(fields.form("CIT-8/O")[37].text(), "");
    EXPECT_EQ(fields.form("CIT-8/O")[40].text(), "");
    EXPECT_EQ(fields.form("CIT-8/O")[43].decimal(), d("0"));
    EXPECT_EQ(fields.form("CIT-8/O")[60].decimal(), d("0"));
    EXPECT_EQ(fields.form("CIT-8/O")[75].text(), "");
    EXPECT_EQ(fields.form("CIT-8/O")[77].day(), 0);
}

TEST_F(StatementComputationTest, RefreshKeepsWhatThePersonTypedAndRecomputesTotals) {
    typeByHand(fields);
    amount("31", "100000.00");
    compute(73, true);
    const store::FieldSet& c = fields.main();
    EXPECT_EQ(c[7].text(), "2");
    for (int p = 20; p <= 30; ++p) EXPECT_EQ(c[p].decimal(), d("1")) << p;
    EXPECT_EQ(c[44].decimal(), d("5000"));
    EXPECT_EQ(c[45].decimal(), d("105000"));
    EXPECT_EQ(c[66].text(), "2015");
    EXPECT_EQ(c[67].decimal(), d("100"));
    for (int p = 68; p <= 90; ++p) EXPECT_EQ(c[p].decimal(), d("10")) << p;
    EXPECT_EQ(c[91].decimal(), d("230"));
    EXPECT_EQ(c[97].decimal(), d("1000"));
    EXPECT_EQ(c[103].decimal(), d("190"));
    EXPECT_EQ(c[142].decimal(), d("190"));
    EXPECT_EQ(c[143].decimal(), d("1234.56"));
    EXPECT_EQ(c[144].decimal(), d("235"));
    EXPECT_EQ(c[146].decimal(), d("5"));
    EXPECT_EQ(c[147].text(), "Jan");
    EXPECT_EQ(c[149].text(), "79000");
    EXPECT_EQ(c[150].text(), "podpis");
    EXPECT_EQ(fields.copies("CIT-D").size(), 1u);
    EXPECT_EQ(fields.form("CIT-8/O")[37].text(), "Tytuł ulgi");
    EXPECT_EQ(fields.form("CIT-8/O")[60].decimal(), d("300"));
    EXPECT_EQ(fields.form("CIT-8/O")[77].day(), 79500);
}

TEST_F(StatementComputationTest, ResearchReliefComesFromTheFirstCitBrOnlyWhenAnnounced) {
    amount("31", "10000.00");
    struct Case {
        const char* count;
        const char* relief;  // field 19 of CIT-BR 1 in the list; nullptr = no such copy
        const char* f54;
        const char* f55;
    };
    for (const Case& k : {Case{"1", "700", "700", "700"}, Case{"0", "700", "0", "0"},
                          Case{"2", nullptr, "0", "0"}, Case{"1", "15000", "15000", "10000"}}) {
        SCOPED_TRACE(k.count);
        fields.copies("CIT-BR").clear();
        if (k.relief != nullptr) fields.copies("CIT-BR").append(1, 19, k.relief);
        fields.main()[28].setText(k.count);
        compute(73, true);
        EXPECT_EQ(fields.main()[54].decimal(), d(k.f54));
        // Capped by the income that remains (51): 55 = min(53 + 54, 51).
        EXPECT_EQ(fields.main()[55].decimal(), d(k.f55));
    }
}

TEST_F(StatementComputationTest, Edition23KeepsItsPositions) {
    amount("30", "200000.00");
    amount("35", "100000.00");
    amount("O61", "50000.00");
    amount("91", "10.40");
    compute(72, false);
    const store::FieldSet& c = fields.main();
    EXPECT_EQ(c[34].decimal(), d("200000"));  // revenue total
    EXPECT_EQ(c[44].decimal(), d("100000"));  // income
    EXPECT_EQ(fields.form("CIT-8/O")[61].decimal(), d("10000"));  // 10 % of field 44
    EXPECT_EQ(c[59].decimal(), d("19"));
    EXPECT_EQ(c[91].decimal(), d("10"));
    EXPECT_EQ(c[28].decimal(), d("0"));  // the CIT-D count of this edition
    EXPECT_EQ(c[146].text(), "80400");   // the fill-in date
    EXPECT_EQ(c[147].text(), "");
}

// "Odśwież": identification afresh from the company's master data, then the rules alone.
class RecalculationTest : public StatementComputationTest {
protected:
    RecalculationTest() {
        host.utility.script(
            "select nip, rodzaj_platnika, nazwa_pelna, regon from FIRMA where id_firmy=3",
            {{"526-000-12-46", "1", "Spółka Testowa sp. z o.o.", "012345678"}});
        host.utility.script(
            "select top 1 wojewodztwo, powiat, gmina, ulica, nr_domu, nr_lokalu, miejscowosc, "
            "kod_pocztowy, poczta from ADRESY_FIRMY where id_firmy=3 AND typ_adresu='S' AND "
            "data_od<=80333 order by id_firmy, typ_adresu, data_od desc",
            {{"mazowieckie", "Warszawa", "Warszawa", "Prosta", "1", "2", "Warszawa", "00-001",
              "Warszawa"}});
        host.utility.offices[14] = "Urząd Skarbowy Warszawa-Śródmieście";
        host.utility.script(
            "select u.id_urzedu from FIRMA f inner join URZEDY_FIRMY uf on f.id_us=uf.id_urzedu "
            "and uf.id_firmy = f.id_firmy join URZEDY u on u.id_urzedu=uf.id_urzedu where "
            "f.id_firmy=3",
            {{"14"}});
    }
};

TEST_F(RecalculationTest, TakesCompanyDataAndAppliesTheRulesWithoutStatements) {
    fields.main()[31].setText("1000");
    fields.main()[36].setText("400");
    fields.main()[68].setText("50");
    fields.main()[8].setText("stara nazwa");
    fields.main()[7].setText("2");
    PRZELICZ_CIT_8(73, host.binding(), fields, 80333);
    for (const testing::Statement& s : host.utility.statements) {
        EXPECT_EQ(s.text.find("ZESTAWIENIE_DD_OBLICZ"), std::string::npos) << s.text;
        EXPECT_EQ(s.text.find("KOMUNIKAT"), std::string::npos) << s.text;
    }
    const store::FieldSet& c = fields.main();
    EXPECT_EQ(c[1].text(), "526-000-12-46");
    EXPECT_EQ(c[6].text(), "Urząd Skarbowy Warszawa-Śródmieście");
    EXPECT_EQ(c[7].text(), "2");  // a correction stays a correction
    EXPECT_EQ(c[8].text(), "Spółka Testowa sp. z o.o.");
    EXPECT_EQ(c[10].text(), "Polska");
    EXPECT_EQ(c[14].text(), "Prosta");
    EXPECT_EQ(c[19].text(), "Warszawa");
    EXPECT_EQ(fields.form("CIT-8/O")[7].text(), "012345678");
    EXPECT_EQ(fields.form("ORD-ZU")[5].text(), "Spółka Testowa sp. z o.o.");
    EXPECT_EQ(c[45].decimal(), d("600"));
    EXPECT_EQ(c[65].decimal(), d("114"));
    EXPECT_EQ(c[91].decimal(), d("50"));
    EXPECT_EQ(c[92].decimal(), d("64"));
    EXPECT_EQ(host.utility.infoZestawienie, 0);
    EXPECT_EQ(host.ui.busyDepth, 0);

    // An empty purpose of filing becomes a first filing.
    fields.main()[7].setText("");
    PRZELICZ_CIT_8(73, host.binding(), fields, 80333);
    EXPECT_EQ(fields.main()[7].text(), "1");
}

}  // namespace
}  // namespace citforms::compute
