// The windows generated from the shipped forms, layouts and drawings, and the declaration
// reader's refusals. Behaviour at the windows is tested by the scripted sessions
// (tests/golden/window_*.case).
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "citforms/host/window_geometry.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/windows/form_window.h"

namespace citforms::windows {
namespace {

using host::EntryKind;

FormWindowLayout generate(const std::string& name, store::DeclarationFields& fields) {
    auto declaration = builtInWindow(name);
    EXPECT_TRUE(declaration) << declaration.error();
    auto layout = windowLayout(*declaration);
    EXPECT_TRUE(layout) << layout.error();
    auto built = buildFormWindow(*declaration, *fields.find(declaration->form)->def, *layout);
    EXPECT_TRUE(built) << built.error();
    return *built;
}

// Each shipped window with its page count and a template whose declaration it edits.
const std::map<std::string, std::pair<std::size_t, int>>& shippedWindows() {
    static const std::map<std::string, std::pair<std::size_t, int>> windows = {
        {"CIT_8_73", {4, 73}},  {"CIT_O_73", {3, 73}}, {"CIT_BR_73", {2, 73}},
        {"CIT_ORDZU", {1, 73}}, {"CIT_D_72", {4, 72}}, {"CIT_D_70", {4, 70}},
        {"CIT_8_72", {4, 72}},  {"CIT_O_72", {3, 72}}, {"CIT_8_70", {4, 70}},
        {"CIT_O_70", {3, 70}},  {"CIT_ST_201", {3, 201}}, {"CIT_2_35", {2, 35}},
        {"CIT_O_35", {2, 35}},  {"CIT_O", {2, 3}},      {"CIT_O_31", {2, 31}},
        {"CIT_O_32", {2, 32}},  {"CIT_O_33", {2, 33}},  {"CIT_O_34", {2, 34}},
        {"CIT_2", {2, 3}},     {"CIT_2_31", {2, 31}},
        {"CIT_2_32", {2, 32}},  {"CIT_2_33", {2, 33}}, {"CIT_2_34", {2, 34}}};
    return windows;
}

TEST(FormWindows, EveryShippedWindowIsGeneratedOverItsForm) {
    const auto& windows = shippedWindows();
    ASSERT_EQ(builtInWindows().size(), windows.size());
    for (const std::string& name : builtInWindows()) {
        ASSERT_TRUE(windows.contains(name)) << name;
        const auto [pages, templateId] = windows.at(name);
        store::DeclarationFields fields(templateId);
        const FormWindowLayout w = generate(name, fields);
        EXPECT_EQ(w.model.pages.size(), pages) << name;
        const store::FieldSet& set = fields.find(w.declaration.form)->set;
        for (const host::EntryModel& e : w.model.entries) {
            EXPECT_TRUE(set.has(e.field)) << name << " position " << e.field;
            EXPECT_GT(e.at.width, 0);
            EXPECT_FALSE(e.kind == EntryKind::Radio && e.radios.size() < 2) << e.field;
        }
        EXPECT_EQ(w.model.buttons.size(), w.actions.size());
    }
}

// The CIT-2 windows of templates 3 and 31 to 34: their attachment, "Drukuj", "Oblicz",
// "Odśwież", "Zapisz" and "Zamknij", in this order, and nothing of template 35's own
// ("Definicja", the service function, "Przelew").
TEST(FormWindows, OlderCit2WindowsHaveTheirEditionsButtons) {
    const std::pair<const char*, int> windows[] = {
        {"CIT_2", 3}, {"CIT_2_31", 31}, {"CIT_2_32", 32}, {"CIT_2_33", 33}, {"CIT_2_34", 34}};
    for (const auto& [name, templateId] : windows) {
        store::DeclarationFields fields(templateId);
        const FormWindowLayout w = generate(name, fields);
        const std::string suffix = templateId == 3 ? "" : "_" + std::to_string(templateId);
        std::vector<std::pair<std::string, std::string>> panel;
        for (const ButtonDeclaration& b : w.actions) {
            if (!b.action.starts_with("page:")) panel.emplace_back(b.caption, b.action);
        }
        const std::vector<std::pair<std::string, std::string>> expected = {
            {templateId < 32 ? "CIT-O" : "CIT-2/O", "window:CIT_O" + suffix},
            {"Drukuj", "print"},  {"Oblicz", "compute"}, {"Odśwież", "refresh"},
            {"Zapisz", "save"},   {"Zamknij", "close"}};
        EXPECT_EQ(panel, expected) << name;
        EXPECT_EQ(w.declaration.layout, "CIT_2_Prn" + suffix) << name;
    }
}

TEST(FormWindows, Cit8EntriesHaveTheKindsOfTheirPositions) {
    store::DeclarationFields fields(73);
    const FormWindowLayout w = generate("CIT_8_73", fields);
    const std::map<int, std::pair<EntryKind, int>> expected = {
        {1, {EntryKind::Display, 0}}, {6, {EntryKind::Text, 0}},    {7, {EntryKind::Radio, 0}},
        {22, {EntryKind::Amount, 0}}, {23, {EntryKind::Radio, 0}},  {25, {EntryKind::Count, 0}},
        {31, {EntryKind::Amount, 1}}, {60, {EntryKind::Whole, 2}},  {62, {EntryKind::Count, 2}},
        {66, {EntryKind::Text, 2}},   {97, {EntryKind::Whole, 3}},  {149, {EntryKind::Date, 3}}};
    for (const auto& [field, kindAndPage] : expected) {
        const auto it = std::find_if(w.model.entries.begin(), w.model.entries.end(),
                                     [&](const auto& e) { return e.field == field; });
        ASSERT_NE(it, w.model.entries.end()) << field;
        EXPECT_EQ(it->kind, kindAndPage.first) << field;
        EXPECT_EQ(it->page, kindAndPage.second) << field;
    }
    // Position 23 answers yes, lost or no; the definition buttons sit beside their positions.
    const auto f23 = std::find_if(w.model.entries.begin(), w.model.entries.end(),
                                  [](const auto& e) { return e.field == 23; });
    EXPECT_EQ(f23->radios.size(), 3u);
    int definitions = 0;
    for (const host::ButtonModel& b : w.model.buttons) definitions += b.caption == "D";
    EXPECT_EQ(definitions, 15);
}

// The entries whose whole text is selected however they are reached, so that typing replaces
// the value: amounts, counts, the CIT-ST employees typed as short text; not the names. The
// CIT-8/O shows the return's NIP and period, which its print names V1, V4, V5.
TEST(FormWindows, AmountsAndCountsAreSelectedOnEntryAndTheAttachmentShowsItsHeader) {
    const struct {
        const char* window;
        int templateId;
        int field;
        bool selected;
    } cases[] = {{"CIT_8_73", 73, 31, true},   {"CIT_8_73", 73, 97, true},
                 {"CIT_8_73", 73, 25, true},   {"CIT_8_73", 73, 8, false},
                 {"CIT_ST_201", 201, 27, true}, {"CIT_ST_201", 201, 23, false},
                 {"CIT_O_73", 73, 1, false}};
    for (const auto& c : cases) {
        store::DeclarationFields fields(c.templateId);
        const FormWindowLayout w = generate(c.window, fields);
        FormWindow window(w, fields.form(w.declaration.form), WindowContext{});
        const std::size_t entry = window.entryOf(c.field);
        ASSERT_LT(entry, w.model.entries.size()) << c.window << " position " << c.field;
        EXPECT_EQ(window.selectsOnEntry(entry), c.selected) << c.window << " " << c.field;
    }
    store::DeclarationFields fields(73);
    const FormWindowLayout o = generate("CIT_O_73", fields);
    for (const int field : {1, 4, 5}) {
        const auto it = std::find_if(o.model.entries.begin(), o.model.entries.end(),
                                     [&](const auto& e) { return e.field == field; });
        ASSERT_NE(it, o.model.entries.end()) << "CIT-8/O position " << field;
        EXPECT_EQ(it->kind, EntryKind::Display);
    }
}

// A read-only window (a filed or locked return): nothing typed is taken, only the buttons
// that change nothing stay, the labels of the page are drawn for a screen, and closing
// after a value changed underneath (an opening rule) asks nothing.
TEST(FormWindows, ReadOnlyTakesNothingAndKeepsOnlyTheButtonsThatChangeNothing) {
    store::DeclarationFields fields(73);
    const FormWindowLayout w = generate("CIT_8_73", fields);
    FormWindow window(w, fields.form("CIT-8"), WindowContext{});
    window.markUnchanged();
    window.setReadOnly("Deklaracja złożona elektronicznie");
    EXPECT_EQ(window.status(), "Deklaracja złożona elektronicznie");
    const std::size_t entry = window.entryOf(31);
    EXPECT_FALSE(window.entryEnabled(entry));
    EXPECT_FALSE(window.edit(entry, "777"));
    std::map<std::string, bool> enabled;
    for (std::size_t b = 0; b < w.model.buttons.size(); ++b)
        enabled[w.model.buttons[b].caption] = window.buttonEnabled(b);
    for (const char* kept : {"1 strona", "Drukuj", "Sprawdź", "Anuluj"})
        EXPECT_TRUE(enabled[kept]) << kept;
    for (const char* gone : {"Zapisz", "Oblicz", "Odśwież", "Przelew", "Definicja", "D"})
        EXPECT_FALSE(enabled[gone]) << gone;
    fields.form("CIT-8")[31].setAmount(values::Amount::fromGrosze(100));
    EXPECT_FALSE(window.hasChanges());

    // Labels are drawn at 7 points at least; only a caption in the top of an entry's box that
    // the entry could not clear at that size keeps a smaller one (6: the print's own).
    int readable = 0;
    for (const print::PageItem& item : w.model.pages[3].background.items)
        if (const auto* text = std::get_if<print::TextItem>(&item); text && !text->wrap) {
            EXPECT_GE(text->font.points, 5) << text->text;
            readable += text->font.points >= 7 ? 1 : 0;
        }
    EXPECT_GT(readable, 40);
}

// Every shipped window's wrapped texts (instructions, row labels beside their values) are
// drawn at 7 points at least with room for their lines: none runs into another text or an
// entry, and a page whose rows moved down is longer by as much.
TEST(FormWindows, WrappedTextsAreReadableAndRunIntoNothing) {
    auto overlap = [](const host::WindowRect& a, const host::WindowRect& b) {
        return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
               b.y < a.y + a.height;
    };
    int wrapped = 0;
    bool longer = false;
    for (const std::string& name : builtInWindows()) {
        store::DeclarationFields fields(shippedWindows().at(name).second);
        const FormWindowLayout w = generate(name, fields);
        for (std::size_t p = 0; p < w.model.pages.size(); ++p) {
            const host::PageModel& page = w.model.pages[p];
            longer = longer || page.height > page.background.height();
            std::vector<print::TextItem> texts;
            for (const print::PageItem& item : page.background.items)
                if (const auto* t = std::get_if<print::TextItem>(&item); t && !t->text.empty())
                    texts.push_back(*t);
            for (const print::TextItem& t : texts) {
                if (!t.wrap) continue;
                ++wrapped;
                EXPECT_GE(t.font.points, 7) << name << ": " << t.text;
                if (t.font.points > 7) continue;  // a heading, as large as in print
                const host::WindowRect box = textExtent(t);
                for (const print::TextItem& other : texts) {
                    if (&other == &t || other.y <= t.y) continue;
                    EXPECT_FALSE(overlap(box, textExtent(other)))
                        << name << " page " << p + 1 << ": \"" << t.text << "\" runs into \""
                        << other.text << "\"";
                }
                for (const host::EntryModel& e : w.model.entries) {
                    if (e.page != static_cast<int>(p) || e.at.y <= t.y) continue;
                    EXPECT_FALSE(overlap(box, e.at)) << name << " page " << p + 1 << ": \""
                                                     << t.text << "\" runs into position "
                                                     << e.field;
                }
            }
        }
    }
    EXPECT_GT(wrapped, 100);
    EXPECT_TRUE(longer);
}

TEST(WindowDeclaration, RefusesWhatItCannotRead) {
    const std::pair<const char*, const char*> cases[] = {
        {"display 1", ":1: the first record must be 'window'"},
        {"window W form=CIT-8\n", ":1: "},  // no layout=
        {"window W form=F layout=L\nbutton X action=close enabled=7", ":2: enabled="},
        {"window W form=F layout=L\nbutton X action=copies:Y", ":2: a copies: action needs"},
        {"window W form=F layout=L\nbutton X action=close page=1", ":2: a page button needs"},
        {"window W form=F layout=L\nbutton X action=close page=1 beside=2 at=1,2,3,4",
         ":2: a page button needs"},
        {"window W form=F layout=L\nbutton X action=close page=1 at=1,2", ":2: at="},
        {"window W form=F layout=L\ndefinition 5-3", ":2: bad position range"},
        {"window W form=F layout=L\ncount 5 digits=12", ":2: digits="},
        {"window W form=F layout=L\nentry 5", ":2: unknown record"},
        {"window W form=F layout=L colour=red", ":1: "},
    };
    for (const auto& [text, reason] : cases) {
        auto parsed = WindowDeclaration::parse(text, "w.window");
        ASSERT_FALSE(parsed) << text;
        EXPECT_NE(parsed.error().find(reason), std::string::npos) << parsed.error();
    }
}

class MapIni : public host::IniManager {
public:
    void init(const std::string&) override {}
    std::string fetch(std::string_view s, std::string_view k, std::string_view f) override {
        auto it = values.find(std::string(s) + "/" + std::string(k));
        return it == values.end() ? std::string(f) : it->second;
    }
    void update(std::string_view s, std::string_view k, std::string_view v) override {
        values[std::string(s) + "/" + std::string(k)] = std::string(v);
    }
    void kill() override {}
    std::map<std::string, std::string> values;
};

TEST(WindowGeometry, KeptUnderTheWindowsNameAndDamagedEntriesIgnored) {
    MapIni ini;
    EXPECT_FALSE(host::loadWindowGeometry(ini, "CIT_8_73"));
    host::storeWindowGeometry(ini, "CIT_8_73", {10, 20, 900, 700, true});
    EXPECT_EQ(host::loadWindowGeometry(ini, "CIT_8_73"),
              (host::WindowGeometry{10, 20, 900, 700, true}));
    EXPECT_FALSE(host::loadWindowGeometry(ini, "CIT_O_73"));
    ini.values["CIT_8_73/Width"] = "9x";
    EXPECT_FALSE(host::loadWindowGeometry(ini, "CIT_8_73"));
    ini.values["CIT_8_73/Width"] = "10";  // too small to grab
    EXPECT_FALSE(host::loadWindowGeometry(ini, "CIT_8_73"));
}

}  // namespace
}  // namespace citforms::windows
