#include "citforms/print/print_pipeline.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "citforms/print/cit8_prints.h"
#include "citforms/print/declaration_variables.h"
#include "runtime/ui/scripted/scripted_ui.h"
#include "citforms/support/fake_host.h"

namespace citforms::print {
namespace {

// A report runtime that records what the pipeline asked of it.
class RecordingRuntime : public ReportRuntime {
public:
    struct Progress : ProgressDialog {
        RecordingRuntime* owner = nullptr;
        void setTitle(std::string_view t) override { owner->titles.emplace_back(t); }
        void setUserText(std::string_view t) override { owner->userTexts.emplace_back(t); }
        void setProgress(int, std::string_view text) override {
            owner->progressTexts.emplace_back(text);
        }
        void exec(const std::function<bool()>& tick,
                  const std::function<bool()>& cancel) override {
            for (int i = 0; i < owner->cancelPresses; ++i) {
                ++owner->cancelAsked;
                if (cancel()) return;
            }
            while (tick()) ++owner->ticks;
            ++owner->ticks;
        }
    };

    std::unique_ptr<ProgressDialog> openProgress(const ProgressWindow& window) override {
        progressWindowTitle = window.title;
        auto p = std::make_unique<Progress>();
        p->owner = this;
        return p;
    }
    bool preview(const host::PageList& pages, int zoom, host::IniManager*,
                 std::string_view key) override {
        previewed.push_back(pages.size());
        previewZoom = zoom;
        previewKey = std::string(key);
        if (!moveTo.empty()) std::filesystem::current_path(moveTo);
        return printFromPreview;
    }
    bool printerSupportsCopies() override { return makesCopies; }
    bool print(const host::PageList& pages, std::string_view job, int copies) override {
        printed.push_back(pages);
        printedCopies = copies;
        printedJob = std::string(job);
        return havePrinter;
    }

    int cancelPresses = 0;  // Cancel pressed this many times before the first tick
    bool printFromPreview = false;
    bool makesCopies = false;
    bool havePrinter = true;
    std::string moveTo;     // the previewer changes the working folder to this one

    std::string progressWindowTitle;
    std::vector<std::string> titles, userTexts, progressTexts;
    int ticks = 0, cancelAsked = 0;
    std::vector<std::size_t> previewed;
    int previewZoom = 0;
    std::string previewKey;
    std::vector<host::PageList> printed;
    int printedCopies = 0;
    std::string printedJob;
};

std::vector<std::string> textsOf(const PageContent& page) {
    std::vector<std::string> out;
    for (const auto& item : page.items) {
        if (auto t = std::get_if<TextItem>(&item)) out.push_back(t->text);
    }
    return out;
}

bool hasText(const PageContent& page, const std::string& text) {
    const auto texts = textsOf(page);
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

const TextItem* findText(const PageContent& page, const std::string& text) {
    for (const auto& item : page.items) {
        if (auto t = std::get_if<TextItem>(&item); t && t->text == text) return t;
    }
    return nullptr;
}

class PrintPipeline : public ::testing::Test {
protected:
    void SetUp() override {
        binding_ = host_.binding();
        binding_.ui = &ui_;
        fields_.main()[1].setText("7781234563");
        fields_.main()[7].setText("2");
        fields_.main()[31].setAmount(values::Amount::fromGrosze(-123450));
        fields_.main()[32].setAmount(values::Amount::fromGrosze(0));
        globals().GGG_NUMCOPY = 1;
    }
    host::Globals& globals() { return host_.data.globalValues; }
    int printCit8() {
        PrintEnvironment env{binding_, runtime_, nullptr};
        return CIT_8_Prn_73(env, fields_);
    }
    std::vector<runtime::TranscriptEntry> messages() const { return ui_.entries(); }

    testing::FakeHost host_;
    host::HostBinding binding_;
    std::ostringstream transcript_;
    runtime::ScriptedUi ui_{&transcript_};
    RecordingRuntime runtime_;
    store::DeclarationFields fields_;
};

TEST(ProgressPassTest, TakesTwentyFiveEntriesPerTickAndShowsOnlyChangedPercentages) {
    struct Case {
        int entries;
        std::vector<std::vector<int>> shownPerTick;
    };
    const Case cases[] = {
        {2, {{50, 100}}},
        {60, {{1,  3,  5,  6,  8,  10, 11, 13, 15, 16, 18, 20, 21,
               23, 25, 26, 28, 30, 31, 33, 35, 36, 38, 40, 41},
              {43, 45, 46, 48, 50, 51, 53, 55, 56, 58, 60, 61, 63,
               65, 66, 68, 70, 71, 73, 75, 76, 78, 80, 81, 83},
              {85, 86, 88, 90, 91, 93, 95, 96, 98, 100}}},
        {250, {}},  // only the count of ticks is checked below
    };
    for (const Case& c : cases) {
        ProgressPass again(c.entries);
        std::vector<std::vector<int>> perTick;
        while (!again.exhausted()) {
            perTick.emplace_back();
            ASSERT_TRUE(again.tick([&](int p) { perTick.back().push_back(p); }));
        }
        EXPECT_FALSE(again.tick([](int) {})) << "an exhausted list takes no more ticks";
        EXPECT_EQ(perTick.size(), static_cast<std::size_t>((c.entries + 24) / 25)) << c.entries;
        if (!c.shownPerTick.empty()) {
            EXPECT_EQ(perTick, c.shownPerTick) << c.entries;
        }
        EXPECT_EQ(perTick.back().back(), 100) << c.entries;
    }
}

TEST(OffsetTest, MillimetresTimesThirtyNinePointThreeFive) {
    const std::pair<int, int> cases[] = {{0, 0}, {15, 590}, {10, 394}, {3, 118}, {-2, -79},
                                         {1, 39}, {100, 3935}};
    for (auto [mm, thou] : cases) EXPECT_EQ(offsetThousandths(mm), thou) << mm;
}

TEST_F(PrintPipeline, ScreenShowsProgressThenPreviewAtTwentyPercentOver) {
    EXPECT_EQ(printCit8(), kCancelled) << "closing the previewer without printing";
    EXPECT_EQ(runtime_.titles, std::vector<std::string>{"Generating Report"});
    EXPECT_EQ(runtime_.userTexts, std::vector<std::string>{""});
    EXPECT_EQ(runtime_.progressTexts,
              (std::vector<std::string>{"0% Completed", "50% Completed", "100% Completed"}));
    EXPECT_EQ(runtime_.progressWindowTitle, "Progress...");
    EXPECT_EQ(runtime_.previewed, std::vector<std::size_t>{4});
    EXPECT_EQ(runtime_.previewZoom, 120);
    EXPECT_EQ(runtime_.previewKey, "CIT_8_Prn_73");
    EXPECT_TRUE(runtime_.printed.empty());
    EXPECT_EQ(globals().GLOBALRESPONSE, kCancelled);
    EXPECT_TRUE(messages().empty());
}

TEST_F(PrintPipeline, PrintingFromThePreviewerRepeatsPagesWhenThePrinterCannotCopy) {
    runtime_.printFromPreview = true;
    globals().GGG_NUMCOPY = 3;
    EXPECT_EQ(printCit8(), kCompleted);
    ASSERT_EQ(runtime_.printed.size(), 1u);
    const host::PageList& pages = runtime_.printed[0];
    ASSERT_EQ(pages.size(), 12u);
    EXPECT_EQ(runtime_.printedCopies, 1);
    EXPECT_EQ(runtime_.printedJob, "CIT_8_Prn_73");
    // Each page's copies together: 1 1 1 2 2 2 3 3 3 4 4 4.
    const char* marks[] = {"1/4", "2/4", "3/4", "4/4"};
    for (std::size_t i = 0; i < 12; ++i) EXPECT_TRUE(hasText(pages.at(i), marks[i / 3])) << i;
    EXPECT_EQ(globals().GLOBALRESPONSE, kCompleted);
}

// The host contract: DANE_DRUKARKA_EKRAN true is the screen (the previewer, or a PDF), false
// the printer directly. A host following the contract must get a preview when it asks for one.
TEST_F(PrintPipeline, TheScreenSettingTrueMeansThePreviewerAndFalseThePrinter) {
    globals().DANE_DRUKARKA_EKRAN = 1;
    EXPECT_EQ(printCit8(), kCancelled);  // the previewer closed without printing
    EXPECT_EQ(runtime_.titles, std::vector<std::string>{"Generating Report"});
    EXPECT_EQ(runtime_.previewed.size(), 1u);
    EXPECT_TRUE(runtime_.printed.empty());

    runtime_.titles.clear();
    runtime_.previewed.clear();
    globals().DANE_DRUKARKA_EKRAN = 0;
    EXPECT_EQ(printCit8(), kCompleted);
    EXPECT_EQ(runtime_.titles, std::vector<std::string>{"Printing Report"});
    EXPECT_TRUE(runtime_.previewed.empty());
    ASSERT_EQ(runtime_.printed.size(), 1u);
    EXPECT_EQ(runtime_.printed[0].size(), 4u);
}

TEST_F(PrintPipeline, APrinterThatMakesCopiesGetsTheCount) {
    globals().DANE_DRUKARKA_EKRAN = 0;
    globals().GGG_NUMCOPY = 3;
    runtime_.makesCopies = true;
    EXPECT_EQ(printCit8(), kCompleted);
    EXPECT_EQ(runtime_.titles, std::vector<std::string>{"Printing Report"});
    EXPECT_TRUE(runtime_.previewed.empty());
    ASSERT_EQ(runtime_.printed.size(), 1u);
    EXPECT_EQ(runtime_.printed[0].size(), 4u);
    EXPECT_EQ(runtime_.printedCopies, 3);
}

TEST_F(PrintPipeline, NoPrinterIsNotReportedAsCompleted) {
    globals().DANE_DRUKARKA_EKRAN = 0;
    runtime_.havePrinter = false;
    EXPECT_EQ(printCit8(), kCancelled);
    EXPECT_EQ(globals().GLOBALRESPONSE, kCancelled);
}

TEST_F(PrintPipeline, PdfAppendAndHandOverResetTheSettingAndShowNoPreviewer) {
    struct Case {
        int setting;
        int screenFlag;
        bool appended;
    };
    for (const Case c : {Case{10, 0, true}, Case{10, 1, true}, Case{1, 0, false},
                         Case{2, 1, false}}) {
        host_.print.appended.clear();
        host_.print.sent.clear();
        globals().GGG_EMAILPDFSAVEAS = c.setting;
        globals().DANE_DRUKARKA_EKRAN = c.screenFlag;
        EXPECT_EQ(printCit8(), kCompleted) << c.setting;
        EXPECT_EQ(globals().GGG_EMAILPDFSAVEAS, 0);
        EXPECT_EQ(host_.print.appended.size(), c.appended ? 4u : 0u) << c.setting;
        EXPECT_EQ(host_.print.sent.size(), c.appended ? 0u : 4u) << c.setting;
    }
    EXPECT_TRUE(runtime_.previewed.empty());
    EXPECT_TRUE(runtime_.printed.empty());
    EXPECT_EQ(host_.callNames(),
              (std::vector<std::string>{"print.MAKEPDF 1|", "print.MAKEPDF 1|",
                                        "print.MAKEPDFANDSEND", "print.MAKEPDFANDSEND"}));
}

TEST_F(PrintPipeline, AFailedPdfCallIsNotCompleted) {
    host_.print.pdfResult = 2;
    globals().GGG_EMAILPDFSAVEAS = 10;
    EXPECT_EQ(printCit8(), kCancelled);
    EXPECT_EQ(globals().GGG_EMAILPDFSAVEAS, 0);
}

TEST_F(PrintPipeline, CancelQuestionAnsweredNoGoesOnAndYesCancels) {
    runtime_.cancelPresses = 1;
    ui_.addAnswer({0, "No"});
    globals().GGG_EMAILPDFSAVEAS = 10;
    EXPECT_EQ(printCit8(), kCompleted);
    ASSERT_EQ(messages().size(), 1u);
    const runtime::TranscriptEntry question = messages()[0];
    EXPECT_EQ(question.request.title, "Question");
    EXPECT_EQ(question.request.text, "Are you sure you want to CANCEL this Report?");
    EXPECT_EQ(question.request.buttons, "&Yes|&No");
    EXPECT_EQ(question.request.icon, host::MessageIcon::Warning);
    EXPECT_EQ(question.request.defaultButton, 2);
    EXPECT_EQ(host_.print.appended.size(), 4u);

    ui_.addAnswer({0, "Yes"});
    host_.print.appended.clear();
    globals().GGG_EMAILPDFSAVEAS = 10;
    EXPECT_EQ(printCit8(), kCancelled);
    EXPECT_EQ(globals().GLOBALRESPONSE, kCancelled);
    EXPECT_TRUE(host_.print.appended.empty()) << "a cancelled run leaves no PDF pages";
    ASSERT_EQ(messages().size(), 3u);
    EXPECT_EQ(messages()[2].request.title, "NOTE...");
    EXPECT_EQ(messages()[2].request.text, "Nothing to Preview.");
    EXPECT_EQ(messages()[2].request.buttons, "&Ok");
    EXPECT_EQ(messages()[2].request.icon, host::MessageIcon::Information);

    EXPECT_EQ(globals().GGG_EMAILPDFSAVEAS, 10) << "only a PDF step resets the setting";
    ui_.addAnswer({1, ""});
    globals().GGG_EMAILPDFSAVEAS = 0;
    globals().DANE_DRUKARKA_EKRAN = 0;
    EXPECT_EQ(printCit8(), kCancelled);
    EXPECT_TRUE(runtime_.printed.empty());
    EXPECT_EQ(messages().back().request.text, "Nothing to Print.");
}

TEST_F(PrintPipeline, ReceiptLinesOnlyWhenAskedForAndOnlyOnPageOne) {
    globals().GGG_PRN_UPO_INFO_1 = "Potwierdzenie odbioru: 1234";
    globals().GGG_PRN_UPO_INFO_2 = "Data wpływu: 2017-03-24";
    globals().GGG_EMAILPDFSAVEAS = 10;
    globals().GGG_PRN_UPO_INFO_DRUKUJ = 0;
    printCit8();
    ASSERT_EQ(host_.print.appended.size(), 4u);
    for (const PageContent& page : host_.print.appended) {
        EXPECT_FALSE(hasText(page, "Potwierdzenie odbioru: 1234"));
        EXPECT_FALSE(hasText(page, "Data wpływu: 2017-03-24"));
    }
    host_.print.appended.clear();
    globals().GGG_EMAILPDFSAVEAS = 10;
    globals().GGG_PRN_UPO_INFO_DRUKUJ = 1;
    printCit8();
    ASSERT_EQ(host_.print.appended.size(), 4u);
    EXPECT_TRUE(hasText(host_.print.appended[0], "Potwierdzenie odbioru: 1234"));
    EXPECT_TRUE(hasText(host_.print.appended[0], "Data wpływu: 2017-03-24"));
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_FALSE(hasText(host_.print.appended[i], "Potwierdzenie odbioru: 1234"));

    // The older CIT-8 editions carry the same lines on their first page.
    using Print = int (*)(const PrintEnvironment&, const store::DeclarationFields&);
    for (const auto& [print, templateId] : {std::pair<Print, int>{CIT_8_Prn_72, 72},
                                            std::pair<Print, int>{CIT_8_Prn_70, 70}}) {
        host_.print.appended.clear();
        globals().GGG_EMAILPDFSAVEAS = 10;
        const store::DeclarationFields older(templateId);
        PrintEnvironment env{binding_, runtime_, nullptr};
        print(env, older);
        ASSERT_EQ(host_.print.appended.size(), 4u) << templateId;
        EXPECT_TRUE(hasText(host_.print.appended[0], "Potwierdzenie odbioru: 1234")) << templateId;
        EXPECT_TRUE(hasText(host_.print.appended[0], "Data wpływu: 2017-03-24")) << templateId;
    }
}

TEST_F(PrintPipeline, OffsetsMoveEveryValueByTheFactor) {
    globals().GGG_EMAILPDFSAVEAS = 10;
    printCit8();
    globals().GGG_EMAILPDFSAVEAS = 10;
    globals().DEKLARACJE_XPOS = 15;
    globals().DEKLARACJE_YPOS = 10;
    printCit8();
    ASSERT_EQ(host_.print.appended.size(), 8u);
    const TextItem* before = findText(host_.print.appended[0], "7781234563");
    const TextItem* after = findText(host_.print.appended[4], "7781234563");
    ASSERT_TRUE(before && after);
    EXPECT_EQ(before->x, 1979);  // the layout's margin is replaced, not added to
    EXPECT_EQ(after->x - before->x, 590);
    EXPECT_EQ(after->y - before->y, 394);
}

TEST_F(PrintPipeline, AmountsAndChoicesOfTheFieldSetsOnTheirPages) {
    fields_.main()[20].setAmount(values::Amount::fromGrosze(100));
    fields_.main()[21].setAmount(values::Amount::fromGrosze(200));
    fields_.main()[23].setAmount(values::Amount::fromGrosze(300));
    fields_.main()[24].setAmount(values::Amount::fromGrosze(0));  // no answer: no mark
    globals().GGG_EMAILPDFSAVEAS = 10;
    printCit8();
    ASSERT_EQ(host_.print.appended.size(), 4u);
    const PageContent& page2 = host_.print.appended[1];
    EXPECT_TRUE(hasText(page2, "-1 234,50"));
    EXPECT_TRUE(hasText(page2, "0,00"));

    // One mark per answered choice, on the chosen box: 7 = 2, 20 = 1, 21 = 2, 23 = 3.
    std::vector<std::pair<int, int>> marks;
    for (const auto& item : host_.print.appended[0].items) {
        if (auto m = std::get_if<MarkItem>(&item)) marks.emplace_back(m->x, m->y);
    }
    std::vector<std::pair<int, int>> wanted = {{2604, 6458}, {4583, 6896}, {6135, 7604},
                                               {3885, 3552}};
    std::sort(marks.begin(), marks.end());
    std::sort(wanted.begin(), wanted.end());
    EXPECT_EQ(marks, wanted);
}

TEST_F(PrintPipeline, AttachmentPrintsTakeTheirOwnSetsAndTheCit8Identity) {
    fields_.main()[4].setText("78532     ");
    fields_.form("CIT-8/O")[8].setAmount(values::Amount::fromGrosze(150000));
    fields_.form("CIT-BR")[6].setText("3/3");
    fields_.form("ORD-ZU")[13].setText("Uzasadnienie korekty");
    PrintEnvironment env{binding_, runtime_, nullptr};
    globals().GGG_EMAILPDFSAVEAS = 10;
    CIT_O_Prn_73(env, fields_);
    globals().GGG_EMAILPDFSAVEAS = 10;
    CIT_BR_Prn_73(env, fields_);
    globals().GGG_EMAILPDFSAVEAS = 10;
    CIT_ORDZU_Prn(env, fields_);
    const auto& pages = host_.print.appended;
    ASSERT_EQ(pages.size(), 3u + 2u + 1u);
    EXPECT_TRUE(hasText(pages[0], "7781234563"));
    EXPECT_TRUE(hasText(pages[0], "02-01-2016"));
    EXPECT_TRUE(hasText(pages[0], "1 500,00"));
    EXPECT_TRUE(hasText(pages[0], "1/3"));
    EXPECT_TRUE(hasText(pages[3], "3/3"));
    EXPECT_TRUE(hasText(pages[5], "Uzasadnienie korekty"));
    EXPECT_TRUE(hasText(pages[5], "ORD-ZU"));
    EXPECT_EQ(pages[5].title, "CIT_ORDZU_Prn");
}

TEST_F(PrintPipeline, WorkingFolderMovedByADialogIsRestored) {
    const auto start = std::filesystem::current_path();
    globals().GLO_CUTEMP = start.string();
    runtime_.moveTo = std::filesystem::temp_directory_path().string();
    printCit8();
    EXPECT_EQ(std::filesystem::current_path(), start);
}

TEST(DeclarationVariablesTest, NamesReachTheirFieldSets) {
    store::DeclarationFields f;
    host::Globals g;
    f.main()[1].setText("NIP8");
    f.main()[150].setText("uwagi");
    f.main()[31].setAmount(values::Amount::fromGrosze(1250));
    f.form("CIT-8/O")[8].setAmount(values::Amount::fromGrosze(-5));
    f.form("CIT-8/O")[91].setText("91O");
    f.form("CIT-BR")[6].setText("2/3");
    f.form("ORD-ZU")[13].setText("tekst");
    g.GGG_PRN_UPO_INFO_1 = "UPO 1";
    g.GGG_PRN_UPO_INFO_2 = "UPO 2";
    const DeclarationVariables v(f, g);
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"V1", "NIP8"},       {"V150", "uwagi"},    {"V31", "12.50"},
        {"V8O", "-0.05"},     {"V91O", "91O"},      {"VBR_6", "2/3"},
        {"V13U", "tekst"},    {"GGG:PRN_UPO_INFO_1", "UPO 1"},
        {"GGG:PRN_UPO_INFO_2", "UPO 2"},            {"V2", std::nullopt},
        {"V151", std::nullopt}, {"V92O", std::nullopt}, {"V3U", std::nullopt},
        {"VBR_68", std::nullopt}, {"V01", std::nullopt}, {"X1", std::nullopt},
        {"V", std::nullopt},  {"VBR_", std::nullopt},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(v.value(name), expected) << name;
}

TEST(DisplayStringsTest, KeysOfTheFileReplaceTheDefaults) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("cpcsrpts-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    EXPECT_EQ(DisplayStrings::load(folder.string()).progWinTitlePrvw, "Generating Report");
    {
        std::ofstream ini(folder / "CPCSRPTS.INI");
        ini << "[DISPLAY STRINGS 2.0]\n"
               "ProgWinTitlePrvw=Generowanie wydruku\n"
               "CancelAreYouSureText=Przerwać wydruk?\n"
               "NothingToPrvwText=Brak stron, nic do pokazania.\n"
               "ButtonYesNo=&Tak|&Nie\n"
               "[OTHER]\nProgWinPctText=nie stąd\n";
    }
    const DisplayStrings s = DisplayStrings::load(folder.string());
    EXPECT_EQ(s.progWinTitlePrvw, "Generowanie wydruku");
    EXPECT_EQ(s.cancelAreYouSureText, "Przerwać wydruk?");
    EXPECT_EQ(s.nothingToPrvwText, "Brak stron, nic do pokazania.");
    EXPECT_EQ(s.buttonYesNo, "&Tak|&Nie");
    EXPECT_EQ(s.progWinPctText, "% Completed") << "a key of another section";
    EXPECT_EQ(s.progWinTitlePrnt, "Printing Report");
    EXPECT_EQ(s.nothingToPrntText, "Nothing to Print.");
    EXPECT_EQ(s.progWinUsrText, "");
    std::filesystem::remove_all(folder);
    EXPECT_EQ(DisplayStrings::load("").cancelAreYouSureTitle, "Question");
}

TEST_F(PrintPipeline, DisplayStringsFromTheProgramFolderReachTheDialogs) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("cpcsrpts-run-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream ini(folder / "CPCSRPTS.INI");
        ini << "[DISPLAY STRINGS 2.0]\nProgWinTitlePrvw=Generowanie\nProgWinPctText=% gotowe\n"
               "CancelAreYouSureTitle=Pytanie\n";
    }
    globals().GGG_PROGRAMPATH = folder.string();
    runtime_.cancelPresses = 1;
    ui_.addAnswer({2, ""});
    printCit8();
    std::filesystem::remove_all(folder);
    EXPECT_EQ(runtime_.titles, std::vector<std::string>{"Generowanie"});
    EXPECT_EQ(runtime_.progressTexts.back(), "100% gotowe");
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(messages()[0].request.title, "Pytanie");
}

}  // namespace
}  // namespace citforms::print
