// The generated CIT-8 (24) window as real Qt widgets (offscreen): entries over the drawn pages,
// keyboard order across pages, typed amounts reaching the field set, and, with
// CITFORMS_SCREENSHOT_DIR set, one PNG per page.
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollArea>
#include <QTabWidget>
#include <QTextLayout>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "citforms/print/layout_catalogue.h"
#include "citforms/store/declaration_fields.h"
#include "citforms/windows/form_window.h"
#include "runtime/render/page_painter.h"
#include "runtime/ui/qt_form_window.h"

namespace citforms::runtime {
namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "form_window_view_test";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// The generated window `name` over the form of `fields` it names.
std::optional<windows::FormWindowLayout> generate(const char* name,
                                                  const store::DeclarationFields& fields) {
    auto declaration = windows::builtInWindow(name);
    EXPECT_TRUE(declaration) << declaration.error();
    if (!declaration) return std::nullopt;
    auto layout = windows::windowLayout(*declaration);
    EXPECT_TRUE(layout) << layout.error();
    if (!layout) return std::nullopt;
    auto built = windows::buildFormWindow(*declaration, *fields.find(declaration->form)->def,
                                          *layout);
    EXPECT_TRUE(built) << built.error();
    if (!built) return std::nullopt;
    return std::move(*built);
}

// With CITFORMS_SCREENSHOT_DIR set, one PNG a page: <dir>/<name>_page<n>.png.
void saveScreenshots(QtFormWindowView& view, const std::string& name) {
    const char* dir = std::getenv("CITFORMS_SCREENSHOT_DIR");
    if (dir == nullptr) return;
    view.resize(1100, 1250);
    const auto pages = view.grabPages();
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const std::string file =
            std::string(dir) + "/" + name + "_page" + std::to_string(p + 1) + ".png";
        EXPECT_TRUE(pages[p].save(QString::fromStdString(file)));
    }
}

struct Cit8Window : ::testing::Test {
    void SetUp() override {
        app();
        fields.main()[31].setText("1234.5");
        fields.main()[7].setText("1");
        auto built = generate("CIT_8_73", fields);
        ASSERT_TRUE(built);
        generated = std::move(*built);
        window = std::make_unique<windows::FormWindow>(generated, fields.main(),
                                                       windows::WindowContext{});
        view = std::make_unique<QtFormWindowView>(host::WindowRequest{window.get(), nullptr, false});
        view->show();
        QApplication::processEvents();
    }
    void key(QWidget* target, int code) {
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QApplication::processEvents();
    }

    store::DeclarationFields fields{73};
    windows::FormWindowLayout generated;
    std::unique_ptr<windows::FormWindow> window;
    std::unique_ptr<QtFormWindowView> view;
};

TEST_F(Cit8Window, EntersAndMovesThroughThePagesByKeyboard) {
    ASSERT_EQ(view->tabs()->count(), 4);
    const std::size_t first = window->firstFocus();
    EXPECT_EQ(generated.model.entries[first].field, 6);
    QLineEdit* office = view->lineEdit(first);
    ASSERT_NE(office, nullptr);
    EXPECT_TRUE(office->hasFocus());

    // Enter leaves the tax office for the next entry in keyboard order; Up comes back.
    key(office, Qt::Key_Return);
    EXPECT_FALSE(office->hasFocus());
    key(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_TRUE(office->hasFocus());

    // Field 31 is on page 2: its entry shows the amount through its picture; what is typed
    // and accepted with Enter reaches the field set, and the focus moves on within page 2.
    const std::size_t revenue = window->entryOf(31);
    QLineEdit* edit = view->lineEdit(revenue);
    EXPECT_EQ(edit->text().toStdString(), "1 234,50");
    window->showPage(1);
    view->sync();
    edit->setFocus();
    edit->setText("2 000,10");
    key(edit, Qt::Key_Return);
    EXPECT_EQ(fields.main()[31].amount().grosze(), 200010);
    EXPECT_EQ(view->tabs()->currentIndex(), 1);

    saveScreenshots(*view, "CIT_8_73");
}

// A button whose action asks for the cursor on a position ("Sprawdź" and a chosen item):
// the view shows that position's page and gives its entry the focus.
TEST_F(Cit8Window, AnActionPutsTheCursorOnThePositionItAsksFor) {
    window->setHandler("check", [](windows::FormWindow& w) { EXPECT_TRUE(w.focusField(52)); });
    QAbstractButton* check = nullptr;
    for (QAbstractButton* b : view->findChildren<QAbstractButton*>())
        if (b->text().startsWith("Sprawdź")) check = b;
    ASSERT_NE(check, nullptr);
    check->click();
    QApplication::processEvents();
    EXPECT_EQ(view->tabs()->currentIndex(), 1);
    EXPECT_TRUE(view->lineEdit(window->entryOf(52))->hasFocus());
    EXPECT_FALSE(window->takeFocusRequest()) << "asked once, taken once";
}

// The CIT-ST window on its own three pages: the header typed on the first, the branches a
// table of 17 columns on the second (a row chosen there is the entry's value), the statement
// on the third.
TEST(CitStWindow, ShowsItsThreePagesAndTheBranchesAsATable) {
    app();
    store::DeclarationFields fields{201};
    store::FieldSet& values = fields.form("CIT-ST-window");
    values[7].setText("Urząd Skarbowy Poznań-Jeżyce");
    auto built = generate("CIT_ST_201", fields);
    ASSERT_TRUE(built);
    windows::FormWindow window(*built, values, windows::WindowContext{});
    window.setListRows(26, [] {
        return std::vector<std::string>{"5\tMłyn Leszno\tZakład Mielenia Zbóż w Lesznie",
                                        "7\tSkład Gniezno\tSkład Zbożowy w Gnieźnie"};
    });
    QtFormWindowView view(host::WindowRequest{&window, nullptr, false});
    view.show();
    QApplication::processEvents();
    ASSERT_EQ(view.tabs()->count(), 3);
    EXPECT_EQ(view.tabs()->tabText(1).toStdString(), "&2) Liczba zatrudnionych w oddziałach");
    EXPECT_EQ(view.lineEdit(window.entryOf(7))->text().toStdString(), "Urząd Skarbowy Poznań-Jeżyce");
    auto* table = view.findChild<QTreeWidget*>();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columnCount(), 17);
    ASSERT_EQ(table->topLevelItemCount(), 2);
    EXPECT_EQ(table->topLevelItem(1)->text(2).toStdString(), "Skład Zbożowy w Gnieźnie");
    table->setCurrentItem(table->topLevelItem(1));
    QApplication::processEvents();
    EXPECT_EQ(values[26].text(), "2");
    saveScreenshots(view, "CIT_ST_201");
}

// The windows of the older editions as widgets: their four pages, the advance-fill buttons on
// page 3; with CITFORMS_SCREENSHOT_DIR set, one PNG per page.
TEST(OlderCit8Windows, ShowTheirPages) {
    app();
    for (const auto& [name, templateId] : {std::pair{"CIT_8_72", 72}, std::pair{"CIT_8_70", 70}}) {
        store::DeclarationFields fields(templateId);
        auto declaration = windows::builtInWindow(name);
        ASSERT_TRUE(declaration) << declaration.error();
        auto layout = windows::windowLayout(*declaration);
        ASSERT_TRUE(layout) << layout.error();
        auto built = windows::buildFormWindow(*declaration, *fields.find("CIT-8")->def, *layout);
        ASSERT_TRUE(built) << built.error();
        windows::FormWindow window(*built, fields.main(), windows::WindowContext{});
        QtFormWindowView view(host::WindowRequest{&window, nullptr, false});
        view.show();
        QApplication::processEvents();
        EXPECT_EQ(view.tabs()->count(), 4) << name;
        int fills = 0;
        for (const host::ButtonModel& b : built->model.buttons)
            if (b.caption.starts_with("Wypełnij") && b.page == 2) ++fills;
        EXPECT_EQ(fills, 2) << name;
        if (const char* dir = std::getenv("CITFORMS_SCREENSHOT_DIR")) {
            view.resize(1100, 1250);
            const auto pages = view.grabPages();
            for (std::size_t p = 0; p < pages.size(); ++p) {
                const std::string file = std::string(dir) + "/" + name + "_page" +
                                         std::to_string(p + 1) + ".png";
                EXPECT_TRUE(pages[p].save(QString::fromStdString(file)));
            }
        }
    }
}

// The height a wrapped text's lines take on the screen, laid out as the page painter lays
// them out (thousandths of an inch).
double wrappedHeightOnScreen(const print::TextItem& t) {
    const QFont font = pageFont(t.font);
    const QFontMetricsF metrics(font);
    QTextLayout layout(QString::fromStdString(t.text), font);
    double height = -metrics.leading();
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(*t.width);
        height = std::ceil(height + metrics.leading());
        line.setPosition(QPointF(0, height));
        height += line.ascent() + line.descent();
    }
    layout.endLayout();
    return height;
}

// The room a window page gives a wrapped text (as its engine estimates the lines) holds the
// lines the screen draws: the engine's estimate never falls short of the real font.
TEST(FormWindowGeometry, WrappedTextsGetTheRoomTheirLinesTakeOnScreen) {
    app();
    int checked = 0;
    const std::pair<const char*, int> windows[] = {
        {"CIT_8_73", 73}, {"CIT_O_73", 73}, {"CIT_BR_73", 73}, {"CIT_D_72", 72},
        {"CIT_8_72", 72}, {"CIT_O_70", 70}, {"CIT_ST_201", 201}, {"CIT_2_35", 35},
        {"CIT_2", 3}};
    for (const auto& [name, templateId] : windows) {
        store::DeclarationFields fields(templateId);
        auto built = generate(name, fields);
        ASSERT_TRUE(built) << name;
        for (const host::PageModel& page : built->model.pages)
            for (const print::PageItem& item : page.background.items) {
                const auto* t = std::get_if<print::TextItem>(&item);
                if (t == nullptr || !t->wrap || !t->width || t->text.empty()) continue;
                ++checked;
                EXPECT_LE(wrappedHeightOnScreen(*t), windows::textExtent(*t).height)
                    << name << ": \"" << t->text << "\"";
            }
    }
    EXPECT_GT(checked, 100);
}

// Every form window at its opening size on a 1366×768 screen: it fits, its panel leaves the
// pages their width (a long caption such as the CIT-2's service function wraps), so no value
// box is cut at the page's right edge, and the CIT-8's small captions of positions 97 to 142
// are not covered by their entries.
TEST(FormWindowGeometry, EveryWindowFitsASmallScreenAndShowsEveryBox) {
    app();
    const std::pair<const char*, int> windows[] = {
        {"CIT_8_73", 73}, {"CIT_O_73", 73}, {"CIT_BR_73", 73}, {"CIT_ORDZU", 73},
        {"CIT_D_72", 72}, {"CIT_D_70", 70}, {"CIT_8_72", 72}, {"CIT_O_72", 72},
        {"CIT_8_70", 70}, {"CIT_O_70", 70}, {"CIT_ST_201", 201}, {"CIT_2_35", 35},
        {"CIT_O_35", 35}, {"CIT_O", 3},     {"CIT_2", 3},      {"CIT_2_31", 31},
        {"CIT_O_31", 31}, {"CIT_2_34", 34}};
    for (const auto& [name, templateId] : windows) {
        store::DeclarationFields fields(templateId);
        auto built = generate(name, fields);
        ASSERT_TRUE(built) << name;
        store::FieldSet& set = fields.form(built->declaration.form);
        windows::FormWindow window(*built, set, windows::WindowContext{});
        QtFormWindowView view(host::WindowRequest{&window, nullptr, false});
        view.show();
        QApplication::processEvents();
        EXPECT_LE(view.width(), 1366) << name;
        EXPECT_LE(view.height(), 768 - 60) << name << ": room for the title and task bars";
        for (int p = 0; p < view.tabs()->count(); ++p) {
            view.tabs()->setCurrentIndex(p);
            QApplication::processEvents();
            const auto* scroll = qobject_cast<QScrollArea*>(view.tabs()->widget(p));
            ASSERT_NE(scroll, nullptr);
            EXPECT_GE(scroll->viewport()->width(), scroll->widget()->width())
                << name << " page " << p + 1 << ": the page's right edge is cut off";
        }
        if (std::string(name) != "CIT_8_73") continue;
        for (const int field : {97, 120, 142}) {
            const host::EntryModel& e = built->model.entries[window.entryOf(field)];
            const std::string caption = std::to_string(field) + ". ";
            for (const print::PageItem& item : built->model.pages[3].background.items) {
                const auto* text = std::get_if<print::TextItem>(&item);
                if (text == nullptr || !text->text.starts_with(caption)) continue;
                EXPECT_GE(e.at.y, text->y + text->font.points * 1000 / 72)
                    << "position " << field << " covers its caption";
            }
        }
    }
}

}  // namespace
}  // namespace citforms::runtime
