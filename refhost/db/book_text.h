#pragma once
// The books' own text format, one record a line (docs/books-import.md):
//
//   # plan kont i dekrety
//   KONTO;700-01;Sprzedaż produktów - kraj
//   DEKRET;2016-01-31;700-01;0;12500.00;FV 1/01/2016;Sprzedaż
//
// UTF-8, fields separated by ';'; a field may be put in double quotes with "" for a quote;
// empty lines and lines starting with '#' are skipped, a byte order mark before the first
// line too. DEKRET is date (yyyy-mm-dd), account, debit, credit (plain decimals, '.' or
// ',', empty = 0), document and description. The record kind is read in any case.
//
// This is only the reading of one line; what the books do with a record is theirs.
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

// nullopt for a line that holds no record (empty, a comment).
using BookTextRecord = std::optional<std::variant<BookTextAccount, Posting>>;

// One line without its line break; `first` strips a byte order mark. The error is the
// reason alone, without the line number.
Result<BookTextRecord> parseBookTextLine(std::string_view line, bool first);

// Whether text that starts with `head` looks like the text format rather than XML.
bool looksLikeBookText(std::string_view head);

}  // namespace refhost::db
