#include "citforms/module/declaration_summary.h"

#include <gtest/gtest.h>

#include "citforms/forms/form.h"
#include "citforms/module/declaration_kinds.h"

namespace citforms::module {
namespace {

// The positions of each edition, and what the form says they hold: a move of a position in a
// form file (or of its map) must not silently put another amount into an office's summary.
TEST(DeclarationSummary, PositionsFollowTheRolesOfEachEdition) {
    struct Case {
        std::int32_t templateId;
        std::optional<int> taxDue, taxForYear, toPay, overpaid;
    };
    const Case cases[] = {
        {73, 65, 67, 95, 96},
        {72, 62, 64, 92, 93},
        {70, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {35, std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.templateId);
        const SummaryPositions p = summaryPositions(c.templateId);
        EXPECT_EQ(p.taxDue, c.taxDue);
        EXPECT_EQ(p.taxForYear, c.taxForYear);
        EXPECT_EQ(p.toPay, c.toPay);
        EXPECT_EQ(p.overpaid, c.overpaid);
        if (!p.taxDue) continue;
        const forms::FormDef& form =
            forms::FormCatalogue::builtIn().form(declarationKind(c.templateId)->mainForm);
        const auto role = [&](int n) { return form.field(n)->role; };
        const std::string tax = std::to_string(*p.taxDue);
        const std::string year = std::to_string(*p.taxForYear);
        const std::string paid = std::to_string(*p.toPay - 1);  // the advances paid
        EXPECT_EQ(role(*p.toPay - 1).rfind("Zaliczki wpłacone przez podatnika", 0), 0u);
        EXPECT_NE(role(*p.taxDue).find(" minus poz. "), std::string::npos);
        EXPECT_NE(role(*p.taxForYear).find("podatku za rok"), std::string::npos);
        EXPECT_EQ(role(*p.toPay), "Suma poz. " + tax + " i " + year + " minus poz. " + paid +
                                      ", gdy dodatnia");
        EXPECT_EQ(role(*p.overpaid), "Poz. " + paid + " minus suma poz. " + tax + " i " + year +
                                         ", gdy dodatnia");
    }
}

}  // namespace
}  // namespace citforms::module
