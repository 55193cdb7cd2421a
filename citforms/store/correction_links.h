#pragma once
// Corrections and the returns they correct (DEKLARACJE_KOREKTY): one row a correction, the
// corrected return in ID_DEKLARACJI and the correction in ID_KOREKTY. A return is corrected
// by at most one correction, which a later correction corrects in turn, so the corrections of
// a return form a chain whose end is the newest. The table is kept apart from the CIT-8 /
// CIT-ST links (DEKLARACJE_NAG_INTER), which no correction ever touches.
//
//   std::optional<std::int32_t> newest = newestInChain(host, 2);   // 2 itself when never corrected
#include <cstdint>
#include <optional>

#include "citforms/host/binding.h"

namespace citforms::store {

// The return declaration `id` corrects; 0 when it corrects none, nullopt when the query failed
// (the database's text is in the host's error status).
std::optional<std::int32_t> correctionOf(const host::HostBinding& host, std::int32_t id);
// The correction of declaration `id`; 0 when it was not corrected, nullopt on a failed query.
std::optional<std::int32_t> correctedBy(const host::HostBinding& host, std::int32_t id);
// The newest correction of declaration `id`'s chain (`id` itself when it was never
// corrected); nullopt on a failed query.
std::optional<std::int32_t> newestInChain(const host::HostBinding& host, std::int32_t id);

// Records `correction` as the correction of `corrected`. False when the row could not be
// written: among others when `corrected` has a correction already (a unique index), which is
// what a second user correcting the same return at the same moment meets.
bool insertCorrectionLink(const host::HostBinding& host, std::int32_t corrected,
                          std::int32_t correction);

}  // namespace citforms::store
