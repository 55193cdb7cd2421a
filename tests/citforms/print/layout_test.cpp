#include "citforms/documents/layout.h"

#include <gtest/gtest.h>

#include "citforms/print/layout_catalogue.h"

namespace citforms::print {
namespace {

TEST(ShippedLayouts, EveryLayoutLoadsAndIsNamedAfterItsProcedure) {
    auto names = shippedLayouts();
    ASSERT_GE(names.size(), 4u);
    for (const auto& name : names) {
        auto layout = openLayout(name);
        ASSERT_TRUE(layout) << layout.error();
        EXPECT_EQ(layout->report().name, name);
        EXPECT_EQ(layout->report().paper, "A4");
        ASSERT_TRUE(layout->progress().has_value()) << name;
        // The progress window's controls are numbered on their own, from 1.
        const auto& pc = layout->progress()->controls;
        ASSERT_EQ(pc.size(), 5u) << name;
        for (std::size_t i = 0; i < pc.size(); ++i) EXPECT_EQ(pc[i].number, int(i) + 1);
        EXPECT_EQ(pc[4].kind, ProgressControlKind::Button);
        EXPECT_EQ(pc[4].text, "Cancel");
    }
}

TEST(ShippedLayouts, ControlNumbersRunOverBandsAndControlsWithoutGaps) {
    for (const auto& name : shippedLayouts()) {
        auto layout = openLayout(name);
        ASSERT_TRUE(layout) << layout.error();
        int expected = 1;
        for (const Band& b : layout->bands()) {
            EXPECT_EQ(b.number, expected++) << name << " band " << b.name;
            for (const Control& c : b.controls) EXPECT_EQ(c.number, expected++) << c.name;
        }
        EXPECT_EQ(layout->lastNumber(), expected - 1);
    }
}

TEST(ShippedLayouts, ReportRecordsAndTheOrdZuBands) {
    auto cit8 = openLayout("CIT_8_Prn_73");
    ASSERT_TRUE(cit8);
    EXPECT_EQ(cit8->report().area.x, 600);
    EXPECT_EQ(cit8->report().area.y, 400);
    EXPECT_EQ(cit8->report().units, Units::Thousandths);
    EXPECT_TRUE(cit8->report().title.empty());

    auto ordzu = openLayout("CIT_ORDZU_Prn");
    ASSERT_TRUE(ordzu) << ordzu.error();
    EXPECT_EQ(ordzu->report().area.width, 7438);
    ASSERT_EQ(ordzu->bands().size(), 4u);
    EXPECT_EQ(ordzu->band(1)->kind, BandKind::Header);
    EXPECT_EQ(ordzu->band(62)->kind, BandKind::Footer);
    EXPECT_EQ(ordzu->band(63)->kind, BandKind::Form);
    EXPECT_EQ(ordzu->band(2)->height, 10615);
    EXPECT_EQ(ordzu->band(2)->font->face, "Courier New");
    const Control* v13 = ordzu->controlNamed("V13U");
    EXPECT_EQ(v13->kind, ControlKind::MultiLine);
    EXPECT_EQ(v13->type.length, 3000);
}

TEST(ShippedLayouts, UnknownProcedureIsRefused) {
    auto layout = openLayout("CIT_8_Prn_99");
    ASSERT_FALSE(layout);
    EXPECT_NE(layout.error().find("CIT_8_Prn_99.layout"), std::string::npos);
}

constexpr const char* kHead =
    "report R units=thou at=600,400,7052,10885 font=Arial,10,regular\n";

TEST(LayoutDocument, MalformedDocumentsNameFileAndLine) {
    struct Case {
        std::string text;
        int line;
        const char* reason;  // part of the message
    };
    const std::string h = kHead;
    const Case cases[] = {
        {"", 1, "no report"},
        {"band page P height=10\n", 1, "start with its report"},
        {h, 1, "no band"},
        {h + "report S units=thou at=1,1,1,1 font=Arial,1,bold\n", 2, "second report"},
        {"report R units=inch at=0,0,1,1 font=Arial,10,bold\n", 1, "units"},
        {"report R units=thou at=0,0 font=Arial,10,bold\n", 1, "width and height"},
        {"report R units=thou at=0,0,1,1 font=Arial,10\n", 1, "font must be"},
        {"report R units=thou at=0,0,1,1 font=Arial,0,bold\n", 1, "font size"},
        {h + "field V1 at=1,1 picture=s1\n", 2, "before the first band"},
        {h + "band page P\n", 2, "needs height="},
        {h + "band sheet P height=1\n", 2, "band kind"},
        {h + "band page P height=1\nfield V1 at=1,x picture=s1\n", 3, "not a whole number"},
        {h + "band page P height=1\nfield V1 at=1,2,3 picture=s1\n", 3, "position must be"},
        {h + "band page P height=1\nfield V1 at=-1,2 picture=s1\n", 3, "negative"},
        {h + "band page P height=1\nfield V1 at=1,2\n", 3, "needs picture="},
        {h + "band page P height=1\nfield V1 at=1,2 picture=s1 colour=red\n", 3,
         "unknown attribute 'colour'"},
        {h + "band page P height=1\nfield V1 at=1,2 picture=s1 bold\n", 3, "unexpected word"},
        {h + "band page P height=1\nfield V1 at=1,2 at=3,4 picture=s1\n", 3, "repeated"},
        {h + "band page P height=1\nfield V1 at=1,2 picture=\"s1\n", 3, "unterminated"},
        {h + "band page P height=1\nradio R1 at=1,2 value=1\n", 3, "outside an option"},
        {h + "band page P height=1\noption O at=1,2\nband page Q height=1\n"
             "radio R1 at=1,2 value=1\n",
         5, "outside an option"},
        {h + "band page P height=1\nbox B at=1,2,3,4 fill=#GGGGGG\n", 3, "#RRGGBB"},
        {h + "band page P height=1\nimage I at=0,0 text=a.wmf\n", 3, "width and height"},
        {h + "band page P height=1\nfield V1 at=1,2 picture=s1 type=text:0\n", 3,
         "text length"},
        {h + "band page P height=1\nfield V1 at=1,2 picture=s1 justify=middle\n", 3,
         "justify"},
        {h + "band page P height=1\nwidget W at=1,2\n", 3, "unknown keyword"},
        {h + "band page P height=1\nprogress size=1,1 font=Arial,8,regular\n", 3,
         "before the bands"},
        {h + "bar B at=1,1,1,1\n", 2, "progress window"},
        {h + "band page P height=1\nstring S at=1,2 text=\"a\\q\"\n", 3, "bad escape"},
        {h + std::string("band page P height=1\n\0\n", 24), 3, "NUL"},
    };
    for (const auto& c : cases) {
        auto layout = Layout::parse(c.text, "broken.layout");
        ASSERT_FALSE(layout) << c.text;
        const std::string prefix = "broken.layout:" + std::to_string(c.line) + ": ";
        EXPECT_EQ(layout.error().rfind(prefix, 0), 0u) << layout.error();
        EXPECT_NE(layout.error().find(c.reason), std::string::npos) << layout.error();
    }
}

TEST(LayoutDocument, QuotingCommentsAndNaturalSizes) {
    const std::string text = std::string(kHead) +
                             "# a comment line\n"
                             "\n"
                             "band page P height=100 font=\"Courier New,9,regular,ce\"\n"
                             "string S transparent at=1,2 text=\"say \\\"tak\\\" \\\\ # not a "
                             "comment\" # a comment\n"
                             "field V1 at=5,6,-,208 picture=\"N-19_`2\" justify=right\n"
                             "line L at=0,240,7438,0 colour=#000000\n";
    auto layout = Layout::parse(text, "ok.layout");
    ASSERT_TRUE(layout) << layout.error();
    const Control* s = layout->control(2);
    EXPECT_EQ(s->text, "say \"tak\" \\ # not a comment");
    EXPECT_TRUE(s->transparent);
    const Control* f = layout->control(3);
    EXPECT_FALSE(f->at.width);
    EXPECT_EQ(f->at.height, 208);
    EXPECT_EQ(f->variable, "V1");
    EXPECT_EQ(layout->fontOf(*layout->band(1), *f).face, "Courier New");
    EXPECT_EQ(layout->fontOf(*layout->band(1), *f).points, 9);
    EXPECT_EQ(f->picture, "N-19_`2");
    EXPECT_EQ(f->justify, Justify::Right);
    EXPECT_EQ(layout->control(4)->at.height, 0);
}

}  // namespace
}  // namespace citforms::print
