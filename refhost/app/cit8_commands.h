#pragma once
// The tabrix commands that make and change CIT-8 declarations through the loaded module:
//
//   new-cit8 [--company N] --year YYYY [--edition E] [--copy-from ID]
//   new-cit2 [--company N] --month YYYY-MM [--edition E]
//   compute ID      statements again (the refresh mode), then saved
//   recalc ID       company data afresh and every form rule, then saved
//   lock ID         marks the header's BLOKADA with the user's code (a save is then refused)
//   unlock ID [--force]  clears the mark: the user who set it, or anyone with --force (logged)
//   discard ID      removes a header that was never saved (an interrupted creation)
//
// new-cit8, compute and recalc run in one transaction of the host that is committed only when
// the module reports success and no statement of the command failed; otherwise nothing of
// the command stays in the database and the exit status is 1.
//
// Arguments are checked before the database is opened (parse*), the company a command works
// on is chosen next (declarationCompany for the commands on a stored declaration), and the
// run* functions do the work once the host's globals are set. What the module shows reaches
// standard output through the scripted UI; each run* prints its result line on `out` and its
// problems on `err`, and returns the process's exit status.
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "citforms/values/result.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"

namespace refhost::app {

struct NewCit8Arguments {
    std::optional<std::int32_t> company;
    int year = 0;
    std::string edition;  // "24", "23" or empty for the edition the period proposes
    std::int32_t copyFrom = 0;
    // After the computation: the advances filled from the CIT-2 returns and the CIT-8/O count
    // set, as the window's buttons do (--no-fill: the bare computation).
    bool fill = true;
};

citforms::values::Result<NewCit8Arguments> parseNewCit8(const std::vector<std::string>& args);

struct NewCit2Arguments {
    std::optional<std::int32_t> company;
    int year = 0;
    unsigned month = 0;
    std::string edition;  // "12" to "17" or empty for the template valid for the month
};

// new-cit2 [--company N] --month YYYY-MM [--edition E]
citforms::values::Result<NewCit2Arguments> parseNewCit2(const std::vector<std::string>& args);

// The one declaration id of compute, recalc, lock, unlock (which also takes --force),
// discard and check (which also takes --json).
citforms::values::Result<std::int32_t> parseDeclarationId(const std::string& command,
                                                          const std::vector<std::string>& args);
bool hasForce(const std::vector<std::string>& args);

// correct ID [--justify]: the correction of filed or locked declaration `id` through the
// module (module/correction.h), in one transaction; its notes as "correct\t…" lines, then the
// new id. With `justify` on a correction not yet filed or locked, its own justification is
// filled instead and its id printed.
int runCorrect(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               std::int32_t id, bool justify, std::ostream& out, std::ostream& err);

// diff ID1 ID2 [--json]: the two ids.
citforms::values::Result<std::pair<std::int32_t, std::int32_t>> parseDiff(
    const std::vector<std::string>& args);
// The positions that differ, one line each ("Poz. 31: było 1 000,00, jest 1 200,00") and a
// count line, or the module's list as JSON.
int runDiff(const libraries::LoadedModule& module, std::int32_t first, std::int32_t second,
            bool json, std::ostream& out, std::ostream& err);

// A header that no save ever completed: no change date and no field rows (a creation that was
// interrupted between its header and its first save).
bool neverSaved(libraries::ReferenceHost& host, std::int32_t id);

// The company of a stored declaration; nullopt when there is no such declaration.
std::optional<std::int32_t> declarationCompany(libraries::ReferenceHost& host, std::int32_t id);

struct FiscalYear {
    std::int32_t id = 0;
    std::int32_t start = 0;  // day numbers
    std::int32_t end = 0;
};

// The company's fiscal year starting in `year`, else the one ending in it.
std::optional<FiscalYear> fiscalYearOf(libraries::ReferenceHost& host, std::int32_t company,
                                       int year);

// `failuresBefore` (new-cit8 and compute/recalc): failed statements of the process that belong
// to earlier work and do not hold this one back (a batch's earlier companies); a command on
// its own has none.
int runNewCit8(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               const NewCit8Arguments& args, std::ostream& out, std::ostream& err,
               long failuresBefore = 0);
// The CIT-2 of the month named, in the company's fiscal year holding it.
int runNewCit2(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
               const NewCit2Arguments& args, std::ostream& out, std::ostream& err);
// mode 0: compute, 1: recalc.
int runRecompute(libraries::ReferenceHost& host, const libraries::LoadedModule& module,
                 std::int32_t id, std::int32_t mode, std::ostream& out, std::ostream& err,
                 long failuresBefore = 0);
int runLock(libraries::ReferenceHost& host, std::int32_t id, bool lock, bool force,
            std::ostream& out, std::ostream& err);
// Removes a header that was never saved and that no window is creating (with --force: one
// whose window went without saving or cancelling), in one transaction.
int runDiscard(libraries::ReferenceHost& host, std::int32_t id, bool force, std::ostream& out,
               std::ostream& err);

}  // namespace refhost::app
