#pragma once
// Failing chosen statements on purpose, to prove that every save and every creation leaves
// the database whole when any one of its steps fails.
//
// The plan comes from the environment variable TABRIX_FAULT_INJECTION:
//   "nth=N"        the Nth statement of the process fails (counted from 1);
//   "match=TEXT"   every statement whose text holds TEXT (case-insensitive) fails;
//   "log=FILE"     nothing fails; each statement's text is appended to FILE, one per line,
//                  so that a test learns how many statements a command runs and which.
// Statements are what reaches the engine through the connection: run, runNative, insertRow,
// begin ("BEGIN"), commit ("COMMIT"), the numbering lock ("LOCK table"). A failed statement
// reports "Wstrzyknięty błąd ..." as the engine's error text would.
//
//   auto db = HostDatabase::open(path);
//   if (db) *db = withFaultInjection(std::move(*db), faultPlanFromEnvironment());
#include <memory>
#include <optional>
#include <string>

#include "refhost/sql/database.h"

namespace refhost::sql {

struct FaultPlan {
    enum class Kind { FailNth, FailMatching, Log };
    Kind kind = Kind::Log;
    long nth = 0;
    std::string text;  // the pattern, or the log file
};

// The plan of TABRIX_FAULT_INJECTION; nullopt when unset. A value of another form, or a log
// that cannot be appended to (a folder), is a failure naming the variable.
Result<std::optional<FaultPlan>> faultPlanFromEnvironment();

// `db` itself when `plan` is empty, else `db` behind the plan.
std::unique_ptr<HostDatabase> withFaultInjection(std::unique_ptr<HostDatabase> db,
                                                 const std::optional<FaultPlan>& plan);

}  // namespace refhost::sql
