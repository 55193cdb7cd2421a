#pragma once
// The CIT-ST window and the link of a CIT-ST with a CIT-8: CIT_ST_201 (the window over the
// module's CIT-ST working set), CIT_ST_PRE (the host's entry to it), the "CIT-ST" button of
// the CIT-8 windows and the link window CIT_ST_8_powiazanie.
//
//   std::int32_t id = CIT_ST_201(moduleState(), 0, 1, 0, &cit8Fields);  // new, from the CIT-8
//   CIT_ST_PRE(moduleState(), 1, 12);                                     // stored CIT-ST 12
//   std::int32_t linked = CIT_ST_8_POWIAZANIE(moduleState(), "CIT-8", 2);
#include <cstdint>
#include <string_view>

#include "citforms/state/module_state.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::citst {

// The CIT-ST window. Mode 0: a new CIT-ST, its header from the company's data (source 0, or
// source 1 without a CIT-8 (24) or (23) at hand) or from the CIT-8 `cit8` open in the calling
// window (source 1); mode 1: stored CIT-ST `id`.
// The id the window saved, 0 when it was closed without a save (or could not be opened).
std::int32_t CIT_ST_201(module::ModuleState& module, std::uint8_t mode, std::uint8_t source,
                        std::int32_t id, const store::DeclarationFields* cit8 = nullptr);

// Mode 0: the window on a new standalone CIT-ST; mode 1: on stored CIT-ST `id`; any other
// mode does nothing.
void CIT_ST_PRE(module::ModuleState& module, std::uint8_t mode, std::int32_t id);

// The link window for the CIT-8 (`kind` "CIT-8") or the CIT-ST ("CIT-ST") `id`: the
// declaration of the other kind chosen and linked by "Zapisz" (0 for "<brak powiązania>"),
// 0 when closed with "Anuluj" or while another link window is open.
std::int32_t CIT_ST_8_POWIAZANIE(module::ModuleState& module, std::string_view kind,
                                 std::int32_t id);

// The "CIT-ST" button of the CIT-8 `cit8Id` whose values are `cit8`: the linked CIT-ST, or a
// new one made from the CIT-8 and linked once saved, or one chosen in the link window.
void openCitStOfCit8(module::ModuleState& module, std::int32_t cit8Id,
                     const store::DeclarationFields& cit8);

}  // namespace citforms::citst
