// The reference host loads the built libcitforms.so as any host would.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "refhost/db/open_database.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"
#include "runtime/ui/scripted/scripted_ui.h"
#include "support/test_engine.h"

namespace refhost::libraries {
namespace {

TEST(ModuleLoader, NamesTheMissingSymbolOrTheUnloadableFile) {
    auto missing = LoadedModule::load("/nonexistent/libcitforms.so");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find("/nonexistent/libcitforms.so"), std::string::npos);

    // A real shared library without the module's exports.
    auto foreign = LoadedModule::load("libm.so.6");
    ASSERT_FALSE(foreign);
    EXPECT_NE(foreign.error().find("CITFORMS:INIT"), std::string::npos) << foreign.error();
}

TEST(ModuleLoader, EnvironmentOverridesTheBuiltInPath) {
    unsetenv("CITFORMS_MODULE");
    EXPECT_EQ(LoadedModule::pathFromEnvironment("/built/in.so"), "/built/in.so");
    setenv("CITFORMS_MODULE", "/from/env.so", 1);
    EXPECT_EQ(LoadedModule::pathFromEnvironment("/built/in.so"), "/from/env.so");
    unsetenv("CITFORMS_MODULE");
}

TEST(ModuleLoader, LoadsBindsAndRunsInitAndKillOnce) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("module-load-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        citforms_test::ScratchDatabase scratch(folder);
        auto db = refhost::db::openDatabase(scratch.target());
        ASSERT_TRUE(db) << db.error();
        std::ostringstream transcript;
        citforms::runtime::ScriptedUi ui(&transcript);
        ReferenceHost host(**db, ui);
        citforms::host::Globals g;
        g.GGG_SCIEZKA_SET = (folder / "tabrix.ini").string();
        host.state().setDefaults(g);

        auto module = LoadedModule::load(CITFORMS_MODULE_PATH);
        ASSERT_TRUE(module) << module.error();
        for (std::string_view name : LoadedModule::procedureNames())
            EXPECT_NE((*module)->procedure(name), nullptr) << name;
        ASSERT_TRUE((*module)->bind(host.binding()));

        (*module)->init(&host.errorManager(), &host.iniManager());
        EXPECT_TRUE(host.utility().initialised());
        EXPECT_TRUE(host.data().initialised());
        // INIT attached the host's error manager to the host files.
        EXPECT_EQ(host.state().errorManager(citforms::host::HostFileId::DEKLARACJE_POZ),
                  &host.errorManager());

        // An unknown declaration reads as none.
        EXPECT_EQ((*module)->declarationJson(987654), nullptr);

        (*module)->kill();
        EXPECT_FALSE(host.utility().initialised());
        EXPECT_FALSE(host.data().initialised());
        module->reset();  // dlclose; KILL is not called again
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace refhost::libraries
