#pragma once
// Runs a program (tabrix, poppler's tools) the way a person at a terminal without a display
// would: in a scratch folder, with its own XDG data and config folders, no DISPLAY, and no
// QT_QPA_PLATFORM (tabrix must choose the offscreen platform by itself).
#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace citforms_test {

struct Outcome {
    int exitCode = -1;  // -1 when the program crashed or did not finish
    std::string out;
    std::string err;
};

// `environment` adds or replaces variables ("NAME", "value"); `inChild`, when given, runs in
// the child between fork and exec (resource limits, user).
Outcome runProgram(const QString& program, const QStringList& args,
                   const std::filesystem::path& folder,
                   const std::vector<std::pair<QString, QString>>& environment = {},
                   const std::function<void()>& inChild = {});
inline Outcome runProgram(const QString& program, const QStringList& args,
                          const std::filesystem::path& folder,
                          const std::function<void()>& inChild) {
    return runProgram(program, args, folder, {}, inChild);
}

// An empty folder of the running test's own under the temporary folder:
// "<prefix>-<pid>-<test name>", emptied when it already exists.
std::filesystem::path freshTestFolder(const std::string& prefix);

// A program's output line by line, without the line ends.
std::vector<std::string> outputLines(const std::string& text);

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace citforms_test
