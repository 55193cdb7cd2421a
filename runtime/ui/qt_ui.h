#pragma once
// The UI seam on the screen: real message boxes, pop-up menus, the module's windows and the
// application's busy cursor.
//
//   QtUi ui;
//   int answer = ui.message({"Tabrix: Pytanie", "Zapisać zmiany?", "&Zapisz|&Anuluj",
//                            MessageIcon::Question});
//
// A box shows the request's title and text ("|" in the text starts a new line), its icon and
// one push button per caption of the button set, accelerators kept ("&Tak" is Alt+T). The
// request's default button is the default; Escape and the close button answer the last one.
// Calls from a thread other than the application's are carried out on the application's
// thread, the caller waiting for the answer. Needs a QApplication.
#include <map>
#include <string>
#include <vector>

#include <QString>

class QWidget;

#include "citforms/host/ui_seam.h"

namespace citforms::runtime {

class QtUi : public host::UiSeam {
public:
    int message(const host::MessageRequest& request) override;
    // Nested: the cursor returns to normal when every busy-on has been matched by a busy-off.
    void setBusy(bool busy) override;
    // A QMenu at the mouse pointer; 0 when it is dismissed.
    int popupMenu(const std::string& items) override;
    // A QtFormWindowView, modal over the active window (qt_form_window.h).
    int runWindow(const host::WindowRequest& request) override;
    // Raises and activates the open window of that name.
    void focusWindow(std::string_view name) override;
    // Selects the whole text of the focused line entry; after a click, once the click has
    // placed the cursor.
    void selectFocusedEntry(bool byKeyboard) override;

    int busyDepth() const { return busyDepth_; }

    // Button captions of a set as Qt texts, in order.
    static std::vector<QString> buttonCaptions(const std::string& buttons);
    // Message text as shown: "|" becomes a line break.
    static QString displayText(const std::string& text);

private:
    int showOnThisThread(const host::MessageRequest& request);
    void setBusyOnThisThread(bool busy);

    int busyDepth_ = 0;  // touched on the application's thread only
    std::map<std::string, QWidget*, std::less<>> openWindows_;
};

}  // namespace citforms::runtime
