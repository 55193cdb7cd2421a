#pragma once
// `tabrix run SCRIPT`: replays a session script (runtime/ui/scripted/session_script.h) at the
// module's windows on the scripted UI and prints its transcript on `out`. Each `open` step
// asks the module for its window through the automation entry ("open-window"); the host's
// own windows (PARAM_PRN_DEKLAR form=, KALENDARZ date=, DEF_ZESTAW_NEW id= code=) are opened
// as the module's calls open them, and what they leave is written after them
// ("print-settings", "calendar"). UP_PRZELEW id= is the module's "Przelew" of that stored
// declaration: the module finds its transfer and says what a new one is filled with. The module's plain windows write the
// id they answer ("result<TAB>PARAM_CIT2<TAB>id").
// Exit status: 0 when every step was met, 1 when one was not or a window could not be opened,
// 2 when the script cannot be read.
#include <ostream>
#include <string>

#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace refhost::app {

int runSession(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               citforms::runtime::ScriptedUi& ui, const std::string& scriptFile,
               std::ostream& out, std::ostream& err);

}  // namespace refhost::app
