#pragma once
// The reference host's own windows, behind the host operations the module calls: the print
// parameters (PARAM_PRN_DEKLAR), the date picker (KALENDARZ), the bank transfer of a
// declaration (UP_PRZELEW), the statement definitions (DEF_ZESTAW_NEW) and the branch chooser
// (FIRMA_ODDZIAL). Each is a plain
// window from its document (refhost/dialogs/<name>.dialog) worked through the host's UI seam,
// so the desktop shows it and `tabrix run` drives it from a session script.
//
//   if (printParameters(state, ini, "CIT-8") == 1) ...   // the print globals are set
#include <cstdint>
#include <string>
#include <string_view>

#include "citforms/host/managers.h"
#include "citforms/host/plain_window.h"
#include "citforms/print/report_runtime.h"
#include "citforms/values/result.h"
#include "refhost/libraries/host_state.h"

namespace refhost::windows {

using libraries::HostState;

citforms::values::Result<citforms::host::PlainWindowDocument> hostDialog(std::string_view name);

// Print parameters for `form` ("CIT-8", "CIT-8/O", "CIT-2", ...), started from the calling
// thread's print globals. "Drukuj" sets DANE_DRUKARKA_EKRAN (1 the screen, 0 the printer),
// GGG:NUMCOPY (at least 1), DEKLARACJE_XPOS/YPOS, DEKLARACJE_NADRUK (forms with an overlay
// print), GGG:PRN_UPO_INFO_DRUKUJ and the two receipt lines, and answers 1; "Anuluj" leaves
// them and answers 0.
std::uint8_t printParameters(HostState& state, citforms::host::IniManager* ini,
                             std::string_view form);

// The date picker on `date` (a day number or "dd-mm-yyyy"; empty: today). Answers the chosen
// date in the form it was given ("dd-mm-yyyy" for an empty one), or `date` itself when the
// picker was closed without a choice.
std::string calendar(HostState& state, citforms::host::IniManager* ini, std::string_view date);

// The bank transfer of declaration `declarationId`: transfer `transferId` (0 = a new one,
// filled from the declaration: the tax left to pay, the title, the tax office). "Zapisz"
// stores it in PRZELEW (a new one under the next free id); "Drukuj" asks the print
// parameters of the form "Przelew" and previews or prints the transfer on `report`.
void transfer(HostState& state, citforms::host::IniManager* ini,
              citforms::print::ReportRuntime* report, std::int32_t transferId,
              std::int32_t declarationId);

// The statement definitions of declaration `declarationId` and kind `kind` ("DD"), showing
// the field code `code` (empty: the first one defined). Terms are added, changed and removed
// at once in ZESTAWIENIE_DEFINICJA; the next computation uses them.
void statementDefinitions(HostState& state, citforms::host::IniManager* ini,
                          std::int32_t declarationId, std::string_view kind,
                          std::string_view code);

// The company's deduction components under the CIT-2 deduction definitions of attachment
// position `position`, the new ones dated `date` (a day number; empty: today) until another
// date is typed. Components are added, changed and removed at once in
// DEKLARACJE_SKLADOWE_O.
void deductionComponents(HostState& state, citforms::host::IniManager* ini,
                         std::string_view position, std::string_view date);
// The branch chooser of company `companyId`: its branches (FIRMA_ODDZIAL), those the user
// marked before already marked. "Zaznacz" marks or unmarks the chosen branch; "Wybierz"
// replaces the user's marks of this company's branches in ZAZNACZENIE (list 56) in one
// transaction (the chosen branch when none is marked) and answers 1; "Anuluj" changes
// nothing and answers 0.
std::uint8_t branchChooser(HostState& state, citforms::host::IniManager* ini,
                           std::int32_t companyId);

}  // namespace refhost::windows
