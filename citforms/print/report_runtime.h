#pragma once
// The seam between the module's print procedures and the window and report runtime.
//
// The module's print pipeline (plain C++) builds its pages itself (page_builder.h) and asks the
// runtime only for what needs a screen or a printer: the small progress window with its timer
// and Cancel button, the previewer, and the printer. The Qt runtime implements these with
// widgets; tests and the command line bind implementations without a display. The host binds
// one ReportRuntime before it calls CITFORMS:INIT.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "citforms/host/page_list.h"
#include "citforms/print/layout.h"

namespace citforms::print {

// The progress window of a layout (layout.h ProgressWindow), shown while pages are generated.
class ProgressDialog {
public:
    virtual ~ProgressDialog() = default;
    virtual void setTitle(std::string_view title) = 0;
    virtual void setUserText(std::string_view text) = 0;
    // Percentage 0..100 for the bar and the text under it ("50% Completed").
    virtual void setProgress(int percent, std::string_view text) = 0;
    // Runs modally: `tick` is called on every timer tick until it returns false; the Cancel
    // button (or Esc) calls `cancel`, and when that returns true the window closes.
    virtual void exec(const std::function<bool()>& tick,
                      const std::function<bool()>& cancel) = 0;
};

class ReportRuntime {
public:
    virtual ~ReportRuntime() = default;

    virtual std::unique_ptr<ProgressDialog> openProgress(const ProgressWindow& window) = 0;
    // Shows the pages (zoom in percent; window settings kept under `settingsKey` in the
    // host's INI store). True when the user chose to print from the previewer.
    virtual bool preview(const host::PageList& pages, int zoomPercent,
                         std::string_view settingsKey) = 0;
    // Whether the printer makes copies itself (else the pipeline repeats the pages).
    virtual bool printerSupportsCopies() = 0;
    // Sends the pages to the printer as one job named `jobName`.
    virtual void print(const host::PageList& pages, std::string_view jobName, int copies) = 0;
};

}  // namespace citforms::print
