#include "citforms/print/page_drawing.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "citforms/documents/document_lines.h"
#include "citforms/documents/embedded_files.h"
#include "citforms/forms/form.h"
#include "citforms/print/layout_catalogue.h"

namespace citforms::print {

using values::Error;
using values::Result;

namespace {

// Geometry of a position box around the rectangle where its value prints: a strip above
// the value for the number and label, a little air on either side.
constexpr int kSlotStrip = 70;
constexpr int kSlotSide = 35;
constexpr int kSlotBelow = 2;
constexpr int kDefaultNaturalWidth = 1500;
constexpr int kDefaultNaturalHeight = 208;

const FontSpec kLabelFont{"Arial", 5, 400, true, std::nullopt};
const FontSpec kRowLabelFont{"Arial", 6, 400, true, std::nullopt};
const FontSpec kQuestionFont{"Arial", 6, 700, true, std::nullopt};
const FontSpec kSectionFont{"Arial", 7, 700, true, std::nullopt};
const FontSpec kTextFont{"Arial", 6, 400, true, std::nullopt};

Result<std::optional<Rgb>> readOptionalColour(const std::string& text) {
    if (text == "none") return std::optional<Rgb>{};
    auto c = doc::readColour(text);
    if (!c) return Error{c.error()};
    return std::optional<Rgb>{*c};
}

// The position number a control's label carries: V31 -> 31, VBR_6 -> 6, V8O:20 -> 8.
std::optional<int> numberOfLabel(std::string_view name) {
    std::size_t i = 0;
    while (i < name.size() && !std::isdigit(static_cast<unsigned char>(name[i]))) ++i;
    if (i == name.size()) return std::nullopt;
    int n = 0;
    while (i < name.size() && std::isdigit(static_cast<unsigned char>(name[i]))) {
        n = n * 10 + (name[i] - '0');
        if (n > 100000) return std::nullopt;
        ++i;
    }
    return n;
}

class DrawingParser {
public:
    DrawingParser(std::string_view fileName, const Layout& layout)
        : file_(fileName), layout_(layout) {}

    Result<PageDrawing> run(const std::vector<doc::Record>& records);

private:
    values::Status header(const doc::Record& rec);
    values::Status box(const doc::Record& rec, bool section);
    values::Status line(const doc::Record& rec);
    values::Status text(const doc::Record& rec);
    values::Status slot(const doc::Record& rec);
    values::Status choice(const doc::Record& rec);

    // Layout coordinates of the band to drawing coordinates.
    int toX(int x) const { return static_cast<int>((x - imageX_) * scaleNum_ / scaleDenX_); }
    int toY(int y) const { return static_cast<int>((y - imageY_) * scaleNumY_ / scaleDenY_); }
    const Control* controlOfBand(std::string_view name) const;
    // The form field a control prints: its role is the position's label.
    // A position without a stated role (`numberOnly`) prints its number alone.
    Result<const forms::FieldDef*> fieldOf(const Control& c, doc::AttributeReader& a,
                                           bool numberOnly = false) const;

    std::string file_;
    const Layout& layout_;
    const Band* band_ = nullptr;
    const forms::FormDef* form_ = nullptr;
    PageDrawing out_;
    long long imageX_ = 0, imageY_ = 0;
    long long scaleNum_ = 1, scaleDenX_ = 1, scaleNumY_ = 1, scaleDenY_ = 1;
};

values::Status DrawingParser::header(const doc::Record& rec) {
    doc::AttributeReader a(rec, file_);
    if (rec.keyword != "drawing") return a.error("a drawing starts with its drawing record");
    if (rec.words.size() != 1) return a.error("drawing needs exactly one name");
    out_.name = rec.words[0];
    auto size = a.required("size");
    if (!size) return Error{size.error()};
    auto dims = doc::readInts(*size, false);
    if (!dims || dims->size() != 2 || *(*dims)[0] <= 0 || *(*dims)[1] <= 0)
        return a.error("size must be width,height");
    out_.width = *(*dims)[0];
    out_.height = *(*dims)[1];
    auto layoutName = a.required("layout");
    if (!layoutName) return Error{layoutName.error()};
    out_.layout = *layoutName;
    if (out_.layout != layout_.report().name)
        return a.error("drawing is parsed against layout " + layout_.report().name +
                       ", not " + out_.layout);
    auto formId = a.required("form");
    if (!formId) return Error{formId.error()};
    form_ = forms::FormCatalogue::builtIn().find(*formId);
    if (form_ == nullptr) return a.error("no form " + *formId);
    out_.form = *formId;
    auto bandName = a.required("band");
    if (!bandName) return Error{bandName.error()};
    out_.band = *bandName;
    for (const Band& b : layout_.bands()) {
        if (b.name == out_.band) band_ = &b;
    }
    if (band_ == nullptr) return a.error("layout " + out_.layout + " has no band " + out_.band);
    const Control* image = nullptr;
    for (const Control& c : band_->controls) {
        if (c.kind == ControlKind::Image && imageKey(c.text) == out_.name) image = &c;
    }
    if (image == nullptr)
        return a.error("band " + out_.band + " shows no image " + out_.name);
    imageX_ = image->at.x;
    imageY_ = image->at.y;
    scaleNum_ = out_.width;
    scaleDenX_ = image->at.width.value_or(out_.width);
    scaleNumY_ = out_.height;
    scaleDenY_ = image->at.height.value_or(out_.height);
    if (scaleDenX_ <= 0 || scaleDenY_ <= 0) return a.error("image with an empty rectangle");
    return a.finish();
}

values::Status DrawingParser::box(const doc::Record& rec, bool section) {
    doc::AttributeReader a(rec, file_);
    if (!rec.words.empty()) return a.error(rec.keyword + " takes no words");
    auto at = a.required("at");
    if (!at) return Error{at.error()};
    auto r = doc::readRect(*at, true);
    if (!r) return a.error(r.error());
    BoxItem b{r->x, r->y, *r->width, *r->height, kBlack, std::nullopt, 7};
    if (section) b.fill = kLightGrey;
    if (auto border = a.optional("border")) {
        auto c = readOptionalColour(*border);
        if (!c) return a.error(c.error());
        b.border = *c;
    }
    if (auto fill = a.optional("fill")) {
        auto c = readOptionalColour(*fill);
        if (!c) return a.error(c.error());
        b.fill = *c;
    }
    if (auto pen = a.optional("pen")) {
        auto p = doc::readInt(*pen);
        if (!p || *p < 1 || *p > 100) return a.error("pen must be 1 to 100");
        b.pen = *p;
    }
    out_.items.emplace_back(b);
    if (section) {
        auto title = a.required("title");
        if (!title) return Error{title.error()};
        out_.items.emplace_back(
            TextItem{r->x + 40, r->y + 25, std::nullopt, std::nullopt, *title, kSectionFont});
    }
    return a.finish();
}

values::Status DrawingParser::line(const doc::Record& rec) {
    doc::AttributeReader a(rec, file_);
    if (!rec.words.empty()) return a.error("line takes no words");
    auto at = a.required("at");
    if (!at) return Error{at.error()};
    auto r = doc::readRect(*at, true);
    if (!r) return a.error(r.error());
    LineItem l{r->x, r->y, *r->width, *r->height, kBlack, 7};
    if (auto colour = a.optional("colour")) {
        auto c = doc::readColour(*colour);
        if (!c) return a.error(c.error());
        l.colour = *c;
    }
    if (auto pen = a.optional("pen")) {
        auto p = doc::readInt(*pen);
        if (!p || *p < 1 || *p > 100) return a.error("pen must be 1 to 100");
        l.pen = *p;
    }
    out_.items.emplace_back(l);
    return a.finish();
}

values::Status DrawingParser::text(const doc::Record& rec) {
    doc::AttributeReader a(rec, file_);
    TextItem t;
    t.font = kTextFont;
    for (const auto& w : rec.words) {
        if (w != "wrap") return a.error("unexpected word '" + w + "'");
        t.wrap = true;
    }
    auto at = a.required("at");
    if (!at) return Error{at.error()};
    auto r = doc::readRect(*at, false);
    if (!r) return a.error(r.error());
    t.x = r->x;
    t.y = r->y;
    t.width = r->width;
    t.height = r->height;
    if (t.wrap && !t.width) return a.error("wrapped text needs a width");
    auto body = a.required("text");
    if (!body) return Error{body.error()};
    t.text = *body;
    if (auto font = a.optional("font")) {
        auto f = doc::readFont(*font);
        if (!f) return a.error(f.error());
        t.font = *f;
    }
    if (auto j = a.optional("justify")) {
        auto jj = doc::readJustify(*j);
        if (!jj) return a.error(jj.error());
        t.justify = *jj;
    }
    out_.items.emplace_back(std::move(t));
    return a.finish();
}

const Control* DrawingParser::controlOfBand(std::string_view name) const {
    for (const Control& c : band_->controls) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

Result<const forms::FieldDef*> DrawingParser::fieldOf(const Control& c,
                                                       doc::AttributeReader& a,
                                                       bool numberOnly) const {
    if (a.optional("label"))
        return a.error("a position's label is the role of its field in the form file");
    // A page may print another form's variables (the CIT-8/O its return's NIP and year).
    const forms::FormDef* form = form_;
    if (auto other = a.optional("form")) {
        form = forms::FormCatalogue::builtIn().find(*other);
        if (form == nullptr) return a.error("no form " + *other);
    }
    const auto number = form->fieldOfVariable(c.variable);
    const forms::FieldDef* field = number ? form->field(*number) : nullptr;
    if (field == nullptr) return a.error("form " + form->id + " has no field " + c.variable);
    if (numberOnly && !field->role.empty())
        return a.error("field " + std::to_string(field->number) + " of form " + form->id +
                       " has a role to print");
    if (!numberOnly && field->role.empty())
        return a.error("field " + std::to_string(field->number) + " of form " + form->id +
                       " has no role");
    return field;
}

values::Status DrawingParser::slot(const doc::Record& rec) {
    doc::AttributeReader a(rec, file_);
    // `slot V6 number-only`: a position the form gives no role, labelled by its number.
    const bool numberOnly = rec.words.size() == 2 && rec.words[1] == "number-only";
    if (rec.words.size() != 1 && !numberOnly)
        return a.error("slot needs the name of one layout control");
    const Control* c = controlOfBand(rec.words[0]);
    if (c == nullptr || (c->kind != ControlKind::Field && c->kind != ControlKind::MultiLine))
        return a.error("band " + out_.band + " has no field " + rec.words[0]);
    std::optional<int> number = numberOfLabel(c->name);
    if (auto no = a.optional("no")) {
        auto n = doc::readInt(*no);
        if (!n) return a.error(n.error());
        number = *n;
    }
    if (!number) return a.error("slot needs no= for " + c->name);
    auto field = fieldOf(*c, a, numberOnly);
    if (!field) return Error{field.error()};
    const std::string label = (*field)->role;
    int width = c->at.width.value_or(kDefaultNaturalWidth);
    int height = c->at.height.value_or(kDefaultNaturalHeight);
    if (auto size = a.optional("size")) {
        if (c->at.width && c->at.height) return a.error("size= is only for natural-size fields");
        auto dims = doc::readInts(*size, false);
        if (!dims || dims->size() != 2) return a.error("size must be width,height");
        if (!c->at.width) width = *(*dims)[0];
        if (!c->at.height) height = *(*dims)[1];
    }
    std::string labelPos = a.optional("labelpos").value_or("inside");
    if (labelPos != "inside" && labelPos != "left")
        return a.error("labelpos must be inside or left");
    int side = kSlotSide;
    int strip = kSlotStrip;
    int left = -1;  // air left of the value; `side` when not given
    for (auto [key, target] : {std::pair<const char*, int*>{"side", &side}, {"strip", &strip},
                               {"left", &left}}) {
        if (auto v = a.optional(key)) {
            auto n = doc::readInt(*v);
            if (!n || *n < 0 || *n > 500) return a.error(std::string(key) + " must be 0 to 500");
            *target = *n;
        }
    }
    int leftX = 150;
    if (auto lx = a.optional("leftx")) {
        auto v = doc::readInt(*lx);
        if (!v) return a.error(v.error());
        leftX = *v;
    }

    if (left < 0) left = side;
    const int x = toX(c->at.x) - left;
    const int y = toY(c->at.y) - strip;
    const int w = static_cast<int>(width * scaleNum_ / scaleDenX_) + left + side;
    const int h = static_cast<int>(height * scaleNumY_ / scaleDenY_) + strip + kSlotBelow;
    out_.items.emplace_back(BoxItem{x, y, w, h, kBlack, kWhite, 7});
    std::string caption = std::to_string(*number) + ".";
    if (labelPos == "inside") {
        if (!label.empty()) caption += " " + label;
        out_.items.emplace_back(
            TextItem{x + 20, y + 4, w - 40, std::nullopt, caption, kLabelFont});
    } else {
        out_.items.emplace_back(
            TextItem{x + 20, y + 4, std::nullopt, std::nullopt, caption, kLabelFont});
        if (label.empty()) return a.finish();
        if (x - 60 - leftX < 300) return a.error("no room left of " + c->name + " for its label");
        TextItem t{leftX, y + 30, x - 60 - leftX, std::nullopt, label, kRowLabelFont};
        t.wrap = true;
        out_.items.emplace_back(std::move(t));
    }
    return a.finish();
}

values::Status DrawingParser::choice(const doc::Record& rec) {
    doc::AttributeReader a(rec, file_);
    if (rec.words.size() != 1) return a.error("choice needs the name of one option");
    const Control* option = controlOfBand(rec.words[0]);
    if (option == nullptr || option->kind != ControlKind::Option)
        return a.error("band " + out_.band + " has no option " + rec.words[0]);
    std::vector<const Control*> radios;
    for (const Control& c : band_->controls) {
        if (c.kind == ControlKind::Radio && c.option == option->number) radios.push_back(&c);
    }
    if (radios.empty()) return a.error("option " + option->name + " has no radios");
    std::optional<int> number = numberOfLabel(option->name);
    if (auto no = a.optional("no")) {
        auto n = doc::readInt(*no);
        if (!n) return a.error(n.error());
        number = *n;
    }
    if (!number) return a.error("choice needs no= for " + option->name);
    auto field = fieldOf(*option, a);
    if (!field) return Error{field.error()};
    const std::string* label = &(*field)->role;
    std::vector<std::string> answers;
    for (const Control* r : radios) {
        auto text = (*field)->answerText(r->text);
        if (!text)
            return a.error("form " + form_->id + " gives no text for answer " + r->text +
                           " of field " + std::to_string((*field)->number));
        answers.push_back(*text);
    }
    int firstX = toX(radios.front()->at.x);
    int rowY = toY(radios.front()->at.y);
    for (const Control* r : radios) {
        firstX = std::min(firstX, toX(r->at.x));
        rowY = std::min(rowY, toY(r->at.y));
    }
    int labelX = std::max(100, toX(option->at.x));
    if (auto lx = a.optional("labelx")) {
        auto v = doc::readInt(*lx);
        if (!v) return a.error(v.error());
        labelX = *v;
    }
    int right = 6980;
    if (auto rt = a.optional("right")) {
        auto v = doc::readInt(*rt);
        if (!v) return a.error(v.error());
        right = *v;
    }
    if (firstX - 60 - labelX < 300)
        return a.error("no room left of the answers of " + option->name + " for the question");
    out_.items.emplace_back(
        BoxItem{labelX - 40, rowY - 65, right - labelX + 40, 215, kBlack, kWhite, 7});
    TextItem q{labelX, rowY - 55, firstX - 60 - labelX, std::nullopt,
               std::to_string(*number) + ". " + *label, kQuestionFont};
    q.wrap = true;
    out_.items.emplace_back(std::move(q));
    for (std::size_t i = 0; i < radios.size(); ++i) {
        const int rx = toX(radios[i]->at.x);
        const int ry = toY(radios[i]->at.y);
        out_.items.emplace_back(BoxItem{rx, ry, kRadioSize, kRadioSize, kBlack, kWhite, 7});
        if (i < answers.size() && !answers[i].empty())
            out_.items.emplace_back(TextItem{rx + kRadioSize + 40, ry + 8, std::nullopt,
                                             std::nullopt, answers[i], kRowLabelFont});
    }
    return a.finish();
}

Result<PageDrawing> DrawingParser::run(const std::vector<doc::Record>& records) {
    if (records.empty()) return Error{file_ + ":1: empty drawing"};
    if (auto st = header(records.front()); !st) return Error{st.error()};
    for (std::size_t i = 1; i < records.size(); ++i) {
        const doc::Record& rec = records[i];
        values::Status st;
        if (rec.keyword == "box") {
            st = box(rec, false);
        } else if (rec.keyword == "section") {
            st = box(rec, true);
        } else if (rec.keyword == "line") {
            st = line(rec);
        } else if (rec.keyword == "text") {
            st = text(rec);
        } else if (rec.keyword == "slot") {
            st = slot(rec);
        } else if (rec.keyword == "choice") {
            st = choice(rec);
        } else {
            doc::AttributeReader a(rec, file_);
            return a.error("unknown keyword '" + rec.keyword + "'");
        }
        if (!st) return Error{st.error()};
    }
    return std::move(out_);
}

constexpr std::string_view kDrawingSuffix = ".drawing";

struct DrawingIndex {
    std::mutex mutex;
    bool built = false;
    std::map<std::string, std::string> fileOfKey;  // image key -> embedded file name
    std::map<std::string, std::shared_ptr<const PageDrawing>> parsed;
};

DrawingIndex& drawingIndex() {
    static DrawingIndex index;
    return index;
}

void buildIndexLocked(DrawingIndex& index) {
    if (index.built) return;
    for (const std::string& file : embeddedFileNames()) {
        if (!file.ends_with(kDrawingSuffix)) continue;
        auto text = embeddedFile(file);
        auto records = doc::splitRecords(*text, file);
        if (!records || records->empty() || records->front().keyword != "drawing" ||
            records->front().words.size() != 1)
            continue;  // reported when somebody asks for it by file name
        index.fileOfKey[records->front().words[0]] = file;
    }
    index.built = true;
}

}  // namespace

Result<PageDrawing> PageDrawing::parse(std::string_view text, std::string_view fileName,
                                       const Layout& layout) {
    auto records = doc::splitRecords(text, fileName);
    if (!records) return Error{records.error()};
    DrawingParser parser(fileName, layout);
    return parser.run(*records);
}

Result<std::string> PageDrawing::layoutOf(std::string_view text, std::string_view fileName) {
    auto records = doc::splitRecords(text, fileName);
    if (!records) return Error{records.error()};
    if (records->empty() || records->front().keyword != "drawing")
        return Error{std::string(fileName) + ":1: a drawing starts with its drawing record"};
    auto it = records->front().attrs.find("layout");
    if (it == records->front().attrs.end())
        return Error{std::string(fileName) + ":" + std::to_string(records->front().line) +
                     ": drawing needs layout="};
    return it->second;
}

std::string imageKey(std::string_view imageFileName) {
    std::string key;
    key.reserve(imageFileName.size());
    for (char c : imageFileName) {
        if (c == '.') {
            key += '_';
        } else {
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    return key;
}

Result<std::shared_ptr<const PageDrawing>> openPageDrawing(std::string_view imageFileName) {
    const std::string key = imageKey(imageFileName);
    DrawingIndex& index = drawingIndex();
    std::lock_guard<std::mutex> lock(index.mutex);
    buildIndexLocked(index);
    if (auto it = index.parsed.find(key); it != index.parsed.end()) return it->second;
    auto fileIt = index.fileOfKey.find(key);
    if (fileIt == index.fileOfKey.end())
        return Error{"no page drawing " + key + " for image " + std::string(imageFileName)};
    const std::string& file = fileIt->second;
    auto text = embeddedFile(file);
    auto layoutName = PageDrawing::layoutOf(*text, file);
    if (!layoutName) return Error{layoutName.error()};
    auto layout = openLayout(*layoutName);
    if (!layout) return Error{layout.error()};
    auto drawing = PageDrawing::parse(*text, file, *layout);
    if (!drawing) return Error{drawing.error()};
    auto shared = std::make_shared<const PageDrawing>(std::move(*drawing));
    index.parsed[key] = shared;
    return shared;
}

std::vector<std::string> shippedDrawings() {
    DrawingIndex& index = drawingIndex();
    std::lock_guard<std::mutex> lock(index.mutex);
    buildIndexLocked(index);
    std::vector<std::string> keys;
    for (const auto& [key, file] : index.fileOfKey) keys.push_back(key);
    return keys;
}

}  // namespace citforms::print
