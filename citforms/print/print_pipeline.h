#pragma once
// The print pipeline every print procedure runs: progress window, page generation, then the
// previewer, the printer, a PDF or a PDF handed over for e-mail, with copies, offsets and the
// receipt lines.
//
//   PrintEnvironment env{host, runtime};
//   DeclarationVariables vars(fields, host.data->globals());
//   int result = runPrint(env, kCit8Print73, vars);   // also left in GLOBALRESPONSE
//
// A run, by the host settings (host/globals.h):
// - The layout of the procedure is opened; the progress window shows "Generating Report"
//   (screen) or "Printing Report" (printer) and walks its work list of two entries, 25 per
//   timer tick, showing "50% Completed", "100% Completed". Cancel asks "Are you sure you want
//   to CANCEL this Report?" through the UI seam; "Yes" cancels the run.
// - The origin is DEKLARACJE_XPOS / DEKLARACJE_YPOS millimetres (x 39.35 for layouts in
//   thousandths of an inch, rounded half up); the receipt controls show only when
//   GGG:PRN_UPO_INFO_DRUKUJ is 1; the report's title is the procedure's name.
// - Pages are generated after the progress pass, one per page band in the procedure's order.
// - GGG:EMAILPDFSAVEAS 10 appends the pages to the PDF being made (MAKEPDF mode 1), 1 or 2 hands
//   them over for e-mail (MAKEPDFANDSEND); either way the setting is reset to 0, whatever the
//   screen or printer setting says. Otherwise DANE_DRUKARKA_EKRAN true (not 0) is the screen:
//   the previewer at 120 % (printing from it prints GGG:NUMCOPY copies); false (0) prints at
//   once.
// - Copies: the printer is given the count when it makes copies itself; otherwise every page
//   is repeated that many times.
// - Nothing generated or a cancelled run: the note "Nothing to Preview." or "Nothing to
//   Print.", nothing is sent.
// - Result: 1 when the pages reached their destination (printed, appended to the PDF, handed
//   over), 2 otherwise (cancelled, the previewer closed without printing, no printer, a PDF
//   call that failed). The host's working folder GLO:CUTEMP is restored when a dialog moved
//   the process away from it.
#include <algorithm>
#include <string>
#include <vector>

#include "citforms/documents/layout.h"
#include "citforms/host/binding.h"
#include "citforms/print/display_strings.h"
#include "citforms/print/print_variables.h"
#include "citforms/print/report_runtime.h"

namespace citforms::print {

enum class Offsets {
    None,         // the layout's margins stay
    Thousandths,  // millimetres x 39.35 (layouts in thousandths of an inch)
    Millimetres,  // the settings as they are (layouts in millimetres)
};

// What distinguishes one print procedure from another. The pages are the page bands of its
// layout in document order; the layout's fields of the host's receipt lines
// (GGG:PRN_UPO_INFO_1, _2) are shown only when GGG:PRN_UPO_INFO_DRUKUJ is 1.
struct PrintProcedure {
    std::string name;                  // the procedure and its layout: "CIT_8_Prn_73"
    Offsets offsets = Offsets::Thousandths;
    bool pdf = true;                   // GGG:EMAILPDFSAVEAS 10 appends to the PDF being made
    bool send = true;                  // GGG:EMAILPDFSAVEAS 1, 2 hand the PDF over for e-mail
};

// The controls of `layout` that print the host's receipt lines.
std::vector<int> receiptControls(const Layout& layout);

struct PrintEnvironment {
    const host::HostBinding& host;
    ReportRuntime& runtime;
    host::IniManager* ini = nullptr;  // where the previewer keeps its window settings
    // The name of the printed declaration (print/document_title.h), given with the pages to
    // the host's PDF making and e-mail hand-over; empty: the host names them by the run.
    std::string documentTitle = {};
};

inline constexpr int kPreviewZoom = 120;
inline constexpr int kEntriesPerTick = 25;
inline constexpr int kCompleted = 1;
inline constexpr int kCancelled = 2;

// Runs `procedure` on `variables`; returns the run result and leaves it in GLOBALRESPONSE.
int runPrint(const PrintEnvironment& env, const PrintProcedure& procedure,
             const PrintVariables& variables);

// A millimetre offset in thousandths of an inch by the factor 39.35, rounded half away from
// zero (15 mm -> 590, 10 mm -> 394).
int offsetThousandths(int millimetres);

// The progress pass over a work list: up to kEntriesPerTick entries per tick, the percentage
// as the whole part of done x 100 / total.
class ProgressPass {
public:
    explicit ProgressPass(int entries) : total_(entries) {}
    // Takes the next entries; calls show(percent) when the shown percentage changes. False
    // when the list was already exhausted.
    template <class Show>
    bool tick(Show&& show) {
        if (done_ >= total_) return false;
        for (int i = 0; i < kEntriesPerTick && done_ < total_; ++i) {
            ++done_;
            const int percent = std::min(100, done_ * 100 / total_);
            if (percent != shown_) {
                shown_ = percent;
                show(percent);
            }
        }
        return true;
    }
    bool exhausted() const { return done_ >= total_; }

private:
    int total_;
    int done_ = 0;
    int shown_ = -1;
};

}  // namespace citforms::print
