#pragma once
// `tabrix run SCRIPT`: replays a session script (runtime/ui/scripted/session_script.h) at the
// module's windows on the scripted UI and prints its transcript on `out`. Each `open` step
// asks the module for its window through the automation entry ("open-window").
// Exit status: 0 when every step was met, 1 when one was not or a window could not be opened,
// 2 when the script cannot be read.
#include <ostream>
#include <string>

#include "refhost/libraries/module_loader.h"
#include "runtime/ui/scripted/scripted_ui.h"

namespace refhost::app {

int runSession(const libraries::LoadedModule& module, citforms::runtime::ScriptedUi& ui,
               const std::string& scriptFile, std::ostream& err);

}  // namespace refhost::app
