// The CIT-8 commands of the tabrix executable: new-cit8, compute, recalc, lock, unlock, their
// transcripts, results and exit statuses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "integration/process_runner.h"
#include "support/test_engine.h"

namespace {

using citforms_test::Outcome;
using citforms_test::contains;
const auto& lines = citforms_test::outputLines;
using citforms_test::runProgram;

class TabrixCit8 : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = citforms_test::freshTestFolder("tabrix-cit8");
        scratch_ = std::make_unique<citforms_test::ScratchDatabase>(folder_, "demo.db");
        ASSERT_EQ(tabrix({"init-db", "--demo"}).exitCode, 0);
    }
    void TearDown() override {
        scratch_.reset();
        std::filesystem::remove_all(folder_);
    }

    Outcome tabrix(QStringList args) {
        args.prepend(QString::fromStdString(scratch_->target()));
        args.prepend("--db");
        return runProgram(CITFORMS_TABRIX_PATH, args, folder_);
    }
    std::string sql(const std::string& text) {
        const Outcome r = tabrix({"sql", QString::fromStdString(text)});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    nlohmann::json dump(const std::string& id) {
        const Outcome r = tabrix({"dump", QString::fromStdString(id)});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return nlohmann::json::parse(r.out, nullptr, false);
    }

    std::filesystem::path folder_;
    std::unique_ptr<citforms_test::ScratchDatabase> scratch_;  // a file, or a server schema
};

TEST_F(TabrixCit8, NewCit8PrintsTheIdOfTheSavedDeclaration) {
    const Outcome made = tabrix({"new-cit8", "--company", "1", "--year", "2016"});
    ASSERT_EQ(made.exitCode, 0) << made.err << made.out;
    const std::string id = lines(made.out).back();
    const nlohmann::json d = dump(id);
    ASSERT_FALSE(d.is_discarded());
    EXPECT_EQ(d["template"].get<int>(), 73);
    EXPECT_EQ(d["cit8"]["4"].get<std::string>(), "78531");  // 1 January 2016
    EXPECT_NE(d["cit8"]["31"].get<std::string>(), "0.00");
    EXPECT_EQ(sql("select ID_FIRMY, ID_DEKLARACJE_WZORZEC, DATA_OKRESU from DEKLARACJE_NAG "
                  "where ID_DEKLARACJE_NAG = " +
                  id),
              "1\t73\t78867\n");  // 2 December 2016

    // A fiscal year from July to June is found by the year it starts in, else ends in; the
    // option placed before the command picks the company too.
    const Outcome byEnd = tabrix({"--company", "2", "new-cit8", "--year", "2018"});
    ASSERT_EQ(byEnd.exitCode, 0) << byEnd.err;
    EXPECT_EQ(sql("select ID_FIRMY, DATA_OKRESU from DEKLARACJE_NAG where ID_DEKLARACJE_NAG = " +
                  lines(byEnd.out).back()),
              "2\t79322\n");
    const Outcome edition23 =
        tabrix({"new-cit8", "--company=2", "--year=2015", "--edition=23", "--copy-from", "1"});
    ASSERT_EQ(edition23.exitCode, 0) << edition23.err;
    EXPECT_EQ(dump(lines(edition23.out).back())["template"].get<int>(), 72);
}

TEST_F(TabrixCit8, ComputeRecalcAndTheLockPath) {
    const std::string id = lines(tabrix({"new-cit8", "--year", "2016"}).out).back();
    sql("update DEKLARACJE_POZ set WARTOSC_POLA = 'x' where ID_DEKLARACJE_NAG = " + id +
        " AND NR_ZALACZNIKA = 0 AND NR_POLA = '31'");
    sql("update DEKLARACJE_POZ set WARTOSC_POLA = 'y' where ID_DEKLARACJE_NAG = " + id +
        " AND NR_ZALACZNIKA = 0 AND NR_POLA = '8'");

    // A stored amount that cannot be read is never saved over as 0: both refuse, the text
    // stays.
    for (const char* command : {"recalc", "compute"}) {
        const Outcome refused = tabrix({command, QString::fromStdString(id)});
        EXPECT_EQ(refused.exitCode, 1) << command;
        EXPECT_NE(refused.out.find("nie została zapisana. Nieczytelne wartości zapisane w polach: "
                                   "CIT-8 poz. 31."),
                  std::string::npos)
            << refused.out;
    }
    EXPECT_EQ(sql("select WARTOSC_POLA from DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " + id +
                  " AND NR_ZALACZNIKA = 0 AND NR_POLA = '31'"),
              "x\n");
    sql("update DEKLARACJE_POZ set WARTOSC_POLA = '0' where ID_DEKLARACJE_NAG = " + id +
        " AND NR_ZALACZNIKA = 0 AND NR_POLA = '31'");

    Outcome r = tabrix({"recalc", QString::fromStdString(id)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(lines(r.out).back(), id);
    nlohmann::json d = dump(id);
    EXPECT_NE(d["cit8"]["8"].get<std::string>(), "y");      // company data afresh
    EXPECT_EQ(d["cit8"]["31"].get<std::string>(), "0.00");  // no statement ran

    r = tabrix({"compute", QString::fromStdString(id)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    d = dump(id);
    EXPECT_NE(d["cit8"]["31"].get<std::string>(), "0.00");  // the books again

    r = tabrix({"lock", QString::fromStdString(id)});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "declaration " + id + " locked\n");
    const std::string before =
        sql("select NR_ZALACZNIKA, NR_POLA, WARTOSC_POLA from "
            "DEKLARACJE_POZ where ID_DEKLARACJE_NAG = " +
            id);
    for (const char* command : {"compute", "recalc"}) {
        r = tabrix({command, QString::fromStdString(id)});
        EXPECT_EQ(r.exitCode, 1) << command;
        EXPECT_NE(r.out.find("message\tTabrix: Informacja\tinformation\tNie można zapisać zmian. "
                             "Deklaracja jest zablokowana."),
                  std::string::npos)
            << r.out;
        EXPECT_NE(r.err.find("was not"), std::string::npos) << r.err;
    }
    EXPECT_EQ(sql("select NR_ZALACZNIKA, NR_POLA, WARTOSC_POLA from DEKLARACJE_POZ where "
                  "ID_DEKLARACJE_NAG = " +
                  id),
              before);
    EXPECT_EQ(tabrix({"unlock", QString::fromStdString(id)}).exitCode, 0);
    EXPECT_EQ(tabrix({"recalc", QString::fromStdString(id)}).exitCode, 0);
}

TEST_F(TabrixCit8, RefusesWhatItCannotDo) {
    struct Case {
        QStringList args;
        int exitCode;
        const char* stderrHas;
    };
    const std::vector<Case> cases = {
        {{"new-cit8"}, 2, "needs --year"},
        {{"new-cit8", "--year", "20x6"}, 2, "not a year"},
        {{"new-cit8", "--year", "2016", "--edition", "22"}, 2, "24, 23 or 21"},
        {{"new-cit8", "--year", "2016", "--bogus", "1"}, 2, "unknown argument --bogus"},
        {{"new-cit8", "--year"}, 2, "needs a value"},
        {{"new-cit8", "--company", "9", "--year", "2016"}, 1, "no company 9"},
        {{"new-cit8", "--year", "2031"}, 1, "no fiscal year starting or ending in 2031"},
        {{"compute"}, 2, "compute needs one declaration id"},
        {{"recalc", "abc"}, 2, "not a declaration id"},
        {{"lock", "987654"}, 1, "no declaration 987654"},
        {{"compute", "987654"}, 1, "no declaration 987654"},
    };
    for (const Case& c : cases) {
        const Outcome r = tabrix(c.args);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, c.exitCode) << what;
        EXPECT_NE(r.err.find(c.stderrHas), std::string::npos) << what << "\n" << r.err;
    }
    EXPECT_EQ(sql("select count(*) from DEKLARACJE_NAG"), "19\n");
}

}  // namespace
