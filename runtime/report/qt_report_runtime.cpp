#include "runtime/report/qt_report_runtime.h"

#include <QApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "runtime/preview/qt_previewer.h"
#include "runtime/progress/qt_progress_dialog.h"
#include "runtime/render/page_painter.h"

namespace citforms::runtime {

namespace {

QPageLayout pageLayoutFor(const print::PageContent& page) {
    return QPageLayout(QPageSize(QPageSize::A4),
                       page.orientation == print::Orientation::Landscape ? QPageLayout::Landscape
                                                                         : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

}  // namespace

bool QtReportRuntime::haveWidgets() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

std::unique_ptr<print::ProgressDialog> QtReportRuntime::openProgress(
    const print::ProgressWindow& window) {
    if (!haveWidgets()) return std::make_unique<print::WindowlessProgress>();
    return std::make_unique<QtProgressDialog>(window);
}

bool QtReportRuntime::preview(const host::PageList& pages, int zoomPercent, host::IniManager* ini,
                              std::string_view settingsKey) {
    if (!haveWidgets()) return false;
    QtPreviewer previewer(pages, zoomPercent, ini, std::string(settingsKey));
    if (previewer.exec() != QDialog::Accepted) return false;
    chosenPrinter_ = previewer.chosenPrinter().toStdString();
    return true;
}

bool QtReportRuntime::printerSupportsCopies() {
    if (!options_.printerOutputFile.empty()) return false;  // PDF output ignores the count
    if (QCoreApplication::instance() == nullptr) return false;
    QPrinter printer;
    if (!chosenPrinter_.empty()) printer.setPrinterName(QString::fromStdString(chosenPrinter_));
    return printer.supportsMultipleCopies();
}

bool QtReportRuntime::print(const host::PageList& pages, std::string_view jobName, int copies) {
    const std::string chosen = std::exchange(chosenPrinter_, {});
    if (pages.empty() || QCoreApplication::instance() == nullptr) return false;
    QPrinter printer(QPrinter::HighResolution);
    if (!options_.printerOutputFile.empty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(options_.printerOutputFile));
    } else if (!chosen.empty()) {
        printer.setPrinterName(QString::fromStdString(chosen));
    } else if (QPrinterInfo::defaultPrinter().isNull()) {
        qWarning("citforms: no printer to print %.*s on", static_cast<int>(jobName.size()),
                 jobName.data());
        return false;
    }
    printer.setDocName(QString::fromUtf8(jobName.data(), static_cast<qsizetype>(jobName.size())));
    printer.setFullPage(true);
    printer.setCopyCount(std::max(1, copies));
    printer.setPageLayout(pageLayoutFor(pages.at(0)));
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    PagePainter pagePainter;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            printer.setPageLayout(pageLayoutFor(pages.at(i)));
            if (!printer.newPage()) return false;
        }
        pagePainter.paint(painter, pages.at(i));
    }
    return painter.end();
}

}  // namespace citforms::runtime
