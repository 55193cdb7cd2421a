#include "citforms/windows/form_window.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <limits>
#include <set>
#include <variant>

#include "citforms/host/ui_seam.h"
#include "citforms/print/page_builder.h"
#include "citforms/print/page_drawing.h"
#include "citforms/print/print_variables.h"
#include "citforms/print/report_run.h"
#include "citforms/values/amount_entry.h"
#include "citforms/values/day_number.h"
#include "citforms/values/field_value.h"
#include "citforms/values/picture.h"
#include "citforms/values/text.h"

namespace citforms::windows {

namespace {

using host::EntryKind;
using print::ControlKind;

// The actions a read-only window keeps: they show or print what is there and change nothing
// (an attachment window opened from it is read-only in its turn).
bool changesNothing(std::string_view action) {
    for (std::string_view prefix : {"page:", "window:", "copies:"})
        if (action.substr(0, prefix.size()) == prefix) return true;
    for (std::string_view kept : {"close", "print", "check", "print-cit-st", "print-cit-sta",
                                  "show-copy"})
        if (action == kept) return true;
    return false;
}

constexpr int kNaturalHeight = 208;
constexpr int kNaturalWidth = 1500;
constexpr int kPageButtonWidth = 260;
// A text entry this short holds a number typed as text (the employees of a CIT-ST branch).
constexpr std::size_t kShortNumberText = 7;

bool isValueControl(ControlKind kind) {
    return kind == ControlKind::Field || kind == ControlKind::Option ||
           kind == ControlKind::Radio || kind == ControlKind::MultiLine;
}

template <class T>
const T* findPair(const std::vector<std::pair<int, T>>& list, int field) {
    for (const auto& [n, v] : list)
        if (n == field) return &v;
    return nullptr;
}

// The entry kind a layout control of `field` gets, with its picture and capacity.
void classify(const WindowDeclaration& d, const forms::FieldDef* def, const print::Control& c,
              host::EntryModel& e) {
    const bool display =
        std::find(d.display.begin(), d.display.end(), e.field) != d.display.end();
    e.capacity = def != nullptr ? def->capacity : 255;
    if (const int* chars = findPair(d.textCapacity, e.field)) e.capacity = *chars;
    const auto picture = values::Picture::parse(c.picture);
    if (c.kind == ControlKind::Option) {
        e.kind = EntryKind::Radio;
    } else if (const int* digits = findPair(d.countDigits, e.field)) {
        e.kind = EntryKind::Count;
        e.capacity = static_cast<std::size_t>(*digits);
        e.picture = "n" + std::to_string(*digits);
    } else if (picture && picture->kind == values::Picture::Kind::Date) {
        e.kind = EntryKind::Date;
        e.picture = "D6-";
    } else if (picture && picture->kind == values::Picture::Kind::Number) {
        e.kind = picture->decimals > 0 ? EntryKind::Amount : EntryKind::Whole;
        e.picture = picture->decimals > 0 ? "@N-19_`2" : "@N-19_";
    } else {
        e.kind = EntryKind::Text;
        e.picture = "s" + std::to_string(e.capacity);
        e.multiLine = c.kind == ControlKind::MultiLine;
    }
    if (display) e.kind = EntryKind::Display;
}

host::WindowRect placed(const print::ReportRun& run, const print::Rect& at, int naturalWidth,
                        int naturalHeight) {
    return {run.left() + at.x, run.top() + at.y, at.width.value_or(naturalWidth),
            at.height.value_or(naturalHeight)};
}

std::string trimmed(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return std::string(text);
}

// The answer a radio field holds: its text, or the whole number of an amount-held answer.
std::string answerOf(const values::FieldValue& v) {
    if (v.fieldClass() != values::FieldClass::Amount) return trimmed(v.text());
    const std::int64_t grosze = v.amount().grosze();
    if (grosze == 0) return "";
    if (grosze % 100 != 0) return v.amount().toPlainText();
    return std::to_string(grosze / 100);
}

void setWhole(values::FieldValue& v, std::int64_t n) {
    if (v.fieldClass() == values::FieldClass::Text) {
        v.setText(std::to_string(n));
    } else {
        v.setAmount(values::Amount::fromGrosze(n * 100));
    }
}

// The width a text's characters take in its font (thousandths of an inch), estimated on the
// generous side for the sans face of the pages: narrow letters and punctuation a third of the
// font size, m and w nearly all of it, capitals four fifths, digits and the other letters a
// little over half; bold a tenth more; Courier six tenths each. Lines wrapped by this estimate
// are never fewer than the screen draws (the runtime's tests measure the real font).
int estimatedWidth(std::string_view text, const print::FontSpec& font) {
    long long em = 0;  // thousandths of an em
    const bool mono = font.face.find("Courier") != std::string::npos;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        char32_t c = lead;
        if (lead >= 0xF0) {
            length = 4;
        } else if (lead >= 0xE0) {
            length = 3;
        } else if (lead >= 0xC0) {
            length = 2;
            if (i + 1 < text.size())
                c = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
        }
        i += length;
        const bool ascii = c < 0x80;
        if (mono) {
            em += 600;
        } else if (ascii && std::string_view(" .,:;'!|()[]/-fijlrtI").find(static_cast<char>(c)) !=
                         std::string_view::npos) {
            em += 350;
        } else if (c == 'm' || c == 'w' || c == 'M' || c == 'W' || c == '%' || length > 2) {
            em += 950;
        } else if ((c >= 'A' && c <= 'Z') || c == U'Ą' || c == U'Ć' || c == U'Ę' ||
                   c == U'Ł' || c == U'Ń' || c == U'Ó' || c == U'Ś' || c == U'Ź' || c == U'Ż') {
            em += 800;
        } else {
            em += 570;
        }
    }
    if (font.bold()) em = em * 11 / 10;
    return static_cast<int>(em * font.points * 1000 / (72 * 1000));
}

// The height of one line of a text in its font, with its leading.
int lineHeight(const print::FontSpec& font) { return font.points * 1000 * 6 / (72 * 5); }

// How many lines a wrapped text takes in its width, breaking at spaces as the painter does
// (a word longer than the width stays on a line of its own).
int wrappedLines(const print::TextItem& t) {
    if (!t.width) return 1;
    const int space = estimatedWidth(" ", t.font);
    auto paragraphLines = [&](std::string_view paragraph) {
        int lines = 1;
        int used = -1;  // -1: the line holds nothing yet
        while (!paragraph.empty()) {
            const std::size_t gap = paragraph.find(' ');
            const std::string_view word = paragraph.substr(0, gap);
            paragraph = gap == std::string_view::npos ? std::string_view()
                                                      : paragraph.substr(gap + 1);
            if (word.empty()) continue;
            const int width = estimatedWidth(word, t.font);
            if (used < 0) {
                used = width;
            } else if (used + space + width <= *t.width) {
                used += space + width;
            } else {
                ++lines;
                used = width;
            }
        }
        return lines;
    };
    const std::string_view text = t.text;
    int lines = 0;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find('\n', start);
        lines += paragraphLines(text.substr(start, end == std::string_view::npos
                                                       ? std::string_view::npos
                                                       : end - start));
        if (end == std::string_view::npos) return lines;
        start = end + 1;
    }
}

// The box a text of the page drawing takes (thousandths of an inch): a line of its font's
// height, as wide as its characters at about half the font size each, within its own box; a
// wrapped text its box, or as many lines as it takes when it has no height.
struct TextBox {
    int left = 0, top = 0, right = 0, bottom = 0;
};

TextBox textBox(const print::TextItem& t) {
    const int line = lineHeight(t.font);
    const int natural =
        static_cast<int>(values::textLength(t.text)) * t.font.points * 1000 * 11 / (72 * 20);
    const int width = t.width ? std::min(*t.width, natural) : natural;
    int left = t.x;
    if (t.width && t.justify == print::Justify::Centre) left = t.x + (*t.width - width) / 2;
    if (t.width && t.justify == print::Justify::Right) left = t.x + *t.width - width;
    int top = t.y;
    if (t.height && !t.wrap) top = t.y + (*t.height - line) / 2;
    int height = line;
    if (t.wrap && t.width) height = t.height ? *t.height : wrappedLines(t) * line;
    return {left, top, left + width, top + height};
}

// The page under the entries is for reading on a screen, not for paper: the print's smallest
// texts (the 5 and 6 point position labels, the instructions, the row labels) are drawn at
// least this size. A single line then cleared by the entries as any caption is
// (clearCaptions), and ends in "…" when too long for its box as a long label in print does; a
// wrapped text makes room for its longer lines (roomForWrappedTexts).
constexpr int kWindowLabelPoints = 7;
// The smallest labels the print draws.
constexpr int kPrintLabelPoints = 5;

void readableLabels(print::PageContent& page) {
    for (print::PageItem& item : page.items) {
        auto* text = std::get_if<print::TextItem>(&item);
        if (text != nullptr && text->font.points < kWindowLabelPoints && !text->wrap)
            text->font.points = kWindowLabelPoints;
    }
}

// An entry laid over a caption printed in the top of its box (the small captions of the
// CIT-8's table of positions 97 to 142) moves below the caption, keeping at least
// kMinEntryHeight. A caption drawn larger for the screen that the entry cannot clear so goes
// back towards its print size until it can (or reaches the print's smallest, and stays
// covered).
constexpr int kMinEntryHeight = 130;

void clearCaptions(host::EntryModel& e, print::PageContent& page) {
    if (e.kind == EntryKind::Radio) return;
    for (print::PageItem& item : page.items) {
        auto* text = std::get_if<print::TextItem>(&item);
        if (text == nullptr || text->text.empty()) continue;
        for (;;) {
            const TextBox b = textBox(*text);
            const int bottom = e.at.y + e.at.height;
            const bool overlaps = b.left < e.at.x + e.at.width && b.right > e.at.x &&
                                  b.top < bottom && b.bottom > e.at.y;
            if (!overlaps || b.top >= e.at.y + e.at.height / 2) break;
            if (bottom - b.bottom >= kMinEntryHeight) {
                e.at.height = bottom - b.bottom;
                e.at.y = b.bottom;
                break;
            }
            if (text->font.points > kWindowLabelPoints || text->font.points <= kPrintLabelPoints)
                break;
            --text->font.points;
        }
    }
}

// Room made on a window page: from `cut` down, everything lies `delta` lower; what spans the
// cut (the boxes of the row, the section's frame) grows by as much.
struct Shift {
    int cut = 0;
    int delta = 0;
};

struct Span {
    int top = 0, bottom = 0;
};

Span spanOf(const print::PageItem& item) {
    if (const auto* b = std::get_if<print::BoxItem>(&item)) return {b->y, b->y + b->height};
    if (const auto* l = std::get_if<print::LineItem>(&item))
        return {std::min(l->y, l->y + l->height), std::max(l->y, l->y + l->height)};
    if (const auto* t = std::get_if<print::TextItem>(&item)) {
        const TextBox b = textBox(*t);
        return {b.top, b.bottom};
    }
    const auto& m = std::get<print::MarkItem>(item);
    return {m.y, m.y + m.size};
}

// Whether `item` lies over any part of the columns from `left` to `right`.
bool across(const print::PageItem& item, int left, int right) {
    int x = 0, width = 0;
    if (const auto* b = std::get_if<print::BoxItem>(&item)) {
        x = b->x, width = b->width;
    } else if (const auto* l = std::get_if<print::LineItem>(&item)) {
        x = std::min(l->x, l->x + l->width), width = std::abs(l->width);
    } else if (const auto* t = std::get_if<print::TextItem>(&item)) {
        const TextBox box = textBox(*t);
        x = box.left, width = box.right - box.left;
    } else {
        const auto& m = std::get<print::MarkItem>(item);
        x = m.x, width = m.size;
    }
    return x < right && x + width >= left;
}

void shift(print::PageItem& item, const Shift& s) {
    const Span span = spanOf(item);
    if (span.top >= s.cut) {
        std::visit([&](auto& i) { i.y += s.delta; }, item);
        return;
    }
    if (span.bottom < s.cut) return;
    if (auto* b = std::get_if<print::BoxItem>(&item)) {
        b->height += s.delta;
    } else if (auto* l = std::get_if<print::LineItem>(&item); l != nullptr && l->height > 0) {
        l->height += s.delta;
    } else if (l != nullptr && l->height < 0) {
        l->y += s.delta;
        l->height -= s.delta;
    } else if (auto* t = std::get_if<print::TextItem>(&item); t && t->wrap && t->height) {
        *t->height += s.delta;
    }
}

void shift(host::WindowRect& at, const Shift& s) {
    if (at.y >= s.cut) at.y += s.delta;
}

void shift(host::EntryModel& e, const Shift& s) {
    shift(e.at, s);
    for (host::RadioChoice& r : e.radios) shift(r.at, s);
}

// The wrapped texts of a window page in print size (the instructions, the row labels beside
// their values) drawn at kWindowLabelPoints with the room their longer lines need: where the
// lines would reach what lies below them (a text, a box's edge, a line, an entry), the page
// opens there by the difference. The opening goes where it cuts through nothing that starts
// beside the text (between the rows, under the box of the text's own row), so that the rows
// below move down whole and the boxes of the text's row and section grow.
std::vector<Shift> roomForWrappedTexts(print::PageContent& page,
                                       const std::vector<host::EntryModel*>& entries) {
    std::vector<std::size_t> wrapped;
    for (std::size_t i = 0; i < page.items.size(); ++i)
        if (const auto* t = std::get_if<print::TextItem>(&page.items[i]);
            t && t->wrap && t->width && t->font.points < kWindowLabelPoints)
            wrapped.push_back(i);
    std::stable_sort(wrapped.begin(), wrapped.end(), [&](std::size_t a, std::size_t b) {
        return std::get<print::TextItem>(page.items[a]).y <
               std::get<print::TextItem>(page.items[b]).y;
    });
    std::vector<Shift> shifts;
    for (const std::size_t index : wrapped) {
        auto& text = std::get<print::TextItem>(page.items[index]);
        text.font.points = kWindowLabelPoints;
        const int left = text.x, right = text.x + *text.width, top = text.y;
        // What lies below the text's top in its columns: the first of it is how far the lines
        // may run.
        int limit = text.height ? top + *text.height : std::numeric_limits<int>::max();
        std::vector<Span> below;
        for (std::size_t i = 0; i < page.items.size(); ++i) {
            const print::PageItem& item = page.items[i];
            if (i == index) continue;
            const Span span = spanOf(item);
            below.push_back(span);
            if (!across(item, left, right)) continue;
            if (span.top > top) {
                limit = std::min(limit, span.top);
            } else if (std::holds_alternative<print::BoxItem>(item) && span.bottom > top) {
                limit = std::min(limit, span.bottom);  // the lower edge of its frame
            }
        }
        for (const host::EntryModel* e : entries) {
            below.push_back({e->at.y, e->at.y + e->at.height});
            if (e->at.x < right && e->at.x + e->at.width > left && e->at.y > top)
                limit = std::min(limit, e->at.y);
        }
        if (limit == std::numeric_limits<int>::max()) continue;
        const int needed = wrappedLines(text) * lineHeight(text.font);
        if (top + needed <= limit) continue;
        // Where to open: the lowest place up to the limit that cuts through the fewest things
        // that start below the text's top.
        Shift s{limit, top + needed - limit};
        int fewest = std::numeric_limits<int>::max();
        std::vector<int> places{limit};
        for (const Span& b : below)
            if (b.top > top && b.top < limit) places.push_back(b.top);
        for (const int place : places) {
            const int cut = static_cast<int>(std::count_if(
                below.begin(), below.end(),
                [&](const Span& b) { return b.top > top && b.top < place && b.bottom > place; }));
            if (cut < fewest || (cut == fewest && place > s.cut)) {
                fewest = cut;
                s.cut = place;
            }
        }
        for (std::size_t i = 0; i < page.items.size(); ++i)
            if (i != index) shift(page.items[i], s);
        if (text.height) *text.height += s.delta;
        for (host::EntryModel* e : entries) shift(*e, s);
        shifts.push_back(s);
    }
    // The page's drawings no longer lie as drawn: its items are painted one by one.
    if (!shifts.empty()) page.drawings.clear();
    return shifts;
}

// An attachment's print takes some values under the return's own names ("V1", the NIP, on
// the CIT-8/O's page): a position the window declares shown (`display`) is found under its
// plain name "V<n>" too, so that the attachment shows its copy of the value there.
std::optional<int> displayedByPlainName(const WindowDeclaration& d, const forms::FormDef& form,
                                        std::string_view variable) {
    if (variable.size() < 2 || variable[0] != 'V') return std::nullopt;
    const std::string digits(variable.substr(1));
    if (!std::all_of(digits.begin(), digits.end(),
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }) ||
        digits.size() > 4)
        return std::nullopt;
    const int n = std::stoi(digits);
    if (std::find(d.display.begin(), d.display.end(), n) == d.display.end()) return std::nullopt;
    if (form.field(n) == nullptr) return std::nullopt;
    return n;
}

}  // namespace

host::WindowRect textExtent(const print::TextItem& text) {
    const TextBox b = textBox(text);
    return {b.left, b.top, b.right - b.left, b.bottom - b.top};
}

values::Result<FormWindowLayout> buildFormWindow(const WindowDeclaration& declaration,
                                                 const forms::FormDef& form,
                                                 const print::Layout& layout) {
    using R = values::Result<FormWindowLayout>;
    FormWindowLayout out;
    out.declaration = declaration;
    host::WindowModel& m = out.model;
    m.name = declaration.name;
    m.title = declaration.title.empty() ? form.title : declaration.title;

    std::set<int> seen;
    std::vector<std::vector<Shift>> shifts;  // per page: the room made for wrapped texts
    const std::vector<int> bands = layout.pageBands();
    for (std::size_t p = 0; p < bands.size(); ++p) {
        const print::Band* band = layout.band(bands[p]);
        print::ReportRun run(layout);
        for (const print::Control& c : band->controls)
            if (isValueControl(c.kind)) run.hide(c.number);
        auto background = print::buildPage(run, band->number, print::MapVariables{});
        if (!background) return R::failure(declaration.name + ": " + background.error());
        readableLabels(*background);
        const bool captioned =
            p < declaration.pageCaptions.size() && !declaration.pageCaptions[p].empty();
        m.pages.push_back(
            {captioned ? declaration.pageCaptions[p] : std::to_string(p + 1) + " strona",
             std::move(*background)});
        // The window's own pages are as large as their report, not a sheet of paper.
        if (!declaration.pages.empty()) {
            m.pages.back().width = layout.report().area.width.value_or(0);
            m.pages.back().height = layout.report().area.height.value_or(0);
        }

        for (const print::Control& c : band->controls) {
            if (c.kind != ControlKind::Field && c.kind != ControlKind::MultiLine &&
                c.kind != ControlKind::Option)
                continue;
            auto field = form.fieldOfVariable(c.variable);
            if (!field) field = displayedByPlainName(declaration, form, c.variable);
            if (!field || !seen.insert(*field).second) continue;
            host::EntryModel e;
            e.field = *field;
            e.page = static_cast<int>(p);
            e.at = placed(run, c.at, kNaturalWidth, kNaturalHeight);
            const forms::FieldDef* def = form.field(*field);
            classify(declaration, def, c, e);
            if (e.kind == EntryKind::Radio) {
                for (const print::Control& r : band->controls) {
                    if (r.kind != ControlKind::Radio || r.option != c.number) continue;
                    host::RadioChoice choice;
                    choice.value = r.text;
                    if (def != nullptr) choice.text = def->answerText(r.text).value_or("");
                    choice.at = placed(run, r.at, print::kRadioSize, print::kRadioSize);
                    e.radios.push_back(std::move(choice));
                }
                if (e.radios.empty()) e.kind = EntryKind::Text;
                // A lone mark (a check box) could be set but never cleared as a radio: it is
                // typed as one digit, its mark or 0.
                if (e.radios.size() == 1) {
                    e.kind = EntryKind::Count;
                    e.capacity = 1;
                    e.picture = "n1";
                }
            }
            clearCaptions(e, m.pages.back().background);
            m.entries.push_back(std::move(e));
        }
        std::vector<host::EntryModel*> onPage;
        for (host::EntryModel& e : m.entries)
            if (e.page == static_cast<int>(p)) onPage.push_back(&e);
        host::PageModel& page = m.pages.back();
        shifts.push_back(roomForWrappedTexts(page.background, onPage));
        int grown = 0;
        for (const Shift& s : shifts.back()) grown += s.delta;
        if (grown > 0) page.height = (page.height > 0 ? page.height : page.background.height()) + grown;
    }
    // What the declaration places on a page by itself lies where the page's rows moved.
    auto shifted = [&](host::WindowRect at, int page) {
        if (page >= 0 && page < static_cast<int>(shifts.size()))
            for (const Shift& s : shifts[static_cast<std::size_t>(page)]) shift(at, s);
        return at;
    };
    for (const ListDeclaration& l : declaration.lists) {
        if (l.page > static_cast<int>(m.pages.size()) || form.field(l.field) == nullptr)
            return R::failure(declaration.name + ": the list of position " +
                              std::to_string(l.field) + " has no page or no field");
        host::EntryModel e;
        e.field = l.field;
        e.kind = EntryKind::List;
        e.page = l.page - 1;
        e.at = shifted(placed(print::ReportRun(layout), l.at, 0, 0), e.page);
        e.columns = l.columns;
        m.entries.push_back(std::move(e));
    }
    std::stable_sort(m.entries.begin(), m.entries.end(), [](const auto& a, const auto& b) {
        return a.page != b.page ? a.page < b.page : a.field < b.field;
    });
    auto entryOf = [&](int field) -> const host::EntryModel* {
        for (const auto& e : m.entries)
            if (e.field == field) return &e;
        return nullptr;
    };
    if (declaration.focus != 0 && entryOf(declaration.focus) == nullptr)
        return R::failure(declaration.name + ": focus on position " +
                          std::to_string(declaration.focus) + ", which has no entry");

    auto addButton = [&](host::ButtonModel b, ButtonDeclaration action, int field) {
        b.field = field;
        m.buttons.push_back(std::move(b));
        out.actions.push_back(std::move(action));
    };
    for (std::size_t p = 0; p < m.pages.size(); ++p) {
        ButtonDeclaration action;
        action.caption = m.pages[p].caption;
        action.action = "page:" + std::to_string(p);
        addButton({m.pages[p].caption, "Ctrl+" + std::to_string(p + 1), -1, {}}, action, 0);
    }
    for (const ButtonDeclaration& b : declaration.buttons) {
        if (b.page != 0) continue;
        addButton({b.caption, b.shortcut, -1, {}}, b, 0);
    }
    // Buttons on the pages sit right of the entry they belong to.
    auto besideEntry = [&](const host::EntryModel& e, int width) {
        return host::WindowRect{e.at.x + e.at.width + 30, e.at.y, width, e.at.height};
    };
    for (const ButtonDeclaration& b : declaration.buttons) {
        if (b.page == 0) continue;
        if (b.at) {
            if (b.page > static_cast<int>(m.pages.size()))
                return R::failure(declaration.name + ": button " + b.caption + " on page " +
                                  std::to_string(b.page) + ", which the window has not");
            addButton({b.caption, b.shortcut, b.page - 1,
                       shifted(placed(print::ReportRun(layout), *b.at, 0, 0), b.page - 1)},
                      b, 0);
            continue;
        }
        const host::EntryModel* e = entryOf(b.beside);
        if (e == nullptr || e->page != b.page - 1)
            return R::failure(declaration.name + ": button " + b.caption + " beside position " +
                              std::to_string(b.beside) + ", which has no entry on page " +
                              std::to_string(b.page));
        addButton({b.caption, b.shortcut, e->page, besideEntry(*e, 3 * kPageButtonWidth)}, b,
                  b.beside);
    }
    for (const auto& [field, code] : declaration.definitions) {
        const host::EntryModel* e = entryOf(field);
        if (e == nullptr)
            return R::failure(declaration.name + ": a definition button beside position " +
                              std::to_string(field) + ", which has no entry");
        ButtonDeclaration action;
        action.caption = "D";
        action.action = "definition:" + code;
        addButton({"D", "", e->page, besideEntry(*e, kPageButtonWidth)}, action, field);
    }
    return out;
}

FormWindow::FormWindow(const FormWindowLayout& layout, store::FieldSet& fields,
                       WindowContext context)
    : layout_(&layout), fields_(&fields), context_(std::move(context)) {
    const std::size_t focus = firstFocus();
    if (focus < model().entries.size()) page_ = model().entries[focus].page;
}

void FormWindow::setHandler(std::string action, Handler handler) {
    handlers_[std::move(action)] = std::move(handler);
}

void FormWindow::finish(int result) {
    finished_ = true;
    result_ = result;
}

void FormWindow::setAfterEdit(std::function<void(FormWindow&, int)> rule) {
    afterEdit_ = std::move(rule);
}

void FormWindow::setAfterChange(ChangeRule rule) {
    afterChange_ = std::move(rule);
}

void FormWindow::setEntryEnabled(int field, bool enabled) { entryEnabled_[field] = enabled; }

void FormWindow::setListRows(int field, std::function<std::vector<std::string>()> rows) {
    listRows_[field] = std::move(rows);
}

std::vector<std::string> FormWindow::listItems(std::size_t entry) const {
    const host::EntryModel& e = model().entries.at(entry);
    const auto it = listRows_.find(e.field);
    return it == listRows_.end() ? std::vector<std::string>{} : it->second();
}

void FormWindow::setTitle(std::string title) {
    titled_ = layout_->model;
    titled_->title = std::move(title);
}

void FormWindow::setReadOnly(std::string reason) {
    readOnly_ = true;
    status_ = std::move(reason);
}

void FormWindow::setButtonEnabled(std::string action, std::function<bool()> holds) {
    buttonEnabled_[std::move(action)] = std::move(holds);
}

std::size_t FormWindow::entryOf(int field) const {
    const auto& entries = model().entries;
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].field == field) return i;
    return entries.size();
}

std::string FormWindow::display(std::size_t entry) const {
    const host::EntryModel& e = model().entries.at(entry);
    if (!fields_->has(e.field)) return {};
    const values::FieldValue& v = (*fields_)[e.field];
    if (e.kind == EntryKind::List) {
        const std::vector<std::string> rows = listItems(entry);
        const auto row = values::parseInteger<std::int64_t>(trimmed(v.text()));
        if (!row || *row < 1 || *row > static_cast<std::int64_t>(rows.size())) return {};
        return rows[static_cast<std::size_t>(*row - 1)];
    }
    if (e.kind == EntryKind::Radio) return answerOf(v);
    if (e.kind == EntryKind::Text ||
        (e.kind == EntryKind::Display && v.fieldClass() == values::FieldClass::Text &&
         e.picture.rfind('s', 0) == 0))
        return trimmed(v.text());
    if (e.kind == EntryKind::Count) return answerOf(v).empty() ? "0" : answerOf(v);
    return values::formatPicture(e.picture, trimmed(v.toStored()));
}

bool FormWindow::entryEnabled(std::size_t entry) const {
    const host::EntryModel& e = model().entries.at(entry);
    if (readOnly_) return false;
    if (e.kind == EntryKind::Display || !fields_->has(e.field)) return false;
    const auto it = entryEnabled_.find(e.field);
    return it == entryEnabled_.end() || it->second;
}

bool FormWindow::ruleHolds(const EnabledRule& rule) const {
    if (!fields_->has(rule.field)) return false;
    const values::FieldValue& v = (*fields_)[rule.field];
    if (rule.test == EnabledRule::Test::Equals) return answerOf(v) == rule.value;
    const auto limit = values::parseAmountEntry(rule.value);
    if (!std::holds_alternative<values::Amount>(limit)) return false;
    return v.amount().grosze() > std::get<values::Amount>(limit).grosze();
}

bool FormWindow::buttonEnabled(std::size_t button) const {
    const ButtonDeclaration& b = layout_->actions.at(button);
    if (readOnly_ && !changesNothing(b.action)) return false;
    if (const auto rule = buttonEnabled_.find(b.action);
        rule != buttonEnabled_.end() && !rule->second())
        return false;
    return !b.enabled || ruleHolds(*b.enabled);
}

void FormWindow::refuse(std::string_view text) const {
    if (context_.host == nullptr || context_.host->ui == nullptr) return;
    context_.host->ui->message({host::kTitleWarning, std::string(text), "&OK",
                                host::MessageIcon::Warning, 1});
}

bool FormWindow::edit(std::size_t entry, std::string_view typed) {
    if (entry >= model().entries.size() || !entryEnabled(entry)) return false;
    const host::EntryModel& e = model().entries[entry];
    values::FieldValue& v = (*fields_)[e.field];
    const std::string where = "poz. " + std::to_string(e.field);
    const values::FieldValue before = v;
    switch (e.kind) {
        case EntryKind::Display:
            return false;
        case EntryKind::List: {
            // A row by its number or its whole text; the position holds the row's number.
            const std::vector<std::string> rows = listItems(entry);
            const std::string text = trimmed(typed);
            std::size_t row = 0;
            for (std::size_t r = 0; r < rows.size() && row == 0; ++r)
                if (rows[r] == typed || std::to_string(r + 1) == text) row = r + 1;
            if (row == 0) {
                refuse("Na liście " + where + " nie ma wiersza " + text + ".");
                return false;
            }
            v.setText(std::to_string(row));
            break;
        }
        case EntryKind::Text:
            if (values::textLength(typed) > e.capacity) {
                refuse("Tekst w " + where + " może mieć najwyżej " + std::to_string(e.capacity) +
                       " znaków.");
                return false;
            }
            v.setText(typed);
            break;
        case EntryKind::Amount:
        case EntryKind::Whole: {
            auto parsed = values::parseAmountEntry(typed);
            if (auto* error = std::get_if<values::EntryError>(&parsed)) {
                refuse(error->message + " (" + where + ")");
                return false;
            }
            const values::Amount a = std::get<values::Amount>(parsed);
            if (e.kind == EntryKind::Whole && a.grosze() % 100 != 0) {
                refuse("W " + where + " wpisuje się kwotę w pełnych złotych.");
                return false;
            }
            v.setAmount(a);
            break;
        }
        case EntryKind::Count: {
            const std::string text = trimmed(typed);
            const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) != 0;
            });
            if (!digits || text.size() > e.capacity) {
                refuse("W " + where + " wpisuje się liczbę najwyżej " +
                       std::to_string(e.capacity) + "-cyfrową.");
                return false;
            }
            if (!e.radios.empty() && text != "0" && text != e.radios.front().value) {
                refuse("W " + where + " nie ma odpowiedzi " + text + ".");
                return false;
            }
            setWhole(v, std::stoll(text));
            break;
        }
        case EntryKind::Date: {
            const std::string text = trimmed(typed);
            values::DayNumber day = 0;
            if (!text.empty()) {
                const auto parsed = values::parseDate(text);
                if (!parsed) {
                    refuse("Niepoprawna data w " + where + ": " + text);
                    return false;
                }
                day = *parsed;
            }
            if (v.fieldClass() == values::FieldClass::Day) {
                v.setDay(day);
            } else {
                v.setText(day == 0 ? std::string() : std::to_string(day));
            }
            break;
        }
        case EntryKind::Radio: {
            const std::string answer = trimmed(typed);
            const bool known = std::any_of(e.radios.begin(), e.radios.end(),
                                           [&](const auto& r) { return r.value == answer; });
            if (!known) {
                refuse("W " + where + " nie ma odpowiedzi " + answer + ".");
                return false;
            }
            if (v.fieldClass() == values::FieldClass::Amount) {
                setWhole(v, std::stoll(answer));
            } else {
                v.setText(answer);
            }
            break;
        }
    }
    if (afterEdit_) afterEdit_(*this, e.field);
    if (afterChange_ && (*fields_)[e.field].toStored() != before.toStored())
        afterChange_(*this, e.field, before);
    return true;
}

void FormWindow::pickDate(std::size_t entry) {
    if (entry >= model().entries.size() || !entryEnabled(entry) || context_.host == nullptr)
        return;
    const host::EntryModel& e = model().entries[entry];
    if (e.kind != EntryKind::Date) return;
    const values::FieldValue& v = (*fields_)[e.field];
    const std::string current =
        v.fieldClass() == values::FieldClass::Day ? std::to_string(v.day()) : trimmed(v.text());
    const std::string chosen = context_.host->utility->KALENDARZ(e.at.x, e.at.y, current);
    const auto day = values::parseDate(chosen);
    if (chosen.empty() || chosen == current) return;
    // The calendar answers a day number; a date as text is taken too.
    std::string typed = chosen;
    if (!day && std::all_of(chosen.begin(), chosen.end(),
                            [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        typed = values::formatDayMonthYear(std::stoi(chosen));
    edit(entry, typed);
}

bool FormWindow::focusField(int field) {
    const std::size_t entry = entryOf(field);
    if (entry >= model().entries.size()) return false;
    page_ = model().entries[entry].page;
    focusRequest_ = entry;
    return true;
}

void FormWindow::showPage(int page) {
    if (page >= 0 && page < static_cast<int>(model().pages.size())) page_ = page;
}

std::size_t FormWindow::firstFocus() const {
    const std::size_t focus = entryOf(layout_->declaration.focus);
    return focus < model().entries.size() ? focus : 0;
}

void FormWindow::entered(std::size_t entry, bool byKeyboard) {
    if (entry >= model().entries.size() || context_.host == nullptr) return;
    const host::EntryModel& e = model().entries[entry];
    if (e.kind != host::EntryKind::Amount && e.kind != host::EntryKind::Whole) return;
    if (byKeyboard) {
        context_.host->utility->SELECT_KEYBOARD(e.picture);
    } else {
        context_.host->utility->SELECT_MOUSELEFT(e.picture);
    }
}

bool FormWindow::selectsOnEntry(std::size_t entry) const {
    if (UiWindow::selectsOnEntry(entry)) return true;
    const host::EntryModel& e = model().entries.at(entry);
    return e.kind == EntryKind::Text && e.capacity <= kShortNumberText;
}

void FormWindow::press(std::size_t button) {
    if (button >= model().buttons.size() || !buttonEnabled(button)) return;
    runAction(button);
}

void FormWindow::runAction(std::size_t button) {
    const ButtonDeclaration& b = layout_->actions[button];
    const std::string& action = b.action;
    if (action.rfind("page:", 0) == 0) {
        showPage(std::stoi(action.substr(5)));
        return;
    }
    if (action == "close") {
        // "Anuluj" / "Zamknij" close as the close box does, the question included.
        requestClose();
        return;
    }
    if (const auto handler = handlers_.find(action); handler != handlers_.end()) {
        handler->second(*this);
        return;
    }
    if (action.rfind("window:", 0) == 0) {
        if (context_.open) context_.open(action.substr(7), 0, 0);
    } else if (action.rfind("copies:", 0) == 0) {
        const std::int64_t count =
            fields_->has(b.countField) ? (*fields_)[b.countField].amount().grosze() / 100 : 0;
        int copy = 1;
        if (count > 1 && context_.host != nullptr && context_.host->ui != nullptr) {
            std::string items = "Formularz nr 1";
            for (std::int64_t k = 2; k <= count; ++k) items += "|Formularz nr " + std::to_string(k);
            copy = context_.host->ui->popupMenu(items);
            if (copy < 1 || copy > count) return;
        }
        if (context_.open)
            context_.open(action.substr(7), copy, static_cast<int>(std::max<std::int64_t>(count, 1)));
    } else if (action == "definition" || action.rfind("definition:", 0) == 0) {
        const std::string code = action == "definition" ? std::string() : action.substr(11);
        if (context_.host != nullptr && context_.host->statements != nullptr)
            context_.host->statements->DEF_ZESTAW_NEW(context_.declarationId, "DD", "", code);
    } else if (context_.host != nullptr && context_.host->ui != nullptr) {
        context_.host->ui->message({host::kTitleInformation,
                                    "Przycisk \"" + b.caption +
                                        "\" nie jest jeszcze obsługiwany w tym oknie.",
                                    "&OK", host::MessageIcon::Information, 1});
    }
}

void FormWindow::markUnchanged() { unchangedValues_ = *fields_; }

bool FormWindow::valuesChanged() const {
    if (!unchangedValues_) return false;
    bool changed = false;
    fields_->forEachStored([&](int number, const std::string& value) {
        if (!changed && unchangedValues_->stored(number) != value) changed = true;
    });
    return changed;
}

void FormWindow::setChangesCheck(std::function<bool()> check) { changesCheck_ = std::move(check); }

bool FormWindow::hasChanges() const {
    if (readOnly_) return false;
    if (!unchangedValues_ && !changesCheck_) return false;
    return changesCheck_ ? changesCheck_() : valuesChanged();
}

FormWindow::CloseAnswer FormWindow::askBeforeClose() const {
    if (context_.host == nullptr || context_.host->ui == nullptr) return CloseAnswer::Discard;
    // The question of the declaration windows, with a way back: Esc and the question's close
    // box answer its last button, "Anuluj", and the window stays with what was typed.
    const int answer = context_.host->ui->message(
        {host::kTitleQuestion, "Czy chcesz zapisać deklarację?", "&Zapisz|&Nie zapisuj|&Anuluj",
         host::MessageIcon::Question, 1});
    if (answer == 1) return CloseAnswer::Save;
    if (answer == 2) return CloseAnswer::Discard;
    return CloseAnswer::Back;
}

bool FormWindow::requestClose() {
    if (!finished_ && hasChanges()) {
        switch (askBeforeClose()) {
            case CloseAnswer::Back:
                return false;
            case CloseAnswer::Save:
                if (const auto save = handlers_.find("save"); save != handlers_.end()) {
                    // The window's own save ends it; a refused or failed one keeps it open.
                    save->second(*this);
                    return finished_;
                }
                break;  // no save of its own: the values stay with the declaration
            case CloseAnswer::Discard:
                if (unchangedValues_) *fields_ = *unchangedValues_;
                changesCheck_ = nullptr;
                unchangedValues_.reset();
                break;
        }
    }
    if (const auto handler = handlers_.find("close"); handler != handlers_.end()) {
        handler->second(*this);
        return finished_;
    }
    finish(result_);
    return true;
}

}  // namespace citforms::windows
