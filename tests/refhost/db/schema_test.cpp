#include "refhost/db/schema.h"

#include <gtest/gtest.h>

#include "refhost/sql/engine.h"
#include "test_database_support.h"

namespace refhost::db {
namespace {

TEST(SchemaTest, MigrationsAreNumberedInOrderFromOne) {
    int expected = 1;
    for (const Migration& m : migrations()) {
        EXPECT_EQ(m.version, expected++);
        EXPECT_FALSE(m.steps.empty());
    }
    EXPECT_EQ(latestVersion(), expected - 1);
}

TEST(SchemaTest, MoneyIsNeverNumericOrRealOnSqlite) {
    auto profile = sql::makeSqliteProfile({});
    for (const Migration& m : migrations()) {
        for (const MigrationStep& step : m.steps) {
            for (const std::string& stmt : render(step, *profile)) {
                EXPECT_EQ(stmt.find("NUMERIC"), std::string::npos) << stmt;
                EXPECT_EQ(stmt.find("REAL"), std::string::npos) << stmt;
            }
        }
    }
}

TEST(SchemaTest, TextColumnsAreKnownForTheDialect) {
    EXPECT_TRUE(isTextColumn("nr_pola"));
    EXPECT_TRUE(isTextColumn("WARTOSC_POLA"));
    EXPECT_FALSE(isTextColumn("NR_ZALACZNIKA"));
    EXPECT_FALSE(isTextColumn("wartosc"));  // money
    EXPECT_FALSE(isTextColumn("nie_ma_takiej"));
}

TEST(SchemaTest, FieldNumbersSortAsTextByteByByte) {
    testing::TempDatabase db;
    for (const char* n : {"9", "100", "1", "11", "10", "150", "16", "91", "101"}) {
        db.exec(std::string("insert into DEKLARACJE_POZ (ID_DEKLARACJE_NAG, NR_POLA, WARTOSC_POLA, "
                            "NR_ZALACZNIKA) values (1, '") + n + "', '', 0)");
    }
    auto r = db->run("select NR_POLA from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = 1 order by "
                     "ID_DEKLARACJE_NAG, NR_ZALACZNIKA, NR_POLA");
    ASSERT_TRUE(r);
    std::vector<std::string> order;
    for (const auto& row : r->rows) order.push_back(*row[0]);
    EXPECT_EQ(order, (std::vector<std::string>{"1", "10", "100", "101", "11", "150", "16", "9", "91"}));
}

TEST(SchemaTest, OlderDatabaseIsBroughtUpToDateKeepingItsData) {
    testing::TempDatabase db;
    db.exec("insert into FIRMA (id_firmy, nazwa) values (1, 'Młyn')");
    // Take the database back to version 2: without the tables of versions 3 and 4.
    for (const char* t : {"KONTA", "KSIEGOWANIA", "OBROTY", "ZESTAWIENIE_DEFINICJA",
                          "ZESTAWIENIE_DEFINICJA_WZORCA", "IMPORTY_KSIAG", "BILANS_OTWARCIA"}) {
        ASSERT_TRUE(db->runNative(std::string("DROP TABLE ") + t));
    }
    ASSERT_TRUE(db->runNative("delete from WERSJA_SCHEMATU where wersja >= 3"));
    ASSERT_EQ(db->schemaVersion(), 2);
    const std::string path = db.path();
    auto reopened = sql::HostDatabase::open(path);
    ASSERT_TRUE(reopened) << reopened.error();
    EXPECT_EQ((*reopened)->schemaVersion(), latestVersion());
    auto r = (*reopened)->run("select count(*) from KSIEGOWANIA where id_importu = 0");
    EXPECT_TRUE(r);
    auto name = (*reopened)->run("select nazwa from FIRMA where id_firmy = 1");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->rows.at(0).at(0), std::optional<std::string>("Młyn"));
}

TEST(SchemaTest, LockStateOfTheViewFollowsLockMarkAndEFiling) {
    testing::TempDatabase db;
    struct Case {
        const char* blokada;
        int takesPart;  // -1: no e-filing row
        int status;
        const char* expected;  // blokada_stan, mozna_modyfikowac, czy_zapis_w_bazie
    };
    const Case cases[] = {
        {"", -1, 0, "0 1 0"}, {"X", -1, 0, "1 1 0"},  {" ", -1, 0, "0 1 0"},
        {"", 1, 0, "0 1 1"},  {"", 1, 1, "1 0 1"},    {"", 1, 2, "1 0 1"},
        {"", 1, 3, "0 1 1"},  {"", 0, 2, "0 0 0"},
    };
    int id = 0;
    for (const Case& c : cases) {
        ++id;
        const std::string sid = std::to_string(id);
        db.exec("insert into DEKLARACJE_NAG (ID_DEKLARACJE_NAG, ID_FIRMY, LP, BLOKADA) values (" +
                sid + ", 1, " + sid + ", '" + c.blokada + "')");
        if (c.takesPart >= 0) {
            db.exec("insert into DEKLARACJE_EDEKLARACJA (id_deklaracje_nag, czy_zapis_w_bazie, "
                    "status) values (" + sid + ", " + std::to_string(c.takesPart) + ", " +
                    std::to_string(c.status) + ")");
        }
        auto r = db->run("select blokada_stan, mozna_modyfikowac_dokument_edeklaracja, "
                         "czy_zapis_w_bazie from DEKLARACJE_NAG_VIEW where id_deklaracje_nag = " + sid);
        ASSERT_TRUE(r);
        const auto& row = r->rows.at(0);
        EXPECT_EQ(*row[0] + " " + *row[1] + " " + *row[2], c.expected) << id;
    }
}

TEST(SchemaTest, AmountsAndPolishTextRoundTripExactly) {
    testing::TempDatabase db;
    const std::string text = "Zażółć gęślą jaźń – „cudzysłów” i apostrof: O'Brien";
    db.exec("insert into DEKLARACJE_POZ (ID_DEKLARACJE_NAG, NR_POLA, WARTOSC_POLA, NR_ZALACZNIKA) "
            "values (1, '8', '" + std::string("Zażółć gęślą jaźń – „cudzysłów” i apostrof: O''Brien") +
            "', 0)");
    EXPECT_EQ(db.value("select WARTOSC_POLA from DEKLARACJE_POZ where NR_POLA='8'"), text);
    for (const char* amount : {"0.10", "1234567890123.45", "-0.05", "12.50", "100.00"}) {
        db.exec(std::string("insert into PRZELEW (id_przelewu, kwota) values (") +
                db.value("select isnull(max(id_przelewu),0)+1 from PRZELEW") + ", " + amount + ")");
        EXPECT_EQ(db.value("select top 1 kwota from PRZELEW order by id_przelewu desc"), amount);
    }
    auto bound = db->runNative("insert into DEKLARACJE_POZ (ID_DEKLARACJE_NAG, NR_POLA, "
                               "WARTOSC_POLA) values (2, ?, ?)", {"1", std::nullopt});
    ASSERT_TRUE(bound);
    auto r = db->run("select WARTOSC_POLA from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = 2");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->rows.at(0).at(0), std::nullopt);
}

}  // namespace
}  // namespace refhost::db
