#pragma once
// The print entry points of a stored declaration: WYDRUK_DEKLARACJI_CIT (its main form),
// ZAPISZ_CIT8_DO_PDF (the CIT-8 with its attachments in one PDF) and CIT_ORDZU_PRN (the
// ORD-ZU of the open declaration).
//
//   WYDRUK_DEKLARACJI_CIT(moduleState(), "17");
//   if (ZAPISZ_CIT8_DO_PDF(moduleState(), 73, 17, "/tmp/cit8.pdf ") == 1) ...
//
// The PDF of a template-73 CIT-8 holds, in order: the CIT-8, the ORD-ZU when position 7 is 2
// (a correction), the linked CIT-ST's pages when position 25 is above 0, the CIT-8/O when
// position 27 is above 0, CIT-BR 1 .. N for N in position 28 and CIT-D 1 .. N for N in
// position 29; a copy announced without stored values prints from its defaults, and a CIT-ST
// announced but not linked adds no page (both told in a warning once the file is written).
// The same export serves the older CIT-8 editions from their own prints and a CIT-ST alone;
// it refuses the CIT-2, which is printed, not exported. composeDeclarationPdf() makes the PDF
// of any kind from its print procedures.
#include <cstdint>
#include <string_view>

#include "citforms/module/declaration_kinds.h"
#include "citforms/module/module_state.h"
#include "citforms/print/print_pipeline.h"

namespace citforms::module {

void WYDRUK_DEKLARACJI_CIT(ModuleState& module, std::string_view idText);
std::uint8_t ZAPISZ_CIT8_DO_PDF(ModuleState& module, std::int32_t templateId, std::int32_t id,
                                std::string_view fileName);
void CIT_ORDZU_PRN(ModuleState& module);

// The PDF of stored declaration `id` of `kind` from the prints the kind lists: 1 when the
// file was written with every page that could be printed, 0 otherwise.
std::uint8_t composeDeclarationPdf(ModuleState& module, const DeclarationKind& kind,
                                   std::int32_t id, std::string_view fileName);

// The environment the module's prints run in: the bound host, its report runtime and the INI
// manager in use.
print::PrintEnvironment printEnvironment(ModuleState& module);

// GGG:PRN_UPO_INFO_DRUKUJ 1, GGG:EMAILPDFSAVEAS 10, DEKLARACJE_NADRUK 0.
void setPdfPrintSettings(host::Globals& globals);

}  // namespace citforms::module
