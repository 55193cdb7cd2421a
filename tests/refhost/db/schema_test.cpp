#include "refhost/db/schema.h"

#include <gtest/gtest.h>

#include "refhost/db/open_database.h"
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

// Takes a new database back to before version 5 (the numbering mark, header versions, one
// transfer and one link per declaration), the corrections' table of version 7 with it.
void dropVersion5(testing::TempDatabase& db) {
    if (db->engine() == sql::Engine::PostgreSQL) {
        ASSERT_TRUE(db->runNative("DROP TRIGGER DKN_NUMERACJA ON DEKLARACJE_NAG"));
        ASSERT_TRUE(db->runNative("DROP FUNCTION dkn_numeracja()"));
    } else {
        ASSERT_TRUE(db->runNative("DROP TRIGGER DKN_NUMERACJA"));
    }
    for (const char* sql :
         {"DROP TABLE DEKLARACJE_KOREKTY", "DROP TABLE NUMERACJA",
          "DROP INDEX PRZ_JEDEN_NA_DEKLARACJE",
          "DROP INDEX DKI_JEDNO_CIT_ST", "DROP INDEX DKI_JEDNA_CIT_8",
          "ALTER TABLE DEKLARACJE_NAG DROP COLUMN WERSJA",
          "ALTER TABLE DEKLARACJE_NAG DROP COLUMN W_TWORZENIU", "DROP INDEX IF EXISTS KSI_FIRMA_KONTO_DATA",
          "delete from WERSJA_SCHEMATU where wersja >= 5"}) {
        ASSERT_TRUE(db->runNative(sql)) << sql;
    }
}

// A database of version 4 where a declaration was deleted while its definitions stayed, two
// users saved a transfer of one declaration each and linked one CIT-ST twice: after the
// upgrade no id is given twice, and every declaration has one transfer and one link.
TEST(SchemaTest, UpgradeKeepsIdsAboveEveryIdGivenAndLeavesOneTransferAndLinkEach) {
    testing::TempDatabase db;
    dropVersion5(db);
    ASSERT_TRUE(db->runNative("ALTER TABLE KONTA DROP COLUMN typ"));  // version 6
    for (const char* sql :
         {"insert into DEKLARACJE_NAG (ID_DEKLARACJE_NAG, ID_FIRMY, INFO_2, LP) values (7, 1, "
          "'CIT-8', 1)",
          "insert into DEKLARACJE_NAG (ID_DEKLARACJE_NAG, ID_FIRMY, INFO_2, LP) values (8, 1, "
          "'CIT-8', 2)",
          "insert into DEKLARACJE_NAG (ID_DEKLARACJE_NAG, ID_FIRMY, INFO_2, LP) values (9, 1, "
          "'CIT-ST', 1)",
          "insert into ZESTAWIENIE_DEFINICJA (id_deklaracje_nag, kod, lp) values (12, '31', 1)",
          "insert into PRZELEW (id_przelewu, id_deklaracje_nag, id_firmy) values (1, 7, 1)",
          "insert into PRZELEW (id_przelewu, id_deklaracje_nag, id_firmy) values (2, 7, 1)",
          "insert into PRZELEW (id_przelewu, id_deklaracje_nag, id_firmy) values (3, 0, 1)",
          "insert into PRZELEW (id_przelewu, id_deklaracje_nag, id_firmy) values (4, 0, 1)",
          "insert into DEKLARACJE_NAG_INTER values (7, 9)",
          "insert into DEKLARACJE_NAG_INTER values (7, 9)",
          "insert into DEKLARACJE_NAG_INTER values (8, 9)"}) {
        db.exec(sql);
    }
    auto reopened = refhost::db::openDatabase(db.path());
    ASSERT_TRUE(reopened) << reopened.error();
    sql::HostDatabase& up = **reopened;
    ASSERT_EQ(up.schemaVersion(), latestVersion());
    auto value = [&](const std::string& sql) {
        auto r = up.run(sql);
        EXPECT_TRUE(r) << sql << ": " << (r ? "" : r.error());
        return r && !r->rows.empty() ? r->rows[0][0].value_or("") : "";
    };
    EXPECT_EQ(value("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (1,0,1,73,80333,0)"), "13");
    ASSERT_TRUE(up.run("delete from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = 13"));
    EXPECT_EQ(value("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (1,0,1,73,80333,0)"), "14");
    EXPECT_EQ(value("select isnull(max(n),0)+1 from (select max(ID_DEKLARACJE_NAG) as n from "
                    "DEKLARACJE_NAG union all select max(ostatni) from NUMERACJA) ids"),
              "15");

    EXPECT_EQ(value("select id_przelewu from PRZELEW where id_deklaracje_nag = 7"), "1");
    EXPECT_EQ(value("select count(*) from PRZELEW"), "4");
    EXPECT_FALSE(up.run("insert into PRZELEW (id_przelewu, id_deklaracje_nag, id_firmy) values "
                        "(5, 7, 1)"));
    EXPECT_TRUE(up.run("insert into PRZELEW (id_przelewu, id_deklaracje_nag, id_firmy) values "
                       "(5, 0, 1)"));

    EXPECT_EQ(value("select count(*) from DEKLARACJE_NAG_INTER"), "1");
    EXPECT_EQ(value("select ID_DEKLARACJE_NAG_1 from DEKLARACJE_NAG_INTER"), "7");
    EXPECT_FALSE(up.run("insert into DEKLARACJE_NAG_INTER values (8, 9)"));
    EXPECT_FALSE(up.run("insert into DEKLARACJE_NAG_INTER values (7, 10)"));
}

TEST(SchemaTest, OlderDatabaseIsBroughtUpToDateKeepingItsData) {
    testing::TempDatabase db;
    db.exec("insert into FIRMA (id_firmy, nazwa) values (1, 'Młyn')");
    // Take the database back to version 2: without the tables of versions 3 and 4.
    for (const char* t : {"KONTA", "KSIEGOWANIA", "OBROTY", "ZESTAWIENIE_DEFINICJA",
                          "ZESTAWIENIE_DEFINICJA_WZORCA", "IMPORTY_KSIAG", "BILANS_OTWARCIA"}) {
        ASSERT_TRUE(db->runNative(std::string("DROP TABLE ") + t));
    }
    dropVersion5(db);
    ASSERT_TRUE(db->runNative("delete from WERSJA_SCHEMATU where wersja >= 3"));
    ASSERT_EQ(db->schemaVersion(), 2);
    const std::string path = db.path();
    auto reopened = refhost::db::openDatabase(path);
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
