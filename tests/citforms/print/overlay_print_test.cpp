// The overlays of the CIT-2 (17) and CIT-2/O (4) onto pre-printed paper: each page carries the
// declaration's values and nothing of the form, the same fields as the full form in the same
// formats, and the host's offsets move every value by the same amount.
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
};
const Overlay kOverlays[] = {
    {"CIT_2_Prn_35", {1, 29}},
    {"CIT_O_Prn_35", {1, 26}},
};

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
        // The offsets are those of the full form: millimetres x 39.35.
        EXPECT_EQ(cit2Print35Overlay().offsets, Offsets::Thousandths);
        EXPECT_EQ(cit2OPrint35Overlay().offsets, Offsets::Thousandths);
        auto overlay = openLayout(name);
        auto full = openLayout(o.full);
        ASSERT_TRUE(overlay) << overlay.error();
        ASSERT_TRUE(full) << full.error();
        EXPECT_EQ(overlay->pageBands(), o.bands) << name;
        const Rect& oa = overlay->report().area;
        const Rect& fa = full->report().area;
        EXPECT_TRUE(oa.x == fa.x && oa.y == fa.y && oa.width == fa.width && oa.height == fa.height)
            << name;
        EXPECT_EQ(boundControls(*overlay), boundControls(*full)) << name;
        for (const Band& band : overlay->bands()) {
            for (const Control& c : band.controls) {
                const bool emptyLiteral = c.kind == ControlKind::String && c.text.empty();
                EXPECT_TRUE(c.kind == ControlKind::Field || emptyLiteral)
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
        // DEKLARACJE_XPOS / YPOS 0 and 3, 5 mm, as the pipeline sets the origin.
        ReportRun plain(*layout);
        plain.setOrigin(offsetThousandths(0), offsetThousandths(0));
        ReportRun moved(*layout);
        moved.setOrigin(offsetThousandths(3), offsetThousandths(5));
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
                EXPECT_EQ(tb->x - ta->x, 118) << ta->text;
                EXPECT_EQ(tb->y - ta->y, 197) << ta->text;
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
}

}  // namespace
}  // namespace citforms::print
