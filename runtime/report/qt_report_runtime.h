#pragma once
// QtReportRuntime: the report runtime of print/report_runtime.h on Qt: the progress window
// (runtime/progress), the previewer (runtime/preview) and the system's printers through Qt
// print support.
//
//   QtReportRuntime runtime;                        // the default printer
//   QtReportRuntime toFile({.printerOutputFile = "/tmp/out.pdf"});   // the "printer" is a PDF
//
// Without a QApplication (a host without widgets) it works windowless: the progress pass runs
// to its end, no previewer is shown and nothing is printed. Holds no Qt object between calls,
// so it may outlive the application.
#include <string>

#include "citforms/print/report_runtime.h"

namespace citforms::runtime {

struct QtReportRuntimeOptions {
    // When set, print() writes the pages into this PDF file instead of a printer.
    std::string printerOutputFile;
};

class QtReportRuntime : public print::ReportRuntime {
public:
    QtReportRuntime() = default;
    explicit QtReportRuntime(QtReportRuntimeOptions options) : options_(std::move(options)) {}

    std::unique_ptr<print::ProgressDialog> openProgress(
        const print::ProgressWindow& window) override;
    bool preview(const host::PageList& pages, int zoomPercent, host::IniManager* ini,
                 std::string_view settingsKey) override;
    bool printerSupportsCopies() override;
    bool print(const host::PageList& pages, std::string_view jobName, int copies) override;

    // Whether widgets can be shown (a QApplication exists).
    static bool haveWidgets();

private:
    QtReportRuntimeOptions options_;
    std::string chosenPrinter_;  // chosen in the previewer's print dialog, for the next print
};

}  // namespace citforms::runtime
