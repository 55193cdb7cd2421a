#include "citforms/shell/print_dispatch.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "citforms/support/fake_host.h"

namespace citforms::module {
namespace {

using testing::FakeHost;

constexpr const char* kOrdZuQuery =
    "select nr_pola, wartosc_pola from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=17 AND "
    "typ='ORD-ZU'";

bool pageHas(const print::PageContent& page, const std::string& text) {
    for (const auto& item : page.items) {
        if (auto t = std::get_if<print::TextItem>(&item); t && t->text == text) return true;
    }
    return false;
}

class PrintDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(module_.bindHost(host_.binding()));
        host_.utility.script(kOrdZuQuery, {{"13", "Powód korekty"}});
        host_.utility.script(
            "select wartosc_pola from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=17 AND "
            "typ='ORD-ZU' AND nr_pola=13",
            {{"Powód korekty"}});
        host_.addPoz(17, 0, "1", "7781234563");
        host_.addPoz(17, 1, "8", "1500.00");
    }
    // The CIT-8's purpose and attachment counts.
    void declaration(const std::string& purpose, const std::string& cit8o,
                     const std::string& citbr) {
        host_.addPoz(17, 0, "7", purpose);
        host_.addPoz(17, 0, "27", cit8o);
        host_.addPoz(17, 0, "28", citbr);
    }
    std::vector<std::string> pdfCalls() const {
        std::vector<std::string> out;
        for (const std::string& name : host_.callNames()) {
            if (name.starts_with("print.")) out.push_back(name);
        }
        return out;
    }

    FakeHost host_;
    ModuleState module_;
};

TEST_F(PrintDispatch, PdfOfACorrectionHoldsCit8OrdZuCit8OAndEachCitBrInOrder) {
    declaration("2", "1.00", "2.00");
    host_.addPoz(17, 502, "10", "2500.00");  // CIT-BR 2, position 10; CIT-BR 1 never filled
    host_.data.globalValues.DANE_DRUKARKA_EKRAN = 0;  // the printer: a PDF all the same
    host_.addPoz(17, 0, "4", "78531");  // 1 January 2016
    host_.addPoz(17, 0, "5", "78896");  // 31 December 2016
    host_.utility.script(
        "select f.nazwa from FIRMA f inner join DEKLARACJE_NAG n on n.id_firmy = f.id_firmy "
        "where n.id_deklaracje_nag = 17",
        {{"Młyn Pszenica"}});
    // The announced CIT-BR 1 has no values: it prints from the defaults of a new copy, and the
    // warning, shown once the file is written, says so.
    EXPECT_EQ(ZAPISZ_CIT8_DO_PDF(module_, 73, 17, "/tmp/zeznanie.pdf   "), 1);
    EXPECT_EQ(host_.utility.messagesOf("MSG_OST"),
              std::vector<std::string>{"Brak wartości załącznika CIT-BR (formularz nr 1); plik "
                                       "PDF zawiera te formularze z wartościami domyślnymi."});
    // The PDF is titled by the declaration it holds.
    EXPECT_EQ(host_.print.startTitle, "CIT-8 (24) \u2013 Młyn Pszenica \u2013 2016");
    EXPECT_EQ(pdfCalls(), (std::vector<std::string>{
                              "print.MAKEPDF 0|/tmp/zeznanie.pdf", "print.MAKEPDF 1|",
                              "print.MAKEPDF 1|", "print.MAKEPDF 1|", "print.MAKEPDF 1|",
                              "print.MAKEPDF 1|", "print.MAKEPDF 2|"}));
    const auto& pages = host_.print.appended;
    ASSERT_EQ(pages.size(), 4u + 1u + 3u + 2u + 2u);
    const std::pair<std::size_t, const char*> marks[] = {
        {0, "1/4"}, {3, "4/4"}, {4, "ORD-ZU"}, {5, "CIT-8/O(11)"}, {5, "1/3"}, {7, "3/3"},
        {8, "CIT-BR(1)"}, {8, "1/2"}, {10, "CIT-BR(1)"}, {10, "2/2"}, {10, "2 500,00"},
        {4, "Powód korekty"}};
    for (auto [page, text] : marks) EXPECT_TRUE(pageHas(pages[page], text)) << page << text;
    EXPECT_FALSE(pageHas(pages[8], "2 500,00")) << "copy 1 holds no values of copy 2";
    EXPECT_EQ(pages[0].title, "CIT_8_Prn_73");
    EXPECT_EQ(pages[4].title, "CIT_ORDZU_Prn");
    EXPECT_EQ(pages[8].title, "CIT_BR_Prn_73");
    EXPECT_EQ(pages[10].title, "CIT_BR_Prn_73");
    // The print settings for PDF stay set; the append resets its own setting.
    const host::Globals& g = host_.data.globalValues;
    EXPECT_EQ(g.GGG_PRN_UPO_INFO_DRUKUJ, 1);
    EXPECT_EQ(g.GGG_EMAILPDFSAVEAS, 0);
    EXPECT_EQ(module_.declaration.CIT_ID_DEKLARACJI, 17);
    EXPECT_EQ(module_.declaration.CIT_ID_WZORCA, 73);
}

TEST_F(PrintDispatch, PdfOfAnOriginalWithoutAttachmentsIsTheCit8Alone) {
    declaration("1", "0.00", "0.00");
    EXPECT_EQ(ZAPISZ_CIT8_DO_PDF(module_, 73, 17, "a.pdf"), 1);
    EXPECT_EQ(host_.print.appended.size(), 4u);
}

TEST_F(PrintDispatch, PdfRefusals) {
    struct Case {
        std::int32_t templateId;
        const char* message;
    };
    // A CIT-2 is printed, not exported.
    const Case cases[] = {{0, "Brak wzorca deklaracji."},
                          {99, "Brak obsługi wzorca deklaracji."},
                          {35, "Brak obsługi wzorca deklaracji."},
                          {3, "Brak obsługi wzorca deklaracji."}};
    for (const Case& c : cases) {
        host_.utility.messages.clear();
        EXPECT_EQ(ZAPISZ_CIT8_DO_PDF(module_, c.templateId, 17, "a.pdf"), 0);
        ASSERT_EQ(host_.utility.messages.size(), 1u);
        EXPECT_EQ(host_.utility.messages[0].text, c.message);
    }
    EXPECT_TRUE(pdfCalls().empty()) << "no PDF is started for a refused template";
}

TEST_F(PrintDispatch, APdfThatCannotBeStartedOrFinishedIsNotMade) {
    declaration("2", "1.00", "1.00");
    host_.print.startResult = 2;
    EXPECT_EQ(ZAPISZ_CIT8_DO_PDF(module_, 73, 17, "/nowhere/a.pdf"), 0);
    EXPECT_EQ(pdfCalls(), std::vector<std::string>{"print.MAKEPDF 0|/nowhere/a.pdf"});
    host_.print.startResult = 0;
    host_.print.pdfResult = 2;
    EXPECT_EQ(ZAPISZ_CIT8_DO_PDF(module_, 73, 17, "a.pdf"), 0);
}

TEST_F(PrintDispatch, AnAbsurdCitBrCountStopsAtTheSheetsADeclarationCanHold) {
    declaration("1", "0.00", "100000.00");
    host_.addPoz(17, 900, "10", "1.00");  // CIT-BR 400, the last a declaration can hold
    EXPECT_EQ(ZAPISZ_CIT8_DO_PDF(module_, 73, 17, "a.pdf"), 0);
    EXPECT_EQ(host_.print.appended.size(), 4u + 400u * 2u);
    EXPECT_TRUE(pageHas(host_.print.appended[host_.print.appended.size() - 2], "400/400"));
    // The copies beyond the sheets are not printed; those never filled print from their
    // defaults. Both are named as runs, not one by one.
    EXPECT_EQ(host_.utility.messagesOf("MSG_OST"),
              (std::vector<std::string>{
                  "Załącznik CIT-BR ma najwyżej 400 formularzy (formularz nr 401-100000); plik "
                  "PDF nie zawiera tych formularzy.",
                  "Brak wartości załącznika CIT-BR (formularz nr 1-399); plik PDF zawiera te "
                  "formularze z wartościami domyślnymi."}));
}

TEST_F(PrintDispatch, ACitStAnnouncedButNotLinkedAddsNoPageAndIsToldAsItHappened) {
    declaration("1", "0.00", "0.00");
    host_.addPoz(17, 0, "25", "1.00");
    EXPECT_EQ(ZAPISZ_CIT8_DO_PDF(module_, 73, 17, "a.pdf"), 1);
    EXPECT_EQ(host_.print.appended.size(), 4u);
    const std::string told =
        "Deklaracja CIT-8 (id 17) zapowiada informację CIT-ST, ale nie ma powiązanej informacji "
        "CIT-ST";
    EXPECT_EQ(host_.utility.messagesOf("MSG_OST"),
              std::vector<std::string>{told + "; plik PDF nie zawiera stron CIT-ST."});
    // A file that could not be finished is no file without CIT-ST pages.
    host_.utility.messages.clear();
    host_.print.pdfResult = 2;
    EXPECT_EQ(ZAPISZ_CIT8_DO_PDF(module_, 73, 17, "a.pdf"), 0);
    EXPECT_EQ(host_.utility.messagesOf("MSG_OST"), std::vector<std::string>{told + "."});
}

TEST_F(PrintDispatch, PrintEntryPrintsTheMainFormOnlyAndClearsTheState) {
    declaration("2", "1.00", "2.00");
    host_.utility.script(
        "select id_deklaracje_wzorzec from DEKLARACJE_NAG where id_deklaracje_nag = 17", {{"73"}});
    host_.data.globalValues.GGG_EMAILPDFSAVEAS = 10;
    WYDRUK_DEKLARACJI_CIT(module_, "17");
    EXPECT_EQ(host_.print.appended.size(), 4u);
    EXPECT_EQ(module_.declaration.CIT_ID_DEKLARACJI, 0);
    EXPECT_EQ(module_.declaration.CIT_ID_WZORCA, 0);
}

TEST_F(PrintDispatch, PrintEntryPutsOnlyANumberIntoItsStatement) {
    WYDRUK_DEKLARACJI_CIT(module_, "17 or 1=1");
    ASSERT_FALSE(host_.utility.statements.empty());
    EXPECT_EQ(host_.utility.statements[0].text,
              "select id_deklaracje_wzorzec from DEKLARACJE_NAG where id_deklaracje_nag = 0");
    EXPECT_TRUE(host_.print.appended.empty());
}

// Templates 3 and 31 to 34 print their own edition's whole form; with the overlay setting
// 32 to 34 print their values alone, 3 and 31 the whole form still.
TEST_F(PrintDispatch, PrintEntryPrintsEachOlderCit2Edition) {
    struct Case {
        const char* templateId;
        int overlay;
        const char* mark;  // the edition's mark on page 2; none on an overlay
    };
    const Case cases[] = {{"3", 1, "CIT-2(12)"}, {"31", 1, "CIT-2(13)"}, {"32", 0, "CIT-2(14)"},
                          {"32", 1, nullptr},    {"34", 0, "CIT-2(16)"},  {"34", 1, nullptr}};
    for (const Case& c : cases) {
        // The pages handed over for e-mail, which the full forms and the overlays both do.
        host_.data.globalValues.GGG_EMAILPDFSAVEAS = 1;
        host_.print.sent.clear();
        host_.data.globalValues.DEKLARACJE_NADRUK = c.overlay;
        host_.utility.script(
            "select id_deklaracje_wzorzec from DEKLARACJE_NAG where id_deklaracje_nag = 17",
            {{c.templateId}});
        WYDRUK_DEKLARACJI_CIT(module_, "17");
        EXPECT_TRUE(host_.utility.messages.empty()) << c.templateId;
        ASSERT_EQ(host_.print.sent.size(), 2u) << c.templateId;
        const print::PageContent& page = host_.print.sent[1];
        if (c.mark != nullptr) {
            EXPECT_TRUE(pageHas(page, c.mark)) << c.templateId;
        } else {
            EXPECT_TRUE(std::all_of(page.items.begin(), page.items.end(), [](const auto& item) {
                return std::holds_alternative<print::TextItem>(item);
            })) << c.templateId << ": an overlay draws nothing but values";
        }
    }
}

}  // namespace
}  // namespace citforms::module
