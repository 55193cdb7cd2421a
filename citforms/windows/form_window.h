#pragma once
// The one form-window engine: a window generated from the form catalogue, the print layout's
// positions and the page drawings, plus the window's small declaration (window_declaration.h).
//
// buildFormWindow() lays the window out: a tab page over every page band of the layout (its
// drawing and literal texts, without values, as the page background), an entry over every
// position the layout prints a value of the window's form at, of the kind the position has
// (a radio group for an option, a date for "D6-", amounts with grosze or in whole złoty by the
// picture, counts and display-only positions as declared, text with its capacity otherwise),
// the definition and picker buttons on the pages and the right-hand button panel with a page
// button per page. Entries are in keyboard order: page, then position number. The page is
// drawn for a screen: its small texts at 7 points at least, the rows of a wrapped text that
// needs more lines at that size lower, the page longer by as much; the print keeps its sizes.
//
// FormWindow works that layout over one field set of the open declaration: entries show the
// values through their pictures and write what is typed back (refused with a message when it
// is not a value of the entry's kind), the declaration's enabled-state rules follow the values,
// and buttons run the engine's actions or the handlers the window's controller registers.
//
//   auto layout = buildFormWindow(*builtInWindow("CIT_8_73"), form, printLayout);
//   FormWindow window(*layout, fields.form("CIT-8"), context);
//   window.setHandler("save", [&](FormWindow& w) { ...; w.finish(id); });
//   host.ui->runWindow({&window, ini, maximise});
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "citforms/forms/form.h"
#include "citforms/host/binding.h"
#include "citforms/host/ui_window.h"
#include "citforms/print/layout.h"
#include "citforms/store/field_set.h"
#include "citforms/values/field_value.h"
#include "citforms/values/result.h"
#include "citforms/windows/window_declaration.h"

namespace citforms::windows {

// What the engine generated for one window: the view's model and, per button, what it does.
struct FormWindowLayout {
    WindowDeclaration declaration;
    host::WindowModel model;
    // Per button of the model: its declaration (page buttons: "page:<n>"; definition buttons:
    // "definition:<code>").
    std::vector<ButtonDeclaration> actions;
};

values::Result<FormWindowLayout> buildFormWindow(const WindowDeclaration& declaration,
                                                 const forms::FormDef& form,
                                                 const print::Layout& layout);

// The box a text of a window page takes as the engine lays the page out: a single line as
// wide as its characters, a wrapped text as many lines as it needs in its width (estimated
// from the widths of its letters so that the screen's text never takes more).
host::WindowRect textExtent(const print::TextItem& text);

// What a window needs of its surroundings: the host (messages, statement definitions), the
// declaration's id, and a way to open another window over the same declaration.
struct WindowContext {
    const host::HostBinding* host = nullptr;
    int declarationId = 0;
    // Opens window `name` (copy `copy` of `count` for a numbered form; 0 otherwise); returns
    // its result.
    std::function<int(std::string_view name, int copy, int count)> open;
};

class FormWindow : public host::UiWindow {
public:
    using Handler = std::function<void(FormWindow&)>;

    FormWindow(const FormWindowLayout& layout, store::FieldSet& fields, WindowContext context);

    void setHandler(std::string action, Handler handler);
    // Ends the window with `result` (a handler's "Zapisz" or "Zamknij").
    void finish(int result);
    store::FieldSet& fields() { return *fields_; }
    const WindowDeclaration& declaration() const { return layout_->declaration; }
    const WindowContext& context() const { return context_; }
    // Runs after a value was accepted into `field` (the window's own rules).
    void setAfterEdit(std::function<void(FormWindow&, int field)> rule);
    // Runs after the rules of setAfterEdit when the accepted value differs from the value the
    // entry had before (`before`): an entry left with a changed value.
    using ChangeRule = std::function<void(FormWindow&, int field, const values::FieldValue& before)>;
    void setAfterChange(ChangeRule rule);
    // An entry shown but not editable while `disabled` holds.
    void setEntryEnabled(int field, bool enabled);
    // The rows of the list of position `field` (a list the declaration declares), asked for
    // whenever the view shows it; the position holds the number of the chosen row.
    void setListRows(int field, std::function<std::vector<std::string>()> rows);
    std::vector<std::string> listItems(std::size_t entry) const override;
    // The buttons of `action` are enabled while `holds` answers true (a rule that is not a
    // position's value, such as a list the window's code keeps); the declaration's
    // `enabled=` rule must hold too.
    void setButtonEnabled(std::string action, std::function<bool()> holds);

    // A title other than the declaration's for this opening ("… \ Dodawanie").
    void setTitle(std::string title);
    // The status line under the pages.
    void setStatus(std::string text) { status_ = std::move(text); }
    std::string status() const override { return status_; }

    // The window only shows its values: no entry takes a value, only the buttons that change
    // nothing stay enabled (pages, print, check, the attachments opened to be read, closing),
    // nothing counts as a change (closing asks nothing), and `reason` is the status line.
    void setReadOnly(std::string reason);
    bool readOnly() const override { return readOnly_; }

    // The values as they stand become the window's unchanged state; from then on closing the
    // window while it holds changes asks "Czy chcesz zapisać deklarację?" with "Zapisz" (the
    // window's "save" action, when it has one), "Nie zapisuj" (the values back as they were)
    // and "Anuluj" (back to the window). A window never marked closes without the question.
    void markUnchanged();
    // Whether the window holds changes not yet saved: by default its own values differ from
    // those marked; `check` when the window's code knows more (a "Oblicz" pressed).
    bool hasChanges() const;
    bool valuesChanged() const;
    void setChangesCheck(std::function<bool()> check);

    const host::WindowModel& model() const override {
        return titled_ ? *titled_ : layout_->model;
    }
    std::string display(std::size_t entry) const override;
    bool entryEnabled(std::size_t entry) const override;
    bool buttonEnabled(std::size_t button) const override;
    bool edit(std::size_t entry, std::string_view typed) override;
    void press(std::size_t button) override;
    void pickDate(std::size_t entry) override;
    int page() const override { return page_; }
    void showPage(int page) override;
    std::size_t firstFocus() const override;
    void entered(std::size_t entry, bool byKeyboard) override;
    // Amounts and counts, and the short number-like texts (the CIT-ST employees of a branch).
    bool selectsOnEntry(std::size_t entry) const override;
    bool requestClose() override;
    bool finished() const override { return finished_; }
    int result() const override { return result_; }

    // The entry of position `field`, or the number of entries when there is none.
    std::size_t entryOf(int field) const;
    // Shows the page of position `field` and asks the view to put the cursor on it; false
    // when the window has no entry of that position.
    bool focusField(int field);
    std::optional<std::size_t> takeFocusRequest() override {
        return std::exchange(focusRequest_, std::nullopt);
    }

private:
    bool ruleHolds(const EnabledRule& rule) const;
    enum class CloseAnswer { Save, Discard, Back };
    CloseAnswer askBeforeClose() const;
    void refuse(std::string_view text) const;
    void runAction(std::size_t button);

    const FormWindowLayout* layout_;
    store::FieldSet* fields_;
    WindowContext context_;
    std::map<std::string, Handler> handlers_;
    std::function<void(FormWindow&, int)> afterEdit_;
    ChangeRule afterChange_;
    std::map<int, bool> entryEnabled_;
    std::map<int, std::function<std::vector<std::string>()>> listRows_;
    std::optional<host::WindowModel> titled_;
    std::map<std::string, std::function<bool()>> buttonEnabled_;
    int page_ = 0;
    std::optional<std::size_t> focusRequest_;
    std::optional<store::FieldSet> unchangedValues_;
    std::function<bool()> changesCheck_;
    std::string status_;
    bool readOnly_ = false;
    bool finished_ = false;
    int result_ = 0;
};

}  // namespace citforms::windows
