// libcitforms.so as a host sees it: loaded with dlopen, every procedure found by its name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <optional>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "citforms/shell/exports.h"
#include "citforms/support/fake_host.h"

namespace citforms::module {
namespace {

using testing::FakeHost;

class LoadedModule : public ::testing::Test {
protected:
    void SetUp() override {
        handle = dlopen(CITFORMS_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
    }
    void TearDown() override {
        if (handle != nullptr) dlclose(handle);
    }
    template <class Fn>
    Fn resolve(const char* name) {
        void* symbol = dlsym(handle, name);
        EXPECT_NE(symbol, nullptr) << name;
        return reinterpret_cast<Fn>(symbol);
    }
    void* handle = nullptr;
};

// The dynamic symbols the library defines, as nm lists them; nullopt without nm.
std::optional<std::set<std::string>> definedSymbols() {
    const std::string command = std::string("nm -D --defined-only --format=posix '") +
                                CITFORMS_MODULE_PATH + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::set<std::string> names;
    // posix format: "NAME TYPE VALUE [SIZE]"; a name holds no blank.
    for (char line[4096]; std::fgets(line, sizeof line, pipe) != nullptr;) {
        std::istringstream fields(line);
        std::string name;
        std::string type;
        if (fields >> name >> type && (type == "T" || type == "t" || type == "i")) {
            names.insert(name);
        }
    }
    if (pclose(pipe) != 0) return std::nullopt;
    return names;
}

TEST_F(LoadedModule, ExportsExactlyTheListedProceduresAndEntries) {
    std::set<std::string> listed;
    for (std::span<const exports::Entry> list :
         {std::span<const exports::Entry>(exports::kProcedures),
          std::span<const exports::Entry>(exports::kIntegration)}) {
        for (const exports::Entry& entry : list) {
            EXPECT_NE(dlsym(handle, entry.symbol), nullptr) << entry.symbol;
            EXPECT_TRUE(listed.insert(entry.symbol).second) << "listed twice: " << entry.symbol;
        }
    }
    EXPECT_EQ(std::size(exports::kProcedures), 17u);
    // The C++ inside stays inside; the per-verb entries are verbs of citforms_automation now.
    for (const char* hidden : {"citforms_export_Init", "citforms_new_cit8",
                               "citforms_recompute_cit8", "citforms_declaration_json"}) {
        EXPECT_EQ(dlsym(handle, hidden), nullptr) << hidden;
    }
    const auto defined = definedSymbols();
    if (!defined) GTEST_SKIP() << "nm is not available";
    EXPECT_EQ(*defined, listed);
}

TEST_F(LoadedModule, HostBindsThenInitAndKillRunThroughTheExports) {
    FakeHost host;
    const host::HostBinding binding = host.binding();
    auto bind = resolve<exports::BindHostFn>(exports::kBindHost);
    auto init = resolve<exports::InitFn>(exports::kInit);
    auto kill = resolve<exports::KillFn>(exports::kKill);
    ASSERT_TRUE(bind && init && kill);

    host::HostBinding wrong = binding;
    wrong.version = 0;
    EXPECT_EQ(bind(&wrong), 0);
    EXPECT_EQ(bind(&binding), 1);
    init(nullptr, nullptr);
    init(nullptr, nullptr);
    kill();
    kill();

    std::vector<std::string> expected;
    for (host::HostFileId id : host::kAttachOrder) {
        expected.push_back("attach " + std::string(host::hostFileName(id)));
    }
    for (const char* phase : {".INIT", ".KILL"}) {
        for (const char* library : {"utility", "data", "declarations", "settlements", "print",
                                    "statements", "contractor"}) {
            expected.push_back(std::string(library) + phase);
        }
    }
    EXPECT_EQ(host.callNames(), expected);
    // The module's own error manager (inside the library) went to the files.
    EXPECT_NE(host.log.front().first, nullptr);
}

TEST_F(LoadedModule, ProceduresNotYetBuiltSaySoAndReturnNothing) {
    FakeHost host;
    const host::HostBinding binding = host.binding();
    ASSERT_EQ(resolve<exports::BindHostFn>(exports::kBindHost)(&binding), 1);

    // The parameters window serves the CIT-8 and the CIT-2, no other kind.
    EXPECT_EQ(resolve<exports::ParamCit2Fn>(exports::kParamCit2)("CIT-ST", 0), 0);
    // A CIT-ST whose values cannot be read opens no window and answers 0.
    EXPECT_EQ(resolve<exports::CitSt201Fn>(exports::kCitSt201)(1, 1, 5), 0);

    ASSERT_EQ(host.utility.messages.size(), 2u);
    EXPECT_EQ(host.utility.messages[0].kind, "MSG_INF");
    EXPECT_EQ(host.utility.messages[0].text,
              "Deklaracja CIT-ST nie jest jeszcze obsługiwana w oknie parametrów.");
    EXPECT_NE(host.utility.messages[1].text.find("ID_DEKLARACJE_NAG = 5"), std::string::npos);
}

TEST_F(LoadedModule, ShowEntryReadsTheFiscalYearAndOpensNothingForAKindWithoutAWindow) {
    FakeHost host;
    const host::HostBinding binding = host.binding();
    ASSERT_EQ(resolve<exports::BindHostFn>(exports::kBindHost)(&binding), 1);
    // 2 December 2016: the year holding the last day of that month.
    host.utility.script("select poczatek_roku, koniec_roku from LATA_OBROTOWE where id_firmy = 0 "
                        "AND poczatek_roku <= 78896 AND koniec_roku >= 78896",
                        {{"78531", "78896"}});
    // A CIT-ST is not shown here: it opens through its own entry (CIT_ST_PRE) or the link.
    resolve<exports::DeklaracjeCitPokazFn>(exports::kDeklaracjeCitPokaz)(5, 201, 78867);
    ASSERT_FALSE(host.utility.messages.empty());
    EXPECT_EQ(host.utility.messages.back().text, "Brak obsługi wzorca deklaracji.");
}

TEST_F(LoadedModule, AutomationEntryAnswersEveryRequestInJson) {
    auto automation = resolve<exports::AutomationFn>(exports::kAutomation);
    ASSERT_NE(automation, nullptr);
    const auto reply = [&](const char* request) {
        const char* text = automation(request);
        EXPECT_NE(text, nullptr);
        return nlohmann::json::parse(text != nullptr ? text : "null");
    };
    // Requests that are not one are answered, not thrown on.
    EXPECT_EQ(reply(nullptr)["ok"], false);
    EXPECT_EQ(reply("{\"verb\":")["ok"], false);

    FakeHost host;
    const host::HostBinding binding = host.binding();
    ASSERT_EQ(resolve<exports::BindHostFn>(exports::kBindHost)(&binding), 1);
    host.utility.script(
        "select id_deklaracje_wzorzec from DEKLARACJE_NAG where "
        "id_deklaracje_nag = 4",
        {{"73"}});
    host.utility.script(
        "select nr_pola, wartosc_pola from DEKLARACJE_ZALACZNIK where "
        "id_deklaracje_nag=4 AND typ='ORD-ZU'",
        {});
    host.addPoz(4, 0, "6", "Pierwszy Urząd Skarbowy");

    const nlohmann::json dumped = reply(R"({"verb":"dump","id":4})");
    EXPECT_EQ(dumped["ok"], true);
    EXPECT_EQ(dumped["declaration"]["cit8"]["6"], "Pierwszy Urząd Skarbowy");
    const nlohmann::json missing = reply(R"({"verb":"dump","id":5})");  // not scripted
    EXPECT_EQ(missing["ok"], false);
    EXPECT_EQ(missing["error"], "declaration 5 could not be read");
}

}  // namespace
}  // namespace citforms::module
