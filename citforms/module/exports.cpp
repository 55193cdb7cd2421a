// Exported procedures of libcitforms.so.
//
// The host finds the procedures by their own names, which hold a colon ("CITFORMS:INIT") and so
// cannot be C++ identifiers: each is an extern "C" function with an ordinary (hidden) name and a
// global assembler alias under the procedure's name (CITFORMS_EXPORT). Nothing may be thrown
// into the host: every procedure catches what escapes, logs it and returns its neutral result.
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include <QtCore/QDebug>

#include "citforms/host/binding.h"
#include "citforms/module/automation.h"
#include "citforms/module/declaration_json.h"
#include "citforms/module/exports.h"
#include "citforms/module/module_state.h"
#include "citforms/module/print_dispatch.h"

#define CITFORMS_EXPORT(symbol, impl)                                                             \
    __asm__(".globl \"" symbol "\"\n.type \"" symbol "\", @function\n.set \"" symbol "\", " #impl \
            "\n")

namespace {

using citforms::module::moduleState;

template <class R, class Body>
R guarded(const char* name, R neutral, Body body) {
    try {
        return body();
    } catch (const std::exception& e) {
        qCritical("citforms: %s stopped: %s", name, e.what());
    } catch (...) {
        qCritical("citforms: %s stopped by an unknown exception", name);
    }
    return neutral;
}

template <class Body>
void guardedVoid(const char* name, Body body) {
    guarded<int>(name, 0, [&] {
        body();
        return 0;
    });
}

// Procedures whose behaviour the module does not have yet tell the user so and do nothing.
template <class R = int>
R notYetAvailable(const char* name, R neutral = R{}) {
    guardedVoid(name, [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        m.host().utility->MSG_OST(std::string("Procedura ") + name + " nie jest jeszcze dostępna.");
    });
    return neutral;
}

}  // namespace

extern "C" {

void citforms_export_init(citforms::host::ErrorManager* errorManager,
                          citforms::host::IniManager* iniManager) {
    guardedVoid("CITFORMS:INIT", [&] { moduleState().INIT(errorManager, iniManager); });
}

void citforms_export_kill() {
    guardedVoid("CITFORMS:KILL", [] { moduleState().KILL(); });
}

std::int32_t citforms_export_param_cit2(const char*, std::int32_t) {
    return notYetAvailable<std::int32_t>("PARAM_CIT2");
}

void citforms_export_deklaracje_cit_pokaz(std::int32_t, std::int32_t, std::int32_t) {
    notYetAvailable("DEKLARACJE_CIT_POKAZ");
}

void citforms_export_wydruk_deklaracji_cit(const char* id) {
    guardedVoid("WYDRUK_DEKLARACJI_CIT", [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        citforms::module::WYDRUK_DEKLARACJI_CIT(m, id != nullptr ? id : "");
    });
}

void citforms_export_cit_ordzu() {
    notYetAvailable("CIT_ORDZU");
}

void citforms_export_cit_ordzu_prn() {
    guardedVoid("CIT_ORDZU_PRN", [] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        citforms::module::CIT_ORDZU_PRN(m);
    });
}

std::uint8_t citforms_export_zapisz_cit8_do_pdf(std::int32_t templateId, std::int32_t id,
                                                const char* fileName) {
    return guarded<std::uint8_t>("ZAPISZ_CIT8_DO_PDF", 0, [&]() -> std::uint8_t {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return 0;
        return citforms::module::ZAPISZ_CIT8_DO_PDF(m, templateId, id,
                                                    fileName != nullptr ? fileName : "");
    });
}

std::int32_t citforms_export_cit_st_201(std::uint8_t, std::uint8_t, std::int32_t) {
    return notYetAvailable<std::int32_t>("CIT_ST_201");
}

std::int32_t citforms_export_aktualizuj_cit_st_201(std::int32_t) {
    return notYetAvailable<std::int32_t>("AKTUALIZUJ_CIT_ST_201");
}

void citforms_export_cit_st_pre(std::uint8_t, std::int32_t) {
    notYetAvailable("CIT_ST_PRE");
}

void citforms_export_wypelnij_zmienne_cit_st_201(std::int32_t) {
    notYetAvailable("WYPELNIJ_ZMIENNE_CIT_ST_201");
}

void citforms_export_cit_st_prn_201() {
    notYetAvailable("CIT_ST_PRN_201");
}

void citforms_export_wypelnij_zmienne_cit_st_201_formularz(std::int32_t, std::int32_t) {
    notYetAvailable("WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ");
}

void citforms_export_wypelnij_zmienne_cit_sta_201_formularz(std::int32_t) {
    notYetAvailable("WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ");
}

void citforms_export_cit_sta_prn_201() {
    notYetAvailable("CIT_STA_PRN_201");
}

std::int32_t citforms_export_cit_st_8_powiazanie(const char*, std::int32_t) {
    return notYetAvailable<std::int32_t>("CIT_ST_8_POWIAZANIE");
}

__attribute__((visibility("default"))) std::int32_t citforms_bind_host(
    const citforms::host::HostBinding* binding) {
    return guarded<std::int32_t>("citforms_bind_host", 0, [&] {
        return binding != nullptr && moduleState().bindHost(*binding) ? 1 : 0;
    });
}

__attribute__((visibility("default"))) const char* citforms_declaration_json(std::int32_t id) {
    // The text stays valid until the next call on the same thread.
    thread_local std::string text;
    return guarded<const char*>("citforms_declaration_json", nullptr, [&]() -> const char* {
        std::optional<std::string> json = citforms::module::declarationJson(moduleState(), id);
        if (!json) return nullptr;
        text = std::move(*json);
        return text.c_str();
    });
}

__attribute__((visibility("default"))) std::int32_t citforms_new_cit8(std::int32_t yearStart,
                                                                      std::int32_t yearEnd,
                                                                      const char* edition,
                                                                      std::int32_t copyFrom) {
    return guarded<std::int32_t>("citforms_new_cit8", 0, [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return 0;
        return citforms::module::newCit8(m, yearStart, yearEnd, edition ? edition : "", copyFrom);
    });
}

__attribute__((visibility("default"))) std::int32_t citforms_recompute_cit8(std::int32_t id,
                                                                            std::int32_t mode) {
    return guarded<std::int32_t>("citforms_recompute_cit8", 0, [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound() || (mode != 0 && mode != 1)) return 0;
        return citforms::module::recomputeCit8(m, id,
                                               mode == 0 ? citforms::module::Recompute::Statements
                                                         : citforms::module::Recompute::FormRules);
    });
}

}  // extern "C"

CITFORMS_EXPORT("CITFORMS:INIT", citforms_export_init);
CITFORMS_EXPORT("CITFORMS:KILL", citforms_export_kill);
CITFORMS_EXPORT("PARAM_CIT2", citforms_export_param_cit2);
CITFORMS_EXPORT("DEKLARACJE_CIT_POKAZ", citforms_export_deklaracje_cit_pokaz);
CITFORMS_EXPORT("WYDRUK_DEKLARACJI_CIT", citforms_export_wydruk_deklaracji_cit);
CITFORMS_EXPORT("CIT_ORDZU", citforms_export_cit_ordzu);
CITFORMS_EXPORT("CIT_ORDZU_PRN", citforms_export_cit_ordzu_prn);
CITFORMS_EXPORT("ZAPISZ_CIT8_DO_PDF", citforms_export_zapisz_cit8_do_pdf);
CITFORMS_EXPORT("CIT_ST_201", citforms_export_cit_st_201);
CITFORMS_EXPORT("AKTUALIZUJ_CIT_ST_201", citforms_export_aktualizuj_cit_st_201);
CITFORMS_EXPORT("CIT_ST_PRE", citforms_export_cit_st_pre);
CITFORMS_EXPORT("WYPELNIJ_ZMIENNE_CIT_ST_201", citforms_export_wypelnij_zmienne_cit_st_201);
CITFORMS_EXPORT("CIT_ST_PRN_201", citforms_export_cit_st_prn_201);
CITFORMS_EXPORT("WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ",
                citforms_export_wypelnij_zmienne_cit_st_201_formularz);
CITFORMS_EXPORT("WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ",
                citforms_export_wypelnij_zmienne_cit_sta_201_formularz);
CITFORMS_EXPORT("CIT_STA_PRN_201", citforms_export_cit_sta_prn_201);
CITFORMS_EXPORT("CIT_ST_8_POWIAZANIE", citforms_export_cit_st_8_powiazanie);

// The exported functions must keep the signatures hosts cast their symbols to.
namespace ex = citforms::module::exports;
static_assert(std::is_same_v<decltype(&citforms_export_init), ex::InitFn>);
static_assert(std::is_same_v<decltype(&citforms_export_kill), ex::KillFn>);
static_assert(std::is_same_v<decltype(&citforms_export_param_cit2), ex::ParamCit2Fn>);
static_assert(
    std::is_same_v<decltype(&citforms_export_deklaracje_cit_pokaz), ex::DeklaracjeCitPokazFn>);
static_assert(
    std::is_same_v<decltype(&citforms_export_wydruk_deklaracji_cit), ex::WydrukDeklaracjiCitFn>);
static_assert(std::is_same_v<decltype(&citforms_export_cit_ordzu), ex::CitOrdzuFn>);
static_assert(std::is_same_v<decltype(&citforms_export_cit_ordzu_prn), ex::CitOrdzuPrnFn>);
static_assert(std::is_same_v<decltype(&citforms_export_zapisz_cit8_do_pdf), ex::ZapiszCit8DoPdfFn>);
static_assert(std::is_same_v<decltype(&citforms_export_cit_st_201), ex::CitSt201Fn>);
static_assert(
    std::is_same_v<decltype(&citforms_export_aktualizuj_cit_st_201), ex::AktualizujCitSt201Fn>);
static_assert(std::is_same_v<decltype(&citforms_export_cit_st_pre), ex::CitStPreFn>);
static_assert(std::is_same_v<decltype(&citforms_export_wypelnij_zmienne_cit_st_201),
                             ex::WypelnijZmienneCitSt201Fn>);
static_assert(std::is_same_v<decltype(&citforms_export_cit_st_prn_201), ex::CitStPrn201Fn>);
static_assert(std::is_same_v<decltype(&citforms_export_wypelnij_zmienne_cit_st_201_formularz),
                             ex::WypelnijZmienneCitSt201FormularzFn>);
static_assert(std::is_same_v<decltype(&citforms_export_wypelnij_zmienne_cit_sta_201_formularz),
                             ex::WypelnijZmienneCitSta201FormularzFn>);
static_assert(std::is_same_v<decltype(&citforms_export_cit_sta_prn_201), ex::CitStaPrn201Fn>);
static_assert(
    std::is_same_v<decltype(&citforms_export_cit_st_8_powiazanie), ex::CitSt8PowiazanieFn>);
static_assert(std::is_same_v<decltype(&citforms_bind_host), citforms::host::BindHostFn>);
static_assert(
    std::is_same_v<decltype(&citforms_declaration_json), citforms::host::DeclarationJsonFn>);
