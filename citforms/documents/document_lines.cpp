#include "citforms/documents/document_lines.h"

#include <charconv>

namespace citforms::print::doc {

using values::Error;
using values::Result;

namespace {

std::string lineError(std::string_view file, int line, std::string_view message) {
    return std::string(file) + ":" + std::to_string(line) + ": " + std::string(message);
}

// Splits one line into tokens; quotes group blanks into a token and are removed.
Result<std::vector<std::string>> tokenize(std::string_view line) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size() || line[i] == '#') break;
        std::string token;
        bool quoted = false;
        while (i < line.size()) {
            char c = line[i];
            if (quoted) {
                if (c == '\\') {
                    if (i + 1 >= line.size() || (line[i + 1] != '"' && line[i + 1] != '\\'))
                        return Error{"bad escape in quoted text (only \\\" and \\\\)"};
                    token += line[i + 1];
                    i += 2;
                    continue;
                }
                if (c == '"') {
                    quoted = false;
                    ++i;
                    continue;
                }
                token += c;
                ++i;
                continue;
            }
            if (c == ' ' || c == '\t' || c == '\r') break;
            if (c == '"') {
                quoted = true;
                ++i;
                continue;
            }
            token += c;
            ++i;
        }
        if (quoted) return Error{"unterminated quoted text"};
        tokens.push_back(std::move(token));
    }
    return tokens;
}

}  // namespace

Result<std::vector<Record>> splitRecords(std::string_view text, std::string_view fileName) {
    std::vector<Record> records;
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        ++lineNo;
        pos = end + 1;
        if (line.find('\0') != std::string_view::npos)
            return Error{lineError(fileName, lineNo, "NUL character in the document")};
        auto tokens = tokenize(line);
        if (!tokens) return Error{lineError(fileName, lineNo, tokens.error())};
        if (tokens->empty()) {
            if (end == text.size()) break;
            continue;
        }
        Record rec;
        rec.line = lineNo;
        rec.keyword = (*tokens)[0];
        if (rec.keyword.find('=') != std::string::npos)
            return Error{lineError(fileName, lineNo, "a line must start with a keyword")};
        for (std::size_t k = 1; k < tokens->size(); ++k) {
            const std::string& t = (*tokens)[k];
            std::size_t eq = t.find('=');
            if (eq == std::string::npos) {
                rec.words.push_back(t);
                continue;
            }
            std::string key = t.substr(0, eq);
            if (key.empty()) return Error{lineError(fileName, lineNo, "attribute without name")};
            if (!rec.attrs.emplace(key, t.substr(eq + 1)).second)
                return Error{lineError(fileName, lineNo, "attribute '" + key + "' repeated")};
        }
        records.push_back(std::move(rec));
        if (end == text.size()) break;
    }
    return records;
}

Result<int> readInt(std::string_view text) {
    int value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (text.empty() || ec != std::errc() || ptr != last)
        return Error{"'" + std::string(text) + "' is not a whole number"};
    return value;
}

Result<std::vector<std::optional<int>>> readInts(std::string_view text, bool allowNatural) {
    std::vector<std::optional<int>> out;
    std::size_t pos = 0;
    while (true) {
        std::size_t comma = text.find(',', pos);
        std::string_view part =
            text.substr(pos, comma == std::string_view::npos ? std::string_view::npos
                                                             : comma - pos);
        if (allowNatural && part == "-") {
            out.emplace_back(std::nullopt);
        } else {
            auto v = readInt(part);
            if (!v) return Error{v.error()};
            out.emplace_back(*v);
        }
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    return out;
}

Result<Rect> readRect(std::string_view text, bool requireSize) {
    auto parts = readInts(text, true);
    if (!parts) return Error{parts.error()};
    const auto& p = *parts;
    if (p.size() != 2 && p.size() != 4)
        return Error{"position must be x,y or x,y,width,height"};
    if (!p[0] || !p[1]) return Error{"x and y cannot be natural size"};
    Rect r{*p[0], *p[1], std::nullopt, std::nullopt};
    if (p.size() == 4) {
        r.width = p[2];
        r.height = p[3];
    }
    if (r.x < 0 || r.y < 0) return Error{"negative position"};
    if ((r.width && *r.width < 0) || (r.height && *r.height < 0))
        return Error{"negative size"};
    if (requireSize && (!r.width || !r.height)) return Error{"width and height are required"};
    return r;
}

Result<Rgb> readColour(std::string_view text) {
    if (text.size() != 7 || text[0] != '#')
        return Error{"colour must be #RRGGBB, not '" + std::string(text) + "'"};
    Rgb value = 0;
    auto [ptr, ec] = std::from_chars(text.data() + 1, text.data() + 7, value, 16);
    if (ec != std::errc() || ptr != text.data() + 7)
        return Error{"colour must be #RRGGBB, not '" + std::string(text) + "'"};
    return value;
}

Result<FontSpec> readFont(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (true) {
        std::size_t comma = text.find(',', pos);
        parts.push_back(text.substr(pos, comma == std::string_view::npos
                                             ? std::string_view::npos
                                             : comma - pos));
        if (comma == std::string_view::npos) break;
        pos = comma + 1;
    }
    if (parts.size() < 3 || parts.size() > 5)
        return Error{"font must be face,points,weight[,ce][,#RRGGBB]"};
    FontSpec f;
    if (parts[0].empty()) return Error{"font without a face"};
    f.face = std::string(parts[0]);
    auto pts = readInt(parts[1]);
    if (!pts || *pts < 1 || *pts > 200) return Error{"font size must be 1 to 200 points"};
    f.points = *pts;
    if (parts[2] == "regular") {
        f.weight = 400;
    } else if (parts[2] == "bold") {
        f.weight = 700;
    } else {
        auto w = readInt(parts[2]);
        if (!w || *w < 100 || *w > 900) return Error{"font weight must be 100 to 900"};
        f.weight = *w;
    }
    for (std::size_t k = 3; k < parts.size(); ++k) {
        if (parts[k] == "ce") {
            f.centralEuropean = true;
        } else {
            auto c = readColour(parts[k]);
            if (!c) return Error{"font: " + c.error()};
            f.colour = *c;
        }
    }
    return f;
}

Result<Justify> readJustify(std::string_view text) {
    if (text == "left") return Justify::Left;
    if (text == "right") return Justify::Right;
    if (text == "centre" || text == "center") return Justify::Centre;
    return Error{"justify must be left, right or centre"};
}

AttributeReader::AttributeReader(const Record& record, std::string_view fileName)
    : record_(record), fileName_(fileName) {
    for (const auto& [key, value] : record.attrs) used_[key] = false;
}

Result<std::string> AttributeReader::required(const std::string& key) {
    auto v = optional(key);
    if (!v) return error(record_.keyword + " needs " + key + "=");
    return *v;
}

std::optional<std::string> AttributeReader::optional(const std::string& key) {
    auto it = record_.attrs.find(key);
    if (it == record_.attrs.end()) return std::nullopt;
    used_[key] = true;
    return it->second;
}

values::Status AttributeReader::finish() const {
    for (const auto& [key, used] : used_) {
        if (!used) return error("unknown attribute '" + key + "' for " + record_.keyword);
    }
    return {};
}

std::string AttributeReader::where(std::string_view message) const {
    return lineError(fileName_, record_.line, message);
}

}  // namespace citforms::print::doc
