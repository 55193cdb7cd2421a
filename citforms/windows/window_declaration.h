#pragma once
// WindowDeclaration: what one form window adds to what the form engine generates, read from
// a small data file per window (citforms/windows/<window>.window, built into the library;
// the line syntax of the layout documents, docs/form-windows.md).
//
//   window CIT_8_73 form=CIT-8 layout=CIT_8_Prn_73 title="Deklaracja CIT-8 (24)" focus=6
//   (pages=<name>: the window's own pages, the layout document <name>.pages)
//   display 1,4,5                         positions shown but not edited
//   count 27,28 digits=1                  a count entry of one digit
//   text 66 capacity=150                  a text entry of 150 characters
//   definition 31-34,36-40 code=O{n}      a definition button beside each position
//   button CIT-8/O key=Ctrl+L action=window:CIT_O_73 enabled=27>0
//   button Przelew key=Ctrl+P action=transfer
//   button Urząd page=1 beside=6 action=office-picker
//   button "Wypełnij …" page=3 at=1323,5300,3600,190 action=cit2-monthly
//   tab 2 caption="&2) Liczba zatrudnionych"   the caption of page 2 (window's own pages)
//   list 27 page=2 at=100,400,9000,2600 columns="Zatrudnionych|Nazwa"   rows from the code
//
// Actions the engine carries out itself: `close`, `window:<name>` (a nested window over the
// same declaration), `copies:<name>` with `count=<field>` (a pop-up menu "Formularz nr 1|…"
// when the count is above 1, then that copy's window), `definition` (the statement
// definition of the whole declaration). Any other action is a handler the window's
// controller registers by name. `enabled=` is `<field>><number>` or `<field>=<answer>`.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/documents/layout.h"
#include "citforms/values/result.h"

namespace citforms::windows {

struct EnabledRule {
    int field = 0;
    enum class Test { Above, Equals } test = Test::Above;
    std::string value;  // Above: a number; Equals: the answer
};

struct ButtonDeclaration {
    std::string caption;
    std::string shortcut;
    std::string action;
    int countField = 0;  // copies: the field holding how many copies there are
    std::optional<EnabledRule> enabled;
    int page = 0;    // 0: the right-hand panel; else the form page (1-based) it sits on
    int beside = 0;  // on a page: the position it sits to the right of
    // or on a page: its box in the layout's thousandths of an inch (x, y, width, height)
    std::optional<print::Rect> at;
};

// A list on a page of the window (the branches of a CIT-ST): its rows are the window's code's,
// one text a row with the columns separated by tabs; the position it stands for holds the
// number of the chosen row.
struct ListDeclaration {
    int field = 0;
    int page = 1;  // 1-based
    print::Rect at;
    std::vector<std::string> columns;  // the column captions
};

struct WindowDeclaration {
    std::string name;    // "CIT_8_73"
    std::string form;    // the form's name in the declaration: "CIT-8", "CIT-8/O"
    std::string layout;  // the print layout whose positions the entries take
    // The window's own pages instead of the print's (the layout document `<pages>.pages`
    // beside the declaration): each page band a tab of the report's size, its texts and boxes
    // drawn under the entries; empty: the print's pages.
    std::string pages;
    std::vector<std::string> pageCaptions;  // by page; "1 strona", … where not given
    std::vector<ListDeclaration> lists;
    std::string title;
    std::string help;    // help topic
    // The form name the host's print parameters are asked for; the form's own when empty
    // ("CIT-O" for the CIT-2/O, whose paper the host knows by its older name).
    std::string printForm;
    int focus = 0;       // the position the cursor starts on; 0: the first entry
    bool singleInstance = false;
    std::vector<int> display;          // shown, not edited
    std::vector<std::pair<int, int>> countDigits;  // position, digits
    std::vector<std::pair<int, int>> textCapacity; // position, characters
    std::vector<std::pair<int, std::string>> definitions;  // position, statement code
    std::vector<ButtonDeclaration> buttons;

    // Reads a declaration; a malformed one fails with "<file>:<line>: <reason>".
    static values::Result<WindowDeclaration> parse(std::string_view text,
                                                   std::string_view fileName);
};

// The layout a window's entries and pages are made from: its own pages, or its print's layout.
values::Result<print::Layout> windowLayout(const WindowDeclaration& declaration);

// The declaration built into the module for window `name`, or an error naming what is wrong.
values::Result<WindowDeclaration> builtInWindow(std::string_view name);
// Names of the built-in windows, sorted.
std::vector<std::string> builtInWindows();

}  // namespace citforms::windows
