#include "refhost/print/pdf_maker.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include "refhost/print/output_file.h"
#include "runtime/render/page_painter.h"

namespace citforms::refhost {

namespace {

QPageLayout layoutFor(const print::PageContent& page) {
    return QPageLayout(QPageSize(QPageSize::A4),
                       page.orientation == print::Orientation::Landscape
                           ? QPageLayout::Landscape
                           : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

}  // namespace

PdfMaker::PdfMaker() = default;

PdfMaker::~PdfMaker() { abandon(); }

void PdfMaker::abandon() {
    if (painter_) painter_->end();
    painter_.reset();
    pagePainter_.reset();
    writer_.reset();
    if (file_) file_->cancelWriting();
    file_.reset();
    pages_ = 0;
}

std::int32_t PdfMaker::MAKEPDF(std::uint8_t mode, std::string_view fileName,
                               const host::PageList* pages) {
    switch (mode) {
        case 0:
            return start(fileName);
        case 1:
            if (!active()) return kNotStarted;
            return pages == nullptr ? kOk : append(*pages);
        case 2:
            return finish();
        default:
            return kBadMode;
    }
}

std::int32_t PdfMaker::start(std::string_view fileName) {
    abandon();
    error_.clear();
    if (fileName.empty()) return kBadName;
    if (auto st = checkOutputFile(std::string(fileName), protected_); !st) {
        error_ = st.error();
        return kCannotWrite;
    }
    auto file = std::make_unique<QSaveFile>(
        QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size())));
    if (!file->open(QIODevice::WriteOnly)) {
        error_ = file->errorString().toStdString();
        return kCannotWrite;
    }
    file_ = std::move(file);
    writer_ = std::make_unique<QPdfWriter>(file_.get());
    writer_->setResolution(1000);
    writer_->setCreator(QStringLiteral("tabrix"));
    writer_->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                       QMarginsF(0, 0, 0, 0)));
    return kOk;
}

std::int32_t PdfMaker::append(const host::PageList& pages) {
    for (const print::PageContent& page : pages.pages()) {
        if (!painter_) {
            writer_->setPageLayout(layoutFor(page));
            if (!page.title.empty() && writer_->title().isEmpty())
                writer_->setTitle(QString::fromStdString(page.title));
            painter_ = std::make_unique<QPainter>();
            pagePainter_ = std::make_unique<runtime::PagePainter>();
            if (!painter_->begin(writer_.get())) {
                abandon();
                return kCannotWrite;
            }
        } else {
            writer_->setPageLayout(layoutFor(page));
            if (!writer_->newPage()) {
                abandon();
                return kCannotWrite;
            }
        }
        pagePainter_->paint(*painter_, page);
        ++pages_;
    }
    return kOk;
}

std::int32_t PdfMaker::finish() {
    if (!active()) return kNotStarted;
    if (pages_ == 0) {
        abandon();
        return kNoPages;
    }
    // The trailer is written by end(); a write that failed on the way (a full disk) makes the
    // commit fail, and the target keeps what it held.
    const bool ended = painter_->end();
    painter_.reset();
    pagePainter_.reset();
    writer_.reset();
    if (!ended) file_->cancelWriting();
    const bool committed = file_->commit();
    if (!committed) error_ = file_->errorString().toStdString();
    file_.reset();
    pages_ = 0;
    return committed ? kOk : kCannotWrite;
}

}  // namespace citforms::refhost
