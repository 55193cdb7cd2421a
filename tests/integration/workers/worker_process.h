#pragma once
// Running store_worker processes from a test, and reading back what a marked save stored.
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "refhost/sql/database.h"
#include "support/marked_declaration.h"

namespace citforms_test {

class WorkerProcess {
public:
    explicit WorkerProcess(const QStringList& args) {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(CITFORMS_STORE_WORKER_PATH, args);
    }
    // Another program (tabrix running a session) in `folder`, without a display, as
    // runProgram() runs it, but left running beside the test.
    WorkerProcess(const QString& program, const QStringList& args,
                  const std::filesystem::path& folder) {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.setWorkingDirectory(QString::fromStdString(folder.string()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", QString::fromStdString((folder / "data").string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((folder / "config").string()));
        env.insert("LSAN_OPTIONS", "detect_leaks=0");
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        process_.setProcessEnvironment(env);
        process_.start(program, args);
    }
    ~WorkerProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    bool started() { return process_.waitForStarted(10000); }
    // Waits for the end; false when it did not end in time (it is killed then).
    bool finish(int timeoutMs = 120000) {
        if (!process_.waitForFinished(timeoutMs)) {
            process_.kill();
            process_.waitForFinished();
            return false;
        }
        collect();
        return true;
    }
    // Waits until the output holds a line starting with `start`; false when the process ended
    // or 60 s went by first.
    bool waitForLine(const std::string& start) {
        for (int i = 0; i < 600; ++i) {
            collect();
            std::istringstream lines(out_);
            for (std::string line; std::getline(lines, line);) {
                if (line.rfind(start, 0) == 0 && !lines.eof()) return true;
            }
            if (process_.state() == QProcess::NotRunning) return false;
            process_.waitForReadyRead(100);
        }
        return false;
    }
    // SIGKILL: the process gets no chance to clean up.
    void killHard() {
        process_.kill();
        process_.waitForFinished();
        collect();
    }
    int exitCode() const {
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    const std::string& out() const { return out_; }
    const std::string& err() const { return err_; }

    // The numbers of the output lines "<word> N".
    std::vector<int> numbersAfter(const std::string& word) const {
        std::vector<int> out;
        std::istringstream lines(out_);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(word + " ", 0) == 0)
                out.push_back(std::stoi(line.substr(word.size() + 1)));
        }
        return out;
    }

private:
    void collect() {
        out_ += process_.readAllStandardOutput().toStdString();
        err_ += process_.readAllStandardError().toStdString();
    }

    QProcess process_;
    std::string out_;
    std::string err_;
};

// What the database holds of a declaration saved by fillMarked rounds.
struct StoredDeclaration {
    int pozRows = 0;
    int ordZuRows = 0;
    std::map<int, int> rowsByRound;  // round -> rows (the unmarked count fields under 0)
    int unreadable = 0;              // rows no round wrote

    // One complete save: every row there, all of one round. `round` gets that round.
    bool completeSingleRound(int* round = nullptr) const {
        std::set<int> rounds;
        for (const auto& [r, n] : rowsByRound) {
            if (r != 0) rounds.insert(r);
        }
        if (round != nullptr) *round = rounds.size() == 1 ? *rounds.begin() : -1;
        return unreadable == 0 && rounds.size() == 1 && pozRows == kMarkedPozRows &&
               ordZuRows == kMarkedOrdZuRows;
    }

    std::string describe() const {
        std::ostringstream s;
        s << pozRows << " field rows (complete: " << kMarkedPozRows << "), " << ordZuRows
          << " ORD-ZU rows, rows by round:";
        for (const auto& [r, n] : rowsByRound) s << " " << r << "x" << n;
        if (unreadable) s << ", " << unreadable << " unmarked";
        return s.str();
    }
};

// One statement, so that it reads one snapshot even while another connection commits (a
// killed client's last COMMIT may still be under way on a server).
inline StoredDeclaration readStored(refhost::sql::HostDatabase& db, int id) {
    StoredDeclaration d;
    const std::string key = std::to_string(id);
    auto rows = db.runNative(
        "select NR_ZALACZNIKA, NR_POLA, WARTOSC_POLA from DEKLARACJE_POZ where "
        "ID_DEKLARACJE_NAG = " +
        key +
        " union all select -1, nr_pola, wartosc_pola from "
        "DEKLARACJE_ZALACZNIK where id_deklaracje_nag = " +
        key + " and typ = 'ORD-ZU'");
    EXPECT_TRUE(rows) << rows.error();
    if (!rows) return d;
    for (const auto& row : rows->rows) {
        const int sheet = std::stoi(row[0].value_or("0"));
        ++(sheet < 0 ? d.ordZuRows : d.pozRows);
        const auto round =
            citforms_test::roundOfRow(sheet, std::stoi(row[1].value_or("0")), row[2].value_or(""));
        if (round) {
            ++d.rowsByRound[*round];
        } else {
            ++d.unreadable;
        }
    }
    return d;
}

}  // namespace citforms_test
