#include "runtime/ui/scripted/session_script.h"

#include <charconv>

namespace citforms::runtime {

namespace {

using Steps = values::Result<std::vector<SessionStep>>;

// Splits a line into words; nullopt-like failure through `error`.
std::vector<std::string> words(std::string_view line, std::string& error) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\') {
                    if (i >= line.size() || (line[i] != '"' && line[i] != '\\')) {
                        error = "only \\\" and \\\\ may follow a backslash";
                        return {};
                    }
                    word += line[i++];
                    continue;
                }
                word += c;
            }
            if (!closed) {
                error = "a quote is not closed";
                return {};
            }
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                word += line[i++];
        }
        out.push_back(std::move(word));
    }
    return out;
}

bool number(std::string_view text, int& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && out >= 0;
}

struct Shape {
    std::string_view keyword;
    SessionStep::Kind kind;
    int arguments;  // words after the keyword (Open: at least 1)
    bool numberFirst;
};

constexpr Shape kShapes[] = {
    {"open", SessionStep::Kind::Open, 1, false},
    {"type", SessionStep::Kind::Type, 2, true},
    {"choose", SessionStep::Kind::Choose, 2, true},
    {"press", SessionStep::Kind::Press, 1, false},
    {"define", SessionStep::Kind::Define, 1, true},
    {"page", SessionStep::Kind::Page, 1, true},
    {"pick", SessionStep::Kind::Pick, 1, true},
    {"answer", SessionStep::Kind::Answer, 1, false},
    {"show", SessionStep::Kind::Show, 1, true},
    {"expect", SessionStep::Kind::Expect, 2, true},
    {"expect-enabled", SessionStep::Kind::ExpectEnabled, 2, false},
    {"calendar", SessionStep::Kind::Calendar, 1, true},
    {"close", SessionStep::Kind::Close, 0, false},
    {"wait", SessionStep::Kind::Wait, 1, false},
};

}  // namespace

Steps parseSessionScript(std::string_view text, std::string_view fileName) {
    std::vector<SessionStep> steps;
    int lineNo = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNo;
        auto where = [&](const std::string& why) {
            return Steps::failure(std::string(fileName) + ":" + std::to_string(lineNo) + ": " + why);
        };
        std::string error;
        std::vector<std::string> w = words(line, error);
        if (!error.empty()) return where(error);
        if (w.empty()) continue;
        const Shape* shape = nullptr;
        for (const Shape& s : kShapes)
            if (s.keyword == w[0]) shape = &s;
        if (shape == nullptr) return where("unknown action '" + w[0] + "'");
        SessionStep step;
        step.kind = shape->kind;
        step.line = lineNo;
        const int given = static_cast<int>(w.size()) - 1;
        if (shape->kind == SessionStep::Kind::Open) {
            if (given < 1) return where("open needs a window name");
            step.name = w[1];
            for (std::size_t i = 2; i < w.size(); ++i) {
                const std::size_t eq = w[i].find('=');
                const std::string key = eq == std::string::npos ? w[i] : w[i].substr(0, eq);
                int value = 0;
                // form=, code=, date= and kind= are texts (a form's name, a statement code, a
                // day number or dd-mm-yyyy, the parameters window's declaration kind); the rest
                // numbers.
                const bool textual =
                    key == "form" || key == "code" || key == "date" || key == "kind";
                const bool known = textual || key == "id" || key == "copy" || key == "count" ||
                                   key == "transfer" || key == "existing" || key == "unchanged" ||
                                   key == "source" || key == "company" || key == "cit8" ||
                                   key == "citst";
                if (eq == std::string::npos || !known ||
                    (!textual && !number(std::string_view(w[i]).substr(eq + 1), value)))
                    return where("open takes id=, copy=, count=, transfer=, existing=, "
                                 "unchanged=, source=, company=, cit8=, citst= (numbers), date=, "
                                 "form=, code=, kind=, not '" + w[i] + "'");
                if (!step.attrs.emplace(key, w[i].substr(eq + 1)).second)
                    return where("'" + key + "' given twice");
            }
        } else if (shape->kind == SessionStep::Kind::Press && given == 2) {
            // press CAPTION N: the N-th button of that caption (two buttons may share one).
            step.name = w[1];
            if (!number(w[2], step.number) || step.number < 1)
                return where("press takes a caption and an optional occurrence from 1, not '" +
                             w[2] + "'");
        } else {
            if (given != shape->arguments)
                return where(w[0] + " takes " + std::to_string(shape->arguments) +
                             (shape->arguments == 1 ? " argument" : " arguments"));
            if (shape->numberFirst) {
                if (!number(w[1], step.number))
                    return where(w[0] + " needs a number, not '" + w[1] + "'");
            } else if (given >= 1) {
                step.name = w[1];
            }
            if (given == 2) step.text = w[2];
            if (step.kind == SessionStep::Kind::ExpectEnabled && step.text != "yes" &&
                step.text != "no")
                return where("expect-enabled ends in yes or no");
        }
        steps.push_back(std::move(step));
    }
    return steps;
}

}  // namespace citforms::runtime
