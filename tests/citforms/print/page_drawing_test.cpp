#include "citforms/print/page_drawing.h"

#include <gtest/gtest.h>

#include "citforms/documents/embedded_files.h"
#include "citforms/forms/form.h"
#include "citforms/print/layout_catalogue.h"

namespace citforms::print {
namespace {

struct Expected {
    const char* layout;
    const char* form;   // the form's mark as printed on every page
};
const Expected kForms[] = {
    {"CIT_8_Prn_73", "CIT-8(24)"},
    {"CIT_O_Prn_73", "CIT-8/O(11)"},
    {"CIT_BR_Prn_73", "CIT-BR(1)"},
    {"CIT_2_Prn_35", "CIT-2(17)"},
    {"CIT_O_Prn_35", "CIT-2/O(4)"},
    {"CIT_O_Prn", "CIT-O(1)"},
    {"CIT_O_Prn_31", "CIT-O(2)"},
    {"CIT_O_Prn_32", "CIT-2/O(1)"},
    {"CIT_O_Prn_33", "CIT-2/O(2)"},
    {"CIT_O_Prn_34", "CIT-2/O(3)"},
    {"CIT_2_Prn", "CIT-2(12)"},
    {"CIT_2_Prn_31", "CIT-2(13)"},
    {"CIT_2_Prn_32", "CIT-2(14)"},
    {"CIT_2_Prn_33", "CIT-2(15)"},
    {"CIT_2_Prn_34", "CIT-2(16)"},
};

bool hasText(const PageDrawing& d, const std::string& text) {
    for (const auto& item : d.items) {
        if (auto t = std::get_if<TextItem>(&item); t && t->text == text) return true;
    }
    return false;
}

bool boxContains(const BoxItem& b, int x, int y, int w, int h) {
    return b.x <= x && b.y <= y && x + w <= b.x + b.width && y + h <= b.y + b.height;
}

TEST(PageDrawings, EveryDrawingDocumentIsShippedAndParses) {
    std::size_t files = 0;
    for (const auto& name : embeddedFileNames()) files += name.ends_with(".drawing");
    EXPECT_EQ(shippedDrawings().size(), files) << "a drawing with an unreadable header";
    for (const auto& key : shippedDrawings()) {
        auto d = openPageDrawing(key.substr(0, key.rfind('_')) + ".wmf");
        ASSERT_TRUE(d) << d.error();
        EXPECT_EQ((*d)->name, key);
    }
}

// Every page band's image has a drawing, every value the band prints sits inside a white
// position box of that drawing, every radio on an answer box, and the page carries the form's
// name and page mark as text.
TEST(PageDrawings, BoxesSitWhereTheLayoutPrintsTheValues) {
    for (const auto& form : kForms) {
        auto layout = openLayout(form.layout);
        ASSERT_TRUE(layout) << layout.error();
        const std::size_t pages = layout->pageBands().size();
        int page = 0;
        for (int bandNo : layout->pageBands()) {
            ++page;
            const Band& band = *layout->band(bandNo);
            const Control& image = band.controls.front();
            ASSERT_EQ(image.kind, ControlKind::Image) << band.name;
            auto drawing = openPageDrawing(image.text);
            ASSERT_TRUE(drawing) << drawing.error();
            const PageDrawing& d = **drawing;
            EXPECT_TRUE(hasText(d, form.form)) << d.name;
            EXPECT_TRUE(hasText(d, std::to_string(page) + "/" + std::to_string(pages)))
                << d.name;
            for (const Control& c : band.controls) {
                const bool isField = c.kind == ControlKind::Field && c.name.rfind("GGG:", 0);
                if (!isField && c.kind != ControlKind::Radio) continue;
                const int x = c.at.x - image.at.x;
                const int y = c.at.y - image.at.y;
                const int w = c.kind == ControlKind::Radio ? kRadioSize : c.at.width.value_or(1);
                const int h = c.kind == ControlKind::Radio ? kRadioSize : c.at.height.value_or(1);
                bool inside = false;
                for (const auto& item : d.items) {
                    auto b = std::get_if<BoxItem>(&item);
                    if (b && b->fill == kWhite && boxContains(*b, x, y, w, h)) inside = true;
                }
                EXPECT_TRUE(inside) << d.name << " has no box for " << c.name;
            }
        }
    }
}

TEST(PageDrawings, ImageNamesAreLookedUpUpperCaseWithUnderscore) {
    EXPECT_EQ(imageKey("CIT-8(24)str1.wmf"), "CIT-8(24)STR1_WMF");
    EXPECT_EQ(imageKey("CIT-8O(11)str3.wmf"), "CIT-8O(11)STR3_WMF");
    auto missing = openPageDrawing("CIT-8(24)str9.wmf");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find("CIT-8(24)STR9_WMF"), std::string::npos);
}

TEST(PageDrawings, MalformedDrawingsNameFileAndLine) {
    const char* layoutText =
        "report R units=thou at=0,0,100,100 font=Arial,10,regular\n"
        "band page P1 height=10000\n"
        "image IMAGE1 at=0,52,7031,10625 text=p.wmf\n"
        "field V1 at=100,200,1000,208 picture=s10\n"
        "option V2 at=100,900\n"
        "radio V2:R1 at=1000,1000 value=1\n";
    auto layout = Layout::parse(layoutText, "r.layout");
    ASSERT_TRUE(layout) << layout.error();
    const std::string h = "drawing P_WMF size=7031,10625 form=cit8_24 layout=R band=P1\n";
    struct Case {
        std::string text;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"box at=0,0,1,1\n", 1, "starts with its drawing"},
        {"drawing P_WMF size=7031,10625 layout=S band=P1\n", 1, "not S"},
        {"drawing P_WMF size=7031,10625 form=cit8_24 layout=R band=P9\n", 1, "no band P9"},
        {"drawing Q_WMF size=7031,10625 form=cit8_24 layout=R band=P1\n", 1,
         "shows no image Q_WMF"},
        {"drawing P_WMF size=7031,10625 layout=R band=P1\n", 1, "form"},
        {"drawing P_WMF size=7031,10625 form=cit9 layout=R band=P1\n", 1, "no form cit9"},
        {h + "slot V9\n", 2, "no field V9"},
        {h + "slot V2\n", 2, "no field V2"},
        {h + "choice V1\n", 2, "no option V1"},
        {h + "choice V2\n", 2, "form cit8_24 has no field V2"},
        {h + "slot V1 label=Nazwa\n", 2, "the role of its field"},
        {h + "slot V1 size=5,5\n", 2, "only for natural-size"},
        {h + "slot V1 labelpos=left\n", 2, "no room"},
        {h + "text at=1,1 wrap text=a\n", 2, "needs a width"},
        {h + "box at=1,1,1,1 fill=grey\n", 2, "#RRGGBB"},
        {h + "circle at=1,1\n", 2, "unknown keyword"},
    };
    for (const auto& c : cases) {
        auto d = PageDrawing::parse(c.text, "p.drawing", *layout);
        ASSERT_FALSE(d) << c.text;
        const std::string prefix = "p.drawing:" + std::to_string(c.line) + ": ";
        EXPECT_EQ(d.error().rfind(prefix, 0), 0u) << d.error();
        EXPECT_NE(d.error().find(c.reason), std::string::npos) << d.error();
    }
    // The image sits 52 units down: a slot moves up by as much in the drawing's coordinates.
    auto ok = PageDrawing::parse(h + "slot V1\n", "p.drawing", *layout);
    ASSERT_TRUE(ok) << ok.error();
    const auto& box = std::get<BoxItem>(ok->items.at(0));
    EXPECT_TRUE(boxContains(box, 100, 200 - 52, 1000, 208));
    // The label is the role the form file gives the field.
    EXPECT_EQ(std::get<TextItem>(ok->items.at(1)).text,
              "1. " + forms::FormCatalogue::builtIn().form("cit8_24").field(1)->role);
}

}  // namespace
}  // namespace citforms::print
