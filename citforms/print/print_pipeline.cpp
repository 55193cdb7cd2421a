#include "citforms/print/print_pipeline.h"

#include <filesystem>
#include <system_error>

#include <QtCore/QDebug>

#include "citforms/print/layout_catalogue.h"
#include "citforms/print/page_builder.h"
#include "citforms/print/report_run.h"

namespace citforms::print {

namespace {

enum class Destination { Preview, Printer, PdfAppend, PdfSend };

Destination destinationOf(const PrintProcedure& p, const host::Globals& g) {
    if (p.pdf && g.GGG_EMAILPDFSAVEAS == 10) return Destination::PdfAppend;
    if (p.send && (g.GGG_EMAILPDFSAVEAS == 1 || g.GGG_EMAILPDFSAVEAS == 2))
        return Destination::PdfSend;
    // True is the screen (the previewer here), false the printer directly.
    return g.DANE_DRUKARKA_EKRAN != 0 ? Destination::Preview : Destination::Printer;
}

void note(const host::HostBinding& host, const std::string& title, const std::string& text,
          const std::string& button) {
    if (host.ui == nullptr) return;
    host.ui->message({title, text, button, host::MessageIcon::Information, 1});
}

// Pages to the printer: the printer makes the copies when it can, else they are repeated.
bool sendToPrinter(ReportRuntime& runtime, host::PageList& pages, const std::string& job,
                   int copies) {
    if (copies > 1 && !runtime.printerSupportsCopies()) {
        pages.repeatForCopies(copies);
        copies = 1;
    }
    return runtime.print(pages, job, copies);
}

// Back to the host's working folder when a dialog (a printer's, a file chooser) left the
// process elsewhere.
void restoreWorkingFolder(const std::string& folder) {
    if (folder.empty()) return;
    std::error_code ec;
    const auto current = std::filesystem::current_path(ec);
    if (ec) return;
    const auto wanted = std::filesystem::weakly_canonical(folder, ec);
    if (ec || std::filesystem::weakly_canonical(current, ec) == wanted) return;
    std::filesystem::current_path(wanted, ec);
}

}  // namespace

int offsetThousandths(int millimetres) {
    const long long t = static_cast<long long>(millimetres) * 3935;
    return static_cast<int>(t >= 0 ? (t + 50) / 100 : (t - 50) / 100);
}

std::vector<int> receiptControls(const Layout& layout) {
    std::vector<int> out;
    for (const Band& band : layout.bands()) {
        for (const Control& c : band.controls) {
            if (c.kind == ControlKind::Field && c.variable.starts_with("GGG:PRN_UPO_INFO_")) {
                out.push_back(c.number);
            }
        }
    }
    return out;
}

int runPrint(const PrintEnvironment& env, const PrintProcedure& procedure,
             const PrintVariables& variables) {
    const host::HostBinding& host = env.host;
    host::Globals& g = host.data->globals();
    const DisplayStrings strings = DisplayStrings::load(g.GGG_PROGRAMPATH);
    const std::string workingFolder = g.GLO_CUTEMP;
    const Destination destination = destinationOf(procedure, g);
    const bool screen = destination != Destination::Printer;
    g.GLOBALRESPONSE = 0;
    g.GLOBALREQUEST = 0;

    auto layout = sharedLayout(procedure.name);
    if (!layout) {
        // A shipped layout that does not open is a broken build, not the user's doing.
        qCritical("citforms: %s", layout.error().c_str());
        if (host.utility != nullptr) host.utility->MSG_OST(layout.error());
        g.GLOBALRESPONSE = kCancelled;
        return kCancelled;
    }

    ReportRun run(**layout);
    switch (procedure.offsets) {
        case Offsets::None:
            break;
        case Offsets::Thousandths:
            run.setOrigin(offsetThousandths(g.DEKLARACJE_XPOS), offsetThousandths(g.DEKLARACJE_YPOS));
            break;
        case Offsets::Millimetres:
            run.setOrigin(g.DEKLARACJE_XPOS, g.DEKLARACJE_YPOS);
            break;
    }
    for (int control : receiptControls(**layout)) {
        if (g.GGG_PRN_UPO_INFO_DRUKUJ == 1) {
            run.show(control);
        } else {
            run.hide(control);
        }
    }
    if (run.title().empty()) run.setTitle(procedure.name);

    // Progress pass over the work list (entries 1 and 2).
    int result = 0;
    {
        const ProgressWindow window = (*layout)->progress().value_or(ProgressWindow{});
        auto progress = env.runtime.openProgress(window);
        progress->setTitle(screen ? strings.progWinTitlePrvw : strings.progWinTitlePrnt);
        progress->setUserText(strings.progWinUsrText);
        progress->setProgress(0, "0" + strings.progWinPctText);
        ProgressPass pass(2);
        auto tick = [&] {
            pass.tick([&](int percent) {
                progress->setProgress(percent, std::to_string(percent) + strings.progWinPctText);
            });
            if (!pass.exhausted()) return true;
            result = kCompleted;
            return false;
        };
        auto cancel = [&] {
            const int answer =
                host.ui == nullptr
                    ? 2
                    : host.ui->message({strings.cancelAreYouSureTitle,
                                        strings.cancelAreYouSureText, strings.buttonYesNo,
                                        host::MessageIcon::Warning, 2});
            if (answer != 1) return false;
            result = kCancelled;
            return true;
        };
        progress->exec(tick, cancel);
        if (result == 0) result = kCancelled;  // the window closed without finishing the pass
    }

    host::PageList pages;
    pages.setDocumentTitle(env.documentTitle);
    std::vector<std::string> failedPages;
    if (result == kCompleted) {
        BuiltPages built = buildPages(run, variables);
        for (PageContent& page : built.pages) pages.append(std::move(page));
        failedPages = std::move(built.failures);
        for (const std::string& failure : failedPages) qCritical("citforms: %s", failure.c_str());
    }

    const int copies = std::max(1, g.GGG_NUMCOPY);
    const std::string& job = run.title();
    if (result != kCompleted || pages.empty()) {
        if (screen) {
            note(host, strings.nothingToPrvwTitle, strings.nothingToPrvwText, strings.buttonOk);
        } else {
            note(host, strings.nothingToPrntTitle, strings.nothingToPrntText, strings.buttonOk);
        }
        result = kCancelled;
    } else {
        switch (destination) {
            case Destination::Preview: {
                const bool print =
                    env.runtime.preview(pages, kPreviewZoom, env.ini, procedure.name);
                result = print && sendToPrinter(env.runtime, pages, job, copies) ? kCompleted
                                                                                  : kCancelled;
                break;
            }
            case Destination::Printer:
                result = sendToPrinter(env.runtime, pages, job, copies) ? kCompleted : kCancelled;
                break;
            case Destination::PdfAppend: {
                const bool made =
                    host.print != nullptr && host.print->MAKEPDF(1, "", &pages) == 0;
                g.GGG_EMAILPDFSAVEAS = 0;
                result = made ? kCompleted : kCancelled;
                break;
            }
            case Destination::PdfSend: {
                const bool made = host.print != nullptr && host.print->MAKEPDFANDSEND(&pages) == 0;
                g.GGG_EMAILPDFSAVEAS = 0;
                result = made ? kCompleted : kCancelled;
                break;
            }
        }
    }

    // The pages that were built went out; a print short of a page of its form is not one
    // made, and the person learns which page is missing and why.
    if (!failedPages.empty()) {
        if (host.utility != nullptr) {
            host.utility->MSG_OST("Wydruk " + procedure.name + " jest niepełny: " +
                                  failedPages.front());
        }
        result = kCancelled;
    }

    restoreWorkingFolder(workingFolder);
    g.GLOBALRESPONSE = result;
    return result;
}

}  // namespace citforms::print
