// The overlays of the CIT-2 (14) to (17) and CIT-2/O (1) to (4) onto pre-printed paper: each page
// carries the declaration's values and nothing of the form, the same fields as the full form
// in the same formats, and the host's offsets move every value by the same amount.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "citforms/host/globals.h"
#include "citforms/print/cit8_prints.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/print/page_builder.h"

namespace citforms::print {
namespace {

struct Overlay {
    const char* full;
    std::vector<int> bands;
    Offsets offsets = Offsets::Thousandths;
    std::string literal = {};  // the one text of the form the paper lacks
};
const Overlay kOverlays[] = {
    {"CIT_2_Prn_35", {1, 29}},
    {"CIT_O_Prn_35", {1, 26}},
    {"CIT_2_Prn_34", {1, 29}},
    {"CIT_2_Prn_33", {1, 29}, Offsets::Thousandths, "%"},
    {"CIT_2_Prn_32", {1, 33}, Offsets::Millimetres},
    {"CIT_O_Prn_32", {1, 27}, Offsets::Millimetres},
    {"CIT_O_Prn_33", {1, 24}},
    {"CIT_O_Prn_34", {1, 24}},
};

const PrintProcedure* procedureOf(const std::string& name) {
    for (const PrintProcedure* p : {&cit2Print35Overlay(), &cit2OPrint35Overlay()})
        if (p->name == name) return p;
    return olderCit2Procedure(name);
}

// Every bound control of a layout by its variable: picture, type and font.
std::map<std::string, std::string> boundControls(const Layout& layout) {
    std::map<std::string, std::string> out;
    for (const Band& band : layout.bands()) {
        for (const Control& c : band.controls) {
            if (c.kind != ControlKind::Field) continue;
            const FontSpec f = layout.fontOf(band, c);
            out[c.variable] = c.picture + "|" + std::to_string(static_cast<int>(c.type.kind)) +
                              "|" + f.face + std::to_string(f.points) + "/" +
                              std::to_string(f.weight);
        }
    }
    return out;
}

TEST(OverlayPrints, HoldTheFullFormsFieldsAndNoFormText) {
    for (const Overlay& o : kOverlays) {
        const std::string name = overlayOf(o.full);
        ASSERT_FALSE(name.empty()) << o.full;
        ASSERT_NE(formPrintOf(name), nullptr) << name;
        // The offsets: millimetres x 39.35 in thousandths of an inch, as the full form takes
        // them; as they are in a millimetre layout.
        const PrintProcedure* procedure = procedureOf(name);
        ASSERT_NE(procedure, nullptr) << name;
        EXPECT_EQ(procedure->offsets, o.offsets) << name;
        EXPECT_FALSE(procedure->pdf) << name;
        auto overlay = openLayout(name);
        auto full = openLayout(o.full);
        ASSERT_TRUE(overlay) << overlay.error();
        ASSERT_TRUE(full) << full.error();
        EXPECT_EQ(overlay->pageBands(), o.bands) << name;
        const Rect& oa = overlay->report().area;
        const Rect& fa = full->report().area;
        if (o.offsets == Offsets::Millimetres) {
            EXPECT_EQ(overlay->report().units, Units::Millimetres);
            EXPECT_TRUE(oa.x == 15 && oa.y == 10 && oa.width == 176 && oa.height == 272) << name;
        } else {
            EXPECT_TRUE(oa.x == fa.x && oa.y == fa.y && oa.width == fa.width &&
                        oa.height == fa.height)
                << name;
        }
        EXPECT_EQ(boundControls(*overlay), boundControls(*full)) << name;
        for (const Band& band : overlay->bands()) {
            for (const Control& c : band.controls) {
                const bool literal = c.kind == ControlKind::String &&
                                     (c.text.empty() || c.text == o.literal);
                EXPECT_TRUE(c.kind == ControlKind::Field || literal)
                    << name << ": " << c.name << " (line " << c.line << ") is not a value";
            }
        }
    }
}

TEST(OverlayPrints, PagesHoldOnlyTheValuesAndTheOffsetsMoveEveryOne) {
    for (const Overlay& o : kOverlays) {
        auto layout = openLayout(overlayOf(o.full));
        ASSERT_TRUE(layout) << layout.error();
        // Every variable holds a value of its own.
        MapVariables vars;
        std::set<std::string> values;
        int n = 0;
        for (const Band& band : layout->bands()) {
            for (const Control& c : band.controls) {
                if (c.kind != ControlKind::Field) continue;
                const std::string v = c.picture.starts_with('s') ? "T" + std::to_string(++n)
                                                                  : std::to_string(++n);
                vars.set(c.variable, v);
                values.insert(formatFieldValue(c, v));
            }
        }
        if (!o.literal.empty()) values.insert(o.literal);
        // DEKLARACJE_XPOS / YPOS 0 and 3, 5 mm, as the pipeline sets the origin; on the page
        // (thousandths of an inch) 3 mm is 118 either way, 5 mm 197.
        const bool mm = o.offsets == Offsets::Millimetres;
        ReportRun plain(*layout);
        plain.setOrigin(0, 0);
        ReportRun moved(*layout);
        moved.setOrigin(mm ? 3 : offsetThousandths(3), mm ? 5 : offsetThousandths(5));
        for (int bandNo : layout->pageBands()) {
            auto a = buildPage(plain, bandNo, vars);
            auto b = buildPage(moved, bandNo, vars);
            ASSERT_TRUE(a && b);
            ASSERT_EQ(a->items.size(), b->items.size());
            for (std::size_t i = 0; i < a->items.size(); ++i) {
                const auto* ta = std::get_if<TextItem>(&a->items[i]);
                const auto* tb = std::get_if<TextItem>(&b->items[i]);
                ASSERT_TRUE(ta && tb) << o.full << ": the overlay page draws something else";
                if (ta->text.empty()) continue;
                EXPECT_TRUE(values.contains(ta->text)) << "\"" << ta->text << "\" is no value";
                // A millimetre position is converted once with the origin: 5 mm moves a
                // value 196 or 197 thousandths.
                EXPECT_NEAR(tb->x - ta->x, 118, mm ? 1 : 0) << ta->text;
                EXPECT_NEAR(tb->y - ta->y, 197, mm ? 1 : 0) << ta->text;
            }
        }
    }
}

TEST(OverlayPrints, ChosenByTheHostsSettingWhereAPrintHasOne) {
    host::Globals g;
    g.DEKLARACJE_NADRUK = 1;
    EXPECT_EQ(formPrintFor("CIT_2_Prn_35", g), formPrintOf("CIT_2_Prn_35_nadruk"));
    EXPECT_EQ(formPrintFor("CIT_8_Prn_73", g), formPrintOf("CIT_8_Prn_73"));
    g.DEKLARACJE_NADRUK = 0;
    EXPECT_EQ(formPrintFor("CIT_O_Prn_35", g), formPrintOf("CIT_O_Prn_35"));
    // Templates 3 and 31 always print the whole form; 32 to 34 their overlays when asked.
    g.DEKLARACJE_NADRUK = 1;
    for (const char* full : {"CIT_2_Prn", "CIT_2_Prn_31"}) {
        ASSERT_NE(formPrintOf(full), nullptr) << full;
        EXPECT_EQ(formPrintFor(full, g), formPrintOf(full)) << full;
    }
    for (const char* full : {"CIT_2_Prn_32", "CIT_2_Prn_33", "CIT_2_Prn_34"}) {
        ASSERT_NE(formPrintOf(full), nullptr) << full;
        EXPECT_EQ(formPrintFor(full, g), formPrintOf(std::string(full) + "_nadruk")) << full;
        EXPECT_NE(formPrintFor(full, g), formPrintOf(full)) << full;
    }
}

}  // namespace
}  // namespace citforms::print
