#pragma once
// One field of a CSV line as the office's spreadsheets read it: quoted when it holds a comma, a
// quote or a line end, with its quotes doubled.
#include <string>

namespace refhost::app {

inline std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace refhost::app
