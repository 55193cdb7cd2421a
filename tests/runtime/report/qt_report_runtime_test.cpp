// The Qt report runtime offscreen: progress window, previewer and printing into a PDF file.
#include "runtime/report/qt_report_runtime.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <map>

#include "runtime/preview/qt_previewer.h"
#include "runtime/progress/qt_progress_dialog.h"

namespace citforms::runtime {
namespace {

class MemoryIni : public host::IniManager {
public:
    void init(const std::string&) override {}
    std::string fetch(std::string_view section, std::string_view key,
                      std::string_view fallback) override {
        auto it = values.find(std::string(section) + "/" + std::string(key));
        return it == values.end() ? std::string(fallback) : it->second;
    }
    void update(std::string_view section, std::string_view key, std::string_view value) override {
        values[std::string(section) + "/" + std::string(key)] = std::string(value);
    }
    void kill() override {}
    std::map<std::string, std::string> values;
};

host::PageList threePages() {
    host::PageList pages;
    for (int n = 1; n <= 3; ++n) {
        print::PageContent page;
        page.title = "Test";
        print::BoxItem box;
        box.x = 500;
        box.y = 500;
        box.width = 7000;
        box.height = 10000;
        page.items.emplace_back(box);
        print::TextItem text;
        text.x = 1000;
        text.y = 1000;
        text.text = "Strona " + std::to_string(n);
        page.items.emplace_back(text);
        pages.append(std::move(page));
    }
    return pages;
}

print::ProgressWindow progressWindow() {
    print::ProgressWindow w;
    w.width = 162;
    w.height = 64;
    w.font.face = "MS Sans Serif";
    w.font.points = 8;
    using K = print::ProgressControlKind;
    auto control = [&](K kind, print::Rect at, std::string text = {}) {
        print::ProgressControl c;
        c.number = static_cast<int>(w.controls.size()) + 1;
        c.kind = kind;
        c.at = at;
        c.text = std::move(text);
        w.controls.push_back(c);
    };
    control(K::Bar, {25, 15, 111, 12});
    control(K::Busy, {71, 15, 21, 17});
    control(K::Label, {0, 3, 161, 10});
    control(K::Label, {0, 30, 161, 10});
    control(K::Button, {55, 42, 50, 15}, "Cancel");
    return w;
}

class QtReportRuntimeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (QApplication::instance() == nullptr) {
            static int argc = 1;
            static char name[] = "print_tests";
            static char* argv[] = {name, nullptr};
            // Shared by the tests of the process and never destroyed: Qt must not be torn
            // down by the exit handlers.
            static auto* app = new QApplication(argc, argv);
            (void)app;
        }
    }

    static void whenShown(std::function<void(QWidget&)> act) {
        QTimer::singleShot(0, [act] {
            QWidget* w = QApplication::activeModalWidget();
            if (w == nullptr) {
                ADD_FAILURE() << "no modal window shown";
                return;
            }
            act(*w);
        });
    }

};

TEST_F(QtReportRuntimeTest, ProgressTicksUntilDoneThenCloses) {
    QtReportRuntime runtime;
    auto progress = runtime.openProgress(progressWindow());
    auto* qt = dynamic_cast<QtProgressDialog*>(progress.get());
    ASSERT_NE(qt, nullptr);
    progress->setTitle("Generating Report");
    int ticks = 0;
    progress->exec(
        [&] {
            progress->setProgress(ticks * 50, std::to_string(ticks * 50) + "% Completed");
            return ++ticks < 3;
        },
        [] { return true; });
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(qt->dialog()->windowTitle(), "Generating Report");
    EXPECT_EQ(qt->percentLabel()->text(), "100% Completed");
    EXPECT_EQ(qt->bar()->value(), 100);
    EXPECT_EQ(qt->cancelButton()->text(), "Cancel");
}

TEST_F(QtReportRuntimeTest, CancelAsksWithTheTimerStoppedAndNoGoesOn) {
    QtProgressDialog dialog(progressWindow());
    int ticks = 0;
    int asked = 0;
    int ticksWhileAsking = 0;
    auto cancel = [&] {
        ++asked;
        const int before = ticks;
        QApplication::processEvents();  // a timer still running would tick here
        ticksWhileAsking += ticks - before;
        return asked == 2;  // the first request is answered "no", the second "yes"
    };
    QTimer::singleShot(20, [&] { dialog.cancelButton()->click(); });
    QTimer::singleShot(40, [&] {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(dialog.dialog(), &esc);
    });
    dialog.exec([&] { return ++ticks < 1000000; }, cancel);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(ticksWhileAsking, 0);
    EXPECT_GT(ticks, 1);
    EXPECT_LT(ticks, 1000000) << "the second answer closed the window";
}

TEST_F(QtReportRuntimeTest, PreviewerOpensAtItsZoomNavigatesAndKeepsItsPlace) {
    QtReportRuntime runtime;
    const host::PageList pages = threePages();
    MemoryIni ini;
    bool checked = false;
    whenShown([&](QWidget& w) {
        auto* previewer = dynamic_cast<QtPreviewer*>(&w);
        ASSERT_NE(previewer, nullptr);
        EXPECT_EQ(previewer->pageCount(), 3);
        EXPECT_EQ(previewer->zoom(), 120);
        EXPECT_EQ(previewer->currentPage(), 0);
        EXPECT_FALSE(previewer->previousButton()->isEnabled());
        // A4 at 120 % of 96 dpi.
        EXPECT_NEAR(previewer->pageView()->pixmap().width(), 8268 * 96 * 120 / 100 / 1000, 2);
        previewer->nextButton()->click();
        previewer->nextButton()->click();
        EXPECT_EQ(previewer->currentPage(), 2);
        EXPECT_FALSE(previewer->nextButton()->isEnabled());
        QKeyEvent pageUp(QEvent::KeyPress, Qt::Key_PageUp, Qt::NoModifier);
        QApplication::sendEvent(previewer, &pageUp);
        EXPECT_EQ(previewer->currentPage(), 1);
        previewer->showPage(99);
        EXPECT_EQ(previewer->currentPage(), 2);
        checked = true;
        QTimer::singleShot(0, previewer, [previewer] { previewer->reject(); });
    });
    EXPECT_FALSE(runtime.preview(pages, 120, &ini, "CIT_8_Prn_73"));
    EXPECT_TRUE(checked);
    EXPECT_FALSE(ini.fetch("CIT_8_Prn_73", "Width", "").empty());
    EXPECT_FALSE(ini.fetch("CIT_8_Prn_73", "XPos", "").empty());
}

TEST_F(QtReportRuntimeTest, PrintingIntoAFileRepeatsNothingAndKeepsPagesInOrder) {
    const auto file = std::filesystem::temp_directory_path() /
                      ("runtime-print-" + std::to_string(::getpid()) + ".pdf");
    QtReportRuntime runtime({file.string()});
    EXPECT_FALSE(runtime.printerSupportsCopies()) << "a PDF file makes no copies itself";
    ASSERT_TRUE(runtime.print(threePages(), "Test", 1));
    QProcess text;
    text.start("pdftotext", {QString::fromStdString(file.string()), "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString out = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_LT(out.indexOf("Strona 1"), out.indexOf("Strona 2"));
    EXPECT_LT(out.indexOf("Strona 2"), out.indexOf("Strona 3"));
    EXPECT_EQ(out.count('\f'), 3);
    std::filesystem::remove(file);
    EXPECT_FALSE(runtime.print(host::PageList{}, "Test", 1)) << "nothing to print";
}

TEST(WindowlessRuntimeTest, RunsThePassAndShowsNothing) {
    auto runtime = print::makeWindowlessReportRuntime();
    int ticks = 0;
    runtime->openProgress(print::ProgressWindow{})->exec([&] { return ++ticks < 5; },
                                                         [] { return true; });
    EXPECT_EQ(ticks, 5);
    EXPECT_FALSE(runtime->preview(threePages(), 120, nullptr, "x"));
    EXPECT_FALSE(runtime->print(threePages(), "x", 1));
}

}  // namespace
}  // namespace citforms::runtime
