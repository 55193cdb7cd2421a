// What tabrix does to files it did not make: output targets that are not regular files or
// that are the database, writes that fail on a full disk, read errors of a damaged database
// file, write-protected and missing databases.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include <QStringList>

#include "integration/process_runner.h"
#include "refhost/db/open_database.h"
#include "refhost/sql/database.h"
#include "support/test_engine.h"

namespace {

namespace fs = std::filesystem;
using citforms_test::Outcome;
using refhost::sql::HostDatabase;

std::string readFile(const fs::path& path) {
    std::string content(fs::file_size(path), '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    return content;
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

QString q(const fs::path& p) {
    return QString::fromStdString(p.string());
}

// An SQLite file with the demo data, in the test's own folder.
class DemoFile : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = citforms_test::freshTestFolder("tabrix-files");
        db_ = folder_ / "t.db";
        const Outcome r = tabrix({"init-db", "--demo"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        id_ = QString::fromStdString(
            firstLine(tabrix({"sql",
                              "select min(id_deklaracje_nag) from DEKLARACJE_NAG where "
                              "id_deklaracje_wzorzec = 73"})
                          .out));
    }
    void TearDown() override {
        // Folders a test made write-protected can be emptied again.
        for (const auto& entry : fs::recursive_directory_iterator(folder_)) {
            if (entry.is_directory() && !entry.is_symlink())
                fs::permissions(entry, fs::perms::owner_all);
        }
        fs::remove_all(folder_);
    }

    static std::string firstLine(const std::string& s) { return s.substr(0, s.find('\n')); }

    Outcome tabrix(QStringList args, const std::function<void()>& inChild = {}) {
        return run(db_, std::move(args), inChild);
    }
    Outcome run(const fs::path& db, QStringList args, const std::function<void()>& inChild = {}) {
        args.prepend(q(db));
        args.prepend("--db");
        return citforms_test::runProgram(CITFORMS_TABRIX_PATH, args, folder_, inChild);
    }

    fs::path folder_;
    fs::path db_;
    QString id_;
};

using OutputFiles = DemoFile;

TEST_F(OutputFiles, OnlyARegularFileOrANewNameIsReplacedNeverTheDatabase) {
    ASSERT_EQ(::mkfifo((folder_ / "pipe").c_str(), 0600), 0);
    fs::create_directory(folder_ / "folder");
    fs::create_symlink(folder_ / "pipe", folder_ / "to-pipe");
    fs::create_symlink(db_, folder_ / "to-db");
    fs::create_hard_link(db_, folder_ / "alias.db");
    std::ofstream(folder_ / "t.db-wal").flush();  // an empty log: the engine ignores it
    const std::string before = readFile(db_);

    for (const char* name : {"t.db", "t.db-wal", "to-db", "alias.db", "pipe", "to-pipe", "folder",
                             "no-folder/x.pdf"}) {
        const QString target = q(folder_ / name);
        for (const QStringList& args :
             {QStringList{"pdf", id_, target},
              QStringList{"print", id_, "--printer", "--output", target}}) {
            const Outcome r = tabrix(args);
            EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
            EXPECT_TRUE(has(r.err, "nie można zapisać pliku " + target.toStdString())) << r.err;
        }
    }
    // A database copy is written in place: the same holds for its destination.
    for (const char* name : {"t.db-wal", "to-db", "alias.db", "pipe", "to-pipe", "folder"}) {
        const Outcome r = citforms_test::runProgram(
            CITFORMS_TABRIX_PATH, {"copy-db", "--from", q(db_), "--to", q(folder_ / name)},
            folder_);
        EXPECT_EQ(r.exitCode, 1) << name << ": " << r.out;
    }
    EXPECT_EQ(readFile(db_), before);
    EXPECT_EQ(fs::file_size(folder_ / "t.db-wal"), 0u);
    EXPECT_TRUE(fs::is_fifo(folder_ / "pipe"));
    EXPECT_TRUE(fs::is_directory(folder_ / "folder"));
    EXPECT_TRUE(fs::is_empty(folder_ / "folder"));
    EXPECT_FALSE(fs::exists(folder_ / "no-folder"));
    EXPECT_EQ(tabrix({"sql", "select count(*) from FIRMA"}).exitCode, 0);
}

// A full disk, as a file size limit of the process: the PDF cannot be completed.
TEST_F(OutputFiles, AWriteThatFailsIsAFailureAndLeavesTheTargetAsItWas) {
    const auto fullDisk = [] {
        ::signal(SIGXFSZ, SIG_IGN);
        // Room for the database's 32 KB shared-memory index, not for a whole PDF.
        const rlimit limit{34 * 1024, 34 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    std::ofstream(folder_ / "old.pdf") << "old";
    for (const char* name : {"old.pdf", "new.pdf"}) {
        const QString target = q(folder_ / name);
        for (const QStringList& args :
             {QStringList{"pdf", id_, target},
              QStringList{"print", id_, "--printer", "--copies", "3", "--output", target}}) {
            const Outcome r = tabrix(args, fullDisk);
            EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString() << "\n" << r.out;
            EXPECT_FALSE(has(r.out, "completed")) << r.out;
            EXPECT_NE(r.err, "");
        }
    }
    EXPECT_EQ(readFile(folder_ / "old.pdf"), "old");
    EXPECT_FALSE(fs::exists(folder_ / "new.pdf"));
    for (const auto& entry : fs::directory_iterator(folder_)) {
        EXPECT_FALSE(has(entry.path().filename().string(), ".pdf."))
            << "left behind: " << entry.path();
    }
    const Outcome r = tabrix({"print", id_, "--printer", "--output", q(folder_ / "nowhere/p.pdf")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(has(r.out, "cancelled")) << r.out;
}

using DamagedDatabase = DemoFile;

// The right-most child pointer of the declaration rows' table points past the end of the
// file: a scan returns the rows of the earlier pages, then the engine reports the damage.
TEST_F(DamagedDatabase, AReadErrorEndsTheCommandWithTheEnginesTextAndCopiesNothing) {
    const std::string last = firstLine(
        tabrix({"sql", "select ID_DEKLARACJE_NAG from DEKLARACJE_POZ order by rowid desc limit 1"})
            .out);
    const std::string root = firstLine(
        tabrix({"sql", "select rootpage from sqlite_master where name = 'DEKLARACJE_POZ'"}).out);
    ASSERT_FALSE(last.empty());
    {
        std::fstream file(db_, std::ios::in | std::ios::out | std::ios::binary);
        unsigned char size[2] = {};
        file.seekg(16);
        file.read(reinterpret_cast<char*>(size), 2);
        const std::streamoff pageSize = size[0] << 8 | size[1];
        const std::streamoff page = (std::stoll(root) - 1) * pageSize;
        char type = 0;
        file.seekg(page);
        file.read(&type, 1);
        ASSERT_EQ(type, 5) << "the table needs an interior root page";
        const char beyond[4] = {0x00, 0x0f, 0x42, 0x3f};  // page 999 999
        file.seekp(page + 8);
        file.write(beyond, 4);
        ASSERT_TRUE(file.good());
    }
    const QString lastId = QString::fromStdString(last);
    // The last rows are those of the demo's last CIT-2; its PDF export reads them too.
    const struct {
        QStringList args;
        const char* err;
        bool readsRows;
    } cases[] = {
        {{"dump", lastId}, "nie udało się odczytać deklaracji ", true},
        {{"sql", "select * from DEKLARACJE_POZ"}, "Błąd SQL: ", true},
        {{"pdf", lastId, q(folder_ / "d.pdf")}, "nie udało się odczytać deklaracji ", true},
    };
    for (const auto& c : cases) {
        const Outcome r = tabrix(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(has(r.err, c.err)) << r.err;
        EXPECT_EQ(has(r.err, "malformed"), c.readsRows) << r.err;
        EXPECT_FALSE(has(r.out, "{")) << r.out;
        EXPECT_FALSE(has(r.out, "\t" + last + "\t")) << "no rows: " << r.out.substr(0, 200);
    }
    EXPECT_FALSE(fs::exists(folder_ / "d.pdf"));

    const fs::path copy = folder_ / "copy.db";
    const Outcome r = citforms_test::runProgram(
        CITFORMS_TABRIX_PATH, {"copy-db", "--from", q(db_), "--to", q(copy)}, folder_);
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_TRUE(has(r.err, "malformed")) << r.err;
    EXPECT_FALSE(fs::exists(copy)) << "the copy made it and removes it again";
}

// Another user than root, for whom file permissions count: "nobody" when the tests run as
// root, else the tests' own user.
std::function<void()> asUserWithoutPrivileges() {
    if (::geteuid() != 0) return {};
    return [] {
        ::setgroups(0, nullptr);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    };
}

using WriteProtected = DemoFile;

TEST_F(WriteProtected, ReadCommandsWorkOnAWriteProtectedFileInAWriteProtectedFolder) {
    const fs::path folder = folder_ / "archive";
    fs::create_directory(folder);
    fs::create_directory(folder_ / "out");
    fs::permissions(folder_ / "out", fs::perms::all);
    const fs::path db = folder / "t.db";
    fs::rename(db_, db);
    // The log beside it holds nothing: a reader leaves an empty one behind.
    ASSERT_FALSE(fs::exists(db_.string() + "-wal") && fs::file_size(db_.string() + "-wal") > 0);
    fs::permissions(db, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    const std::string before = readFile(db);
    const auto user = asUserWithoutPrivileges();

    Outcome r = run(db, {"sql", "select count(*) from FIRMA"}, user);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out, "0\n");
    r = run(db, {"dump", id_}, user);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\"cit8\"")) << r.out;
    r = run(db, {"pdf", id_, q(folder_ / "out" / "d.pdf")}, user);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = run(db, {"lock", id_}, user);
    EXPECT_EQ(r.exitCode, 1) << "a write fails: " << r.out;
    r = citforms_test::runProgram(CITFORMS_TABRIX_PATH,
                                  {"copy-db", "--from", q(db), "--to", q(folder_ / "out" / "c.db")},
                                  folder_, user);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(readFile(db), before);

    // A file nobody may read is said to be unreadable, not to be of another kind.
    fs::permissions(db, fs::perms::none);
    r = run(db, {"sql", "select 1"}, user);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(has(r.err, "Nie można odczytać pliku " + db.string() + ": Permission denied"))
        << r.err;
}

// Only init-db creates a database (and any command the default one, on first use).
TEST(Opening, NoCommandButInitDbCreatesTheDatabase) {
    const fs::path folder = citforms_test::freshTestFolder("tabrix-opening");
    citforms_test::ScratchDatabase scratch(folder / "nowhere", "x.db");
    const QString db = QString::fromStdString(scratch.target());
    const QString other = q(folder / "other.db");
    const QStringList commands[] = {
        {"--db", db, "dump", "1"},
        {"--db", db, "sql", "select 1"},
        {"--db", db, "sql", "delete from FIRMA"},
        {"--db", db, "pdf", "1", q(folder / "x.pdf")},
        {"--db", db, "lock", "1"},
        {"--db", db, "new-cit8", "--year", "2016"},
        {"copy-db", "--from", db, "--to", other},
    };
    for (const QStringList& args : commands) {
        const Outcome r = citforms_test::runProgram(CITFORMS_TABRIX_PATH, args, folder);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(has(r.err, "init-db")) << r.err;
    }
    EXPECT_FALSE(fs::exists(folder / "nowhere"));
    EXPECT_FALSE(fs::exists(folder / "other.db"));
    refhost::sql::OpenOptions reading;
    reading.mode = refhost::sql::OpenMode::ReadOnly;
    EXPECT_FALSE(refhost::db::openDatabase(scratch.target(), reading)) << "still nothing there";

    const Outcome r =
        citforms_test::runProgram(CITFORMS_TABRIX_PATH, {"--db", db, "init-db"}, folder);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(refhost::db::openDatabase(scratch.target(), reading));
    scratch.drop();
    fs::remove_all(folder);
}

}  // namespace
