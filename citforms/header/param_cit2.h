#pragma once
// PARAM_CIT2: the parameters window that starts a new declaration.
//
// For "CIT-8": the company's fiscal years (the one starting on 1 January of the proposed
// date's year chosen, else the host's current one, else the first), the period (the 2nd day
// of the fiscal year's last month), the declarations whose statement definitions can be
// copied ("<bez kopiowania>" first), the proposed form edition. "Wykonaj" creates the header,
// fills the company data, computes the statements afresh (prepareNewCit8, with the progress
// bar) and opens the CIT-8 window of the chosen edition; the window saves or discards the
// declaration, and the parameters window closes with its id (0 when none was kept).
// One parameters window per process: a second call gives the open one the focus and returns
// 0 (unless the host's GLOBALREQUEST is 4). A company without a fiscal year gets no window.
// For "CIT-2": the months of the fiscal year and its closing "BZ" as periods; "Wykonaj" asks a
// quarterly payer its question, makes the CIT-2 of the template valid for the period with the
// company data and its computation (newCit2), saves it and opens the window of the template.
// Any other kind is told it has no parameters window and returns 0.
#include <cstdint>
#include <string_view>

#include "citforms/module/module_state.h"

namespace citforms::header {

std::int32_t PARAM_CIT2(module::ModuleState& module, std::string_view kind,
                        std::int32_t proposedDate);

}  // namespace citforms::header
