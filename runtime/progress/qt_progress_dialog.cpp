#include "runtime/progress/qt_progress_dialog.h"

#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "runtime/render/page_painter.h"

namespace citforms::runtime {

namespace {

QString qt(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

Qt::Alignment alignment(print::Justify j) {
    switch (j) {
        case print::Justify::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case print::Justify::Centre:
            return Qt::AlignHCenter | Qt::AlignVCenter;
        case print::Justify::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

// The dialog: Esc and the close button come through reject(), which asks before closing.
class QtProgressDialog::Window : public QDialog {
public:
    std::function<bool()> askCancel;
    QTimer timer;

    void reject() override {
        if (!askCancel) {
            QDialog::reject();
            return;
        }
        const bool wasTicking = timer.isActive();
        timer.stop();
        if (askCancel()) {
            QDialog::reject();
        } else if (wasTicking) {
            timer.start();
        }
    }
};

QtProgressDialog::QtProgressDialog(const print::ProgressWindow& window)
    : window_(std::make_unique<Window>()) {
    Window& w = *window_;
    w.setWindowTitle(qt(window.title));
    print::FontSpec font = window.font;
    QFont qfont(fontFamilyFor(font.face));
    qfont.setPointSize(font.points);
    w.setFont(qfont);
    const QFontMetrics metrics(qfont);
    // Dialog units: a quarter of the average character width, an eighth of its height.
    const double ux = metrics.averageCharWidth() / 4.0;
    const double uy = metrics.height() / 8.0;
    auto rect = [&](const print::Rect& r) {
        return QRect(static_cast<int>(r.x * ux), static_cast<int>(r.y * uy),
                     static_cast<int>(r.width.value_or(0) * ux),
                     static_cast<int>(r.height.value_or(0) * uy));
    };
    w.setFixedSize(static_cast<int>(window.width * ux), static_cast<int>(window.height * uy));
    int labels = 0;
    for (const print::ProgressControl& c : window.controls) {
        switch (c.kind) {
            case print::ProgressControlKind::Bar:
                bar_ = new QProgressBar(&w);
                bar_->setRange(c.rangeLow, c.rangeHigh);
                bar_->setValue(c.rangeLow);
                bar_->setTextVisible(false);
                bar_->setGeometry(rect(c.at));
                break;
            case print::ProgressControlKind::Busy:
                break;  // the bar shows the progress; no animation is drawn over it
            case print::ProgressControlKind::Label: {
                auto* label = new QLabel(qt(c.text), &w);
                label->setAlignment(alignment(c.justify));
                label->setGeometry(rect(c.at));
                // The first label is the user text, the second the percentage.
                (labels++ == 0 ? userText_ : percent_) = label;
                break;
            }
            case print::ProgressControlKind::Button:
                cancel_ = new QPushButton(qt(c.text), &w);
                cancel_->setGeometry(rect(c.at));
                QObject::connect(cancel_, &QPushButton::clicked, &w, [&w] { w.reject(); });
                break;
        }
    }
}

QtProgressDialog::~QtProgressDialog() = default;

QDialog* QtProgressDialog::dialog() const { return window_.get(); }

void QtProgressDialog::setTitle(std::string_view title) { window_->setWindowTitle(qt(title)); }

void QtProgressDialog::setUserText(std::string_view text) {
    if (userText_ != nullptr) userText_->setText(qt(text));
}

void QtProgressDialog::setProgress(int percent, std::string_view text) {
    if (bar_ != nullptr) bar_->setValue(percent);
    if (percent_ != nullptr) percent_->setText(qt(text));
}

void QtProgressDialog::exec(const std::function<bool()>& tick,
                            const std::function<bool()>& cancel) {
    Window& w = *window_;
    w.askCancel = cancel;
    w.timer.setInterval(0);
    QObject::connect(&w.timer, &QTimer::timeout, &w, [&w, &tick] {
        if (!tick()) {
            w.timer.stop();
            w.accept();
        }
    });
    w.timer.start();
    w.exec();
    w.timer.stop();
    QObject::disconnect(&w.timer, nullptr, &w, nullptr);
    w.askCancel = nullptr;
}

}  // namespace citforms::runtime
