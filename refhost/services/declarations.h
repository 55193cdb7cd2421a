#pragma once
// What the command line, its batch and the desktop do with declarations, as values: a new
// CIT-8 or CIT-2, a stored CIT-8 computed again, whether a creation was interrupted, the lock,
// the pre-filing check. Nothing here prints; each front end shows the value its own way (a
// line and an exit status, a row of the batch's report, a message box). A failure's text
// says what happened in the words the command line prints after "tabrix: ".
//
//   NewCit8Request request;
//   request.year = 2016;
//   const auto made = newCit8(host, module, request);
//   if (!made) show(made.error()); else open(made->id);
//   if (auto st = setLock(host, id, true, false); !st) show(st.error());
//
// The work on the database is one transaction of the host, committed only when the module
// reports success and no statement failed since it began (`failuresBefore`: the failures of
// the process that belong to earlier work, a batch's earlier companies).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "citforms/check/check_item.h"
#include "citforms/values/result.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"

namespace refhost::services {

struct FiscalYear {
    std::int32_t id = 0;
    std::int32_t start = 0;  // day numbers
    std::int32_t end = 0;
};

// The company's fiscal year starting in `year`, else the one ending in it.
std::optional<FiscalYear> fiscalYearOf(libraries::ReferenceHost& host, std::int32_t company,
                                       int year);

struct NewCit8Request {
    int year = 0;           // the fiscal year starting (else ending) in it
    std::string edition;    // "24", "23", "21" or empty for the edition the period proposes
    std::int32_t copyFrom = 0;
    // After the computation: the advances filled from the CIT-2 returns and the CIT-8/O count
    // set, as the window's buttons do.
    bool fill = true;
};

struct MadeDeclaration {
    std::int32_t id = 0;
    // What followed the computation, one line a thing done ("advances\tmonthly\t12 CIT-2
    // returns").
    std::vector<std::string> filled;
};

// A CIT-8 of the current company (the host's globals) for the fiscal year, computed and saved
// as the parameters window makes it; the globals' fiscal year is set to it.
citforms::values::Result<MadeDeclaration> newCit8(libraries::ReferenceHost& host,
                                                  const libraries::LoadedModule& module,
                                                  const NewCit8Request& request,
                                                  long failuresBefore = 0);

struct NewCit2Request {
    int year = 0;
    unsigned month = 0;
    std::string edition;  // "12" to "17" or empty for the template valid for the month
};

// The CIT-2 of the month, in the current company's fiscal year holding it; its id.
citforms::values::Result<std::int32_t> newCit2(libraries::ReferenceHost& host,
                                               const libraries::LoadedModule& module,
                                               const NewCit2Request& request);

// Stored declaration `id` computed again and saved: mode 0 the statements again (the refresh
// mode), 1 company data afresh and every form rule. Its id.
citforms::values::Result<std::int32_t> recompute(libraries::ReferenceHost& host,
                                                 const libraries::LoadedModule& module,
                                                 std::int32_t id, std::int32_t mode,
                                                 long failuresBefore = 0);

// A header that no save ever completed: no change date and no field rows (a creation that was
// interrupted between its header and its first save).
bool neverSaved(libraries::ReferenceHost& host, std::int32_t id);

// Marks the header's BLOKADA with the user's code (`lock`) or clears it, logged, in one
// transaction. A lock of another user is refused, except an unlock with `force` by a user of
// the user register (logged under that user's name). The failure says why.
citforms::values::Status setLock(libraries::ReferenceHost& host, std::int32_t id, bool lock,
                                 bool force);

// The check of stored declaration `id` on the module loaded for the host's current session.
// runStatements = false: the statement messages are taken as KOMUNIKAT holds them, for a
// caller that has just computed this declaration (its statements need not run twice).
citforms::values::Result<citforms::check::CheckResult> checkDeclaration(
    const libraries::LoadedModule& module, std::int32_t id, bool runStatements = true);

}  // namespace refhost::services
