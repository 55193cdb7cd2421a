#include "refhost/sql/dialect.h"

#include <fstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "refhost/db/procedures.h"
#include "refhost/db/schema.h"
#include "../db/test_database_support.h"

namespace refhost::sql {
namespace {

DialectOptions optionsFor(Engine engine) {
    DialectOptions o;
    o.engine = engine;
    o.isTextColumn = [](std::string_view c) { return db::isTextColumn(c); };
    for (const auto& [name, routine] : db::hostProcedures().functions) o.hostFunctions.insert(name);
    return o;
}

std::string joined(const std::vector<Token>& tokens) {
    std::string out;
    for (const Token& t : tokens) out += t.text;
    return out;
}

TEST(TokenizerTest, SplitsEveryKindAndGivesTheTextBack) {
    const std::string sql =
        "select 'O''Brien', \"a b\", [c], 12.50, .5, 1e3 -- uwaga\n/* blok */ x<>y||z;";
    auto tokens = tokenize(sql);
    ASSERT_TRUE(tokens) << tokens.error();
    EXPECT_EQ(joined(*tokens), sql);
    std::vector<std::pair<TokenKind, std::string>> significant;
    for (const Token& t : *tokens) {
        if (t.kind != TokenKind::Space) significant.emplace_back(t.kind, t.text);
    }
    const std::vector<std::pair<TokenKind, std::string>> expected = {
        {TokenKind::Word, "select"},          {TokenKind::String, "'O''Brien'"},
        {TokenKind::Punct, ","},              {TokenKind::QuotedIdentifier, "\"a b\""},
        {TokenKind::Punct, ","},              {TokenKind::QuotedIdentifier, "[c]"},
        {TokenKind::Punct, ","},              {TokenKind::Number, "12.50"},
        {TokenKind::Punct, ","},              {TokenKind::Number, ".5"},
        {TokenKind::Punct, ","},              {TokenKind::Number, "1e3"},
        {TokenKind::Comment, "-- uwaga"},     {TokenKind::Comment, "/* blok */"},
        {TokenKind::Word, "x"},               {TokenKind::Operator, "<>"},
        {TokenKind::Word, "y"},               {TokenKind::Operator, "||"},
        {TokenKind::Word, "z"},               {TokenKind::Punct, ";"},
    };
    EXPECT_EQ(significant, expected);
}

TEST(TokenizerTest, PolishLettersBelongToWordsAndStrings) {
    auto tokens = tokenize("select 'Żółć' from ŁĄKA");
    ASSERT_TRUE(tokens);
    EXPECT_EQ(tokens->back().kind, TokenKind::Word);
    EXPECT_EQ(tokens->back().text, "ŁĄKA");
    EXPECT_EQ((*tokens)[2].text, "'Żółć'");
}

TEST(TokenizerTest, RefusesUnterminatedAndStrayInput) {
    for (const char* bad : {"select 'abc", "select 'it''s", "select \"x", "select /* x",
                            "select [x", "select `x`"}) {
        EXPECT_FALSE(tokenize(bad)) << bad;
    }
}

TEST(TranslateTest, TopBecomesLimitAtTheEndOfItsOwnSelect) {
    const auto o = optionsFor(Engine::SQLite);
    const std::pair<const char*, const char*> cases[] = {
        {"select top 1 a from t", "select a from t limit 1"},
        {"select top (3) a from t order by a Desc", "select a from t order by a Desc limit 3"},
        {"select distinct top 2 a from t", "select distinct a from t limit 2"},
        {"select top 1 a from t;", "select a from t limit 1;"},
        {"select top 1 a from t -- ostatni\n", "select a from t limit 1 -- ostatni\n"},
        {"select a from t where b in (select top 1 c from u order by c) order by a",
         "select a from t where b in (select c from u order by c limit 1) order by a"},
        {"select top 5 a from t where b = (select top 1 c from u)",
         "select a from t where b = (select c from u limit 1) limit 5"},
        // "top" as a column name is left alone
        {"select top from t", "select top from t"},
    };
    for (const auto& [host, expected] : cases) {
        auto t = translate(host, o);
        ASSERT_TRUE(t) << t.error();
        EXPECT_EQ(t->kind, Translation::Kind::Statement);
        EXPECT_EQ(t->sql, expected) << host;
    }
}

TEST(TranslateTest, OneStatementAtATime) {
    const auto o = optionsFor(Engine::SQLite);
    const std::pair<const char*, bool> cases[] = {
        {"select 1; select 2", false},
        {"delete from t ; drop table t;", false},
        {"CALL ZESTAWIENIE_DD_OBLICZ (1); select 1", false},
        {"select 1;", true},
        {"select 1 ; -- koniec\n", true},
        {"select 'a;b' from t /* ; */", true},
        {"select \"a;b\" from t -- ; x", true},
    };
    for (const auto& [host, accepted] : cases) {
        auto t = translate(host, o);
        EXPECT_EQ(static_cast<bool>(t), accepted) << host;
        if (!accepted && !t) {
            EXPECT_NE(t.error().find("kilka poleceń"), std::string::npos);
        }
    }
    EXPECT_TRUE(isQuery(" (select 1)"));
    EXPECT_TRUE(isQuery("/* x */ WITH a AS (select 1) select * from a"));
    EXPECT_FALSE(isQuery("update t set a = 1"));
    EXPECT_FALSE(isQuery("CALL ZESTAWIENIE_DD_OBLICZ (1)"));
}

TEST(TranslateTest, IsnullAndSchemaPrefixOnlyWhereTheyAreWhatTheySeem) {
    const auto o = optionsFor(Engine::SQLite);
    const std::pair<const char*, const char*> cases[] = {
        {"select ISNULL (a,0) from dbo.T", "select coalesce (a,0) from T"},
        {"select isnull from t", "select isnull from t"},
        {"select 'isnull(x) dbo.T' from t", "select 'isnull(x) dbo.T' from t"},
        {"select a.dbo from t a", "select a.dbo from t a"},
    };
    for (const auto& [host, expected] : cases) {
        auto t = translate(host, o);
        ASSERT_TRUE(t) << t.error();
        EXPECT_EQ(t->sql, expected) << host;
    }
}

TEST(TranslateTest, NumbersComparedWithTextColumnsAreQuotedForPostgres) {
    const auto pg = optionsFor(Engine::PostgreSQL);
    const std::pair<const char*, const char*> cases[] = {
        {"select 1 from DEKLARACJE_POZ where nr_pola=13", "select 1 from DEKLARACJE_POZ where nr_pola='13'"},
        {"select 1 from DEKLARACJE_POZ p where 13 = p.NR_POLA", "select 1 from DEKLARACJE_POZ p where '13' = p.NR_POLA"},
        {"select 1 from DEKLARACJE_POZ where nr_pola >= -5", "select 1 from DEKLARACJE_POZ where nr_pola >= '-5'"},
        {"select 1 from DEKLARACJE_POZ where nr_pola in (13, -1,'14')",
         "select 1 from DEKLARACJE_POZ where nr_pola in ('13', '-1','14')"},
        {"select 1 from DEKLARACJE_POZ where NR_POLA not in (7) and nr_zalacznika in (0, 1)",
         "select 1 from DEKLARACJE_POZ where NR_POLA not in ('7') and nr_zalacznika in (0, 1)"},
        // a list that is not all literals is left to the engine
        {"select 1 from t where nr_pola in (select 13 from u)",
         "select 1 from t where nr_pola in (select 13 from u)"},
        // integer columns and qualifiers named like text columns stay as they are
        {"select 1 from DEKLARACJE_POZ where nr_zalacznika=1", "select 1 from DEKLARACJE_POZ where nr_zalacznika=1"},
        {"select 1 from t typ where typ.x=1", "select 1 from t typ where typ.x=1"},
    };
    for (const auto& [host, expected] : cases) {
        auto t = translate(host, pg);
        ASSERT_TRUE(t) << t.error();
        EXPECT_EQ(t->sql, expected) << host;
    }
    // SQLite compares by column affinity and keeps the text as written.
    auto lite = translate("select 1 from DEKLARACJE_POZ where nr_pola=13", optionsFor(Engine::SQLite));
    ASSERT_TRUE(lite);
    EXPECT_EQ(lite->sql, "select 1 from DEKLARACJE_POZ where nr_pola=13");
}

TEST(TranslateTest, CallIsParsedIntoProcedureAndLiteralArguments) {
    auto t = translate("call dbo.Zestawienie_DD_Oblicz ( -3 , 78531,'it''s', NULL,'' ) ;",
                       optionsFor(Engine::SQLite));
    ASSERT_TRUE(t) << t.error();
    EXPECT_EQ(t->kind, Translation::Kind::Procedure);
    EXPECT_EQ(t->name, "ZESTAWIENIE_DD_OBLICZ");
    ASSERT_EQ(t->arguments.size(), 5u);
    EXPECT_EQ(t->arguments[0].kind, Literal::Kind::Number);
    EXPECT_EQ(t->arguments[0].text, "-3");
    EXPECT_EQ(t->arguments[2].kind, Literal::Kind::String);
    EXPECT_EQ(t->arguments[2].text, "it's");
    EXPECT_EQ(t->arguments[3].kind, Literal::Kind::Null);
    EXPECT_EQ(t->arguments[4].text, "");

    for (const char* bad : {"CALL", "CALL X (1", "CALL X (1,)", "CALL X (a)", "CALL X (1) 2",
                            "CALL X (1+2)"}) {
        EXPECT_FALSE(translate(bad, optionsFor(Engine::SQLite))) << bad;
    }
}

TEST(TranslateTest, HostFunctionOnlyWhenItIsTheWholeSelect) {
    const auto o = optionsFor(Engine::SQLite);
    auto f = translate("select dbo.TG_GetMalyPodatnikStan(2, 78896)", o);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->kind, Translation::Kind::Function);
    auto inside = translate("select a, dbo.TG_GetMalyPodatnikStan(2, 78896) from t", o);
    ASSERT_TRUE(inside);
    EXPECT_EQ(inside->kind, Translation::Kind::Statement);
}

TEST(TranslateTest, DecimalsInInsertedValuesKeepTheirExactText) {
    auto t = translate("insert into T (a, b, c) values (1, 12.50, -0.10)",
                       optionsFor(Engine::SQLite));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->sql, "insert into T (a, b, c) values (1, '12.50', '-0.10')");
    auto where = translate("delete from T where a > 12.50", optionsFor(Engine::SQLite));
    ASSERT_TRUE(where);
    EXPECT_EQ(where->sql, "delete from T where a > 12.50");
}

// Every SQL text the module sends, with its translation per engine, run on the demo data.
class StatementsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::ifstream in(std::string(CITFORMS_TEST_DATA_DIR) + "/sql/statements.json");
        ASSERT_TRUE(in) << "statements.json";
        statements = nlohmann::json::parse(in);
        demo = new testing::TempDatabase();
        auto st = (*demo)->loadDemo();
        ASSERT_TRUE(st) << st.error();
    }
    static void TearDownTestSuite() {
        delete demo;
        demo = nullptr;
    }
    static nlohmann::json statements;
    static testing::TempDatabase* demo;
};
nlohmann::json StatementsTest::statements;
testing::TempDatabase* StatementsTest::demo = nullptr;

TEST_F(StatementsTest, EachTranslatesAsExpectedForBothEngines) {
    ASSERT_GE(statements.size(), 60u);
    for (const auto& s : statements) {
        const std::string name = s.at("name");
        const std::string host = s.at("host");
        for (Engine engine : {Engine::SQLite, Engine::PostgreSQL}) {
            auto t = translate(host, optionsFor(engine));
            ASSERT_TRUE(t) << name << ": " << t.error();
            const char* key = engine == Engine::SQLite ? "sqlite" : "postgresql";
            if (s.contains("procedure") || s.contains("function")) {
                const auto& call = s.contains("procedure") ? s["procedure"] : s["function"];
                EXPECT_EQ(t->kind, s.contains("procedure") ? Translation::Kind::Procedure
                                                           : Translation::Kind::Function)
                    << name;
                EXPECT_EQ(t->name, call.at("name").get<std::string>()) << name;
                std::vector<std::string> args;
                for (const Literal& l : t->arguments) args.push_back(l.text);
                EXPECT_EQ(args, call.at("args").get<std::vector<std::string>>()) << name;
            } else {
                EXPECT_EQ(t->kind, Translation::Kind::Statement) << name;
                EXPECT_EQ(t->sql, s.at(key).get<std::string>()) << name << " (" << key << ")";
            }
        }
    }
}

TEST_F(StatementsTest, EachIsAcceptedByTheEngineOnTheDemoData) {
    for (const auto& s : statements) {
        const std::string name = s.at("name");
        ASSERT_TRUE((*demo)->begin());
        auto r = (*demo)->run(s.at("host").get<std::string>());
        EXPECT_TRUE(r) << name << ": " << (r ? "" : r.error());
        if (r && s.contains("first")) {
            ASSERT_FALSE(r->rows.empty()) << name;
            EXPECT_EQ(r->rows[0][0].value_or("NULL"), s["first"].get<std::string>()) << name;
        }
        (*demo)->rollback();
        EXPECT_EQ((*demo)->transactionDepth(), 0);
    }
    // Nothing of the statements stayed behind.
    EXPECT_EQ(demo->value("select count(*) from DEKLARACJE_NAG"), "3");
}

}  // namespace
}  // namespace refhost::sql
