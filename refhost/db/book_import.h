#pragma once
// Books kept elsewhere, brought into a company's books: a standard audit file JPK_KR (XML)
// or the books' own text format (book_text.h), told apart by their content.
//
//   auto summary = importBooks(db, 1, "ksiegi_2017.xml", {});
//   for (const auto& g : summary->groups) ...   // totals per account group
//
// The whole file goes in as one transaction or not at all. A JPK_KR file must belong to the
// company (its NIP) and its period DataOd–DataDo must lie inside one of the company's fiscal
// years; the postings imported earlier for that period are replaced, postings typed into
// the host stay. Its chart of accounts (ZOiS) updates the account names and keeps the
// opening balances of the fiscal year. A text file only adds (it declares no period). Every
// imported posting carries the number of its import (IMPORTY_KSIAG), and the monthly
// turnovers (OBROTY) follow every posting added or removed.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "refhost/db/jpk_kr_reader.h"
#include "refhost/sql/database.h"

namespace refhost::db {

enum class BookFileFormat { JpkKr, Text };

struct BookGroupTotal {
    std::string code;  // KodZespolu of the chart, else the account's first character
    std::string name;
    long long postings = 0;
    std::int64_t debit = 0;  // grosze
    std::int64_t credit = 0;
};

struct BookImportSummary {
    BookFileFormat format = BookFileFormat::Text;
    int importId = 0;
    int from = 0;  // the file's period; for a text file the span of its dates
    int to = 0;
    long long accounts = 0;
    long long postings = 0;  // rows written to KSIEGOWANIA
    long long replaced = 0;  // postings of an earlier import of the period removed
    std::int64_t debit = 0;
    std::int64_t credit = 0;
    std::vector<BookGroupTotal> groups;      // in order of their codes
    std::optional<JpkKrControls> controls;   // a JPK_KR file's control sums, as checked
};

struct BookImportOptions {
    // Called now and then with the bytes of the file read so far, its size and the
    // postings written.
    std::function<void(std::uint64_t bytesRead, std::uint64_t bytesTotal, long long postings)>
        progress;
};

// How messages name standard input.
inline constexpr const char* kStandardInputName = "standardowe wejście";

// `path` "-" reads standard input. Whatever the input is (a file, standard input, a pipe, a
// FIFO), all of it is read before the database is written to; an empty one is refused.
Result<BookImportSummary> importBooks(sql::HostDatabase& db, int company,
                                      const std::string& path,
                                      const BookImportOptions& options = {});

// Same, of text already in memory (`name` shows in messages).
Result<BookImportSummary> importBooksText(sql::HostDatabase& db, int company,
                                          const std::string& name, std::string_view text,
                                          const BookImportOptions& options = {});

}  // namespace refhost::db
