// A plain window (the parameters window) as real Qt widgets (offscreen): its lists are combo
// boxes that follow the rows the controller holds, and a row chosen reaches the controller.
// With CITFORMS_SCREENSHOT_DIR set, a PNG of the window.
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QComboBox>
#include <gtest/gtest.h>

#include "citforms/windows/plain_documents.h"
#include "runtime/ui/qt_form_window.h"

namespace citforms::runtime {
namespace {

TEST(PlainWindowView, ListsFollowTheControllerAndTakeAChoice) {
    if (QApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "runtime_tests";
        static char* argv[] = {name, nullptr};
        static auto* app = new QApplication(argc, argv);  // never torn down
        (void)app;
    }
    auto doc = windows::builtInDialog("Param_CIT2");
    ASSERT_TRUE(doc) << doc.error();
    host::PlainWindow window(std::move(*doc));
    window.setRows("KR", {{"1", "2015"}, {"2", "2016"}});
    window.chooseRow("KR", 1);
    int changes = 0;
    window.onChange("KR", [&] { ++changes; });

    QtFormWindowView view(host::WindowRequest{&window, nullptr, false});
    view.show();
    QApplication::processEvents();
    const auto lists = view.findChildren<QComboBox*>();
    ASSERT_EQ(lists.size(), 4);  // fiscal year, period, copy source, edition
    QComboBox* years = lists[0];
    ASSERT_EQ(years->count(), 2);
    EXPECT_EQ(years->currentText(), QStringLiteral("2016"));
    EXPECT_EQ(lists[3]->count(), 3);  // the editions of the document

    emit years->activated(0);
    EXPECT_EQ(window.value("KR"), "1");
    EXPECT_EQ(changes, 1);

    window.setRows("KR", {{"7", "2017"}});
    view.sync();
    EXPECT_EQ(years->count(), 1);
    EXPECT_EQ(years->currentText(), QStringLiteral("2017"));

    if (const char* dir = std::getenv("CITFORMS_SCREENSHOT_DIR")) {
        view.grab().save(QString::fromUtf8(dir) + "/Param_CIT2.png");
    }
}

}  // namespace
}  // namespace citforms::runtime
