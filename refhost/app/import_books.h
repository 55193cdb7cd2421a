#pragma once
// tabrix import-books [--company N] FILE: brings a JPK_KR file or the books' text format
// into the company's books (db/book_import.h), with a progress bar on a terminal and one
// summary line per account group at the end.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "citforms/values/result.h"
#include "refhost/sql/database.h"

namespace refhost::app {

struct ImportBooksArguments {
    std::optional<std::int32_t> company;
    std::string file;
};

citforms::values::Result<ImportBooksArguments> parseImportBooks(
    const std::vector<std::string>& args);

// The exit status of tabrix: 0 imported, 1 refused or failed (the reason on `err`).
// `terminal`: whether `out` is a terminal, which alone gets the progress bar.
int runImportBooks(sql::HostDatabase& db, std::int32_t company, const std::string& file,
                   bool terminal, std::ostream& out, std::ostream& err);

}  // namespace refhost::app
