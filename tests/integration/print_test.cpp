// The prints of a stored CIT-8 through tabrix, checked in the PDF files with poppler's tools.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "integration/process_runner.h"
#include "support/test_engine.h"

namespace {

using citforms_test::Outcome;
using citforms_test::runProgram;

// One database with the demo data for the whole suite; each test changes what it needs.
class Printing : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = citforms_test::freshTestFolder("tabrix-print");
        scratch_ = std::make_unique<citforms_test::ScratchDatabase>(folder_, "t.db");
        ASSERT_EQ(tabrix({"init-db", "--demo"}).exitCode, 0);
        id_ =
            firstLine(sql("select min(id_deklaracje_nag) from DEKLARACJE_NAG where "
                          "id_deklaracje_wzorzec = 73"));
        ASSERT_FALSE(id_.empty());
    }
    void TearDown() override {
        scratch_.reset();
        std::filesystem::remove_all(folder_);
    }

    static std::string firstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

    Outcome tabrix(QStringList args) {
        args.prepend(QString::fromStdString(scratch_->target()));
        args.prepend("--db");
        return runProgram(CITFORMS_TABRIX_PATH, args, folder_);
    }
    std::string sql(const std::string& text) {
        const Outcome r = tabrix({"sql", QString::fromStdString(text)});
        EXPECT_EQ(r.exitCode, 0) << text << ": " << r.err;
        return r.out;
    }
    // Sets a stored value of the demo CIT-8 (sheet 0 unless given).
    void setField(const std::string& field, const std::string& value, int sheet = 0) {
        sql("update DEKLARACJE_POZ set WARTOSC_POLA = '" + value +
            "' where ID_DEKLARACJE_NAG = " + id_ + " AND NR_ZALACZNIKA = " + std::to_string(sheet) +
            " AND NR_POLA = '" + field + "'");
    }
    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    int pageCount(const std::string& pdf) {
        const Outcome r = runProgram("pdfinfo", {QString::fromStdString(pdf)}, folder_);
        std::smatch m;
        if (!std::regex_search(r.out, m, std::regex("Pages:\\s+(\\d+)"))) return -1;
        return std::stoi(m[1]);
    }
    // Text of each page.
    std::vector<std::string> pages(const std::string& pdf) {
        const Outcome r = runProgram("pdftotext", {QString::fromStdString(pdf), "-"}, folder_);
        std::vector<std::string> out;
        std::string page;
        for (char c : r.out) {
            if (c == '\f') {
                out.push_back(page);
                page.clear();
            } else {
                page += c;
            }
        }
        return out;
    }
    // Position in points of the first word equal to `word` on page 1 (xMin, yMin).
    std::pair<double, double> wordAt(const std::string& pdf, const std::string& word) {
        const Outcome r =
            runProgram("pdftotext",
                       {"-bbox", "-f", "1", "-l", "1", QString::fromStdString(pdf), "-"}, folder_);
        std::smatch m;
        const std::regex re("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\"[^>]*>" + word + "</word>");
        if (!std::regex_search(r.out, m, re)) return {-1, -1};
        return {std::stod(m[1]), std::stod(m[2])};
    }

    std::filesystem::path folder_;
    std::unique_ptr<citforms_test::ScratchDatabase> scratch_;  // a file, or a server schema
    std::string id_;
};

bool has(const std::string& page, const std::string& text) {
    return page.find(text) != std::string::npos;
}

TEST_F(Printing, PdfOfTheDemoCorrectionHoldsItsFormsInOrder) {
    const Outcome r =
        tabrix({"pdf", QString::fromStdString(id_), QString::fromStdString(path("z.pdf"))});
    ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
    EXPECT_NE(r.out.find("pdf\t" + path("z.pdf")), std::string::npos);
    ASSERT_EQ(pageCount(path("z.pdf")), 4 + 1 + 3 + 2 + 2 * 4);
    const auto text = pages(path("z.pdf"));
    ASSERT_EQ(text.size(), 18u);
    const std::vector<std::pair<std::size_t, std::vector<std::string>>> marks = {
        {0, {"CIT-8(24)", "1/4"}},
        {1, {"CIT-8(24)", "2/4"}},
        {2, {"3/4"}},
        {3, {"4/4"}},
        {4, {"ORD-ZU", "1/1", "UZASADNIENIE PRZYCZYN KOREKTY"}},
        {5, {"CIT-8/O(11)", "1/3"}},
        {6, {"2/3"}},
        {7, {"3/3"}},
        {8, {"CIT-BR(1)", "1/2"}},
        {9, {"CIT-BR(1)", "2/2"}},
        {10, {"CIT-D(5)", "1/2"}},
        {14, {"CIT-D(5)", "2/2"}}};
    for (const auto& [page, words] : marks) {
        for (const std::string& w : words) EXPECT_TRUE(has(text[page], w)) << page << ": " << w;
    }
    EXPECT_FALSE(has(text[0], "ORD-ZU\n")) << "the ORD-ZU is a page of its own";
    // Named by what it holds: the form, the company's short name, the tax year.
    const Outcome info = runProgram("pdfinfo", {QString::fromStdString(path("z.pdf"))}, folder_);
    EXPECT_TRUE(std::regex_search(
        info.out, std::regex("Title:\\s+CIT-8 \\(24\\) \u2013 Młyn Pszenica \u2013 2016\n")))
        << info.out;
    EXPECT_TRUE(std::regex_search(info.out, std::regex("Creator:\\s+tabrix\n"))) << info.out;
}

TEST_F(Printing, AnOriginalWithTwoCitBrAndFormattedAmounts) {
    setField("7", "1");
    setField("27", "0.00");
    setField("28", "2.00");
    setField("32", "-1234.5");
    setField("33", "0");
    setField("29", "0.00");
    // CIT-BR 2 filled in, so that both announced copies are there.
    sql("insert into DEKLARACJE_POZ (ID_DEKLARACJE_NAG, NR_ZALACZNIKA, NR_POLA, WARTOSC_POLA) "
        "values (" + id_ + ", 502, '10', '5000.00')");
    ASSERT_EQ(tabrix({"pdf", QString::fromStdString(id_), QString::fromStdString(path("o.pdf"))})
                  .exitCode,
              0);
    const auto text = pages(path("o.pdf"));
    ASSERT_EQ(text.size(), 4u + 2u + 2u);
    EXPECT_TRUE(has(text[1], "-1 234,50"));
    EXPECT_TRUE(has(text[1], "0,00"));
    EXPECT_TRUE(has(text[4], "CIT-BR(1)"));
    EXPECT_TRUE(has(text[4], "1/2"));
    EXPECT_TRUE(has(text[6], "2/2"));
    for (const auto& page : text) EXPECT_FALSE(has(page, "UZASADNIENIE PRZYCZYN KOREKTY"));
}

TEST_F(Printing, CopiesReceiptLinesAndOffsetsOnThePrinter) {
    const QString id = QString::fromStdString(id_);
    Outcome r =
        tabrix({"print", id, "--printer", "--copies", "3", "--output",
                QString::fromStdString(path("c.pdf")), "--receipt", "UPO-LINIA-A", "UPO-LINIA-B"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("print\t" + id_ + "\tcompleted"), std::string::npos) << r.out;
    auto text = pages(path("c.pdf"));
    ASSERT_EQ(text.size(), 12u);
    const char* marks[] = {"1/4", "2/4", "3/4", "4/4"};
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_TRUE(has(text[i], marks[i / 3])) << i;
        EXPECT_EQ(has(text[i], "UPO-LINIA-A"), i < 3) << i;
        EXPECT_EQ(has(text[i], "UPO-LINIA-B"), i < 3) << i;
    }

    r = tabrix({"print", id, "--printer", "--output", QString::fromStdString(path("p.pdf"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    text = pages(path("p.pdf"));
    ASSERT_EQ(text.size(), 4u);
    EXPECT_FALSE(has(text[0], "UPO-LINIA-A"));

    r = tabrix({"print", id, "--printer", "--xpos", "10", "--ypos", "5", "--output",
                QString::fromStdString(path("m.pdf"))});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto before = wordAt(path("p.pdf"), "7781234563");
    const auto after = wordAt(path("m.pdf"), "7781234563");
    ASSERT_GE(before.first, 0);
    ASSERT_GE(after.first, 0);
    // 10 mm x 39.35 = 394 thousandths = 28.37 pt; 5 mm = 197 thousandths = 14.18 pt.
    EXPECT_NEAR(after.first - before.first, 394 * 72.0 / 1000, 0.1);
    EXPECT_NEAR(after.second - before.second, 197 * 72.0 / 1000, 0.1);
}

TEST_F(Printing, ScreenWithoutADisplayReportsThePreviewer) {
    const Outcome r = tabrix({"print", QString::fromStdString(id_)});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("preview\tCIT_8_Prn_73\t4\t120\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("print\t" + id_ + "\tcancelled"), std::string::npos) << r.out;
}

TEST_F(Printing, RefusedArgumentsAndMissingDeclarations) {
    EXPECT_EQ(tabrix({"pdf", "99999", QString::fromStdString(path("x.pdf"))}).exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(path("x.pdf")));
    EXPECT_EQ(tabrix({"pdf", QString::fromStdString(id_)}).exitCode, 2);
    EXPECT_EQ(tabrix({"print", QString::fromStdString(id_), "--copies", "0"}).exitCode, 2);
    EXPECT_EQ(tabrix({"print", QString::fromStdString(id_), "--receipt", "one"}).exitCode, 2);
    const Outcome r = tabrix({"pdf", QString::fromStdString(id_), "/no/such/folder/x.pdf"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("nie można zapisać pliku /no/such/folder/x.pdf: Folder /no/such/folder nie istnieje"),
              std::string::npos)
        << r.err;
}

}  // namespace
