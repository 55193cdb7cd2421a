#pragma once
// PdfMaker: the host print library's PDF making (MAKEPDF), one PDF across several print runs.
//
//   PdfMaker pdf;
//   pdf.MAKEPDF(0, "/tmp/cit8.pdf", nullptr);   // start
//   pdf.MAKEPDF(1, "", &cit8Pages);             // append the pages of a run
//   pdf.MAKEPDF(1, "", &ordzuPages);
//   pdf.MAKEPDF(2, "", nullptr);                // finish; 0 = success
//
// Pages are painted into a draft PDF as they are appended; nothing is kept of them afterwards
// but the page drawings they use, so memory stays bounded however many runs are appended (the
// texts shaped for one PDF are kept for its later pages, up to a bound). Fonts are embedded
// (subsets of the Liberation faces), so Polish letters stay text.
//
// Page drawings (the printed form under the values, documents/page_content.h DrawingUse) are
// written once per PDF: each distinct drawing (its key over its rectangle) is painted on a page
// of its own at the end of the draft, and finishing turns those pages into form XObjects that
// every page using them places under its values (shared_drawings.h). A page of 808 costs its
// values, not its form: Qt's writer alone repeats every label of the form glyph by glyph on
// every page (docs/printing.md, bench/print_bench).
//
// The title of the document is the one the start's page list names (PageList::documentTitle),
// else the first page's print-job name; the creator is "tabrix", with the creation date.
// The draft lies in the temporary folder; the PDF is written to a temporary file next to the
// target and renamed into place when finished: a PDF under the given name is always complete.
// A PDF without a single page is not made (finish fails, no file is left). A target that is not a regular file or a new name, or
// that is one of the protected files (the open database's), is refused at the start
// (output_file.h); error() then says why.
#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QImage>

#include "citforms/host/page_list.h"

class QPainter;
class QPdfWriter;
class QSaveFile;
class QTemporaryFile;

namespace citforms::runtime {
class PagePainter;
}

namespace citforms::refhost {

class PdfMaker {
public:
    enum Code : std::int32_t {
        kOk = 0,
        kNotStarted = 1,   // append or finish without a start
        kCannotWrite = 2,  // the file cannot be created or written
        kNoPages = 3,      // finish with no page appended
        kBadMode = 4,
        kBadName = 5,      // start with an empty file name
    };

    PdfMaker();
    ~PdfMaker();
    PdfMaker(const PdfMaker&) = delete;
    PdfMaker& operator=(const PdfMaker&) = delete;

    // mode 0 starts a PDF file named `fileName` (a PDF being made is abandoned), 1 appends
    // the pages of `pages`, 2 finishes the file. Returns kOk or one of the codes above.
    std::int32_t MAKEPDF(std::uint8_t mode, std::string_view fileName,
                         const host::PageList* pages);

    bool active() const { return file_ != nullptr; }
    int pagesWritten() const { return pages_; }
    // Why the last start or finish failed; empty after a success.
    const std::string& error() const { return error_; }
    // Files a PDF must never replace (the open database's).
    void protectFiles(std::vector<std::string> files) { protected_ = std::move(files); }

private:
    // A page drawing over its rectangle, on a page of that orientation.
    using DrawingKey = std::tuple<std::string, int, int, int, int, int>;

    std::int32_t start(std::string_view fileName, const host::PageList* pages);
    std::int32_t append(const host::PageList& pages);
    std::int32_t finish();
    bool beginPage(print::Orientation orientation);
    // The drawings at the start of `page`'s items (its form, under everything else): the
    // index of each in drawings_, registered on first use; `painted` is the first item left.
    std::vector<int> sharedDrawings(const print::PageContent& page, std::size_t* painted);
    // Turns the drawing pages at the end of the draft into form XObjects placed on the pages
    // that use them (shared_drawings.h) and writes the result into file_.
    bool composeInto(const std::string& draftPath);
    void abandon();

    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<QTemporaryFile> draft_;  // Qt's PDF: values pages, then the drawings
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<runtime::PagePainter> pagePainter_;
    int pages_ = 0;
    std::string title_;
    std::map<DrawingKey, int> drawingIds_;
    std::vector<print::PageContent> drawings_;  // each distinct drawing as a page of its own
    std::vector<QImage> placeholders_;          // per drawing, what the pages draw for it
    std::string error_;
    std::vector<std::string> protected_;
};

}  // namespace citforms::refhost
