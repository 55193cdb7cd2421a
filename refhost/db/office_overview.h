#pragma once
// The office's overview of a year: for every company of the register, the CIT-8 of its fiscal
// year ending in that year — when it is due (the last day of the third month after the year
// ends), how far it got, and which CIT-2 returns of the year are missing — ordered by the due
// date. The command line's `overview` and the desktop's overview show the same rows.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "citforms/values/day_number.h"
#include "refhost/sql/database.h"

namespace refhost::db {

enum class ReturnState {
    NoYear,         // no fiscal year ends in the year
    None,           // no CIT-8 yet
    Draft,          // made, not filed, not checked
    CheckedErrors,  // made, not filed, its check finds errors
    CheckedClean,   // made, not filed, its check finds none
    Filed,          // filed or locked
    Corrected,      // a correction of it is filed or locked
    CorrectionDraft,  // a correction of it is being prepared
};

// "brak", "robocza", … as the overview shows a state.
std::string stateText(ReturnState state);

struct OverviewRow {
    std::int32_t company = 0;
    std::string nip, name;
    citforms::values::DayNumber yearStart = 0, yearEnd = 0;  // 0: no fiscal year
    citforms::values::DayNumber due = 0;
    ReturnState state = ReturnState::None;
    std::int32_t declaration = 0;  // the newest CIT-8 of the year (a correction included)
    int errors = 0;                // of the check, for CheckedErrors
    // The months (their first days) whose CIT-2 is missing: every month of the fiscal year,
    // or every third for a quarterly payer.
    std::vector<citforms::values::DayNumber> missingCit2;
};

// The errors the pre-filing check finds in a declaration; nullopt when it could not check.
using CheckErrors = std::function<std::optional<int>(std::int32_t declaration)>;

// The rows of `year`, by due date (companies without a fiscal year last), then company.
// `check` (may be empty: no check is run) is asked about a CIT-8 not yet filed.
citforms::values::Result<std::vector<OverviewRow>> officeOverview(sql::HostDatabase& db, int year,
                                                                  const CheckErrors& check);

// The last day of the third month after `yearEnd`'s month.
citforms::values::DayNumber cit8DueDate(citforms::values::DayNumber yearEnd);

}  // namespace refhost::db
