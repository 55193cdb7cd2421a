#include "refhost/print/pdf_maker.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>

#include "refhost/print/output_file.h"
#include "runtime/render/page_painter.h"

namespace citforms::refhost {

namespace {

QPageLayout layoutFor(print::Orientation orientation) {
    return QPageLayout(QPageSize(QPageSize::A4),
                       orientation == print::Orientation::Landscape ? QPageLayout::Landscape
                                                                    : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

// qpdf's output into the target's QSaveFile.
class SaveFilePipeline : public Pipeline {
public:
    explicit SaveFilePipeline(QSaveFile& file) : Pipeline("target", nullptr), file_(file) {}
    void write(unsigned char const* data, size_t len) override {
        if (failed_) return;
        const auto n = static_cast<qint64>(len);
        if (file_.write(reinterpret_cast<const char*>(data), n) != n) failed_ = true;
    }
    void finish() override {}
    bool failed() const { return failed_; }

private:
    QSaveFile& file_;
    bool failed_ = false;
};

// The XObject name of drawing `id` in a page's resources.
std::string formName(int id) { return "/CitForm" + std::to_string(id); }

}  // namespace

PdfMaker::PdfMaker() = default;

PdfMaker::~PdfMaker() { abandon(); }

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
    pageDrawings_.clear();
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
    // The draft lies beside the target: a folder the target can be written to takes it too.
    const QFileInfo target(file->fileName());
    auto draft = std::make_unique<QTemporaryFile>(target.absoluteDir().filePath(
        QStringLiteral(".") + target.fileName() + QStringLiteral(".draft-XXXXXX")));
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
        DrawingKey key{use.key, use.x, use.y, use.width, use.height,
                       static_cast<int>(page.orientation)};
        auto [it, added] = drawingIds_.emplace(std::move(key), static_cast<int>(drawings_.size()));
        if (added) {
            print::PageContent drawing;
            drawing.orientation = page.orientation;
            drawing.items.assign(page.items.begin() + static_cast<std::ptrdiff_t>(use.first),
                                 page.items.begin() +
                                     static_cast<std::ptrdiff_t>(use.first + use.count));
            drawings_.push_back(std::move(drawing));
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
        pageDrawings_.push_back(sharedDrawings(page, &firstValue));
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
    SaveFilePipeline out(*file_);
    // qpdf reports what it cannot read or write by exceptions; none passes this boundary.
    try {
        QPDF pdf;
        pdf.setSuppressWarnings(true);
        pdf.processFile(draftPath.c_str());
        QPDFPageDocumentHelper document(pdf);
        std::vector<QPDFPageObjectHelper> pages = document.getAllPages();
        const std::size_t valuePages = static_cast<std::size_t>(pages_);
        if (pages.size() != valuePages + drawings_.size()) {
            error_ = "the draft PDF has " + std::to_string(pages.size()) + " pages, not " +
                     std::to_string(valuePages + drawings_.size());
            return false;
        }
        std::vector<QPDFObjectHandle> forms;
        forms.reserve(drawings_.size());
        for (std::size_t k = 0; k < drawings_.size(); ++k)
            forms.push_back(pages[valuePages + k].getFormXObjectForPage());

        // Pages with the same drawings share the content stream that places them.
        std::map<std::vector<int>, QPDFObjectHandle> placements;
        for (std::size_t i = 0; i < valuePages; ++i) {
            const std::vector<int>& ids = pageDrawings_[i];
            if (ids.empty()) continue;
            QPDFObjectHandle resources = pages[i].getAttribute("/Resources", true);
            QPDFObjectHandle xobjects = resources.getKey("/XObject");
            if (!xobjects.isDictionary()) {
                xobjects = QPDFObjectHandle::newDictionary();
                resources.replaceKey("/XObject", xobjects);
            } else if (xobjects.isIndirect()) {
                xobjects = xobjects.shallowCopy();
                resources.replaceKey("/XObject", xobjects);
            }
            for (int id : ids) xobjects.replaceKey(formName(id), forms[static_cast<std::size_t>(id)]);
            auto placed = placements.find(ids);
            if (placed == placements.end()) {
                std::string content;
                for (int id : ids) content += "q " + formName(id) + " Do Q\n";
                placed = placements.emplace(ids, QPDFObjectHandle::newStream(&pdf, content)).first;
            }
            pages[i].addPageContents(placed->second, true);
        }
        for (std::size_t k = 0; k < drawings_.size(); ++k)
            document.removePage(pages[valuePages + k]);

        QPDFWriter writer(pdf);
        writer.setOutputPipeline(&out);
        writer.setObjectStreamMode(qpdf_o_generate);
        writer.write();
    } catch (const std::exception& e) {
        error_ = e.what();
        return false;
    }
    if (out.failed()) {
        error_ = file_->errorString().toStdString();
        return false;
    }
    return true;
}

}  // namespace citforms::refhost
