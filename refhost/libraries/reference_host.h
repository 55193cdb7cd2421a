#pragma once
// Every library of the reference host over one database and one UI seam, with the error
// and INI managers it hands to CITFORMS:INIT, and the binding that gives them to the module.
//
//   ReferenceHost host(*db, ui);
//   host.state().setDefaults(globals);
//   auto module = LoadedModule::load(path);
//   (*module)->bind(host.binding());
//   (*module)->init(&host.errorManager(), &host.iniManager());
#include "citforms/host/binding.h"
#include "refhost/libraries/data_library.h"
#include "refhost/libraries/host_managers.h"
#include "refhost/libraries/host_state.h"
#include "refhost/libraries/utility_library.h"
#include "refhost/libraries/window_libraries.h"

namespace refhost::libraries {

class ReferenceHost {
public:
    ReferenceHost(sql::HostDatabase& db, citforms::host::UiSeam& ui);

    HostState& state() { return state_; }
    HostUtilityLibrary& utility() { return utility_; }
    HostDataLibrary& data() { return data_; }
    HostPrintLibrary& print() { return print_; }
    HostSettlementsLibrary& settlements() { return settlements_; }
    HostErrorManager& errorManager() { return errorManager_; }
    HostIniManager& iniManager() { return iniManager_; }
    citforms::host::UiSeam& ui() { return *ui_; }

    citforms::host::HostBinding binding();

private:
    citforms::host::UiSeam* ui_;
    HostState state_;
    HostUtilityLibrary utility_;
    HostDataLibrary data_;
    HostDeclarationsLibrary declarations_;
    HostSettlementsLibrary settlements_;
    HostPrintLibrary print_;
    HostStatementsLibrary statements_;
    HostContractorLibrary contractor_;
    HostErrorManager errorManager_;
    HostIniManager iniManager_;
};

}  // namespace refhost::libraries
