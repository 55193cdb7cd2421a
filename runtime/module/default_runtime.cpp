// Linked into libcitforms.so only: makes the Qt runtime the report runtime of the module's
// prints when the host binds none. Runs when the library is loaded.
#include <memory>

#include "citforms/print/report_runtime.h"
#include "runtime/report/qt_report_runtime.h"

namespace {

std::unique_ptr<citforms::print::ReportRuntime> makeQtRuntime() {
    return std::make_unique<citforms::runtime::QtReportRuntime>();
}

[[maybe_unused]] const bool kRegistered =
    (citforms::print::setDefaultReportRuntimeFactory(&makeQtRuntime), true);

}  // namespace
