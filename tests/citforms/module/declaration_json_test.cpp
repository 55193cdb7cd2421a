// A stored declaration as JSON through the module's own load.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "citforms/module/declaration_json.h"
#include "citforms/support/fake_host.h"

namespace citforms::module {
namespace {

using testing::FakeHost;

const std::string kTemplateQuery =
    "select id_deklaracje_wzorzec from DEKLARACJE_NAG where id_deklaracje_nag = ";
const std::string kOrdZuQuery =
    "select nr_pola, wartosc_pola from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=";

class DeclarationJson : public ::testing::Test {
protected:
    DeclarationJson() { EXPECT_TRUE(state.bindHost(host.binding())); }
    FakeHost host;
    ModuleState state;
};

TEST_F(DeclarationJson, Template73GivesEveryFormAndOpensTheDeclaration) {
    host.utility.script(kTemplateQuery + "17", {{"73"}});
    host.utility.script(kOrdZuQuery + "17 AND typ='ORD-ZU'", {{"1", "Jan"}});
    host.addPoz(17, 0, "1", "5260001234");
    host.addPoz(17, 0, "31", "12.5");
    host.addPoz(17, 1, "4", "81000");
    host.addPoz(17, 103, "7", "Fundacja \"Ala\"");
    host.addPoz(17, 502, "19", "1200");

    const std::optional<std::string> text = declarationJson(state, 17);

    ASSERT_TRUE(text.has_value());
    const nlohmann::json j = nlohmann::json::parse(*text);
    EXPECT_EQ(j["id"], 17);
    EXPECT_EQ(j["template"], 73);
    EXPECT_EQ(j["cit8"].size(), 148u);
    EXPECT_EQ(j["cit8"]["1"], "5260001234");
    EXPECT_EQ(j["cit8"]["31"], "12.50");
    EXPECT_EQ(j["cit8"]["150"], "");
    EXPECT_EQ(j["cit8o"].size(), 89u);
    EXPECT_EQ(j["cit8o"]["4"], "81000");
    EXPECT_EQ(j["ordzu"].size(), 11u);
    EXPECT_EQ(j["ordzu"]["1"], "Jan");
    EXPECT_EQ(j["citd"], nlohmann::json::parse(R"([[3, 7, "Fundacja \"Ala\""]])"));
    EXPECT_EQ(j["citbr"], nlohmann::json::parse(R"([[2, 19, "1200"]])"));
    // Keys come in ascending field order.
    EXPECT_EQ(text->find("\"1\":"), text->find("\"cit8\":{") + 8);
    EXPECT_EQ(state.declaration.CIT_ID_DEKLARACJI, 17);
    EXPECT_EQ(state.declaration.CIT_ID_WZORCA, 73);
}

TEST_F(DeclarationJson, Template72GivesFieldsUpTo147AndNoCitBr) {
    host.utility.script(kTemplateQuery + "8", {{"72"}});
    host.utility.script(kOrdZuQuery + "8 AND typ='ORD-ZU'", {});
    host.addPoz(8, 0, "147", "ostatnie");
    state.fields.copies("CIT-BR").append(1, 1, "from another declaration");

    const nlohmann::json j = nlohmann::json::parse(*declarationJson(state, 8));

    EXPECT_EQ(j["cit8"].size(), 145u);
    EXPECT_EQ(j["cit8"]["147"], "ostatnie");
    EXPECT_FALSE(j["cit8"].contains("148"));
    EXPECT_FALSE(j.contains("citbr"));
}

TEST_F(DeclarationJson, NamesTheReturnCorrectedAndTheCorrectionOnlyWhereThereAre) {
    host.utility.script(kTemplateQuery + "20", {{"73"}});
    host.utility.script("select ID_DEKLARACJI from DEKLARACJE_KOREKTY where ID_KOREKTY = 20",
                        {{"2"}});
    host.utility.script("select ID_KOREKTY from DEKLARACJE_KOREKTY where ID_DEKLARACJI = 20",
                        {{"21"}});
    host.utility.script(kTemplateQuery + "2", {{"73"}});

    const nlohmann::json correction = nlohmann::json::parse(*declarationJson(state, 20));
    EXPECT_EQ(correction["correction_of"], 2);
    EXPECT_EQ(correction["corrected_by"], 21);
    const nlohmann::json original = nlohmann::json::parse(*declarationJson(state, 2));
    EXPECT_FALSE(original.contains("correction_of"));
    EXPECT_FALSE(original.contains("corrected_by"));
}

TEST_F(DeclarationJson, OtherTemplatesAreRefusedAndLeaveTheStateAlone) {
    host.utility.script(kTemplateQuery + "30", {{"999"}});
    state.declaration.CIT_ID_DEKLARACJI = 5;

    EXPECT_FALSE(declarationJson(state, 30));
    EXPECT_EQ(host.utility.messagesOf("MSG_OST"),
              std::vector<std::string>{"Brak obsługi wzorca deklaracji."});
    EXPECT_EQ(state.declaration.CIT_ID_DEKLARACJI, 5);
}

TEST_F(DeclarationJson, UnknownIdOrFailedQueryGivesNothing) {
    host.utility.script(kTemplateQuery + "99", {});
    EXPECT_FALSE(declarationJson(state, 99).has_value());
    EXPECT_TRUE(host.utility.messages.empty());

    host.utility.scriptFailure(kTemplateQuery + "98", "Baza niedostępna");
    EXPECT_FALSE(declarationJson(state, 98).has_value());
    ASSERT_EQ(host.utility.messages.size(), 1u);
    EXPECT_EQ(host.utility.messages[0].text, "Baza niedostępna");
}

}  // namespace
}  // namespace citforms::module
