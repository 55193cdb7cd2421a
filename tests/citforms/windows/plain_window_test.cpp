#include "citforms/host/plain_window.h"

#include <gtest/gtest.h>

#include "citforms/windows/plain_documents.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace citforms::host {
namespace {

constexpr std::string_view kDoc = R"(window W title="Okno" size=3000,2000
label at=0,0,100,100 text="Etykieta"
list L at=0,0,100,100 items="21|23|24"
entry T at=0,0,100,100 capacity=3
count C at=0,0,100,100 capacity=2
amount A at=0,0,100,100
date D hidden at=0,0,100,100
check K at=0,0,100,100 text="Nadruk"
button Drukuj key=F10 action=print
button Anuluj key=Esc action=close
)";

TEST(PlainWindowDocument, RefusesWhatIsNotAWindow) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"label at=0,0,1,1\n", "the first record must be 'window'"},
        {"window W\nlist at=0,0,1,1\n", "'list' needs a name"},
        {"window W\nentry E\n", "'entry' needs at="},
        {"window W\nbutton OK key=F10\n", "a button needs action="},
        {"window W\nentry E at=0,0,1,1\nentry E at=0,0,1,1\n", "a second control named 'E'"},
        {"window W\nslider S at=0,0,1,1\n", "unknown record 'slider'"},
        {"window W\nentry E at=0,0,1,1 colour=red\n", "colour"},
        {"window W\nentry E at=0,0,1,1 capacity=0\n", "bad capacity"},
        {"", "no 'window' record"},
    };
    for (const auto& [text, why] : cases) {
        auto doc = PlainWindowDocument::parse(text, "t.dialog");
        ASSERT_FALSE(doc) << text;
        EXPECT_NE(doc.error().find(why), std::string::npos) << doc.error();
    }
}

TEST(PlainWindow, NumbersControlsAndTakesOnlyValuesOfTheirKind) {
    std::ostringstream log;
    runtime::ScriptedUi ui(&log);
    PlainWindow w(*PlainWindowDocument::parse(kDoc, "t.dialog"), &ui);
    const WindowModel& m = w.model();
    ASSERT_EQ(m.entries.size(), 7u);  // buttons are counted but are no entries
    EXPECT_EQ(m.entries[1].field, 2);
    EXPECT_EQ(m.buttons.size(), 2u);
    EXPECT_EQ(w.display(0), "Etykieta");

    EXPECT_TRUE(w.edit(1, "23"));  // a row by its text
    EXPECT_EQ(w.value("L"), "23");
    EXPECT_TRUE(w.edit(1, "3"));   // and by its number
    EXPECT_EQ(w.value("L"), "24");
    EXPECT_FALSE(w.edit(1, "4"));
    EXPECT_TRUE(w.edit(2, "żół"));  // characters, not bytes
    EXPECT_FALSE(w.edit(2, "abcd"));
    EXPECT_FALSE(w.edit(3, "123"));
    EXPECT_FALSE(w.edit(3, "-1"));
    EXPECT_TRUE(w.edit(4, "1 234,5"));
    EXPECT_EQ(w.value("A"), "1234.50");
    EXPECT_EQ(w.display(4), "1 234,50");
    EXPECT_FALSE(w.edit(5, "01-01-2016"));  // hidden
    w.setHidden("D", false);
    EXPECT_FALSE(w.edit(5, "31-02-2016"));
    EXPECT_TRUE(w.edit(5, "29-02-2016"));
    EXPECT_EQ(w.display(5), "29-02-2016");
    EXPECT_FALSE(w.edit(6, "2"));
    EXPECT_EQ(w.value("L"), "24");
    EXPECT_NE(log.str().find("Niepoprawna data: 31-02-2016."), std::string::npos);

    bool printed = false;
    w.onAction("print", [&] { printed = true; });
    w.setEnabled("Drukuj", false);
    w.press(0);
    EXPECT_FALSE(printed);
    w.setEnabled("Drukuj", true);
    w.press(0);
    EXPECT_TRUE(printed);
    w.press(1);
    EXPECT_TRUE(w.finished());
    EXPECT_EQ(w.result(), 0);
}

TEST(PlainWindow, EveryBuiltInDocumentIsRead) {
    for (const char* name : {"Param_CIT2", "Wybierz_Adres_Deklar_Cit", "Wybierz_Urzad_Deklar_Cit"}) {
        auto doc = windows::builtInDialog(name);
        EXPECT_TRUE(doc) << doc.error();
    }
}

}  // namespace
}  // namespace citforms::host
