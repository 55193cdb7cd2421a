// Positions that differ between two declarations of one template, and the justification of a
// correction made of them within the ORD-ZU's room.
#include <gtest/gtest.h>

#include "citforms/module/declaration_diff.h"
#include "citforms/values/field_value.h"

namespace citforms::module {
namespace {

TEST(DeclarationDiff, EveryFormAndCopyIsComparedAndEqualValuesAreLeftOut) {
    store::DeclarationFields before(73);
    before.main()[31].setText("6496193.73");
    before.main()[8].setText("Młyn");
    before.copies("CIT-D").set(1, 7, "Fundacja");
    store::DeclarationFields after = before;
    after.main()[31].setText("6501193.73");
    after.form("CIT-8/O")[8].setText("1.5");
    after.copies("CIT-D").set(2, 7, "Caritas");

    const std::vector<PositionChange> changes = differences(before, after);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].where(), "Poz. 31");
    EXPECT_EQ(displayValue(after, changes[0], changes[0].before), "6 496 193,73");
    EXPECT_EQ(changes[1].where(), "CIT-8/O poz. 8");
    EXPECT_EQ(displayValue(after, changes[1], changes[1].after), "1,50");
    // A copy on one side only differs in each of its positions.
    EXPECT_EQ(changes[2].where(), "CIT-D nr 2 poz. 7");
    EXPECT_EQ(displayValue(after, changes[2], changes[2].before), "(puste)");
    EXPECT_EQ(changes[2].after, "Caritas");
}

TEST(DeclarationDiff, JustificationKeepsWholeLinesWithinItsRoomAndSaysWhatWasLeftOut) {
    store::DeclarationFields fields(73);
    std::vector<PositionChange> changes;
    for (int n = 0; n < 200; ++n) {
        changes.push_back(PositionChange{"CIT-8", true, 0, 31, std::to_string(n) + ".00", "1.00"});
    }
    std::size_t leftOut = 0;
    const std::string text = justificationText(fields, changes, 3000, &leftOut);
    EXPECT_LE(values::textLength(text), 3000u);
    ASSERT_GT(leftOut, 0u);
    EXPECT_LT(leftOut, 200u);
    const std::string last = text.substr(text.rfind('\n') + 1);
    EXPECT_EQ(last, "Pozostałe zmienione pozycje (" + std::to_string(leftOut) +
                        ") nie zmieściły się w uzasadnieniu.");
    EXPECT_EQ(text.substr(0, text.find('\n')), "Poz. 31: było 0,00, jest 1,00");

    // What fits is written whole, without the line about what was left out.
    const std::string fitting = justificationText(fields, {changes[0]}, 3000, &leftOut);
    EXPECT_EQ(fitting, "Poz. 31: było 0,00, jest 1,00");
    EXPECT_EQ(leftOut, 0u);
}

}  // namespace
}  // namespace citforms::module
