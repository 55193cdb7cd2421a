// The reading of the books' text format below the records, and the journal a JPK_KR file's
// postings are joined with.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "refhost/db/book_text.h"
#include "refhost/db/jpk_kr_reader.h"

namespace refhost::db {
namespace {

std::vector<std::string> linesOf(const std::string& text, std::size_t piece) {
    std::vector<std::string> got;
    BookTextLines lines([&](std::string_view line, std::size_t number) {
        EXPECT_EQ(number, got.size() + 1);
        got.emplace_back(line);
        return Status();
    });
    for (std::size_t i = 0; i < text.size(); i += piece) {
        EXPECT_TRUE(lines.feed(std::string_view(text).substr(i, piece)));
    }
    EXPECT_TRUE(lines.finish());
    return got;
}

TEST(BookTextLines, EndLinesAtCrLfAndCrLfWhereverThePiecesBreak) {
    const std::vector<std::string> expected = {"a", "b", "c", "d", "", "e"};
    for (std::size_t piece : {1u, 2u, 3u, 64u}) {
        EXPECT_EQ(linesOf("a\rb\nc\r\nd\r\r\ne", piece), expected) << piece;
    }
    EXPECT_EQ(linesOf("a\n", 64), std::vector<std::string>{"a"});
}

TEST(BookTextLines, RefuseALongLineAsSoonAsItPassesTheLimit) {
    int handed = 0;
    BookTextLines lines([&](std::string_view, std::size_t) { return ++handed, Status(); }, 10);
    ASSERT_TRUE(lines.feed("krótki\n0123456789"));
    const Status st = lines.feed("x");  // the 11th byte of line 2, its end not seen yet
    ASSERT_FALSE(st);
    EXPECT_EQ(lines.lineNumber(), 2u);
    EXPECT_NE(st.error().find("dłuższy niż 10 bajtów"), std::string::npos) << st.error();
    EXPECT_EQ(handed, 1);
}

TEST(BookTextTest, ShownValuesAreCutAtWholeCharacters) {
    EXPECT_EQ(shownValue("abc", 2), "ab…");
    EXPECT_EQ(shownValue("ąęł", 2), "ąę…");
    EXPECT_EQ(shownValue("ąę", 2), "ąę");
    EXPECT_EQ(shownValue(std::string(100, 'x')), std::string(80, 'x') + "…");
}

TEST(BookTextTest, FindsTheFirstByteThatIsNoUtf8) {
    const std::pair<const char*, std::optional<std::size_t>> cases[] = {
        {"abc", std::nullopt},    {"zażółć €𝄞", std::nullopt}, {"a\xB9", 1},
        {"ab\xC0\x80", 2},        // overlong NUL
        {"\xED\xA0\x80", 0},      // surrogate
        {"\xF4\x90\x80\x80", 0},  // past U+10FFFF
        {"x\xE2\x82", 1},         // cut short
        {"\xC5\x82\xFF", 2},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(firstInvalidUtf8(text), expected) << text;
}

TEST(BookTextTest, TellsXmlAndTextInEveryEncodingApart) {
    const std::string utf16le("\xFF\xFE<\0?\0x\0m\0l\0", 12);
    const std::string utf16be("\xFE\xFF\0K\0O\0N", 8);
    const std::string noMark("K\0O\0N\0T\0", 8);
    const std::string utf32("\xFF\xFE\0\0K\0\0\0", 8);
    EXPECT_FALSE(looksLikeBookText(utf16le));
    EXPECT_FALSE(looksLikeBookText("\xEF\xBB\xBF  <?xml"));
    EXPECT_TRUE(looksLikeBookText(utf16be));
    EXPECT_TRUE(looksLikeBookText("KONTO;1;x"));
    for (const std::string& head : {utf16le, utf16be, noMark}) {
        EXPECT_NE(bookTextEncodingProblem(head).find("w UTF-16,"), std::string::npos);
    }
    EXPECT_NE(bookTextEncodingProblem(utf32).find("w UTF-32,"), std::string::npos);
    EXPECT_EQ(bookTextEncodingProblem("\xEF\xBB\xBFKONTO;1;Ł\n"), "");
}

TEST(BookTextTest, LinesOfBlanksHoldNoRecordAndExtraFieldsAreRefused) {
    EXPECT_FALSE(*parseBookTextLine(" \t ", false));
    EXPECT_TRUE(parseBookTextLine("DEKRET;2016-01-31;700;1;;\"FV; 1\";opis", false));
    const auto extra = parseBookTextLine("KONTO;700;Sprzedaż;krajowa", false);
    ASSERT_FALSE(extra);
    EXPECT_NE(extra.error().find("ma 4 pola, a może mieć najwyżej 3"), std::string::npos);
}

// Offsets into the journal's texts are 64-bit: a file whose documents and descriptions
// pass 4 GiB joins every posting with its own entry's texts.
static_assert(std::numeric_limits<decltype(JpkKrJournal::Entry::document)>::max() >=
              std::numeric_limits<std::uint64_t>::max());
static_assert(std::numeric_limits<decltype(JpkKrJournal::Entry::description)>::max() >=
              std::numeric_limits<std::uint64_t>::max());

TEST(JpkKrJournalTest, JoinsANumberWithItsDayAndTexts) {
    JpkKrJournal journal;
    ASSERT_TRUE(journal.add("1/2017", 10, "FV 1", "Sprzedaż"));
    ASSERT_TRUE(journal.add("2/2017", 11, "", "Zakup – mąka"));
    EXPECT_FALSE(journal.add("1/2017", 12, "FV 9", ""));
    const JpkKrJournal::Entry* second = journal.find("2/2017");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->day, 11);
    EXPECT_EQ(journal.textAt(second->document), "");
    EXPECT_EQ(journal.textAt(second->description), "Zakup – mąka");
    EXPECT_EQ(journal.textAt(journal.find("1/2017")->document), "FV 1");
    EXPECT_EQ(journal.find("3/2017"), nullptr);
}

}  // namespace
}  // namespace refhost::db
