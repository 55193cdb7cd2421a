#pragma once
// Writing the open declaration into the host database: the header of a CIT-8 (editions of
// templates 70, 72 and 73) or a CIT-2, every field of the return and its attachments, the
// ORD-ZU texts, the discard of a header that was never
// completed, the headers the module numbers itself (CIT-ST) and the CIT-8 / CIT-ST links.
//
// A save replaces all stored values of the declaration: the old rows are deleted and the
// whole field set is inserted again. The save runs as one database transaction, so a failure
// or a crash half-way leaves the old declaration, never a mix and never an empty one. A locked
// declaration is refused and nothing is written.
//
//   std::int32_t id = ZAPISZ_CIT_8(73, host, state, fields, 1, state.CIT_ID_DEKLARACJI, period, 0);
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/host/binding.h"
#include "citforms/module/declaration_state.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/store/header_stamp.h"
#include "citforms/values/result.h"

namespace citforms::store {

inline constexpr const char* kLockedMessage =
    "Nie można zapisać zmian. Deklaracja jest zablokowana.";
inline constexpr const char* kWriteErrorMessage = "Wystąpił błąd zapisu do bazy.";

// What became of a save, for callers that must tell a refused or failed save from a done one
// (the result id alone cannot: a locked or failed save of an existing declaration returns
// its id too).
enum class SaveOutcome { Saved, Locked, Failed };

// What the person is to be told after a save, in order: a database's text as a warning
// (MSG_OST) or as information (MSG_INF), or the write-error box.
struct Notice {
    enum class Kind { Warning, Information, WriteError };
    Kind kind;
    std::string text;
};
using Notices = std::vector<Notice>;

// A save as a value: the declaration id to keep, what became of it and, when it was not
// saved, why (Locked, NotFound: the header is gone, Database, InvalidInput: the forms held
// are another template's).
struct SaveResult {
    std::int32_t id = 0;
    SaveOutcome outcome = SaveOutcome::Failed;
    values::ErrorKind error = values::ErrorKind::Failed;
    Notices notices;
};

// The save of a CIT-8 of `templateId` without showing anything; the exported saves
// below show its notices and return its id.
SaveResult saveDeclaration(const host::HostBinding& host, const module::DeclarationState& state,
                           DeclarationFields& fields, std::int32_t templateId, std::int32_t tryb,
                           std::int32_t id, std::int32_t dataOkresu, std::int32_t idWzorca);
// The common save of the CIT-2 family (templates 3, 31 to 35): as the CIT-8's, for the template
// CIT_ID_WZORCA_CIT2, logged as "Dodanie deklaracji CIT-2, id:" / "Aktualizacja deklaracji
// CIT-2, id:", with INFO_2 'CIT-2'.
SaveResult saveCit2Declaration(const host::HostBinding& host,
                               const module::DeclarationState& state, DeclarationFields& fields,
                               std::int32_t tryb, std::int32_t id, std::int32_t dataOkresu,
                               std::int32_t idWzorca);
// Shows notices with the host's message operations.
void tell(const host::HostBinding& host, const Notices& notices);

// The CIT-8 of template `templateId` (72, 73, 70 or an edition added as data), with its
// notices shown. tryb 0: only make sure the header exists (created when `id` is 0 from
// `dataOkresu` and the pattern declaration `idWzorca`); tryb 1: store the field sets, every
// form the declaration holds on the sheets its form file gives. Returns the declaration id to
// keep: the created or given id; 0 when the header could not be created, was not found, or
// its update failed, and when a header created by this call was undone with the rest of a
// refused or failed save.
std::int32_t ZAPISZ_CIT_8(std::int32_t templateId, const host::HostBinding& host,
                          const module::DeclarationState& state, DeclarationFields& fields,
                          std::int32_t tryb, std::int32_t id, std::int32_t dataOkresu,
                          std::int32_t idWzorca, SaveOutcome* outcome = nullptr);

// The common CIT-2 save with its notices shown; arguments and result as ZAPISZ_CIT_8's.
std::int32_t ZAPISZ_CIT_2(const host::HostBinding& host, const module::DeclarationState& state,
                          DeclarationFields& fields, std::int32_t tryb, std::int32_t id,
                          std::int32_t dataOkresu, std::int32_t idWzorca,
                          SaveOutcome* outcome = nullptr);

// Writers of one form, for a caller inside a save's transaction; `id` 0 does nothing, and a
// form the declaration does not carry writes nothing. CIT-D and CIT-BR write copies 1 to the
// count the main form gives, each on its sheet; copies beyond the form's last sheet (400 of
// template 73, where CIT-BR follows) are left out and the person is told. Each returns false
// when a row could not be written.
bool ZAPISZ_CIT_O(const host::HostBinding& host, const DeclarationFields& fields, std::int32_t id);
bool ZAPISZ_CIT_D(const host::HostBinding& host, DeclarationFields& fields, std::int32_t id);
bool ZAPISZ_CIT_BR(const host::HostBinding& host, DeclarationFields& fields, std::int32_t id);

// The texts of an attachment form (ORD-ZU) of declaration `id`: one DEKLARACJE_ZALACZNIK row
// per field, empty values included. False when a row could not be written (the database's
// text is left in `notices`).
bool insertAttachmentTexts(const host::HostBinding& host, const FieldSet& set, std::int32_t id,
                           Notices& notices);

// Removes the header of a CIT-8 that was never saved (its window closed without a save) with
// its statement definitions and any rows under its id, in one transaction; logs it and sets
// CIT_ID_DEKLARACJI to 0. When the removal fails nothing is removed, the id is kept and the
// database's text comes back.
// `held`: the header as the window made it; a header deleted meanwhile, or changed since, is
// left alone and the refusal says by whom.
values::Status discardNewCit8(const host::HostBinding& host, module::DeclarationState& state,
                              const std::optional<HeaderStamp>& held = std::nullopt);

// The next id of a header the module numbers itself: above every header there is and above
// every id ever given (the host's mark, which deleting a header does not lower).
inline constexpr const char* kNextHeaderIdQuery =
    "select isnull(max(n),0)+1 from (select max(ID_DEKLARACJE_NAG) as n from DEKLARACJE_NAG "
    "union all select max(ostatni) from NUMERACJA) ids";

// A header the module numbers itself (template 201, INFO_2 'CIT-ST'): id and LP as the
// maximum plus one, allocated and inserted in one transaction and tried again when another
// user took the same numbers first. The new id, or the database's text.
values::Result<std::int32_t> insertCitStHeader(const host::HostBinding& host,
                                               std::int32_t period, std::int32_t correctionFlag);
// Changes an existing CIT-ST header; nothing is written when it is locked (kLockedMessage,
// ErrorKind::Locked) or the update failed.
// `held`: the header as the window loaded it; one deleted (not found, or another declaration
// under the id) or changed since is refused with who did it.
values::Status updateCitStHeader(const host::HostBinding& host, std::int32_t id,
                                 std::int32_t period, std::int32_t correctionFlag,
                                 const std::optional<HeaderStamp>& held = std::nullopt);

// Links of a CIT-8 with its CIT-ST (DEKLARACJE_NAG_INTER).
values::Status setCit8Link(const host::HostBinding& host, std::int32_t cit8Id,
                           std::int32_t citStId);
std::int32_t readCit8Link(const host::HostBinding& host, std::int32_t cit8Id);

// Text as an SQL string literal's contents: apostrophes doubled, NUL characters dropped.
std::string sqlText(std::string_view text);

}  // namespace citforms::store
