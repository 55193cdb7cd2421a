// Where each CIT-8 edition announces its attachments, as the check finds it from the form
// files (a count's `counts=` or its role): a moved position would send the check, and the
// window's cursor, to the wrong one. And the result's JSON read back as it was written.
#include <gtest/gtest.h>

#include "citforms/check/declaration_check.h"
#include "citforms/forms/form.h"

namespace citforms::check {
namespace {

TEST(CheckCountPosition, FollowsEachEditionsForm) {
    struct Row {
        const char* form;
        const char* attachment;
        std::optional<int> position;
    };
    const Row rows[] = {
        {"cit8_24", "CIT-ST", 25}, {"cit8_24", "CIT-8/O", 27}, {"cit8_24", "CIT-BR", 28},
        {"cit8_24", "CIT-D", 29},  {"cit8_23", "CIT-ST", 25},  {"cit8_23", "CIT-8/O", 27},
        {"cit8_23", "CIT-BR", std::nullopt}, {"cit8_23", "CIT-D", 28},
        {"cit8_21", "CIT-ST", std::nullopt}, {"cit8_21", "CIT-8/O", 24}, {"cit8_21", "CIT-D", 25},
    };
    for (const Row& r : rows) {
        const forms::FormDef& main = forms::FormCatalogue::builtIn().form(r.form);
        EXPECT_EQ(countPosition(main, r.attachment), r.position) << r.form << " " << r.attachment;
    }
}

TEST(CheckResultJson, ReadsBackWhatItWrote) {
    CheckResult r;
    r.declarationId = 2;
    r.templateId = 73;
    r.items = {{Severity::Error, "CIT-BR", 2, {16}, "Poz. 16: wpisano 0,00, z wyliczenia wynika 1,00"},
               {Severity::Warning, "CIT-8", 0, {}, "Pole 31: maska konta „9*” …"}};
    const std::optional<CheckResult> back = fromJson(Json::parse(toJson(r).dump()));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->items, r.items);
    EXPECT_EQ(back->errors(), 1);
    EXPECT_EQ(back->warnings(), 1);
    EXPECT_FALSE(fromJson(Json::parse(R"({"id":2,"template":73,"checked":true,"note":"",
                                          "items":[{"severity":"fatal","form":"CIT-8","copy":0,
                                                    "positions":[],"text":""}]})")));
}

}  // namespace
}  // namespace citforms::check
