// The module's own INI manager and fuzzy matcher.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "citforms/state/fuzzy_matcher.h"
#include "citforms/state/own_ini_manager.h"

namespace citforms::module {
namespace {

TEST(OwnIniManager, KeepsWindowPositionsInTheSettingsFileAcrossInstances) {
    const std::string file = ::testing::TempDir() + "citforms_own_ini_test.ini";
    std::remove(file.c_str());
    {
        OwnIniManager ini;
        ini.init(file);
        ini.update("Param_CIT2", "X", "120");
        ini.update("CIT_ST_201", "Szerokość", "640");
        ini.kill();
    }
    OwnIniManager again;
    again.init(file);
    EXPECT_EQ(again.fetch("Param_CIT2", "X"), "120");
    EXPECT_EQ(again.fetch("CIT_ST_201", "Szerokość"), "640");
    EXPECT_EQ(again.fetch("Param_CIT2", "Y", "7"), "7");
    std::remove(file.c_str());
}

TEST(OwnIniManager, WithoutAFileAnswersTheFallbackAndKeepsNothing) {
    OwnIniManager ini;
    ini.init("");
    ini.update("Param_CIT2", "X", "120");
    EXPECT_EQ(ini.fetch("Param_CIT2", "X", "0"), "0");
    EXPECT_FALSE(ini.isOpen());
}

struct MatchCase {
    const char* query;
    const char* entry;
    bool wholeWords;
    int low;  // expected score range, inclusive
    int high;
};

TEST(FuzzyMatcher, ScoresByHowMuchOfTheEntryTheQueryCovers) {
    const MatchCase cases[] = {
        {"Urząd Skarbowy", "urząd skarbowy", false, 100, 100},  // case folded
        {"ŁÓDŹ", "Łódź-Bałuty", false, 60, 99},                 // Polish letters fold too
        {"skarb", "Urząd Skarbowy Kraków", false, 60, 99},
        {"usk", "Urząd Skarbowy Kraków", false, 1, 59},           // letters in order
        {"ksu", "Urząd Skarbowy Kraków", false, 0, 0},            // not in order
        {"skarb", "Urząd Skarbowy Kraków", true, 0, 0},           // not a whole word
        {"kraków urząd", "Urząd Skarbowy Kraków", true, 60, 99},  // words in any order
        {"", "Urząd", false, 0, 0},
    };
    for (const MatchCase& c : cases) {
        FuzzyMatcher m;
        m.init();
        m.setOption(FuzzyMatcher::kIgnoreCase, true);
        m.setOption(FuzzyMatcher::kWholeWords, c.wholeWords);
        const int score = m.match(c.query, c.entry);
        EXPECT_GE(score, c.low) << c.query << " / " << c.entry;
        EXPECT_LE(score, c.high) << c.query << " / " << c.entry;
    }
}

TEST(FuzzyMatcher, CaseCountsWithoutOptionOneAndLongerPartsScoreHigher) {
    FuzzyMatcher m;
    m.init();
    EXPECT_EQ(m.match("URZĄD", "Urząd"), 0);
    m.setOption(FuzzyMatcher::kIgnoreCase, true);
    EXPECT_GT(m.match("urząd skarb", "Urząd Skarbowy"), m.match("urząd", "Urząd Skarbowy"));
}

}  // namespace
}  // namespace citforms::module
