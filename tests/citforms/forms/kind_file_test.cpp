#include "citforms/forms/kind_file.h"

#include <gtest/gtest.h>

#include <set>

#include "citforms/forms/form.h"
#include "citforms/header/new_cit8.h"
#include "citforms/module/declaration_kinds.h"
#include "citforms/print/cit8_prints.h"
#include "citforms/print/embedded_files.h"
#include "citforms/windows/window_declaration.h"

namespace citforms::forms {
namespace {

// A kind file lists the forms its template's declarations carry; for a built-in kind that is
// what the form files themselves say, and each print and window it names exists.
TEST(KindFiles, BuiltInKindsAgreeWithTheFormsPrintsAndWindows) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const std::string& name : print::embeddedFileNames()) {
        if (name.ends_with(".form")) files.emplace_back(name, std::string(*print::embeddedFile(name)));
    }
    const auto asFiled = FormCatalogue::fromFiles(files);
    ASSERT_TRUE(asFiled) << asFiled.error();
    ASSERT_EQ(kindFiles().size(), 10u);
    for (const KindFile& kind : kindFiles()) {
        SCOPED_TRACE(kind.fileName);
        std::set<std::string> named(kind.forms.begin(), kind.forms.end());
        std::set<std::string> carried;
        for (const FormDef& f : asFiled->all()) {
            for (int t : f.templates)
                if (t == kind.templateId) carried.insert(f.id);
        }
        EXPECT_EQ(named, carried);
        EXPECT_EQ(asFiled->find(kind.forms.front())->name, kind.family);
        for (const std::string& w : kind.windows) EXPECT_TRUE(windows::builtInWindow(w)) << w;
        // The CIT-ST prints its copies through its own procedures.
        if (kind.family != "CIT-ST") {
            EXPECT_NE(print::formPrintOf(kind.mainPrint), nullptr);
        }
        for (const PdfStep& step : kind.pdf) {
            if (step.print == "CIT_ST_Prn_201") continue;  // the linked CIT-ST's own pages
            EXPECT_NE(print::formPrintOf(step.print), nullptr) << step.print;
        }
        const module::DeclarationKind* k = module::declarationKind(kind.templateId);
        ASSERT_NE(k, nullptr);
        EXPECT_TRUE(static_cast<bool>(k->load));
    }
}

TEST(KindFiles, TheEditionProposedForAPeriodComesFromTheKindsDates) {
    EXPECT_EQ(header::proposedEdition(values::fromDate(2016, 1, 2)), "24");
    EXPECT_EQ(header::proposedEdition(values::fromDate(2017, 12, 2)), "24");
    EXPECT_EQ(header::proposedEdition(values::fromDate(2015, 1, 2)), "23");
    EXPECT_EQ(header::proposedEdition(values::fromDate(2015, 12, 2)), "23");
    EXPECT_EQ(header::proposedEdition(values::fromDate(2014, 12, 2)), "21");
}

TEST(KindFiles, AMalformedFileIsNamedWithItsLine) {
    const auto fails = [](std::string_view text) {
        const auto k = KindFile::parse(text, "x.kind");
        return k ? std::string("parsed") : k.error();
    };
    EXPECT_EQ(fails("forms cit8_24\n").rfind("x.kind:1:", 0), 0u);
    EXPECT_EQ(fails("kind 5 family=CIT-8 procedures=cit8\nforms a\nwindows W\npdf P when=x\n")
                  .rfind("x.kind:4:", 0),
              0u);
    EXPECT_EQ(fails("kind 5 family=CIT-8 procedures=cit8 from=2016-13-02\n").rfind("x.kind:1:", 0),
              0u);
    EXPECT_NE(fails("kind 5 family=CIT-8 procedures=cit8\nwindows W\n").find("no forms"),
              std::string::npos);
    const auto k = KindFile::parse(
        "kind 5 family=CIT-8 procedures=cit8 until=2015-12-31\nforms a\nwindows W\n"
        "pdf P when=7=2\npdf D copies=29 of=CIT-D\ntransfer amount=95 symbol=CIT8 period=year\n",
        "x.kind");
    ASSERT_TRUE(k) << k.error();
    EXPECT_EQ(k->pdf[0].field, 7);
    EXPECT_EQ(k->pdf[0].equals, 2);
    EXPECT_EQ(k->pdf[1].perCopyOf, "CIT-D");
    EXPECT_TRUE(k->proposedFor(values::fromDate(2015, 12, 31)));
    EXPECT_FALSE(k->proposedFor(values::fromDate(2016, 1, 1)));
}

}  // namespace
}  // namespace citforms::forms
