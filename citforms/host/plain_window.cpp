#include "citforms/host/plain_window.h"

#include <variant>

#include "citforms/documents/document_lines.h"
#include "citforms/values/amount_entry.h"
#include "citforms/values/day_number.h"
#include "citforms/values/picture.h"
#include "citforms/values/text.h"

namespace citforms::host {

namespace {

using values::Result;

struct KindName {
    std::string_view keyword;
    PlainKind kind;
};

constexpr KindName kKinds[] = {
    {"label", PlainKind::Label},   {"entry", PlainKind::Text},   {"date", PlainKind::Date},
    {"amount", PlainKind::Amount}, {"count", PlainKind::Count},  {"list", PlainKind::List},
    {"choice", PlainKind::List},   {"check", PlainKind::Check},  {"progress", PlainKind::Progress},
    {"button", PlainKind::Button},
};

std::vector<std::string> splitItems(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t bar = text.find('|', start);
        if (bar == std::string_view::npos) bar = text.size();
        out.emplace_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    return out;
}

std::size_t characters(std::string_view utf8) {
    std::size_t n = 0;
    for (char ch : utf8)
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80) ++n;
    return n;
}

constexpr const char* kAmountPicture = "N-19_`2";

}  // namespace

Result<PlainWindowDocument> PlainWindowDocument::parse(std::string_view text,
                                                       std::string_view fileName) {
    using R = Result<PlainWindowDocument>;
    auto records = print::doc::splitRecords(text, fileName);
    if (!records) return R::failure(records.error());
    PlainWindowDocument d;
    bool seenWindow = false;
    int number = 0;
    for (const print::doc::Record& r : *records) {
        print::doc::AttributeReader reader(r, fileName);
        if (r.keyword == "window") {
            if (seenWindow) return R::failure(reader.where("a second 'window' record"));
            if (r.words.size() != 1) return R::failure(reader.where("'window' needs a name"));
            seenWindow = true;
            d.name = r.words[0];
            d.title = reader.optional("title").value_or("");
            if (auto size = reader.optional("size")) {
                auto rect = print::doc::readRect(*size, false);
                if (!rect) return R::failure(reader.where(rect.error()));
                d.width = rect->x;
                d.height = rect->y;
            }
            if (auto done = reader.finish(); !done) return R::failure(done.error());
            continue;
        }
        if (!seenWindow) return R::failure(reader.where("the first record must be 'window'"));
        const KindName* kind = nullptr;
        for (const KindName& k : kKinds)
            if (k.keyword == r.keyword) kind = &k;
        if (kind == nullptr) return R::failure(reader.where("unknown record '" + r.keyword + "'"));
        PlainControl c;
        c.number = ++number;
        c.kind = kind->kind;
        std::size_t word = 0;
        if (c.kind == PlainKind::Button) {
            if (r.words.empty()) return R::failure(reader.where("a button needs its caption"));
            c.text = r.words[word++];
        } else if (c.kind != PlainKind::Label && r.words.empty()) {
            return R::failure(reader.where("'" + r.keyword + "' needs a name"));
        }
        if (word < r.words.size()) c.name = r.words[word++];
        if (c.kind == PlainKind::Button && c.name.empty()) c.name = c.text;
        for (; word < r.words.size(); ++word) {
            if (r.words[word] == "hidden") c.hidden = true;
            else return R::failure(reader.where("unknown word '" + r.words[word] + "'"));
        }
        if (auto at = reader.optional("at")) {
            auto rect = print::doc::readRect(*at, true);
            if (!rect) return R::failure(reader.where(rect.error()));
            c.at = {rect->x, rect->y, rect->width.value_or(0), rect->height.value_or(0)};
        } else if (c.kind == PlainKind::Button) {
            c.panel = true;
        } else {
            return R::failure(reader.where("'" + r.keyword + "' needs at="));
        }
        if (auto t = reader.optional("text")) c.text = *t;
        if (auto k = reader.optional("key")) c.shortcut = *k;
        if (auto a = reader.optional("action")) c.action = *a;
        if (auto items = reader.optional("items")) c.items = splitItems(*items);
        if (auto cap = reader.optional("capacity")) {
            auto n = print::doc::readInt(*cap);
            if (!n || *n < 1 || *n > 3000) return R::failure(reader.where("bad capacity"));
            c.capacity = static_cast<std::size_t>(*n);
        } else if (c.kind == PlainKind::Count) {
            c.capacity = 9;
        }
        if (auto done = reader.finish(); !done) return R::failure(done.error());
        if (c.kind == PlainKind::Button && c.action.empty())
            return R::failure(reader.where("a button needs action="));
        for (const PlainControl& other : d.controls)
            if (!c.name.empty() && other.name == c.name)
                return R::failure(reader.where("a second control named '" + c.name + "'"));
        d.controls.push_back(std::move(c));
    }
    if (!seenWindow) return R::failure(std::string(fileName) + ": no 'window' record");
    return d;
}

PlainWindow::PlainWindow(PlainWindowDocument document, UiSeam* ui)
    : doc_(std::move(document)), ui_(ui) {
    model_.name = doc_.name;
    model_.title = doc_.title;
    PageModel page;
    page.caption = doc_.title;
    page.width = doc_.width;
    page.height = doc_.height;
    model_.pages.push_back(std::move(page));
    states_.resize(doc_.controls.size());
    for (std::size_t i = 0; i < doc_.controls.size(); ++i) {
        const PlainControl& c = doc_.controls[i];
        State& s = states_[i];
        s.hidden = c.hidden;
        if (c.kind == PlainKind::Label) s.value = c.text;
        if (c.kind == PlainKind::Check) s.value = "0";
        if (c.kind == PlainKind::Progress) s.value = "0";
        if (c.kind == PlainKind::Count) s.value = "0";
        for (const std::string& item : c.items) s.rows.push_back({item, item});
        if (!s.rows.empty()) s.chosen = 0;
        if (c.kind == PlainKind::Button) {
            ButtonModel b;
            b.caption = c.text;
            b.shortcut = c.shortcut;
            b.page = c.panel ? -1 : 0;
            b.at = c.at;
            buttonControl_.push_back(i);
            model_.buttons.push_back(std::move(b));
            continue;
        }
        EntryModel e;
        e.field = c.number;
        e.at = c.at;
        e.capacity = c.capacity;
        switch (c.kind) {
            case PlainKind::Text: e.kind = EntryKind::Text; e.picture = "s" + std::to_string(c.capacity); break;
            case PlainKind::Date: e.kind = EntryKind::Date; e.picture = "D6-"; break;
            case PlainKind::Amount: e.kind = EntryKind::Amount; e.picture = "@N-19_`2"; break;
            case PlainKind::Count: e.kind = EntryKind::Count; break;
            case PlainKind::List: e.kind = EntryKind::List; break;
            case PlainKind::Check:
                e.kind = EntryKind::Radio;
                e.radios = {{"1", c.text.empty() ? "tak" : c.text, c.at},
                            {"0", "nie", {c.at.x + c.at.width, c.at.y, c.at.width, c.at.height}}};
                break;
            case PlainKind::Label:
            case PlainKind::Progress:
            case PlainKind::Button: e.kind = EntryKind::Display; break;
        }
        e.label = c.kind == PlainKind::Label;
        entryControl_.push_back(i);
        model_.entries.push_back(std::move(e));
    }
}

std::size_t PlainWindow::controlOf(std::string_view name) const {
    for (std::size_t i = 0; i < doc_.controls.size(); ++i)
        if (doc_.controls[i].name == name) return i;
    return doc_.controls.size();
}

PlainWindow::State& PlainWindow::state(std::string_view name) {
    const std::size_t i = controlOf(name);
    if (i < states_.size()) return states_[i];
    // A name its document does not have: what is set there is shown nowhere and reads empty.
    unknown_ = State{};
    return unknown_;
}

const PlainWindow::State& PlainWindow::state(std::string_view name) const {
    return const_cast<PlainWindow*>(this)->state(name);
}

std::string PlainWindow::value(std::string_view name) const {
    const State& s = state(name);
    const std::size_t i = controlOf(name);
    if (i >= doc_.controls.size()) return {};
    if (doc_.controls[i].kind == PlainKind::List) {
        return s.chosen >= 0 && s.chosen < static_cast<int>(s.rows.size())
                   ? s.rows[static_cast<std::size_t>(s.chosen)].value
                   : std::string();
    }
    return s.value;
}

std::string PlainWindow::shown(std::string_view name) const {
    const std::size_t control = controlOf(name);
    for (std::size_t e = 0; e < entryControl_.size(); ++e)
        if (entryControl_[e] == control) return display(e);
    return {};
}

void PlainWindow::setValue(std::string_view name, std::string value) {
    State& s = state(name);
    const std::size_t i = controlOf(name);
    if (i >= doc_.controls.size()) return;
    if (doc_.controls[i].kind == PlainKind::List) {
        for (std::size_t r = 0; r < s.rows.size(); ++r)
            if (s.rows[r].value == value) s.chosen = static_cast<int>(r);
        return;
    }
    s.value = std::move(value);
}

void PlainWindow::setRows(std::string_view name, std::vector<ListRow> rows) {
    State& s = state(name);
    s.rows = std::move(rows);
    s.chosen = s.rows.empty() ? -1 : 0;
}

const std::vector<ListRow>& PlainWindow::rows(std::string_view name) const {
    return state(name).rows;
}

int PlainWindow::chosenRow(std::string_view name) const { return state(name).chosen; }

void PlainWindow::chooseRow(std::string_view name, int row) {
    State& s = state(name);
    if (row >= -1 && row < static_cast<int>(s.rows.size())) s.chosen = row;
}

void PlainWindow::setHidden(std::string_view name, bool hidden) { state(name).hidden = hidden; }

void PlainWindow::setEnabled(std::string_view name, bool enabled) { state(name).enabled = enabled; }

void PlainWindow::onAction(std::string action, std::function<void()> handler) {
    actions_[std::move(action)] = std::move(handler);
}

void PlainWindow::onChange(std::string name, std::function<void()> handler) {
    changes_[std::move(name)] = std::move(handler);
}

void PlainWindow::finish(int result) {
    result_ = result;
    finished_ = true;
}

std::string PlainWindow::display(std::size_t entry) const {
    if (entry >= entryControl_.size()) return {};
    const PlainControl& c = doc_.controls[entryControl_[entry]];
    const State& s = states_[entryControl_[entry]];
    if (s.hidden) return {};
    switch (c.kind) {
        case PlainKind::List:
            return s.chosen >= 0 && s.chosen < static_cast<int>(s.rows.size())
                       ? s.rows[static_cast<std::size_t>(s.chosen)].text
                       : std::string();
        case PlainKind::Amount: return values::formatPicture(kAmountPicture, s.value);
        case PlainKind::Date: return s.value.empty() ? std::string() : values::formatPicture("D6-", s.value);
        case PlainKind::Progress: return s.value + "%";
        default: return s.value;
    }
}

bool PlainWindow::entryEnabled(std::size_t entry) const {
    if (entry >= entryControl_.size()) return false;
    const State& s = states_[entryControl_[entry]];
    return !s.hidden && s.enabled && model_.entries[entry].kind != EntryKind::Display;
}

bool PlainWindow::entryVisible(std::size_t entry) const {
    return entry < entryControl_.size() && !states_[entryControl_[entry]].hidden;
}

std::vector<std::string> PlainWindow::listItems(std::size_t entry) const {
    std::vector<std::string> out;
    if (entry >= entryControl_.size()) return out;
    if (doc_.controls[entryControl_[entry]].kind != PlainKind::List) return out;
    for (const ListRow& row : states_[entryControl_[entry]].rows) out.push_back(row.text);
    return out;
}

bool PlainWindow::buttonEnabled(std::size_t button) const {
    if (button >= buttonControl_.size()) return false;
    const State& s = states_[buttonControl_[button]];
    return !s.hidden && s.enabled;
}

bool PlainWindow::refuse(const std::string& why) {
    if (ui_ != nullptr) ui_->message({kTitleWarning, why, "&OK", MessageIcon::Warning, 1});
    return false;
}

bool PlainWindow::edit(std::size_t entry, std::string_view typed) {
    if (!entryEnabled(entry)) return false;
    const PlainControl& c = doc_.controls[entryControl_[entry]];
    State& s = states_[entryControl_[entry]];
    const std::string text(values::trim(typed));
    switch (c.kind) {
        case PlainKind::Text:
            // Characters, not bytes: the texts are UTF-8.
            if (characters(typed) > c.capacity)
                return refuse("Tekst może mieć najwyżej " + std::to_string(c.capacity) +
                              " znaków.");
            s.value = std::string(typed);
            break;
        case PlainKind::Date: {
            if (text.empty()) {
                s.value.clear();
                break;
            }
            auto day = values::parseDate(text);
            if (!day) return refuse("Niepoprawna data: " + text + ".");
            s.value = std::to_string(*day);
            break;
        }
        case PlainKind::Amount: {
            auto parsed = values::parseAmountEntry(text);
            if (std::holds_alternative<values::EntryError>(parsed))
                return refuse("Niepoprawna kwota: " + text + ".");
            s.value = std::get<values::Amount>(parsed).toPlainText();
            break;
        }
        case PlainKind::Count: {
            auto n = values::parseInteger<long long>(text);
            if (text.empty() || text.size() > c.capacity || !n || *n < 0)
                return refuse("Wpisz liczbę całkowitą do " + std::to_string(c.capacity) +
                              " cyfr.");
            s.value = std::to_string(*n);
            break;
        }
        case PlainKind::List: {
            int found = -1;
            for (std::size_t r = 0; r < s.rows.size(); ++r)
                if (s.rows[r].text == text) found = static_cast<int>(r);
            if (found < 0) {
                auto n = values::parseInteger<int>(text);
                if (n && *n >= 1 && *n <= static_cast<int>(s.rows.size())) found = *n - 1;
            }
            if (found < 0) return refuse("Nie ma takiej pozycji na liście: " + text + ".");
            s.chosen = found;
            break;
        }
        case PlainKind::Check:
            if (text != "1" && text != "0") return refuse("Wybierz 1 (tak) albo 0 (nie).");
            s.value = text;
            break;
        case PlainKind::Label:
        case PlainKind::Progress:
        case PlainKind::Button: return false;
    }
    if (auto h = changes_.find(c.name); h != changes_.end() && h->second) h->second();
    return true;
}

void PlainWindow::press(std::size_t button) {
    if (!buttonEnabled(button)) return;
    const PlainControl& c = doc_.controls[buttonControl_[button]];
    if (c.action == "close") {
        finish(0);
        return;
    }
    if (auto h = actions_.find(c.action); h != actions_.end() && h->second) h->second();
}

void PlainWindow::pickDate(std::size_t entry) {
    if (!entryEnabled(entry) || !calendar_) return;
    const PlainControl& c = doc_.controls[entryControl_[entry]];
    if (c.kind != PlainKind::Date) return;
    const std::string chosen = calendar_(display(entry));
    if (!chosen.empty()) edit(entry, chosen);
}

std::size_t PlainWindow::firstFocus() const {
    for (std::size_t i = 0; i < model_.entries.size(); ++i)
        if (entryEnabled(i)) return i;
    return 0;
}

bool PlainWindow::requestClose() {
    if (onClose_ && !onClose_()) return false;
    if (!finished_) finish(0);
    return true;
}

}  // namespace citforms::host
