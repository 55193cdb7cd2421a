// Golden runs of the built tabrix executable in a temporary folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>

#include "integration/process_runner.h"
#include "support/test_engine.h"

namespace {

using citforms_test::Outcome;
using citforms_test::runProgram;

std::string readFile(const std::filesystem::path& path) {
    std::string content(std::filesystem::file_size(path), '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(content.data(), static_cast<std::streamsize>(content.size()));
    return content;
}

// Amount fields come back in the module's form ("0" is dumped as "0.00"): numbers compare by
// value, as text with trailing decimal zeros removed; everything else compares exactly.
std::string canonical(std::string value) {
    // The period (fields 4 and 5) is stored padded with blanks; the dump shows the value.
    while (!value.empty() && value.back() == ' ') value.pop_back();
    static const std::regex number(R"(-?\d+(\.\d+)?)");
    if (!std::regex_match(value, number)) return value;
    std::string out = value;
    if (out.find('.') != std::string::npos) {
        out.erase(out.find_last_not_of('0') + 1);
        if (out.back() == '.') out.pop_back();
    }
    if (out == "-0") out = "0";
    return out;
}

class Tabrix : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = citforms_test::freshTestFolder("tabrix");
        scratch_ = std::make_unique<citforms_test::ScratchDatabase>(folder_, "demo.db");
    }
    void TearDown() override {
        scratch_.reset();
        std::filesystem::remove_all(folder_);
    }

    Outcome run(const QStringList& args) { return runProgram(CITFORMS_TABRIX_PATH, args, folder_); }

    // The test's database: a file in its folder, or a schema on the PostgreSQL server.
    QString db() const { return QString::fromStdString(scratch_->target()); }

    void initDb(bool demo) {
        QStringList args{"--db", db(), "init-db"};
        if (demo) args << "--demo";
        const Outcome r = run(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }

    std::string sql(const std::string& text) {
        const Outcome r = run({"--db", db(), "sql", QString::fromStdString(text)});
        EXPECT_EQ(r.exitCode, 0) << text << ": " << r.err;
        return r.out;
    }

    // The declaration printed by dump, without the transcript lines of the messages.
    nlohmann::json dump(const std::string& id) {
        const Outcome r = run({"--db", db(), "dump", QString::fromStdString(id)});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::istringstream lines(r.out);
        std::string json;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("message\t", 0) != 0) json += line + "\n";
        }
        return nlohmann::json::parse(json, nullptr, false);
    }

    // Every stored row of one sheet equals the dumped field of that number.
    void expectSheetMatches(const std::string& id, int sheet, const nlohmann::json& fields) {
        std::istringstream stored(
            sql("select NR_POLA, WARTOSC_POLA from DEKLARACJE_POZ where "
                "ID_DEKLARACJE_NAG = " +
                id + " AND NR_ZALACZNIKA = " + std::to_string(sheet)));
        int count = 0;
        for (std::string line; std::getline(stored, line); ++count) {
            const auto tab = line.find('\t');
            const std::string field = line.substr(0, tab);
            const std::string value = tab == std::string::npos ? "" : line.substr(tab + 1);
            ASSERT_TRUE(fields.contains(field)) << "sheet " << sheet << " field " << field;
            EXPECT_EQ(canonical(fields[field].get<std::string>()), canonical(value))
                << "sheet " << sheet << " field " << field;
        }
        EXPECT_GT(count, 0) << "no stored rows on sheet " << sheet;
    }

    std::filesystem::path folder_;
    std::unique_ptr<citforms_test::ScratchDatabase> scratch_;
};

std::string firstLine(const std::string& out) {
    return out.substr(0, out.find('\n'));
}

TEST_F(Tabrix, SqlPrintsRowsTabSeparatedAndNothingElse) {
    initDb(false);
    EXPECT_EQ(sql("select 1, 'O''Neil', 'żółć' union all select 2, 'b', ''"),
              "1\tO'Neil\tżółć\n2\tb\t\n");
    EXPECT_EQ(sql("select isnull(max(LP),0)+1 from DEKLARACJE_NAG where id_firmy = -1"), "1\n");
    EXPECT_EQ(sql("select count(*) from DEKLARACJE_NAG"), "0\n");
}

TEST_F(Tabrix, DumpsTheDemoTemplate73Declaration) {
    initDb(true);
    const std::string id = firstLine(
        sql("select min(id_deklaracje_nag) from DEKLARACJE_NAG where id_deklaracje_wzorzec=73"));
    ASSERT_FALSE(id.empty());
    const nlohmann::json d = dump(id);
    ASSERT_FALSE(d.is_discarded());
    EXPECT_EQ(d["id"].get<int>(), std::stoi(id));
    EXPECT_EQ(d["template"].get<int>(), 73);
    EXPECT_TRUE(d["cit8"].contains("150"));
    EXPECT_FALSE(d["cit8"]["1"].get<std::string>().empty());  // the taxpayer's NIP
    expectSheetMatches(id, 0, d["cit8"]);
    expectSheetMatches(id, 1, d["cit8o"]);
}

TEST_F(Tabrix, DumpsTheDemoTemplate72Declaration) {
    initDb(true);
    const std::string id = firstLine(
        sql("select min(id_deklaracje_nag) from DEKLARACJE_NAG where id_deklaracje_wzorzec=72"));
    ASSERT_FALSE(id.empty());
    const nlohmann::json d = dump(id);
    ASSERT_FALSE(d.is_discarded());
    EXPECT_EQ(d["template"].get<int>(), 72);
    expectSheetMatches(id, 0, d["cit8"]);
}

TEST_F(Tabrix, RefusesUnknownIdsBadArgumentsAndUnknownCommands) {
    initDb(false);
    std::ofstream(folder_ / "plain.txt") << "x";
    const QString blocked = QString::fromStdString((folder_ / "plain.txt" / "x.db").string());
    struct Case {
        QStringList args;
        int exitCode;
        const char* stderrHas;
    };
    const Case cases[] = {
        {{"--db", db(), "dump", "987654"}, 1, "no declaration 987654"},
        {{"--db", db(), "dump", "abc"}, 2, "not a declaration id"},
        {{"--db", db(), "dump"}, 2, "dump needs one declaration id"},
        {{"--db", db(), "sql"}, 2, "sql needs one statement"},
        {{"--db", db(), "sql", "select nic from NIE_MA"}, 1, "NIE_MA"},
        {{"--db", db(), "sql", "select 1; delete from FIRMA"}, 1, "kilka poleceń"},
        {{"--db", db(), "--user", "x", "sql", "select 1"}, 2, "--user"},
        {{"--db", db(), "--company", "999", "sql", "select 1"}, 1, "no company 999"},
        {{"--db", db(), "--bogus", "sql", "select 1"}, 2, "unknown option --bogus"},
        {{"--db", db(), "init-db", "--everything"}, 2, "unknown argument"},
        {{"--db", db(), "frobnicate"}, 2, "unknown command frobnicate"},
        // No command is the desktop application, which needs a screen.
        {{"--db", db()}, 1, "needs a screen"},
        // A folder that cannot exist: its parent is a plain file.
        {{"--db", blocked, "sql", "select 1"}, 1, "nie można otworzyć bazy danych"},
    };
    for (const Case& c : cases) {
        const Outcome r = run(c.args);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, c.exitCode) << what;
        EXPECT_NE(r.err.find(c.stderrHas), std::string::npos) << what << "\n" << r.err;
        EXPECT_EQ(r.out, "") << what;
    }
}

TEST_F(Tabrix, LeavesAFileThatIsNotADatabaseUntouched) {
    const auto file = folder_ / "notes.db";
    std::string content = "Notatki księgowe\n";
    for (int i = 0; i < 300; ++i) content += static_cast<char>(i % 256);
    std::ofstream(file, std::ios::binary) << content;
    for (const QStringList& args :
         {QStringList{"--db", QString::fromStdString(file.string()), "init-db", "--demo"},
          QStringList{"--db", QString::fromStdString(file.string()), "sql", "select 1"}}) {
        const Outcome r = run(args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("nie można otworzyć bazy danych"), std::string::npos) << r.err;
    }
    EXPECT_EQ(readFile(file), content);
}

TEST_F(Tabrix, CreatesTheDefaultDatabaseInTheUsersDataFolder) {
    const Outcome r = run({"init-db"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(folder_ / "data" / "tabrix" / "tabrix.db"));
    EXPECT_EQ(run({"sql", "select count(*) from DEKLARACJE_NAG"}).out, "0\n");
}

}  // namespace
