#include "refhost/print/pdf_maker.h"

#include <QDir>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QFile>
#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "citforms/values/picture.h"
#include "runtime/render/page_painter.h"

namespace citforms::refhost {
namespace {

using print::PageContent;
using print::TextItem;

class PdfMakerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "refhost_tests";
            static char* argv[] = {name, nullptr};
            // A QApplication (not only a GUI one) so that widget tests can share the process;
            // never destroyed: Qt must not be torn down by the exit handlers.
            static auto* app = new QApplication(argc, argv);
            (void)app;
        }
    }
    std::string path(const char* name) const { return dir_.filePath(name).toStdString(); }

    static QString run(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        EXPECT_TRUE(p.waitForFinished(30000)) << program.toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    static int pageCount(const std::string& file) {
        const QString info = run("pdfinfo", {QString::fromStdString(file)});
        for (const QString& line : info.split('\n')) {
            if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
        }
        return -1;
    }
    static QString text(const std::string& file) {
        return run("pdftotext", {"-layout", QString::fromStdString(file), "-"});
    }

    // A page of one form: its mark, page number and a formatted amount, as the prints make.
    static PageContent formPage(const std::string& form, int page, int pages,
                                const std::string& amount) {
        PageContent p;
        p.title = "CIT_8_Prn_73";
        const print::FontSpec bold{"Arial", 9, 700, true, std::nullopt};
        p.items.emplace_back(print::BoxItem{600, 400, 7000, 10000, print::kBlack, std::nullopt, 7});
        p.items.emplace_back(TextItem{700, 10500, std::nullopt, std::nullopt, form, bold});
        p.items.emplace_back(TextItem{6500, 10500, 1000, std::nullopt,
                                      std::to_string(page) + "/" + std::to_string(pages), bold,
                                      print::Justify::Right});
        p.items.emplace_back(TextItem{700, 1000, std::nullopt, std::nullopt,
                                      "Zażółć gęślą jaźń ŻÓŁW", bold});
        p.items.emplace_back(TextItem{5000, 2000, 1250, 208,
                                      values::formatPicture("N-19_`2", amount), bold,
                                      print::Justify::Right});
        return p;
    }
    static host::PageList run8() {
        host::PageList pages;
        for (int i = 1; i <= 4; ++i) pages.append(formPage("CIT-8(24)", i, 4, "-1234.5"));
        return pages;
    }

    QTemporaryDir dir_;
};

TEST_F(PdfMakerTest, OnePdfAcrossSeveralRunsKeepsTextSearchable) {
    PdfMaker pdf;
    const std::string file = path("deklaracja.pdf");
    ASSERT_EQ(pdf.MAKEPDF(0, file, nullptr), PdfMaker::kOk);
    auto cit8 = run8();
    EXPECT_EQ(pdf.MAKEPDF(1, "", &cit8), PdfMaker::kOk);
    host::PageList ordzu;
    ordzu.append(formPage("ORD-ZU", 1, 1, "0"));
    EXPECT_EQ(pdf.MAKEPDF(1, "", &ordzu), PdfMaker::kOk);
    // Until it is finished, nothing is under the PDF's name.
    EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));
    ASSERT_EQ(pdf.MAKEPDF(2, "", nullptr), PdfMaker::kOk);
    EXPECT_FALSE(pdf.active());

    EXPECT_EQ(pageCount(file), 5);
    const QString t = text(file);
    EXPECT_TRUE(t.contains("CIT-8(24)"));
    EXPECT_TRUE(t.contains("1/4"));
    EXPECT_TRUE(t.contains("4/4"));
    EXPECT_TRUE(t.contains("Zażółć gęślą jaźń ŻÓŁW"));
    EXPECT_TRUE(t.contains("-1 234,50"));
    EXPECT_TRUE(t.contains("0,00"));
    EXPECT_TRUE(t.contains("ORD-ZU"));
    // Fonts are embedded: pdffonts lists the faces with "emb yes".
    const QString fonts = run("pdffonts", {QString::fromStdString(file)});
    EXPECT_TRUE(fonts.contains("LiberationSans-Bold")) << fonts.toStdString();
    for (const QString& line : fonts.split('\n').mid(2)) {
        if (!line.trimmed().isEmpty()) {
            EXPECT_TRUE(line.contains(" yes ")) << line.toStdString();
        }
    }
}

// A page with a form drawing under its values, as the page builder makes it: the drawing's
// items first, recorded as a DrawingUse.
PageContent drawnPage(const std::string& form, const std::string& value, bool boxFirst = false) {
    PageContent p;
    p.title = "CIT_BR_Prn_73";
    const print::FontSpec font{"Arial", 8, 400, true, std::nullopt};
    if (boxFirst) p.items.emplace_back(print::BoxItem{100, 100, 200, 200, print::kBlack, {}, 7});
    const std::size_t first = p.items.size();
    p.items.emplace_back(print::BoxItem{600, 400, 7000, 10000, print::kBlack, 0xE3E3E3, 7});
    p.items.emplace_back(TextItem{700, 600, std::nullopt, std::nullopt,
                                  "Formularz " + form + " – część stała", font});
    p.items.emplace_back(print::BoxItem{4000, 2000, 2500, 300, print::kBlack, print::kWhite, 7});
    p.drawings.push_back({form, 0, 0, 8268, 11693, first, p.items.size() - first});
    p.items.emplace_back(TextItem{4100, 2050, std::nullopt, std::nullopt, value, font});
    return p;
}

TEST_F(PdfMakerTest, EachDrawingIsWrittenOnceUnderEveryPageThatUsesIt) {
    PdfMaker pdf;
    const std::string file = path("wspolne.pdf");
    host::PageList start;
    start.setDocumentTitle("CIT-8 (24) \u2013 Młyn Pszenica \u2013 2016");
    ASSERT_EQ(pdf.MAKEPDF(0, file, &start), PdfMaker::kOk);
    host::PageList pages;
    for (int i = 1; i <= 6; ++i)
        pages.append(drawnPage(i % 2 == 1 ? "CIT-BR" : "CIT-8/O", "wartość " + std::to_string(i)));
    pages.append(drawnPage("CIT-BR", "nad ramką", true));  // the drawing is not undermost
    EXPECT_EQ(pdf.MAKEPDF(1, "", &pages), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(2, "", nullptr), PdfMaker::kOk) << pdf.error();

    EXPECT_EQ(pageCount(file), 7);
    for (int i = 1; i <= 7; ++i) {
        const QString page = run("pdftotext", {"-f", QString::number(i), "-l", QString::number(i),
                                               QString::fromStdString(file), "-"});
        EXPECT_TRUE(page.contains(i % 2 == 1 ? "Formularz CIT-BR – część stała"
                                             : "Formularz CIT-8/O – część stała"))
            << i << page.toStdString();
        EXPECT_TRUE(page.contains(i == 7 ? "nad ramką" : "wartość " + QString::number(i))) << i;
    }
    // Two drawings shared by six pages: two forms; the seventh page paints its own.
    QFile raw(QString::fromStdString(file));
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_EQ(raw.readAll().count("/Subtype /Form"), 2);
    // Embedded subsets with their text (emb, sub, uni).
    const QString fonts = run("pdffonts", {QString::fromStdString(file)});
    for (const QString& line : fonts.split('\n').mid(2)) {
        if (!line.trimmed().isEmpty()) {
            EXPECT_TRUE(line.contains(QRegularExpression("yes +yes +yes"))) << line.toStdString();
        }
    }
    const QString info = run("pdfinfo", {QString::fromStdString(file)});
    EXPECT_TRUE(info.contains("CIT-8 (24) \u2013 Młyn Pszenica \u2013 2016"))
        << info.toStdString();

    // Placed where its page had it: the first page looks as when Qt paints it whole.
    run("pdftoppm", {"-r", "40", "-f", "1", "-l", "1", "-png", "-singlefile",
                     QString::fromStdString(file), QString::fromStdString(path("shared"))});
    QPdfWriter direct(QString::fromStdString(path("direct.pdf")));
    direct.setResolution(1000);
    direct.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0)));
    {
        QPainter painter(&direct);
        runtime::paintPage(painter, pages.at(0));
    }
    run("pdftoppm", {"-r", "40", "-png", "-singlefile", QString::fromStdString(path("direct.pdf")),
                     QString::fromStdString(path("direct"))});
    const QImage a(QString::fromStdString(path("shared.png")));
    const QImage b(QString::fromStdString(path("direct.png")));
    ASSERT_FALSE(a.isNull());
    ASSERT_EQ(a.size(), b.size());
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 64) ++differing;
        }
    }
    EXPECT_LT(differing, a.width() * a.height() / 1000);
}

TEST_F(PdfMakerTest, ModesOutOfOrderFailWithoutAFile) {
    PdfMaker pdf;
    auto pages = run8();
    EXPECT_EQ(pdf.MAKEPDF(1, "", &pages), PdfMaker::kNotStarted);
    EXPECT_EQ(pdf.MAKEPDF(2, "", nullptr), PdfMaker::kNotStarted);
    EXPECT_EQ(pdf.MAKEPDF(7, "", nullptr), PdfMaker::kBadMode);
    EXPECT_EQ(pdf.MAKEPDF(0, "", nullptr), PdfMaker::kBadName);
    EXPECT_EQ(pdf.MAKEPDF(0, path("no/such/folder/x.pdf"), nullptr), PdfMaker::kCannotWrite);

    // Finishing a PDF that never received a page makes no file and says so.
    const std::string empty = path("empty.pdf");
    ASSERT_EQ(pdf.MAKEPDF(0, empty, nullptr), PdfMaker::kOk);
    host::PageList none;
    EXPECT_EQ(pdf.MAKEPDF(1, "", &none), PdfMaker::kOk);
    EXPECT_EQ(pdf.MAKEPDF(2, "", nullptr), PdfMaker::kNoPages);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(empty)));
}

// The PDF is renamed over its target: only a regular file or a new name may be one, and never
// a file of the open database, whatever name reaches it.
TEST_F(PdfMakerTest, RefusesTargetsThatAreNotRegularFilesOrTheDatabase) {
    const std::string db = path("t.db");
    {
        QFile f(QString::fromStdString(db));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("SQLite format 3");
    }
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(path("folder"))));
    ASSERT_EQ(::symlink(path("pipe").c_str(), path("to-pipe").c_str()), 0);
    ASSERT_EQ(::symlink(path("nothing").c_str(), path("dangling").c_str()), 0);
    ASSERT_EQ(::symlink(db.c_str(), path("to-db").c_str()), 0);
    ASSERT_EQ(::link(db.c_str(), path("second-name.db").c_str()), 0);
    for (const char* name : {"pipe", "folder", "to-pipe", "dangling", "to-db", "t.db",
                             "second-name.db", "no/folder/x.pdf"}) {
        SCOPED_TRACE(name);
        PdfMaker pdf;
        pdf.protectFiles({db, db + "-wal"});
        EXPECT_EQ(pdf.MAKEPDF(0, path(name), nullptr), PdfMaker::kCannotWrite);
        EXPECT_FALSE(pdf.error().empty());
    }
    struct stat st {};
    EXPECT_TRUE(::stat(path("pipe").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(::lstat(path("dangling").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    QFile f(QString::fromStdString(db));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("SQLite format 3"));

    // A link to a regular file is written through; the link stays.
    ASSERT_EQ(::symlink(path("old.pdf").c_str(), path("to-old").c_str()), 0);
    {
        QFile old(QString::fromStdString(path("old.pdf")));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    }
    PdfMaker pdf;
    auto pages = run8();
    ASSERT_EQ(pdf.MAKEPDF(0, path("to-old"), nullptr), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(1, "", &pages), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(2, "", nullptr), PdfMaker::kOk);
    EXPECT_TRUE(::lstat(path("to-old").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_EQ(pageCount(path("old.pdf")), 4);
}

TEST_F(PdfMakerTest, StartingAgainAbandonsTheUnfinishedPdf) {
    PdfMaker pdf;
    const std::string first = path("first.pdf");
    const std::string second = path("second.pdf");
    auto pages = run8();
    ASSERT_EQ(pdf.MAKEPDF(0, first, nullptr), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(1, "", &pages), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(0, second, nullptr), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(1, "", &pages), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(2, "", nullptr), PdfMaker::kOk);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(first)));
    EXPECT_EQ(pageCount(second), 4);
    // Nothing but the finished PDF is left in the folder.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"second.pdf"});
}

TEST_F(PdfMakerTest, ManyRunsGrowTheFileNotTheMaker) {
    PdfMaker pdf;
    const std::string file = path("many.pdf");
    ASSERT_EQ(pdf.MAKEPDF(0, file, nullptr), PdfMaker::kOk);
    for (int i = 0; i < 50; ++i) {
        auto pages = run8();
        ASSERT_EQ(pdf.MAKEPDF(1, "", &pages), PdfMaker::kOk);
    }
    EXPECT_EQ(pdf.pagesWritten(), 200);
    ASSERT_EQ(pdf.MAKEPDF(2, "", nullptr), PdfMaker::kOk);
    EXPECT_EQ(pageCount(file), 200);
}

TEST_F(PdfMakerTest, CopiesAreMadeByRepeatingPages) {
    host::PageList pages = run8();
    pages.repeatForCopies(3);
    ASSERT_EQ(pages.size(), 12u);
    EXPECT_EQ(std::get<TextItem>(pages.at(2).items[2]).text, "1/4");
    EXPECT_EQ(std::get<TextItem>(pages.at(3).items[2]).text, "2/4");
    PdfMaker pdf;
    const std::string file = path("copies.pdf");
    ASSERT_EQ(pdf.MAKEPDF(0, file, nullptr), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(1, "", &pages), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(2, "", nullptr), PdfMaker::kOk);
    EXPECT_EQ(pageCount(file), 12);
}

TEST_F(PdfMakerTest, LandscapePagesKeepTheirOrientation) {
    host::PageList pages;
    pages.append(formPage("CIT-ST(7)", 1, 2, "1"));
    PageContent wide = formPage("CIT-ST(7)", 2, 2, "2");
    wide.orientation = print::Orientation::Landscape;
    pages.append(wide);
    PdfMaker pdf;
    const std::string file = path("landscape.pdf");
    ASSERT_EQ(pdf.MAKEPDF(0, file, nullptr), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(1, "", &pages), PdfMaker::kOk);
    ASSERT_EQ(pdf.MAKEPDF(2, "", nullptr), PdfMaker::kOk);
    const QString info =
        run("pdfinfo", {"-f", "1", "-l", "2", QString::fromStdString(file)});
    EXPECT_TRUE(info.contains(QRegularExpression("Page +1 size: +595"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Page +2 size: +842"))) << info.toStdString();
}

}  // namespace
}  // namespace citforms::refhost
