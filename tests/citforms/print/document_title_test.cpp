#include "citforms/print/document_title.h"

#include <gtest/gtest.h>

namespace citforms::print {
namespace {

using values::fromDate;

TEST(DocumentTitle, FormCompanyAndTaxYear) {
    struct Case {
        std::string company;
        values::DayNumber from, to;
        std::string title;
    };
    const Case cases[] = {
        {"Młyn Pszenica", fromDate(2016, 1, 1), fromDate(2016, 12, 31),
         "CIT-8 (24) \u2013 Młyn Pszenica \u2013 2016"},
        // A tax year other than the calendar year shows both days.
        {"Stocznia Żagiel  ", fromDate(2016, 4, 1), fromDate(2017, 3, 31),
         "CIT-8 (24) \u2013 Stocznia Żagiel \u2013 01.04.2016\u201331.03.2017"},
        // What is not known is left out with its dash.
        {"", fromDate(2016, 1, 1), fromDate(2016, 12, 31), "CIT-8 (24) \u2013 2016"},
        {"Młyn Pszenica", 0, 0, "CIT-8 (24) \u2013 Młyn Pszenica"},
        {"Młyn Pszenica", fromDate(2017, 1, 1), fromDate(2016, 12, 31),
         "CIT-8 (24) \u2013 Młyn Pszenica"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(documentTitle("CIT-8 (24)", c.company, c.from, c.to), c.title) << c.title;
}

}  // namespace
}  // namespace citforms::print
