#pragma once
// How a host hands its libraries to the module before it calls CITFORMS:INIT.
//
//   HostBinding b{.utility = &util, .data = &data, ...};
//   auto bind = reinterpret_cast<BindHostFn>(dlsym(module, kBindHostSymbol));
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

inline constexpr std::int32_t kHostInterfaceVersion = 1;

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

// Exported by libcitforms.so next to the seventeen procedures; returns 1 when bound.
inline constexpr const char* kBindHostSymbol = "citforms_bind_host";
using BindHostFn = std::int32_t (*)(const HostBinding*);

}  // namespace citforms::host

namespace citforms::host {

// Integration export for hosts and tools: loads declaration `id` through the module's own
// load (its template decides the load routine) and returns its field sets as JSON:
//   {"id":…, "template":…, "cit8":{"1":"…",…}, "cit8o":{…}, "ordzu":{…},
//    "citd":[[copy,field,"value"],…], "citbr":[[copy,field,"value"],…]}
// with values in their stored text form. The text belongs to the module and stays valid
// until the next call on the same thread. Returns nullptr when the declaration does not
// exist or cannot be read (the reason is in the host's error status and was shown).
inline constexpr const char* kDeclarationJsonSymbol = "citforms_declaration_json";
using DeclarationJsonFn = const char* (*)(std::int32_t id);

}  // namespace citforms::host

namespace citforms::host {

// Integration exports for automation without windows (the reference host's command line).
// A new CIT-8 of the current company (DANE_ID_FIRMY) for the fiscal year [yearStart,
// yearEnd], made as the parameters window makes it and saved; `edition` "24", "23", "21" or
// "" for the proposed one; `copyFrom` the declaration whose statement definitions are copied
// (0 = the default set). Returns the new id, 0 when nothing was made (the reason was shown;
// a header whose save failed is removed again).
inline constexpr const char* kNewCit8Symbol = "citforms_new_cit8";
using NewCit8Fn = std::int32_t (*)(std::int32_t yearStart, std::int32_t yearEnd,
                                   const char* edition, std::int32_t copyFrom);

// Loads stored CIT-8 `id` of the current company, recomputes it and saves it: mode 0 runs
// the statements again (refresh mode), mode 1 takes the company data afresh and applies every
// form rule. Returns the id, 0 when it could not be loaded or saved, a locked declaration
// included (the reason was shown).
inline constexpr const char* kRecomputeSymbol = "citforms_recompute_cit8";
using RecomputeFn = std::int32_t (*)(std::int32_t id, std::int32_t mode);

}  // namespace citforms::host
