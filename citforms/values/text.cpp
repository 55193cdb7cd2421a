#include "citforms/values/text.h"

namespace citforms::values {

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string upper(std::string_view text) {
    // The lower-case Polish letters as UTF-8 byte pairs and their upper-case pairs.
    struct Pair {
        const char* lower;
        const char* upper;
    };
    static constexpr Pair kPolish[] = {
        {"ą", "Ą"}, {"ć", "Ć"}, {"ę", "Ę"}, {"ł", "Ł"}, {"ń", "Ń"},
        {"ó", "Ó"}, {"ś", "Ś"}, {"ź", "Ź"}, {"ż", "Ż"},
    };
    std::string out = upperAscii(text);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        for (const Pair& p : kPolish) {
            if (out[i] == p.lower[0] && out[i + 1] == p.lower[1]) {
                out[i] = p.upper[0];
                out[i + 1] = p.upper[1];
                ++i;
                break;
            }
        }
    }
    return out;
}

std::string_view trim(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string join(const std::vector<std::string>& parts, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += separator;
        out += parts[i];
    }
    return out;
}

std::string sqlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\0') continue;
        if (c == '\'') out += '\'';
        out += c;
    }
    return out;
}

std::string sqlQuoted(std::string_view text) { return "'" + sqlEscaped(text) + "'"; }

}  // namespace citforms::values
