#pragma once
// The entry points that show a declaration in the module's windows: DEKLARACJE_CIT_POKAZ (a
// stored declaration in the window of its template), CIT_ORDZU (the ORD-ZU of the open
// declaration) and the windows automation opens ("open-window").
//
//   DEKLARACJE_CIT_POKAZ(moduleState(), 17, 73, period);   // returns when the window closes
#include <cstdint>
#include <string>

#include "citforms/state/module_state.h"
#include "citforms/values/result.h"
#include "citforms/windows/window_handlers.h"

namespace citforms::module {

// The fiscal year holding the last day of `date`'s month, the declaration state, the load of
// the template, then its window as on a stored declaration (existing, reference date `date`,
// unchanged). A template without a load or a window is told "Brak obsługi wzorca
// deklaracji."; a load that failed opens no window (saving it would replace the stored values
// by what could not be read).
void DEKLARACJE_CIT_POKAZ(ModuleState& module, std::int32_t id, std::int32_t templateId,
                          std::int32_t date);

// The ORD-ZU window over the open declaration's ORD-ZU; GLOBALRESPONSE 1 when it has closed.
void CIT_ORDZU(ModuleState& module);

// Window `window` of stored declaration `id` (0: the open declaration) as automation asks for
// it: the main window of the template as DEKLARACJE_CIT_POKAZ opens it, an attachment's window
// (copy `copy` of `count` for a numbered one) over the loaded declaration. The window's result,
// or why it was not opened.
// `arguments` give the main window's existing and unchanged flags; its reference date is the
// declaration's period.
values::Result<int> openDeclarationWindow(ModuleState& module, std::int32_t id,
                                          const std::string& window, int copy, int count,
                                          windows::WindowArguments arguments);

}  // namespace citforms::module
