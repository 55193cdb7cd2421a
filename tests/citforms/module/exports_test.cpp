// libcitforms.so as a host sees it: loaded with dlopen, every procedure found by its name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "citforms/host/binding.h"
#include "citforms/module/exports.h"
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

TEST_F(LoadedModule, EveryProcedureIsFoundByItsName) {
    for (const char* name : exports::kAll) EXPECT_NE(dlsym(handle, name), nullptr) << name;
    EXPECT_NE(dlsym(handle, host::kBindHostSymbol), nullptr);
    EXPECT_NE(dlsym(handle, host::kDeclarationJsonSymbol), nullptr);
    // The C++ inside stays inside.
    EXPECT_EQ(dlsym(handle, "citforms_export_init"), nullptr);
}

TEST_F(LoadedModule, HostBindsThenInitAndKillRunThroughTheExports) {
    FakeHost host;
    const host::HostBinding binding = host.binding();
    auto bind = resolve<host::BindHostFn>(host::kBindHostSymbol);
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
    ASSERT_EQ(resolve<host::BindHostFn>(host::kBindHostSymbol)(&binding), 1);

    EXPECT_EQ(resolve<exports::ParamCit2Fn>(exports::kParamCit2)("CIT-8", 0), 0);
    EXPECT_EQ(resolve<exports::CitSt201Fn>(exports::kCitSt201)(1, 1, 5), 0);
    resolve<exports::WypelnijZmienneCitSta201FormularzFn>(
        exports::kWypelnijZmienneCitSta201Formularz)(1);

    ASSERT_EQ(host.utility.messages.size(), 3u);
    EXPECT_EQ(host.utility.messages[0].kind, "MSG_OST");
    EXPECT_EQ(host.utility.messages[0].text, "Procedura PARAM_CIT2 nie jest jeszcze dostępna.");
    EXPECT_EQ(host.utility.messages[1].text, "Procedura CIT_ST_201 nie jest jeszcze dostępna.");
    EXPECT_EQ(host.utility.messages[2].text,
              "Procedura WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ nie jest jeszcze dostępna.");
}

TEST_F(LoadedModule, DeclarationJsonLoadsThroughTheModule) {
    FakeHost host;
    const host::HostBinding binding = host.binding();
    ASSERT_EQ(resolve<host::BindHostFn>(host::kBindHostSymbol)(&binding), 1);
    host.utility.script(
        "select id_deklaracje_wzorzec from DEKLARACJE_NAG where "
        "id_deklaracje_nag = 4",
        {{"73"}});
    host.utility.script(
        "select nr_pola, wartosc_pola from DEKLARACJE_ZALACZNIK where "
        "id_deklaracje_nag=4 AND typ='ORD-ZU'",
        {});
    host.addPoz(4, 0, "6", "Pierwszy Urząd Skarbowy");
    auto json = resolve<host::DeclarationJsonFn>(host::kDeclarationJsonSymbol);

    const char* text = json(4);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(nlohmann::json::parse(text)["cit8"]["6"], "Pierwszy Urząd Skarbowy");
    EXPECT_EQ(json(5), nullptr);  // not scripted: the header query fails
}

}  // namespace
}  // namespace citforms::module
