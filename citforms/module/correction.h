#pragma once
// The correction of a filed or locked CIT-8: a new declaration of the same template, company
// and period with every form and copy of the return it corrects (the newest correction of
// that return when it was corrected already), its purposes of filing set to a correction as
// each form file's answers name it ("2=korekta zeznania"), recorded as the correction of that
// return (store/correction_links.h). The return corrected is never changed. Load, the new
// header with the statement definitions of the return, the save and the record are one
// transaction: the module's own load and save, so every rule and stamp of a save applies.
//
//   std::vector<std::string> notes;
//   std::int32_t id = makeCorrection(module, 2, true, &notes);   // 0: refused, reason shown
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "citforms/module/module_state.h"

namespace citforms::module {

// Makes the correction of declaration `id` (of the current company) and returns its id; 0
// when none was made (the reason was shown). With `justify`, the ORD-ZU justification
// (position 13) lists the positions that differ from the return corrected. `notes` receives
// a line for each thing the person should know: "corrects\tN" when the newest correction N
// was copied instead of `id`, "cit-st\tN\t…" for a CIT-ST that stays with the return it
// belongs to, "justify\t…" for the justification.
std::int32_t makeCorrection(ModuleState& module, std::int32_t id, bool justify,
                            std::vector<std::string>* notes = nullptr);

// Writes into the ORD-ZU of correction `id`, not yet filed or locked, the positions that
// differ from the return it corrects, and saves it. Returns `id`, 0 when refused (the reason
// was shown).
std::int32_t justifyCorrection(ModuleState& module, std::int32_t id,
                               std::vector<std::string>* notes = nullptr);

// Whether declaration `id` is filed or locked (DEKLARACJE_NAG_VIEW.blokada_stan): what may
// be corrected, and what may no longer change. nullopt when it could not be read.
std::optional<bool> filedOrLocked(const host::HostBinding& host, std::int32_t id);

}  // namespace citforms::module
