#pragma once
// Plain windows: dialogs that are not a form page (the parameters window, the pickers, the
// host's print parameters, calendar, bank transfer and statement definitions), generated from
// a window layout document in the line syntax of the layouts (docs/layouts.md,
// docs/plain-windows.md) and worked through the UI seam like every module window.
//
//   window Param_CIT2 title="Deklaracja CIT-8" size=3600,2200
//   label   at=100,100,1400,220 text="Rok obrotowy"
//   list    KR at=1600,100,1800,220
//   choice  EDYCJA at=1600,400,600,220 items="21|23|24"
//   entry   KOPIE at=1600,700,400,220 kind=count capacity=2
//   date    DATA at=...              check NADRUK at=... text="Nadruk"
//   progress POSTEP at=... hidden
//   button  Wykonaj key=F10 action=run
//
// Controls are numbered from 1 in document order (buttons included, as the layouts count);
// the number is the "position" a session script types into. A control is found by its name
// in code. Buttons without `at` go to the right-hand panel. `hidden` controls show nothing
// and take nothing until shown. A list holds rows (a value and a text); it takes a row by its
// number (1-based) or its exact text, and shows the chosen row's text. A check is a radio of
// "1" (tak) and "0" (nie). A value an entry cannot take is refused with a warning that says
// why, and the entry keeps its value.
//
//   PlainWindow w(*PlainWindowDocument::parse(text, "Param_CIT2.dialog"), &ui);
//   w.onAction("run", [&] { ...; w.finish(id); });
//   w.onChange("KR", [&] { ... });
//   ui.runWindow({&w, ini, maximise});
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "citforms/host/ui_seam.h"
#include "citforms/host/ui_window.h"
#include "citforms/values/result.h"

namespace citforms::host {

enum class PlainKind { Label, Text, Date, Amount, Count, List, Check, Progress, Button };

struct PlainControl {
    int number = 0;
    PlainKind kind = PlainKind::Label;
    std::string name;              // how code finds it; may be empty for a label
    WindowRect at;
    std::string text;              // label text; button caption; check caption
    std::size_t capacity = 255;    // Text: characters; Count: digits
    std::vector<std::string> items;  // a list's fixed rows
    std::string shortcut;          // button
    std::string action;            // button
    bool hidden = false;
    bool panel = false;            // button on the right-hand panel
};

struct PlainWindowDocument {
    std::string name;
    std::string title;
    int width = 0;
    int height = 0;
    std::vector<PlainControl> controls;

    // Reads a document; a malformed one fails with "<file>:<line>: <reason>".
    static values::Result<PlainWindowDocument> parse(std::string_view text,
                                                     std::string_view fileName);
};

struct ListRow {
    std::string value;  // what code reads: an id
    std::string text;   // what the person sees
};

class PlainWindow : public UiWindow {
public:
    // `ui` (may be null) is told why a typed value was refused.
    explicit PlainWindow(PlainWindowDocument document, UiSeam* ui = nullptr);

    // Values by control name. A list's value is its chosen row's value ("" when none).
    std::string value(std::string_view name) const;
    void setValue(std::string_view name, std::string value);  // list: the row of that value
    // What the entry of that name shows ("1 234,50", "05-04-2016", a list row's text).
    std::string shown(std::string_view name) const;
    void setRows(std::string_view name, std::vector<ListRow> rows);
    const std::vector<ListRow>& rows(std::string_view name) const;
    int chosenRow(std::string_view name) const;  // 0-based; -1 none
    void chooseRow(std::string_view name, int row);
    void setHidden(std::string_view name, bool hidden);
    void setEnabled(std::string_view name, bool enabled);  // controls and buttons (by caption)
    void setTitle(std::string title) { model_.title = std::move(title); }

    // A button's action; a change of an entry (after it was accepted).
    void onAction(std::string action, std::function<void()> handler);
    void onChange(std::string name, std::function<void()> handler);
    // Before the close box closes the window: false keeps it open.
    void onClose(std::function<bool()> handler) { onClose_ = std::move(handler); }
    void onCalendar(std::function<std::string(std::string_view current)> handler) {
        calendar_ = std::move(handler);
    }
    // Ends the window with its result.
    void finish(int result);

    // UiWindow
    const WindowModel& model() const override { return model_; }
    std::string display(std::size_t entry) const override;
    bool entryEnabled(std::size_t entry) const override;
    std::vector<std::string> listItems(std::size_t entry) const override;
    bool entryVisible(std::size_t entry) const override;
    bool buttonEnabled(std::size_t button) const override;
    bool edit(std::size_t entry, std::string_view typed) override;
    void press(std::size_t button) override;
    void pickDate(std::size_t entry) override;
    int page() const override { return 0; }
    void showPage(int) override {}
    std::size_t firstFocus() const override;
    bool requestClose() override;
    bool finished() const override { return finished_; }
    int result() const override { return result_; }

    const PlainWindowDocument& document() const { return doc_; }

private:
    struct State {
        std::string value;
        std::vector<ListRow> rows;
        int chosen = -1;
        bool hidden = false;
        bool enabled = true;
    };
    State& state(std::string_view name);
    const State& state(std::string_view name) const;
    std::size_t controlOf(std::string_view name) const;

    bool refuse(const std::string& why);

    PlainWindowDocument doc_;
    UiSeam* ui_;
    WindowModel model_;
    std::vector<std::size_t> entryControl_;   // entry index -> control index
    std::vector<std::size_t> buttonControl_;  // button index -> control index
    std::vector<State> states_;               // per control
    mutable State unknown_;                   // what a name no control has reaches
    std::map<std::string, std::function<void()>, std::less<>> actions_;
    std::map<std::string, std::function<void()>, std::less<>> changes_;
    std::function<bool()> onClose_;
    std::function<std::string(std::string_view)> calendar_;
    bool finished_ = false;
    int result_ = 0;
};

}  // namespace citforms::host
