#pragma once
// The seat-address and tax-office pickers of the declaration windows
// (`Wybierz_Adres_Deklar_Cit`, `Wybierz_Urzad_Deklar_Cit`).
//
// Each shows the current company's rows (seat addresses 'S'; tax-office rows 'US' with their
// office) in the order of their key, and returns the chosen row's id: the address's
// ID_ADRESY_FIRMY, the office row's ID_URZEDU; 0 when the window was closed without a
// choice. "Wybierz" is disabled while the list is empty. Nothing in the database changes.
//
//   std::int32_t office = pickTaxOffice(host, ini);
//   if (office != 0) fields[6] = host.utility->GET_NAZWA_ADRES_URZEDU(1, office);
#include <cstdint>

#include "citforms/host/binding.h"

namespace citforms::header {

std::int32_t pickSeatAddress(const host::HostBinding& host, host::IniManager* ini);
std::int32_t pickTaxOffice(const host::HostBinding& host, host::IniManager* ini);

}  // namespace citforms::header
