#include "refhost/print/pdf_maker.h"

#include <malloc.h>

#include <mutex>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>

#include "refhost/print/output_file.h"
#include "refhost/print/shared_drawings.h"
#include "runtime/render/page_painter.h"

namespace citforms::refhost {

namespace {

QPageLayout layoutFor(print::Orientation orientation) {
    return QPageLayout(QPageSize(QPageSize::A4),
                       orientation == print::Orientation::Landscape ? QPageLayout::Landscape
                                                                    : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

// Qt's PDF writer compresses every page through a zlib stream of its own, whose state (a few
// hundred KB) is allocated and freed page after page. With the C library's default trim
// threshold the freed top of the heap goes back to the system after each page and is faulted
// in, zeroed, again for the next: measured here, a fifth of the time of a long PDF. Keeping up
// to a few MB of freed heap ends that; the peak memory stays what it was.
void keepFreedHeap() {
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 4 << 20);
        mallopt(M_TRIM_THRESHOLD, 8 << 20);
    });
}

}  // namespace

PdfMaker::PdfMaker() {
    keepFreedHeap();
}

PdfMaker::~PdfMaker() {
    abandon();
}

void PdfMaker::abandon() {
    if (painter_) painter_->end();
    painter_.reset();
    pagePainter_.reset();
    writer_.reset();
    draft_.reset();
    if (file_) file_->cancelWriting();
    file_.reset();
    pages_ = 0;
    title_.clear();
    drawingIds_.clear();
    drawings_.clear();
    placeholders_.clear();
}

std::int32_t PdfMaker::MAKEPDF(std::uint8_t mode, std::string_view fileName,
                               const host::PageList* pages) {
    switch (mode) {
        case 0:
            return start(fileName, pages);
        case 1:
            if (!active()) return kNotStarted;
            return pages == nullptr ? kOk : append(*pages);
        case 2:
            return finish();
        default:
            return kBadMode;
    }
}

std::int32_t PdfMaker::start(std::string_view fileName, const host::PageList* pages) {
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
    // The draft lies in the temporary folder: a crash leaves nothing beside the target.
    auto draft = std::make_unique<QTemporaryFile>(
        QDir(QDir::tempPath()).filePath(QStringLiteral("tabrix-pdf-XXXXXX.draft")));
    if (!draft->open()) {
        error_ = draft->errorString().toStdString();
        file->cancelWriting();
        return kCannotWrite;
    }
    file_ = std::move(file);
    draft_ = std::move(draft);
    writer_ = std::make_unique<QPdfWriter>(draft_.get());
    writer_->setResolution(1000);
    writer_->setCreator(QStringLiteral("tabrix"));
    writer_->setPageLayout(layoutFor(print::Orientation::Portrait));
    if (pages != nullptr && !pages->documentTitle().empty()) {
        title_ = pages->documentTitle();
        writer_->setTitle(QString::fromStdString(title_));
    }
    return kOk;
}

bool PdfMaker::beginPage(print::Orientation orientation) {
    writer_->setPageLayout(layoutFor(orientation));
    if (painter_) return writer_->newPage();
    painter_ = std::make_unique<QPainter>();
    pagePainter_ = std::make_unique<runtime::PagePainter>();
    return painter_->begin(writer_.get());
}

std::vector<int> PdfMaker::sharedDrawings(const print::PageContent& page, std::size_t* painted) {
    std::vector<int> ids;
    std::size_t next = 0;
    for (const print::DrawingUse& use : page.drawings) {
        // Only what lies under everything else can be placed first; a drawing over other
        // items is painted where it is.
        if (use.first != next || use.first + use.count > page.items.size()) break;
        DrawingKey key{use.key,   use.x,      use.y,
                       use.width, use.height, static_cast<int>(page.orientation)};
        auto [it, added] = drawingIds_.emplace(std::move(key), static_cast<int>(drawings_.size()));
        if (added) {
            print::PageContent drawing;
            drawing.orientation = page.orientation;
            drawing.items.assign(
                page.items.begin() + static_cast<std::ptrdiff_t>(use.first),
                page.items.begin() + static_cast<std::ptrdiff_t>(use.first + use.count));
            drawings_.push_back(std::move(drawing));
            QImage placeholder(1, placeholderHeight(it->second), QImage::Format_RGB32);
            placeholder.fill(Qt::white);
            placeholders_.push_back(std::move(placeholder));
        }
        ids.push_back(it->second);
        next = use.first + use.count;
    }
    *painted = next;
    return ids;
}

std::int32_t PdfMaker::append(const host::PageList& pages) {
    for (const print::PageContent& page : pages.pages()) {
        if (title_.empty() && !page.title.empty()) {
            title_ = page.title;
            writer_->setTitle(QString::fromStdString(title_));
        }
        if (!beginPage(page.orientation)) {
            abandon();
            return kCannotWrite;
        }
        std::size_t firstValue = 0;
        for (int id : sharedDrawings(page, &firstValue)) {
            // The drawing's placeholder over the media box (shared_drawings.h).
            const QRectF points = writer_->pageLayout().fullRectPoints();
            painter_->drawImage(
                QRectF(0, 0, points.width() * 1000.0 / 72.0, points.height() * 1000.0 / 72.0),
                placeholders_[static_cast<std::size_t>(id)]);
        }
        pagePainter_->paint(*painter_, page, firstValue);
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
    // The drawings follow the pages, each on a page of its own, in the same fonts.
    for (const print::PageContent& drawing : drawings_) {
        if (!beginPage(drawing.orientation)) {
            abandon();
            return kCannotWrite;
        }
        pagePainter_->paint(*painter_, drawing);
    }
    // The draft's trailer is written by end(); a write that failed on the way (a full disk)
    // leaves the target as it was.
    const bool ended = painter_->end();
    painter_.reset();
    pagePainter_.reset();
    writer_.reset();
    const bool flushed = ended && draft_->flush();
    const bool composed = flushed && composeInto(draft_->fileName().toStdString());
    draft_.reset();
    if (!composed) {
        if (error_.empty()) error_ = "the PDF could not be written";
        file_->cancelWriting();
    }
    const bool committed = composed && file_->commit();
    if (composed && !committed) error_ = file_->errorString().toStdString();
    file_.reset();
    abandon();
    return committed ? kOk : kCannotWrite;
}

bool PdfMaker::composeInto(const std::string& draftPath) {
    QFile draftFile(QString::fromStdString(draftPath));
    if (!draftFile.open(QIODevice::ReadOnly)) {
        error_ = draftFile.errorString().toStdString();
        return false;
    }
    // Mapped, not read: the rewrite copies most of it once, into the target, a piece at a time.
    const qint64 size = draftFile.size();
    const uchar* mapped = size > 0 ? draftFile.map(0, size) : nullptr;
    if (mapped == nullptr) {
        error_ = "the draft PDF cannot be read: " + draftFile.errorString().toStdString();
        return false;
    }
    auto pdf = shareDrawings(
        std::string_view(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(size)),
        pages_, static_cast<int>(drawings_.size()), [this](std::string_view chunk) {
            const auto n = static_cast<qint64>(chunk.size());
            return file_->write(chunk.data(), n) == n;
        });
    draftFile.unmap(const_cast<uchar*>(mapped));
    draftFile.close();
    if (!pdf) {
        error_ = pdf.error() + (file_->error() == QFileDevice::NoError
                                    ? std::string()
                                    : ": " + file_->errorString().toStdString());
        return false;
    }
    return true;
}

}  // namespace citforms::refhost
