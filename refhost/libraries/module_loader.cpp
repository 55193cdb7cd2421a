#include "refhost/libraries/module_loader.h"

#include <dlfcn.h>

#include <cstdlib>

namespace refhost::libraries {

namespace {

void* symbol(void* handle, const char* name, std::string& error) {
    dlerror();
    void* address = dlsym(handle, name);
    if (address == nullptr) {
        const char* why = dlerror();
        error = std::string("symbol ") + name + " not found in the module" +
                (why != nullptr ? std::string(" (") + why + ")" : std::string());
    }
    return address;
}

}  // namespace

const std::vector<std::string_view>& LoadedModule::procedureNames() {
    static const std::vector<std::string_view> kNames = {
        "CITFORMS:INIT",
        "CITFORMS:KILL",
        "PARAM_CIT2",
        "DEKLARACJE_CIT_POKAZ",
        "WYDRUK_DEKLARACJI_CIT",
        "CIT_ORDZU",
        "CIT_ORDZU_PRN",
        "ZAPISZ_CIT8_DO_PDF",
        "CIT_ST_201",
        "AKTUALIZUJ_CIT_ST_201",
        "CIT_ST_PRE",
        "WYPELNIJ_ZMIENNE_CIT_ST_201",
        "CIT_ST_PRN_201",
        "WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ",
        "WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ",
        "CIT_STA_PRN_201",
        "CIT_ST_8_POWIAZANIE",
    };
    return kNames;
}

std::string LoadedModule::pathFromEnvironment(const char* builtIn) {
    const char* fromEnvironment = std::getenv("CITFORMS_MODULE");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
    return builtIn != nullptr ? builtIn : "";
}

LoadedModule::LoadedModule(void* handle, std::string path)
    : handle_(handle), path_(std::move(path)) {}

Result<std::unique_ptr<LoadedModule>> LoadedModule::load(const std::string& path) {
    using R = Result<std::unique_ptr<LoadedModule>>;
    if (path.empty()) return R::failure("no module path given");
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        return R::failure("cannot load module " + path + ": " +
                          (why != nullptr ? why : "unknown error"));
    }
    std::unique_ptr<LoadedModule> module(new LoadedModule(handle, path));
    std::string error;
    for (std::string_view name : procedureNames()) {
        void* address = symbol(handle, std::string(name).c_str(), error);
        if (address == nullptr) break;
        module->procedures_.emplace_back(name, address);
    }
    if (error.empty()) {
        module->bind_ = reinterpret_cast<citforms::host::BindHostFn>(
            symbol(handle, citforms::host::kBindHostSymbol, error));
    }
    if (error.empty()) {
        module->declarationJson_ = reinterpret_cast<citforms::host::DeclarationJsonFn>(
            symbol(handle, citforms::host::kDeclarationJsonSymbol, error));
    }
    if (error.empty()) {
        module->newCit8_ = reinterpret_cast<citforms::host::NewCit8Fn>(
            symbol(handle, citforms::host::kNewCit8Symbol, error));
    }
    if (error.empty()) {
        module->recompute_ = reinterpret_cast<citforms::host::RecomputeFn>(
            symbol(handle, citforms::host::kRecomputeSymbol, error));
    }
    if (!error.empty()) {
        module->killCalled_ = true;  // never initialised: nothing to shut down
        return R::failure(path + ": " + error);
    }
    return module;
}

LoadedModule::~LoadedModule() {
    if (initCalled_) kill();
    dlclose(handle_);
}

Status LoadedModule::bind(const citforms::host::HostBinding& binding) {
    if (bind_(&binding) != 1) {
        return Status::failure("the module refused the host binding (interface version " +
                               std::to_string(binding.version) + ")");
    }
    return {};
}

void LoadedModule::init(citforms::host::ErrorManager* errorManager,
                        citforms::host::IniManager* ini) {
    initCalled_ = true;
    procedureAs<InitFn>("CITFORMS:INIT")(errorManager, ini);
}

void LoadedModule::kill() {
    if (killCalled_) return;
    killCalled_ = true;
    procedureAs<KillFn>("CITFORMS:KILL")();
}

void* LoadedModule::procedure(std::string_view name) const {
    for (const auto& [known, address] : procedures_) {
        if (known == name) return address;
    }
    return nullptr;
}

const char* LoadedModule::declarationJson(std::int32_t id) const {
    return declarationJson_(id);
}

std::int32_t LoadedModule::newCit8(std::int32_t yearStart, std::int32_t yearEnd,
                                   const char* edition, std::int32_t copyFrom) const {
    return newCit8_(yearStart, yearEnd, edition, copyFrom);
}

std::int32_t LoadedModule::recomputeCit8(std::int32_t id, std::int32_t mode) const {
    return recompute_(id, mode);
}

}  // namespace refhost::libraries
