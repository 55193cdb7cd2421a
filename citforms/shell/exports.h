#pragma once
// Everything libcitforms.so exports, listed once: the seventeen procedures of the host's table
// and the integration entries for hosts and tools. The library defines its symbols from these
// lists, hosts resolve them from the same lists:
//
//   auto init = reinterpret_cast<exports::InitFn>(dlsym(lib, exports::kInit));
//   init(&errorManager, &iniManager);
//   for (const exports::Entry& e : exports::kProcedures) dlsym(lib, e.symbol);
//
// STRING parameters are NUL-terminated UTF-8 texts, LONG is std::int32_t, BYTE std::uint8_t.
//
// Adding a procedure is one row below plus its implementation in exports.cpp (an extern "C"
// function named citforms_export_<Id> of exactly this signature; the build refuses a missing
// or mismatched one). Work for automation is a verb of citforms_automation, never a new symbol.
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "citforms/host/binding.h"
#include "citforms/host/managers.h"

// X(Id, "SYMBOL", function type), in the order of the host's table.
#define CITFORMS_EXPORTED_PROCEDURES(X)                                                         \
    X(Init, "CITFORMS:INIT",                                                                    \
      void(citforms::host::ErrorManager*, citforms::host::IniManager*))                         \
    X(Kill, "CITFORMS:KILL", void())                                                            \
    X(ParamCit2, "PARAM_CIT2", std::int32_t(const char* kind, std::int32_t date))               \
    X(DeklaracjeCitPokaz, "DEKLARACJE_CIT_POKAZ",                                               \
      void(std::int32_t id, std::int32_t templateId, std::int32_t date))                        \
    X(WydrukDeklaracjiCit, "WYDRUK_DEKLARACJI_CIT", void(const char* id))                       \
    X(CitOrdzu, "CIT_ORDZU", void())                                                            \
    X(CitOrdzuPrn, "CIT_ORDZU_PRN", void())                                                     \
    X(ZapiszCit8DoPdf, "ZAPISZ_CIT8_DO_PDF",                                                    \
      std::uint8_t(std::int32_t templateId, std::int32_t id, const char* fileName))             \
    X(CitSt201, "CIT_ST_201", std::int32_t(std::uint8_t, std::uint8_t, std::int32_t))           \
    X(AktualizujCitSt201, "AKTUALIZUJ_CIT_ST_201", std::int32_t(std::int32_t id))               \
    X(CitStPre, "CIT_ST_PRE", void(std::uint8_t mode, std::int32_t id))                         \
    X(WypelnijZmienneCitSt201, "WYPELNIJ_ZMIENNE_CIT_ST_201", void(std::int32_t id))            \
    X(CitStPrn201, "CIT_ST_PRN_201", void())                                                    \
    X(WypelnijZmienneCitSt201Formularz, "WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ",                \
      void(std::int32_t form, std::int32_t forms))                                              \
    X(WypelnijZmienneCitSta201Formularz, "WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ",              \
      void(std::int32_t form))                                                                  \
    X(CitStaPrn201, "CIT_STA_PRN_201", void())                                                  \
    X(CitSt8Powiazanie, "CIT_ST_8_POWIAZANIE", std::int32_t(const char*, std::int32_t))

// X(Id, "symbol", function type): the integration entries, exported by their plain names
// (host/binding.h describes them).
#define CITFORMS_INTEGRATION_ENTRIES(X)                                                         \
    X(BindHost, "citforms_bind_host", std::int32_t(const citforms::host::HostBinding*))         \
    X(Automation, "citforms_automation", const char*(const char* requestJson))

namespace citforms::module::exports {

// k<Id>: the symbol; <Id>Fn: the pointer type a host casts it to.
#define CITFORMS_EXPORT_DECLARE(id, symbol, signature) \
    inline constexpr const char* k##id = symbol;       \
    using id##Fn = std::add_pointer_t<signature>;
CITFORMS_EXPORTED_PROCEDURES(CITFORMS_EXPORT_DECLARE)
CITFORMS_INTEGRATION_ENTRIES(CITFORMS_EXPORT_DECLARE)
#undef CITFORMS_EXPORT_DECLARE

struct Entry {
    std::string_view id;      // the row's name in the list ("Init")
    const char* symbol;       // the exported name ("CITFORMS:INIT")
};

#define CITFORMS_EXPORT_ENTRY(id, symbol, signature) Entry{#id, symbol},
// The seventeen procedures, in the order of the host's table.
inline constexpr Entry kProcedures[] = {CITFORMS_EXPORTED_PROCEDURES(CITFORMS_EXPORT_ENTRY)};
// The integration entries.
inline constexpr Entry kIntegration[] = {CITFORMS_INTEGRATION_ENTRIES(CITFORMS_EXPORT_ENTRY)};
#undef CITFORMS_EXPORT_ENTRY

}  // namespace citforms::module::exports
