#pragma once
// Work on declarations without windows, for hosts that automate (the reference host's
// command line): a new CIT-8 as the parameters window makes it, and the recomputation of a
// stored CIT-8 as its window's buttons do, each followed by the save.
#include <cstdint>
#include <string>
#include <vector>

#include "citforms/state/module_state.h"

namespace citforms::module {

// What "Wykonaj" of the parameters window does for a CIT-8 of the current company and the
// fiscal year [yearStart, yearEnd], then the save of the window. `edition` "24", "23", "21"
// or empty for the edition proposed for the period. Returns the new id, 0 when nothing was
// made (the reason was shown); a header whose first save failed is discarded again. With
// `filled`, the computation is followed by fillAsInWindow() before the save, and what it did
// is put there.
std::int32_t newCit8(ModuleState& module, std::int32_t yearStart, std::int32_t yearEnd,
                     const std::string& edition, std::int32_t copyFrom,
                     std::vector<std::string>* filled = nullptr);

// What a person does in the CIT-8 window after a fresh computation, on the open declaration:
// the advance positions filled from the year's template-35 CIT-2 returns by the fill button
// of the company's way of paying (quarterly when FIRMA.KWARTALNY_PDO is 1), when the year has
// such returns; the CIT-8/O count set to 1 when it is 0 and the CIT-8/O carries amounts;
// then the form's rules again. One line a thing done ("advances\tmonthly\t12 CIT-2 returns",
// "count\t27\t1 CIT-8/O"); none when nothing was.
std::vector<std::string> fillAsInWindow(ModuleState& module);

// What "Wykonaj" of the parameters window does for a CIT-2 of the current company for the
// month of `period` in the fiscal year [yearStart, yearEnd], then the save. `edition` "12" to
// "17" names the form edition; empty takes the template valid for the period. A quarterly
// payer is asked about a month that ends no quarter. Returns the new id, 0 when nothing was
// made (the reason was shown).
std::int32_t newCit2(ModuleState& module, std::int32_t yearStart, std::int32_t yearEnd,
                     std::int32_t period, const std::string& edition, std::int32_t copyFrom);

enum class Recompute {
    Statements,  // the compute button: statements again in the refresh mode
    FormRules,   // "Odśwież": company data afresh, then every form rule
};

// Loads stored declaration `id` (a CIT-8 of template 72 or 73, a CIT-2 of template 35) of the current company, recomputes it and saves
// it. Returns the id, 0 when it could not be loaded, computed or saved (a locked declaration
// included; the reason was shown).
// With `filled`, a CIT-8 is followed by fillAsInWindow() before the save.
std::int32_t recomputeCit8(ModuleState& module, std::int32_t id, Recompute how,
                           std::vector<std::string>* filled = nullptr);

}  // namespace citforms::module
