#pragma once
// The computation procedures of the CIT-8 editions on the open declaration.
//
// OBLICZ_*: fill the fields from the accounting statements (fresh: a new declaration, the
// hand-filled fields take their defaults; refresh: what the person typed stays). The fields
// whose statement failed are left in fields.issues.failedStatements.
// PRZELICZ_*: company data afresh, then every CIT-8 rule on the amounts as they stand, no
// statement. Identification fields are filled by fillIdentification() for both.
#include <cstdint>

#include "citforms/header/company_data.h"
#include "citforms/host/binding.h"
#include "citforms/module/declaration_state.h"
#include "citforms/store/declaration_fields.h"

namespace citforms::compute {

// Of the CIT-8 of template `templateId` (an edition of the form catalogue); nothing for a
// template without a CIT-8 form.
void OBLICZ_CIT_8(std::int32_t templateId, const host::HostBinding& host,
                  const module::DeclarationState& state, store::DeclarationFields& fields,
                  bool refresh);
void OBLICZ_CIT_O(std::int32_t templateId, const host::HostBinding& host,
                  const module::DeclarationState& state, store::DeclarationFields& fields,
                  bool refresh);

// `referenceDate` picks the seat address and tax office valid on that day.
void PRZELICZ_CIT_8(std::int32_t templateId, const host::HostBinding& host,
                    store::DeclarationFields& fields, std::int32_t referenceDate);

// CIT-8 fields 1 and 6 to 19 (NIP, tax office, name, REGON, country and seat address),
// CIT-8/O fields 1, 6, 7 and ORD-ZU fields 1 and 5 from the company data. Field 7 (the
// purpose of filing) is set to 1 only when it is empty: a correction stays a correction.
void fillIdentification(store::DeclarationFields& fields, const header::CompanyData& company);

}  // namespace citforms::compute
