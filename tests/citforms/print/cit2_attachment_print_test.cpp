// The full-form prints of the CIT-2 attachments of templates 3 and 31 to 34 on one return each:
// every text of every page (the drawn form and the values) against the transcript kept in
// tests/data/prints/cit2_attachments.txt. CITFORMS_GOLDEN_UPDATE=1 rewrites the transcript.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "citforms/forms/form.h"
#include "citforms/host/globals.h"
#include "citforms/print/declaration_variables.h"
#include "citforms/print/layout_catalogue.h"
#include "citforms/print/page_builder.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::print {
namespace {

const std::string kGolden = std::string(CITFORMS_TEST_DATA_DIR) + "/prints/cit2_attachments.txt";

// The attachment of a return of `templateId`: texts in its text positions, an amount of
// p x 1 000,01 (negative at every seventh) in every amount position p.
store::DeclarationFields returnOf(int templateId) {
    store::DeclarationFields fields(templateId);
    for (store::HeldForm& held : fields.forms()) {
        if (held.def->storage.sheet != 1) continue;
        for (int p = 1; p <= 60; ++p) {
            if (!held.set.has(p)) continue;
            values::FieldValue& v = held.set[p];
            if (v.fieldClass() == values::FieldClass::Amount) {
                const std::int64_t grosze = std::int64_t{p} * 100001 * (p % 7 == 0 ? -1 : 1);
                v.setAmount(values::Amount::fromGrosze(grosze));
            } else {
                v.setText("Tekst poz. " + std::to_string(p));
            }
        }
    }
    return fields;
}

// Every text of the procedure's pages, in reading order (top to bottom, left to right).
std::string transcriptOf(const char* procedure, int templateId) {
    auto layout = openLayout(procedure);
    EXPECT_TRUE(layout) << layout.error();
    if (!layout) return {};
    const store::DeclarationFields fields = returnOf(templateId);
    const host::Globals globals;
    const DeclarationVariables variables(fields, globals);
    const ReportRun run(*layout);
    std::ostringstream out;
    int page = 0;
    for (int band : layout->pageBands()) {
        auto content = buildPage(run, band, variables);
        EXPECT_TRUE(content) << content.error();
        if (!content) continue;
        std::vector<std::tuple<int, int, std::string>> texts;
        for (const PageItem& item : content->items) {
            const auto* t = std::get_if<TextItem>(&item);
            if (t != nullptr && !t->text.empty()) texts.emplace_back(t->y, t->x, t->text);
        }
        std::sort(texts.begin(), texts.end());
        out << "[" << procedure << " page " << ++page << "]\n";
        for (const auto& [y, x, text] : texts) out << y << ' ' << x << ' ' << text << '\n';
    }
    return out.str();
}

TEST(Cit2AttachmentPrints, EveryPageOfOneReturnOfEachEdition) {
    const std::pair<const char*, int> prints[] = {{"CIT_O_Prn", 3},
                                                  {"CIT_O_Prn_31", 31},
                                                  {"CIT_O_Prn_32", 32},
                                                  {"CIT_O_Prn_33", 33},
                                                  {"CIT_O_Prn_34", 34}};
    std::string actual;
    for (const auto& [procedure, templateId] : prints) actual += transcriptOf(procedure, templateId);
    const char* update = std::getenv("CITFORMS_GOLDEN_UPDATE");
    if (update != nullptr && std::string(update) == "1") {
        std::ofstream(kGolden) << actual;
        return;
    }
    std::ifstream in(kGolden);
    ASSERT_TRUE(in) << kGolden;
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(actual, expected.str()) << "CITFORMS_GOLDEN_UPDATE=1 rewrites " << kGolden;
}

}  // namespace
}  // namespace citforms::print
