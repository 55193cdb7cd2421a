#pragma once
// What a window of the module shows and how it is worked, for the views of the UI seam.
//
// A window controller (citforms/windows/) implements UiWindow: it describes its pages, its
// entries over the drawn form, its buttons and their shortcut labels as plain data
// (WindowModel), and takes the person's actions: text typed into an entry, a radio chosen, a
// button pressed, the window's close box. The Qt view (runtime/ui/) builds widgets from the
// model; the scripted UI works the same calls from a session script. Neither knows which
// form it shows, and the controller never knows which view works it.
//
//   WindowOutcome out = ui.runWindow(window);   // modal; nested windows simply nest
//
// Entries and buttons are addressed by their index in the model. After every call that may
// change values (edit, choose, press, close) a view reads display(), enabled() and page()
// again: a rule may have changed any entry.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/documents/page_content.h"

namespace citforms::host {

// Thousandths of an inch on the page, from the page's top-left corner.
struct WindowRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

enum class EntryKind {
    Text,     // text of `capacity` characters
    Amount,   // amount with grosze ("@N-19_`2")
    Whole,    // whole złoty ("@N-19_")
    Count,    // whole number of `capacity` digits
    Date,     // day number shown "D6-" (dd-mm-yyyy), with a calendar button
    Radio,    // one of the answers of `radios`
    Display,  // shown, not edited
    List,     // one row of a list (plain windows): takes a row's number or its text
};

struct RadioChoice {
    std::string value;  // the stored answer: "1", "2"
    std::string text;   // the answer's text on the form ("tak"), may be empty
    WindowRect at;      // the answer's box
};

struct EntryModel {
    int field = 0;               // the form position it edits
    EntryKind kind = EntryKind::Text;
    int page = 0;                // index into WindowModel::pages
    WindowRect at;
    std::string picture;         // display picture ("@N-19_`2", "D6-", "s150")
    std::size_t capacity = 255;  // characters (Text) or digits (Count)
    std::vector<RadioChoice> radios;
    bool multiLine = false;
    bool label = false;  // a text of a plain window: shown as a label, not an entry
    // A list of rows with these column captions (its rows' columns separated by tabs);
    // empty: a list of one text a row.
    std::vector<std::string> columns;
};

struct ButtonModel {
    std::string caption;   // "CIT-8/O", "Definicja"
    std::string shortcut;  // the label shown beside it: "Ctrl+L", "F2", "Esc"
    int page = -1;         // -1: the right-hand panel; else a button on that form page
    WindowRect at;         // on a form page: where it sits
    int field = 0;         // on a form page: the position it belongs to
};

struct PageModel {
    std::string caption;              // "1 strona"
    print::PageContent background;    // the drawn form page without values
    int width = 0;                    // a plain window's size (thousandths of an inch);
    int height = 0;                   // 0: the background's page
};

struct WindowModel {
    std::string name;   // the procedure's name; window size and position are kept under it
    std::string title;  // "Deklaracja CIT-8 (24)"
    std::vector<PageModel> pages;
    std::vector<EntryModel> entries;  // in keyboard order
    std::vector<ButtonModel> buttons;
};

struct WindowOutcome {
    bool opened = true;  // false: a one-instance window was open already (it got the focus)
    int result = 0;      // what the window returns (a declaration id, 1 = done, 0 = none)
};

class UiWindow {
public:
    virtual ~UiWindow() = default;

    virtual const WindowModel& model() const = 0;

    // The text entry `entry` shows (its value through its picture); for a radio the chosen
    // answer ("1", "2", or "" for none).
    virtual std::string display(std::size_t entry) const = 0;
    virtual bool entryEnabled(std::size_t entry) const = 0;
    // Whether the entry is shown now (a plain window hides some until they are needed).
    virtual bool entryVisible(std::size_t entry) const {
        (void)entry;
        return true;
    }
    // The rows a list entry offers now (EntryKind::List); edit() takes a row's number.
    virtual std::vector<std::string> listItems(std::size_t entry) const {
        (void)entry;
        return {};
    }
    virtual bool buttonEnabled(std::size_t button) const = 0;

    // Text typed into an entry and accepted (the person left it or pressed Enter); a radio
    // takes the answer's value. False when the text was refused (the controller has told the
    // person why); the entry keeps its value.
    virtual bool edit(std::size_t entry, std::string_view typed) = 0;
    virtual void press(std::size_t button) = 0;
    // The calendar button of a date entry.
    virtual void pickDate(std::size_t entry) = 0;

    // The tab page shown; press() of a page button or showPage() changes it.
    virtual int page() const = 0;
    virtual void showPage(int page) = 0;
    // The entry the cursor is put on when the window opens.
    virtual std::size_t firstFocus() const = 0;
    // The person reached entry `entry` by keyboard (Enter, arrows, Tab) or by a click: an
    // amount entry has the host select its contents (SELECT_KEYBOARD / SELECT_MOUSELEFT).
    virtual void entered(std::size_t entry, bool byKeyboard) {
        (void)entry;
        (void)byKeyboard;
    }

    // Whether reaching entry `entry` in any way (a page key, Tab, Enter, an arrow, a click,
    // the window opening, a jump to it) selects its whole text, so that typing replaces the
    // value instead of running into it: amounts and counts.
    virtual bool selectsOnEntry(std::size_t entry) const {
        const EntryKind kind = model().entries.at(entry).kind;
        return kind == EntryKind::Amount || kind == EntryKind::Whole || kind == EntryKind::Count;
    }

    // The window's status line: what the last action did that the person should know of
    // (empty: none).
    virtual std::string status() const { return {}; }
    // A window that only shows its values (a filed or locked declaration): its entries can be
    // read and reached but not changed, and the status line says why.
    virtual bool readOnly() const { return false; }

    // The close box (or Esc where the window has no button for it): true when the window
    // may close now.
    virtual bool requestClose() = 0;
    // True once an action of the window itself ("Zapisz", "Zamknij") has ended it.
    virtual bool finished() const = 0;
    virtual int result() const = 0;
    // The entry an action asked the view to put the cursor on (its page is shown already);
    // asked once after each action (and once when the window opens: the entry the window is
    // opened at instead of its first), nullopt when none was asked for.
    virtual std::optional<std::size_t> takeFocusRequest() { return std::nullopt; }
};

}  // namespace citforms::host
