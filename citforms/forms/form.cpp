#include "citforms/forms/form.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <set>

#include "citforms/forms/kind_file.h"
#include "citforms/print/document_lines.h"
#include "citforms/print/embedded_files.h"

namespace citforms::forms {

namespace {

using values::Result;
using values::Status;
namespace doc = print::doc;

std::optional<int> number(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
    return value;
}

// "7" or "4-19".
std::optional<std::pair<int, int>> range(std::string_view text) {
    const auto dash = text.find('-');
    if (dash == std::string_view::npos) {
        const auto n = number(text);
        if (!n) return std::nullopt;
        return std::pair{*n, *n};
    }
    const auto a = number(text.substr(0, dash));
    const auto b = number(text.substr(dash + 1));
    if (!a || !b || *a > *b) return std::nullopt;
    return std::pair{*a, *b};
}

// "text:13", "daytext:10", "amount", "whole", "day", "count", "choice:1,2,3".
Result<FieldDef> valueClass(std::string_view classText) {
    using R = Result<FieldDef>;
    FieldDef f;
    const auto colon = classText.find(':');
    const std::string_view kind = classText.substr(0, colon);
    const std::string_view arg =
        colon == std::string_view::npos ? std::string_view() : classText.substr(colon + 1);
    const auto capacity = [&](ValueClass cls) -> R {
        const auto n = number(arg);
        if (!n || *n == 0) return R::failure("a capacity of characters after '" +
                                             std::string(kind) + ":' expected");
        f.cls = cls;
        f.capacity = static_cast<std::size_t>(*n);
        return f;
    };
    if (kind == "text") return capacity(ValueClass::Text);
    if (kind == "daytext") return capacity(ValueClass::DayText);
    if (kind == "choice") {
        f.cls = ValueClass::Choice;
        std::size_t pos = 0;
        while (pos <= arg.size() && !arg.empty()) {
            const auto comma = std::min(arg.find(',', pos), arg.size());
            const std::string_view answer = arg.substr(pos, comma - pos);
            if (answer.empty()) return R::failure("an empty answer in '" + std::string(classText) + "'");
            f.answers.emplace_back(answer);
            pos = comma + 1;
        }
        if (f.answers.empty()) return R::failure("choice needs its answers: choice:1,2");
        f.capacity = 0;
        for (const auto& a : f.answers) f.capacity = std::max(f.capacity, a.size());
        return f;
    }
    if (!arg.empty()) return R::failure("'" + std::string(kind) + "' takes no argument");
    if (kind == "amount") f.cls = ValueClass::Amount;
    else if (kind == "whole") f.cls = ValueClass::Whole;
    else if (kind == "day") f.cls = ValueClass::Day;
    else if (kind == "count") f.cls = ValueClass::Count;
    else return R::failure("unknown value class '" + std::string(classText) + "'");
    return f;
}

class Parser {
public:
    explicit Parser(std::string_view fileName) : file_(fileName) {}

    Result<FormDef> run(const std::vector<doc::Record>& records) {
        for (const doc::Record& rec : records) {
            if (auto st = record(rec); !st) return Result<FormDef>::failure(st.error());
        }
        if (!sawForm_) return Result<FormDef>::failure(std::string(file_) + ":1: no form record");
        if (!sawStorage_) {
            return Result<FormDef>::failure(std::string(file_) + ": no storage record");
        }
        std::sort(form_.fields.begin(), form_.fields.end(),
                  [](const FieldDef& a, const FieldDef& b) { return a.number < b.number; });
        return form_;
    }

private:
    Status record(const doc::Record& rec) {
        doc::AttributeReader attrs(rec, file_);
        const auto fail = [&](std::string_view why) { return Status(attrs.error(why)); };
        if (!sawForm_ && rec.keyword != "form") return fail("the first record must be 'form'");
        if (rec.keyword == "form") {
            if (sawForm_) return fail("a second 'form' record");
            sawForm_ = true;
            if (rec.words.size() != 1) return fail("form needs its name: form CIT-8 ...");
            form_.name = rec.words[0];
            form_.edition = attrs.optional("edition").value_or("");
            form_.title = attrs.optional("title").value_or(form_.name);
            if (const auto t = attrs.optional("templates")) {
                std::size_t pos = 0;
                while (pos <= t->size()) {
                    const auto comma = std::min(t->find(',', pos), t->size());
                    const auto n = number(std::string_view(*t).substr(pos, comma - pos));
                    if (!n) return fail("templates are numbers separated by commas");
                    form_.templates.push_back(*n);
                    pos = comma + 1;
                }
            }
            return attrs.finish();
        }
        if (rec.keyword == "storage") return storage(rec, attrs);
        if (rec.keyword == "variables") {
            if (rec.words.size() != 1 || rec.words[0].find("{n}") == std::string::npos) {
                return fail("variables needs a pattern with {n}: variables V{n}O");
            }
            form_.variablePattern = rec.words[0];
            return attrs.finish();
        }
        if (rec.keyword == "field" || rec.keyword == "fields") return fields(rec, attrs);
        if (rec.keyword == "group") {
            if (rec.words.size() != 1) return fail("group needs its name");
            GroupDef g;
            g.name = rec.words[0];
            auto first = attrs.required("first");
            auto stride = attrs.required("stride");
            if (!first) return Status(values::Error{first.error()});
            if (!stride) return Status(values::Error{stride.error()});
            const auto f = number(*first);
            const auto s = number(*stride);
            if (!f || !s || *s == 0) return fail("first and stride are positive numbers");
            g.first = *f;
            g.stride = *s;
            form_.groups.push_back(std::move(g));
            return attrs.finish();
        }
        if (rec.keyword == "member") {
            if (form_.groups.empty()) return fail("member outside a group");
            GroupDef& g = form_.groups.back();
            if (rec.words.size() != 2) return fail("member needs its index and value class");
            const auto i = number(rec.words[0]);
            if (!i || *i < 1 || *i > g.stride) {
                return fail("member index must lie from 1 to the group's stride");
            }
            auto cls = valueClass(rec.words[1]);
            if (!cls) return fail(cls.error());
            cls->number = *i;
            cls->role = attrs.optional("role").value_or("");
            if (auto st = readAnswerTexts(attrs, *cls); !st) return st;
            for (const FieldDef& m : g.members) {
                if (m.number == *i) return fail("member " + rec.words[0] + " given twice");
            }
            g.members.push_back(*cls);
            return attrs.finish();
        }
        if (rec.keyword == "newest") {
            if (rec.words.size() != 1) return fail("newest needs the form id of the newest edition");
            form_.newestId = rec.words[0];
            return attrs.finish();
        }
        if (rec.keyword == "map") {
            if (form_.newestId.empty()) return fail("map before 'newest'");
            if (rec.words.size() != 1) return fail("map needs a range: map 28-52 to=29");
            const auto r = range(rec.words[0]);
            if (!r) return fail("not a range of positions: '" + rec.words[0] + "'");
            auto to = attrs.required("to");
            if (!to) return Status(values::Error{to.error()});
            const auto t = number(*to);
            if (!t) return fail("to= is a position number");
            for (const MapRange& m : form_.map) {
                if (r->first <= m.last && m.first <= r->second) return fail("map ranges overlap");
            }
            form_.map.push_back({r->first, r->second, *t});
            return attrs.finish();
        }
        if (rec.keyword == "quarters") {
            if (form_.quarters) return fail("a second 'quarters' record");
            if (rec.words.size() != 1) return fail("quarters needs a range: quarters 83-90 sum=91");
            const auto r = range(rec.words[0]);
            if (!r) return fail("not a range of positions: '" + rec.words[0] + "'");
            auto sum = attrs.required("sum");
            if (!sum) return Status(values::Error{sum.error()});
            const auto n = number(*sum);
            if (!n) return fail("sum= is a position number");
            form_.quarters = QuarterRange{r->first, r->second, *n};
            return attrs.finish();
        }
        return fail("unknown record '" + rec.keyword + "'");
    }

    Status storage(const doc::Record& rec, doc::AttributeReader& attrs) {
        const auto fail = [&](std::string_view why) { return Status(attrs.error(why)); };
        if (sawStorage_) return fail("a second 'storage' record");
        sawStorage_ = true;
        Storage& s = form_.storage;
        const auto numberAttr = [&](const char* key, int& out) -> Status {
            if (const auto v = attrs.optional(key)) {
                const auto n = number(*v);
                if (!n) return fail(std::string(key) + "= is a number");
                out = *n;
            }
            return {};
        };
        if (rec.words.size() > 1) return fail("storage takes one kind: copies, attachment or none");
        const std::string kind = rec.words.empty() ? "sheet" : rec.words[0];
        if (kind == "sheet") {
            s.kind = StorageKind::Sheet;
            auto sheet = attrs.required("sheet");
            if (!sheet) return Status(values::Error{sheet.error()});
            const auto n = number(*sheet);
            if (!n) return fail("sheet= is a number");
            s.sheet = *n;
            if (auto st = numberAttr("width", s.numberWidth); !st) return st;
        } else if (kind == "copies") {
            s.kind = StorageKind::Copies;
            auto base = attrs.required("base");
            if (!base) return Status(values::Error{base.error()});
            const auto n = number(*base);
            if (!n) return fail("base= is a number");
            s.base = *n;
            if (auto st = numberAttr("last", s.lastCopy); !st) return st;
        } else if (kind == "attachment") {
            s.kind = StorageKind::Attachment;
            auto type = attrs.required("type");
            if (!type) return Status(values::Error{type.error()});
            s.type = *type;
        } else if (kind == "none") {
            s.kind = StorageKind::None;
        } else {
            return fail("unknown storage '" + kind + "'");
        }
        return attrs.finish();
    }

    // `answers="1=tak|2=nie"`: the printed text of each stored answer.
    static Status readAnswerTexts(doc::AttributeReader& attrs, FieldDef& f) {
        const auto text = attrs.optional("answers");
        if (!text) return Status();
        std::size_t pos = 0;
        while (true) {
            const std::size_t bar = std::min(text->find('|', pos), text->size());
            const std::string item = text->substr(pos, bar - pos);
            const std::size_t eq = item.find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == item.size()) {
                return Status(attrs.error("answers are written 1=text|2=text"));
            }
            std::string answer = item.substr(0, eq);
            for (const auto& [a, t] : f.answerTexts) {
                if (a == answer) return Status(attrs.error("answer " + answer + " given twice"));
            }
            f.answerTexts.emplace_back(std::move(answer), item.substr(eq + 1));
            if (bar == text->size()) break;
            pos = bar + 1;
        }
        return Status();
    }

    Status fields(const doc::Record& rec, doc::AttributeReader& attrs) {
        const auto fail = [&](std::string_view why) { return Status(attrs.error(why)); };
        if (rec.words.size() != 2) return fail(rec.keyword + " needs positions and a value class");
        const auto r = range(rec.words[0]);
        if (!r) return fail("not a position or range: '" + rec.words[0] + "'");
        if (rec.keyword == "field" && r->first != r->second) return fail("use 'fields' for a range");
        auto cls = valueClass(rec.words[1]);
        if (!cls) return fail(cls.error());
        const std::string role = attrs.optional("role").value_or("");
        if (!role.empty() && r->first != r->second) return fail("a role belongs to one field");
        const std::string counts = attrs.optional("counts").value_or("");
        if (!counts.empty() && r->first != r->second) return fail("a count belongs to one field");
        const std::string statement = attrs.optional("statement").value_or("");
        if (!statement.empty() && r->first != r->second) {
            return fail("a statement belongs to one field");
        }
        if (attrs.optional("answers") && r->first != r->second) {
            return fail("answers belong to one field");
        }
        if (auto st = readAnswerTexts(attrs, *cls); !st) return st;
        for (int n = r->first; n <= r->second; ++n) {
            if (!numbers_.insert(n).second) return fail("field " + std::to_string(n) + " given twice");
            FieldDef f = *cls;
            f.number = n;
            f.role = role;
            f.counts = counts;
            f.statement = statement;
            form_.fields.push_back(std::move(f));
        }
        return attrs.finish();
    }

    std::string_view file_;
    FormDef form_;
    std::set<int> numbers_;
    bool sawForm_ = false;
    bool sawStorage_ = false;
};

}  // namespace

std::optional<std::string> FieldDef::answerText(std::string_view answer) const {
    for (const auto& [a, t] : answerTexts) {
        if (a == answer) return t;
    }
    return std::nullopt;
}

const FieldDef* FormDef::field(int number) const {
    const auto it = std::lower_bound(fields.begin(), fields.end(), number,
                                     [](const FieldDef& f, int n) { return f.number < n; });
    return it != fields.end() && it->number == number ? &*it : nullptr;
}

std::optional<int> FormDef::countOf(std::string_view formName) const {
    for (const FieldDef& f : fields) {
        if (f.counts == formName) return f.number;
    }
    return std::nullopt;
}

std::vector<int> FormDef::numbers() const {
    std::vector<int> out;
    out.reserve(fields.size());
    for (const FieldDef& f : fields) out.push_back(f.number);
    return out;
}

std::string FormDef::variable(int number) const {
    std::string out = variablePattern;
    const auto at = out.find("{n}");
    if (at != std::string::npos) out.replace(at, 3, std::to_string(number));
    return out;
}

std::optional<int> FormDef::fieldOfVariable(std::string_view variableName) const {
    const auto at = variablePattern.find("{n}");
    if (at == std::string::npos) return std::nullopt;
    const std::string_view prefix = std::string_view(variablePattern).substr(0, at);
    const std::string_view suffix = std::string_view(variablePattern).substr(at + 3);
    if (variableName.size() <= prefix.size() + suffix.size() || !variableName.starts_with(prefix) ||
        !variableName.ends_with(suffix)) {
        return std::nullopt;
    }
    const auto n =
        number(variableName.substr(prefix.size(), variableName.size() - prefix.size() - suffix.size()));
    // "V01" names no field: the number is written without leading zeros.
    if (!n || field(*n) == nullptr || variable(*n) != variableName) return std::nullopt;
    return n;
}

std::optional<int> FormDef::toNewest(int position) const {
    if (newestId.empty()) return position;
    for (const MapRange& m : map) {
        if (position >= m.first && position <= m.last) return m.newest + (position - m.first);
    }
    return std::nullopt;
}

std::optional<int> FormDef::fromNewest(int newestPosition) const {
    if (newestId.empty()) return newestPosition;
    for (const MapRange& m : map) {
        const int last = m.newest + (m.last - m.first);
        if (newestPosition >= m.newest && newestPosition <= last) {
            return m.first + (newestPosition - m.newest);
        }
    }
    return std::nullopt;
}

Result<FormDef> FormDef::parse(std::string_view text, std::string_view fileName) {
    auto records = doc::splitRecords(text, fileName);
    if (!records) return Result<FormDef>::failure(records.error());
    auto form = Parser(fileName).run(*records);
    if (!form) return form;
    std::string_view stem = fileName;
    if (const auto slash = stem.rfind('/'); slash != std::string_view::npos) {
        stem.remove_prefix(slash + 1);
    }
    form->id = std::string(stem.substr(0, stem.find('.')));
    return form;
}

Result<FormCatalogue> FormCatalogue::fromFiles(
    const std::vector<std::pair<std::string, std::string>>& namedTexts) {
    using R = Result<FormCatalogue>;
    FormCatalogue c;
    for (const auto& [name, text] : namedTexts) {
        auto form = FormDef::parse(text, name);
        if (!form) return R::failure(form.error());
        c.forms_.push_back(std::move(*form));
    }
    std::sort(c.forms_.begin(), c.forms_.end(),
              [](const FormDef& a, const FormDef& b) { return a.id < b.id; });
    for (std::size_t i = 1; i < c.forms_.size(); ++i) {
        if (c.forms_[i].id == c.forms_[i - 1].id) {
            return R::failure(c.forms_[i].id + ": two form files of one id");
        }
    }
    // A map leads to a form of the catalogue, onto positions that form has.
    for (const FormDef& f : c.forms_) {
        if (f.newestId.empty()) continue;
        const FormDef* newest = c.find(f.newestId);
        if (newest == nullptr) return R::failure(f.id + ": newest form '" + f.newestId + "' unknown");
        for (const MapRange& m : f.map) {
            for (int p = m.first; p <= m.last; ++p) {
                // A position is a stored field in both editions or in neither.
                if ((f.field(p) == nullptr) != (newest->field(m.newest + p - m.first) == nullptr)) {
                    return R::failure(f.id + ": map of position " + std::to_string(p) +
                                      " leads outside the fields of the forms");
                }
            }
        }
    }
    return c;
}

const FormCatalogue& FormCatalogue::builtIn() {
    static const FormCatalogue catalogue = [] {
        std::vector<std::pair<std::string, std::string>> files;
        for (const std::string& name : print::embeddedFileNames()) {
            if (!name.ends_with(".form")) continue;
            files.emplace_back(name, std::string(*print::embeddedFile(name)));
        }
        auto c = fromFiles(files);
        if (!c) {
            std::cerr << "citforms: form catalogue: " << c.error() << '\n';
            std::abort();
        }
        // A kind file names the forms its declarations carry: an edition added as data
        // (a new template over forms of the catalogue) carries them as their own files say.
        for (const KindFile& kind : kindFiles()) {
            for (const std::string& id : kind.forms) {
                const auto it = std::find_if(c->forms_.begin(), c->forms_.end(),
                                             [&](const FormDef& f) { return f.id == id; });
                if (it == c->forms_.end()) {
                    std::cerr << "citforms: " << kind.fileName << ": no form '" << id << "'\n";
                    continue;
                }
                if (std::find(it->templates.begin(), it->templates.end(), kind.templateId) ==
                    it->templates.end())
                    it->templates.push_back(kind.templateId);
            }
        }
        return std::move(*c);
    }();
    return catalogue;
}

const FormDef* FormCatalogue::find(std::string_view id) const {
    const auto it = std::lower_bound(forms_.begin(), forms_.end(), id,
                                     [](const FormDef& f, std::string_view i) { return f.id < i; });
    return it != forms_.end() && it->id == id ? &*it : nullptr;
}

const FormDef& FormCatalogue::form(std::string_view id) const {
    const FormDef* f = find(id);
    assert(f != nullptr && "unknown built-in form");
    if (f == nullptr) std::abort();
    return *f;
}

}  // namespace citforms::forms
