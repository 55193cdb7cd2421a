#pragma once
// Which declaration a window holds, and as which version: several people may have the same
// declaration open, delete it or save it meanwhile.
//
// A load (or the creation of a header) remembers the header's stamp; every save, cancel and
// discard fetches the header again inside its transaction and writes only when it is still
// there, is still the same declaration and still has the version remembered. Otherwise
// nothing is written and the person learns who deleted or changed it, and when.
//
//   fields.loaded = stampOf(header);                       // at load
//   if (auto refusal = refusalFor(host, id, fields.loaded, found ? &header : nullptr)) ...
//   advance(header); ... commit; fields.loaded = stampOf(header);
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "citforms/host/binding.h"
#include "citforms/host/record_file.h"
#include "citforms/values/result.h"

namespace citforms::store {

struct HeaderStamp {
    std::int32_t id = 0;
    std::int64_t version = 0;  // WERSJA: counted up by every save
    std::string identity;      // template, company, creator and day of creation
};

// The stamp of a header record; nullopt when the host's headers carry no version.
std::optional<HeaderStamp> stampOf(const host::Record& header);

// The header of declaration `id` through the host's DEKLARACJE_NAG file; false when there
// is none.
bool fetchHeader(const host::HostBinding& host, std::int32_t id, host::Record& header);

// The stamp of declaration `id` as stored now; nullopt when it is gone or unversioned.
std::optional<HeaderStamp> readStamp(const host::HostBinding& host, std::int32_t id);

// Why a write of declaration `id` held as `expected` must not go on, given its header as
// fetched inside the writing transaction (`header` null: it is gone). nullopt: it may. Nothing
// is checked against a stamp of another id or none (a caller that never loaded). The refusal's
// kind: NotFound (deleted, or another declaration under the id) or Stale (saved meanwhile).
std::optional<values::Error> refusalFor(const host::HostBinding& host, std::int32_t id,
                                      const std::optional<HeaderStamp>& expected,
                                      const host::Record* header);

// "Deklaracja 20 została usunięta przez JWOJCIK 08-12-2026 17:05." from the activity log.
std::string deletedMessage(const host::HostBinding& host, std::int32_t id);
// "Deklaracja 20 została zmieniona przez JWOJCIK 08-12-2026 17:05 po jej otwarciu. ..."
std::string changedMessage(const host::HostBinding& host, std::int32_t id);
// A window's question after that refusal: the same news, then whether to read the
// declaration again from the database ("&Wczytaj ponownie|&Anuluj"), losing what was typed.
std::string reloadQuestion(std::string_view changed);
inline constexpr const char* kReloadButtons = "&Wczytaj ponownie|&Anuluj";

// "Nie można zapisać zmian. Deklaracja jest zablokowana.", with who holds the lock (the
// header's BLOKADA) and since when (the activity log) when the header says.
std::string lockedMessage(const host::HostBinding& host, std::int32_t id,
                          const host::Record& header);

// Why declaration `id` may only be read, as the line its window shows: filed electronically
// (the filing state no longer allows changes) or locked (the header's BLOKADA, with who and
// since when, or another lock the view reports). Empty when it may change, and when the state
// cannot be read (the save checks again and tells).
std::string readOnlyReason(const host::HostBinding& host, std::int32_t id);

// The header as a save leaves it: the next version, no longer being created.
void advance(host::Record& header);

// The mark of a header made in a window that has not saved it yet ("U1 08-12-2026 17:05").
std::string creationMark(const host::HostBinding& host);

}  // namespace citforms::store
