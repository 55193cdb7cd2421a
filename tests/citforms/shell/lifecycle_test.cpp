// Start-up and shut-down of the module against a recording host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "citforms/state/module_state.h"
#include "citforms/support/fake_host.h"

namespace citforms::module {
namespace {

using testing::FakeHost;
using testing::HostCall;

class RecordingErrorManager : public host::ErrorManager {
public:
    void init(host::ErrorStatus*) override {}
    void report(std::string_view, std::string_view) override {}
};

class RecordingIniManager : public host::IniManager {
public:
    void init(const std::string&) override {}
    std::string fetch(std::string_view, std::string_view, std::string_view f) override {
        return std::string(f);
    }
    void update(std::string_view, std::string_view, std::string_view) override {}
    void kill() override {}
};

const std::vector<std::string> kLibraryOrder = {
    "utility", "data", "declarations", "settlements", "print", "statements", "contractor"};

std::vector<std::string> expectedInitCalls() {
    std::vector<std::string> calls;
    for (host::HostFileId id : host::kAttachOrder) {
        calls.push_back("attach " + std::string(host::hostFileName(id)));
    }
    for (const std::string& library : kLibraryOrder) calls.push_back(library + ".INIT");
    return calls;
}

std::vector<std::string> expectedKillCalls() {
    std::vector<std::string> calls;
    for (const std::string& library : kLibraryOrder) calls.push_back(library + ".KILL");
    return calls;
}

TEST(ModuleLifecycle, InitAttachesFilesInOrderThenInitsLibrariesWithTheArgumentsGiven) {
    FakeHost host;
    ModuleState state;
    ASSERT_TRUE(state.bindHost(host.binding()));
    RecordingErrorManager errors;
    RecordingIniManager ini;

    state.INIT(&errors, &ini);

    EXPECT_EQ(host.callNames(), expectedInitCalls());
    for (const HostCall& call : host.log) {
        EXPECT_EQ(call.first, &errors) << call.what;
        if (!call.what.starts_with("attach ")) {
            EXPECT_EQ(call.second, &ini) << call.what;
        }
    }
    EXPECT_EQ(state.errorManager(), &errors);
    EXPECT_EQ(state.iniManager(), &ini);
    EXPECT_EQ(host.data.fakeFile(host::HostFileId::VAY_FK).attachedManager, &errors);
}

TEST(ModuleLifecycle, InitWithNullManagersKeepsOwnOnesAndPassesTheNullsOn) {
    FakeHost host;
    ModuleState state;
    ASSERT_TRUE(state.bindHost(host.binding()));

    state.INIT(nullptr, nullptr);

    EXPECT_EQ(state.errorManager(), &state.ownErrorManager());
    EXPECT_EQ(state.iniManager(), &state.ownIniManager());
    EXPECT_EQ(host.callNames(), expectedInitCalls());
    for (const HostCall& call : host.log) {
        if (call.what.starts_with("attach ")) {
            // The files get the reference in force: the module's own manager.
            EXPECT_EQ(call.first, &state.ownErrorManager()) << call.what;
        } else {
            EXPECT_EQ(call.first, nullptr) << call.what;
            EXPECT_EQ(call.second, nullptr) << call.what;
        }
    }
}

TEST(ModuleLifecycle, OnlyTheNonNullManagerReplacesItsReference) {
    FakeHost host;
    ModuleState state;
    ASSERT_TRUE(state.bindHost(host.binding()));
    RecordingIniManager ini;

    state.INIT(nullptr, &ini);

    EXPECT_EQ(state.errorManager(), &state.ownErrorManager());
    EXPECT_EQ(state.iniManager(), &ini);
}

TEST(ModuleLifecycle, SecondInitChangesNothing) {
    FakeHost host;
    ModuleState state;
    ASSERT_TRUE(state.bindHost(host.binding()));
    RecordingErrorManager first;
    RecordingErrorManager second;
    RecordingIniManager otherIni;
    state.INIT(&first, nullptr);
    const std::size_t callsAfterFirst = host.log.size();

    state.INIT(&second, &otherIni);

    EXPECT_EQ(host.log.size(), callsAfterFirst);
    EXPECT_EQ(state.errorManager(), &first);
    EXPECT_EQ(state.iniManager(), &state.ownIniManager());
}

TEST(ModuleLifecycle, KillShutsTheLibrariesDownOnceInTheOrderOfInit) {
    FakeHost host;
    ModuleState state;
    ASSERT_TRUE(state.bindHost(host.binding()));
    state.INIT(nullptr, nullptr);
    host.log.clear();

    state.KILL();
    state.KILL();

    EXPECT_EQ(host.callNames(), expectedKillCalls());
    EXPECT_TRUE(state.killDone());
}

TEST(ModuleLifecycle, InitAndKillWaitForTheHostBinding) {
    FakeHost host;
    ModuleState state;

    state.INIT(nullptr, nullptr);
    state.KILL();
    EXPECT_FALSE(state.initDone());
    EXPECT_FALSE(state.killDone());

    ASSERT_TRUE(state.bindHost(host.binding()));
    state.INIT(nullptr, nullptr);
    EXPECT_TRUE(state.initDone());
    EXPECT_EQ(host.callNames(), expectedInitCalls());
}

TEST(ModuleLifecycle, BindingOfAnotherInterfaceVersionOrWithoutDataIsRefused) {
    FakeHost host;
    ModuleState state;
    host::HostBinding wrongVersion = host.binding();
    wrongVersion.version = host::kHostInterfaceVersion + 1;
    host::HostBinding noData = host.binding();
    noData.data = nullptr;

    EXPECT_FALSE(state.bindHost(wrongVersion));
    wrongVersion.version = host::kOldestHostInterfaceVersion - 1;
    EXPECT_FALSE(state.bindHost(wrongVersion));
    EXPECT_FALSE(state.bindHost(noData));
    EXPECT_FALSE(state.hostBound());
}

TEST(ModuleLifecycle, AHostOfTheOlderInterfaceIsServedWithoutStatementSources) {
    FakeHost host;
    ModuleState state;
    host::HostBinding older = host.binding();
    older.version = host::kOldestHostInterfaceVersion;
    ASSERT_TRUE(state.bindHost(older));
    EXPECT_FALSE(state.host().hasStatementSources());
    EXPECT_TRUE(host.binding().hasStatementSources());
}

TEST(ModuleLifecycle, OwnManagersStartOnTheHostSettingsFileAndErrorStatus) {
    FakeHost host;
    host.data.globalValues.GGG_SCIEZKA_SET = ::testing::TempDir() + "citforms_set.ini";
    ModuleState state;
    EXPECT_EQ(state.errorManager(), &state.ownErrorManager());
    EXPECT_FALSE(state.ownIniManager().isOpen());

    ASSERT_TRUE(state.bindHost(host.binding()));

    EXPECT_EQ(state.ownIniManager().fileName(), host.data.globalValues.GGG_SCIEZKA_SET);
    state.ownErrorManager().report("DEKLARACJE_POZ", "Błąd odczytu");
    EXPECT_EQ(host.utility.status.text, "Błąd odczytu");
    EXPECT_EQ(state.ownErrorManager().lastReport(), "DEKLARACJE_POZ: Błąd odczytu");
    EXPECT_TRUE(state.fuzzyMatcher().option(FuzzyMatcher::kIgnoreCase));
    EXPECT_FALSE(state.fuzzyMatcher().option(FuzzyMatcher::kWholeWords));
}

}  // namespace
}  // namespace citforms::module
