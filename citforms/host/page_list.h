#pragma once
// PageList: the pages captured by one print run, in order (the host's print-preview queue).
//
// A print procedure fills it with the pages its bands make; the previewer shows it, the
// printer prints it, MAKEPDF appends it to the PDF being made. Pages are plain data
// (documents/page_content.h), a few kilobytes each, so a list is cheap to hold for one run; a
// PDF spanning several runs never holds more than the list of the run being appended.
//
//   host::PageList pages;
//   pages.append(std::move(page1));
//   pages.repeatForCopies(3);      // 1,1,1,2,2,2,... when the printer cannot make copies
//
// A list may name the document its pages make ("CIT-8 (24) – Młyn – 2016"): the title of a
// PDF started with it (MAKEPDF mode 0) or made of it (MAKEPDFANDSEND), and the name of the
// file handed over for e-mail. Without it the host takes the first page's print-job name.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "citforms/documents/page_content.h"

namespace citforms::host {

class PageList {
public:
    void append(print::PageContent page) { pages_.push_back(std::move(page)); }
    std::size_t size() const { return pages_.size(); }
    bool empty() const { return pages_.empty(); }
    const print::PageContent& at(std::size_t i) const { return pages_.at(i); }
    const std::vector<print::PageContent>& pages() const { return pages_; }
    void clear() { pages_.clear(); }

    const std::string& documentTitle() const { return documentTitle_; }
    void setDocumentTitle(std::string title) { documentTitle_ = std::move(title); }

    // Repeats every page `copies` times in place (each page's copies together), as a printer
    // that makes copies itself would; copies below 2 leave the list as it is.
    void repeatForCopies(int copies) {
        if (copies < 2) return;
        std::vector<print::PageContent> out;
        out.reserve(pages_.size() * static_cast<std::size_t>(copies));
        for (const auto& p : pages_) {
            for (int i = 0; i < copies; ++i) out.push_back(p);
        }
        pages_ = std::move(out);
    }

private:
    std::vector<print::PageContent> pages_;
    std::string documentTitle_;
};

}  // namespace citforms::host
