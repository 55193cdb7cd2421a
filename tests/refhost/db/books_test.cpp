#include "refhost/db/books.h"

#include <fstream>

#include <gtest/gtest.h>

#include "citforms/values/day_number.h"
#include "refhost/db/statement_feeds.h"
#include "test_database_support.h"

namespace refhost::db {

using citforms::values::fromDate;

namespace {

TEST(MaskTest, WildcardsMatchAsInTheChartOfAccounts) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"70*", "700-01", true},   {"70*", "70", true},       {"70*", "7", false},
        {"4?\?-1*", "401-1", true}, {"4?\?-1*", "401-12", true}, {"4?\?-1*", "41-1", false},
        {"4?\?-1*", "402-2", false}, {"*-01", "700-01", true},  {"*", "", true},
        {"700-01", "700-01", true}, {"700-01", "700-011", false}, {"7*0*1", "700-01", true},
        {"?", "", false},
    };
    for (const auto& [mask, account, expected] : cases) {
        EXPECT_EQ(maskMatches(mask, account), expected) << mask << " / " << account;
    }
}

class BooksTest : public ::testing::Test {
protected:
    testing::TempDatabase db;
    Books books{*db};
};

TEST_F(BooksTest, TurnoversFollowThePostingsAndMatchARebuild) {
    ASSERT_TRUE(books.addAccount(1, "700-01", "Sprzedaż"));
    ASSERT_TRUE(books.postAll(1, {{"700-01", fromDate(2016, 1, 5), 0, 1000, "", ""},
                                  {"700-01", fromDate(2016, 1, 31), 50, 2000, "", ""},
                                  {"700-01", fromDate(2016, 2, 1), 0, 7, "", ""}}));
    auto before = db->runNative("select okres, obroty_wn, obroty_ma from OBROTY order by okres");
    ASSERT_TRUE(before);
    ASSERT_EQ(before->rows.size(), 2u);
    EXPECT_EQ(before->rows[0][2], std::optional<std::string>("3000"));
    EXPECT_EQ(before->rows[0][1], std::optional<std::string>("50"));
    ASSERT_TRUE(books.rebuildTurnovers(1));
    auto after = db->runNative("select okres, obroty_wn, obroty_ma from OBROTY order by okres");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->rows, before->rows);
}

TEST_F(BooksTest, AccountFeedsNameTheCodesWhoseMasksTakeEachAccountWithTurnover) {
    // The chart's type decides before the group: a typed 870 is a result account, a 400
    // typed as a balance account is not; without a type the groups 4, 5 and 7 are.
    EXPECT_TRUE(isResultAccount("Wynikowe", "870-01"));
    EXPECT_FALSE(isResultAccount("bilansowe", "400-01"));
    EXPECT_TRUE(isResultAccount("", "501"));
    EXPECT_FALSE(isResultAccount("", "201-01"));

    for (const char* a : {"401-1", "400-90", "700-01", "130-01", "409-9"})
        ASSERT_TRUE(books.addAccount(1, a, std::string("konto ") + a));
    const int day = fromDate(2016, 3, 10);
    ASSERT_TRUE(books.postAll(1, {{"401-1", day, 500, 0, "", ""},
                                  {"400-90", day, 123450, 0, "", ""},
                                  {"700-01", day, 0, 900, "", ""},
                                  {"130-01", day, 900, 500, "", ""}}));
    const std::vector<DefinitionTerm> terms = {
        {"36", "4?\?-1*"}, {"31", "700*"}, {"31", "7*"}, {"99", "4?\?-1*"}};
    auto feeds = accountFeeds(*db, 1, fromDate(2016, 1, 1), fromDate(2016, 12, 31), terms);
    ASSERT_TRUE(feeds) << feeds.error();
    ASSERT_EQ(feeds->size(), 4u);  // 409-9 has no turnover
    const std::vector<AccountFeed>& f = *feeds;
    EXPECT_EQ(f[0].account, "130-01");
    EXPECT_FALSE(f[0].result);
    EXPECT_EQ(f[1].account, "400-90");
    EXPECT_EQ(f[1].debit, 123450);
    EXPECT_TRUE(f[1].codes.empty());
    EXPECT_EQ(f[2].codes, (std::vector<std::string>{"36", "99"}));
    EXPECT_EQ(f[3].codes, std::vector<std::string>{"31"});  // each code once

    const std::vector<AccountFeed> unfed = unfedResultAccounts(f);
    ASSERT_EQ(unfed.size(), 1u);
    EXPECT_EQ(unfed[0].account, "400-90");
    EXPECT_EQ(unfed[0].name, "konto 400-90");
}

TEST_F(BooksTest, StatementSourcesAddUpToTheStatementOverPartialMonthsAndPageThePostings) {
    for (const char* a : {"401-1", "402-1", "409-1", "700-01"})
        ASSERT_TRUE(books.addAccount(1, a, std::string("konto ") + a));
    // Whole February from the turnovers, the edges of January and March from the postings;
    // the posting of 5 January lies outside the period.
    ASSERT_TRUE(books.postAll(1, {{"401-1", fromDate(2016, 1, 5), 999, 0, "A", ""},
                                  {"401-1", fromDate(2016, 1, 20), 1000, 0, "B", ""},
                                  {"402-1", fromDate(2016, 2, 10), 250, 40, "C", ""},
                                  {"409-1", fromDate(2016, 2, 11), 100, 300, "D", ""},
                                  {"409-1", fromDate(2016, 3, 1), 500, 0, "E", "ostatni"},
                                  {"700-01", fromDate(2016, 3, 2), 0, 7000, "F", ""}}));
    // 409-1's balance is on the debit side (600 - 300), so SWN takes 300 with a minus; an
    // unknown measure and a mask of no account add nothing.
    for (const char* row : {"(7, 'DD', '36', 1, '4?\?-1*', 'WN', 1)",
                            "(7, 'DD', '36', 2, '409*', 'SWN', -1)",
                            "(7, 'DD', '36', 3, '700*', 'XX', 1)",
                            "(7, 'DD', '36', 4, '999*', 'MA', 1)"}) {
        ASSERT_TRUE(db->runNative(std::string("insert into ZESTAWIENIE_DEFINICJA "
                                              "(id_deklaracje_nag, rodzaj, kod, lp, maska, miara, "
                                              "znak) values ") + row));
    }
    const int from = fromDate(2016, 1, 15);
    const int to = fromDate(2016, 3, 10);
    auto sources = statementSources(*db, 1, from, to, 7, "36");
    ASSERT_TRUE(sources) << sources.error();
    ASSERT_EQ(sources->terms.size(), 4u);
    EXPECT_EQ(sources->total, 1000 + 250 + 600 - 300);
    std::int64_t sum = 0;
    for (const SourceTerm& t : sources->terms)
        for (const SourceAccount& a : t.accounts) sum += a.taken;
    EXPECT_EQ(sum, sources->total);
    EXPECT_EQ(sources->terms[1].accounts.at(0).taken, -300);
    EXPECT_FALSE(sources->terms[2].known);
    EXPECT_TRUE(sources->terms[2].accounts.empty());
    EXPECT_FALSE(sources->terms[3].matchesChart);

    // The same total as the statement itself gives for the code.
    auto totals = books.totals(1, from, to);
    auto chart = books.chart(1);
    ASSERT_TRUE(totals && chart);
    const Evaluation e = evaluate({{"4?\?-1*", Measure::DebitTurnover, 1},
                                   {"409*", Measure::DebitBalance, -1}},
                                  *chart, *totals);
    EXPECT_EQ(e.amount, sources->total);

    long long count = 0;
    bool more = true;
    auto page = accountPostings(*db, 1, {"401-1", "409-1"}, from, to, 1, 5, &more, &count);
    ASSERT_TRUE(page) << page.error();
    EXPECT_EQ(count, 3);
    EXPECT_FALSE(more);
    ASSERT_EQ(page->size(), 2u);
    EXPECT_EQ((*page)[0].document, "D");
    EXPECT_EQ((*page)[1].description, "ostatni");
    auto first = accountPostings(*db, 1, {"401-1", "409-1"}, from, to, 0, 1, &more);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), 1u);
    EXPECT_TRUE(more);

    auto undefined = statementSources(*db, 1, from, to, 7, "37");
    ASSERT_TRUE(undefined);
    EXPECT_TRUE(undefined->terms.empty());
}

TEST_F(BooksTest, TurnoversThatWouldLeaveTheColumnsRangeAreRefused) {
    ASSERT_TRUE(books.addAccount(1, "700-01", "Sprzedaż"));
    const std::int64_t big = 999'999'999'999'999'999;  // the largest amount a posting takes
    const Posting sale{"700-01", fromDate(2016, 1, 5), 0, big, "", ""};
    ASSERT_TRUE(books.postAll(1, std::vector<Posting>(9, sale)));  // still within 64 bits
    const std::string before = db.value("select obroty_ma from OBROTY");
    const Status st = books.post(1, sale);
    ASSERT_FALSE(st);
    EXPECT_NE(st.error().find("obroty konta 700-01 za 2016-01 przekroczyłyby zakres kwot"),
              std::string::npos)
        << st.error();
    EXPECT_EQ(db.value("select obroty_ma from OBROTY"), before);
    EXPECT_EQ(db.value("select count(*) from KSIEGOWANIA"), "9");
}

TEST_F(BooksTest, ImportsChartAndPostingsFromText) {
    const std::string text =
        "\xEF\xBB\xBF# plan kont i dekrety stycznia\r\n"
        "KONTO;700-01;Sprzedaż produktów – kraj\r\n"
        "KONTO;201-01;\"Rozrachunki; odbiorcy\"\r\n"
        "\r\n"
        "DEKRET;2016-01-31;201-01;12500,00;;FV 1/01/2016;\"Sprzedaż mąki \"\"Wrocławskiej\"\"\"\n"
        "dekret;2016-01-31;700-01;;12500.00;FV 1/01/2016;Sprzedaż\n";
    auto n = books.importText(3, text);
    ASSERT_TRUE(n) << n.error();
    EXPECT_EQ(*n, 2);
    EXPECT_EQ(db.value("select nazwa from KONTA where id_firmy=3 AND nr_konta='201-01'"),
              "Rozrachunki; odbiorcy");
    EXPECT_EQ(db.value("select opis from KSIEGOWANIA where nr_konta='201-01'"),
              "Sprzedaż mąki \"Wrocławskiej\"");
    auto totals = books.totals(3, fromDate(2016, 1, 1), fromDate(2016, 1, 31));
    ASSERT_TRUE(totals);
    EXPECT_EQ(totals->at("201-01").debit, 1250000);
    EXPECT_EQ(totals->at("700-01").credit, 1250000);
}

TEST_F(BooksTest, ImportErrorNamesTheLineAndLeavesTheBooksUnchanged) {
    const std::pair<const char*, const char*> cases[] = {
        {"KONTO;700-01;x\nDEKRET;2016-02-30;700-01;1;0\n", "Wiersz 2"},
        {"KONTO;700-01;x\nDEKRET;2016-02-01;999;1;0\n", "999"},
        {"KONTO;700-01;x\nDEKRET;2016-02-01;700-01;1.234;0\n", "1.234"},
        {"KONTO;700-01;x\nSALDO;1\n", "SALDO"},
        {"KONTO;700-01;\"x\n", "cudzysłów"},
    };
    for (const auto& [text, fragment] : cases) {
        auto n = books.importText(4, text);
        ASSERT_FALSE(n) << text;
        EXPECT_NE(n.error().find(fragment), std::string::npos) << n.error();
        EXPECT_EQ(db.value("select count(*) from KONTA where id_firmy=4"), "0");
        EXPECT_EQ(db.value("select count(*) from KSIEGOWANIA where id_firmy=4"), "0");
    }
}

TEST_F(BooksTest, ImportsFromFile) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/ksiegi.csv").toStdString();
    std::ofstream(path) << "KONTO;130-01;Bank\nDEKRET;2016-03-01;130-01;10.01;0.01;WB 1;Wpłata\n";
    auto n = books.importFile(2, path);
    ASSERT_TRUE(n) << n.error();
    EXPECT_EQ(*n, 1);
    EXPECT_FALSE(books.importFile(2, path + ".brak"));
}

}  // namespace
}  // namespace refhost::db
