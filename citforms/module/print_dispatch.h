#pragma once
// The print entry points of a stored declaration: WYDRUK_DEKLARACJI_CIT (its main form),
// ZAPISZ_CIT8_DO_PDF (the CIT-8 with its attachments in one PDF) and CIT_ORDZU_PRN (the
// ORD-ZU of the open declaration).
//
//   WYDRUK_DEKLARACJI_CIT(moduleState(), "17");
//   if (ZAPISZ_CIT8_DO_PDF(moduleState(), 73, 17, "/tmp/cit8.pdf ") == 1) ...
//
// The PDF of a template-73 CIT-8 holds, in order: the CIT-8, the ORD-ZU when position 7 is 2
// (a correction), the CIT-8/O when position 27 is above 0, and CIT-BR 1 .. N for N in
// position 28. Prints of the other generations and of the CIT-ST and CIT-D are not part of
// this module yet: they tell the user so (print entry) or print nothing (PDF entry).
#include <cstdint>
#include <string_view>

#include "citforms/module/module_state.h"
#include "citforms/print/print_pipeline.h"

namespace citforms::module {

void WYDRUK_DEKLARACJI_CIT(ModuleState& module, std::string_view idText);
std::uint8_t ZAPISZ_CIT8_DO_PDF(ModuleState& module, std::int32_t templateId, std::int32_t id,
                                std::string_view fileName);
void CIT_ORDZU_PRN(ModuleState& module);

// The environment the module's prints run in: the bound host, its report runtime and the INI
// manager in use.
print::PrintEnvironment printEnvironment(ModuleState& module);

// GGG:PRN_UPO_INFO_DRUKUJ 1, GGG:EMAILPDFSAVEAS 10, DEKLARACJE_NADRUK 0.
void setPdfPrintSettings(host::Globals& globals);

}  // namespace citforms::module
