// The command line's failures told as they are: a batch whose company met a failed statement
// says so in that company's row and in its count, the files it writes are never reached
// through a link and always hold their header, and the smaller commands refuse what they
// cannot do instead of reporting success.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "integration/process_runner.h"
#include "refhost/db/copy.h"
#include "refhost/db/open_database.h"
#include "refhost/sql/database.h"
#include "support/test_engine.h"

namespace {

using citforms_test::Outcome;
using citforms_test::contains;
const auto& lines = citforms_test::outputLines;

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The columns of one summary.csv line (the test's names hold no quotes or commas in the
// columns it reads: company, declaration .. failure are plain).
std::vector<std::string> columns(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            out.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    out.push_back(field);
    return out;
}

const char* const kHeader =
    "company,name,nip,declaration,tax_due,to_pay,overpaid,errors,warnings,pdf,failure";

class CommandFailures : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = citforms_test::freshTestFolder("command-failures");
        scratch_ = std::make_unique<citforms_test::ScratchDatabase>(folder_, "demo.db");
        const Outcome init = tabrix({"init-db", "--demo"});
        ASSERT_EQ(init.exitCode, 0) << init.err;
        auto opened = refhost::db::openDatabase(scratch_->target());
        ASSERT_TRUE(opened) << opened.error();
        db_ = std::move(*opened);
    }
    void TearDown() override {
        db_.reset();
        scratch_.reset();
        std::filesystem::remove_all(folder_);
    }

    Outcome tabrix(QStringList args, const std::vector<std::pair<QString, QString>>& env = {},
                   const std::function<void()>& inChild = {}) {
        args.prepend(QString::fromStdString(scratch_->target()));
        args.prepend("--db");
        return citforms_test::runProgram(CITFORMS_TABRIX_PATH, args, folder_, env, inChild);
    }
    std::string sql(const std::string& text) {
        auto r = db_->run(text);
        EXPECT_TRUE(r) << text << ": " << r.error();
        if (!r || r->rows.empty() || r->rows[0].empty()) return {};
        return r->rows[0][0].value_or("");
    }
    std::string lastDeclaration() { return sql("select max(id_deklaracje_nag) from DEKLARACJE_NAG"); }
    // Removes the declarations above `id` with every row hanging on them.
    void dropDeclarationsAbove(const std::string& id) {
        for (const refhost::db::CopyRule& rule : refhost::db::copyRules()) {
            if (rule.part != refhost::db::CopyPart::Declaration) continue;
            sql("delete from " + rule.table + " where " + rule.column + " > " + id);
        }
        sql("delete from DEKLARACJE_NAG where id_deklaracje_nag > " + id);
    }

    std::filesystem::path folder_;
    std::unique_ptr<citforms_test::ScratchDatabase> scratch_;
    std::unique_ptr<refhost::sql::HostDatabase> db_;
};

// Every kind of statement of a batch with its PDFs and checks failed in turn (and a stride of
// the rest): once the companies' work has begun, each run writes the summary with the failed
// company's reason in its row, counts it, and exits 1; a company without a failure has all
// its columns. A company named twice is done once.
TEST_F(CommandFailures, EveryFailedStatementOfABatchIsCountedInItsCompanysRow) {
    const QStringList command = {"batch", "--year", "2016", "--company", "1", "1", "2",
                                 "--out", "returns", "--pdf", "--check"};
    const std::string before = lastDeclaration();
    const auto log = folder_ / "statements.log";
    const Outcome logged =
        tabrix(command, {{"TABRIX_FAULT_INJECTION", "log=" + QString::fromStdString(log)}});
    ASSERT_EQ(logged.exitCode, 0) << logged.err << logged.out;
    EXPECT_TRUE(contains(logged.out, "\t2 companies\t0 failed")) << logged.out;
    EXPECT_EQ(std::stoi(lastDeclaration()), std::stoi(before) + 2);
    const std::vector<std::string> statements = lines(readFile(log));
    dropDeclarationsAbove(before);

    // The companies' work begins with the first company's name.
    const auto first = std::find_if(statements.begin(), statements.end(), [](const std::string& s) {
        return s.rfind("select nip, nazwa from FIRMA", 0) == 0;
    });
    ASSERT_NE(first, statements.end());
    const std::size_t companiesFrom = static_cast<std::size_t>(first - statements.begin()) + 1;

    std::set<std::size_t> chosen;
    std::set<std::string> kinds;
    const std::regex digits("[0-9]+");
    for (std::size_t i = 0; i < statements.size(); ++i) {
        if (kinds.insert(std::regex_replace(statements[i].substr(0, 70), digits, "N")).second)
            chosen.insert(i + 1);
    }
    const std::size_t stride = std::max<std::size_t>(1, statements.size() / 30);
    for (std::size_t n = stride; n <= statements.size(); n += stride) chosen.insert(n);

    const std::regex total("\t([0-9]+) companies\t([0-9]+) failed");
    for (std::size_t n : chosen) {
        SCOPED_TRACE("failing statement " + std::to_string(n) + ": " + statements[n - 1]);
        std::filesystem::remove_all(folder_ / "returns");
        const Outcome r = tabrix(command, {{"TABRIX_FAULT_INJECTION", "nth=" + QString::number(n)}});
        dropDeclarationsAbove(before);
        EXPECT_EQ(r.exitCode, 1) << r.err << r.out;
        if (n < companiesFrom) continue;
        const std::vector<std::string> rows = lines(readFile(folder_ / "returns" / "summary.csv"));
        ASSERT_EQ(rows.size(), 3u) << r.err;
        EXPECT_EQ(rows[0], kHeader);
        int failedRows = 0;
        for (std::size_t k = 1; k < rows.size(); ++k) {
            const std::vector<std::string> c = columns(rows[k]);
            ASSERT_EQ(c.size(), 11u) << rows[k];
            if (!c[10].empty()) {
                ++failedRows;
                EXPECT_FALSE(c[10].ends_with(": ")) << "a reason without its text: " << rows[k];
                continue;
            }
            for (std::size_t col : {3, 4, 5, 6, 7, 8, 9}) {
                EXPECT_FALSE(c[col].empty()) << "column " << col << " of " << rows[k];
            }
        }
        EXPECT_EQ(failedRows, 1) << readFile(folder_ / "returns" / "summary.csv");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(r.out, m, total)) << r.out << r.err;
        EXPECT_EQ(m[1], "2");
        EXPECT_EQ(std::stoi(m[2]), failedRows);
    }
}

// summary.csv that is a symbolic link is refused (the file it points to stays as it was, and
// nothing is made); past a file-size limit the summary still holds its header and a row for
// every company done, each saying what could not be written.
TEST_F(CommandFailures, TheSummaryIsNeverWrittenThroughALinkAndAlwaysHasItsHeader) {
    const std::string before = lastDeclaration();
    std::filesystem::create_directories(folder_ / "returns");
    {
        std::ofstream kept(folder_ / "kept.txt");
        kept << "ważne\n";
    }
    std::filesystem::create_symlink(folder_ / "kept.txt", folder_ / "returns" / "summary.csv");
    const Outcome linked =
        tabrix({"batch", "--year", "2016", "--company", "1", "--out", "returns"});
    EXPECT_EQ(linked.exitCode, 1);
    EXPECT_TRUE(contains(linked.err, "dowiązanie")) << linked.err;
    EXPECT_EQ(readFile(folder_ / "kept.txt"), "ważne\n");
    EXPECT_EQ(lastDeclaration(), before);

    const Outcome limited = tabrix(
        {"batch", "--year", "2016", "--company", "1", "2", "--out", "limited", "--pdf"}, {}, [] {
            const rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    EXPECT_EQ(limited.exitCode, 1) << limited.err;
    const std::vector<std::string> rows = lines(readFile(folder_ / "limited" / "summary.csv"));
    ASSERT_EQ(rows.size(), 3u) << limited.err;
    EXPECT_EQ(rows[0], kHeader);
    for (std::size_t k = 1; k < rows.size(); ++k) EXPECT_FALSE(columns(rows[k])[10].empty()) << rows[k];
}

TEST_F(CommandFailures, SmallerCommandsRefuseWhatTheyCannotDo) {
    const Outcome made = tabrix({"new-cit8", "--company", "1", "--year", "2016"});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string id = lines(made.out).back();
    const QString i = QString::fromStdString(id);

    // An output file is the printer's: it is written without --printer, refused with --screen.
    const Outcome printed = tabrix({"print", i, "--output", "p.pdf"});
    EXPECT_EQ(printed.exitCode, 0) << printed.err;
    EXPECT_TRUE(contains(printed.out, "print\t" + id + "\tcompleted")) << printed.out;
    EXPECT_EQ(readFile(folder_ / "p.pdf").substr(0, 5), "%PDF-");
    const Outcome screen = tabrix({"print", i, "--screen", "--output", "s.pdf"});
    EXPECT_EQ(screen.exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "s.pdf"));

    // A user missing from the register does not lift another user's lock, --force or not.
    ASSERT_EQ(tabrix({"--user", "1", "lock", i}).exitCode, 0);
    const std::string lockedBy = sql("select BLOKADA from DEKLARACJE_NAG where id_deklaracje_nag = " + id);
    const std::string logged = sql("select count(*) from DZIENNIK");
    const Outcome stranger = tabrix({"--user", "99", "unlock", "--force", i});
    EXPECT_EQ(stranger.exitCode, 1);
    EXPECT_TRUE(contains(stranger.err, "UZYTKOWNICY")) << stranger.err;
    EXPECT_EQ(sql("select BLOKADA from DEKLARACJE_NAG where id_deklaracje_nag = " + id), lockedBy);
    EXPECT_EQ(sql("select count(*) from DZIENNIK"), logged);

    // A count that failed is not a company missing from the source.
    citforms_test::ScratchDatabase target(folder_, "copy.db");
    const Outcome copy = citforms_test::runProgram(
        CITFORMS_TABRIX_PATH,
        {"copy-db", "--from", QString::fromStdString(scratch_->target()), "--to",
         QString::fromStdString(target.target()), "--company", "3"},
        folder_, {{"TABRIX_FAULT_INJECTION", "match=select count(*) from FIRMA where id_firmy"}});
    EXPECT_EQ(copy.exitCode, 1);
    EXPECT_TRUE(contains(copy.err, "Wstrzyknięty błąd")) << copy.err;
    EXPECT_FALSE(contains(copy.err, "Brak firmy")) << copy.err;

    // A statement log that cannot be written is refused, before any database is touched.
    for (const QStringList& command :
         {QStringList{"sql", "select 1"},
          QStringList{"copy-db", "--from", QString::fromStdString(scratch_->target()), "--to",
                      "never.db"}}) {
        const Outcome r = tabrix(command, {{"TABRIX_FAULT_INJECTION",
                                            "log=" + QString::fromStdString(folder_.string())}});
        EXPECT_EQ(r.exitCode, 1) << command.join(' ').toStdString();
        EXPECT_TRUE(contains(r.err, "TABRIX_FAULT_INJECTION")) << r.err;
        EXPECT_FALSE(std::filesystem::exists(folder_ / "never.db"));
    }
}

}  // namespace
