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
