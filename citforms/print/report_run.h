#pragma once
// ReportRun: what one print run may change on its layout (origin, title, hidden controls).
//
// The layout itself stays as shipped; the next run starts again from it.
//
//   ReportRun run(layout);
//   run.setOrigin(590, 394);                    // from the printer offsets
//   if (!printReceipt) { run.hide(13); run.hide(14); }
#include <set>
#include <string>

#include "citforms/documents/layout.h"

namespace citforms::print {

class ReportRun {
public:
    explicit ReportRun(const Layout& layout);

    const Layout& layout() const { return *layout_; }

    void hide(int number) { hidden_.insert(number); }
    void show(int number) { hidden_.erase(number); }
    bool isHidden(int number) const { return hidden_.count(number) != 0; }

    // Left and top margin of the report in report units; the layout's until replaced.
    void setOrigin(int left, int top);
    int left() const { return left_; }
    int top() const { return top_; }

    // The layout's title, or the one set for this run when the layout has none.
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

private:
    const Layout* layout_;
    std::set<int> hidden_;
    int left_;
    int top_;
    std::string title_;
};

}  // namespace citforms::print
