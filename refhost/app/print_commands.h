#pragma once
// tabrix's print commands:
//   pdf ID FILE       the declaration with its attachments as one PDF (ZAPISZ_CIT8_DO_PDF)
//   print ID [--screen|--printer] [--copies N] [--xpos MM --ypos MM]
//            [--receipt TEXT1 TEXT2] [--output FILE]
//                     the declaration's main form (WYDRUK_DEKLARACJI_CIT) with those settings
//
// Both take the company from the declaration's header. Without a display the previewer
// cannot be seen: `print --screen` then writes "preview<TAB>procedure<TAB>pages<TAB>zoom" and
// closes it without printing. `--output FILE` makes the printer a PDF file and prints to it
// (without --printer too; with --screen it is refused). Output lines:
// "pdf<TAB>FILE" and "print<TAB>ID<TAB>completed|cancelled"; a message handed over for
// e-mail shows as "mail<TAB>PATH". `print` exits 0 whatever the outcome line says (a
// previewer closed without printing is not an error); `pdf` exits 1 when no PDF was made.
#include <filesystem>
#include <memory>
#include <string>

#include "refhost/app/options.h"
#include "citforms/print/report_runtime.h"
#include "refhost/libraries/module_loader.h"
#include "refhost/libraries/reference_host.h"

namespace citforms::runtime {
class ScriptedUi;
}  // namespace citforms::runtime

namespace refhost::app {

bool isPrintCommand(const std::string& command);
// The report runtime of the command line: the screen's previewer when there is a display,
// else a line "preview<TAB>procedure<TAB>pages<TAB>zoom" for the previewer nobody can see.
std::unique_ptr<citforms::print::ReportRuntime> commandLineRuntime();
// "" when the arguments of a print command are fine, else the reason.
std::string checkPrintArguments(const Options& options);
// `pdf` and `print`. `ui` (may be null) is the session's UI: the warnings the module showed
// while writing a PDF that was written are repeated on standard error.
int runPrintCommand(libraries::ReferenceHost& host, const Options& options,
                    const std::filesystem::path& iniFile,
                    const citforms::runtime::ScriptedUi* ui = nullptr);

}  // namespace refhost::app
