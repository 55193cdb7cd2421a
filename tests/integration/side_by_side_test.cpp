// Two people at the module's windows at once, each a `tabrix run` session of its own on one
// demo database: a save refused because the other saved first and the declaration read again,
// and the windows whose writes race (the transfer, the CIT-ST link, a statement-definition
// term). A race is made certain by holding the database's write lock while both press the
// button, so that both get past every check the window makes before it writes.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <filesystem>
#include <memory>
#include <thread>

#include "integration/process_runner.h"
#include "refhost/db/open_database.h"
#include "support/test_engine.h"
#include "workers/worker_process.h"

namespace {

using citforms_test::contains;
using citforms_test::Outcome;
using citforms_test::WorkerProcess;

class SideBySide : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = citforms_test::freshTestFolder("side-by-side");
        scratch_ = std::make_unique<citforms_test::ScratchDatabase>(folder_, "demo.db");
        ASSERT_EQ(tabrix({"init-db", "--demo"}).exitCode, 0);
    }
    void TearDown() override {
        db_.reset();
        scratch_.reset();
        std::filesystem::remove_all(folder_);
    }

    QString target() const { return QString::fromStdString(scratch_->target()); }
    Outcome tabrix(const QStringList& args) {
        return citforms_test::runProgram(CITFORMS_TABRIX_PATH, QStringList{"--db", target()} + args,
                                         folder_);
    }
    std::string value(const std::string& sql) {
        const Outcome r = tabrix({"sql", QString::fromStdString(sql)});
        EXPECT_EQ(r.exitCode, 0) << sql << ": " << r.err;
        const auto lines = citforms_test::outputLines(r.out);
        return lines.empty() ? std::string() : lines.front();
    }
    // A new CIT-8 of company 1 for 2016, saved; its id.
    std::string newCit8() {
        const Outcome made = tabrix({"new-cit8", "--company", "1", "--year", "2016"});
        EXPECT_EQ(made.exitCode, 0) << made.err;
        const auto lines = citforms_test::outputLines(made.out);
        return lines.empty() ? std::string() : lines.back();
    }
    // The session `script` of user `user` (1 ADMIN, 7 ANOWAK), running beside the test.
    std::unique_ptr<WorkerProcess> session(const std::string& name, int user,
                                           const std::string& script) {
        const std::filesystem::path file = folder_ / (name + ".script");
        std::ofstream(file) << script;
        return std::make_unique<WorkerProcess>(
            CITFORMS_TABRIX_PATH,
            QStringList{"--db", target(), "--user", QString::number(user), "run",
                        QString::fromStdString(file.string())},
            folder_);
    }
    // A new CIT-ST of company 1 with all its branches, saved through its window; its id.
    std::string newCitSt() {
        const auto file = folder_ / "made.script";
        std::ofstream(file) << "open CIT_ST_201\npage 2\npress \"Wybierz oddziały firmy\"\n"
                               "press \"Zaznacz wszystkie\"\npress Wybierz\n"
                               "type 23 \"Anna Nowak\"\npress Zapisz\n";
        const Outcome made = tabrix({"run", QString::fromStdString(file.string())});
        EXPECT_EQ(made.exitCode, 0) << made.out << made.err;
        return value("select max(ID_DEKLARACJE_NAG) from DEKLARACJE_NAG where "
                     "ID_DEKLARACJE_WZORZEC = 201");
    }
    std::string go(const char* name) const { return (folder_ / name).string(); }
    void letGo(const char* name) { std::ofstream(folder_ / name) << "go"; }

    // Both sessions press their button while another writer holds the database: each has
    // made its checks before the write, and they write one after the other once it is free.
    void pressTogetherAfterAWriter(WorkerProcess& a, WorkerProcess& b) {
        ASSERT_TRUE(a.waitForLine("wait")) << a.out() << a.err();
        ASSERT_TRUE(b.waitForLine("wait")) << b.out() << b.err();
        auto db = refhost::db::openDatabase(scratch_->target());
        ASSERT_TRUE(db) << db.error();
        db_ = std::move(*db);
        ASSERT_TRUE(db_->begin());
        ASSERT_TRUE(db_->run("update FIRMA set nazwa = nazwa where id_firmy = 1"));
        letGo("go");
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        db_->rollback();
        ASSERT_TRUE(a.finish());
        ASSERT_TRUE(b.finish());
    }
    // A (user 1) runs `aScript` up to its "wait"; B (user 7) runs `bScript` to its end
    // meanwhile; then A goes on. A's session, finished.
    std::unique_ptr<WorkerProcess> saveWhileAWaits(const std::string& aScript,
                                                   const std::string& bScript) {
        auto a = session("a", 1, aScript);
        EXPECT_TRUE(a->waitForLine("wait")) << a->out() << a->err();
        std::ofstream(folder_ / "b.script") << bScript;
        const Outcome saved = tabrix(
            {"--user", "7", "run", QString::fromStdString((folder_ / "b.script").string())});
        EXPECT_EQ(saved.exitCode, 0) << saved.out << saved.err;
        letGo("a");
        EXPECT_TRUE(a->finish());
        EXPECT_EQ(a->exitCode(), 0) << a->out() << a->err();
        return a;
    }
    // How many of the two transcripts hold `text`.
    static int holding(const WorkerProcess& a, const WorkerProcess& b, const std::string& text) {
        return (contains(a.out(), text) ? 1 : 0) + (contains(b.out(), text) ? 1 : 0);
    }

    std::filesystem::path folder_;
    std::unique_ptr<citforms_test::ScratchDatabase> scratch_;
    std::unique_ptr<refhost::sql::HostDatabase> db_;
};

// A opens the declaration and types; B saves it meanwhile; A's save is refused naming B, A
// reads it again and sees B's value, and A's next save goes through over B's.
TEST_F(SideBySide, AStaleSaveIsRefusedAndTheDeclarationReadAgainSavesOverTheOthers) {
    const std::string id = newCit8();
    ASSERT_FALSE(id.empty());
    const auto a = saveWhileAWaits(
        "open CIT_8_73 id=" + id + "\ntype 68 \"5 000\"\nwait " + go("a") +
            "\nanswer Anuluj\npress Zapisz\nshow 68\n"
            "answer \"Wczytaj ponownie\"\npress Zapisz\nshow 68\ntype 69 \"700\"\npress Zapisz\n",
        "open CIT_8_73 id=" + id + "\ntype 68 \"1 234\"\npress Zapisz\n");
    EXPECT_TRUE(contains(a->out(), "Deklaracja " + id + " została zmieniona przez ANOWAK"))
        << a->out();
    // "Anuluj" keeps what was typed; "Wczytaj ponownie" shows what B saved.
    EXPECT_TRUE(contains(a->out(), "&Wczytaj ponownie|&Anuluj\t2\tAnuluj\tscript\n"
                                   "field\tCIT_8_73\t68\t5 000\n"))
        << a->out();
    EXPECT_TRUE(contains(a->out(), "&Wczytaj ponownie|&Anuluj\t1\tWczytaj ponownie\tscript\n"
                                   "status\tCIT_8_73\tDeklarację wczytano ponownie z bazy "
                                   "danych.\nfield\tCIT_8_73\t68\t1 234\n"))
        << a->out();
    EXPECT_TRUE(contains(a->out(), "window\tclose\tCIT_8_73\t" + id)) << a->out();
    const std::string where = " from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " + id +
                              " and NR_ZALACZNIKA = 0 and NR_POLA = ";
    EXPECT_EQ(value("select WARTOSC_POLA" + where + "'68'"), "1234.00");
    EXPECT_EQ(value("select WARTOSC_POLA" + where + "'69'"), "700.00");
    EXPECT_EQ(value("select ID_UZYT_P from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = " + id),
              "ADMIN");
}

// The same with the CIT-ST window: its cells show what the other user saved, and its next
// save goes through.
TEST_F(SideBySide, AStaleCitStIsReadAgainIntoItsWindow) {
    const std::string id = newCitSt();
    ASSERT_FALSE(id.empty());
    const auto a = saveWhileAWaits(
        "open CIT_ST_201 id=" + id + "\ntype 23 \"Adam Nowak\"\nwait " + go("a") +
            "\nanswer \"Wczytaj ponownie\"\npress Zapisz\nshow 23\ntype 23 \"Ewa Nowak\"\n"
            "press Zapisz\n",
        "open CIT_ST_201 id=" + id + "\ntype 23 \"Jan Kowalski\"\npress Zapisz\n");
    EXPECT_TRUE(contains(a->out(), "Deklaracja " + id + " została zmieniona przez ANOWAK"))
        << a->out();
    EXPECT_TRUE(contains(a->out(), "field\tCIT_ST_201\t23\tJan Kowalski\n")) << a->out();
    EXPECT_TRUE(contains(a->out(), "window\tclose\tCIT_ST_201\t" + id)) << a->out();
    const std::string rows = " from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " + id +
                             " and WARTOSC_POLA = ";
    EXPECT_EQ(value("select count(*)" + rows + "'Ewa Nowak'"), "1");
    EXPECT_EQ(value("select count(*)" + rows + "'Jan Kowalski'"), "0");
}

// "Przelew" pressed by two users on one declaration: one transfer, the other told.
TEST_F(SideBySide, TwoTransfersOfOneDeclarationAtOnceLeaveOne) {
    const std::string id = newCit8();
    const std::string script =
        "open UP_PRZELEW id=" + id + "\ntype 5 \"100,00\"\nwait " + go("go") + "\npress Zapisz\n";
    auto a = session("a", 1, script);
    auto b = session("b", 7, script);
    ASSERT_NO_FATAL_FAILURE(pressTogetherAfterAWriter(*a, *b));
    EXPECT_EQ(value("select count(*) from PRZELEW where id_deklaracje_nag = " + id), "1");
    EXPECT_EQ(holding(*a, *b, "Przelew tej deklaracji został już zapisany przez innego "
                              "użytkownika (nr "),
              1)
        << a->out() << b->out();
    EXPECT_EQ(holding(*a, *b, "constraint"), 0) << a->out() << b->out();
}

// One CIT-ST linked by two users to two CIT-8s at once: one link, the other refused.
TEST_F(SideBySide, OneCitStLinkedToTwoCit8sAtOnceIsLinkedOnce) {
    const std::string first = newCit8();
    const std::string second = newCit8();
    ASSERT_NE(first, second);
    const std::string citSt = newCitSt();
    ASSERT_FALSE(citSt.empty());
    const auto linking = [&](const std::string& cit8) {
        return "open CIT_ST_8_powiazanie cit8=" + cit8 + "\nchoose 3 2\nwait " + go("go") +
               "\npress Zapisz\n";
    };
    auto a = session("a", 1, linking(first));
    auto b = session("b", 7, linking(second));
    ASSERT_NO_FATAL_FAILURE(pressTogetherAfterAWriter(*a, *b));
    EXPECT_EQ(value("select count(*) from DEKLARACJE_NAG_INTER where ID_DEKLARACJE_NAG_2 = " +
                    citSt),
              "1");
    EXPECT_EQ(holding(*a, *b, "Informacja CIT-ST wybrana z listy została w tym czasie "
                              "powiązana z inną deklaracją CIT-8."),
              1)
        << a->out() << b->out();
}

// Two users add the same term to one statement definition at once: it is there once, and the
// second is told and shown the list read again.
TEST_F(SideBySide, TheSameDefinitionTermAddedByTwoUsersAtOnceIsAddedOnce) {
    const std::string id = newCit8();
    const std::string script = "open DEF_ZESTAW_NEW id=" + id +
                               " code=31\ntype 7 \"77*\"\nwait " + go("go") +
                               "\npress Dodaj\nshow 5\n";
    auto a = session("a", 1, script);
    auto b = session("b", 7, script);
    ASSERT_NO_FATAL_FAILURE(pressTogetherAfterAWriter(*a, *b));
    EXPECT_EQ(value("select count(*) from ZESTAWIENIE_DEFINICJA where id_deklaracje_nag = " +
                    id + " and kod = '31' and maska = '77*'"),
              "1");
    EXPECT_EQ(holding(*a, *b, "o tej samej masce, mierze i znaku została w tym czasie dodana "
                              "przez innego użytkownika; lista została wczytana ponownie."),
              1)
        << a->out() << b->out();
    // Both lists show the term, the refused one after reading the list again.
    EXPECT_EQ(holding(*a, *b, "| 77* |"), 2) << a->out() << b->out();
}

}  // namespace
