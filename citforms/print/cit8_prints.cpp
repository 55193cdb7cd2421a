#include "citforms/print/cit8_prints.h"

#include <array>
#include <utility>

#include "citforms/print/declaration_variables.h"

namespace citforms::print {

const PrintProcedure& cit8Print73() {
    static const PrintProcedure p{"CIT_8_Prn_73"};
    return p;
}

const PrintProcedure& cit8OPrint73() {
    static const PrintProcedure p{"CIT_O_Prn_73"};
    return p;
}

const PrintProcedure& citBrPrint73() {
    static const PrintProcedure p{"CIT_BR_Prn_73"};
    return p;
}

const PrintProcedure& cit8Print72() {
    static const PrintProcedure p{"CIT_8_Prn_72"};
    return p;
}

const PrintProcedure& cit8OPrint72() {
    static const PrintProcedure p{"CIT_O_Prn_72"};
    return p;
}

const PrintProcedure& cit8Print70() {
    static const PrintProcedure p{"CIT_8_Prn_70"};
    return p;
}

const PrintProcedure& cit8OPrint70() {
    static const PrintProcedure p{"CIT_O_Prn_70"};
    return p;
}

const PrintProcedure& citDPrint72() {
    static const PrintProcedure p{"CIT_D_Prn_72"};
    return p;
}

const PrintProcedure& citDPrint70() {
    static const PrintProcedure p{"CIT_D_Prn_70"};
    return p;
}

const PrintProcedure& ordZuPrint() {
    static const PrintProcedure p{"CIT_ORDZU_Prn"};
    return p;
}

// The CIT-2 (17) and CIT-2/O (4) of template 35: offsets in thousandths, no own PDF step in
// the window's print, but the module's PDF export writes them (their pages are appended).
const PrintProcedure& cit2Print35() {
    static const PrintProcedure p{"CIT_2_Prn_35"};
    return p;
}

const PrintProcedure& cit2OPrint35() {
    static const PrintProcedure p{"CIT_O_Prn_35"};
    return p;
}

// Their overlays onto pre-printed paper: the same offsets, no PDF step.
const PrintProcedure& cit2Print35Overlay() {
    static const PrintProcedure p{"CIT_2_Prn_35_nadruk", Offsets::Thousandths, false, true};
    return p;
}

const PrintProcedure& cit2OPrint35Overlay() {
    static const PrintProcedure p{"CIT_O_Prn_35_nadruk", Offsets::Thousandths, false, true};
    return p;
}

// The CIT-2 of templates 3 and 31 to 34 and their attachments CIT-O (1), (2) and CIT-2/O (1) to
// (3). Their overlays, like those of template 35, have no PDF step; those of template 32 are
// laid out in millimetres and take the offsets as they are.
namespace {
constexpr std::size_t kOlderCit2Prints = 16;
}

std::span<const PrintProcedure> olderCit2Prints() {
    static const std::array<PrintProcedure, kOlderCit2Prints> prints = {{
        {"CIT_2_Prn"},
        {"CIT_2_Prn_31"},
        {"CIT_2_Prn_32"},
        {"CIT_2_Prn_33"},
        {"CIT_2_Prn_34"},
        {"CIT_2_Prn_32_nadruk", Offsets::Millimetres, false, true},
        {"CIT_2_Prn_33_nadruk", Offsets::Thousandths, false, true},
        {"CIT_2_Prn_34_nadruk", Offsets::Thousandths, false, true},
        {"CIT_O_Prn"},
        {"CIT_O_Prn_31"},
        {"CIT_O_Prn_32"},
        {"CIT_O_Prn_33"},
        {"CIT_O_Prn_34"},
        {"CIT_O_Prn_32_nadruk", Offsets::Millimetres, false, true},
        {"CIT_O_Prn_33_nadruk", Offsets::Thousandths, false, true},
        {"CIT_O_Prn_34_nadruk", Offsets::Thousandths, false, true},
    }};
    return prints;
}

const PrintProcedure* olderCit2Procedure(std::string_view name) {
    for (const PrintProcedure& p : olderCit2Prints()) {
        if (p.name == name) return &p;
    }
    return nullptr;
}

namespace {

int printFields(const PrintEnvironment& env, const PrintProcedure& procedure,
                const store::DeclarationFields& fields) {
    const DeclarationVariables variables(fields, env.host.data->globals());
    return runPrint(env, procedure, variables);
}

// The print procedure of olderCit2Prints()[I].
template <std::size_t I>
int printOlderCit2(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, olderCit2Prints()[I], fields);
}

template <std::size_t... I>
constexpr std::array<FormPrint, sizeof...(I)> olderCit2Functions(std::index_sequence<I...>) {
    return {printOlderCit2<I>...};
}

FormPrint olderCit2PrintOf(std::string_view name) {
    static constexpr auto functions =
        olderCit2Functions(std::make_index_sequence<kOlderCit2Prints>{});
    const std::span<const PrintProcedure> prints = olderCit2Prints();
    for (std::size_t i = 0; i < prints.size(); ++i) {
        if (prints[i].name == name) return functions[i];
    }
    return nullptr;
}

}  // namespace

FormPrint formPrintOf(std::string_view name) {
    static const std::pair<std::string_view, FormPrint> kPrints[] = {
        {"CIT_8_Prn_73", CIT_8_Prn_73},
        {"CIT_O_Prn_73", CIT_O_Prn_73},
        {"CIT_BR_Prn_73", CIT_BR_Prn_73},
        {"CIT_ORDZU_Prn", CIT_ORDZU_Prn},
        {"CIT_2_Prn_35", CIT_2_Prn_35},
        {"CIT_O_Prn_35", CIT_O_Prn_35},
        {"CIT_D_Prn_72", CIT_D_Prn_72},
        {"CIT_D_Prn_70", CIT_D_Prn_70},
        {"CIT_8_Prn_72", CIT_8_Prn_72},
        {"CIT_O_Prn_72", CIT_O_Prn_72},
        {"CIT_8_Prn_70", CIT_8_Prn_70},
        {"CIT_O_Prn_70", CIT_O_Prn_70},
        {"CIT_2_Prn_35_nadruk", CIT_2_Prn_35_nadruk},
        {"CIT_O_Prn_35_nadruk", CIT_O_Prn_35_nadruk},
    };
    for (const auto& [n, print] : kPrints) {
        if (n == name) return print;
    }
    return olderCit2PrintOf(name);
}

std::string overlayOf(std::string_view name) {
    // An overlay is the print of the full form's name with "_nadruk"; none has an overlay of
    // its own.
    static constexpr std::string_view kSuffix = "_nadruk";
    if (name.ends_with(kSuffix)) return {};
    std::string overlay = std::string(name) + std::string(kSuffix);
    return formPrintOf(overlay) != nullptr ? overlay : std::string();
}

FormPrint formPrintFor(std::string_view name, const host::Globals& globals) {
    if (globals.DEKLARACJE_NADRUK != 0) {
        if (const std::string overlay = overlayOf(name); !overlay.empty())
            return formPrintOf(overlay);
    }
    return formPrintOf(name);
}

int CIT_8_Prn_73(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit8Print73(), fields);
}

int CIT_O_Prn_73(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit8OPrint73(), fields);
}

int CIT_BR_Prn_73(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, citBrPrint73(), fields);
}

int CIT_8_Prn_72(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit8Print72(), fields);
}

int CIT_O_Prn_72(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit8OPrint72(), fields);
}

int CIT_8_Prn_70(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit8Print70(), fields);
}

int CIT_O_Prn_70(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit8OPrint70(), fields);
}

int CIT_D_Prn_72(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, citDPrint72(), fields);
}

int CIT_D_Prn_70(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, citDPrint70(), fields);
}

int CIT_ORDZU_Prn(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, ordZuPrint(), fields);
}

int CIT_2_Prn_35(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit2Print35(), fields);
}

int CIT_O_Prn_35(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit2OPrint35(), fields);
}

int CIT_2_Prn_35_nadruk(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit2Print35Overlay(), fields);
}

int CIT_O_Prn_35_nadruk(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    return printFields(env, cit2OPrint35Overlay(), fields);
}

}  // namespace citforms::print
