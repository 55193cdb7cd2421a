#include "citforms/print/report_run.h"

namespace citforms::print {

ReportRun::ReportRun(const Layout& layout)
    : layout_(&layout),
      left_(layout.report().area.x),
      top_(layout.report().area.y),
      title_(layout.report().title) {}

void ReportRun::setOrigin(int left, int top) {
    left_ = left;
    top_ = top;
}

}  // namespace citforms::print
