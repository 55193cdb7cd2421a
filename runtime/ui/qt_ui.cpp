#include "runtime/ui/qt_ui.h"

#include <algorithm>

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include "runtime/ui/qt_form_window.h"
#include "runtime/ui/scripted/button_captions.h"

namespace citforms::runtime {

namespace {

QMessageBox::Icon qtIcon(host::MessageIcon icon) {
    switch (icon) {
        case host::MessageIcon::None:
            return QMessageBox::NoIcon;
        case host::MessageIcon::Information:
            return QMessageBox::Information;
        case host::MessageIcon::Question:
            return QMessageBox::Question;
        case host::MessageIcon::Warning:
            return QMessageBox::Warning;
        case host::MessageIcon::Error:
            return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

bool onApplicationThread() {
    return QCoreApplication::instance() != nullptr &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

std::vector<QString> QtUi::buttonCaptions(const std::string& buttons) {
    std::vector<QString> captions;
    for (const std::string& caption : splitButtons(buttons))
        captions.push_back(QString::fromStdString(caption));
    return captions;
}

QString QtUi::displayText(const std::string& text) {
    return QString::fromStdString(text).replace(QLatin1Char('|'), QLatin1Char('\n'));
}

int QtUi::message(const host::MessageRequest& request) {
    if (onApplicationThread()) return showOnThisThread(request);
    if (QCoreApplication::instance() == nullptr) {
        // No application to show the box on: as if it was closed without a choice.
        return static_cast<int>(splitButtons(request.buttons).size());
    }
    int answer = 0;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { answer = showOnThisThread(request); },
        Qt::BlockingQueuedConnection);
    return answer;
}

int QtUi::showOnThisThread(const host::MessageRequest& request) {
    QMessageBox box(qtIcon(request.icon), QString::fromStdString(request.title),
                    displayText(request.text), QMessageBox::NoButton, QApplication::activeWindow());
    std::vector<QPushButton*> buttons;
    for (const QString& caption : buttonCaptions(request.buttons))
        buttons.push_back(box.addButton(caption, QMessageBox::ActionRole));
    const std::size_t defaultIndex =
        request.defaultButton >= 1 &&
                static_cast<std::size_t>(request.defaultButton) <= buttons.size()
            ? static_cast<std::size_t>(request.defaultButton) - 1
            : 0;
    box.setDefaultButton(buttons[defaultIndex]);
    box.setEscapeButton(buttons.back());

    // The busy cursor would hide that the box waits for the user.
    const bool busy = busyDepth_ > 0;
    if (busy) QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    box.exec();
    if (busy) QGuiApplication::restoreOverrideCursor();

    const auto clicked = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    if (clicked == buttons.end()) return static_cast<int>(buttons.size());
    return static_cast<int>(clicked - buttons.begin()) + 1;
}

void QtUi::setBusy(bool busy) {
    if (onApplicationThread()) {
        setBusyOnThisThread(busy);
        return;
    }
    if (QCoreApplication::instance() == nullptr) return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this, busy] { setBusyOnThisThread(busy); },
        Qt::BlockingQueuedConnection);
}

void QtUi::setBusyOnThisThread(bool busy) {
    if (busy) {
        ++busyDepth_;
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else if (busyDepth_ > 0) {
        --busyDepth_;
        QGuiApplication::restoreOverrideCursor();
    }
}

int QtUi::popupMenu(const std::string& items) {
    if (!onApplicationThread()) return 0;
    QMenu menu(QApplication::activeWindow());
    std::vector<QAction*> actions;
    for (const QString& caption : buttonCaptions(items)) actions.push_back(menu.addAction(caption));
    QAction* chosen = menu.exec(QCursor::pos());
    const auto it = std::find(actions.begin(), actions.end(), chosen);
    return it == actions.end() ? 0 : static_cast<int>(it - actions.begin()) + 1;
}

int QtUi::runWindow(const host::WindowRequest& request) {
    if (!onApplicationThread() || request.window == nullptr) return 0;
    QtFormWindowView view(request);
    const std::string name = request.window->model().name;
    openWindows_[name] = &view;
    view.exec();
    openWindows_.erase(name);
    return request.window->result();
}

void QtUi::focusWindow(std::string_view name) {
    const auto it = openWindows_.find(name);
    if (it == openWindows_.end()) return;
    it->second->raise();
    it->second->activateWindow();
}

}  // namespace citforms::runtime

namespace citforms::runtime {

void QtUi::selectFocusedEntry(bool byKeyboard) {
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (edit == nullptr) return;
    if (byKeyboard) {
        edit->selectAll();
        return;
    }
    // The press that gave the focus goes on to place the cursor: select after it.
    QPointer<QLineEdit> later(edit);
    QTimer::singleShot(0, edit, [later] {
        if (later != nullptr && later->hasFocus()) later->selectAll();
    });
}

}  // namespace citforms::runtime
