#pragma once
// The one seam through which everything modal reaches the person at the screen.
//
// Message boxes (with the module's own titles and button sets), the busy cursor, and later
// pop-up menus, pickers and nested windows all go through UiSeam. The desktop binds a Qt
// implementation that shows real dialogs; tests and the command line bind a scripted one
// that answers from a list and writes one transcript line per message.
#include <string>

namespace citforms::host {

enum class MessageIcon { None, Information, Question, Warning, Error };

struct MessageRequest {
    std::string title;     // "Tabrix: Pytanie", "Tabrix: Informacja", "Tabrix: Ostrzeżenie", ...
    std::string text;      // may hold "|" for a line break between paragraphs
    std::string buttons;   // captions joined by "|", "&" before the accelerator: "&Tak|&Nie"
    MessageIcon icon = MessageIcon::None;
    int defaultButton = 1; // 1-based
};

class UiSeam {
public:
    virtual ~UiSeam() = default;
    // Shows the message and returns the 1-based number of the button chosen; closing the box
    // without a choice answers the last button.
    virtual int message(const MessageRequest& request) = 0;
    // Busy cursor on (true) or off (false); calls nest.
    virtual void setBusy(bool busy) = 0;
};

// Standard titles of the module's message boxes.
inline constexpr const char* kTitleQuestion = "Tabrix: Pytanie";
inline constexpr const char* kTitleInformation = "Tabrix: Informacja";
inline constexpr const char* kTitleWarning = "Tabrix: Ostrzeżenie";

}  // namespace citforms::host
