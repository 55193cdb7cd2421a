#include "citforms/print/cit2_attachment_prints.h"

#include <array>
#include <cstddef>
#include <utility>

#include "citforms/print/declaration_variables.h"

namespace citforms::print {

namespace {

// The full forms are part of the module's PDF export; the overlays print onto paper only.
// Template 32's overlay is laid out in millimetres, the others in thousandths of an inch.
// (Made on first use: other files' static tables may ask for them.)
constexpr std::size_t kCount = 8;
const std::array<PrintProcedure, kCount>& procedures() {
    static const std::array<PrintProcedure, kCount> p = {{
        {"CIT_O_Prn"},
        {"CIT_O_Prn_31"},
        {"CIT_O_Prn_32"},
        {"CIT_O_Prn_33"},
        {"CIT_O_Prn_34"},
        {"CIT_O_Prn_32_nadruk", Offsets::Millimetres, false, true},
        {"CIT_O_Prn_33_nadruk", Offsets::Thousandths, false, true},
        {"CIT_O_Prn_34_nadruk", Offsets::Thousandths, false, true},
    }};
    return p;
}

template <std::size_t I>
int printAttachment(const PrintEnvironment& env, const store::DeclarationFields& fields) {
    const DeclarationVariables variables(fields, env.host.data->globals());
    return runPrint(env, procedures()[I], variables);
}

template <std::size_t... I>
constexpr std::array<AttachmentPrint, sizeof...(I)> printsOf(std::index_sequence<I...>) {
    return {printAttachment<I>...};
}

constexpr auto kPrints = printsOf(std::make_index_sequence<kCount>());

}  // namespace

const PrintProcedure* cit2AttachmentProcedure(std::string_view name) {
    for (const PrintProcedure& p : procedures()) {
        if (p.name == name) return &p;
    }
    return nullptr;
}

AttachmentPrint cit2AttachmentPrintOf(std::string_view name) {
    for (std::size_t i = 0; i < kCount; ++i) {
        if (procedures()[i].name == name) return kPrints[i];
    }
    return nullptr;
}

}  // namespace citforms::print
