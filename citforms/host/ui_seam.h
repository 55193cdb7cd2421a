#pragma once
// The one seam through which everything modal reaches the person at the screen.
//
// Message boxes (with the module's own titles and button sets), the busy cursor, pop-up
// menus and the module's windows (nested modally, one instance where the window says so,
// their size and position kept in the INI store under the window's name) all go through
// UiSeam. The desktop binds a Qt implementation that shows real dialogs and windows; tests
// and the command line bind a scripted one that answers from a script and writes a
// transcript.
#include <string>
#include <string_view>

#include "citforms/host/managers.h"
#include "citforms/host/ui_window.h"

namespace citforms::host {

enum class MessageIcon { None, Information, Question, Warning, Error };

struct MessageRequest {
    std::string title;     // "Tabrix: Pytanie", "Tabrix: Informacja", "Tabrix: Ostrzeżenie", ...
    std::string text;      // may hold "|" for a line break between paragraphs
    std::string buttons;   // captions joined by "|", "&" before the accelerator: "&Tak|&Nie"
    MessageIcon icon = MessageIcon::None;
    int defaultButton = 1; // 1-based
};

struct WindowRequest {
    UiWindow* window = nullptr;
    IniManager* ini = nullptr;  // where the window's size and position are kept; may be null
    bool maximise = false;      // the host asked for maximised windows (MAKSYMALIZUJ)
};

class UiSeam {
public:
    virtual ~UiSeam() = default;
    // Shows the message and returns the 1-based number of the button chosen; closing the box
    // without a choice answers the last button.
    virtual int message(const MessageRequest& request) = 0;
    // Busy cursor on (true) or off (false); calls nest.
    virtual void setBusy(bool busy) = 0;
    // A pop-up menu of the items joined by "|" ("Formularz nr 1|Formularz nr 2"); the
    // 1-based item chosen, 0 when the menu was dismissed.
    virtual int popupMenu(const std::string& items) {
        (void)items;
        return 0;
    }
    // Shows the window modally on top of whatever is open and returns when it has finished
    // or was closed. The result is the window's.
    virtual int runWindow(const WindowRequest& request) {
        (void)request;
        return 0;
    }
    // Gives the focus to the open window `name` (a second request for a one-instance window).
    virtual void focusWindow(std::string_view name) { (void)name; }
    // Selects the contents of the entry that has the focus, as the host's SELECT_KEYBOARD
    // (`byKeyboard`) and SELECT_MOUSELEFT do; a UI without entries ignores it.
    virtual void selectFocusedEntry(bool byKeyboard) { (void)byKeyboard; }
};

// Standard titles of the module's message boxes.
inline constexpr const char* kTitleQuestion = "Tabrix: Pytanie";
inline constexpr const char* kTitleInformation = "Tabrix: Informacja";
inline constexpr const char* kTitleWarning = "Tabrix: Ostrzeżenie";

}  // namespace citforms::host
