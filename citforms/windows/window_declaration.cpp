#include "citforms/windows/window_declaration.h"

#include <algorithm>

#include "citforms/documents/document_lines.h"
#include "citforms/documents/embedded_files.h"
#include "citforms/print/layout_catalogue.h"

namespace citforms::windows {

namespace {

using values::Result;
constexpr std::string_view kSuffix = ".window";

// "31-34,36,40" -> 31, 32, 33, 34, 36, 40.
Result<std::vector<int>> readPositions(std::string_view text) {
    std::vector<int> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        const std::string_view item = text.substr(start, comma - start);
        start = comma + 1;
        const std::size_t dash = item.find('-');
        auto first = print::doc::readInt(item.substr(0, dash));
        if (!first || *first < 1) return Result<std::vector<int>>::failure("bad position list");
        int last = *first;
        if (dash != std::string_view::npos) {
            auto end = print::doc::readInt(item.substr(dash + 1));
            if (!end || *end < *first || *end - *first > 1000)
                return Result<std::vector<int>>::failure("bad position range");
            last = *end;
        }
        for (int n = *first; n <= last; ++n) out.push_back(n);
    }
    return out;
}

Result<EnabledRule> readRule(std::string_view text) {
    const std::size_t op = text.find_first_of(">=");
    if (op == std::string_view::npos || op + 1 >= text.size())
        return Result<EnabledRule>::failure("enabled= needs <field>><number> or <field>=<answer>");
    auto field = print::doc::readInt(text.substr(0, op));
    if (!field || *field < 1) return Result<EnabledRule>::failure("enabled= names no position");
    EnabledRule rule;
    rule.field = *field;
    rule.test = text[op] == '>' ? EnabledRule::Test::Above : EnabledRule::Test::Equals;
    rule.value = std::string(text.substr(op + 1));
    return rule;
}

template <class T>
Result<T> fail(const print::doc::AttributeReader& reader, std::string_view why) {
    return Result<T>::failure(reader.where(why));
}

}  // namespace

Result<WindowDeclaration> WindowDeclaration::parse(std::string_view text,
                                                   std::string_view fileName) {
    using R = Result<WindowDeclaration>;
    auto records = print::doc::splitRecords(text, fileName);
    if (!records) return R::failure(records.error());
    WindowDeclaration d;
    bool seenWindow = false;
    for (const print::doc::Record& r : *records) {
        print::doc::AttributeReader reader(r, fileName);
        if (!seenWindow && r.keyword != "window") return fail<WindowDeclaration>(reader, "the first record must be 'window'");
        if (r.keyword == "window") {
            if (seenWindow) return fail<WindowDeclaration>(reader, "a second 'window' record");
            if (r.words.size() != 1) return fail<WindowDeclaration>(reader, "'window' needs the window's name");
            seenWindow = true;
            d.name = r.words[0];
            auto form = reader.required("form");
            auto layout = reader.required("layout");
            if (!form) return R::failure(form.error());
            if (!layout) return R::failure(layout.error());
            d.form = *form;
            d.layout = *layout;
            d.title = reader.optional("title").value_or("");
            d.help = reader.optional("help").value_or("");
            d.printForm = reader.optional("print-form").value_or("");
            d.pages = reader.optional("pages").value_or("");
            if (auto focus = reader.optional("focus")) {
                auto n = print::doc::readInt(*focus);
                if (!n) return fail<WindowDeclaration>(reader, "focus= must be a position");
                d.focus = *n;
            }
            if (auto single = reader.optional("single")) {
                if (*single != "yes" && *single != "no")
                    return fail<WindowDeclaration>(reader, "single= is yes or no");
                d.singleInstance = *single == "yes";
            }
        } else if (r.keyword == "display" || r.keyword == "count" || r.keyword == "text" ||
                   r.keyword == "definition") {
            if (r.words.size() != 1) return fail<WindowDeclaration>(reader, "a position list is needed");
            auto positions = readPositions(r.words[0]);
            if (!positions) return fail<WindowDeclaration>(reader, positions.error());
            if (r.keyword == "display") {
                d.display.insert(d.display.end(), positions->begin(), positions->end());
            } else if (r.keyword == "count") {
                auto digits = print::doc::readInt(reader.optional("digits").value_or(""));
                if (!digits || *digits < 1 || *digits > 9)
                    return fail<WindowDeclaration>(reader, "digits= must be 1 to 9");
                for (int n : *positions) d.countDigits.emplace_back(n, *digits);
            } else if (r.keyword == "text") {
                auto chars = print::doc::readInt(reader.optional("capacity").value_or(""));
                if (!chars || *chars < 1 || *chars > 3000)
                    return fail<WindowDeclaration>(reader, "capacity= must be 1 to 3000");
                for (int n : *positions) d.textCapacity.emplace_back(n, *chars);
            } else {
                const std::string pattern = reader.optional("code").value_or("{n}");
                if (pattern.find("{n}") == std::string::npos)
                    return fail<WindowDeclaration>(reader, "code= must hold {n}");
                for (int n : *positions) {
                    std::string code = pattern;
                    code.replace(code.find("{n}"), 3, std::to_string(n));
                    d.definitions.emplace_back(n, code);
                }
            }
        } else if (r.keyword == "tab") {
            if (r.words.size() != 1) return fail<WindowDeclaration>(reader, "'tab' needs its page number");
            auto page = print::doc::readInt(r.words[0]);
            if (!page || *page < 1 || *page > 20)
                return fail<WindowDeclaration>(reader, "'tab' needs its page number");
            auto caption = reader.required("caption");
            if (!caption) return R::failure(caption.error());
            if (d.pageCaptions.size() < static_cast<std::size_t>(*page))
                d.pageCaptions.resize(static_cast<std::size_t>(*page));
            d.pageCaptions[static_cast<std::size_t>(*page - 1)] = *caption;
        } else if (r.keyword == "list") {
            if (r.words.size() != 1) return fail<WindowDeclaration>(reader, "'list' needs its position");
            auto field = print::doc::readInt(r.words[0]);
            if (!field || *field < 1) return fail<WindowDeclaration>(reader, "'list' needs its position");
            ListDeclaration l;
            l.field = *field;
            if (auto page = reader.optional("page")) {
                auto n = print::doc::readInt(*page);
                if (!n || *n < 1) return fail<WindowDeclaration>(reader, "page= must be above 0");
                l.page = *n;
            }
            auto at = reader.required("at");
            if (!at) return R::failure(at.error());
            auto rect = print::doc::readRect(*at, true);
            if (!rect) return fail<WindowDeclaration>(reader, "at= " + rect.error());
            l.at = *rect;
            const std::string columns = reader.optional("columns").value_or("");
            for (std::size_t start = 0; !columns.empty() && start <= columns.size();) {
                const std::size_t bar = std::min(columns.find('|', start), columns.size());
                l.columns.push_back(columns.substr(start, bar - start));
                start = bar + 1;
            }
            d.lists.push_back(std::move(l));
        } else if (r.keyword == "button") {
            if (r.words.size() != 1) return fail<WindowDeclaration>(reader, "'button' needs its caption");
            ButtonDeclaration b;
            b.caption = r.words[0];
            b.shortcut = reader.optional("key").value_or("");
            auto action = reader.required("action");
            if (!action) return R::failure(action.error());
            b.action = *action;
            if (auto rule = reader.optional("enabled")) {
                auto parsed = readRule(*rule);
                if (!parsed) return fail<WindowDeclaration>(reader, parsed.error());
                b.enabled = *parsed;
            }
            for (auto [key, target] : {std::pair<const char*, int*>{"count", &b.countField},
                                       {"page", &b.page}, {"beside", &b.beside}}) {
                if (auto v = reader.optional(key)) {
                    auto n = print::doc::readInt(*v);
                    if (!n || *n < 1) return fail<WindowDeclaration>(reader, std::string(key) + "= must be above 0");
                    *target = *n;
                }
            }
            if (auto at = reader.optional("at")) {
                auto rect = print::doc::readRect(*at, true);
                if (!rect) return fail<WindowDeclaration>(reader, "at= " + rect.error());
                b.at = *rect;
            }
            if ((b.page == 0) != (b.beside == 0 && !b.at) || (b.beside != 0 && b.at))
                return fail<WindowDeclaration>(
                    reader, "a page button needs page= and one of beside= or at=");
            if (b.action.rfind("copies:", 0) == 0 && b.countField == 0)
                return fail<WindowDeclaration>(reader, "a copies: action needs count=");
            d.buttons.push_back(std::move(b));
        } else {
            return fail<WindowDeclaration>(reader, "unknown record '" + r.keyword + "'");
        }
        if (auto done = reader.finish(); !done) return R::failure(done.error());
    }
    if (!seenWindow) return R::failure(std::string(fileName) + ": no 'window' record");
    return d;
}

Result<print::Layout> windowLayout(const WindowDeclaration& declaration) {
    if (declaration.pages.empty()) return print::openLayout(declaration.layout);
    const std::string file = declaration.pages + ".pages";
    const auto text = print::embeddedFile(file);
    if (!text) return Result<print::Layout>::failure("no pages " + file);
    return print::Layout::parse(*text, file);
}

Result<WindowDeclaration> builtInWindow(std::string_view name) {
    const std::string file = std::string(name) + std::string(kSuffix);
    const auto text = print::embeddedFile(file);
    if (!text) return Result<WindowDeclaration>::failure("no window " + std::string(name));
    auto parsed = WindowDeclaration::parse(*text, file);
    if (parsed && parsed->name != name)
        return Result<WindowDeclaration>::failure(file + ": declares the window " + parsed->name);
    return parsed;
}

std::vector<std::string> builtInWindows() {
    std::vector<std::string> names;
    for (const std::string& file : print::embeddedFileNames()) {
        if (file.size() > kSuffix.size() &&
            file.compare(file.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0)
            names.push_back(file.substr(0, file.size() - kSuffix.size()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace citforms::windows
