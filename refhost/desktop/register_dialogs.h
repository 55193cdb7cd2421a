#pragma once
// The client register in the desktop: a company added or changed in a dialog, a fiscal year
// added, and the office's overview of a year. Each dialog checks through the register's own
// functions (refhost/db/company_register.h) and stays open on a refusal, with the reason
// shown, so that the person corrects what was typed.
#include <cstdint>
#include <optional>

#include "refhost/db/office_overview.h"
#include "refhost/sql/database.h"

class QSettings;
class QWidget;

namespace refhost::desktop {

// A new company (`id` 0) or company `id` changed; the company's id when saved, nullopt when
// the person gave up.
std::optional<std::int32_t> editCompanyDialog(QWidget* parent, sql::HostDatabase& db,
                                              std::int32_t id);
// A fiscal year of company `company`, proposed right after its last one (or the calendar
// year); its id when added.
std::optional<std::int32_t> addFiscalYearDialog(QWidget* parent, sql::HostDatabase& db,
                                                std::int32_t company);
// The overview of a year in a table sortable by any column (by the due date at first); the
// year is chosen in the dialog. `check`: the errors of a CIT-8 not yet filed. Returns the
// declaration chosen with Enter, 0 for none.
std::int32_t overviewDialog(QWidget* parent, sql::HostDatabase& db, int year,
                            const db::CheckErrors& check, QSettings* settings);

}  // namespace refhost::desktop
