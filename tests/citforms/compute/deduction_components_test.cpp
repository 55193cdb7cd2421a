// Recording a hand-typed difference of a CIT-2 attachment amount as a deduction component.
#include <gtest/gtest.h>

#include "citforms/compute/deduction_components.h"
#include "citforms/support/fake_host.h"

namespace citforms::compute {
namespace {

using testing::FakeHost;
using values::Decimal;

const char* const kLookup =
    "select id_deklaracje_odliczenie from dbo.DEKLARACJE_ODLICZENIE where "
    "id_deklaracje_wzorzec=34 AND nr_pola='17'";

std::string insertOf(const char* amount) {
    return std::string("insert into dbo.DEKLARACJE_SKLADOWE_O(id_deklaracje_odliczenie,funkcja,"
                       "argument,operator,wartosc,opis,data_odliczenia,id_firmy,id_udzialowca) "
                       "values(5,'','','+',") +
           amount + ",'Automatyczna aktualizacja',74818,4,0)";
}

class DeductionComponentsTest : public ::testing::Test {
protected:
    DeductionComponentsTest() {
        host.data.globalValues.DANE_ID_FIRMY = 4;
        host.utility.script(kLookup, {{"5"}});
    }
    // 1 to 15 November 2005 all give the component date 1 November 2005 (74818).
    bool edit(const char* before, const char* after, int answer, std::int32_t templateId = 34) {
        host.ui.answers.push_back(answer);
        return checkDeductionEdit(host.binding(), templateId, 17, *Decimal::parse(before),
                                  *Decimal::parse(after), 74832);
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const testing::Statement& s : host.utility.statements) out.push_back(s.text);
        return out;
    }
    FakeHost host;
};

TEST_F(DeductionComponentsTest, DifferenceRecordedOnTakWithItsSign) {
    host.utility.script(insertOf("200.00"), {});
    host.utility.script(insertOf("-200.00"), {});
    EXPECT_TRUE(edit("1000.00", "1200.00", 1));
    EXPECT_TRUE(edit("1000.00", "800.00", 1));
    EXPECT_EQ(texts(), (std::vector<std::string>{kLookup, insertOf("200.00"), kLookup,
                                                 insertOf("-200.00")}));
    ASSERT_EQ(host.ui.messages.size(), 2u);
    EXPECT_EQ(host.ui.messages[0].title, "Tabrix: Pytanie");
    EXPECT_EQ(host.ui.messages[0].buttons, "&Tak|&Nie|&Definicja");
}

TEST_F(DeductionComponentsTest, UnchangedAsksNothingAndNieWritesNothing) {
    EXPECT_TRUE(edit("1000.00", "1000.00", 1));
    EXPECT_TRUE(host.ui.messages.empty());
    host.ui.answers.clear();
    EXPECT_TRUE(edit("1000.00", "1100.00", 2, 3));
    ASSERT_EQ(host.ui.messages.size(), 1u);
    EXPECT_EQ(host.ui.messages[0].title, "Kontrola poprawności");
    EXPECT_TRUE(texts().empty());
}

TEST_F(DeductionComponentsTest, DefinicjaOpensTheComponentWindowAndAFailedWriteIsShown) {
    host.utility.scriptFailure(insertOf("50.00"), "brak miejsca");
    EXPECT_FALSE(edit("10.00", "60.00", 3));
    EXPECT_EQ(host.utility.messagesOf("MSG_OST"), std::vector<std::string>{"brak miejsca"});
    EXPECT_EQ(host.callNames().back(), "declarations.SKLADNIKI_ODLICZENIE 17|74818|CIT-2");
    // A lookup that fails is shown and reported, not taken for a position without definition.
    host.utility.scriptFailure(kLookup, "brak połączenia");
    EXPECT_FALSE(edit("10.00", "70.00", 1));
    EXPECT_EQ(host.utility.messagesOf("MSG_OST").back(), "brak połączenia");
}

}  // namespace
}  // namespace citforms::compute
