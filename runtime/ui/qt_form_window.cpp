#include "runtime/ui/qt_form_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QComboBox>
#include <QRadioButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "citforms/host/window_geometry.h"
#include "runtime/render/page_painter.h"

namespace citforms::runtime {

namespace {

// A list entry at least this tall (thousandths of an inch, about three rows) shows its rows.
constexpr int kListViewHeight = 600;

// Thousandths of an inch to pixels of a screen of `dpi`.
int px(int thou, int dpi) { return thou * dpi / 1000; }

QRect pxRect(const host::WindowRect& r, int dpi) {
    return {px(r.x, dpi), px(r.y, dpi), std::max(px(r.width, dpi), 12),
            std::max(px(r.height, dpi), 14)};
}

// One drawn form page under the entries.
class PageCanvas : public QWidget {
public:
    // `width` and `height` (thousandths of an inch) when not the page's: a plain window.
    PageCanvas(const print::PageContent& page, int width, int height) : page_(&page) {
        const int dpi = logicalDpiX();
        setFixedSize(px(width > 0 ? width : page.width(), dpi),
                     px(height > 0 ? height : page.height(), dpi));
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter_.paint(painter, *page_);
    }

private:
    const print::PageContent* page_;
    PagePainter painter_;
};

const char* const kStyle =
    "QLineEdit { border: 1px solid #8080A0; background: #FFFFFF; padding: 0px 2px; }"
    "QLineEdit:focus { background: #FFF3A0; border: 2px solid #2050C0; }"
    "QLineEdit:disabled { background: #EFEFEF; color: #404040; }"
    "QRadioButton:focus { background: #FFF3A0; }";

}  // namespace

QtFormWindowView::QtFormWindowView(const host::WindowRequest& request, QWidget* parent)
    : QDialog(parent != nullptr ? parent : QApplication::activeWindow()),
      request_(request),
      window_(*request.window) {
    const host::WindowModel& model = window_.model();
    setWindowTitle(QString::fromStdString(model.title));
    setObjectName(QString::fromStdString(model.name));
    setStyleSheet(kStyle);
    setSizeGripEnabled(true);

    auto* layout = new QHBoxLayout(this);
    tabs_ = new QTabWidget(this);
    layout->addWidget(tabs_, 1);
    const int dpi = logicalDpiX();
    std::vector<QWidget*> canvases;
    for (const host::PageModel& page : model.pages) {
        auto* canvas = new PageCanvas(page.background, page.width, page.height);
        auto* scroll = new QScrollArea;
        scroll->setWidget(canvas);
        scroll->setAlignment(Qt::AlignHCenter);
        tabs_->addTab(scroll, QString::fromStdString(page.caption));
        canvases.push_back(canvas);
    }

    edits_.assign(model.entries.size(), nullptr);
    radioGroups_.assign(model.entries.size(), nullptr);
    focusTargets_.assign(model.entries.size(), nullptr);
    lists_.assign(model.entries.size(), nullptr);
    checks_.assign(model.entries.size(), nullptr);
    rowLists_.assign(model.entries.size(), nullptr);
    labels_.assign(model.entries.size(), nullptr);
    for (std::size_t i = 0; i < model.entries.size(); ++i) {
        const host::EntryModel& e = model.entries[i];
        QWidget* canvas = canvases.at(static_cast<std::size_t>(e.page));
        const bool plainPage = model.pages.at(static_cast<std::size_t>(e.page)).width != 0;
        if (e.kind == host::EntryKind::Radio && plainPage && e.radios.size() == 2 &&
            e.radios[0].value == "1" && e.radios[1].value == "0") {
            // A yes/no mark of a plain window: no drawn page names its answers, so it is one
            // check box carrying its own text.
            auto* check = new QCheckBox(QString::fromStdString(e.radios[0].text), canvas);
            check->setGeometry(pxRect(e.at, dpi));
            check->installEventFilter(this);
            connect(check, &QCheckBox::toggled, this, [this, i](bool on) {
                if (syncing_) return;
                window_.edit(i, on ? "1" : "0");
                sync();
            });
            checks_[i] = check;
            focusTargets_[i] = check;
            continue;
        }
        if (e.kind == host::EntryKind::Radio) {
            auto* group = new QButtonGroup(this);
            group->setExclusive(false);  // none chosen is a state of its own
            for (const host::RadioChoice& choice : e.radios) {
                auto* radio = new QRadioButton(canvas);
                radio->setGeometry(pxRect(choice.at, dpi).adjusted(-2, -2, 4, 4));
                radio->setProperty("answer", QString::fromStdString(choice.value));
                radio->setToolTip(QString::fromStdString(choice.text));
                radio->installEventFilter(this);
                group->addButton(radio);
                if (focusTargets_[i] == nullptr) focusTargets_[i] = radio;
            }
            connect(group, &QButtonGroup::buttonClicked, this, [this, i](QAbstractButton* b) {
                if (syncing_) return;
                window_.edit(i, b->property("answer").toString().toStdString());
                sync();
            });
            radioGroups_[i] = group;
            continue;
        }
        if (e.kind == host::EntryKind::List && e.at.height >= kListViewHeight) {
            // A list with room for rows shows them; the current row is the entry's value.
            auto* rows = new QListWidget(canvas);
            rows->setGeometry(pxRect(e.at, dpi));
            rows->installEventFilter(this);
            connect(rows, &QListWidget::currentRowChanged, this, [this, i](int row) {
                if (syncing_ || row < 0) return;
                window_.edit(i, std::to_string(row + 1));
                sync();
            });
            rowLists_[i] = rows;
            focusTargets_[i] = rows;
            continue;
        }
        if (e.kind == host::EntryKind::List) {
            auto* list = new QComboBox(canvas);
            list->setGeometry(pxRect(e.at, dpi));
            list->installEventFilter(this);
            connect(list, &QComboBox::activated, this, [this, i](int row) {
                if (syncing_) return;
                window_.edit(i, std::to_string(row + 1));
                sync();
            });
            lists_[i] = list;
            focusTargets_[i] = list;
            continue;
        }
        if (e.label) {
            auto* label = new QLabel(canvas);
            label->setGeometry(pxRect(e.at, dpi));
            labels_[i] = label;
            continue;
        }
        auto* edit = new QLineEdit(canvas);
        edit->setGeometry(pxRect(e.at, dpi));
        edit->setFrame(true);
        const bool number = e.kind == host::EntryKind::Amount || e.kind == host::EntryKind::Whole ||
                            e.kind == host::EntryKind::Count;
        edit->setAlignment(number ? Qt::AlignRight | Qt::AlignVCenter
                                  : Qt::AlignLeft | Qt::AlignVCenter);
        if (e.kind == host::EntryKind::Text || e.kind == host::EntryKind::Count)
            edit->setMaxLength(static_cast<int>(e.capacity));
        edit->setReadOnly(e.kind == host::EntryKind::Display);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::editingFinished, this, [this, i] {
            if (!syncing_) accepted(i);
        });
        if (e.kind == host::EntryKind::Date) {
            auto* calendar = new QToolButton(canvas);
            calendar->setText(QStringLiteral("…"));
            const QRect r = edit->geometry();
            calendar->setGeometry(r.right() + 2, r.top(), r.height(), r.height());
            calendar->setFocusPolicy(Qt::NoFocus);
            connect(calendar, &QToolButton::clicked, this, [this, i] {
                window_.pickDate(i);
                sync();
            });
        }
        edits_[i] = edit;
        focusTargets_[i] = edit;
    }

    auto* panel = new QVBoxLayout;
    layout->addLayout(panel);
    for (std::size_t b = 0; b < model.buttons.size(); ++b) {
        const host::ButtonModel& m = model.buttons[b];
        const QString caption = QString::fromStdString(m.caption);
        QPushButton* button = nullptr;
        if (m.page < 0) {
            if (!m.shortcut.empty()) {
                auto* label = new QLabel(QString::fromStdString(m.shortcut));
                label->setAlignment(Qt::AlignHCenter);
                label->setStyleSheet("color: #404080; font-size: 8pt;");
                panel->addWidget(label);
            }
            button = new QPushButton(caption);
            button->setAutoDefault(false);
            panel->addWidget(button);
            if (!m.shortcut.empty() && m.shortcut != "Esc") {
                const QKeySequence keys(QString::fromStdString(m.shortcut));
                shortcuts_.push_back(keys);
                auto* shortcut = new QShortcut(keys, this);
                connect(shortcut, &QShortcut::activated, this, [this, b] { pressed(b); });
            }
        } else {
            button = new QPushButton(caption, canvases.at(static_cast<std::size_t>(m.page)));
            button->setGeometry(pxRect(m.at, dpi));
            button->setAutoDefault(false);
            button->setFocusPolicy(Qt::NoFocus);
        }
        connect(button, &QPushButton::clicked, this, [this, b] { pressed(b); });
        buttons_.push_back(button);
    }
    panel->addStretch(1);
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int page) {
        if (!syncing_) window_.showPage(page);
    });

    if (!model.pages.empty() && model.pages[0].width > 0) {
        // A plain window: its page and the panel.
        resize(px(model.pages[0].width, dpi) + 200, px(model.pages[0].height, dpi) + 60);
    } else {
        resize(std::min(1100, px(print::PageContent::kA4Width, dpi) + 220), 800);
    }
    if (request_.ini != nullptr) {
        if (auto g = host::loadWindowGeometry(*request_.ini, model.name)) {
            setGeometry(g->x, g->y, g->width, g->height);
            if (g->maximised) setWindowState(windowState() | Qt::WindowMaximized);
        }
    }
    if (request_.maximise) setWindowState(windowState() | Qt::WindowMaximized);
    sync();
    const std::size_t focus = window_.firstFocus();
    if (focus < focusTargets_.size() && focusTargets_[focus] != nullptr)
        focusTargets_[focus]->setFocus();
}

QtFormWindowView::~QtFormWindowView() {
    // The dialog deletes the entries after this part of the object is gone, and an entry that
    // loses its focus then still finishes its editing: no signal may reach the handlers here.
    for (QObject* child : findChildren<QObject*>()) QObject::disconnect(child, nullptr, this, nullptr);
}

QLineEdit* QtFormWindowView::lineEdit(std::size_t index) const { return edits_.at(index); }

void QtFormWindowView::sync() {
    syncing_ = true;
    const host::WindowModel& model = window_.model();
    for (std::size_t i = 0; i < model.entries.size(); ++i) {
        const bool enabled = window_.entryEnabled(i);
        const bool visible = window_.entryVisible(i);
        if (QLabel* label = labels_[i]) {
            label->setText(QString::fromStdString(window_.display(i)));
            label->setVisible(visible);
            continue;
        }
        if (focusTargets_[i] != nullptr) focusTargets_[i]->setVisible(visible);
        if (QLineEdit* edit = edits_[i]) {
            const QString shown = QString::fromStdString(window_.display(i));
            if (edit->text() != shown) edit->setText(shown);
            edit->setCursorPosition(0);
            if (model.entries[i].kind != host::EntryKind::Display) edit->setEnabled(enabled);
        } else if (QComboBox* list = lists_[i]) {
            QStringList items;
            for (const std::string& item : window_.listItems(i)) items << QString::fromStdString(item);
            QStringList shownItems;
            for (int r = 0; r < list->count(); ++r) shownItems << list->itemText(r);
            if (shownItems != items) {
                list->clear();
                list->addItems(items);
            }
            list->setCurrentIndex(list->findText(QString::fromStdString(window_.display(i))));
            list->setEnabled(enabled);
        } else if (QListWidget* rows = rowLists_[i]) {
            QStringList items;
            for (const std::string& item : window_.listItems(i)) items << QString::fromStdString(item);
            QStringList shownItems;
            for (int r = 0; r < rows->count(); ++r)
                shownItems << rows->item(r)->data(Qt::UserRole).toString();
            if (shownItems != items) {
                rows->clear();
                for (const QString& text : items) {
                    // A row marked "[x] " or "[ ] " (a chooser's rows) shows a check box; the
                    // window's own key or button toggles it.
                    auto* item = new QListWidgetItem(rows);
                    item->setData(Qt::UserRole, text);
                    const bool marked = text.startsWith("[x] ");
                    if (marked || text.startsWith("[ ] ")) {
                        item->setText(text.mid(4));
                        item->setData(Qt::CheckStateRole, marked ? Qt::Checked : Qt::Unchecked);
                    } else {
                        item->setText(text);
                    }
                }
            }
            const QString current = QString::fromStdString(window_.display(i));
            int row = -1;
            for (int r = 0; r < rows->count() && row < 0; ++r)
                if (rows->item(r)->data(Qt::UserRole).toString() == current) row = r;
            rows->setCurrentRow(row);
            rows->setEnabled(enabled);
        } else if (QCheckBox* check = checks_[i]) {
            check->setChecked(window_.display(i) == "1");
            check->setEnabled(enabled);
        } else if (QButtonGroup* group = radioGroups_[i]) {
            const QString answer = QString::fromStdString(window_.display(i));
            for (QAbstractButton* b : group->buttons()) {
                b->setChecked(b->property("answer").toString() == answer);
                b->setEnabled(enabled);
                b->setVisible(visible);
            }
        }
    }
    for (std::size_t b = 0; b < buttons_.size(); ++b) buttons_[b]->setEnabled(window_.buttonEnabled(b));
    if (tabs_->currentIndex() != window_.page()) tabs_->setCurrentIndex(window_.page());
    syncing_ = false;
    if (window_.finished() && isVisible()) {
        storeGeometry();
        done(window_.result());
    }
}

void QtFormWindowView::accepted(std::size_t entry) {
    QLineEdit* edit = edits_[entry];
    if (edit == nullptr || edit->isReadOnly()) return;
    if (accepting_) return;
    if (edit->text().toStdString() == window_.display(entry)) return;  // nothing typed
    accepting_ = true;
    window_.edit(entry, edit->text().toStdString());
    accepting_ = false;
    sync();
}

void QtFormWindowView::pressed(std::size_t button) {
    if (!window_.buttonEnabled(button)) return;
    // What is typed in the entry with the focus counts before the button acts.
    for (std::size_t i = 0; i < edits_.size(); ++i)
        if (edits_[i] != nullptr && edits_[i]->hasFocus()) accepted(i);
    window_.press(button);
    sync();
    // An action may ask for the cursor on a position ("Sprawdź"): its page is shown by now.
    if (const auto focus = window_.takeFocusRequest();
        focus && *focus < focusTargets_.size() && focusTargets_[*focus] != nullptr)
        focusTargets_[*focus]->setFocus(Qt::OtherFocusReason);
}

void QtFormWindowView::moveFocus(std::size_t from, int step) {
    const std::size_t n = focusTargets_.size();
    for (std::size_t k = 1; k < n; ++k) {
        const std::size_t index = step > 0 ? (from + k) % n : (from + n - k) % n;
        QWidget* target = focusTargets_[index];
        if (target == nullptr || !window_.entryEnabled(index)) continue;
        const int page = window_.model().entries[index].page;
        if (page != window_.page()) {
            window_.showPage(page);
            sync();
        }
        // The focus-in tells the window (an amount has the host select it); other entries
        // show their text selected so that typing replaces it.
        target->setFocus(Qt::TabFocusReason);
        const host::EntryKind kind = window_.model().entries[index].kind;
        if (kind != host::EntryKind::Amount && kind != host::EntryKind::Whole) {
            if (auto* edit = qobject_cast<QLineEdit*>(target)) edit->selectAll();
        }
        return;
    }
}

bool QtFormWindowView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // A line entry takes Ctrl+U, Ctrl+D … for its own editing (Ctrl+U empties it on X11):
        // the window's keys must press their buttons instead, never change what is typed.
        // Plain editing keys (Del, Home, PgUp …) stay the entry's: only a combination with
        // Ctrl or Alt, or a function key, is the window's.
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool windowKey = (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) ||
                               (key->key() >= Qt::Key_F1 && key->key() <= Qt::Key_F35);
        const QKeySequence pressed(key->keyCombination());
        for (const QKeySequence& own : windowKey ? shortcuts_ : std::vector<QKeySequence>{}) {
            if (own.matches(pressed) == QKeySequence::ExactMatch) {
                event->ignore();
                return true;
            }
        }
    }
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool byKeyboard =
            reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
        if (byKeyboard || reason == Qt::MouseFocusReason) {
            for (std::size_t i = 0; i < edits_.size(); ++i) {
                if (edits_[i] == watched) window_.entered(i, byKeyboard);
            }
        }
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        int step = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
            key->key() == Qt::Key_Down)
            step = 1;
        else if (key->key() == Qt::Key_Up)
            step = -1;
        if (step != 0) {
            for (std::size_t i = 0; i < focusTargets_.size(); ++i) {
                const bool inRadioGroup =
                    radioGroups_[i] != nullptr &&
                    radioGroups_[i]->buttons().contains(qobject_cast<QAbstractButton*>(watched));
                if (focusTargets_[i] != watched && !inRadioGroup) continue;
                if (edits_[i] != nullptr) accepted(i);
                moveFocus(i, step);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void QtFormWindowView::reject() {
    // Esc and the close box: the window's own close (it may ask whether to save).
    if (window_.requestClose()) {
        storeGeometry();
        done(window_.result());
    } else {
        sync();
    }
}

void QtFormWindowView::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void QtFormWindowView::storeGeometry() {
    if (request_.ini == nullptr) return;
    const QRect g = geometry();
    host::storeWindowGeometry(*request_.ini, window_.model().name,
                              {g.x(), g.y(), g.width(), g.height(), isMaximized()});
}

std::vector<QImage> QtFormWindowView::grabPages() {
    std::vector<QImage> images;
    const int shown = window_.page();
    for (int p = 0; p < tabs_->count(); ++p) {
        window_.showPage(p);
        sync();
        QApplication::processEvents();
        images.push_back(grab().toImage());
    }
    window_.showPage(shown);
    sync();
    return images;
}

}  // namespace citforms::runtime
