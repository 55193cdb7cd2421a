#include "runtime/ui/qt_ui.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>
#include <thread>

namespace citforms::runtime {
namespace {

using host::MessageIcon;
using host::MessageRequest;

class QtUiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "qt_ui_test";
            static char* argv[] = {name, nullptr};
            app_ = std::make_unique<QApplication>(argc, argv);
        }
    }

    // Before exit: a QApplication destroyed by the exit handlers crashes.
    static void TearDownTestSuite() { app_.reset(); }

    // Runs `act` on the box as soon as it is shown.
    static void whenShown(std::function<void(QMessageBox&)> act) {
        QTimer::singleShot(0, [act] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                ADD_FAILURE() << "no message box shown";
                return;
            }
            act(*box);
        });
    }

    static std::unique_ptr<QApplication> app_;
};

std::unique_ptr<QApplication> QtUiTest::app_;

TEST_F(QtUiTest, ShowsTheRequestAndAnswersTheClickedButton) {
    QtUi ui;
    QStringList captions;
    QString title;
    QString text;
    QString defaultCaption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenShown([&](QMessageBox& box) {
        for (QAbstractButton* b : box.buttons()) captions << b->text();
        title = box.windowTitle();
        text = box.text();
        icon = box.icon();
        defaultCaption = box.defaultButton() ? box.defaultButton()->text() : QString();
        for (QAbstractButton* b : box.buttons()) {
            if (b->text() == "&Nie") b->click();
        }
    });
    const int answer = ui.message({"Tabrix: Pytanie", "Pierwszy akapit.|Drugi akapit.", "&Tak|&Nie",
                                   MessageIcon::Question, 2});
    EXPECT_EQ(answer, 2);
    EXPECT_EQ(captions, (QStringList{"&Tak", "&Nie"}));
    EXPECT_EQ(title, "Tabrix: Pytanie");
    EXPECT_EQ(text, "Pierwszy akapit.\nDrugi akapit.");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(defaultCaption, "&Nie");
}

TEST_F(QtUiTest, EscapeAnswersTheLastButton) {
    QtUi ui;
    whenShown([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(ui.message({"Tabrix: Ostrzeżenie", "Uwaga", "&Zapisz|&Anuluj", MessageIcon::Warning}),
              2);
}

TEST_F(QtUiTest, AnswersAMessageAskedFromAnotherThread) {
    QtUi ui;
    int answer = 0;
    std::thread worker([&] {
        answer = ui.message({"Tabrix: Informacja", "Z wątku wydruku", "&OK"});
        QMetaObject::invokeMethod(
            QApplication::instance(), [] { QApplication::quit(); }, Qt::QueuedConnection);
    });
    // The worker's box is shown whenever its call reaches this thread; close it then.
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->buttons().front()->click();
    });
    poll.start();
    QApplication::exec();
    worker.join();
    EXPECT_EQ(answer, 1);
}

TEST_F(QtUiTest, BusyCursorNestsAndIsRestored) {
    QtUi ui;
    ui.setBusy(true);
    ui.setBusy(true);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    ui.setBusy(false);
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
    ui.setBusy(false);
    ui.setBusy(false);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ui.busyDepth(), 0);
}

}  // namespace
}  // namespace citforms::runtime
