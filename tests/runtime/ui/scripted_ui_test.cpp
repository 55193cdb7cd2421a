#include "runtime/ui/scripted/scripted_ui.h"

#include <gtest/gtest.h>

#include <sstream>

#include "runtime/ui/scripted/button_captions.h"

namespace citforms::runtime {
namespace {

using host::MessageIcon;
using host::MessageRequest;

MessageRequest question(std::string buttons, int defaultButton = 1) {
    return MessageRequest{"Tabrix: Pytanie", "Zapisać zmiany?", std::move(buttons),
                          MessageIcon::Question, defaultButton};
}

TEST(ButtonCaptions, SplitsPlainsAndFinds) {
    EXPECT_EQ(splitButtons("&Tak|&Nie"), (std::vector<std::string>{"&Tak", "&Nie"}));
    EXPECT_EQ(splitButtons("&Zapisz||&Anuluj|"), (std::vector<std::string>{"&Zapisz", "&Anuluj"}));
    EXPECT_EQ(splitButtons(""), (std::vector<std::string>{"&OK"}));
    EXPECT_EQ(splitButtons("  "), (std::vector<std::string>{"&OK"}));

    EXPECT_EQ(plainCaption("&Tak"), "Tak");
    EXPECT_EQ(plainCaption("Ra&port && wydruk"), "Raport & wydruk");

    const std::vector<std::string> captions{"&Zapisz", "&Anuluj", "Żółw"};
    EXPECT_EQ(findButton(captions, "Anuluj"), 2);
    EXPECT_EQ(findButton(captions, "&anuluj"), 2);
    EXPECT_EQ(findButton(captions, "ZAPISZ"), 1);
    EXPECT_EQ(findButton(captions, "Żółw"), 3);
    EXPECT_EQ(findButton(captions, "Drukuj"), 0);
}

TEST(ScriptedUi, ParsesAnswerLists) {
    auto answers = ScriptedUi::parseScript(" 2, Nie ,&Zapisz");
    ASSERT_TRUE(answers);
    ASSERT_EQ(answers->size(), 3u);
    EXPECT_EQ((*answers)[0].number, 2);
    EXPECT_EQ((*answers)[1].caption, "Nie");
    EXPECT_EQ((*answers)[2].caption, "&Zapisz");

    EXPECT_TRUE(ScriptedUi::parseScript("")->empty());
    EXPECT_FALSE(ScriptedUi::parseScript("1,,2"));
    EXPECT_FALSE(ScriptedUi::parseScript("0"));
    EXPECT_FALSE(ScriptedUi::parseScript("99999999999"));
}

TEST(ScriptedUi, AnswersFromTheScriptInOrder) {
    ScriptedUi ui(nullptr, *ScriptedUi::parseScript("Nie,1,anuluj"));
    EXPECT_EQ(ui.message(question("&Tak|&Nie")), 2);
    // A one-button message does not use up an answer.
    EXPECT_EQ(ui.message({"Tabrix: Informacja", "Zapisano.", "&OK"}), 1);
    EXPECT_EQ(ui.message(question("&Tak|&Nie")), 1);
    EXPECT_EQ(ui.message(question("&Zapisz|&Anuluj")), 2);
    EXPECT_EQ(ui.answersLeft(), 0u);

    const auto entries = ui.entries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].how, "script");
    EXPECT_EQ(entries[1].how, "single");
}

TEST(ScriptedUi, FallsBackToTheDefaultButton) {
    ScriptedUi ui(nullptr, *ScriptedUi::parseScript("3,Drukuj"));
    // Button 3 and "Drukuj" fit no button: each is used up and the default answers.
    EXPECT_EQ(ui.message(question("&Tak|&Nie", 2)), 2);
    EXPECT_EQ(ui.message(question("&Zapisz|&Anuluj", 1)), 1);
    // Script exhausted.
    EXPECT_EQ(ui.message(question("&Tak|&Nie", 2)), 2);
    // A default beyond the buttons is clamped to them.
    EXPECT_EQ(ui.message(question("&Tak|&Nie", 7)), 2);

    const auto entries = ui.entries();
    EXPECT_EQ(entries[0].how, "unmatched:3");
    EXPECT_EQ(entries[1].how, "unmatched:Drukuj");
    EXPECT_EQ(entries[2].how, "default");
}

TEST(ScriptedUi, WritesOneEscapedTranscriptLinePerMessage) {
    std::ostringstream transcript;
    ScriptedUi ui(&transcript, *ScriptedUi::parseScript("&Nie"));
    ui.message(
        {"Tabrix: Ostrzeżenie", "Błąd:\tzły\nwiersz \\ koniec", "&OK", MessageIcon::Warning});
    ui.message(question("&Tak|&Nie"));
    ui.message(question("&Tak|&Nie", 1));
    EXPECT_EQ(transcript.str(),
              "message\tTabrix: Ostrzeżenie\twarning\tBłąd:\\tzły\\nwiersz \\\\ koniec\t&OK\t1\tOK"
              "\tsingle\n"
              "message\tTabrix: Pytanie\tquestion\tZapisać zmiany?\t&Tak|&Nie\t2\tNie\tscript\n"
              "message\tTabrix: Pytanie\tquestion\tZapisać zmiany?\t&Tak|&Nie\t1\tTak\tdefault\n");
}

TEST(ScriptedUi, CountsNestedBusyCalls) {
    ScriptedUi ui;
    ui.setBusy(true);
    ui.setBusy(true);
    ui.setBusy(false);
    EXPECT_EQ(ui.busyDepth(), 1);
    ui.setBusy(false);
    ui.setBusy(false);  // one too many does not go below zero
    EXPECT_EQ(ui.busyDepth(), 0);
    EXPECT_EQ(ui.busyOnCalls(), 2);
    EXPECT_EQ(ui.busyOffCalls(), 3);
}

}  // namespace
}  // namespace citforms::runtime
