#pragma once
// Reads of the company and its fiscal years that every floor above the state takes before it
// opens or makes a declaration: the fiscal year of a period and whether a declaration is the
// current company's.
//
//   readFiscalYear(host, moduleState().declaration, period);
//   if (!declarationOfCurrentCompany(host, id)) return;
#include <cstdint>

#include "citforms/host/binding.h"
#include "citforms/store/declaration_state.h"

namespace citforms::module {

// Whether declaration header `company` is the current company's; when not, the person is told
// that declaration `id` belongs to another company. Its books, fiscal years and data would
// otherwise be laid over another company's declaration.
bool ofCurrentCompany(const host::HostBinding& host, std::int32_t id, std::int32_t company);

// The same for declaration `id` as its header names the company; true when there is no such
// header (its load says so).
bool declarationOfCurrentCompany(const host::HostBinding& host, std::int32_t id);

// The company's fiscal year holding the last day of `period`'s month into the state's
// CIT_POCZATEK_ROKU / CIT_KONIEC_ROKU (0 when there is none; an SQL error is shown).
void readFiscalYear(const host::HostBinding& host, DeclarationState& state, std::int32_t period);

}  // namespace citforms::module
