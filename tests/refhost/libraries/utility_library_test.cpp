#include "refhost/libraries/utility_library.h"

#include <gtest/gtest.h>

#include "citforms/values/day_number.h"
#include "refhost/libraries/test_host.h"

namespace refhost::libraries::testing {
namespace {

using citforms::host::ResultFileId;
using citforms::host::ResultRow;

std::string repeat(std::string_view piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += piece;
    return out;
}

std::size_t codePoints(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

class UtilityLibrary : public TestHost {
protected:
    HostUtilityLibrary& utility() { return host_->utility(); }
    citforms::host::ResultFile& file(ResultFileId id) { return host_->data().result(id); }
};

TEST_F(UtilityLibrary, CutsColumnsToTheWidthsOfEachResultFile) {
    // Two-byte letters make sure the cut counts characters, not bytes.
    const std::string statement = "select '" + repeat("ż", 3500) + "', '" + repeat("a", 600) + "'";
    struct Case {
        ResultFileId file;
        std::size_t first;
        std::size_t second;
    };
    for (const Case& c :
         {Case{ResultFileId::ZAPYTANIESQL, 255, 255}, Case{ResultFileId::ZAPYTANIESQL1, 255, 255},
          Case{ResultFileId::VAX_FK, 255, 255}, Case{ResultFileId::VAY_FK, 500, 255},
          Case{ResultFileId::VAZ_FK, 3000, 255}}) {
        ASSERT_TRUE(utility().execInto(c.file, statement));
        ResultRow row;
        ASSERT_TRUE(file(c.file).next(row));
        EXPECT_EQ(codePoints(row.column(0)), c.first) << citforms::host::resultFileName(c.file);
        EXPECT_EQ(row.column(0), repeat("ż", static_cast<int>(c.first)));
        EXPECT_EQ(row.column(1).size(), c.second);
        EXPECT_FALSE(file(c.file).next(row));
    }
}

TEST_F(UtilityLibrary, ResultFilesAreSeparateAndReadInOrder) {
    ASSERT_TRUE(utility().EXECVAX("select 1 union all select 2 union all select 3"));
    ASSERT_TRUE(utility().EXECSQL("select 'x'"));
    ResultRow row;
    std::vector<std::string> seen;
    while (file(ResultFileId::VAX_FK).next(row)) seen.push_back(row.column(0));
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3"}));
    ASSERT_TRUE(file(ResultFileId::ZAPYTANIESQL).next(row));
    EXPECT_EQ(row.column(0), "x");
}

TEST_F(UtilityLibrary, FailedStatementEmptiesItsFileAndLeavesTheEngineText) {
    ASSERT_TRUE(utility().EXECVAX("select 1"));
    EXPECT_FALSE(utility().EXECVAX("select nic from BRAK_TAKIEJ_TABELI"));
    EXPECT_EQ(file(ResultFileId::VAX_FK).rowCount(), 0u);
    EXPECT_EQ(utility().errorStatus().code, kErrorDatabase);
    EXPECT_NE(utility().fileErrorText().find("BRAK_TAKIEJ_TABELI"), std::string::npos)
        << utility().fileErrorText();
    // The next good statement clears the status; nothing was shown to the user.
    ASSERT_TRUE(utility().EXECVAX("select 1"));
    EXPECT_EQ(utility().errorStatus().code, 0);
    EXPECT_TRUE(utility().fileErrorText().empty());
    EXPECT_EQ(transcript(), "");
}

TEST_F(UtilityLibrary, FuncvayGivesTheFirstValueOrEmptyText) {
    EXPECT_EQ(utility().FUNCVAY("select 42, 43"), "42");
    EXPECT_EQ(utility().FUNCVAY("select id_firmy from FIRMA where id_firmy = -5"), "");
    EXPECT_EQ(utility().errorStatus().code, 0);
    EXPECT_EQ(utility().FUNCVAY("select isnull(max(LP),0)+1 from DEKLARACJE_NAG"), "1");
    EXPECT_EQ(utility().FUNCVAY("select zle from"), "");
    EXPECT_NE(utility().errorStatus().code, 0);
}

TEST_F(UtilityLibrary, FuncvayLeavesTheRowsOfVayAlone) {
    ASSERT_TRUE(utility().EXECVAY("select 1 union all select 2"));
    ResultRow row;
    ASSERT_TRUE(file(ResultFileId::VAY_FK).next(row));
    EXPECT_EQ(utility().FUNCVAY("select 99"), "99");
    ASSERT_TRUE(file(ResultFileId::VAY_FK).next(row));
    EXPECT_EQ(row.column(0), "2");
}

TEST_F(UtilityLibrary, LogAddStoresApostrophesAndPolishLettersIntact) {
    const std::string text = "Usunięcie (anuluj) deklaracji CIT-8, id: 5; O'Brien's \"żółć\"";
    utility().LOG_ADD(5, text, "X", "U");
    EXPECT_EQ(utility().errorStatus().code, 0) << utility().fileErrorText();
    const auto stored = rows(
        "select tekst, kategoria, operacja, id_uzytkownika, id_uzyt, id_deklaracje_nag, data, czas "
        "from DZIENNIK");
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0][0], text);
    EXPECT_EQ(stored[0][1], "X");
    EXPECT_EQ(stored[0][2], "U");
    EXPECT_EQ(stored[0][3], "7");
    EXPECT_EQ(stored[0][4], "JK");
    EXPECT_EQ(stored[0][5], "5");
    EXPECT_EQ(stored[0][6], std::to_string(citforms::values::today()));
    EXPECT_EQ(stored[0][7].size(), 8u);  // hh:mm:ss
}

TEST_F(UtilityLibrary, MessagesCarryTheirTitlesIconsAndButtons) {
    ui_->addAnswer({0, "Nie"});
    utility().MSG_INF("Zapisano.");
    utility().MSG_OST("Błąd zapisu");
    EXPECT_EQ(utility().MSG_WYKONAJ("Tabrix: Pytanie", "Usunąć?"), 0);
    EXPECT_EQ(utility().MSG_WYKONAJ("", "Dalej?"), 1);     // script exhausted: default Tak
    EXPECT_EQ(utility().MSG_WYKONAJ("", "Dalej?", 1), 0);  // "no" made the default
    EXPECT_EQ(transcript(),
              "message\tTabrix: Informacja\tinformation\tZapisano.\t&OK\t1\tOK\tsingle\n"
              "message\tTabrix: Ostrzeżenie\twarning\tBłąd zapisu\t&OK\t1\tOK\tsingle\n"
              "message\tTabrix: Pytanie\tquestion\tUsunąć?\t&Tak|&Nie\t2\tNie\tscript\n"
              "message\tTabrix: Pytanie\tquestion\tDalej?\t&Tak|&Nie\t1\tTak\tdefault\n"
              "message\tTabrix: Pytanie\tquestion\tDalej?\t&Tak|&Nie\t2\tNie\tdefault\n");
}

TEST_F(UtilityLibrary, NamesMonthsAndFormatsDates) {
    struct Case {
        int month;
        int year;
        const char* name;
    };
    for (const Case& c : {Case{1, 0, "styczeń"}, Case{2, 2024, "luty 2024"}, Case{6, 0, "czerwiec"},
                          Case{10, 2023, "październik 2023"}, Case{12, 2024, "grudzień 2024"},
                          Case{0, 2024, ""}, Case{13, 0, ""}}) {
        EXPECT_EQ(utility().NAZWA_MIESIACA(c.month, c.year), c.name) << c.month;
    }
    EXPECT_EQ(utility().FORMATDATA(4), "01-01-1801");
    EXPECT_EQ(utility().FORMATDATA(citforms::values::fromDate(2024, 2, 29)), "29-02-2024");
    EXPECT_EQ(utility().FORMATDATA(0), "");
}

TEST_F(UtilityLibrary, JoinsTheNameAndAddressOfATaxOffice) {
    rows(
        "insert into URZEDY (ID_URZEDU, NAZWA, ULICA, NR_DOMU, MIEJSCOWOSC, KOD_POCZTOWY) "
        "values (901, 'Urząd Skarbowy Łódź-Bałuty', 'ul. Lutomierska', '5', 'Łódź', '91-035')");
    rows("insert into URZEDY (ID_URZEDU, NAZWA, MIEJSCOWOSC) values (902, 'US Ełk', 'Ełk')");
    EXPECT_EQ(utility().GET_NAZWA_ADRES_URZEDU(1, 901),
              "Urząd Skarbowy Łódź-Bałuty, ul. Lutomierska 5, 91-035 Łódź");
    EXPECT_EQ(utility().GET_NAZWA_ADRES_URZEDU(1, 902), "US Ełk, Ełk");
    EXPECT_EQ(utility().GET_NAZWA_ADRES_URZEDU(1, 903), "");
}

TEST_F(UtilityLibrary, ShowsTheStatementMessagesOfTheCurrentUserOnly) {
    utility().INFO_ZESTAWIENIE(1);
    EXPECT_EQ(transcript(), "");  // nothing to show, no box
    rows(
        "insert into KOMUNIKAT (kontekst, id_uzytkownika, tekst, data) values "
        "('ZESTAW', 7, 'Brak definicji zestawienia P_45', 0)");
    rows(
        "insert into KOMUNIKAT (kontekst, id_uzytkownika, tekst, data) values "
        "('ZESTAW', 8, 'cudzy komunikat', 0)");
    rows(
        "insert into KOMUNIKAT (kontekst, id_uzytkownika, tekst, data) values "
        "('INNY', 7, 'inny kontekst', 0)");
    rows(
        "insert into KOMUNIKAT (kontekst, id_uzytkownika, tekst, data) values "
        "('ZESTAW', 7, 'Konto 701 nie istnieje', 0)");
    utility().INFO_ZESTAWIENIE(1);
    EXPECT_EQ(transcript(),
              "message\tTabrix: Informacja\tinformation\tBrak definicji zestawienia P_45|"
              "Konto 701 nie istnieje\t&OK\t1\tOK\tsingle\n");
}

TEST_F(UtilityLibrary, SmallTextServices) {
    EXPECT_EQ(utility().TYLKO_CYFRY("PL 525-000-12-34"), "5250001234");
    EXPECT_EQ(utility().TYLKO_CYFRY("brak"), "");
    EXPECT_EQ(utility().ZAMIEN_ZNAK("\"", "'", "Spółka \"Alfa\""), "Spółka 'Alfa'");
    EXPECT_EQ(utility().ZAMIEN_ZNAK("ź", "z", "źdźbło"), "zdzbło");
    EXPECT_EQ(utility().ZAMIEN_ZNAK("", "x", "abc"), "abc");
    EXPECT_EQ(utility().STR_REPLICATE("-", 4), "----");
    EXPECT_EQ(utility().STR_REPLICATE("ł", 3), "łłł");
    EXPECT_EQ(utility().STR_REPLICATE("-", -1), "");
}

TEST_F(UtilityLibrary, TransactionsCommitOrRollBackTogether) {
    ASSERT_TRUE(utility().beginTransaction());
    ASSERT_TRUE(
        utility().EXECSQL("insert into KOMUNIKAT (kontekst, id_uzytkownika, tekst, data) "
                          "values ('T', 1, 'wycofany', 0)"));
    utility().rollbackTransaction();
    ASSERT_TRUE(utility().beginTransaction());
    ASSERT_TRUE(utility().beginTransaction());  // nested: joins the outer one
    ASSERT_TRUE(
        utility().EXECSQL("insert into KOMUNIKAT (kontekst, id_uzytkownika, tekst, data) "
                          "values ('T', 1, 'zapisany', 0)"));
    ASSERT_TRUE(utility().commitTransaction());
    ASSERT_TRUE(utility().commitTransaction());
    EXPECT_EQ(rows("select tekst from KOMUNIKAT where kontekst = 'T'"),
              (std::vector<std::vector<std::string>>{{"zapisany"}}));
    EXPECT_FALSE(utility().commitTransaction());  // nothing left to commit
}

TEST_F(UtilityLibrary, HostWindowsClosedWithoutAChoiceChangeNothing) {
    // No session: each window is closed by its close box at once.
    EXPECT_EQ(utility().KALENDARZ(10, 20, "31-12-2024"), "31-12-2024");
    const auto binding = host_->binding();
    const int copies = host_->state().thread().globals.GGG_NUMCOPY;
    EXPECT_EQ(binding.declarations->PARAM_PRN_DEKLAR("CIT-8"), 0);
    EXPECT_EQ(host_->state().thread().globals.GGG_NUMCOPY, copies);
    EXPECT_NE(transcript().find("window\tclose\tPARAM_PRN_DEKLAR\t0"), std::string::npos);
    EXPECT_EQ(binding.contractor->FIRMA_ODDZIAL(1, 1), 0);
    EXPECT_NE(transcript().find("window\tclose\tFIRMA_ODDZIAL\t0"), std::string::npos);
}

}  // namespace
}  // namespace refhost::libraries::testing
