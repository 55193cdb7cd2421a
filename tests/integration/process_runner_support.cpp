#include "integration/process_runner.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <sstream>

#include <unistd.h>

namespace citforms_test {

Outcome runProgram(const QString& program, const QStringList& args,
                   const std::filesystem::path& folder,
                   const std::vector<std::pair<QString, QString>>& environment,
                   const std::function<void()>& inChild) {
    QProcess process;
    process.setWorkingDirectory(QString::fromStdString(folder.string()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString((folder / "data").string()));
    env.insert("XDG_CONFIG_HOME", QString::fromStdString((folder / "config").string()));
    // In the sanitizer build the programs run here are checked for memory errors but not for
    // leaks: LeakSanitizer's stop-the-world tracer crashes at the exit of some of them (signal
    // 11 in the tracer), failing a test for no fault of the code. The test processes
    // themselves are still checked for leaks.
    env.insert("LSAN_OPTIONS", "detect_leaks=0");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    for (const auto& [name, value] : environment) env.insert(name, value);
    process.setProcessEnvironment(env);
    if (inChild) process.setChildProcessModifier(inChild);
    process.start(program, args);
    Outcome r;
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << program.toStdString()
                      << " did not finish: " << args.join(' ').toStdString();
        process.kill();
        process.waitForFinished();
        return r;
    }
    r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    r.out = process.readAllStandardOutput().toStdString();
    r.err = process.readAllStandardError().toStdString();
    return r;
}

std::filesystem::path freshTestFolder(const std::string& prefix) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        (prefix + "-" + std::to_string(::getpid()) + "-" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::vector<std::string> outputLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

}  // namespace citforms_test
