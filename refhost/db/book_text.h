#pragma once
// The books' own text format, one record a line (docs/books-import.md):
//
//   # plan kont i dekrety
//   KONTO;700-01;Sprzedaż produktów - kraj
//   DEKRET;2016-01-31;700-01;0;12500.00;FV 1/01/2016;Sprzedaż
//
// UTF-8, fields separated by ';'; a field may be put in double quotes with "" for a quote;
// a line ends at CR, LF or CR LF; lines of blanks and lines starting with '#' are skipped,
// a byte order mark before the first line too. DEKRET is date (yyyy-mm-dd), account,
// debit, credit (plain decimals, '.' or ',', empty = 0), document and description. The
// record kind is read in any case. A line with more fields than its record has, bytes that
// are not UTF-8, a NUL byte and a line longer than kBookTextMaxLine are refused.
//
// This is only the reading of lines; what the books do with a record is theirs.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "citforms/values/result.h"
#include "refhost/db/books.h"

namespace refhost::db {

struct BookTextAccount {
    std::string account;
    std::string name;
};

// nullopt for a line that holds no record (empty, blanks, a comment).
using BookTextRecord = std::optional<std::variant<BookTextAccount, Posting>>;

// One line without its line end; `first` strips a byte order mark. The error is the reason
// alone, without the line number.
Result<BookTextRecord> parseBookTextLine(std::string_view line, bool first);

// The longest line read, in bytes without its end: no record comes near it, and a file
// without line ends is refused before it fills the memory.
inline constexpr std::size_t kBookTextMaxLine = 1 << 20;

// Cuts text, read in pieces of any size, into lines at CR, LF or CR LF and hands each to
// `line`, numbered from 1. A line that grows past `maxLine` bytes is refused as soon as it
// does; a failure of `line` ends the reading. After a failure lineNumber() is the line at
// fault.
class BookTextLines {
public:
    using LineHandler = std::function<Status(std::string_view line, std::size_t number)>;

    explicit BookTextLines(LineHandler line, std::size_t maxLine = kBookTextMaxLine)
        : line_(std::move(line)), maxLine_(maxLine) {}

    Status feed(std::string_view piece);
    // The last line when the text does not end with a line end.
    Status finish();

    std::size_t lineNumber() const { return number_; }

private:
    Status take(std::string_view part);
    Status end(std::string_view rest);

    LineHandler line_;
    std::size_t maxLine_;
    std::string pending_;  // the start of a line whose end has not come yet
    bool afterCr_ = false;
    std::size_t number_ = 0;
};

// Whether text that starts with `head` looks like the text format rather than XML (in
// UTF-8, or in UTF-16 with or without a byte order mark).
bool looksLikeBookText(std::string_view head);

// Why text that starts with `head` cannot be the text format by its encoding ("plik jest
// zapisany w UTF-16…"); empty when it may be UTF-8.
std::string bookTextEncodingProblem(std::string_view head);

// A value of the input as a message shows it: at most `limit` characters, the rest cut off
// and marked with "…" (never inside a UTF-8 character).
std::string shownValue(std::string_view text, std::size_t limit = 80);

// The position (from 0) of the first byte of `text` that is not part of a well-formed UTF-8
// character; nullopt when all are.
std::optional<std::size_t> firstInvalidUtf8(std::string_view text);

}  // namespace refhost::db
