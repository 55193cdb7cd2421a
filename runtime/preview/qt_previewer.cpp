#include "runtime/preview/qt_previewer.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

#include "citforms/values/text.h"
#include "runtime/render/page_painter.h"

namespace citforms::runtime {

namespace {

constexpr int kScreenDpi = 96;
constexpr int kZooms[] = {50, 75, 100, 120, 150, 200};

int readInt(host::IniManager* ini, const std::string& section, const char* key) {
    const std::string v = ini->fetch(section, key, "");
    return values::parseInteger<int>(values::trim(v)).value_or(-1);
}

}  // namespace

QtPreviewer::QtPreviewer(const host::PageList& pages, int zoomPercent, host::IniManager* ini,
                         std::string settingsKey, QWidget* parent)
    : QDialog(parent), pages_(&pages), ini_(ini), key_(std::move(settingsKey)) {
    setWindowTitle(QStringLiteral("Podgląd wydruku"));
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    first_ = new QPushButton(QStringLiteral("|<"), this);
    previous_ = new QPushButton(QStringLiteral("<"), this);
    pageLabel_ = new QLabel(this);
    next_ = new QPushButton(QStringLiteral(">"), this);
    last_ = new QPushButton(QStringLiteral(">|"), this);
    zoomBox_ = new QComboBox(this);
    for (int z : kZooms) zoomBox_->addItem(QStringLiteral("%1 %").arg(z), z);
    print_ = new QPushButton(QStringLiteral("&Drukuj"), this);
    auto* close = new QPushButton(QStringLiteral("&Zamknij"), this);
    for (QWidget* w : std::initializer_list<QWidget*>{first_, previous_, pageLabel_, next_, last_,
                                                      zoomBox_, print_, close}) {
        bar->addWidget(w);
    }
    bar->addStretch();
    layout->addLayout(bar);
    scroll_ = new QScrollArea(this);
    scroll_->setAlignment(Qt::AlignHCenter);
    scroll_->setBackgroundRole(QPalette::Dark);
    view_ = new QLabel;
    scroll_->setWidget(view_);
    layout->addWidget(scroll_, 1);

    connect(first_, &QPushButton::clicked, this, [this] { showPage(0); });
    connect(previous_, &QPushButton::clicked, this, [this] { showPage(current_ - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { showPage(current_ + 1); });
    connect(last_, &QPushButton::clicked, this, [this] { showPage(pageCount() - 1); });
    connect(print_, &QPushButton::clicked, this, [this] { printRequested(); });
    connect(close, &QPushButton::clicked, this, [this] { reject(); });
    connect(zoomBox_, &QComboBox::activated, this,
            [this](int index) { setZoom(zoomBox_->itemData(index).toInt()); });

    resize(900, 1000);
    restoreGeometryFromIni();
    setZoom(zoomPercent);
}

QtPreviewer::~QtPreviewer() = default;

int QtPreviewer::pageCount() const { return static_cast<int>(pages_->size()); }

void QtPreviewer::showPage(int index) {
    current_ = std::clamp(index, 0, std::max(0, pageCount() - 1));
    render();
}

void QtPreviewer::setZoom(int percent) {
    zoom_ = std::clamp(percent, 10, 400);
    const int at = zoomBox_->findData(zoom_);
    if (at >= 0) zoomBox_->setCurrentIndex(at);
    render();
}

void QtPreviewer::render() {
    const int count = pageCount();
    pageLabel_->setText(count == 0 ? QStringLiteral("0 / 0")
                                   : QStringLiteral("%1 / %2").arg(current_ + 1).arg(count));
    first_->setEnabled(current_ > 0);
    previous_->setEnabled(current_ > 0);
    next_->setEnabled(current_ + 1 < count);
    last_->setEnabled(current_ + 1 < count);
    if (count == 0) {
        view_->clear();
        return;
    }
    const QImage image =
        renderPageImage(pages_->at(static_cast<std::size_t>(current_)), kScreenDpi * zoom_ / 100);
    view_->setPixmap(QPixmap::fromImage(image));
    view_->resize(image.size());
}

void QtPreviewer::printRequested() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Drukuj"));
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    if (dialog.exec() != QDialog::Accepted) return;
    printer_ = printer.printerName();
    accept();
}

void QtPreviewer::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_PageDown:
            showPage(current_ + 1);
            return;
        case Qt::Key_PageUp:
            showPage(current_ - 1);
            return;
        case Qt::Key_Home:
            showPage(0);
            return;
        case Qt::Key_End:
            showPage(pageCount() - 1);
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void QtPreviewer::restoreGeometryFromIni() {
    if (ini_ == nullptr || key_.empty()) return;
    const int x = readInt(ini_, key_, "XPos");
    const int y = readInt(ini_, key_, "YPos");
    const int w = readInt(ini_, key_, "Width");
    const int h = readInt(ini_, key_, "Height");
    if (w > 100 && h > 100) resize(w, h);
    if (x >= 0 && y >= 0) move(x, y);
}

void QtPreviewer::done(int result) {
    if (ini_ != nullptr && !key_.empty()) {
        ini_->update(key_, "XPos", std::to_string(x()));
        ini_->update(key_, "YPos", std::to_string(y()));
        ini_->update(key_, "Width", std::to_string(width()));
        ini_->update(key_, "Height", std::to_string(height()));
    }
    QDialog::done(result);
}

}  // namespace citforms::runtime
