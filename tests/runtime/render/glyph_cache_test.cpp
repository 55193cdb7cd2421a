// The painter that shapes each text once per run must put the same words in the same places
// as the one that lays out every text afresh.
#include <QApplication>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

#include "citforms/print/layout_catalogue.h"
#include "citforms/print/page_builder.h"
#include "runtime/render/page_painter.h"

namespace citforms::runtime {
namespace {

using print::FontSpec;
using print::Justify;
using print::PageContent;
using print::TextItem;

class GlyphCache : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "runtime_tests";
            static char* argv[] = {name, nullptr};
            static auto* app = new QApplication(argc, argv);  // never torn down, see Painting
            (void)app;
        }
    }
    QTemporaryDir dir_;
};

// Every page of the shipped forms, values empty, then a page of awkward texts.
std::vector<PageContent> samplePages() {
    std::vector<PageContent> pages;
    for (const auto& name : print::shippedLayouts()) {
        auto layout = print::openLayout(name);
        EXPECT_TRUE(layout) << layout.error();
        if (!layout) continue;
        print::ReportRun run(*layout);
        for (int band : layout->pageBands()) {
            auto page = print::buildPage(run, band, print::MapVariables{});
            EXPECT_TRUE(page) << page.error();
            if (page) pages.push_back(std::move(*page));
        }
    }
    PageContent odd;
    const FontSpec bold{"Arial", 9, 700, true, std::nullopt};
    const FontSpec mono{"Courier New", 8, 400, true, print::Rgb{0x0000FF}};
    auto add = [&](TextItem t) { odd.items.emplace_back(std::move(t)); };
    add({500, 500, 2000, 208, "-1 234 567,89", bold, Justify::Right, false});
    add({500, 800, 2000, 208, "Środek ŻÓŁW", bold, Justify::Centre, false});
    add({500, 1100, std::nullopt, std::nullopt, "zażółć gęślą jaźń", mono, Justify::Left, false});
    add({500, 1400, 3000, std::nullopt,
         "Zeznanie składa się za rok podatkowy, w którym podatnik osiągnął dochód albo poniósł "
         "stratę, a ten tekst łamie się na kilka wierszy.",
         bold, Justify::Left, true});
    add({500, 2200, 3000, std::nullopt, "Wyśrodkowany tekst łamany na wiersze pod sobą.", bold,
         Justify::Centre, true});
    add({500, 2800, 3000, std::nullopt, "Do prawej tekst łamany na wiersze pod sobą.", bold,
         Justify::Right, true});
    // Cut at its foot after the second line, and a word too long for its box.
    add({4000, 500, 1500, 300,
         "Pierwszy wiersz, drugi wiersz, trzeci wiersz, czwarty wiersz niewidoczny.", bold,
         Justify::Left, true});
    add({4000, 1200, 600, std::nullopt, "Nieprzełamywalnesłowo krótkie", bold, Justify::Left,
         true});
    add({4000, 1800, 2000, 208, "", bold, Justify::Right, false});
    add({4000, 2100, 2000, std::nullopt, "dwa\nwiersze", bold, Justify::Left, false});
    pages.push_back(std::move(odd));
    return pages;
}

struct Word {
    int page;
    QString text;
    double xMin, yMin, xMax, yMax;
};

// pdftotext -bbox: every word of the PDF with its box in points.
std::vector<Word> words(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-bbox", pdf, "-"});
    EXPECT_TRUE(p.waitForFinished(60000));
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    static const QRegularExpression re(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    std::vector<Word> out;
    int page = 0;
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0) == "<page ") {
            ++page;
            continue;
        }
        out.push_back({page, m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(),
                       m.captured(3).toDouble(), m.captured(4).toDouble()});
    }
    return out;
}

void writePdf(const QString& path, const std::vector<PageContent>& pages, int passes,
              const std::function<void(QPainter&, const PageContent&)>& paint) {
    QPdfWriter writer(path);
    writer.setResolution(1000);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0)));
    QPainter painter(&writer);
    bool first = true;
    for (int pass = 0; pass < passes; ++pass) {
        for (const PageContent& page : pages) {
            if (!first) writer.newPage();
            first = false;
            paint(painter, page);
        }
    }
}

TEST_F(GlyphCache, ReplayedGlyphsPrintTheSameWordsAtTheSamePlaces) {
    const std::vector<PageContent> pages = samplePages();
    ASSERT_GT(pages.size(), 8u);
    const QString direct = dir_.filePath("direct.pdf");
    const QString cached = dir_.filePath("cached.pdf");
    // Two passes: the second prints every text from the glyphs kept by the first.
    writePdf(direct, pages, 2, [](QPainter& p, const PageContent& page) { paintPage(p, page); });
    PagePainter painter;
    std::size_t afterFirstPass = 0;
    std::size_t painted = 0;
    writePdf(cached, pages, 2, [&](QPainter& p, const PageContent& page) {
        painter.paint(p, page);
        if (++painted == pages.size()) afterFirstPass = painter.shapedTexts();
    });
    EXPECT_GT(afterFirstPass, 100u);
    EXPECT_EQ(painter.shapedTexts(), afterFirstPass) << "the second pass shaped texts again";

    const std::vector<Word> want = words(direct);
    const std::vector<Word> got = words(cached);
    ASSERT_GT(want.size(), 2000u);
    ASSERT_EQ(got.size(), want.size());
    int off = 0;
    for (std::size_t i = 0; i < want.size() && off < 10; ++i) {
        const Word& w = want[i];
        const Word& g = got[i];
        const bool same = w.page == g.page && w.text == g.text &&
                          std::abs(w.xMin - g.xMin) < 0.01 && std::abs(w.yMin - g.yMin) < 0.01 &&
                          std::abs(w.xMax - g.xMax) < 0.01 && std::abs(w.yMax - g.yMax) < 0.01;
        if (!same) {
            ++off;
            ADD_FAILURE() << "page " << w.page << ": '" << w.text.toStdString() << "' at "
                          << w.xMin << "," << w.yMin << " became '" << g.text.toStdString()
                          << "' at " << g.xMin << "," << g.yMin << " (page " << g.page << ")";
        }
    }
    // The words that must survive as text, Polish letters and all.
    auto has = [&](const char* text) {
        return std::any_of(got.begin(), got.end(),
                           [&](const Word& w) { return w.text == QString::fromUtf8(text); });
    };
    for (const char* w : {"ZEZNANIE", "OSIĄGNIĘTEGO", "ŻÓŁW", "gęślą", "jaźń", "234"})
        EXPECT_TRUE(has(w)) << w;
    EXPECT_FALSE(has("niewidoczny.")) << "a line below a text's foot was printed";
}

QImage paintImage(const PageContent& page, int dpi,
                  const std::function<void(QPainter&, const PageContent&)>& paint) {
    QImage image(qRound(page.width() * dpi / 1000.0), qRound(page.height() * dpi / 1000.0),
                 QImage::Format_RGB32);
    const int dpm = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    image.fill(Qt::white);
    QPainter p(&image);
    paint(p, page);
    return image;
}

int differingPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return a.width() * a.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
    }
    return n;
}

TEST_F(GlyphCache, ImagesMatchTheDirectPaintingEvenWhenTheResolutionChanges) {
    const std::vector<PageContent> pages = samplePages();
    PagePainter painter;  // one painter across both resolutions: glyphs of 60 dpi are no use at 150
    for (int dpi : {60, 150}) {
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const QImage want = paintImage(pages[i], dpi, [](QPainter& p, const PageContent& c) {
                paintPage(p, c);
            });
            const QImage got = paintImage(pages[i], dpi, [&](QPainter& p, const PageContent& c) {
                painter.paint(p, c);
            });
            // Pixel for pixel on every page: a glyph drawn one subpixel apart (a label replayed
            // from glyph runs once was, "96. Dochód" at 60 dpi, a wrapped label at 150) differs
            // by some 30 pixels and fails here.
            EXPECT_EQ(differingPixels(want, got), 0) << "page " << i << " at " << dpi << " dpi";
        }
    }
}

TEST_F(GlyphCache, DistinctTextsBeyondTheBoundStartTheCacheOver) {
    PageContent page;
    for (int i = 0; i < 9000; ++i) {
        page.items.emplace_back(TextItem{100, 100 + i, std::nullopt, std::nullopt,
                                         std::to_string(i) + ",00",
                                         FontSpec{"Arial", 8, 400, true, std::nullopt}});
    }
    PagePainter painter;
    paintImage(page, 20, [&](QPainter& p, const PageContent& c) { painter.paint(p, c); });
    EXPECT_GT(painter.shapedTexts(), 0u);
    EXPECT_LE(painter.shapedTexts(), 8192u);
}

}  // namespace
}  // namespace citforms::runtime
