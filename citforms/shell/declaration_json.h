#pragma once
// A stored declaration as JSON, for hosts and tools (the "dump" verb of citforms_automation).
//
// The declaration's template decides the load: templates 73 and 72 are loaded into the module's
// field sets through their own load (which leaves them open as the module's declaration) and
// give every form; other templates give their header only ({"id", "template"}) and leave the
// module's state alone.
//   {"id":17, "template":73, "cit8":{"1":"…","4":"…",…}, "cit8o":{…}, "ordzu":{…},
//    "citd":[[copy,field,"value"],…], "citbr":[[copy,field,"value"],…]}
// Field keys are the field numbers in ascending order, values their stored text. A CIT-ST
// (template 201) gives "citst" (positions 1 to 25), "ordzu" and "oddzialy": its branches in
// stored order, each member by its name (NAZWA_PELNA, ..., GMINA_KOD).
#include <cstdint>
#include <optional>
#include <string>

#include "citforms/state/module_state.h"

namespace citforms::module {

// nullopt when there is no such declaration or its header cannot be read (an SQL error, which
// is shown with MSG_OST).
std::optional<std::string> declarationJson(ModuleState& module, std::int32_t id);

}  // namespace citforms::module
