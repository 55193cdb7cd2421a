#pragma once
// What the module's form windows do beyond the engine: the handlers of their buttons and the
// rules applied as the person types, one small table per window (window_handlers.cpp).
//
//   WindowSession session{...};                 // what the window works on, for as long as it is open
//   FormWindow window(layout, held.set, context);
//   addWindowBehaviour(window, session);        // registers the handlers and rules of its name
//
// A window whose action has no row keeps the engine's answer ("not handled yet").
#include <cstdint>
#include <string>

#include "citforms/host/binding.h"
#include "citforms/host/managers.h"
#include "citforms/print/report_runtime.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_save.h"
#include "citforms/store/declaration_state.h"
#include "citforms/windows/form_window.h"

namespace citforms::windows {

// How a declaration's main window is opened: a stored declaration (existing) or one prepared
// just before, the reference date of the company data and of the save, and whether the
// window starts as unchanged (closing then asks nothing until "Oblicz" is pressed).
struct WindowArguments {
    bool existing = true;
    std::int32_t referenceDate = 0;
    bool unchanged = true;
    // The main window opened at this position instead of its first entry (0: none), of the
    // form `focusForm` (empty: the window's own; an attachment's form: the position that
    // announces the attachment), as "Przejdź" of the check puts the cursor.
    int focus = 0;
    std::string focusForm;
};

// Everything one open window works on; it lives as long as the window is open.
struct WindowSession {
    const host::HostBinding* host = nullptr;
    host::IniManager* ini = nullptr;
    store::DeclarationFields* fields = nullptr;
    module::DeclarationState* state = nullptr;
    print::ReportRuntime* runtime = nullptr;  // nullptr: no prints from this window
    WindowArguments arguments;
    int copy = 0;   // a numbered attachment: its number and how many there are
    int count = 0;
    // The CIT-8 window's flags: unchanged (no question on closing while set) and saved (a
    // save went through while the window was open).
    bool unchanged = true;
    bool saved = false;
    // The session of the declaration's main window when this one is opened over it (an
    // attachment): "Zapisz" on closing the attachment keeps its values there.
    WindowSession* owner = nullptr;
    // An attachment window closed with its changes kept: the declaration holds changes.
    bool keptChanges = false;
    // Why the declaration may only be read (filed or locked); empty when it may change. An
    // attachment window takes its declaration window's.
    std::string readOnly;
};

// Registers the handlers and typing rules of the window `window.model().name`; the window's
// values as they stand then are its unchanged state (FormWindow::markUnchanged). A stored
// declaration that is filed or locked opens read-only (FormWindow::setReadOnly), saying why.
void addWindowBehaviour(FormWindow& window, WindowSession& session);

// "Zapisz" of a window whose declaration has positions a failed statement or company read
// left without a value: the person is told which, and true is answered (nothing is saved).
bool refuseNotComputed(const host::HostBinding& host, const store::DeclarationIssues& issues);

// "Przelew" of stored declaration `id` of template `templateId`: the host's bank-transfer
// window (UP_PRZELEW), on the declaration's transfer when it has one, else a new one filled
// with the amount to pay and the title the declaration's kind gives (host globals
// GLO_PRZELEW_POLE, GLO_PRZELEW_SYMBOL, GLO_PRZELEW_OKRES, cleared after the call).
void openTransfer(const host::HostBinding& host, std::int32_t id, std::int32_t templateId);

// Tells what became of a save (store::tell). A save refused because someone else saved the
// declaration after the window read it asks instead whether to read it again from the
// database ("&Wczytaj ponownie|&Anuluj"); on yes `reload` puts the stored declaration into the
// window, dropping what was typed. "Anuluj" keeps the window's values as they are.
using Reload = void (*)(FormWindow&, WindowSession&);
void tellSaveOutcome(FormWindow& w, WindowSession& s, const store::SaveResult& result,
                     Reload reload);

}  // namespace citforms::windows
