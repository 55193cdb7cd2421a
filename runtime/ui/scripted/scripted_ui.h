#pragma once
// A UI seam without a screen: answers every message from a script and writes a transcript.
//
//   std::ostringstream log;
//   ScriptedUi ui(&log, *ScriptedUi::parseScript("Nie,1"));
//   ui.message({"Tabrix: Pytanie", "Zapisać?", "&Tak|&Nie"});   // answers 2 ("Nie")
//
// Answer selection:
// - A message with one button is answered with it and uses no scripted answer.
// - Any other message takes the next scripted answer: a button number (1-based) or a caption
//   ("Nie", "&Nie", "nie" all pick "&Nie").
// - An answer that fits no button of the message is used up, the message gets its default
//   button, and the transcript notes the mismatch.
// - When the script is exhausted the message gets its default button and the transcript
//   says so.
//
// Transcript: one line per message, fields separated by a tab:
//   message<TAB>title<TAB>icon<TAB>text<TAB>buttons<TAB>answer number<TAB>answer caption<TAB>how
// icon is none, information, question, warning or error; buttons as given ("&Tak|&Nie");
// the answer caption without "&"; how is "single", "script", "default" (script exhausted)
// or "unmatched:<answer>". Tabs, line breaks and backslashes inside a field are written as
// \t, \n, \r and \\, so every message is exactly one line. Lines start with "message\t",
// which keeps them apart from other output: grep '^message' picks them out.
//
// Busy-cursor calls are counted, not written. Messages are safe to answer from any thread;
// windows, menus and sessions run on the thread that replays the session.
//
// Sessions (session_script.h): runSession() replays a script. `open` steps go to the host's
// callback, which opens the module's window; the window comes back here through runWindow(),
// which replays the following steps on it until it has finished or is closed, nested windows
// taking the steps while they are open. `answer` queues the answer of the next message,
// `pick` the item of the next pop-up menu. Transcript lines besides the messages:
//   window<TAB>open<TAB>name<TAB>title<TAB>pages<TAB>entries
//   window<TAB>close<TAB>name<TAB>result
//   window<TAB>focus<TAB>name                  (a one-instance window asked for again)
//   menu<TAB>items<TAB>item chosen             (0: dismissed)
//   field<TAB>window<TAB>position<TAB>text shown
//   page<TAB>window<TAB>page shown (1-based)
//   unmet<TAB>line<TAB>what was expected or could not be done
// An unmet step is counted (failures()) and the session goes on.
#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <deque>
#include <functional>

#include "citforms/host/ui_seam.h"
#include "citforms/values/result.h"
#include "runtime/ui/scripted/session_script.h"

namespace citforms::runtime {

// One field of a tab-separated line: backslashes, tabs and line breaks escaped so that the
// line stays one line (transcripts, printed result rows).
std::string escapeField(std::string_view text);

struct ScriptedAnswer {
    int number = 0;       // > 0: the button of that number
    std::string caption;  // used when number is 0
};

struct TranscriptEntry {
    host::MessageRequest request;
    int answer = 0;
    std::string how;  // as in the transcript line
};

class ScriptedUi : public host::UiSeam {
public:
    explicit ScriptedUi(std::ostream* transcript = nullptr,
                        std::vector<ScriptedAnswer> script = {});

    // Reads a comma-separated answer list: "2,Nie,&Zapisz". Numbers pick buttons by number,
    // anything else by caption; blanks around an item are ignored. An empty list is valid.
    static values::Result<std::vector<ScriptedAnswer>> parseScript(std::string_view list);

    void addAnswer(ScriptedAnswer answer);

    int message(const host::MessageRequest& request) override;
    void setBusy(bool busy) override;
    int popupMenu(const std::string& items) override;
    int runWindow(const host::WindowRequest& request) override;
    void focusWindow(std::string_view name) override;

    // Replays `steps`; `open` opens the window of an `open` step and returns false (having
    // said why on its own) when it could not. Returns the number of unmet steps.
    int runSession(std::vector<SessionStep> steps,
                   const std::function<bool(const SessionStep&)>& open);
    int failures() const { return failures_; }

    std::vector<TranscriptEntry> entries() const;
    std::size_t answersLeft() const;
    int busyOnCalls() const;
    int busyOffCalls() const;
    int busyDepth() const;  // busy-on calls not yet matched by busy-off

    // The transcript line of one answered message (without the line break).
    static std::string transcriptLine(const TranscriptEntry& entry);

private:
    void write(const std::string& line);
    void unmet(const SessionStep& step, const std::string& why);
    // Replays one step on `window`; false when the step is not one for a window.
    void replay(host::UiWindow& window, const SessionStep& step);
    // Queues the answer of an `answer` or `pick` step; false for any other step.
    bool queue(const SessionStep& step);

    std::vector<SessionStep> steps_;
    std::size_t nextStep_ = 0;
    std::deque<int> menuPicks_;
    int failures_ = 0;

    mutable std::mutex mutex_;
    std::ostream* transcript_;
    std::vector<ScriptedAnswer> script_;
    std::size_t nextAnswer_ = 0;
    std::vector<TranscriptEntry> entries_;
    int busyOn_ = 0;
    int busyOff_ = 0;
    int busyDepth_ = 0;
};

std::string_view iconName(host::MessageIcon icon);

}  // namespace citforms::runtime
