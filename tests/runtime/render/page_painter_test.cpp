#include "runtime/render/page_painter.h"

#include <QFontInfo>
#include <QApplication>
#include <gtest/gtest.h>

#include "citforms/print/layout_catalogue.h"
#include "citforms/print/page_builder.h"

namespace citforms::runtime {
namespace {

using print::BoxItem;
using print::PageContent;
using print::TextItem;

class Painting : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "runtime_tests";
            static char* argv[] = {name, nullptr};
            // A QApplication (not only a GUI one) so that widget tests can share the process;
            // never destroyed: Qt must not be torn down by the exit handlers.
            static auto* app = new QApplication(argc, argv);
            (void)app;
        }
    }
};

// Darkest pixel columns of a row range: where ink is.
std::pair<int, int> inkColumns(const QImage& img, QRect area) {
    int first = -1, last = -1;
    for (int x = area.left(); x <= area.right(); ++x) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            if (qGray(img.pixel(x, y)) < 128) {
                if (first < 0) first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

TEST_F(Painting, LayoutFacesResolveToTheMetricCompatibleFreeFaces) {
    struct Case {
        const char* face;
        const char* family;
    };
    const Case cases[] = {{"Arial", "Liberation Sans"},
                          {"MS Sans Serif", "Liberation Sans"},
                          {"Courier New", "Liberation Mono"},
                          {"Courier", "Liberation Mono"}};
    for (const auto& c : cases) {
        QFont f = pageFont(print::FontSpec{c.face, 10, 700, true, std::nullopt});
        // QFontInfo tells what the system really matched: a missing face falls back silently.
        EXPECT_EQ(QFontInfo(f).family().toStdString(), c.family) << c.face;
        EXPECT_EQ(f.pixelSize(), 139);  // 10 pt in thousandths of an inch
        EXPECT_TRUE(f.bold());
    }
}

TEST_F(Painting, BoxesLandWhereThePageSaysAtAnyResolution) {
    PageContent page;
    page.items.emplace_back(BoxItem{1000, 2000, 500, 300, std::nullopt, print::kGrey, 7});
    for (int dpi : {50, 100, 150}) {
        QImage img = renderPageImage(page, dpi);
        EXPECT_EQ(img.width(), qRound(8268 * dpi / 1000.0));
        const double s = dpi / 1000.0;
        EXPECT_EQ(qGray(img.pixel(qRound(1250 * s), qRound(2150 * s))), qGray(0xC0C0C0)) << dpi;
        EXPECT_EQ(img.pixel(qRound(950 * s), qRound(2150 * s)), qRgb(255, 255, 255)) << dpi;
    }
}

TEST_F(Painting, RightJustifiedAmountsEndAtTheRightEdge) {
    PageContent page;
    TextItem t{1000, 1000, 2000, 208, "-1 234,50", {"Arial", 10, 700, true, std::nullopt},
               print::Justify::Right, false};
    page.items.emplace_back(t);
    t.y = 2000;
    t.justify = print::Justify::Left;
    page.items.emplace_back(t);
    QImage img = renderPageImage(page, 200);
    auto right = inkColumns(img, QRect(150, 200, 700, 42));
    EXPECT_NEAR(right.second, 600, 3);  // 3000 thousandths at 200 dpi
    EXPECT_GT(right.first, 200 + 100);
    auto left = inkColumns(img, QRect(150, 400, 700, 42));
    EXPECT_NEAR(left.first, 200, 3);
}

TEST_F(Painting, EveryShippedPageRendersWithInkOnIt) {
    for (const auto& name : print::shippedLayouts()) {
        // An overlay onto pre-printed paper holds the values alone: without them, no ink.
        if (name.ends_with("_nadruk")) continue;
        auto layout = print::openLayout(name);
        ASSERT_TRUE(layout) << layout.error();
        print::ReportRun run(*layout);
        for (int band : layout->pageBands()) {
            auto page = print::buildPage(run, band, print::MapVariables{});
            ASSERT_TRUE(page) << page.error();
            QImage img = renderPageImage(*page, 40);
            int dark = 0;
            for (int y = 0; y < img.height(); ++y) {
                for (int x = 0; x < img.width(); ++x) dark += qGray(img.pixel(x, y)) < 200;
            }
            EXPECT_GT(dark, 500) << name << " band " << band;
        }
    }
}

}  // namespace
}  // namespace citforms::runtime
