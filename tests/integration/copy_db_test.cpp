// tabrix copy-db: the demo data from an SQLite file to the test run's engine and back, whole
// and by company.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "integration/process_runner.h"
#include "refhost/db/copy.h"
#include "refhost/db/open_database.h"
#include "refhost/db/schema.h"
#include "refhost/sql/database.h"
#include "support/test_engine.h"

namespace {

using refhost::sql::HostDatabase;

using citforms_test::Outcome;

using Rows = std::vector<std::vector<std::string>>;

class CopyDb : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = citforms_test::freshTestFolder("copy-db");
        server_ = std::make_unique<citforms_test::ScratchDatabase>(folder_, "server.db");
        source_ = (folder_ / "source.db").string();
        const Outcome init = tabrix({"--db", q(source_), "init-db", "--demo"});
        ASSERT_EQ(init.exitCode, 0) << init.err;
    }
    void TearDown() override {
        server_.reset();
        std::filesystem::remove_all(folder_);
    }

    static QString q(const std::string& s) { return QString::fromStdString(s); }

    Outcome tabrix(const QStringList& args) {
        return citforms_test::runProgram(CITFORMS_TABRIX_PATH, args, folder_);
    }

    // Every row of every copied table, sorted, as text.
    static std::vector<std::pair<std::string, Rows>> contents(const std::string& target) {
        auto db = refhost::db::openDatabase(target);
        EXPECT_TRUE(db) << db.error();
        std::vector<std::pair<std::string, Rows>> out;
        if (!db) return out;
        for (const auto& rule : refhost::db::copyRules()) {
            auto r = (*db)->runNative("select * from " + rule.table);
            EXPECT_TRUE(r) << rule.table;
            if (!r) continue;
            Rows rows;
            for (const auto& row : r->rows) {
                std::vector<std::string> texts;
                for (const auto& v : row) texts.push_back(v.value_or("<NULL>"));
                rows.push_back(std::move(texts));
            }
            std::sort(rows.begin(), rows.end());
            out.emplace_back(rule.table, std::move(rows));
        }
        return out;
    }

    static std::string value(const std::string& target, const std::string& sql) {
        auto db = refhost::db::openDatabase(target);
        EXPECT_TRUE(db) << db.error();
        if (!db) return "";
        auto r = (*db)->run(sql);
        EXPECT_TRUE(r) << sql << ": " << (r ? "" : r.error());
        return r && !r->rows.empty() ? r->rows[0][0].value_or("") : "";
    }

    std::filesystem::path folder_;
    std::unique_ptr<citforms_test::ScratchDatabase> server_;
    std::string source_;
};

TEST_F(CopyDb, EveryTableOfTheSchemaHasACopyRule) {
    std::vector<std::string> ruled;
    for (const auto& rule : refhost::db::copyRules()) ruled.push_back(rule.table);
    for (const auto& m : refhost::db::migrations()) {
        for (const auto& step : m.steps) {
            if (const auto* t = std::get_if<refhost::db::TableDef>(&step)) {
                EXPECT_NE(std::find(ruled.begin(), ruled.end(), t->name), ruled.end()) << t->name;
            }
        }
    }
}

// SQLite file -> the run's engine -> a new SQLite file: every row comes back as it was, and
// the declarations read the same through the module.
TEST_F(CopyDb, WholeDatabaseThereAndBackKeepsEveryRowExactly) {
    const std::string back = (folder_ / "back.db").string();
    const Outcome there = tabrix({"copy-db", "--from", q(source_), "--to", q(server_->target())});
    ASSERT_EQ(there.exitCode, 0) << there.err;
    EXPECT_NE(there.out.find("DEKLARACJE_POZ\t3016"), std::string::npos) << there.out;
    EXPECT_EQ(there.out.find(":***@") == std::string::npos, !citforms_test::onPostgres());
    const Outcome again = tabrix({"copy-db", "--from", q(server_->target()), "--to", q(back)});
    ASSERT_EQ(again.exitCode, 0) << again.err;

    const auto original = contents(source_);
    const auto copied = contents(server_->target());
    const auto returned = contents(back);
    ASSERT_EQ(original.size(), copied.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        EXPECT_EQ(copied[i].second, original[i].second) << original[i].first;
        EXPECT_EQ(returned[i].second, original[i].second) << original[i].first;
    }
    const std::string id = value(source_,
                                 "select min(id_deklaracje_nag) from DEKLARACJE_NAG where "
                                 "id_deklaracje_wzorzec=73");
    const Outcome dumpSource = tabrix({"--db", q(source_), "dump", q(id)});
    const Outcome dumpCopy = tabrix({"--db", q(server_->target()), "dump", q(id)});
    ASSERT_EQ(dumpCopy.exitCode, 0) << dumpCopy.err;
    EXPECT_EQ(dumpCopy.out, dumpSource.out);

    // The engine numbers its own ids on from the copied ones.
    const Outcome more = tabrix({"--db", q(server_->target()), "sql",
                                 "insert into KSIEGOWANIA (id_firmy, nr_konta, data) values "
                                 "(1, '100', 78867)"});
    EXPECT_EQ(more.exitCode, 0) << more.err;
    EXPECT_EQ(value(server_->target(), "select count(distinct id_ksiegowania) from KSIEGOWANIA"),
              value(server_->target(), "select count(*) from KSIEGOWANIA"));
}

TEST_F(CopyDb, OneCompanyAtATimeAndNeverTwice) {
    const Outcome first =
        tabrix({"copy-db", "--from", q(source_), "--to", q(server_->target()), "--company", "2"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    const std::string to = server_->target();
    EXPECT_EQ(value(to, "select count(*) from FIRMA"), "1");
    EXPECT_EQ(value(to, "select id_firmy from FIRMA"), "2");
    EXPECT_EQ(value(to, "select count(*) from KSIEGOWANIA"),
              value(source_, "select count(*) from KSIEGOWANIA where id_firmy = 2"));
    EXPECT_EQ(value(to, "select count(*) from DEKLARACJE_NAG where ID_FIRMY <> 2"), "0");

    // The same company again: refused, nothing written.
    const std::string rowsBefore = value(to, "select count(*) from KSIEGOWANIA");
    const Outcome twice =
        tabrix({"copy-db", "--from", q(source_), "--to", q(to), "--company", "2"});
    EXPECT_EQ(twice.exitCode, 1);
    EXPECT_NE(twice.err.find("Firma 2 jest już w bazie docelowej"), std::string::npos) << twice.err;
    EXPECT_EQ(value(to, "select count(*) from KSIEGOWANIA"), rowsBefore);

    // The company with the declarations comes with all their rows; shared data stays single.
    const Outcome other =
        tabrix({"copy-db", "--from", q(source_), "--to", q(to), "--company", "1"});
    ASSERT_EQ(other.exitCode, 0) << other.err;
    for (const char* table : {"DEKLARACJE_NAG", "DEKLARACJE_POZ", "DEKLARACJE_ZALACZNIK",
                              "ZESTAWIENIE_DEFINICJA", "URZEDY", "DEKLARACJE_WZORZEC"}) {
        const std::string sql = std::string("select count(*) from ") + table;
        EXPECT_EQ(value(to, sql), value(source_, sql)) << table;
    }
    // A whole copy into a database that has data is refused.
    const Outcome whole = tabrix({"copy-db", "--from", q(source_), "--to", q(to)});
    EXPECT_EQ(whole.exitCode, 1);
    EXPECT_NE(whole.err.find("tylko do pustej"), std::string::npos) << whole.err;
}

TEST_F(CopyDb, BadArgumentsAreRefusedBeforeAnythingIsOpened) {
    const std::string never = (folder_ / "never.db").string();
    const std::pair<QStringList, const char*> cases[] = {
        {{"copy-db", "--from", q(source_)}, "needs --from SOURCE and --to DESTINATION"},
        {{"copy-db", "--from", q(source_), "--to", q(source_)}, "the same database"},
        {{"copy-db", "--from", q(source_), "--to", q(never), "--company", "x"}, "--company"},
        {{"copy-db", "--from", q(source_), "--to", q(never), "--everything"}, "unknown argument"},
    };
    for (const auto& [args, message] : cases) {
        const Outcome r = tabrix(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(never));
}

}  // namespace
