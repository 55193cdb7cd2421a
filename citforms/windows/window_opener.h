#pragma once
// Opens the module's form windows over the open declaration, nesting them through the UI seam.
//
//   WindowOpener opener(host, ini, module.fields, module.declaration, &runtime);
//   auto result = opener.open("CIT_8_73", {1, period, 1});  // returns when the window has closed
//   opener.open("CIT_BR_73", 2, 3);                          // CIT-BR attachment 2 of 3
//
// A window is generated from its declaration (window_declaration.h) by the form engine
// (form_window.h) over the field set of the declaration's form of that name. A numbered form
// (CIT-BR, CIT-D) is loaded with the copy asked for and its rows are replaced by the window's
// values when it closes. A one-instance window asked for while it is open gives the open one
// the focus and returns 0 at once. The host's maximise request (MAKSYMALIZUJ) is passed to
// the view, and MAKSYMALIZACJAOFF called once the window is open. The handlers and rules of
// each window that are not data are registered from the tables of window_handlers.cpp.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "citforms/host/binding.h"
#include "citforms/host/managers.h"
#include "citforms/print/report_runtime.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/declaration_state.h"
#include "citforms/values/result.h"
#include "citforms/windows/form_window.h"
#include "citforms/windows/window_handlers.h"

namespace citforms::windows {

class WindowOpener {
public:
    // Windows over the open declaration `state`, printing on `runtime` (nullptr: no prints).
    WindowOpener(const host::HostBinding& host, host::IniManager* ini,
                 store::DeclarationFields& fields, module::DeclarationState& state,
                 print::ReportRuntime* runtime);
    // Windows over the declaration `declarationId` alone (no prints, no computation period).
    WindowOpener(const host::HostBinding& host, host::IniManager* ini,
                 store::DeclarationFields& fields, int declarationId);
    WindowOpener(const WindowOpener&) = delete;
    WindowOpener& operator=(const WindowOpener&) = delete;

    // The window's result; an error when the window cannot be made (no such window, its
    // form not carried by the declaration, a broken declaration file).
    values::Result<int> open(std::string_view name, int copy = 0, int count = 0);
    // A declaration's main window (CIT_8_73) with its arguments: a stored declaration or one
    // prepared just before, the reference date, the unchanged flag it starts with.
    values::Result<int> open(std::string_view name, const WindowArguments& arguments);

private:
    values::Result<const FormWindowLayout*> layoutOf(std::string_view name);
    values::Result<int> run(std::string_view name, int copy, int count,
                            const WindowArguments& arguments);

    const host::HostBinding* host_;
    host::IniManager* ini_;
    store::DeclarationFields* fields_;
    module::DeclarationState ownState_;
    module::DeclarationState* state_;
    print::ReportRuntime* runtime_;
    std::map<std::string, std::unique_ptr<FormWindowLayout>, std::less<>> layouts_;
    std::set<std::string, std::less<>> open_;
    WindowSession* outer_ = nullptr;  // the session of the first window open, while it is
};

}  // namespace citforms::windows
