// A process saving a large declaration over and over is killed (SIGKILL) at random moments;
// after each kill the database must hold one whole version of the declaration, and no older
// one than the last save the process reported as done.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <thread>

#include "refhost/db/open_database.h"
#include "support/test_engine.h"
#include "workers/worker_process.h"

namespace {

using citforms_test::readStored;
using citforms_test::WorkerProcess;

constexpr int kKills = 25;
constexpr int kRoundsPerRun = 1000;  // more than a run can save before it is killed

TEST(CrashSafety, TwentyFiveKillsDuringSavesOfAMaximalDeclarationLeaveOneWholeVersion) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("crash-safety-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    {
        citforms_test::ScratchDatabase scratch(folder);
        auto opened = refhost::db::openDatabase(scratch.target());
        ASSERT_TRUE(opened) << opened.error();
        refhost::sql::HostDatabase& db = **opened;
        auto header = db.run("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (2,0,1,73,78867,0)");
        ASSERT_TRUE(header) << header.error();
        const QString target = QString::fromStdString(scratch.target());
        const QString id = QString::fromStdString(header->rows.at(0).at(0).value_or(""));

        const unsigned seed = std::random_device{}();
        std::mt19937 random(seed);
        std::uniform_int_distribution<int> delayMs(20, 400);
        int killedWhileSaving = 0;
        int newestStored = 0;
        for (int kill = 1; kill <= kKills; ++kill) {
            const int first = kill * kRoundsPerRun;
            WorkerProcess worker({target, "save", id, QString::number(first),
                                  QString::number(first + kRoundsPerRun - 1)});
            ASSERT_TRUE(worker.started());
            const int delay = delayMs(random);
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            worker.killHard();
            const auto acknowledged = worker.numbersAfter("saved");
            const int lastAcknowledged = acknowledged.empty() ? 0 : acknowledged.back();

            const auto stored = readStored(db, id.toInt());
            int round = 0;
            const bool whole = stored.completeSingleRound(&round);
            std::cout << "kill " << kill << " after " << delay << " ms: " << acknowledged.size()
                      << " saves reported, stored round " << round << "\n";
            if (newestStored == 0 && round < 0) {
                // Nothing stored yet: the first runs may die before their first save.
                EXPECT_EQ(stored.pozRows + stored.ordZuRows, 0) << stored.describe();
                continue;
            }
            ASSERT_TRUE(whole) << "kill " << kill << " (seed " << seed
                               << "): " << stored.describe();
            // A save reported as done is never lost; at most the one after it got in too.
            EXPECT_GE(round, std::max(newestStored, lastAcknowledged)) << "seed " << seed;
            const int upTo = lastAcknowledged != 0 ? lastAcknowledged + 1 : first;
            EXPECT_LE(round, std::max(upTo, newestStored)) << "seed " << seed;
            if (round >= first && round != lastAcknowledged) ++killedWhileSaving;
            newestStored = round;
        }
        std::cout << kKills << " kills, " << killedWhileSaving
                  << " with a save committed but not yet reported; newest stored round "
                  << newestStored << " (seed " << seed << ")\n";
        EXPECT_GT(newestStored, 0) << "no run got as far as one save";
        // The database is in order for the next user.
        if (!citforms_test::onPostgres()) {
            auto check = db.runNative("PRAGMA integrity_check");
            ASSERT_TRUE(check) << check.error();
            EXPECT_EQ(check->rows.at(0).at(0), std::optional<std::string>("ok"));
        }
        auto more = db.run("CALL ZESTAWIENIE_DEKLARACJA_DODAJ (2,0,1,73,78867,0)");
        EXPECT_TRUE(more) << (more ? "" : more.error());
    }
    std::filesystem::remove_all(folder);
}

}  // namespace
