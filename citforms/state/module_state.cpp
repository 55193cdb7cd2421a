#include "citforms/state/module_state.h"

#include <array>
#include <cassert>
#include <memory>

#include <QtCore/QDebug>

#include "citforms/print/report_runtime.h"

namespace citforms::module {

namespace {

// Created by the library's load constructor and freed by its unload destructor, so that its
// lifetime is the library's and not tied to the order of other static objects. A plain pointer:
// a static smart pointer would have its own exit-time destructor besides the unload function.
ModuleState* gModuleState = nullptr;

__attribute__((constructor)) void loadModule() {
    gModuleState = std::make_unique<ModuleState>().release();
}

__attribute__((destructor)) void unloadModule() {
    std::unique_ptr<ModuleState> owned(gModuleState);
    gModuleState = nullptr;
}

// The host libraries in the order of their INIT and KILL calls.
std::array<host::HostLibrary*, 7> librariesInOrder(const host::HostBinding& h) {
    return {h.utility, h.data, h.declarations, h.settlements, h.print, h.statements, h.contractor};
}

}  // namespace

ModuleState::ModuleState() {
    fuzzyMatcher_.init();
    fuzzyMatcher_.setOption(FuzzyMatcher::kIgnoreCase, true);
    fuzzyMatcher_.setOption(FuzzyMatcher::kWholeWords, false);
    errorManager_ = &ownErrorManager_;
    iniManager_ = &ownIniManager_;
}

print::ReportRuntime& ModuleState::reportRuntime() {
    if (host_.report != nullptr) return *host_.report;
    if (!defaultRuntime_) defaultRuntime_ = print::makeDefaultReportRuntime();
    return *defaultRuntime_;
}

ModuleState::~ModuleState() {
    fuzzyMatcher_.kill();
    ownIniManager_.kill();
}

bool ModuleState::bindHost(const host::HostBinding& binding) {
    if (binding.version < host::kOldestHostInterfaceVersion ||
        binding.version > host::kHostInterfaceVersion)
        return false;
    if (binding.utility == nullptr || binding.data == nullptr) return false;
    host_ = binding;
    ownErrorManager_.init(&host_.utility->errorStatus());
    ownIniManager_.init(host_.data->globals().GGG_SCIEZKA_SET);
    return true;
}

void ModuleState::INIT(host::ErrorManager* errorManager, host::IniManager* iniManager) {
    if (!hostBound()) {
        qWarning("citforms: CITFORMS:INIT before the host bound its libraries; ignored");
        return;
    }
    if (initDone_) return;
    initDone_ = true;
    if (errorManager != nullptr) errorManager_ = errorManager;
    if (iniManager != nullptr) iniManager_ = iniManager;
    for (host::HostFileId file : host::kAttachOrder) {
        host_.data->attachErrorManager(file, errorManager_);
    }
    for (host::HostLibrary* library : librariesInOrder(host_)) {
        if (library != nullptr) library->INIT(errorManager, iniManager);
    }
}

void ModuleState::KILL() {
    if (!hostBound()) {
        qWarning("citforms: CITFORMS:KILL before the host bound its libraries; ignored");
        return;
    }
    if (killDone_) return;
    killDone_ = true;
    for (host::HostLibrary* library : librariesInOrder(host_)) {
        if (library != nullptr) library->KILL();
    }
}

ModuleState& moduleState() {
    assert(gModuleState != nullptr && "module state used outside the library's lifetime");
    return *gModuleState;
}

}  // namespace citforms::module
