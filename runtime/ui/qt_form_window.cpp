#include "runtime/ui/qt_form_window.h"

#include <array>

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
#include <QHeaderView>
#include <QListWidget>
#include <QTreeWidget>
#include <QFontMetrics>
#include <QGridLayout>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QPointer>
#include <QPushButton>
#include <QComboBox>
#include <QRadioButton>
#include <QScrollArea>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "citforms/host/window_geometry.h"
#include "runtime/render/page_painter.h"

namespace citforms::runtime {

namespace {

// The zooms of the page view, in per cent.
constexpr std::array<int, 11> kZoomSteps{50, 67, 75, 80, 90, 100, 110, 125, 150, 175, 200};

// The right-hand panel's width in pixels.
constexpr int kPanelWidth = 150;
// A form window's height at most, so that it fits a 1366×768 screen with the title bar and
// the task bar; the pages scroll within it.
constexpr int kFittingHeight = 680;

// `caption` broken at blanks into lines no wider than `width` pixels of the button font.
QString wrappedCaption(const QString& caption, int width) {
    const QFontMetrics metrics(QApplication::font("QPushButton"));
    if (metrics.horizontalAdvance(caption) <= width) return caption;
    QStringList lines;
    QString line;
    for (const QString& word : caption.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty()) lines << line;
    return lines.join(QLatin1Char('\n'));
}

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
        base_ = QSize(px(width > 0 ? width : page.width(), dpi),
                      px(height > 0 ? height : page.height(), dpi));
        setFixedSize(base_);
        setAutoFillBackground(true);
        QPalette p = palette();
        p.setColor(QPalette::Window, Qt::white);
        setPalette(p);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.scale(zoom_, zoom_);
        painter_.paint(painter, *page_);
    }

public:
    QSize baseSize() const { return base_; }
    void setZoom(double zoom) {
        zoom_ = zoom;
        setFixedSize(qRound(base_.width() * zoom), qRound(base_.height() * zoom));
        update();
    }

private:
    const print::PageContent* page_;
    QSize base_;
    double zoom_ = 1.0;
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
    auto* pagesColumn = new QVBoxLayout;
    layout->addLayout(pagesColumn, 1);
    const bool formPages = !model.pages.empty() && model.pages[0].width == 0;
    QWidget* zoomBox = nullptr;  // at the panel's foot
    if (formPages) {
        // The page view's zoom: smaller, 100 %, larger, fit to the width.
        zoomBox = new QWidget(this);
        auto* bar = new QGridLayout(zoomBox);
        bar->setContentsMargins(0, 0, 0, 0);
        const struct {
            const char* caption;
            const char* keys;
            const char* tip;
            int step;  // -1 smaller, 0: 100 %, 1 larger, 2 fit to the width
        } zoomButtons[] = {{"−", "Ctrl+-", "Pomniejsz (Ctrl+-)", -1},
                           {"100 %", "Ctrl+0", "Rozmiar rzeczywisty (Ctrl+0)", 0},
                           {"+", "Ctrl+=", "Powiększ (Ctrl+=)", 1},
                           {"Dopasuj do szerokości", "Ctrl+9", "Dopasuj do szerokości (Ctrl+9)", 2}};
        int column = 0;
        for (const auto& z : zoomButtons) {
            auto* b = new QToolButton(zoomBox);
            b->setText(QString::fromUtf8(z.caption));
            b->setToolTip(QString::fromUtf8(z.tip));
            b->setFocusPolicy(Qt::NoFocus);
            if (z.step == 2) {
                b->setText(QStringLiteral("Dopasuj"));
                bar->addWidget(b, 1, 0, 1, 3);
            } else {
                bar->addWidget(b, 0, column++);
            }
            const int step = z.step;
            connect(b, &QToolButton::clicked, this, [this, step] { zoomStep(step); });
            const QKeySequence keys(QString::fromLatin1(z.keys));
            shortcuts_.push_back(keys);
            auto* shortcut = new QShortcut(keys, this);
            connect(shortcut, &QShortcut::activated, this, [this, step] { zoomStep(step); });
        }
        zoomLabel_ = new QLabel(zoomBox);
        zoomLabel_->setAlignment(Qt::AlignHCenter);
        bar->addWidget(zoomLabel_, 2, 0, 1, 3);
    }
    tabs_ = new QTabWidget(this);
    pagesColumn->addWidget(tabs_, 1);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setStyleSheet("color: #603000;");
    status_->setVisible(false);
    pagesColumn->addWidget(status_);
    const int dpi = logicalDpiX();
    std::vector<QWidget*> canvases;
    for (const host::PageModel& page : model.pages) {
        auto* canvas = new PageCanvas(page.background, page.width, page.height);
        auto* scroll = new QScrollArea;
        scroll->setWidget(canvas);
        scroll->setAlignment(Qt::AlignHCenter);
        tabs_->addTab(scroll, QString::fromStdString(page.caption));
        canvases.push_back(canvas);
        canvases_.push_back(canvas);
    }

    edits_.assign(model.entries.size(), nullptr);
    radioGroups_.assign(model.entries.size(), nullptr);
    focusTargets_.assign(model.entries.size(), nullptr);
    lists_.assign(model.entries.size(), nullptr);
    checks_.assign(model.entries.size(), nullptr);
    rowLists_.assign(model.entries.size(), nullptr);
    tables_.assign(model.entries.size(), nullptr);
    labels_.assign(model.entries.size(), nullptr);
    texts_.assign(model.entries.size(), nullptr);
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
        if (e.kind == host::EntryKind::List && !e.columns.empty()) {
            // A list with columns (the CIT-ST's branches): a table, a row the entry's value.
            auto* table = new QTreeWidget(canvas);
            table->setGeometry(pxRect(e.at, dpi));
            table->setRootIsDecorated(false);
            table->setUniformRowHeights(true);
            table->setAlternatingRowColors(true);
            QStringList captions;
            for (const std::string& c : e.columns) captions << QString::fromStdString(c);
            table->setHeaderLabels(captions);
            table->header()->setStretchLastSection(false);
            table->installEventFilter(this);
            connect(table, &QTreeWidget::currentItemChanged, this,
                    [this, i, table](QTreeWidgetItem* item) {
                        if (syncing_ || item == nullptr) return;
                        window_.edit(i, std::to_string(table->indexOfTopLevelItem(item) + 1));
                        sync();
                    });
            tables_[i] = table;
            focusTargets_[i] = table;
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
        if (e.kind == host::EntryKind::Text && e.multiLine) {
            // A long text (the ORD-ZU justification): lines wrap, Enter starts a new one, and
            // a counter tells how many characters are left. It is accepted when it is left.
            const QRect r = pxRect(e.at, dpi);
            auto* text = new QPlainTextEdit(canvas);
            text->setGeometry(r.adjusted(0, 0, 0, -18));
            text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            text->setTabChangesFocus(true);
            text->installEventFilter(this);
            auto* counter = new QLabel(canvas);
            counter->setGeometry(r.left(), r.bottom() - 16, r.width(), 16);
            counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            const auto capacity = static_cast<qsizetype>(e.capacity);
            auto count = [text, counter, capacity] {
                const qsizetype left = capacity - text->toPlainText().size();
                counter->setText(QStringLiteral("Pozostało znaków: %1").arg(left));
                counter->setStyleSheet(left < 0 ? "color: #B00000;" : "color: #404040;");
            };
            connect(text, &QPlainTextEdit::textChanged, this, count);
            count();
            texts_[i] = text;
            focusTargets_[i] = text;
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

    // The panel keeps one width: a long caption is wrapped onto more lines, so the pages keep
    // their room and their right edge.
    // On a low screen the panel scrolls rather than making the window taller than the screen.
    auto* panelWidget = new QWidget;
    auto* panel = new QVBoxLayout(panelWidget);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(2);
    auto* panelScroll = new QScrollArea(this);
    panelScroll->setWidget(panelWidget);
    panelScroll->setWidgetResizable(true);
    panelScroll->setFrameShape(QFrame::NoFrame);
    panelScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    panelScroll->setFixedWidth(kPanelWidth);
    panelScroll->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(panelScroll);
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
            button = new QPushButton(wrappedCaption(caption, kPanelWidth - 34));
            button->setToolTip(caption);
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
    if (zoomBox != nullptr) panel->addWidget(zoomBox);
    // What lies on the pages, at 100 %: the zoom scales it from there.
    for (QWidget* canvas : canvases)
        for (QWidget* child : canvas->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            placed_.push_back({child, child->geometry(), child->font().pointSizeF()});
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int page) {
        if (!syncing_) window_.showPage(page);
    });

    if (!model.pages.empty() && model.pages[0].width > 0) {
        // A plain window: its page and the panel.
        resize(px(model.pages[0].width, dpi) + 200, px(model.pages[0].height, dpi) + 60);
    } else {
        resize(std::min(1100, px(print::PageContent::kA4Width, dpi) + kPanelWidth + 140),
               kFittingHeight);
    }
    if (request_.ini != nullptr) {
        if (auto g = host::loadWindowGeometry(*request_.ini, model.name)) {
            // A size kept from a larger screen is cut to this one's.
            const QRect screenRect = screen() != nullptr ? screen()->availableGeometry()
                                                         : QRect(0, 0, g->width, g->height);
            setGeometry(g->x, g->y, std::min(g->width, screenRect.width()),
                        std::min(g->height, screenRect.height()));
            if (g->maximised) setWindowState(windowState() | Qt::WindowMaximized);
        }
    }
    if (request_.maximise) setWindowState(windowState() | Qt::WindowMaximized);
    if (formPages) {
        const std::string kept =
            request_.ini != nullptr ? request_.ini->fetch(model.name, "Zoom") : std::string();
        if (kept == "fit") {
            fitWidth_ = true;
        } else if (const int percent = QString::fromStdString(kept).toInt();
                   percent >= kZoomSteps.front() && percent <= kZoomSteps.back()) {
            zoom_ = percent / 100.0;
        } else {
            // No zoom kept: 100 %, unless a page (a landscape one) is wider than the window
            // has room for; then the pages fit its width.
            int widest = 0;
            for (QWidget* c : canvases_)
                widest = std::max(widest, static_cast<PageCanvas*>(c)->baseSize().width());
            fitWidth_ = widest > width() - kPanelWidth - 80;
        }
        applyZoom();
    }
    // The window may be opened at an entry (an item of the check): its page is shown by sync.
    const std::size_t focus = window_.takeFocusRequest().value_or(window_.firstFocus());
    sync();
    if (focus < focusTargets_.size() && focusTargets_[focus] != nullptr)
        focusTargets_[focus]->setFocus();
}

QtFormWindowView::~QtFormWindowView() {
    // The dialog deletes the entries after this part of the object is gone, and an entry that
    // loses its focus then still finishes its editing: no signal may reach the handlers here.
    for (QObject* child : findChildren<QObject*>()) QObject::disconnect(child, nullptr, this, nullptr);
    syncing_ = true;  // nor may a long text losing its focus now
}

QLineEdit* QtFormWindowView::lineEdit(std::size_t index) const { return edits_.at(index); }

void QtFormWindowView::sync() {
    syncing_ = true;
    const host::WindowModel& model = window_.model();
    const bool readOnly = window_.readOnly();
    for (std::size_t i = 0; i < model.entries.size(); ++i) {
        const bool enabled = window_.entryEnabled(i);
        const bool visible = window_.entryVisible(i);
        if (QLabel* label = labels_[i]) {
            label->setText(QString::fromStdString(window_.display(i)));
            label->setVisible(visible);
            continue;
        }
        if (focusTargets_[i] != nullptr) focusTargets_[i]->setVisible(visible);
        if (QPlainTextEdit* text = texts_[i]) {
            const QString shown = QString::fromStdString(window_.display(i));
            if (text->toPlainText() != shown) text->setPlainText(shown);
            // A read-only window's entries stay readable and reachable, only not editable.
            text->setReadOnly(readOnly);
            text->setEnabled(enabled || readOnly);
        } else if (QLineEdit* edit = edits_[i]) {
            const QString shown = QString::fromStdString(window_.display(i));
            if (edit->text() != shown) {
                edit->setText(shown);
                fitText(edit);
            }
            // The entry with the cursor keeps its whole text selected after an action (a page
            // key, "Odśwież"): what is typed next replaces the value.
            if (edit->hasFocus() && window_.selectsOnEntry(i)) {
                edit->selectAll();
            } else {
                edit->setCursorPosition(0);
            }
            if (model.entries[i].kind != host::EntryKind::Display) {
                edit->setReadOnly(readOnly);
                edit->setEnabled(enabled || readOnly);
            }
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
        } else if (QTreeWidget* table = tables_[i]) {
            QStringList items;
            for (const std::string& item : window_.listItems(i)) items << QString::fromStdString(item);
            QStringList shownItems;
            for (int r = 0; r < table->topLevelItemCount(); ++r)
                shownItems << table->topLevelItem(r)->data(0, Qt::UserRole).toString();
            if (shownItems != items) {
                table->clear();
                for (const QString& row : items) {
                    auto* item = new QTreeWidgetItem(table, row.split(QLatin1Char('\t')));
                    item->setData(0, Qt::UserRole, row);
                    item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
                }
                for (int c = 0; c < table->columnCount(); ++c) table->resizeColumnToContents(c);
            }
            const QString current = QString::fromStdString(window_.display(i));
            QTreeWidgetItem* chosen = nullptr;
            for (int r = 0; r < table->topLevelItemCount() && chosen == nullptr; ++r)
                if (table->topLevelItem(r)->data(0, Qt::UserRole).toString() == current)
                    chosen = table->topLevelItem(r);
            table->setCurrentItem(chosen);
            table->setEnabled(enabled);
        } else if (QListWidget* rows = rowLists_[i]) {
            QStringList items;
            for (const std::string& item : window_.listItems(i)) items << QString::fromStdString(item);
            QStringList shownItems;
            for (int r = 0; r < rows->count(); ++r)
                shownItems << rows->item(r)->data(Qt::UserRole).toString();
            if (shownItems != items) {
                rows->clear();
                for (const QString& row : items) {
                    // A row marked "[x] " or "[ ] " (a chooser's rows) shows a check box; the
                    // window's own key or button toggles it.
                    auto* item = new QListWidgetItem(rows);
                    item->setData(Qt::UserRole, row);
                    const bool marked = row.startsWith("[x] ");
                    if (marked || row.startsWith("[ ] ")) {
                        item->setText(row.mid(4));
                        item->setData(Qt::CheckStateRole, marked ? Qt::Checked : Qt::Unchecked);
                    } else {
                        item->setText(row);
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
    const QString status = QString::fromStdString(window_.status());
    status_->setText(status);
    status_->setVisible(!status.isEmpty());
    if (tabs_->currentIndex() != window_.page()) tabs_->setCurrentIndex(window_.page());
    syncing_ = false;
    if (window_.finished() && isVisible()) {
        storeGeometry();
        done(window_.result());
    }
}

void QtFormWindowView::accepted(std::size_t entry) {
    if (QPlainTextEdit* text = texts_[entry]) {
        const std::string typed = text->toPlainText().toStdString();
        if (typed == window_.display(entry)) return;
        window_.edit(entry, typed);
        sync();
        return;
    }
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
    acceptFocused();
    const int pageBefore = window_.page();
    window_.press(button);
    sync();
    // An action may ask for the cursor on a position ("Sprawdź"): its page is shown by now.
    if (const auto focus = window_.takeFocusRequest();
        focus && *focus < focusTargets_.size() && focusTargets_[*focus] != nullptr) {
        focusTargets_[*focus]->setFocus(Qt::OtherFocusReason);
    } else if (window_.page() != pageBefore) {
        focusFirstOnPage();
    }
}

void QtFormWindowView::fitText(QLineEdit* edit) {
    // A text wider than its box (a company's full name) is shown in a smaller font, down to
    // two thirds of the entry's own, so that it can be read whole.
    QFont font = edit->font();
    const double own = edit->property("ownPointSize").isValid()
                           ? edit->property("ownPointSize").toDouble()
                           : font.pointSizeF();
    edit->setProperty("ownPointSize", own);
    font.setPointSizeF(own);
    const int room = edit->width() - 8;
    for (double size = own; size >= own * 2 / 3; size -= 0.5) {
        font.setPointSizeF(size);
        if (QFontMetrics(font).horizontalAdvance(edit->text()) <= room) break;
    }
    edit->setFont(font);
}

void QtFormWindowView::acceptFocused() {
    for (std::size_t i = 0; i < edits_.size(); ++i) {
        const bool focused = (edits_[i] != nullptr && edits_[i]->hasFocus()) ||
                             (texts_[i] != nullptr && texts_[i]->hasFocus());
        if (focused) accepted(i);
    }
}

// An entry the cursor goes to: one that takes a value, or any entry of a read-only window,
// whose values are read there.
bool QtFormWindowView::reachable(std::size_t entry) const {
    return window_.entryEnabled(entry) || window_.readOnly();
}

void QtFormWindowView::focusFirstOnPage() {
    // A page key puts the cursor on the page's first entry that takes it.
    const int page = window_.page();
    for (std::size_t i = 0; i < focusTargets_.size(); ++i) {
        if (focusTargets_[i] == nullptr || window_.model().entries[i].page != page ||
            !reachable(i) || !window_.entryVisible(i))
            continue;
        focusTargets_[i]->setFocus(Qt::OtherFocusReason);
        return;
    }
}

void QtFormWindowView::selectOnEntry(QLineEdit* edit, bool afterClick) {
    edit->selectAll();
    if (!afterClick) return;
    // The press that gave the focus goes on to place the cursor: select again after it.
    QPointer<QLineEdit> later(edit);
    QTimer::singleShot(0, edit, [later] {
        if (later != nullptr && later->hasFocus()) later->selectAll();
    });
}

void QtFormWindowView::moveFocus(std::size_t from, int step) {
    const std::size_t n = focusTargets_.size();
    for (std::size_t k = 1; k < n; ++k) {
        const std::size_t index = step > 0 ? (from + k) % n : (from + n - k) % n;
        QWidget* target = focusTargets_[index];
        if (target == nullptr || !reachable(index)) continue;
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
        for (std::size_t i = 0; i < edits_.size(); ++i) {
            if (edits_[i] != watched) continue;
            if (byKeyboard || reason == Qt::MouseFocusReason) window_.entered(i, byKeyboard);
            // Every way into an amount selects it, whoever else selects it as well: typing
            // over "0,00" must never make 7 770,00 of 777.
            if (window_.selectsOnEntry(i) && !edits_[i]->isReadOnly())
                selectOnEntry(edits_[i], reason == Qt::MouseFocusReason);
        }
    }
    if (event->type() == QEvent::FocusOut && !syncing_) {
        for (std::size_t i = 0; i < texts_.size(); ++i)
            if (texts_[i] != nullptr && texts_[i] == watched) accepted(i);
    }
    if (event->type() == QEvent::KeyPress && qobject_cast<QPlainTextEdit*>(watched) == nullptr) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // In a table the arrows go from row to row; Enter goes on to the next entry.
        const bool table = qobject_cast<QTreeWidget*>(watched) != nullptr;
        int step = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
            (key->key() == Qt::Key_Down && !table))
            step = 1;
        else if (key->key() == Qt::Key_Up && !table)
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
    // Esc and the close box: the window's own close (it may ask whether to save). What is
    // typed in the entry with the cursor counts as a change first.
    acceptFocused();
    if (window_.finished()) return;
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
    if (zoomLabel_ != nullptr)
        request_.ini->update(window_.model().name, "Zoom",
                             fitWidth_ ? std::string("fit")
                                       : std::to_string(qRound(zoom_ * 100)));
}

void QtFormWindowView::zoomStep(int step) {
    const int percent = qRound(zoom_ * 100);
    fitWidth_ = step == 2;
    if (step == 0) zoom_ = 1.0;
    if (step == 1) {
        for (const int z : kZoomSteps)
            if (z > percent) {
                zoom_ = z / 100.0;
                break;
            }
    }
    if (step == -1) {
        for (auto z = kZoomSteps.rbegin(); z != kZoomSteps.rend(); ++z)
            if (*z < percent) {
                zoom_ = *z / 100.0;
                break;
            }
    }
    applyZoom();
}

void QtFormWindowView::applyZoom() {
    if (canvases_.empty() || zoomLabel_ == nullptr) return;
    if (fitWidth_) {
        // The widest page fills the view's width, within the zoom's limits.
        int widest = 1;
        for (QWidget* c : canvases_)
            widest = std::max(widest, static_cast<PageCanvas*>(c)->baseSize().width());
        const auto* scroll = qobject_cast<QScrollArea*>(tabs_->currentWidget());
        const int room = scroll != nullptr ? scroll->viewport()->width() - 4 : widest;
        zoom_ = std::clamp(static_cast<double>(room) / widest, kZoomSteps.front() / 100.0,
                           kZoomSteps.back() / 100.0);
    }
    for (QWidget* c : canvases_) static_cast<PageCanvas*>(c)->setZoom(zoom_);
    for (const Placed& p : placed_) {
        const QRect& r = p.at;
        p.widget->setGeometry(qRound(r.x() * zoom_), qRound(r.y() * zoom_),
                              qRound(r.width() * zoom_), qRound(r.height() * zoom_));
        if (p.pointSize > 0) {
            QFont f = p.widget->font();
            f.setPointSizeF(std::max(4.0, p.pointSize * zoom_));
            p.widget->setFont(f);
        }
        if (auto* edit = qobject_cast<QLineEdit*>(p.widget)) {
            edit->setProperty("ownPointSize", QVariant());
            fitText(edit);
        }
    }
    zoomLabel_->setText(fitWidth_ ? QStringLiteral("%1 % (szerokość)").arg(qRound(zoom_ * 100))
                                  : QStringLiteral("%1 %").arg(qRound(zoom_ * 100)));
}

void QtFormWindowView::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (fitWidth_) applyZoom();
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
