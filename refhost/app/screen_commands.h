#pragma once
// The commands that put the module's windows on the screen for a person, as a host's menu
// does: `tabrix new` (the parameters window of a new CIT-8, PARAM_CIT2, whose "Wykonaj" opens
// the new declaration's window) and `tabrix open ID` (a stored declaration in the window of
// its edition, DEKLARACJE_CIT_POKAZ). They need a screen: without one they refuse to start.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "citforms/values/result.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"

namespace refhost::app {

// `new [--date DD-MM-YYYY]`: the date the parameters window proposes the fiscal year from.
struct NewOnScreen {
    std::optional<std::int32_t> date;  // a day number
};
citforms::values::Result<NewOnScreen> parseNewOnScreen(const std::vector<std::string>& args);

// "" when windows can be shown; else why not.
std::string screenProblem(const std::string& command);

// PARAM_CIT2("CIT-8", date); writes "declaration N saved" when the window made one.
int runNewOnScreen(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
                   const NewOnScreen& args, std::ostream& out, std::ostream& err);

// DEKLARACJE_CIT_POKAZ(id, template, period) of stored declaration `id` (the caller has
// refused a header whose creation never finished).
int runOpenOnScreen(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
                    std::int32_t id, std::ostream& out, std::ostream& err);

}  // namespace refhost::app
