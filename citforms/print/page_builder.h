#pragma once
// Builds the page a band prints: its controls, with the variables' values formatted by their
// pictures, placed at the report's origin, as a PageContent the runtime can paint.
//
//   ReportRun run(layout);
//   auto page = buildPage(run, 44, variables);   // CIT-8 page 2
//
// Controls are taken in declaration order, each over what came before: the page drawing of an
// image control first (its items recorded in PageContent::drawings, so that a PDF can write
// each drawing once), then values, boxes and texts. Hidden controls are skipped. Radios print
// their mark only when the option's variable equals their value (numerically when both are
// numbers, so "2.00" selects the radio "2"). Values go through the shared picture formatter;
// a decimal variable under a text picture prints its number without trailing zeros (an
// attachment count of 2 prints "2").
#include <string>
#include <vector>

#include "citforms/print/page_content.h"
#include "citforms/print/print_variables.h"
#include "citforms/print/report_run.h"
#include "citforms/values/result.h"

namespace citforms::print {

// Fails for a band number that is not a band of the layout, or an image without a drawing.
values::Result<PageContent> buildPage(const ReportRun& run, int bandNumber,
                                      const PrintVariables& variables);

// Every page band of the run's layout, in order: the pages that could be built, and for each
// that could not its reason ("CIT-8(24)str1.wmf: …").
struct BuiltPages {
    std::vector<PageContent> pages;
    std::vector<std::string> failures;
};
BuiltPages buildPages(const ReportRun& run, const PrintVariables& variables);

// The text a field control prints for a variable value (picture applied).
std::string formatFieldValue(const Control& control, std::string_view value);

}  // namespace citforms::print
