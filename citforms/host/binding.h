#pragma once
// How a host hands its libraries to the module before it calls CITFORMS:INIT.
//
//   HostBinding b{.utility = &util, .data = &data, ...};
//   auto bind = reinterpret_cast<exports::BindHostFn>(dlsym(module, exports::kBindHost));
//   bind(&b);
//
// All pointers must stay valid until the library is unloaded. A binding of a version the
// module does not know is refused (the bind call returns 0). Version 3 added
// StatementsLibrary::ZESTAWIENIE_DD_ZRODLA; a version-2 host is still served, without the
// statements' sources (HostBinding::hasStatementSources).
#include <cstdint>

#include "citforms/host/libraries.h"

namespace citforms::print {
class ReportRuntime;  // print/report_runtime.h
}

namespace citforms::host {

inline constexpr std::int32_t kHostInterfaceVersion = 3;
inline constexpr std::int32_t kOldestHostInterfaceVersion = 2;

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

    // Whether the statements library has ZESTAWIENIE_DD_ZRODLA: a host built against version 2
    // of the interface has no such entry in its library, and it must not be called there.
    bool hasStatementSources() const { return statements != nullptr && version >= 3; }
};

// libcitforms.so exports, next to the seventeen procedures, two integration entries (their
// names and types are in shell/exports.h with the procedures):
//   citforms_bind_host(const HostBinding*)  -> 1 when bound, 0 when refused;
//   citforms_automation(const char* json)   -> the reply to one automation request, as JSON
//                                              (shell/automation_entry.h gives the verbs).

}  // namespace citforms::host
