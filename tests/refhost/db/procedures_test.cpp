#include "refhost/db/procedures.h"

#include <thread>

#include <gtest/gtest.h>

#include "citforms/values/book_values.h"
#include "refhost/db/books.h"
#include "test_database_support.h"

namespace refhost::db {

using citforms::values::fromDate;
using citforms::values::today;
namespace {

// A small company with a chart, a few postings and statement definitions.
class ProceduresTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.exec("insert into UZYTKOWNICY (id_uzytkownika, id_uzyt, nazwa) values (7, 'ANOWAK', 'Anna Nowak')");
        Books books(*db);
        for (const char* a : {"700-01", "700-02", "401-1", "402-1", "402-2", "130-01", "222-01"}) {
            ASSERT_TRUE(books.addAccount(5, a, "konto"));
        }
        const int jan = fromDate(2016, 1, 15);
        const int feb = fromDate(2016, 2, 10);
        const int dec = fromDate(2016, 12, 31);
        ASSERT_TRUE(books.postAll(5, {
            {"700-01", jan, 0, 100000, "FV 1", ""},      // credit 1000.00
            {"700-01", feb, 5000, 0, "KOR 1", ""},       // correction: debit 50.00
            {"700-02", dec, 0, 25050, "FV 2", ""},       // credit 250.50
            {"401-1", jan, 40000, 0, "FZ 1", ""},        // debit 400.00
            {"402-1", feb, 12345, 2345, "FZ 2", ""},     // debit 123.45, credit 23.45
            {"402-2", feb, 1000, 3000, "FZ 3", ""},      // credit balance 20.00
            {"700-01", fromDate(2017, 1, 2), 0, 999900, "FV 2017", ""},  // next year
        }));
    }

    std::string header(int company, int templateId, int period, int pattern = 0) {
        return db.value("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (" + std::to_string(company) + ",0,7," +
                        std::to_string(templateId) + "," + std::to_string(period) + "," +
                        std::to_string(pattern) + ")");
    }
    void define(const std::string& table, const std::string& owner, const std::string& code,
                int lp, const std::string& mask, const std::string& measure, int sign) {
        db.exec("insert into " + table + " values (" + owner + ", 'DD', '" + code + "', " +
                std::to_string(lp) + ", '" + mask + "', '" + measure + "', " +
                std::to_string(sign) + ")");
    }
    std::string compute(const std::string& id, const std::string& code, int from, int to) {
        return db.value("CALL ZESTAWIENIE_DD_OBLICZ (5," + std::to_string(from) + "," +
                        std::to_string(to) + "," + id + ",'" + code + "',7,'')");
    }
    std::vector<std::string> messages() {
        auto r = db->run("select tekst from KOMUNIKAT where kontekst='ZESTAW' AND id_uzytkownika=7 "
                         "order by id_komunikat");
        std::vector<std::string> out;
        if (r) for (const auto& row : r->rows) out.push_back(row[0].value_or(""));
        return out;
    }

    testing::TempDatabase db;
    const int year2016 = fromDate(2016, 1, 1);
    const int end2016 = fromDate(2016, 12, 31);
};

TEST_F(ProceduresTest, HeaderNumbersIdGloballyAndLpPerCompanyPeriodAndForm) {
    const int p1 = fromDate(2016, 12, 2);
    const int p2 = fromDate(2015, 12, 2);
    EXPECT_EQ(header(5, 73, p1), "1");
    EXPECT_EQ(header(5, 73, p1), "2");
    EXPECT_EQ(header(6, 73, p1), "3");   // other company
    EXPECT_EQ(header(5, 72, p2), "4");   // other period
    EXPECT_EQ(header(5, 201, p1), "5");  // other form type
    const std::pair<const char*, const char*> lp[] = {{"1", "1"}, {"2", "2"}, {"3", "1"},
                                                      {"4", "1"}, {"5", "1"}};
    for (const auto& [id, expected] : lp) {
        EXPECT_EQ(db.value(std::string("select LP from DEKLARACJE_NAG where ID_DEKLARACJE_NAG=") + id),
                  expected) << id;
    }
    auto r = db->run("select ID_DEKLARACJE_WZORZEC, ID_FIRMY, DATA_OKRESU, ID_UDZIALOWCA, "
                     "NR_DEKLARACJI, DATA_SYSTEMOWA, DATA_SYSTEMOWA_P, ID_UZYT, BLOKADA, "
                     "STATUS_2, INFO_2 from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = 5");
    ASSERT_TRUE(r);
    const std::vector<std::optional<std::string>> expected = {
        "201", "5", std::to_string(p1), "0", "0", std::to_string(today()), "0",
        "ANOWAK", "", "0", "CIT-ST"};
    EXPECT_EQ(r->rows.at(0), expected);
    EXPECT_EQ(db.value("select INFO_2 from DEKLARACJE_NAG where ID_DEKLARACJE_NAG=1"), "CIT-8");
}

TEST_F(ProceduresTest, HeaderForUnknownTemplateIsRefusedAndWritesNothing) {
    auto r = db->run("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (5,0,7,99,78867,0)");
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().find("99"), std::string::npos);
    EXPECT_EQ(db.value("select count(*) from DEKLARACJE_NAG"), "0");
    EXPECT_EQ(db->transactionDepth(), 0);
    EXPECT_FALSE(db->run("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (5,0,7)"));
    EXPECT_FALSE(db->run("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (5,0,7,'x',78867,0)"));
}

TEST_F(ProceduresTest, ArgumentsAreCheckedAgainstTheProcedureListBeforeItRuns) {
    const std::pair<const char*, const char*> cases[] = {
        {"CALL ZESTAWIENIE_DEKLARACJA_DODAJ (5,0,7)",
         "ZESTAWIENIE_DEKLARACJA_DODAJ: oczekiwano 6 argumentów, podano 3"},
        {"CALL ZESTAWIENIE_DEKLARACJA_DODAJ (5,0,7,'x',78867,0)",
         "ZESTAWIENIE_DEKLARACJA_DODAJ: argument 4 (wzorzec) nie jest liczbą całkowitą: x"},
        {"CALL ZESTAWIENIE_DD_OBLICZ (5,1,2,3,'31',7,'',8)",
         "ZESTAWIENIE_DD_OBLICZ: oczekiwano 6–7 argumentów, podano 8"},
        {"CALL DEKLARACJE_OBLICZ_SUME (5,0,4,0,1.5,1)",
         "DEKLARACJE_OBLICZ_SUME: argument 5 (do) nie jest liczbą całkowitą: 1.5"},
        {"CALL TG_UPGRADE7810_PITCIT ()", "TG_UPGRADE7810_PITCIT: oczekiwano 1 argumentów, podano 0"},
        {"select dbo.TG_GetMalyPodatnikStan(5, 'dziś')",
         "TG_GetMalyPodatnikStan: argument 2 (dzien) nie jest liczbą całkowitą: dziś"},
    };
    for (const auto& [call, message] : cases) {
        auto r = db->run(call);
        ASSERT_FALSE(r) << call;
        EXPECT_EQ(r.error(), message) << call;
    }
    EXPECT_EQ(db.value("select count(*) from DEKLARACJE_NAG"), "0");
}

TEST_F(ProceduresTest, DefinitionsComeFromPatternOrDefaults) {
    define("ZESTAWIENIE_DEFINICJA_WZORCA", "73", "31", 1, "70*", "MA", 1);
    define("ZESTAWIENIE_DEFINICJA_WZORCA", "73", "O8", 1, "402-1", "WN", 1);
    define("ZESTAWIENIE_DEFINICJA_WZORCA", "72", "30", 1, "700-02", "MA", 1);
    const std::string fresh = header(5, 73, 78867);
    EXPECT_EQ(db.value("select count(*) from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag=" + fresh), "2");

    // A user's own definition in the pattern travels to the copy.
    db.exec("update ZESTAWIENIE_DEFINICJA set maska='700-01' where id_deklaracje_nag=" + fresh +
            " AND kod='31'");
    const std::string copy = header(5, 73, 78867, std::stoi(fresh));
    EXPECT_EQ(db.value("select maska from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag=" + copy +
                       " AND kod='31'"),
              "700-01");

    // A CIT-8 (23) pattern gives a CIT-8 (24) its definitions under the moved codes.
    const std::string old = header(5, 72, 78501);
    const std::string moved = header(5, 73, 78867, std::stoi(old));
    EXPECT_EQ(db.value("select maska from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag=" + moved +
                       " AND kod='31'"),
              "700-02");

    // A pattern of another form family falls back to the defaults.
    const std::string st = header(5, 201, 78867);
    const std::string other = header(5, 73, 78867, std::stoi(st));
    EXPECT_EQ(db.value("select count(*) from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag=" + other), "2");

    // The service function restores the defaults.
    db.exec("call TG_UPGRADE7810_PITCIT(" + copy + ")");
    EXPECT_EQ(db.value("select maska from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag=" + copy +
                       " AND kod='31'"),
              "70*");
}

TEST_F(ProceduresTest, StatementEvaluatesEachMeasureMaskAndSign) {
    struct Case {
        const char* code;
        std::vector<std::tuple<const char*, const char*, int>> terms;
        const char* expected;
    };
    const Case cases[] = {
        {"A", {{"700-01", "MA", 1}}, "1000.00"},
        {"B", {{"700-01", "WN", 1}}, "50.00"},
        {"C", {{"70*", "SMA", 1}}, "1200.50"},            // 950.00 + 250.50
        {"D", {{"4?\?-?", "SWN", 1}}, "500.00"},            // 400.00 + 100.00; 402-2 has credit
        {"E", {{"4?\?-?", "SMA", 1}}, "20.00"},
        {"F", {{"70*", "MA", 1}, {"4*", "WN", -1}}, "717.05"},  // 1250.50 - 533.45
        {"G", {{"700-0?", "MA", 1}, {"700-01", "WN", -1}}, "1200.50"},
        {"H", {{"401-1", "WN", 1}, {"401-1", "WN", 1}}, "800.00"},
        {"I", {{"?0*-01", "MA", 1}}, "1000.00"},
    };
    const std::string id = header(5, 201, 78867);
    for (const Case& c : cases) {
        int lp = 0;
        for (const auto& [mask, measure, sign] : c.terms) {
            define("ZESTAWIENIE_DEFINICJA", id, c.code, ++lp, mask, measure, sign);
        }
        EXPECT_EQ(compute(id, c.code, year2016, end2016), c.expected) << c.code;
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(ProceduresTest, StatementPeriodBoundsIncludeBothEndsAndPartialMonths) {
    const std::string id = header(5, 201, 78867);
    define("ZESTAWIENIE_DEFINICJA", id, "31", 1, "700*", "MA", 1);
    const struct {
        int from;
        int to;
        const char* expected;
    } cases[] = {
        {fromDate(2016, 1, 15), fromDate(2016, 1, 15), "1000.00"},  // one day
        {fromDate(2016, 1, 16), fromDate(2016, 12, 30), "0.00"},    // between postings
        {fromDate(2016, 1, 10), fromDate(2016, 12, 31), "1250.50"}, // partial first month
        {fromDate(2015, 12, 1), fromDate(2016, 1, 31), "1000.00"},  // across a year
        {fromDate(2016, 1, 1), fromDate(2017, 1, 2), "11249.50"},   // partial last month
        {fromDate(2016, 2, 1), fromDate(2016, 1, 1), "0.00"},       // empty period
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compute(id, "31", c.from, c.to), c.expected) << c.from << ".." << c.to;
    }
}

TEST_F(ProceduresTest, StatementProblemsBecomeMessagesForTheUser) {
    const std::string id = header(5, 201, 78867);
    define("ZESTAWIENIE_DEFINICJA", id, "32", 1, "999*", "MA", 1);
    define("ZESTAWIENIE_DEFINICJA", id, "32", 2, "700-01", "MA", 1);
    define("ZESTAWIENIE_DEFINICJA", id, "33", 1, "700-01", "XX", 1);
    EXPECT_EQ(compute(id, "31", year2016, end2016), "0.00");
    EXPECT_EQ(compute(id, "32", year2016, end2016), "1000.00");
    EXPECT_EQ(compute(id, "33", year2016, end2016), "0.00");
    const auto m = messages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0], "Brak definicji zestawienia dla pola 31.");
    EXPECT_NE(m[1].find("999*"), std::string::npos);
    EXPECT_NE(m[2].find("XX"), std::string::npos);
    db.exec("delete from KOMUNIKAT where kontekst = 'ZESTAW' AND id_uzytkownika = 7");
    EXPECT_TRUE(messages().empty());
}

TEST_F(ProceduresTest, SumOfComponentsCountsDaysAfterStartUpToEnd) {
    const int d1 = fromDate(2016, 3, 1);
    db.exec("insert into DEKLARACJE_SKLADOWE_O (id_deklaracje_odliczenie, operator, wartosc, "
            "data_odliczenia, id_firmy, id_udzialowca) values "
            "(4, '+', '1000.00', " + std::to_string(d1) + ", 5, 0), "
            "(4, '+', '0.10', " + std::to_string(d1 + 10) + ", 5, 0), "
            "(4, '-', '200.05', " + std::to_string(d1 + 20) + ", 5, 0), "
            "(4, '+', '7.00', " + std::to_string(d1 + 20) + ", 6, 0), "
            "(4, '+', '9.00', " + std::to_string(d1 + 20) + ", 5, 3), "
            "(5, '+', '11.00', " + std::to_string(d1 + 20) + ", 5, 0)");
    auto sum = [&](int after, int to) {
        return db.value("CALL DEKLARACJE_OBLICZ_SUME (5,0,4," + std::to_string(after) + "," +
                        std::to_string(to) + ",1,'CIT')");
    };
    EXPECT_EQ(sum(d1 - 1, d1 + 20), "800.05");
    EXPECT_EQ(sum(d1, d1 + 20), "-199.95");   // the day given is before the period
    EXPECT_EQ(sum(d1 - 1, d1 + 19), "1000.10");
    db.exec("insert into DEKLARACJE_SKLADOWE_O (id_deklaracje_odliczenie, operator, wartosc, "
            "data_odliczenia, id_firmy, id_udzialowca) values (4, '*', '2', " +
            std::to_string(d1) + ", 5, 0)");
    EXPECT_FALSE(db->run("CALL DEKLARACJE_OBLICZ_SUME (5,0,4,0,99999,1,'CIT')"));
    EXPECT_FALSE(db->run("CALL DEKLARACJE_OBLICZ_SUME (5,0,4,0,99999,2,'CIT')"));
}

TEST_F(ProceduresTest, IncomeSourceGivesRevenueCostsAndIncome) {
    db.exec("insert into DEKLARACJE_DOCHOD (id_deklaracje_dochod, id_firmy, maska_przychodow, "
            "maska_kosztow) values (1, 5, '700-01, 700-02', '40*')");
    auto r = db->run("CALL DEKLARACJE_OBLICZ_SUME (5,0,1," + std::to_string(year2016 - 1) + "," +
                     std::to_string(end2016) + ",0,'CIT')");
    ASSERT_TRUE(r) << r.error();
    const std::vector<std::optional<std::string>> expected = {"1200.50", "500.00", "700.50"};
    EXPECT_EQ(r->rows.at(0), expected);
}

TEST_F(ProceduresTest, SmallTaxpayerStatusByYear) {
    db.exec("insert into MALY_PODATNIK (id_firmy, rok, stan) values (5, 2017, 1)");
    EXPECT_EQ(db.value("select dbo.TG_GetMalyPodatnikStan(5, " +
                       std::to_string(fromDate(2017, 12, 31)) + ")"), "1");
    EXPECT_EQ(db.value("select dbo.TG_GetMalyPodatnikStan(5, " +
                       std::to_string(fromDate(2016, 12, 31)) + ")"), "0");
    EXPECT_EQ(db.value("select dbo.TG_GetMalyPodatnikStan(6, 79000)"), "0");
}

TEST_F(ProceduresTest, ConcurrentHeadersFromSeveralConnectionsGetUniqueIdsAndLps) {
    constexpr int kThreads = 4;
    constexpr int kEach = 16;
    std::vector<std::vector<std::string>> ids(kThreads);
    std::vector<std::string> errors(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            auto conn = sql::HostDatabase::open(db.path());
            if (!conn) {
                errors[t] = conn.error();
                return;
            }
            for (int i = 0; i < kEach; ++i) {
                // Two companies, so that LP runs on in each of them.
                auto r = (*conn)->run("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (" +
                                      std::to_string(5 + i % 2) + ",0,7,73,78867,0)");
                if (!r) {
                    errors[t] = r.error();
                    return;
                }
                ids[t].push_back(*r->rows.at(0).at(0));
            }
        });
    }
    for (auto& th : threads) th.join();
    for (const auto& e : errors) EXPECT_EQ(e, "");
    std::set<std::string> all;
    for (const auto& v : ids) all.insert(v.begin(), v.end());
    EXPECT_EQ(all.size(), static_cast<std::size_t>(kThreads * kEach));
    for (int company : {5, 6}) {
        const std::string c = std::to_string(company);
        EXPECT_EQ(db.value("select count(distinct LP) from DEKLARACJE_NAG where ID_FIRMY=" + c),
                  std::to_string(kThreads * kEach / 2));
        EXPECT_EQ(db.value("select max(LP) from DEKLARACJE_NAG where ID_FIRMY=" + c),
                  std::to_string(kThreads * kEach / 2));
    }
}

}  // namespace
}  // namespace refhost::db
