#pragma once
// The seam between the module's print procedures and the window and report runtime.
//
// The module's print pipeline (plain C++) builds its pages itself (page_builder.h) and asks the
// runtime only for what needs a screen or a printer: the small progress window with its timer
// and Cancel button, the previewer, and the printer.
//
// Which runtime a print uses: the one the host binds (HostBinding::report), else the default
// one. The Qt runtime that libcitforms.so is linked with registers itself as the default when
// the library is loaded (runtime/module/); a module core linked without it (unit tests) falls
// back to a windowless runtime that runs the progress pass without a window, shows no
// previewer and has no printer.
//
//   ReportRuntime& rt = ...;
//   auto progress = rt.openProgress(layout.progress().value());
//   progress->exec(tick, cancel);
//   if (rt.preview(pages, 120, ini, "CIT_8_Prn_73")) rt.print(pages, "CIT_8_Prn_73", 1);
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "citforms/host/managers.h"
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

// The progress pass without a window (no screen, or a runtime without windows): exec() runs
// the ticks to their end at once and nothing is shown. Defined here, so that a runtime built
// apart from the module (the Qt runtime of a host) takes the same one.
class WindowlessProgress : public ProgressDialog {
public:
    void setTitle(std::string_view) override {}
    void setUserText(std::string_view) override {}
    void setProgress(int, std::string_view) override {}
    void exec(const std::function<bool()>& tick, const std::function<bool()>&) override {
        while (tick()) {
        }
    }
};

class ReportRuntime {
public:
    virtual ~ReportRuntime() = default;

    virtual std::unique_ptr<ProgressDialog> openProgress(const ProgressWindow& window) = 0;
    // Shows the pages at `zoomPercent`; the window's size and position are kept in `ini`
    // (when given) under `settingsKey`. True when the user chose to print from the previewer
    // (the printer chosen there is the one print() then uses).
    virtual bool preview(const host::PageList& pages, int zoomPercent, host::IniManager* ini,
                         std::string_view settingsKey) = 0;
    // Whether the printer makes copies itself (else the pipeline repeats the pages).
    virtual bool printerSupportsCopies() = 0;
    // Sends the pages to the printer as one job named `jobName`, `copies` times each.
    // False when there is no printer to send them to.
    virtual bool print(const host::PageList& pages, std::string_view jobName, int copies) = 0;
};

// Makes the runtime prints use when the host binds none.
using ReportRuntimeFactory = std::unique_ptr<ReportRuntime> (*)();
// Called by a runtime when it is loaded; a later call replaces the earlier factory.
void setDefaultReportRuntimeFactory(ReportRuntimeFactory factory);
// The registered factory's runtime, or the windowless one when none is registered.
std::unique_ptr<ReportRuntime> makeDefaultReportRuntime();
// A runtime without windows or printer: the progress pass runs to its end at once, the
// previewer is not shown (false) and print() sends nothing (false).
std::unique_ptr<ReportRuntime> makeWindowlessReportRuntime();

}  // namespace citforms::print
