#include "citforms/documents/layout.h"

#include <set>

#include "citforms/documents/document_lines.h"

namespace citforms::print {

using values::Error;
using values::Result;

namespace {

struct ControlKindName {
    std::string_view word;
    ControlKind kind;
};
constexpr ControlKindName kControlKinds[] = {
    {"image", ControlKind::Image}, {"field", ControlKind::Field},
    {"string", ControlKind::String}, {"option", ControlKind::Option},
    {"radio", ControlKind::Radio}, {"box", ControlKind::Box},
    {"line", ControlKind::Line}, {"text", ControlKind::MultiLine},
};

struct ProgressKindName {
    std::string_view word;
    ProgressControlKind kind;
};
constexpr ProgressKindName kProgressKinds[] = {
    {"bar", ProgressControlKind::Bar},
    {"busy", ProgressControlKind::Busy},
    {"label", ProgressControlKind::Label},
    {"button", ProgressControlKind::Button},
};

Result<VariableType> readType(std::string_view text) {
    if (text == "decimal" || text == "decimal:15")
        return VariableType{VariableType::Kind::Decimal, 15};
    if (text.substr(0, 5) == "text:") {
        auto n = doc::readInt(text.substr(5));
        if (!n || *n < 1 || *n > 100000) return Error{"text length must be 1 to 100000"};
        return VariableType{VariableType::Kind::Text, *n};
    }
    return Error{"type must be text:<length> or decimal"};
}

// Reads the flags (bare words after the name) a record may carry.
values::Status readFlags(const doc::Record& rec, doc::AttributeReader& attrs,
                         std::size_t firstFlag, bool allowTransparent, bool* transparent) {
    for (std::size_t k = firstFlag; k < rec.words.size(); ++k) {
        if (allowTransparent && rec.words[k] == "transparent") {
            *transparent = true;
            continue;
        }
        return attrs.error("unexpected word '" + rec.words[k] + "'");
    }
    return {};
}

class Parser {
public:
    Parser(std::string_view fileName) : file_(fileName) {}

    values::Status run(const std::vector<doc::Record>& records, ReportRecord* report,
                       std::optional<ProgressWindow>* progress, std::vector<Band>* bands);

private:
    values::Status reportRecord(const doc::Record& rec, ReportRecord* report);
    values::Status progressRecord(const doc::Record& rec, std::optional<ProgressWindow>* out);
    values::Status progressControl(const doc::Record& rec, ProgressControlKind kind,
                                   ProgressWindow* window);
    values::Status bandRecord(const doc::Record& rec, std::vector<Band>* bands);
    values::Status controlRecord(const doc::Record& rec, ControlKind kind, Band* band);

    std::string file_;
    int nextNumber_ = 1;
    int lastOption_ = 0;  // number of the last option of the current band
};

values::Status Parser::reportRecord(const doc::Record& rec, ReportRecord* report) {
    doc::AttributeReader a(rec, file_);
    if (rec.words.size() != 1) return a.error("report needs exactly one name");
    report->name = rec.words[0];
    if (auto paper = a.optional("paper")) {
        if (*paper != "A4") return a.error("paper must be A4");
        report->paper = *paper;
    }
    auto units = a.required("units");
    if (!units) return Error{units.error()};
    if (*units == "thou") {
        report->units = Units::Thousandths;
    } else if (*units == "mm") {
        report->units = Units::Millimetres;
    } else {
        return a.error("units must be thou or mm");
    }
    auto at = a.required("at");
    if (!at) return Error{at.error()};
    auto rect = doc::readRect(*at, true);
    if (!rect) return a.error(rect.error());
    report->area = *rect;
    auto font = a.required("font");
    if (!font) return Error{font.error()};
    auto f = doc::readFont(*font);
    if (!f) return a.error(f.error());
    report->font = *f;
    if (auto title = a.optional("title")) report->title = *title;
    return a.finish();
}

values::Status Parser::progressRecord(const doc::Record& rec,
                                      std::optional<ProgressWindow>* out) {
    doc::AttributeReader a(rec, file_);
    if (!rec.words.empty()) return a.error("progress takes no name");
    ProgressWindow w;
    if (auto title = a.optional("title")) w.title = *title;
    auto size = a.required("size");
    if (!size) return Error{size.error()};
    auto dims = doc::readInts(*size, false);
    if (!dims || dims->size() != 2 || *(*dims)[0] <= 0 || *(*dims)[1] <= 0)
        return a.error("size must be width,height");
    w.width = *(*dims)[0];
    w.height = *(*dims)[1];
    auto font = a.required("font");
    if (!font) return Error{font.error()};
    auto f = doc::readFont(*font);
    if (!f) return a.error(f.error());
    w.font = *f;
    *out = std::move(w);
    return a.finish();
}

values::Status Parser::progressControl(const doc::Record& rec, ProgressControlKind kind,
                                       ProgressWindow* window) {
    doc::AttributeReader a(rec, file_);
    if (rec.words.empty()) return a.error(rec.keyword + " needs a name");
    ProgressControl c;
    c.number = static_cast<int>(window->controls.size()) + 1;
    c.name = rec.words[0];
    c.kind = kind;
    if (auto st = readFlags(rec, a, 1, kind == ProgressControlKind::Label, &c.transparent); !st)
        return st;
    auto at = a.required("at");
    if (!at) return Error{at.error()};
    auto rect = doc::readRect(*at, true);
    if (!rect) return a.error(rect.error());
    c.at = *rect;
    if (auto text = a.optional("text")) c.text = *text;
    if (auto j = a.optional("justify")) {
        auto jj = doc::readJustify(*j);
        if (!jj) return a.error(jj.error());
        c.justify = *jj;
    }
    if (kind == ProgressControlKind::Bar) {
        if (auto range = a.optional("range")) {
            auto r = doc::readInts(*range, false);
            if (!r || r->size() != 2 || *(*r)[0] >= *(*r)[1])
                return a.error("range must be low,high with low below high");
            c.rangeLow = *(*r)[0];
            c.rangeHigh = *(*r)[1];
        }
    }
    window->controls.push_back(std::move(c));
    return a.finish();
}

values::Status Parser::bandRecord(const doc::Record& rec, std::vector<Band>* bands) {
    doc::AttributeReader a(rec, file_);
    if (rec.words.empty() || rec.words.size() > 2)
        return a.error("band needs a kind (page, header, footer, form) and a name");
    Band b;
    b.line = rec.line;
    const std::string& kind = rec.words[0];
    if (kind == "page") {
        b.kind = BandKind::Page;
    } else if (kind == "header") {
        b.kind = BandKind::Header;
    } else if (kind == "footer") {
        b.kind = BandKind::Footer;
    } else if (kind == "form") {
        b.kind = BandKind::Form;
    } else {
        return a.error("band kind must be page, header, footer or form, not '" + kind + "'");
    }
    if (rec.words.size() == 2) b.name = rec.words[1];
    if (b.kind == BandKind::Page && b.name.empty()) return a.error("a page band needs a name");
    if (auto at = a.optional("at")) {
        auto rect = doc::readRect(*at, false);
        if (!rect) return a.error(rect.error());
        b.at = *rect;
    }
    auto height = a.required("height");
    if (!height) return Error{height.error()};
    auto h = doc::readInt(*height);
    if (!h || *h < 0) return a.error("height must be a whole number of at least 0");
    b.height = *h;
    if (auto orientation = a.optional("orientation")) {
        if (*orientation != "portrait" && *orientation != "landscape")
            return a.error("orientation must be portrait or landscape");
        b.landscape = *orientation == "landscape";
    }
    if (auto font = a.optional("font")) {
        auto f = doc::readFont(*font);
        if (!f) return a.error(f.error());
        b.font = *f;
    }
    b.number = nextNumber_++;
    lastOption_ = 0;
    bands->push_back(std::move(b));
    return a.finish();
}

values::Status Parser::controlRecord(const doc::Record& rec, ControlKind kind, Band* band) {
    doc::AttributeReader a(rec, file_);
    if (rec.words.empty()) return a.error(rec.keyword + " needs a name");
    Control c;
    c.line = rec.line;
    c.kind = kind;
    c.name = rec.words[0];
    const bool bound = kind == ControlKind::Field || kind == ControlKind::Option ||
                       kind == ControlKind::MultiLine;
    const bool textual = kind == ControlKind::Field || kind == ControlKind::String ||
                         kind == ControlKind::MultiLine;
    if (auto st = readFlags(rec, a, 1, textual, &c.transparent); !st) return st;

    const bool needsSize = kind == ControlKind::Image || kind == ControlKind::Box ||
                           kind == ControlKind::Line || kind == ControlKind::MultiLine;
    auto at = a.required("at");
    if (!at) return Error{at.error()};
    auto rect = doc::readRect(*at, needsSize);
    if (!rect) return a.error(rect.error());
    c.at = *rect;

    if (bound) {
        c.variable = a.optional("var").value_or(c.name);
        if (c.variable.empty()) return a.error("empty variable name");
        if (auto type = a.optional("type")) {
            auto t = readType(*type);
            if (!t) return a.error(t.error());
            c.type = *t;
        }
    }
    if (kind == ControlKind::Field) {
        auto picture = a.required("picture");
        if (!picture) return Error{picture.error()};
        if (picture->empty()) return a.error("empty picture");
        c.picture = *picture;
    }
    if (kind == ControlKind::Image || kind == ControlKind::String) {
        auto text = a.required("text");
        if (!text) return Error{text.error()};
        if (kind == ControlKind::Image && text->empty()) return a.error("image without a name");
        c.text = *text;
    }
    if (kind == ControlKind::Radio) {
        auto value = a.required("value");
        if (!value) return Error{value.error()};
        if (value->empty()) return a.error("radio without a value");
        c.text = *value;
        if (lastOption_ == 0) return a.error("radio outside an option");
        c.option = lastOption_;
    }
    if (textual) {
        if (auto font = a.optional("font")) {
            auto f = doc::readFont(*font);
            if (!f) return a.error(f.error());
            c.font = *f;
        }
        if (auto j = a.optional("justify")) {
            auto jj = doc::readJustify(*j);
            if (!jj) return a.error(jj.error());
            c.justify = *jj;
        }
    }
    if (kind == ControlKind::Box) {
        if (auto border = a.optional("border")) {
            auto col = doc::readColour(*border);
            if (!col) return a.error(col.error());
            c.border = *col;
        }
        if (auto fill = a.optional("fill")) {
            auto col = doc::readColour(*fill);
            if (!col) return a.error(col.error());
            c.fill = *col;
        }
    }
    if (kind == ControlKind::Line) {
        if (auto colour = a.optional("colour")) {
            auto col = doc::readColour(*colour);
            if (!col) return a.error(col.error());
            c.border = *col;
        }
    }
    c.number = nextNumber_++;
    if (kind == ControlKind::Option) lastOption_ = c.number;
    band->controls.push_back(std::move(c));
    return a.finish();
}

values::Status Parser::run(const std::vector<doc::Record>& records, ReportRecord* report,
                           std::optional<ProgressWindow>* progress, std::vector<Band>* bands) {
    bool haveReport = false;
    for (const doc::Record& rec : records) {
        doc::AttributeReader where(rec, file_);
        values::Status st;
        if (rec.keyword == "report") {
            if (haveReport) return where.error("second report record");
            st = reportRecord(rec, report);
            haveReport = true;
        } else if (!haveReport) {
            return where.error("the document must start with its report record");
        } else if (rec.keyword == "progress") {
            if (progress->has_value()) return where.error("second progress window");
            if (!bands->empty()) return where.error("the progress window comes before the bands");
            st = progressRecord(rec, progress);
        } else if (rec.keyword == "band") {
            st = bandRecord(rec, bands);
        } else {
            bool done = false;
            for (const auto& pk : kProgressKinds) {
                if (rec.keyword != pk.word) continue;
                if (!progress->has_value() || !bands->empty())
                    return where.error(rec.keyword + " belongs to the progress window");
                st = progressControl(rec, pk.kind, &**progress);
                done = true;
            }
            for (const auto& ck : kControlKinds) {
                if (done || rec.keyword != ck.word) continue;
                if (bands->empty()) return where.error(rec.keyword + " before the first band");
                st = controlRecord(rec, ck.kind, &bands->back());
                done = true;
            }
            if (!done) return where.error("unknown keyword '" + rec.keyword + "'");
        }
        if (!st) return Error{st.error()};
    }
    if (!haveReport) return Error{file_ + ":1: the document has no report record"};
    if (bands->empty()) return Error{file_ + ":1: the document has no band"};
    return {};
}

}  // namespace

const ProgressControl* ProgressWindow::control(std::string_view name) const {
    for (const auto& c : controls) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

Result<Layout> Layout::parse(std::string_view text, std::string_view fileName) {
    auto records = doc::splitRecords(text, fileName);
    if (!records) return Error{records.error()};
    Layout layout;
    Parser parser(fileName);
    auto st = parser.run(*records, &layout.report_, &layout.progress_, &layout.bands_);
    if (!st) return Error{st.error()};
    return layout;
}

const Band* Layout::band(int number) const {
    for (const auto& b : bands_) {
        if (b.number == number) return &b;
    }
    return nullptr;
}

const Band* Layout::bandOf(int number) const {
    for (const auto& b : bands_) {
        if (!b.controls.empty() && b.controls.front().number <= number &&
            number <= b.controls.back().number)
            return &b;
    }
    return nullptr;
}

const Control* Layout::control(int number) const {
    const Band* b = bandOf(number);
    if (b == nullptr) return nullptr;
    return &b->controls[static_cast<std::size_t>(number - b->controls.front().number)];
}

const Control* Layout::controlNamed(std::string_view name) const {
    for (const auto& b : bands_) {
        for (const auto& c : b.controls) {
            if (c.name == name) return &c;
        }
    }
    return nullptr;
}

std::vector<int> Layout::pageBands() const {
    std::vector<int> out;
    for (const auto& b : bands_) {
        if (b.kind == BandKind::Page) out.push_back(b.number);
    }
    return out;
}

int Layout::lastNumber() const {
    const Band& last = bands_.back();
    return last.controls.empty() ? last.number : last.controls.back().number;
}

FontSpec Layout::fontOf(const Band& band, const Control& control) const {
    if (control.font) return *control.font;
    if (band.font) return *band.font;
    return report_.font;
}

}  // namespace citforms::print
