#include "refhost/db/demo.h"
#include "refhost/db/demo_companies.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <variant>

#include <gtest/gtest.h>

#include "citforms/values/book_values.h"
#include "refhost/db/schema.h"
#include "test_database_support.h"

namespace refhost::db {

using citforms::values::fromDate;
using citforms::values::today;
namespace {

class DemoTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        demo = new testing::TempDatabase();
        auto st = (*demo)->loadDemo();
        ASSERT_TRUE(st) << st.error();
    }
    static void TearDownTestSuite() {
        delete demo;
        demo = nullptr;
    }
    static testing::TempDatabase* demo;
};
testing::TempDatabase* DemoTest::demo = nullptr;

TEST_F(DemoTest, SecondLoadIsRefused) {
    auto st = (*demo)->loadDemo();
    EXPECT_FALSE(st);
    EXPECT_EQ(demo->value("select count(*) from FIRMA"), "4");
}

TEST_F(DemoTest, StoredDeclarationsHaveTheSheetsTheSaveWrites) {
    struct Expect {
        int templateId;
        const char* sheetCondition;
        int rows;
    };
    const Expect cases[] = {
        {73, "NR_ZALACZNIKA = 0", 148}, {72, "NR_ZALACZNIKA = 0", 145},
        {73, "NR_ZALACZNIKA = 1", 89},  {72, "NR_ZALACZNIKA = 1", 89},
        {73, "NR_ZALACZNIKA in (101, 102)", 246}, {72, "NR_ZALACZNIKA in (101, 102)", 246},
        {73, "NR_ZALACZNIKA = 501", 67}, {72, "NR_ZALACZNIKA > 500", 0},
    };
    for (const Expect& e : cases) {
        const std::string id = demo->value(
            "select top 1 ID_DEKLARACJE_NAG from DEKLARACJE_NAG where ID_DEKLARACJE_WZORZEC = " +
            std::to_string(e.templateId));
        EXPECT_EQ(demo->value("select count(*) from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " +
                              id + " AND " + e.sheetCondition),
                  std::to_string(e.rows))
            << e.templateId << " " << e.sheetCondition;
        EXPECT_EQ(demo->value("select count(*) from DEKLARACJE_ZALACZNIK where "
                              "id_deklaracje_nag=" + id + " AND typ='ORD-ZU'"),
                  "11");
        EXPECT_EQ(demo->value("select STATUS_2 from DEKLARACJE_NAG where ID_DEKLARACJE_NAG=" + id),
                  "1");
    }
}

// The CIT-8 returns' amounts are the module's (computed by the demo step of init-db --demo):
// golden case demo_made_through_module. What the demo writer stores leaves them at 0.
TEST_F(DemoTest, TheCit8AmountsAreLeftToTheModule) {
    for (const char* templateId : {"73", "72"}) {
        const std::string id = demo->value(
            "select ID_DEKLARACJE_NAG from DEKLARACJE_NAG where ID_DEKLARACJE_WZORZEC = " +
            std::string(templateId));
        EXPECT_EQ(demo->value("select count(*) from DEKLARACJE_POZ where ID_DEKLARACJE_NAG=" +
                              id + " AND NR_ZALACZNIKA = 0 AND WARTOSC_POLA not in ('0', "
                              "'0.00', '') AND NR_POLA in ('31', '34', '41', '56', '60', '63', "
                              "'65', '68', '88', '91', '94')"),
                  "0")
            << templateId;
        EXPECT_EQ(demo->value("select count(*) from DEKLARACJE_EDEKLARACJA"), "0");
    }
}

TEST_F(DemoTest, MasterDataCoversTheCasesThePickersFilter) {
    EXPECT_EQ(demo->value("select count(*) from ADRESY_FIRMY where ID_FIRMY=1 AND TYP_ADRESU='S'"), "2");
    EXPECT_EQ(demo->value("select count(*) from ADRESY_FIRMY where ID_FIRMY=1"), "3");
    EXPECT_EQ(demo->value("select count(*) from URZEDY_FIRMY where ID_FIRMY=2 AND TYP_URZEDU='US'"), "2");
    EXPECT_GE(std::stoi(demo->value("select count(*) from FIRMA_ODDZIAL where ID_FIRMY=1")), 20);
    EXPECT_EQ(demo->value("select count(*) from LATA_OBROTOWE where id_firmy=2 AND poczatek_roku=" +
                          std::to_string(fromDate(2015, 4, 1)) + " AND koniec_roku=" +
                          std::to_string(fromDate(2016, 3, 31))),
              "1");
    EXPECT_EQ(demo->value("select count(*) from LATA_OBROTOWE where id_firmy=3"), "0");
    // The seat valid on 2 March 2016 for company 2 is the one from 15 January 2016.
    EXPECT_EQ(demo->value("select top 1 ulica from ADRESY_FIRMY where id_firmy=2 AND "
                          "typ_adresu='S' AND data_od<=" + std::to_string(fromDate(2016, 3, 2)) +
                          " order by id_firmy, typ_adresu, data_od desc"),
              "ul. Marynarki Polskiej");
}

TEST_F(DemoTest, OrdZuTextKeepsApostropheAndPolishLetters) {
    const std::string text = demo->value(
        "select wartosc_pola from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=2 AND "
        "typ='ORD-ZU' AND nr_pola=13");
    EXPECT_NE(text.find("O'Neill"), std::string::npos);
    EXPECT_NE(text.find("Józef Żółkiewski"), std::string::npos);
}

// Every table of the schema, each row's cells tab-separated (NULL as \\N), rows sorted; the
// day the demo was loaded on is written as TODAY so that the dump does not age.
std::string dumpOfEveryTable(testing::TempDatabase& db) {
    std::vector<std::string> tables;
    for (const Migration& m : migrations()) {
        for (const MigrationStep& step : m.steps) {
            if (const auto* t = std::get_if<TableDef>(&step)) tables.push_back(t->name);
        }
    }
    const std::string today = std::to_string(citforms::values::today());
    std::ostringstream out;
    for (const std::string& table : tables) {
        auto r = db->runNative("select * from " + table);
        if (!r) return table + ": " + r.error();
        std::vector<std::string> lines;
        for (const auto& row : r->rows) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i) {
                if (i > 0) line += '\t';
                line += !row[i] ? "\\N" : *row[i] == today ? "TODAY" : *row[i];
            }
            lines.push_back(line);
        }
        std::sort(lines.begin(), lines.end());
        out << "== " << table << " (" << lines.size() << ")\n";
        for (const std::string& line : lines) out << line << '\n';
    }
    return out.str();
}

// The demo database, table by table, the same on both engines as it was when its data were
// written in code. Set
// CITFORMS_REWRITE_DEMO_DUMP=1 to record the dump anew after a deliberate change.
TEST_F(DemoTest, EveryTableHoldsTheRecordedRows) {
    const std::string file = std::string(CITFORMS_TEST_DATA_DIR) + "/demo/dump.txt";
    const std::string actual = dumpOfEveryTable(*demo);
    if (const char* rewrite = std::getenv("CITFORMS_REWRITE_DEMO_DUMP");
        rewrite != nullptr && std::string(rewrite) == "1") {
        std::ofstream(file, std::ios::binary) << actual;
    }
    std::ifstream in(file, std::ios::binary);
    ASSERT_TRUE(in) << file;
    std::ostringstream read;
    read << in.rdbuf();
    const std::string expected = read.str();
    if (actual == expected) return;
    std::istringstream a(actual), e(expected);
    std::string la, le;
    for (int line = 1;; ++line) {
        const bool moreA = static_cast<bool>(std::getline(a, la));
        const bool moreE = static_cast<bool>(std::getline(e, le));
        if (!moreA && !moreE) break;
        if (!moreA || !moreE || la != le) {
            ADD_FAILURE() << file << ":" << line << "\n expected: " << (moreE ? le : "<end>")
                          << "\n actual:   " << (moreA ? la : "<end>");
            break;
        }
    }
}

// Generated companies: the same count gives the same rows in every table, books included,
// and their identification numbers pass the official checksums.
TEST(DemoCompanies, TheSameCountGivesTheSameDataWithValidNumbers) {
    testing::TempDatabase first;
    testing::TempDatabase second;
    for (testing::TempDatabase* db : {&first, &second}) {
        ASSERT_TRUE((*db)->loadDemo());
        int calls = 0;
        auto st = addDemoCompanies(**db, 9, [&](int done, int total) {
            EXPECT_EQ(total, 9);
            EXPECT_EQ(done, ++calls);
        });
        ASSERT_TRUE(st) << st.error();
    }
    EXPECT_EQ(dumpOfEveryTable(first), dumpOfEveryTable(second));
    EXPECT_EQ(first.value("select count(*) from FIRMA"), "13");
    EXPECT_EQ(first.value("select count(distinct nip) from FIRMA"), "13");
    // Each has fiscal years, a branch and a year of books.
    EXPECT_EQ(first.value("select count(*) from FIRMA f where f.id_firmy > 4 AND (select "
                          "count(*) from LATA_OBROTOWE l where l.id_firmy = f.id_firmy) = 3 AND "
                          "(select count(*) from FIRMA_ODDZIAL o where o.id_firmy = f.id_firmy) "
                          "> 0 AND (select count(*) from KSIEGOWANIA k where k.id_firmy = "
                          "f.id_firmy) > 300"),
              "9");

    auto valid = [](const std::string& number, const std::vector<int>& weights) {
        if (number.size() != weights.size() + 1) return false;
        int sum = 0;
        for (std::size_t i = 0; i < weights.size(); ++i) sum += (number[i] - '0') * weights[i];
        return sum % 11 % 10 == number.back() - '0' && (weights.size() != 9 || sum % 11 != 10);
    };
    auto r = first->run("select nip, regon from FIRMA where id_firmy > 4");
    ASSERT_TRUE(r);
    for (const auto& row : r->rows) {
        EXPECT_TRUE(valid(row[0].value_or(""), {6, 5, 7, 2, 3, 4, 5, 6, 7})) << *row[0];
        EXPECT_TRUE(valid(row[1].value_or(""), {8, 9, 2, 3, 4, 5, 6, 7})) << *row[1];
    }
    r = first->run("select REGON from FIRMA_ODDZIAL where id_firmy > 4");
    ASSERT_TRUE(r);
    for (const auto& row : r->rows) {
        EXPECT_TRUE(valid(row[0].value_or(""), {2, 4, 8, 5, 0, 9, 7, 3, 6, 1, 2, 4, 8})) << *row[0];
    }
}

}  // namespace
}  // namespace refhost::db
