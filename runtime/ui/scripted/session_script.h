#pragma once
// Session scripts: the actions of a person at the module's windows, one a line, replayed by the
// scripted UI without a screen (`tabrix run SCRIPT`; the format is docs/scripted-sessions.md).
//
//   open CIT_8_73 id=2        type 31 "1 234,50"      choose 7 2       press "CIT-8/O"
//   define 31                 page 2                  pick 2           answer Tak
//   show 31                   expect 91 "2 000,00"    expect-enabled ORD-ZU no
//   close                     wait /tmp/go-a
//
// Words are separated by blanks; a word with blanks is quoted, `\"` and `\\` inside quotes.
// `#` at the start of a word begins a comment. A line that cannot be read fails the whole
// script with "<file>:<line>: <reason>", before anything is replayed.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/values/result.h"

namespace citforms::runtime {

struct SessionStep {
    enum class Kind {
        Open,           // window, attributes (id=, copy=, count=)
        Type,           // field, text
        Choose,         // field, answer
        Press,          // caption
        Define,         // field
        Page,           // page number (1-based)
        Pick,           // menu item (0 dismisses)
        Answer,         // button number or caption of the next message
        Show,           // field
        Expect,         // field, text
        ExpectEnabled,  // caption, yes|no
        Calendar,       // field: the calendar button of a date entry
        Close,          // the close box
        Wait,           // file: the person waits until it exists (another user's turn)
    };
    Kind kind = Kind::Show;
    int line = 0;
    std::string name;                          // window, caption, text of Answer
    int number = 0;                            // field, page, menu item, occurrence of a caption
    std::string text;                          // typed text, expected text, yes|no
    std::map<std::string, std::string> attrs;  // Open: id=, copy=, count=
};

values::Result<std::vector<SessionStep>> parseSessionScript(std::string_view text,
                                                            std::string_view fileName);

}  // namespace citforms::runtime
