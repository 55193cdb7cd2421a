#include "refhost/libraries/module_loader.h"

#include <algorithm>

#include <dlfcn.h>

#include <cstdlib>

#include <nlohmann/json.hpp>

namespace refhost::libraries {

namespace {

namespace exports = citforms::module::exports;
// Member order kept: a declaration's text reads back as the module wrote it.
using Json = nlohmann::ordered_json;

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
    static const std::vector<std::string_view> kNames = [] {
        std::vector<std::string_view> names;
        for (const exports::Entry& entry : exports::kProcedures) names.emplace_back(entry.symbol);
        return names;
    }();
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
    for (const exports::Entry& entry : exports::kProcedures) {
        void* address = symbol(handle, entry.symbol, error);
        if (address == nullptr) break;
        module->procedures_.emplace_back(entry.symbol, address);
    }
    if (error.empty()) {
        module->bind_ =
            reinterpret_cast<exports::BindHostFn>(symbol(handle, exports::kBindHost, error));
    }
    if (error.empty()) {
        module->automation_ =
            reinterpret_cast<exports::AutomationFn>(symbol(handle, exports::kAutomation, error));
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

std::string LoadedModule::automation(const std::string& requestJson) const {
    const char* reply = automation_(requestJson.c_str());
    return reply != nullptr ? reply : R"({"ok":false,"error":"no reply"})";
}

std::int32_t LoadedModule::idOf(const std::string& requestJson) const {
    const Json reply = Json::parse(automation(requestJson), nullptr, false);
    if (!reply.is_object() || reply.value("ok", false) != true) return 0;
    const auto id = reply.find("id");
    return id != reply.end() && id->is_number_integer() ? id->get<std::int32_t>() : 0;
}

Result<std::vector<ModuleKind>> LoadedModule::kinds() const {
    using R = Result<std::vector<ModuleKind>>;
    const Json reply = Json::parse(automation(R"({"verb":"kinds"})"), nullptr, false);
    if (!reply.is_object() || reply.value("ok", false) != true) {
        return R::failure(reply.is_object() && reply.contains("error") && reply["error"].is_string()
                              ? reply["error"].get<std::string>()
                              : "the module did not list its kinds");
    }
    std::vector<ModuleKind> out;
    for (const Json& k : reply.value("kinds", Json::array())) {
        if (!k.is_object() || !k.value("template", Json()).is_number_integer()) continue;
        out.push_back({k["template"].get<std::int32_t>(), k.value("family", ""),
                       k.value("edition", "")});
    }
    return out;
}

std::vector<ModuleKind> LoadedModule::kindsOf(std::string_view family) const {
    std::vector<ModuleKind> out;
    if (auto all = kinds()) {
        for (ModuleKind& k : *all) {
            if (k.family == family) out.push_back(std::move(k));
        }
    }
    // Newest first: the editions are numbered upwards.
    std::sort(out.begin(), out.end(), [](const ModuleKind& a, const ModuleKind& b) {
        return a.edition.size() != b.edition.size() ? a.edition.size() > b.edition.size()
                                                    : a.edition > b.edition;
    });
    return out;
}

const char* LoadedModule::declarationJson(std::int32_t id) const {
    const Json reply = Json::parse(automation(Json{{"verb", "dump"}, {"id", id}}.dump()), nullptr,
                                   false);
    if (!reply.is_object() || reply.value("ok", false) != true || !reply.contains("declaration"))
        return nullptr;
    declaration_ = reply["declaration"].dump(-1, ' ', false, Json::error_handler_t::replace);
    return declaration_.c_str();
}

std::int32_t LoadedModule::newCit8(std::int32_t yearStart, std::int32_t yearEnd,
                                   const char* edition, std::int32_t copyFrom,
                                   std::vector<std::string>* filled) const {
    const Json request{{"verb", "new-cit8"},
                       {"yearStart", yearStart},
                       {"yearEnd", yearEnd},
                       {"edition", edition != nullptr ? edition : ""},
                       {"copyFrom", copyFrom},
                       {"fill", filled != nullptr ? 1 : 0}};
    const Json reply = Json::parse(automation(request.dump()), nullptr, false);
    if (!reply.is_object() || reply.value("ok", false) != true) return 0;
    const auto id = reply.find("id");
    if (id == reply.end() || !id->is_number_integer()) return 0;
    if (filled != nullptr) {
        filled->clear();
        if (const auto lines = reply.find("filled"); lines != reply.end() && lines->is_array()) {
            for (const Json& line : *lines) {
                if (line.is_string()) filled->push_back(line.get<std::string>());
            }
        }
    }
    return id->get<std::int32_t>();
}

std::int32_t LoadedModule::newCit2(std::int32_t yearStart, std::int32_t yearEnd,
                                   std::int32_t period, const std::string& edition) const {
    return idOf(Json{{"verb", "new-cit2"},
                     {"yearStart", yearStart},
                     {"yearEnd", yearEnd},
                     {"period", period},
                     {"edition", edition}}
                    .dump());
}

std::int32_t LoadedModule::recomputeCit8(std::int32_t id, std::int32_t mode) const {
    if (mode != 0 && mode != 1) return 0;
    return idOf(Json{{"verb", mode == 0 ? "compute" : "recalc"}, {"id", id}}.dump());
}

std::int32_t LoadedModule::computeAndFill(std::int32_t id) const {
    return idOf(Json{{"verb", "compute"}, {"id", id}, {"fill", 1}}.dump());
}

bool LoadedModule::writePdf(std::int32_t templateId, std::int32_t id,
                            const std::string& file) const {
    return idOf(Json{{"verb", "pdf"}, {"id", id}, {"file", file}, {"template", templateId}}
                    .dump()) == id;
}

Result<citforms::check::CheckResult> LoadedModule::check(std::int32_t id,
                                                       bool runStatements) const {
    using R = Result<citforms::check::CheckResult>;
    const Json reply = Json::parse(
        automation(Json{{"verb", "check"}, {"id", id}, {"statements", runStatements ? 1 : 0}}
                       .dump()),
        nullptr, false);
    if (!reply.is_object()) return R::failure("the module's reply is not JSON");
    if (reply.value("ok", false) != true) {
        const auto error = reply.find("error");
        return R::failure(error != reply.end() && error->is_string() ? error->get<std::string>()
                                                                      : "no reason given");
    }
    const auto check = reply.find("check");
    if (check == reply.end()) return R::failure("the module's reply holds no check");
    std::optional<citforms::check::CheckResult> result = citforms::check::fromJson(*check);
    if (!result) return R::failure("the module's check cannot be read");
    return std::move(*result);
}

}  // namespace refhost::libraries
