#pragma once
// The procedures libcitforms.so exports, by symbol name and C signature, for hosts that find
// them with dlsym:
//
//   auto init = reinterpret_cast<exports::InitFn>(dlsym(lib, exports::kInit));
//   init(&errorManager, &iniManager);
//
// STRING parameters are NUL-terminated UTF-8 texts, LONG is std::int32_t, BYTE std::uint8_t.
// Besides these, the library exports the two integration entry points of host/binding.h.
#include <cstdint>

#include "citforms/host/managers.h"

namespace citforms::module::exports {

inline constexpr const char* kInit = "CITFORMS:INIT";
inline constexpr const char* kKill = "CITFORMS:KILL";
inline constexpr const char* kParamCit2 = "PARAM_CIT2";
inline constexpr const char* kDeklaracjeCitPokaz = "DEKLARACJE_CIT_POKAZ";
inline constexpr const char* kWydrukDeklaracjiCit = "WYDRUK_DEKLARACJI_CIT";
inline constexpr const char* kCitOrdzu = "CIT_ORDZU";
inline constexpr const char* kCitOrdzuPrn = "CIT_ORDZU_PRN";
inline constexpr const char* kZapiszCit8DoPdf = "ZAPISZ_CIT8_DO_PDF";
inline constexpr const char* kCitSt201 = "CIT_ST_201";
inline constexpr const char* kAktualizujCitSt201 = "AKTUALIZUJ_CIT_ST_201";
inline constexpr const char* kCitStPre = "CIT_ST_PRE";
inline constexpr const char* kWypelnijZmienneCitSt201 = "WYPELNIJ_ZMIENNE_CIT_ST_201";
inline constexpr const char* kCitStPrn201 = "CIT_ST_PRN_201";
inline constexpr const char* kWypelnijZmienneCitSt201Formularz =
    "WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ";
inline constexpr const char* kWypelnijZmienneCitSta201Formularz =
    "WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ";
inline constexpr const char* kCitStaPrn201 = "CIT_STA_PRN_201";
inline constexpr const char* kCitSt8Powiazanie = "CIT_ST_8_POWIAZANIE";

using InitFn = void (*)(host::ErrorManager*, host::IniManager*);
using KillFn = void (*)();
using ParamCit2Fn = std::int32_t (*)(const char* kind, std::int32_t date);
using DeklaracjeCitPokazFn = void (*)(std::int32_t id, std::int32_t templateId, std::int32_t date);
using WydrukDeklaracjiCitFn = void (*)(const char* id);
using CitOrdzuFn = void (*)();
using CitOrdzuPrnFn = void (*)();
using ZapiszCit8DoPdfFn = std::uint8_t (*)(std::int32_t templateId, std::int32_t id,
                                           const char* fileName);
using CitSt201Fn = std::int32_t (*)(std::uint8_t, std::uint8_t, std::int32_t);
using AktualizujCitSt201Fn = std::int32_t (*)(std::int32_t id);
using CitStPreFn = void (*)(std::uint8_t mode, std::int32_t id);
using WypelnijZmienneCitSt201Fn = void (*)(std::int32_t id);
using CitStPrn201Fn = void (*)();
using WypelnijZmienneCitSt201FormularzFn = void (*)(std::int32_t form, std::int32_t forms);
using WypelnijZmienneCitSta201FormularzFn = void (*)(std::int32_t form);
using CitStaPrn201Fn = void (*)();
using CitSt8PowiazanieFn = std::int32_t (*)(const char*, std::int32_t);

// Every exported procedure name, in the order of the host's table.
inline constexpr const char* kAll[] = {
    kInit,
    kKill,
    kParamCit2,
    kDeklaracjeCitPokaz,
    kWydrukDeklaracjiCit,
    kCitOrdzu,
    kCitOrdzuPrn,
    kZapiszCit8DoPdf,
    kCitSt201,
    kAktualizujCitSt201,
    kCitStPre,
    kWypelnijZmienneCitSt201,
    kCitStPrn201,
    kWypelnijZmienneCitSt201Formularz,
    kWypelnijZmienneCitSta201Formularz,
    kCitStaPrn201,
    kCitSt8Powiazanie,
};

}  // namespace citforms::module::exports
