// tabrix import-books: JPK_KR files and the text format into a demo company, the CIT-8
// computed over what came in, and refused files that leave the database as it was.
#include <gtest/gtest.h>

#include <QStringList>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "citforms/values/book_values.h"
#include "integration/process_runner.h"
#include "support/jpk_kr_generator.h"
#include "support/test_engine.h"

using citforms::values::groszeText;
using citforms::values::shownGrosze;

namespace {

using citforms_test::Outcome;
using citforms_test::runProgram;

const std::string kHandWritten = std::string(CITFORMS_TEST_DATA_DIR) + "/books/mlyn_2017.xml";
const std::string kHostile = std::string(CITFORMS_TEST_DATA_DIR) + "/books/hostile/";

// One line of hostile/cases.txt.
struct HostileCase {
    std::string file;
    int exitCode = 0;
    std::string printed;  // a fragment of standard output or error
    std::string query;    // for a file taken
    std::string result;
};

std::vector<HostileCase> hostileCases() {
    std::ifstream in(kHostile + "cases.txt");
    std::vector<HostileCase> out;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        for (std::size_t from = 0;;) {
            const std::size_t bar = line.find(" | ", from);
            f.push_back(line.substr(from, bar - from));
            if (bar == std::string::npos) break;
            from = bar + 3;
        }
        f.resize(5);
        out.push_back({f[0], std::stoi(f[1]), f[2], f[3], f[4]});
    }
    return out;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

class ImportBooks : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = citforms_test::freshTestFolder("import-books");
        scratch_ = std::make_unique<citforms_test::ScratchDatabase>(folder_, "demo.db");
        ASSERT_EQ(tabrix({"init-db", "--demo"}).exitCode, 0);
    }
    void TearDown() override {
        scratch_.reset();
        std::filesystem::remove_all(folder_);
    }

    Outcome tabrix(QStringList args) {
        args.prepend(QString::fromStdString(scratch_->target()));
        args.prepend("--db");
        return runProgram(CITFORMS_TABRIX_PATH, args, folder_);
    }
    Outcome import(const std::string& file, int company = 1) {
        return tabrix({"import-books", "--company", QString::number(company),
                       QString::fromStdString(file)});
    }
    std::string sql(const std::string& text) {
        const Outcome r = tabrix({"sql", QString::fromStdString(text)});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    std::string write(const std::string& name, const std::string& content) {
        const auto path = folder_ / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }
    // The CIT-8 (24) made for company 1 and the year, as dumped.
    nlohmann::json newCit8(int year) {
        const Outcome made = tabrix({"new-cit8", "--company", "1", "--year", QString::number(year)});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        std::istringstream lines(made.out);
        std::string id;
        for (std::string line; std::getline(lines, line);) id = line;
        const Outcome dumped = tabrix({"dump", QString::fromStdString(id)});
        EXPECT_EQ(dumped.exitCode, 0) << dumped.err;
        return nlohmann::json::parse(dumped.out, nullptr, false)["cit8"];
    }
    // Counts and sums of the books' tables, in one statement.
    std::string fingerprint() {
        return sql(
            "select (select count(*) from KONTA), (select count(*) from KSIEGOWANIA), "
            "(select coalesce(sum(kwota_wn - kwota_ma), 0) from KSIEGOWANIA), "
            "(select count(*) from OBROTY), (select coalesce(sum(obroty_wn), 0) from OBROTY), "
            "(select count(*) from BILANS_OTWARCIA), (select count(*) from IMPORTY_KSIAG)");
    }
    // Everything the books of the database hold.
    std::string books() {
        std::string out;
        for (const char* query :
             {"select * from KONTA order by id_firmy, nr_konta",
              "select * from KSIEGOWANIA order by id_ksiegowania",
              "select * from OBROTY order by id_firmy, nr_konta, okres",
              "select * from BILANS_OTWARCIA order by id_firmy, nr_konta, poczatek_roku",
              "select * from IMPORTY_KSIAG order by id_firmy, id_importu"}) {
            out += sql(query);
        }
        return out;
    }

    std::filesystem::path folder_;
    std::unique_ptr<citforms_test::ScratchDatabase> scratch_;
};

TEST_F(ImportBooks, HandWrittenFileFeedsTheCit8AndSumsUpPerGroup) {
    const Outcome r = import(kHandWritten);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.find('\r'), std::string::npos);  // no progress bar off a terminal
    EXPECT_NE(r.out.find("import\tJPK_KR\t" + kHandWritten + "\t2017-01-01\t2017-12-31\t1\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("zespół\t7\tPrzychody i koszty ich uzyskania\t4\t120,25\t16 921,00\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("razem\t\t\t12\t22 841,75\t22 841,75\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("KontoZapisCtrl\t7\t22 841,75\t22 841,75\n"), std::string::npos);
    EXPECT_NE(r.out.find("DziennikCtrl\t6\t22 841,75\n"), std::string::npos);
    // Every cost and revenue account of the file is read by a statement.
    EXPECT_EQ(r.out.find("bez zestawienia"), std::string::npos) << r.out;
    EXPECT_EQ(sql("select nr_konta, typ from KONTA where id_firmy = 1 and nr_konta in "
                  "('130-01', '401-1') order by nr_konta"),
              "130-01\tbilansowe\n401-1\twynikowe\n");

    EXPECT_EQ(sql("select dokument, opis, waluta, kwota_waluta, kwota_ma from KSIEGOWANIA "
                  "where id_firmy = 1 and nr_konta = '702-01' and id_importu = 1"),
              "FVE 1/02/2017\tKurs 4,3210 PLN/EUR z 17.02.2017\tEUR\t100000\t432100\n");
    EXPECT_EQ(sql("select opis from KSIEGOWANIA where id_firmy = 1 and nr_konta = '700-01' "
                  "and id_importu = 1"),
              "Sprzedaż mąki żytniej – Łódź, Źródłowa 5\n");
    EXPECT_EQ(sql("select nr_konta, bo_wn, bo_ma from BILANS_OTWARCIA where id_firmy = 1 "
                  "order by nr_konta"),
              "130-01\t5000000\t0\n202-01\t0\t1000000\n");

    // CIT-8 (24): 31 revenue = 700* and 750-01 credit; 33 foreign revenue = 702* credit;
    // 36 costs = 4??-1* and 751-01 debit less 760-09 credit; 94 advances = 222-01 debit.
    const nlohmann::json cit8 = newCit8(2017);
    EXPECT_EQ(cit8["31"], "12300.00");
    EXPECT_EQ(cit8["33"], "4321.00");
    EXPECT_EQ(cit8["36"], "4820.75");  // 5000.50 + 120.25 - 300.00
    EXPECT_EQ(cit8["94"], "800.00");
}

TEST_F(ImportBooks, ImportingThePeriodAgainReplacesOnlyImportedPostings) {
    // A posting typed into the host in the same year, with its turnover.
    sql("insert into KSIEGOWANIA (id_firmy, nr_konta, data, kwota_wn, kwota_ma, dokument, opis) "
        "values (1, '700-01', 78965, 0, 10000, 'FV R/1', 'Sprzedaż ręczna')");  // 2017-03-10
    sql("insert into OBROTY (id_firmy, nr_konta, okres, obroty_wn, obroty_ma) "
        "values (1, '700-01', 24206, 0, 10000)");
    ASSERT_EQ(import(kHandWritten).exitCode, 0);
    const std::string once = books();
    // The same period with one sale less: its turnover goes, the typed posting stays.
    std::string text = readFile(kHandWritten);
    text = replaced(text, "<KwotaMa>12300.00</KwotaMa>", "<KwotaMa>12000.00</KwotaMa>");
    text = replaced(text, "<SumaMa>22841.75</SumaMa>", "<SumaMa>22541.75</SumaMa>");
    const Outcome again = import(write("mlyn_2017_b.xml", text));
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("zastąpione\t12\n"), std::string::npos) << again.out;
    EXPECT_EQ(sql("select count(*), sum(kwota_ma) from KSIEGOWANIA where id_firmy = 1 and "
                  "nr_konta = '700-01' and data >= 78897"),
              "2\t1210000\n");
    EXPECT_EQ(sql("select okres, obroty_ma from OBROTY where id_firmy = 1 and nr_konta = '700-01' "
                  "and okres >= 24204 order by okres"),
              "24204\t1200000\n24206\t10000\n");
    EXPECT_EQ(sql("select count(*) from KSIEGOWANIA where id_firmy = 1 and id_importu = 1"), "0\n");
    // Back to the first file: the books are as after the first import, but for its number.
    ASSERT_EQ(import(kHandWritten).exitCode, 0);
    EXPECT_EQ(sql("select sum(obroty_wn), sum(obroty_ma) from OBROTY where id_firmy = 1"),
              [&] {
                  return sql("select sum(kwota_wn), sum(kwota_ma) from KSIEGOWANIA where "
                             "id_firmy = 1");
              }());
    EXPECT_NE(once, books());
}

TEST_F(ImportBooks, RefusedFilesLeaveTheDatabaseAsItWas) {
    ASSERT_EQ(import(kHandWritten).exitCode, 0);
    const std::string before = books();
    const std::string good = readFile(kHandWritten);
    struct Case {
        const char* name;
        std::string content;
        int company;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"uszkodzony.xml", replaced(good, "</Dziennik>", "</Dzienik>"), 1, "niepoprawny plik XML"},
        {"urwany.xml", good.substr(0, good.size() * 2 / 3), 1, "niepoprawny plik XML"},
        {"obcy_nip.xml", good, 2, "nie jest NIP-em firmy 2"},
        {"inny_rok.xml",
         replaced(replaced(good, "<DataOd>2017-01-01", "<DataOd>2021-01-01"),
                  "<DataDo>2017-12-31", "<DataDo>2021-12-31"),
         1, "nie mieści się w żadnym roku obrotowym firmy 1"},
        {"poza_okresem.xml", replaced(good, "<DataDo>2017-12-31", "<DataDo>2017-05-31"), 1,
         "data księgowania 2017-06-30 leży poza okresem pliku"},
        {"suma_winien.xml", replaced(good, "<SumaWinien>22841.75", "<SumaWinien>22841.76"), 1,
         "SumaWinien 22841.76, a z wierszy pliku wynika 22841.75"},
        {"liczba_dziennika.xml",
         replaced(good, "<LiczbaWierszyDziennika>6", "<LiczbaWierszyDziennika>5"), 1,
         "LiczbaWierszyDziennika 5, a z wierszy pliku wynika 6"},
        {"kwota.xml", replaced(good, "<KwotaWinien>120.25", "<KwotaWinien>120,25"), 1,
         "niezgodność ze schematem JPK_KR"},
        {"konto.xml", replaced(good, "<KodKontaMa>130-01", "<KodKontaMa>139-99"), 1,
         "konto 139-99 nie występuje w zestawieniu obrotów i sald"},
        {"tekst.txt", "KONTO;700-01;x\nDEKRET;2017-02-30;700-01;1;0\n", 1, "wiersz 2"},
    };
    for (const Case& c : cases) {
        const std::string path = write(c.name, c.content);
        const Outcome r = import(path, c.company);
        EXPECT_EQ(r.exitCode, 1) << c.name;
        EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find("Nic nie zaimportowano."), std::string::npos) << r.err;
    }
    EXPECT_EQ(books(), before);
    const Outcome missing = import((folder_ / "brak.xml").string());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("nie można otworzyć"), std::string::npos) << missing.err;
}

TEST_F(ImportBooks, GeneratedFileGivesTheAmountsItsPostingsImply) {
    const std::string path = (folder_ / "wygenerowany.xml").string();
    const citforms_test::JpkKrTotals t =
        citforms_test::writeJpkKr(path, {"7781234563", "Młyn Pszenica", 2017, 4000, 3});
    const Outcome r = import(path);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("razem\t\t\t4000\t" + shownGrosze(t.sum) + "\t" + shownGrosze(t.sum)),
              std::string::npos)
        << r.out;
    auto debit = [&](const char* a) { return t.accounts.count(a) ? t.accounts.at(a).debit : 0; };
    auto credit = [&](const char* a) { return t.accounts.count(a) ? t.accounts.at(a).credit : 0; };
    const nlohmann::json cit8 = newCit8(2017);
    EXPECT_EQ(cit8["31"], groszeText(credit("700-01") + credit("750-01")));
    EXPECT_EQ(cit8["33"], groszeText(credit("702-01")));
    EXPECT_EQ(cit8["36"], groszeText(debit("401-1") + debit("402-1") + debit("751-01") -
                                       credit("760-09")));
    // Advances are whole zloty, halves up.
    EXPECT_EQ(cit8["94"], groszeText((debit("222-01") + 50) / 100 * 100));
}

TEST_F(ImportBooks, TextFormatIsToldApartByItsContent) {
    const std::string path = write("ksiegi.txt",
                                   "\xEF\xBB\xBF# styczeń 2017\n"
                                   "KONTO;700-05;\"Sprzedaż; eksport\"\n"
                                   "DEKRET;2017-01-31;201-01;150,50;;FV 9/2017;Sprzedaż\n"
                                   "DEKRET;2017-01-31;700-05;;150.50;FV 9/2017;Sprzedaż\n");
    const Outcome r = import(path);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("import\ttekst\t" + path + "\t2017-01-31\t2017-01-31\t1\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("zespół\t2\t\t1\t150,50\t0,00\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("razem\t\t\t2\t150,50\t150,50\n"), std::string::npos) << r.out;
    EXPECT_EQ(sql("select nazwa from KONTA where id_firmy = 1 and nr_konta = '700-05'"),
              "Sprzedaż; eksport\n");
    EXPECT_EQ(sql("select obroty_ma from OBROTY where id_firmy = 1 and nr_konta = '700-05'"),
              "15050\n");
}

TEST_F(ImportBooks, PostingsAroundAnAccountLineAndPastManyRowsAllArrive) {
    // More postings than one insert statement carries, then an account, then a few more.
    std::string text = "KONTO;700-55;Sprzedaż\n";
    for (int i = 1; i <= 70; ++i) {
        text += "DEKRET;2017-01-31;700-55;;1.00;FV " + std::to_string(i) + "/2017;\n";
    }
    text += "KONTO;700-56;Eksport\n";
    for (int i = 1; i <= 3; ++i) {
        text += "DEKRET;2017-02-28;700-56;;2.00;FE " + std::to_string(i) + "/2017;\n";
    }
    const Outcome r = import(write("ksiegi.txt", text));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(sql("select count(*) from KSIEGOWANIA where nr_konta = '700-55'"), "70\n");
    EXPECT_EQ(sql("select sum(kwota_ma) from KSIEGOWANIA where nr_konta = '700-56'"), "600\n");
    EXPECT_EQ(sql("select count(distinct dokument) from KSIEGOWANIA where nr_konta like '700-5_'"),
              "73\n");
    EXPECT_EQ(sql("select obroty_ma from OBROTY where nr_konta = '700-55'"), "7000\n");
}

TEST_F(ImportBooks, CostsThatNoStatementReadsAreListedAfterTheSummary) {
    // 400-90 is a cost account (group 4) that no mask of the statements takes; 700-05 is
    // read by "700*", 201-01 is no result account.
    const std::string path = write("ksiegi.txt",
                                   "KONTO;700-05;Sprzedaż\n"
                                   "KONTO;400-90;Koszty inne\n"
                                   "DEKRET;2017-01-31;201-01;150,50;;FV 9/2017;Sprzedaż\n"
                                   "DEKRET;2017-01-31;700-05;;150.50;FV 9/2017;Sprzedaż\n"
                                   "DEKRET;2017-02-28;400-90;1234,50;;FZ 3/2017;Koszty\n"
                                   "DEKRET;2017-02-28;202-01;;1234,50;FZ 3/2017;Koszty\n");
    const Outcome r = import(path);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::size_t total = r.out.find("razem\t");
    const std::size_t listed = r.out.find("bez zestawienia\t");
    ASSERT_NE(listed, std::string::npos) << r.out;
    EXPECT_LT(total, listed);
    EXPECT_EQ(r.out.substr(listed), "bez zestawienia\t400-90\tKoszty inne\t1 234,50\t0,00\n");
}

TEST_F(ImportBooks, HostileFilesAreTakenWholeOrRefusedLeavingTheBooksAsTheyWere) {
    const std::vector<HostileCase> cases = hostileCases();
    ASSERT_GE(cases.size(), 15u);
    for (const HostileCase& c : cases) {
        const std::string before = fingerprint();
        const Outcome r = import(kHostile + c.file);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.file << ": " << r.err;
        EXPECT_NE((r.out + r.err).find(c.printed), std::string::npos)
            << c.file << ": " << r.err << r.out;
        if (c.exitCode != 0) {
            EXPECT_NE(r.err.find("Nic nie zaimportowano."), std::string::npos) << c.file;
            EXPECT_EQ(fingerprint(), before) << c.file;
        } else if (!c.query.empty()) {
            EXPECT_EQ(sql(c.query), c.result + "\n") << c.file;
        }
    }
}

TEST_F(ImportBooks, StandardInputAndPipesAreReadWhole) {
    const std::string text = write("ksiegi.txt", "KONTO;700-09;Sprzedaż\n"
                                                 "DEKRET;2016-01-31;700-09;;10,00;RURA 1;a\n");
    auto shell = [&](const char* command) {
        return runProgram("/bin/sh",
                          {"-c", command, "sh", CITFORMS_TABRIX_PATH,
                           QString::fromStdString(scratch_->target()), QString::fromStdString(text)},
                          folder_);
    };
    const Outcome dash = shell(R"(cat "$3" | "$1" --db "$2" import-books --company 1 -)");
    ASSERT_EQ(dash.exitCode, 0) << dash.err;
    EXPECT_NE(dash.out.find("import\ttekst\t-\t2016-01-31"), std::string::npos) << dash.out;
    const Outcome named = shell(R"(cat "$3" | "$1" --db "$2" import-books --company 1 /dev/stdin)");
    ASSERT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(sql("select count(*) from KSIEGOWANIA where dokument = 'RURA 1'"), "2\n");
    EXPECT_EQ(sql("select plik from IMPORTY_KSIAG where id_firmy = 1 order by id_importu"),
              "-\n/dev/stdin\n");
    const std::string before = fingerprint();
    const Outcome empty = shell(R"("$1" --db "$2" import-books --company 1 - < /dev/null)");
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.err.find("standardowe wejście: plik jest pusty"), std::string::npos)
        << empty.err;
    EXPECT_EQ(fingerprint(), before);
}

// A FIFO whose writer is slow: tabrix reads all of it before it writes to the database, so
// other users save in the meantime.
TEST_F(ImportBooks, AFifoIsReadWholeBeforeTheDatabaseIsLocked) {
    ::signal(SIGPIPE, SIG_IGN);
    const std::string fifo = (folder_ / "ksiegi.fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string out = (folder_ / "import.out").string();
    const std::string err = (folder_ / "import.err").string();
    const std::string target = scratch_->target();
    const std::string data = (folder_ / "data").string();
    const std::string config = (folder_ / "config").string();
    const pid_t importer = ::fork();
    ASSERT_GE(importer, 0);
    if (importer == 0) {
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::unsetenv("DISPLAY");
        ::unsetenv("QT_QPA_PLATFORM");
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(o, STDOUT_FILENO);
        ::dup2(e, STDERR_FILENO);
        ::execl(CITFORMS_TABRIX_PATH, "tabrix", "--db", target.c_str(), "import-books",
                "--company", "1", fifo.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The writing end opens once tabrix has opened the reading end.
    int fd = -1;
    for (int i = 0; i < 600 && fd < 0; ++i) {
        fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_GE(fd, 0) << "tabrix did not open the FIFO";
    if (fd >= 0) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const std::string xml = readFile(kHandWritten);
        const std::size_t half = xml.size() / 2;
        EXPECT_EQ(::write(fd, xml.data(), half), static_cast<ssize_t>(half));
        const Outcome other = tabrix({"--lock-timeout", "3000", "sql",
                                      "insert into KONTA (id_firmy, nr_konta, nazwa) values "
                                      "(3, '999-99', 'Konto innego użytkownika')"});
        EXPECT_EQ(other.exitCode, 0) << other.err;
        EXPECT_EQ(::write(fd, xml.data() + half, xml.size() - half),
                  static_cast<ssize_t>(xml.size() - half));
        ::close(fd);
    }
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 1200 && (done = ::waitpid(importer, &status, WNOHANG)) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (done == 0) {
        ::kill(importer, SIGKILL);
        ::waitpid(importer, &status, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(err);
    EXPECT_NE(readFile(out).find("razem\t\t\t12\t22 841,75\t22 841,75\n"), std::string::npos)
        << readFile(out) << readFile(err);
}

}  // namespace
