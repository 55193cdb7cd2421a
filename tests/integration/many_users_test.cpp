// Several users at once on one database, each a process of its own running the module's store
// code: numbering of headers, saves of the same declaration, a writer that waits too long.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>

#include "integration/process_runner.h"
#include "support/test_engine.h"
#include "workers/worker_process.h"

namespace {

using citforms_test::readStored;
using citforms_test::WorkerProcess;

constexpr int kCompany = 3;
constexpr int kPeriod = 78867;

class ManyUsers : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = citforms_test::freshTestFolder("many-users");
        scratch_ = std::make_unique<citforms_test::ScratchDatabase>(folder_);
        auto db = refhost::sql::HostDatabase::open(scratch_->target());
        ASSERT_TRUE(db) << db.error();
        db_ = std::move(*db);
    }
    void TearDown() override {
        db_.reset();
        scratch_.reset();
        std::filesystem::remove_all(folder_);
    }

    QString target() const { return QString::fromStdString(scratch_->target()); }

    // Starts one worker per argument list, lets them all begin their work at the same moment
    // (once every one has started and opened the database) and waits for them all.
    std::vector<std::unique_ptr<WorkerProcess>> runTogether(
        const std::vector<QStringList>& argumentLists) {
        const auto startAt = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::system_clock::now().time_since_epoch())
                                 .count() +
                             2000;
        std::vector<std::unique_ptr<WorkerProcess>> workers;
        for (const QStringList& args : argumentLists) {
            workers.push_back(std::make_unique<WorkerProcess>(
                QStringList{"--start-at", QString::number(startAt)} + args));
        }
        for (auto& w : workers) {
            EXPECT_TRUE(w->started());
        }
        for (auto& w : workers) {
            EXPECT_TRUE(w->finish()) << "a worker did not finish";
        }
        return workers;
    }

    std::string value(const std::string& sql) {
        auto r = db_->run(sql);
        EXPECT_TRUE(r) << sql << ": " << (r ? "" : r.error());
        return r && !r->rows.empty() ? r->rows[0][0].value_or("") : "";
    }

    std::filesystem::path folder_;
    std::unique_ptr<citforms_test::ScratchDatabase> scratch_;
    std::unique_ptr<refhost::sql::HostDatabase> db_;
};

// Two processes create CIT-8 headers through the host procedure while two others number
// CIT-ST headers themselves, all for the same company and period at the same moment.
TEST_F(ManyUsers, FourProcessesTimesFiftyHeadersGetUniqueIdsAndLps) {
    constexpr int kEach = 50;
    const QString each = QString::number(kEach);
    const QString company = QString::number(kCompany);
    const QString period = QString::number(kPeriod);
    auto workers = runTogether({{target(), "cit8-headers", each, company, period},
                                {target(), "cit-st-headers", each, company, period},
                                {target(), "cit8-headers", each, company, period},
                                {target(), "cit-st-headers", each, company, period}});
    std::set<int> ids;
    for (auto& w : workers) {
        EXPECT_EQ(w->exitCode(), 0) << w->out() << w->err();
        const auto got = w->numbersAfter("id");
        EXPECT_EQ(got.size(), static_cast<std::size_t>(kEach));
        ids.insert(got.begin(), got.end());
    }
    ids.erase(0);
    EXPECT_EQ(ids.size(), 4u * kEach) << "ids handed out twice or not at all";
    EXPECT_EQ(value("select count(*) from DEKLARACJE_NAG"), std::to_string(4 * kEach));
    for (const char* form : {"CIT-8", "CIT-ST"}) {
        const std::string where = std::string(" from DEKLARACJE_NAG where INFO_2 = '") + form +
                                  "' AND ID_FIRMY = " + std::to_string(kCompany) +
                                  " AND DATA_OKRESU = " + std::to_string(kPeriod);
        EXPECT_EQ(value("select count(distinct LP)" + where), std::to_string(2 * kEach)) << form;
        EXPECT_EQ(value("select min(LP)" + where), "1") << form;
        EXPECT_EQ(value("select max(LP)" + where), std::to_string(2 * kEach)) << form;
    }
    std::cout << "4 processes x " << kEach << " headers: " << ids.size() << " unique ids\n";
}

// Two users save the same declaration over and over at the same time: each save waits for
// the other's, and what stays is one whole version.
TEST_F(ManyUsers, TwoProcessesTimesTwentySavesOfOneDeclarationLeaveOneCompleteVersion) {
    constexpr int kSaves = 20;
    const std::string id = value("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (" + std::to_string(kCompany) +
                                 ",0,1,73," + std::to_string(kPeriod) + ",0)");
    ASSERT_FALSE(id.empty());
    const QString qid = QString::fromStdString(id);
    auto workers = runTogether({{target(), "save", qid, "1", QString::number(kSaves)},
                                {target(), "save", qid, "1001", QString::number(1000 + kSaves)}});
    for (auto& w : workers) {
        EXPECT_EQ(w->exitCode(), 0) << w->out() << w->err();
        EXPECT_EQ(w->numbersAfter("saved").size(), static_cast<std::size_t>(kSaves));
    }
    const auto stored = readStored(*db_, std::stoi(id));
    int round = 0;
    EXPECT_TRUE(stored.completeSingleRound(&round)) << stored.describe();
    EXPECT_TRUE(round == kSaves || round == 1000 + kSaves) << stored.describe();
    std::cout << "2 processes x " << kSaves << " saves: stored round " << round << ", "
              << stored.describe() << "\n";
}

// A save that cannot get the write lock within its time shows the engine's error and the
// write error, and the stored declaration stays as the previous save left it.
TEST_F(ManyUsers, ASaveThatWaitsLongerThanItsTimeoutIsReportedAndWritesNothing) {
    const std::string id = value("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (" + std::to_string(kCompany) +
                                 ",0,1,73," + std::to_string(kPeriod) + ",0)");
    const QString qid = QString::fromStdString(id);
    WorkerProcess first({target(), "save", qid, "4", "4"});
    ASSERT_TRUE(first.finish());
    ASSERT_EQ(first.exitCode(), 0) << first.out() << first.err();

    ASSERT_TRUE(db_->begin());  // another user's long transaction
    ASSERT_TRUE(db_->run("insert into UZYTKOWNICY (id_uzytkownika, id_uzyt) values (9, 'X')"));
    WorkerProcess late({"--lock-timeout-ms", "300", target(), "save", qid, "5", "5"});
    const bool finished = late.finish(60000);
    db_->rollback();
    ASSERT_TRUE(finished);
    EXPECT_EQ(late.exitCode(), 1) << late.out() << late.err();
    EXPECT_EQ(late.numbersAfter("failed"), std::vector<int>{5});
    EXPECT_NE(late.out().find("Wystąpił błąd zapisu do bazy."), std::string::npos) << late.out();
    // The engine's own words come first, in the host's error text.
    const bool engineText = late.out().find("locked") != std::string::npos ||
                            late.out().find("lock timeout") != std::string::npos;
    EXPECT_TRUE(engineText) << late.out();

    const auto stored = readStored(*db_, std::stoi(id));
    int round = 0;
    EXPECT_TRUE(stored.completeSingleRound(&round)) << stored.describe();
    EXPECT_EQ(round, 4);
}

}  // namespace
