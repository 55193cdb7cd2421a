// Exported procedures of libcitforms.so.
//
// The host finds the procedures by their own names, which may hold a colon ("CITFORMS:INIT") and
// so cannot be C++ identifiers: each row of the lists in exports.h is an extern "C" function
// citforms_export_<Id> with a hidden name and a global assembler alias under the row's symbol
// (CITFORMS_EXPORT). Nothing may be thrown
// into the host: every procedure catches what escapes, logs it and returns its neutral result.
#include <cstdint>
#include <exception>
#include <string>
#include <type_traits>

#include <QtCore/QDebug>

#include "citforms/citst/cit_st_procedures.h"
#include "citforms/host/binding.h"
#include "citforms/shell/automation_entry.h"
#include "citforms/shell/exports.h"
#include "citforms/shell/print_dispatch.h"
#include "citforms/shell/window_dispatch.h"
#include "citforms/state/module_state.h"
#include "citforms/windows/cit_st_window.h"
#include "citforms/workflows/param_cit2.h"

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

void citforms_export_Init(citforms::host::ErrorManager* errorManager,
                          citforms::host::IniManager* iniManager) {
    guardedVoid("CITFORMS:INIT", [&] { moduleState().INIT(errorManager, iniManager); });
}

void citforms_export_Kill() {
    guardedVoid("CITFORMS:KILL", [] { moduleState().KILL(); });
}

std::int32_t citforms_export_ParamCit2(const char* kind, std::int32_t date) {
    return guarded<std::int32_t>("PARAM_CIT2", 0, [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return std::int32_t{0};
        return citforms::header::PARAM_CIT2(m, kind != nullptr ? kind : "", date);
    });
}

void citforms_export_DeklaracjeCitPokaz(std::int32_t id, std::int32_t templateId,
                                        std::int32_t date) {
    guardedVoid("DEKLARACJE_CIT_POKAZ", [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        citforms::module::DEKLARACJE_CIT_POKAZ(m, id, templateId, date);
    });
}

void citforms_export_WydrukDeklaracjiCit(const char* id) {
    guardedVoid("WYDRUK_DEKLARACJI_CIT", [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        citforms::module::WYDRUK_DEKLARACJI_CIT(m, id != nullptr ? id : "");
    });
}

void citforms_export_CitOrdzu() {
    guardedVoid("CIT_ORDZU", [] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        citforms::module::CIT_ORDZU(m);
    });
}

void citforms_export_CitOrdzuPrn() {
    guardedVoid("CIT_ORDZU_PRN", [] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        citforms::module::CIT_ORDZU_PRN(m);
    });
}

std::uint8_t citforms_export_ZapiszCit8DoPdf(std::int32_t templateId, std::int32_t id,
                                             const char* fileName) {
    return guarded<std::uint8_t>("ZAPISZ_CIT8_DO_PDF", 0, [&]() -> std::uint8_t {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return 0;
        return citforms::module::ZAPISZ_CIT8_DO_PDF(m, templateId, id,
                                                    fileName != nullptr ? fileName : "");
    });
}

std::int32_t citforms_export_CitSt201(std::uint8_t mode, std::uint8_t source, std::int32_t id) {
    return guarded<std::int32_t>("CIT_ST_201", 0, [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return std::int32_t{0};
        return citforms::citst::CIT_ST_201(m, mode, source, id, &m.fields);
    });
}

std::int32_t citforms_export_AktualizujCitSt201(std::int32_t id) {
    return guarded<std::int32_t>("AKTUALIZUJ_CIT_ST_201", 0, [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return std::int32_t{0};
        return citforms::citst::AKTUALIZUJ_CIT_ST_201(m, id);
    });
}

void citforms_export_CitStPre(std::uint8_t mode, std::int32_t id) {
    guardedVoid("CIT_ST_PRE", [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        citforms::citst::CIT_ST_PRE(m, mode, id);
    });
}

void citforms_export_WypelnijZmienneCitSt201(std::int32_t id) {
    guardedVoid("WYPELNIJ_ZMIENNE_CIT_ST_201", [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        citforms::citst::WYPELNIJ_ZMIENNE_CIT_ST_201(m, id);
    });
}

void citforms_export_CitStPrn201() {
    guardedVoid("CIT_ST_PRN_201", [] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        citforms::citst::CIT_ST_Prn_201(citforms::module::printEnvironment(m), m.VST);
    });
}

void citforms_export_WypelnijZmienneCitSt201Formularz(std::int32_t form, std::int32_t forms) {
    guardedVoid("WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ", [&] {
        citforms::citst::WYPELNIJ_ZMIENNE_CIT_ST_201_FORMULARZ(moduleState(), form, forms);
    });
}

void citforms_export_WypelnijZmienneCitSta201Formularz(std::int32_t form) {
    guardedVoid("WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ", [&] {
        citforms::citst::WYPELNIJ_ZMIENNE_CIT_STA_201_FORMULARZ(moduleState(), form);
    });
}

void citforms_export_CitStaPrn201() {
    guardedVoid("CIT_STA_PRN_201", [] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return;
        citforms::citst::CIT_STA_Prn_201(citforms::module::printEnvironment(m), m.VSTA);
    });
}

std::int32_t citforms_export_CitSt8Powiazanie(const char* kind, std::int32_t id) {
    return guarded<std::int32_t>("CIT_ST_8_POWIAZANIE", 0, [&] {
        citforms::module::ModuleState& m = moduleState();
        if (!m.hostBound()) return std::int32_t{0};
        return citforms::citst::CIT_ST_8_POWIAZANIE(m, kind != nullptr ? kind : "", id);
    });
}

std::int32_t citforms_export_BindHost(const citforms::host::HostBinding* binding) {
    return guarded<std::int32_t>("citforms_bind_host", 0, [&] {
        return binding != nullptr && moduleState().bindHost(*binding) ? 1 : 0;
    });
}

const char* citforms_export_Automation(const char* requestJson) {
    // The reply stays valid until the next call on the same thread.
    thread_local std::string reply;
    return guarded<const char*>(
        "citforms_automation", R"({"ok":false,"error":"the request stopped"})",
        [&]() -> const char* {
            reply = citforms::module::automationReply(moduleState(), requestJson);
            return reply.c_str();
        });
}

}  // extern "C"

// Every row of the lists in exports.h: its symbol as a global alias of its implementation,
// which must have the signature hosts cast the symbol to.
#define CITFORMS_DEFINE_EXPORT(id, symbol, signature)                                      \
    CITFORMS_EXPORT(symbol, citforms_export_##id);                                         \
    static_assert(std::is_same_v<decltype(&citforms_export_##id),                          \
                                 citforms::module::exports::id##Fn>,                       \
                  "citforms_export_" #id " does not have the signature of " symbol);
CITFORMS_EXPORTED_PROCEDURES(CITFORMS_DEFINE_EXPORT)
CITFORMS_INTEGRATION_ENTRIES(CITFORMS_DEFINE_EXPORT)
