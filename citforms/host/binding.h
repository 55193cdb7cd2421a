#pragma once
// How a host hands its libraries to the module before it calls CITFORMS:INIT.
//
//   HostBinding b{.utility = &util, .data = &data, ...};
//   auto bind = reinterpret_cast<exports::BindHostFn>(dlsym(module, exports::kBindHost));
//   bind(&b);
//
// All pointers must stay valid until the library is unloaded. A binding whose version is not
// kHostInterfaceVersion is refused (the bind call returns 0).
#include <cstdint>

#include "citforms/host/libraries.h"

namespace citforms::print {
class ReportRuntime;  // print/report_runtime.h
}

namespace citforms::host {

inline constexpr std::int32_t kHostInterfaceVersion = 2;

struct HostBinding {
    std::int32_t version = kHostInterfaceVersion;
    UtilityLibrary* utility = nullptr;
    DataLibrary* data = nullptr;
    DeclarationsLibrary* declarations = nullptr;
    SettlementsLibrary* settlements = nullptr;
    PrintLibrary* print = nullptr;
    StatementsLibrary* statements = nullptr;
    ContractorLibrary* contractor = nullptr;
    UiSeam* ui = nullptr;
    // Optional: the progress window, previewer and printer the module's prints use. Without
    // one the module uses the runtime it was built with (print/report_runtime.h).
    print::ReportRuntime* report = nullptr;
};

// libcitforms.so exports, next to the seventeen procedures, two integration entries (their
// names and types are in shell/exports.h with the procedures):
//   citforms_bind_host(const HostBinding*)  -> 1 when bound, 0 when refused;
//   citforms_automation(const char* json)   -> the reply to one automation request, as JSON
//                                              (shell/automation_entry.h gives the verbs).

}  // namespace citforms::host
