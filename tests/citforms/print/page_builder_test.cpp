#include "citforms/print/page_builder.h"

#include <gtest/gtest.h>

#include "citforms/print/embedded_files.h"
#include "citforms/print/layout_catalogue.h"

namespace citforms::print {
namespace {

std::vector<const TextItem*> textsOf(const PageContent& page) {
    std::vector<const TextItem*> out;
    for (const auto& item : page.items) {
        if (auto t = std::get_if<TextItem>(&item)) out.push_back(t);
    }
    return out;
}

const TextItem* textAt(const PageContent& page, int x, int y) {
    for (const TextItem* t : textsOf(page)) {
        if (t->x == x && t->y == y) return t;
    }
    return nullptr;
}

std::vector<MarkItem> marksOf(const PageContent& page) {
    std::vector<MarkItem> out;
    for (const auto& item : page.items) {
        if (auto m = std::get_if<MarkItem>(&item)) out.push_back(*m);
    }
    return out;
}

class Cit8Print : public ::testing::Test {
protected:
    void SetUp() override {
        auto l = openLayout("CIT_8_Prn_73");
        ASSERT_TRUE(l) << l.error();
        layout_ = std::make_unique<Layout>(std::move(*l));
    }
    PageContent page(const ReportRun& run, int band, const PrintVariables& vars) {
        auto p = buildPage(run, band, vars);
        EXPECT_TRUE(p) << p.error();
        return p ? std::move(*p) : PageContent{};
    }
    std::unique_ptr<Layout> layout_;
};

TEST_F(Cit8Print, ValuesAreFormattedByTheirPicturesAtTheReportOrigin) {
    ReportRun run(*layout_);
    MapVariables vars{{"V31", "-1234.5"}, {"V32", "0"}, {"V47", "1234567.00"},
                      {"V33", "abc"}};
    PageContent p = page(run, 44, vars);
    // Position 31 at 5729, 802 of the band, the band at the report's margin 600, 400.
    const TextItem* v31 = textAt(p, 600 + 5729, 400 + 802);
    ASSERT_NE(v31, nullptr);
    EXPECT_EQ(v31->text, "-1 234,50");
    EXPECT_EQ(v31->justify, Justify::Right);
    EXPECT_EQ(v31->width, 1250);
    EXPECT_EQ(v31->font.points, 10);
    EXPECT_TRUE(v31->font.bold());
    EXPECT_EQ(textAt(p, 600 + 5729, 400 + 1135)->text, "0,00");
    EXPECT_EQ(textAt(p, 600 + 5729, 400 + 6698)->text, "1 234 567,00");
    // The drawing comes first, so every value lies on top of it.
    EXPECT_TRUE(std::holds_alternative<BoxItem>(p.items.front()) ||
                std::holds_alternative<LineItem>(p.items.front()) ||
                std::holds_alternative<TextItem>(p.items.front()));
    bool sawValue = false;
    for (const auto& item : p.items) {
        auto t = std::get_if<TextItem>(&item);
        if (t && t->text == "-1 234,50") sawValue = true;
        if (sawValue) {
            EXPECT_FALSE(std::holds_alternative<BoxItem>(item));
        }
    }
}

TEST_F(Cit8Print, WholeNumbersDatesCountsAndTexts) {
    ReportRun run(*layout_);
    // 80357 is 2020-12-31 in the host's day count (day 4 = 1 January 1801).
    MapVariables vars{{"V4", "80357"}, {"V27", "1.00"}, {"V28", "3"}, {"V1", "1234567890123456"},
                      {"V8", "Spółka Łódź"}};
    PageContent p1 = page(run, 1, vars);
    EXPECT_EQ(textAt(p1, 600 + 2385, 400 + 1500)->text, "31-12-2020");
    EXPECT_EQ(textAt(p1, 600 + 4135, 400 + 8521)->text, "1");  // count without decimals
    EXPECT_EQ(textAt(p1, 600 + 5729, 400 + 8521)->text, "3");
    EXPECT_EQ(textAt(p1, 600 + 1979, 400 + 344)->text, "1234567890123");  // text 13
    EXPECT_FALSE(textAt(p1, 600 + 1979, 400 + 344)->width.has_value());
    EXPECT_EQ(textAt(p1, 600 + 490, 400 + 4438)->text, "Spółka Łódź");

    MapVariables table{{"V68", "1234567"}, {"V60", "12"}};
    PageContent p3 = page(run, 69, table);
    const TextItem* v68 = textAt(p3, 600 + 1323, 400 + 5844);
    ASSERT_NE(v68, nullptr);
    EXPECT_EQ(v68->text, "1 234 567");
    EXPECT_EQ(v68->font.points, 8);
    EXPECT_EQ(textAt(p3, 600 + 5667, 400 + 2760)->text, "12");
}

TEST_F(Cit8Print, RadiosMarkOnlyTheChosenAnswer) {
    ReportRun run(*layout_);
    struct Case {
        const char* variable;
        const char* value;
        std::vector<std::pair<int, int>> marks;  // band coordinates
    };
    const Case cases[] = {
        {"V7", "2", {{3885, 3552}}},
        {"V7", "1", {{1677, 3552}}},
        {"V20", "2.00", {{4583, 6458}}},  // a decimal option selects by number
        {"V23", "3", {{6135, 7604}}},
        {"V23", "", {}},
        {"V23", "4", {}},
        {"V7", " ", {}},
    };
    for (const auto& c : cases) {
        MapVariables vars{{c.variable, c.value}};
        auto marks = marksOf(page(run, 1, vars));
        ASSERT_EQ(marks.size(), c.marks.size()) << c.variable << "=" << c.value;
        for (std::size_t i = 0; i < marks.size(); ++i) {
            EXPECT_EQ(marks[i].x, 600 + c.marks[i].first);
            EXPECT_EQ(marks[i].y, 400 + c.marks[i].second);
        }
    }
}

TEST_F(Cit8Print, HiddenControlsAndReplacedOriginApplyToOneRunOnly) {
    MapVariables vars{{"GGG:PRN_UPO_INFO_1", "Potwierdzenie odbioru 1"},
                      {"GGG:PRN_UPO_INFO_2", "Potwierdzenie odbioru 2"}};
    ReportRun shown(*layout_);
    PageContent withLines = page(shown, 1, vars);
    EXPECT_NE(textAt(withLines, 600 + 156, 400 + 10260), nullptr);
    EXPECT_NE(textAt(withLines, 600 + 156, 400 + 10417), nullptr);

    ReportRun hidden(*layout_);
    hidden.hide(13);
    hidden.hide(14);
    hidden.setOrigin(590, 394);
    PageContent without = page(hidden, 1, vars);
    for (const TextItem* t : textsOf(without))
        EXPECT_EQ(t->text.find("Potwierdzenie"), std::string::npos);
    // The page moves with the origin: the form's own boxes too.
    EXPECT_EQ(marksOf(page(hidden, 1, MapVariables{{"V7", "1"}})).at(0).x, 590 + 1677);
    // A new run starts from the layout again.
    ReportRun again(*layout_);
    EXPECT_FALSE(again.isHidden(13));
    EXPECT_EQ(again.left(), 600);
}

TEST_F(Cit8Print, PageFourCoversTheFootnoteAndPrintsItsOwn) {
    ReportRun run(*layout_);
    PageContent p = page(run, 114, MapVariables{});
    ASSERT_GE(p.items.size(), 2u);
    const auto& cover = std::get<BoxItem>(p.items[p.items.size() - 2]);
    EXPECT_EQ(cover.x, 600 + 21);
    EXPECT_EQ(cover.y, 400 + 6688);
    EXPECT_EQ(cover.fill, kWhite);
    const auto& note = std::get<TextItem>(p.items.back());
    EXPECT_EQ(note.text.rfind("1)   Rokiem podatkowym", 0), 0u);
    EXPECT_FALSE(note.font.bold());
    EXPECT_EQ(note.font.points, 6);
}

TEST_F(Cit8Print, UnknownBandIsRefused) {
    ReportRun run(*layout_);
    EXPECT_FALSE(buildPage(run, 2, MapVariables{}));  // a control, not a band
    EXPECT_FALSE(buildPage(run, 999, MapVariables{}));
}

TEST(OrdZuPrint, JustificationWrapsInItsRectangleAndIsCutToItsCapacity) {
    auto layout = openLayout("CIT_ORDZU_Prn");
    ASSERT_TRUE(layout) << layout.error();
    ReportRun run(*layout);
    MapVariables vars{{"V13U", std::string(3500, 'x')}, {"V5U", "Spółka z o.o."}};
    auto p = buildPage(run, 2, vars);
    ASSERT_TRUE(p) << p.error();
    const TextItem* just = textAt(*p, 396 + 365, 396 + 4115);
    ASSERT_NE(just, nullptr);
    EXPECT_TRUE(just->wrap);
    EXPECT_EQ(just->text.size(), 3000u);
    EXPECT_EQ(just->width, 6927);
    EXPECT_EQ(just->height, 5938);
    const TextItem* name = textAt(*p, 396 + 260, 396 + 1948);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->justify, Justify::Centre);
    // The drawn form: the page mark prints as text whatever the values.
    auto empty = buildPage(run, 2, MapVariables{});
    ASSERT_TRUE(empty);
    EXPECT_NE(textAt(*empty, 396 + 6281, 396 + 10365), nullptr);
    EXPECT_EQ(textAt(*empty, 396 + 365, 396 + 4115), nullptr);
}

TEST(MillimetreLayouts, CoordinatesAreConvertedToThousandthsOfAnInch) {
    auto layout = Layout::parse(
        "report R units=mm at=15,10,176,272 font=Arial,10,regular\n"
        "band page STRONA1 height=270\n"
        "string S at=100,50 text=x\n",
        "mm.layout");
    ASSERT_TRUE(layout) << layout.error();
    ReportRun run(*layout);
    auto p = buildPage(run, 1, MapVariables{});
    ASSERT_TRUE(p);
    const auto& t = std::get<TextItem>(p->items.at(0));
    EXPECT_EQ(t.x, 4528);  // 115 mm
    EXPECT_EQ(t.y, 2362);  // 60 mm
}

// A page whose drawing cannot be opened is named, not left out in silence: the print then
// reports itself short of a page instead of made.
TEST(BuildPages, APageThatCannotBeBuiltIsNamedAndTheOthersAreKept) {
    std::string text(*embeddedFile("CIT_ORDZU_Prn.layout"));
    text += "band page STRONA2 height=10615\nimage IMAGE1 at=0,0,100,100 text=\"brak.wmf\"\n";
    auto layout = Layout::parse(text, "CIT_ORDZU_Prn.layout");
    ASSERT_TRUE(layout) << layout.error();
    const ReportRun run(*layout);
    const BuiltPages built = buildPages(run, MapVariables{});
    EXPECT_EQ(built.pages.size(), 1u);
    ASSERT_EQ(built.failures.size(), 1u);
    EXPECT_NE(built.failures[0].find("brak.wmf"), std::string::npos) << built.failures[0];
}

}  // namespace
}  // namespace citforms::print
