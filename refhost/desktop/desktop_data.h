#pragma once
// What the desktop application shows and does, without widgets: the companies, their fiscal
// years, the declarations list of a company with its filter, and the changes made from the
// list (delete, lock). Each reads the host database through the host's SQL layer, so it works
// alike on SQLite and PostgreSQL, and errors are values with the engine's text.
//
//   auto rows = listDeclarations(host, {.company = 1, .form = "CIT-8", .year = fy});
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "citforms/values/result.h"
#include "refhost/libraries/reference_host.h"

namespace refhost::desktop {

using citforms::values::Result;
using citforms::values::Status;

struct Company {
    std::int32_t id = 0;
    std::string name;
    std::string nip;
};

struct FiscalYear {
    std::int32_t id = 0;
    std::int32_t start = 0;  // day numbers
    std::int32_t end = 0;
    std::string caption() const;  // "01-01-2016 – 31-12-2016"
};

struct DeclarationRow {
    std::int32_t id = 0;
    std::int32_t templateId = 0;
    std::string form;     // "CIT-8", "CIT-2", "CIT-ST"
    std::string edition;  // "CIT-8 (24)"
    std::int32_t period = 0;
    std::int32_t number = 0;  // LP
    std::string purpose;      // "złożenie", "korekta" (position 7 of a CIT-8), else ""
    std::string lockedBy;     // BLOKADA: the user's code, "" when not locked
    bool filingLocked = false;  // sent for e-filing and not rejected: no change possible
    std::string filing;         // e-filing state: "", "przygotowana", "wysłana", …
    std::string createdBy;
    std::int32_t created = 0;
    std::string changedBy;
    std::int32_t changed = 0;

    // The cells of the list, in the order of columnCaptions().
    std::vector<std::string> cells() const;
    // The period as the list shows it: the month ("12-2016").
    std::string shownPeriod() const;
};

std::vector<std::string> columnCaptions();

struct ListFilter {
    std::int32_t company = 0;
    std::string form;                  // "" every form
    std::optional<FiscalYear> year;    // periods inside it; nullopt every period
};

Result<std::vector<Company>> listCompanies(libraries::ReferenceHost& host);
Result<std::vector<FiscalYear>> listFiscalYears(libraries::ReferenceHost& host,
                                                std::int32_t company);
// The forms the company has declarations of ("CIT-2", "CIT-8" …), for the filter.
Result<std::vector<std::string>> listForms(libraries::ReferenceHost& host, std::int32_t company);
Result<std::vector<DeclarationRow>> listDeclarations(libraries::ReferenceHost& host,
                                                     const ListFilter& filter);

// Why the declaration may not be deleted (locked by a user, sent electronically, gone):
// a failure with the reason, else fine. Read before the question, so that nobody is asked
// about a delete that cannot happen; deleteDeclaration() checks again.
Status deletable(libraries::ReferenceHost& host, std::int32_t id);

// Removes a stored declaration with its positions, attachments, statement definitions,
// links, transfer and e-filing record, in one transaction, and logs it. A declaration locked
// by a user or by e-filing is refused with the reason, nothing removed.
Status deleteDeclaration(libraries::ReferenceHost& host, std::int32_t id);

// The activity log (DZIENNIK) of one declaration, or of all when id is 0: the newest first.
struct LogEntry {
    std::int32_t day = 0;
    std::string time;
    std::string user;
    std::int32_t declaration = 0;
    std::string text;
};
Result<std::vector<LogEntry>> activityLog(libraries::ReferenceHost& host, std::int32_t id);

// Records in the activity log what was done with a declaration outside the module (a PDF
// written, a print, an e-mail hand-over) or with the company's books (id 0).
Status logActivity(libraries::ReferenceHost& host, std::int32_t id, const std::string& text,
                   const std::string& operation);

}  // namespace refhost::desktop
