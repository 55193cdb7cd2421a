// Several users at once on one database, each a process of its own running the module's store
// code: numbering of headers, saves of the same declaration, a writer that waits too long.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <fstream>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>

#include "integration/process_runner.h"
#include "refhost/db/open_database.h"
#include "support/test_engine.h"
#include "workers/worker_process.h"

namespace {

using citforms_test::readStored;
using citforms_test::WorkerProcess;

constexpr int kCompany = 3;
constexpr int kPeriod = 78867;

class ManyUsers : public ::testing::Test {
protected:
    // The window process `a` ends refused: the declaration `id` it held was deleted by JWOJCIK.
    static void expectRefusedAsDeleted(WorkerProcess& a, const std::string& id) {
        ASSERT_TRUE(a.finish());
        EXPECT_EQ(a.exitCode(), 1) << a.out();
        EXPECT_NE(a.out().find("Deklaracja " + id + " została usunięta przez JWOJCIK"),
                  std::string::npos)
            << a.out();
    }
    void SetUp() override {
        folder_ = citforms_test::freshTestFolder("many-users");
        scratch_ = std::make_unique<citforms_test::ScratchDatabase>(folder_);
        auto db = refhost::db::openDatabase(scratch_->target());
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

    // A new CIT-8 header through the host procedure (never saved, no window creating it).
    std::string newHeader() {
        return value("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (" + std::to_string(kCompany) +
                     ",0,1,73," + std::to_string(kPeriod) + ",0)");
    }
    // tabrix as user 2 (JWOJCIK) of company kCompany.
    void registerUserAndCompany() {
        EXPECT_TRUE(db_->run("insert into UZYTKOWNICY (id_uzytkownika, id_uzyt) select 2, "
                             "'JWOJCIK' where not exists (select 1 from UZYTKOWNICY where "
                             "id_uzytkownika = 2)"));
        EXPECT_TRUE(db_->run("insert into FIRMA (id_firmy, nazwa) select " +
                             std::to_string(kCompany) +
                             ", 'Młyn' where not exists (select 1 from FIRMA where id_firmy = " +
                             std::to_string(kCompany) + ")"));
    }
    citforms_test::Outcome tabrix(const QStringList& args) {
        registerUserAndCompany();
        return citforms_test::runProgram(CITFORMS_TABRIX_PATH,
                                         QStringList{"--db", target(), "--user", "2", "--company",
                                                     QString::number(kCompany)} +
                                             args,
                                         folder_);
    }
    // The file a held worker waits for before it saves or cancels.
    QString go(const char* name) const { return QString::fromStdString((folder_ / name).string()); }
    void letGo(const char* name) { std::ofstream(folder_ / name) << "go"; }

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

// A declaration held in a window is discarded by another user and a third makes a new one:
// the new one gets a new id, and the window's save writes nothing and says who discarded it.
TEST_F(ManyUsers, ASaveOfADiscardedDeclarationWritesNothingAndNamesWhoDiscardedIt) {
    const std::string id = newHeader();
    ASSERT_FALSE(id.empty());
    const QString qid = QString::fromStdString(id);
    WorkerProcess a({target(), "hold", qid, "7", go("a")});
    ASSERT_TRUE(a.waitForLine("loaded " + id)) << a.out() << a.err();

    const citforms_test::Outcome discarded = tabrix({"discard", qid});
    ASSERT_EQ(discarded.exitCode, 0) << discarded.err;
    const std::string other = newHeader();
    EXPECT_EQ(std::stoi(other), std::stoi(id) + 1) << "a discarded id was given again";

    letGo("a");
    ASSERT_NO_FATAL_FAILURE(expectRefusedAsDeleted(a, id));
    EXPECT_EQ(a.numbersAfter("kept"), std::vector<int>{std::stoi(id)}) << "a refused save "
                                                                           "must not make a header";
    EXPECT_EQ(value("select count(*) from DEKLARACJE_NAG"), "1");
    EXPECT_EQ(value("select count(*) from DEKLARACJE_POZ"), "0");
}

// Two windows on one declaration: the later save of the one opened before the other's save
// is refused with who saved meanwhile, and the earlier save stays whole.
TEST_F(ManyUsers, ASaveOverAVersionSavedMeanwhileIsRefusedAndTheOtherSaveStays) {
    const std::string id = newHeader();
    const QString qid = QString::fromStdString(id);
    WorkerProcess first({target(), "save", qid, "1", "1"});
    ASSERT_TRUE(first.finish());
    WorkerProcess a({target(), "hold", qid, "2", go("a")});
    WorkerProcess b({target(), "hold", qid, "3", go("b")});
    ASSERT_TRUE(a.waitForLine("loaded " + id) && b.waitForLine("loaded " + id));
    letGo("a");
    ASSERT_TRUE(a.finish());
    EXPECT_EQ(a.exitCode(), 0) << a.out();
    letGo("b");
    ASSERT_TRUE(b.finish());
    EXPECT_EQ(b.exitCode(), 1) << b.out();
    EXPECT_NE(b.out().find("Deklaracja " + id + " została zmieniona przez U1"), std::string::npos)
        << b.out();
    int round = 0;
    const auto stored = readStored(*db_, std::stoi(id));
    EXPECT_TRUE(stored.completeSingleRound(&round)) << stored.describe();
    EXPECT_EQ(round, 2);
}

// `discard` leaves a header that a window is creating, and one that has been saved; the
// window's own cancel removes its header; with --force a header whose window is gone goes,
// and the window is told when it comes back.
TEST_F(ManyUsers, DiscardRemovesOnlyAHeaderNoOneIsCreatingAndNeverSaved) {
    const QString company = QString::number(kCompany);
    const QString period = QString::number(kPeriod);
    WorkerProcess a({target(), "create", company, period, go("a"), "cancel"});
    ASSERT_TRUE(a.waitForLine("id ")) << a.out() << a.err();
    const std::string id = std::to_string(a.numbersAfter("id").at(0));
    const citforms_test::Outcome refused = tabrix({"discard", QString::fromStdString(id)});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("is being created in a window (U1 "), std::string::npos)
        << refused.err;
    EXPECT_EQ(value("select count(*) from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = " + id), "1");
    letGo("a");
    ASSERT_TRUE(a.finish());
    EXPECT_EQ(a.numbersAfter("cancelled"), std::vector<int>{std::stoi(id)}) << a.out();
    EXPECT_EQ(value("select count(*) from DEKLARACJE_NAG"), "0");

    WorkerProcess b({target(), "create", company, period, go("b"), "cancel"});
    ASSERT_TRUE(b.waitForLine("id ")) << b.out() << b.err();
    const std::string second = std::to_string(b.numbersAfter("id").at(0));
    EXPECT_NE(second, id);
    const citforms_test::Outcome forced =
        tabrix({"discard", "--force", QString::fromStdString(second)});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    const std::string third = newHeader();
    letGo("b");
    ASSERT_TRUE(b.finish());
    EXPECT_NE(b.out().find("Deklaracja " + second + " została usunięta przez JWOJCIK"),
              std::string::npos)
        << b.out();
    EXPECT_EQ(value("select count(*) from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = " + third),
              "1");

    WorkerProcess saved({target(), "save", QString::fromStdString(third), "1", "1"});
    ASSERT_TRUE(saved.finish());
    const citforms_test::Outcome afterSave = tabrix({"discard", QString::fromStdString(third)});
    EXPECT_EQ(afterSave.exitCode, 1);
    EXPECT_NE(afterSave.err.find("has been saved"), std::string::npos) << afterSave.err;
}

// With another writer holding the lock, `discard` changes nothing and names the engine's
// reason.
TEST_F(ManyUsers, ADiscardThatCannotWriteChangesNothingAndSaysWhy) {
    const std::string id = newHeader();
    registerUserAndCompany();
    ASSERT_TRUE(db_->begin());
    ASSERT_TRUE(db_->run("insert into UZYTKOWNICY (id_uzytkownika, id_uzyt) values (9, 'X')"));
    const citforms_test::Outcome r = citforms_test::runProgram(
        CITFORMS_TABRIX_PATH,
        {"--db", target(), "--lock-timeout", "300", "--company", QString::number(kCompany),
         "discard", QString::fromStdString(id)},
        folder_);
    db_->rollback();
    EXPECT_EQ(r.exitCode, 1);
    const std::string prefix = "was not discarded: ";
    const auto at = r.err.find(prefix);
    ASSERT_NE(at, std::string::npos) << r.err;
    EXPECT_NE(r.err.find_first_not_of(" \n", at + prefix.size()), std::string::npos) << r.err;
    EXPECT_EQ(value("select count(*) from DEKLARACJE_NAG"), "1");
    EXPECT_EQ(value("select count(*) from DZIENNIK where operacja = 'U'"), "0");
}

// A CIT-ST window saving after its CIT-ST was discarded and a CIT-8 was made: no rows under
// an id without a header, none over the CIT-8, and the window is told who discarded it.
TEST_F(ManyUsers, ACitStSavedAfterItWasDiscardedWritesNothing) {
    WorkerProcess made({target(), "cit-st-headers", "1", QString::number(kCompany),
                        QString::number(kPeriod)});
    ASSERT_TRUE(made.finish());
    const std::string id = std::to_string(made.numbersAfter("id").at(0));
    WorkerProcess a({target(), "hold-cit-st", QString::fromStdString(id), go("a")});
    ASSERT_TRUE(a.waitForLine("loaded " + id)) << a.out() << a.err();
    const citforms_test::Outcome discarded = tabrix({"discard", QString::fromStdString(id)});
    ASSERT_EQ(discarded.exitCode, 0) << discarded.err;
    const std::string cit8 = newHeader();
    EXPECT_NE(cit8, id);
    letGo("a");
    ASSERT_NO_FATAL_FAILURE(expectRefusedAsDeleted(a, id));
    EXPECT_EQ(value("select count(*) from DEKLARACJE_POZ"), "0");
}

}  // namespace
