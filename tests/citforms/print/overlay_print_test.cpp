// The overlays of the CIT-2 (17) and of the CIT-2/O (1) to (4) onto pre-printed paper: each
// page carries the declaration's values and nothing of the form, the same fields as the full
// form in the same formats, and the host's offsets move every value by the same amount.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "citforms/host/globals.h"
#include "citforms/print/cit2_attachment_prints.h"
#include "citforms/print/cit8_prints.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/print/page_builder.h"

namespace citforms::print {
namespace {

struct Overlay {
    const char* full;
    std::vector<int> bands;
    const PrintProcedure& procedure;
};
const Overlay kOverlays[] = {
    {"CIT_2_Prn_35", {1, 29}, cit2Print35Overlay()},
    {"CIT_O_Prn_35", {1, 26}, cit2OPrint35Overlay()},
    {"CIT_O_Prn_32", {1, 27}, *cit2AttachmentProcedure("CIT_O_Prn_32_nadruk")},
    {"CIT_O_Prn_33", {1, 24}, *cit2AttachmentProcedure("CIT_O_Prn_33_nadruk")},
    {"CIT_O_Prn_34", {1, 24}, *cit2AttachmentProcedure("CIT_O_Prn_34_nadruk")},
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
        EXPECT_EQ(o.procedure.name, name);
        auto overlay = openLayout(name);
        auto full = openLayout(o.full);
        ASSERT_TRUE(overlay) << overlay.error();
        ASSERT_TRUE(full) << full.error();
        EXPECT_EQ(overlay->pageBands(), o.bands) << name;
        // The offsets are taken in the layout's units: as they are in millimetres (template
        // 32, its own area), x 39.35 in thousandths (the full form's area).
        const Rect& oa = overlay->report().area;
        if (overlay->report().units == Units::Millimetres) {
            EXPECT_EQ(o.procedure.offsets, Offsets::Millimetres) << name;
            EXPECT_TRUE(oa.x == 15 && oa.y == 10 && oa.width == 176 && oa.height == 272) << name;
        } else {
            const Rect& fa = full->report().area;
            EXPECT_EQ(o.procedure.offsets, Offsets::Thousandths) << name;
            EXPECT_TRUE(oa.x == fa.x && oa.y == fa.y && oa.width == fa.width &&
                        oa.height == fa.height)
                << name;
        }
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
        // DEKLARACJE_XPOS / YPOS 0 and 3, 5 mm, as the pipeline sets the origin: 3 mm and
        // 3 x 39.35 thousandths both come to 118 on the page, 5 mm to 197 (a millimetre
        // layout's positions are rounded to the thousandth once, with the origin in them).
        const bool mm = o.procedure.offsets == Offsets::Millimetres;
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
    // Templates 3 and 31 have none: the whole form whatever the setting.
    EXPECT_EQ(formPrintFor("CIT_O_Prn_33", g), formPrintOf("CIT_O_Prn_33_nadruk"));
    EXPECT_EQ(formPrintFor("CIT_O_Prn", g), formPrintOf("CIT_O_Prn"));
    EXPECT_EQ(formPrintFor("CIT_O_Prn_31", g), formPrintOf("CIT_O_Prn_31"));
    EXPECT_NE(formPrintOf("CIT_O_Prn"), nullptr);
    g.DEKLARACJE_NADRUK = 0;
    EXPECT_EQ(formPrintFor("CIT_O_Prn_35", g), formPrintOf("CIT_O_Prn_35"));
    EXPECT_EQ(formPrintFor("CIT_O_Prn_32", g), formPrintOf("CIT_O_Prn_32"));
}

}  // namespace
}  // namespace citforms::print
