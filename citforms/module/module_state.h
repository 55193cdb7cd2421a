#pragma once
// ModuleState: everything the module keeps for the whole process, in one place.
//
// One instance exists per loaded library: created when the library is loaded and freed when it
// is unloaded (module_state.cpp). It holds the error-manager and INI-manager references with the
// module's own pair, the fuzzy matcher, the once-flags of CITFORMS:INIT and CITFORMS:KILL, the
// open declaration's state and field sets, and the module's in-memory lists: `ext` and `extcb`
// (in `fields`) and the CIT-ST branch list.
//
// The host binds its libraries after loading the library and before CITFORMS:INIT. Whatever
// needs the host therefore happens in bindHost(): the own error manager is bound to the
// binding thread's error status and the own INI manager is opened on the host's settings file
// GGG:SCIEZKA_SET. Until INIT hands over the host's managers the own ones are the references.
//
//   ModuleState& m = moduleState();
//   m.declaration.CIT_ID_DEKLARACJI = id;
//   store::WCZYTAJ_CIT_8(73, m.host(), m.declaration, m.fields);
#include <memory>
#include <string>
#include <vector>

#include "citforms/host/binding.h"
#include "citforms/module/declaration_state.h"
#include "citforms/module/fuzzy_matcher.h"
#include "citforms/module/own_error_manager.h"
#include "citforms/module/own_ini_manager.h"
#include "citforms/store/cit_st_branch.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::module {

class ModuleState {
public:
    ModuleState();
    ~ModuleState();
    ModuleState(const ModuleState&) = delete;
    ModuleState& operator=(const ModuleState&) = delete;

    // Takes the host's libraries; false (and nothing changed) for a binding of another interface
    // version or without the utility and data libraries. A later binding replaces the earlier.
    bool bindHost(const host::HostBinding& binding);
    bool hostBound() const { return host_.utility != nullptr; }
    const host::HostBinding& host() const { return host_; }

    // CITFORMS:INIT: once per process; non-null managers replace the references; attaches the
    // error manager reference to the module's host files; runs the host libraries' INIT with
    // the arguments as given. Without a bound host it does nothing, not even set its flag.
    void INIT(host::ErrorManager* errorManager, host::IniManager* iniManager);
    // CITFORMS:KILL: once per process, the host libraries' KILL in the order of INIT; like INIT
    // it waits for a bound host.
    void KILL();

    bool initDone() const { return initDone_; }
    bool killDone() const { return killDone_; }

    // The report runtime prints use: the host's when it bound one, else the default runtime
    // (made at the first print, kept until the library is unloaded).
    print::ReportRuntime& reportRuntime();

    host::ErrorManager* errorManager() const { return errorManager_; }
    host::IniManager* iniManager() const { return iniManager_; }
    OwnErrorManager& ownErrorManager() { return ownErrorManager_; }
    OwnIniManager& ownIniManager() { return ownIniManager_; }
    FuzzyMatcher& fuzzyMatcher() { return fuzzyMatcher_; }

    DeclarationState declaration;
    store::DeclarationFields fields;
    store::CitStBranches ODDZIALY_CIT_ST;
    // The CIT-ST working set beside the open CIT-8: ZVST (the CIT-ST form's positions 1 to 25)
    // with its ORD-ZU, and the print cells of the last filled CIT-ST and CIT-STA copy.
    store::DeclarationFields citSt{201};
    std::vector<std::string> VST, VSTA;

private:
    host::HostBinding host_{};
    std::unique_ptr<print::ReportRuntime> defaultRuntime_;
    OwnErrorManager ownErrorManager_;
    OwnIniManager ownIniManager_;
    FuzzyMatcher fuzzyMatcher_;
    host::ErrorManager* errorManager_ = nullptr;
    host::IniManager* iniManager_ = nullptr;
    bool initDone_ = false;
    bool killDone_ = false;
};

// The process's module state. Exists from library load to unload.
ModuleState& moduleState();

}  // namespace citforms::module
