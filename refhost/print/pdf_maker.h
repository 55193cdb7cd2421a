#pragma once
// PdfMaker: the host print library's PDF making (MAKEPDF), one PDF across several print runs.
//
//   PdfMaker pdf;
//   pdf.MAKEPDF(0, "/tmp/cit8.pdf", nullptr);   // start
//   pdf.MAKEPDF(1, "", &cit8Pages);             // append the pages of a run
//   pdf.MAKEPDF(1, "", &ordzuPages);
//   pdf.MAKEPDF(2, "", nullptr);                // finish; 0 = success
//
// Pages are painted into the PDF as they are appended; nothing is kept of them afterwards, so
// memory stays bounded however many runs are appended (the texts shaped for one PDF are kept
// for its later pages, up to a bound). Fonts are embedded (subsets of the
// Liberation faces), so Polish letters stay text. The PDF is written to a temporary file next
// to the target and renamed into place when finished: a PDF under the given name is always
// complete. A PDF without a single page is not made (finish fails, no file is left). A
// target that is not a regular file or a new name, or that is one of the protected files (the
// open database's), is refused at the start (output_file.h); error() then says why.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/host/page_list.h"

class QPainter;
class QPdfWriter;
class QSaveFile;

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
    std::int32_t start(std::string_view fileName);
    std::int32_t append(const host::PageList& pages);
    std::int32_t finish();
    void abandon();

    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<runtime::PagePainter> pagePainter_;
    int pages_ = 0;
    std::string error_;
    std::vector<std::string> protected_;
};

}  // namespace citforms::refhost
