// The automation entry: requests that are not sound are answered as failures and do nothing;
// the verbs reach the module's own work.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include <nlohmann/json.hpp>

#include "citforms/module/automation_entry.h"
#include "citforms/module/declaration_json.h"
#include "citforms/support/fake_host.h"
#include "citforms/values/day_number.h"

namespace citforms::module {
namespace {

using testing::FakeHost;

const std::string kTemplateQuery =
    "select id_deklaracje_wzorzec from DEKLARACJE_NAG where id_deklaracje_nag = ";

class AutomationEntry : public ::testing::Test {
protected:
    AutomationEntry() { EXPECT_TRUE(state.bindHost(host.binding())); }

    nlohmann::json reply(const char* request) {
        const std::string text = automationReply(state, request);
        const nlohmann::json parsed = nlohmann::json::parse(text, nullptr, false);
        EXPECT_TRUE(parsed.is_object()) << text;
        return parsed.is_object() ? parsed : nlohmann::json::object();
    }

    FakeHost host;
    ModuleState state;
};

TEST_F(AutomationEntry, UnsoundRequestsAreRefusedAndDoNothing) {
    struct Case {
        std::string request;
        const char* error;  // a part of the reply's error
    };
    const std::string deep(100000, '[');
    const Case cases[] = {
        {"", "not JSON"},
        {"{\"verb\":\"dump\",\"id\":3", "not JSON"},
        {"{\"verb\":\"\xff\xfe\"}", "not JSON"},  // not UTF-8
        {deep, "not JSON"},
        {"[\"dump\",3]", "not a JSON object"},
        {"null", "not a JSON object"},
        {"{}", "no \"verb\""},
        {R"({"verb":3,"id":3})", "no \"verb\""},
        {R"({"verb":"open-window","name":"CIT8"})", "\"window\" is missing"},
        {R"({"verb":"open-window","window":"CIT_NIEZNANE","id":"2"})", "\"id\" must be"},
        {R"({"verb":"run-script"})", "unknown verb 'run-script'"},
        {R"({"verb":"DUMP","id":3})", "unknown verb"},
        {R"({"verb":"dump"})", "\"id\" is missing"},
        {R"({"verb":"dump","id":"3"})", "\"id\" must be a whole number"},
        {R"({"verb":"compute","id":3.5})", "\"id\" must be a whole number"},
        {R"({"verb":"recalc","id":true})", "\"id\" must be a whole number"},
        {R"({"verb":"recalc","id":2147483648})", "\"id\" must be a whole number"},
        {R"({"verb":"dump","id":-2147483649})", "\"id\" must be a whole number"},
        {R"({"verb":"dump","id":18446744073709551616})", "\"id\" must be a whole number"},
        {R"({"verb":"new-cit8","yearStart":42369})", "\"yearEnd\" is missing"},
        {R"({"verb":"new-cit8","yearStart":42369,"yearEnd":42734,"edition":24})",
         "\"edition\" must be a text"},
        {R"({"verb":"new-cit8","yearStart":42369,"yearEnd":42734,"copyFrom":null})",
         "\"copyFrom\" must be a whole number"},
        {R"({"verb":"pdf","id":3})", "\"file\" is missing"},
        {R"({"verb":"pdf","id":3,"file":""})", "\"file\" must not be empty"},
        {R"({"verb":"pdf","id":3,"file":"x.pdf","template":"73"})",
         "\"template\" must be a whole number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request.substr(0, 80));
        const nlohmann::json r = reply(c.request.c_str());
        EXPECT_EQ(r.value("ok", true), false);
        EXPECT_NE(r.value("error", "").find(c.error), std::string::npos) << r.dump();
    }
    EXPECT_EQ(reply(nullptr).value("error", ""), "no request");
    EXPECT_TRUE(host.utility.statements.empty());
    EXPECT_TRUE(host.utility.messages.empty());
}

TEST_F(AutomationEntry, EveryVerbNeedsABoundHost) {
    ModuleState unbound;
    for (std::string_view verb : automationVerbs()) {
        const std::string request = R"({"verb":")" + std::string(verb) + R"(","id":3})";
        const nlohmann::json r = nlohmann::json::parse(automationReply(unbound, request.c_str()));
        EXPECT_EQ(r["ok"], false) << verb;
        EXPECT_EQ(r["error"], "no host is bound to the module") << verb;
    }
}

// The host's lists of templates, editions and positions come from here.
TEST_F(AutomationEntry, KindsAreThoseOfTheKindFiles) {
    const nlohmann::json r = reply(R"({"verb":"kinds"})");
    ASSERT_EQ(r["ok"], true) << r.dump();
    std::map<int, nlohmann::json> byTemplate;
    for (const auto& k : r["kinds"]) byTemplate[k["template"].get<int>()] = k;
    ASSERT_EQ(byTemplate.size(), 10u);
    const nlohmann::json& e24 = byTemplate[73];
    EXPECT_EQ(e24["family"], "CIT-8");
    EXPECT_EQ(e24["edition"], "24");
    EXPECT_EQ(e24["from"], values::fromDate(2016, 1, 2));
    EXPECT_EQ(e24["until"], nullptr);
    EXPECT_EQ(e24["toPay"], 95);
    EXPECT_EQ(e24["transfer"]["amount"], 95);
    EXPECT_EQ(byTemplate[72]["until"], values::fromDate(2015, 12, 31));
    EXPECT_EQ(byTemplate[72]["overpaid"], 93);
    EXPECT_EQ(byTemplate[70]["taxDue"], nullptr);
    EXPECT_EQ(byTemplate[70]["transfer"]["amount"], 92);
    EXPECT_EQ(byTemplate[35]["transfer"]["period"], "month");
    EXPECT_FALSE(byTemplate[201].contains("transfer"));
    EXPECT_EQ(byTemplate[201]["windows"], nlohmann::json::array({"CIT_ST_201"}));
}

TEST_F(AutomationEntry, DumpRepliesWithTheDeclarationAsTheLoadWroteIt) {
    host.utility.script(kTemplateQuery + "17", {{"73"}});
    host.utility.script(
        "select nr_pola, wartosc_pola from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=17 AND "
        "typ='ORD-ZU'",
        {});
    host.addPoz(17, 0, "31", "12.5");
    host.addPoz(17, 0, "6", "Urząd \"Pierwszy\"");

    const std::string text = automationReply(state, R"({"verb":"dump","id":17})");

    EXPECT_EQ(text, R"({"ok":true,"declaration":)" + *declarationJson(state, 17) + "}");
    EXPECT_EQ(nlohmann::json::parse(text)["declaration"]["cit8"]["6"], "Urząd \"Pierwszy\"");
    EXPECT_EQ(reply(R"({"verb":"dump","id":18})")["error"], "declaration 18 could not be read");
}

TEST_F(AutomationEntry, PdfTakesTheTemplateFromTheRequestOrTheHeader) {
    const char* notMade = "no PDF was made of declaration 8";
    // Given: the header is not read; a template the module does not serve says so.
    EXPECT_EQ(reply(R"({"verb":"pdf","id":8,"file":"x.pdf","template":99})")["error"], notMade);
    EXPECT_TRUE(host.utility.statements.empty());
    ASSERT_EQ(host.utility.messagesOf("MSG_OST").size(), 1u);

    // Read from the header: the same for a stored 99.
    host.utility.script(kTemplateQuery + "8", {{"99"}});
    EXPECT_EQ(reply(R"({"verb":"pdf","id":8,"file":"x.pdf"})")["error"], notMade);
    ASSERT_EQ(host.utility.messagesOf("MSG_OST").size(), 2u);
    EXPECT_EQ(host.utility.messagesOf("MSG_OST")[1], host.utility.messagesOf("MSG_OST")[0]);

    // No such declaration: no template; an unreadable header: its SQL error is shown.
    host.utility.script(kTemplateQuery + "9", {});
    EXPECT_EQ(reply(R"({"verb":"pdf","id":9,"file":"x.pdf"})")["ok"], false);
    EXPECT_EQ(host.utility.messagesOf("MSG_OST").back(), "Brak wzorca deklaracji.");
    EXPECT_EQ(reply(R"({"verb":"pdf","id":10,"file":"x.pdf"})")["ok"], false);
    EXPECT_EQ(host.utility.messagesOf("MSG_OST").size(), 4u);
}

}  // namespace
}  // namespace citforms::module
