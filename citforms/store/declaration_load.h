#pragma once
// Loading a stored CIT-8 into the field sets, and one CIT-BR attachment
// from the CIT-BR copies into the CIT-BR set.
//
// The CIT-8 loads read DEKLARACJE_POZ through the host's record file in one walk in key
// order (declaration, sheet, field number as text), and the ORD-ZU texts from
// DEKLARACJE_ZALACZNIK through the host's SQL operations. Every main-sheet and CIT-8/O row goes
// to the field named by its NR_POLA, so a missing or surplus row cannot move values onto other
// fields; numbers the form does not have are skipped. The sheets the load reads are emptied
// first, so nothing of a previously open declaration stays behind in them.
//
//   state.CIT_ID_DEKLARACJI = 17; state.CIT_ID_WZORCA = 73;
//   WCZYTAJ_CIT_8(73, host, state, fields);
//   WCZYTAJ_CIT_BR(fields, 1, 2);   // CIT-BR 1 of 2 into fields.citbr
#include <cstdint>
#include <optional>
#include <string_view>

#include "citforms/host/binding.h"
#include "citforms/module/declaration_state.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/values/day_number.h"
#include "citforms/values/result.h"

namespace citforms::store {

// Load of a CIT-8 of template `templateId` (its forms as the catalogue gives them; for
// template 73: sheets 0 and 1, CIT-D 101..500, CIT-BR 501..900, ORD-ZU). The sheets are left
// alone unless CIT_ID_WZORCA is `templateId`; the attachment texts are always read. Stored
// text that is not a number in an amount or day field reads as 0, and text longer than its
// field keeps its beginning; the fields concerned are left in fields.issues and named to the
// user in one message after the load. A read error is shown and left in the error status;
// the load is then incomplete.
void WCZYTAJ_CIT_8(std::int32_t templateId, const host::HostBinding& host,
                   const module::DeclarationState& state, DeclarationFields& fields);

// The common load of the CIT-2 family: declaration CIT_ID_DEKLARACJI of the template
// CIT_ID_WZORCA_CIT2 (3, 31 to 35) into the forms of that template, with the CIT-8 loads'
// messages.
void WCZYTAJ_CIT_2(const host::HostBinding& host, const module::DeclarationState& state,
                   DeclarationFields& fields);

// The load itself, without messages: `fields` takes the forms of `templateId` and every row
// of declaration `id` goes to the field its sheet and number name. A failure is a database
// error (the load is then marked incomplete in fields.issues).
values::Status loadDeclaration(const host::HostBinding& host, std::int32_t templateId,
                               std::int32_t id, DeclarationFields& fields);

// The texts of an attachment form stored in DEKLARACJE_ZALACZNIK (ORD-ZU: fields 1, 2, 5 to
// 12 and 13 of up to 3000 characters, read whole through VAZ_FK) of declaration
// `declarationId`. A failed query leaves the set as it was. A text longer than its field is
// named in `issues` (when given).
values::Status loadAttachmentTexts(const host::HostBinding& host, std::int32_t declarationId,
                                   FieldSet& set, DeclarationIssues* issues = nullptr);

// Fills the CIT-BR set with CIT-BR attachment n of `count` from the CIT-BR copies, or with the
// defaults of a new attachment (taken from the main form) when there is no row of copy n.
void WCZYTAJ_CIT_BR(DeclarationFields& fields, std::int32_t n, std::int32_t count);

// Fills the CIT-D set with copy n of `count` from the CIT-D copies, or with the defaults of a
// new copy (identification and seat address from the main form, the date of filling `today`)
// when there is no row of copy n. Field 2 is the copy number, field 6 "n/count".
void WCZYTAJ_CIT_D(DeclarationFields& fields, std::int32_t n, std::int32_t count,
                   values::DayNumber today);

// Fills the set of the numbered form `formName` ("CIT-D", "CIT-BR") with its copy n of
// `count`; nothing when the declaration does not carry the form.
void loadCopy(DeclarationFields& fields, std::string_view formName, std::int32_t n,
              std::int32_t count, values::DayNumber today = 0);

// NR_POLA / NR_ZALACZNIKA text as a number: decimal digits, blanks around them allowed.
std::optional<std::int32_t> parseStoredNumber(std::string_view text);

}  // namespace citforms::store
