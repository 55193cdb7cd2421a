#pragma once
// Per-thread result files of the host's SQL operations.
//
// EXECSQL fills ZAPYTANIESQL, EXECSQL1 fills ZAPYTANIESQL1, EXECVAX/EXECVAY/EXECVAZ fill
// VAX_FK/VAY_FK/VAZ_FK. Rows are read one by one, in order; each row gives its columns in
// select order as text, cut to the file's column width (columnWidth()).
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace citforms::host {

enum class ResultFileId { ZAPYTANIESQL, ZAPYTANIESQL1, VAX_FK, VAY_FK, VAZ_FK };

std::string_view resultFileName(ResultFileId id);

// Width in characters (Unicode code points) of column `index` of a result file:
// VAX_FK 255 each; VAY_FK 500 for the first column, 255 for the others; VAZ_FK 3000 for the
// first column, 255 for the others; ZAPYTANIESQL and ZAPYTANIESQL1 255 each.
std::size_t columnWidth(ResultFileId id, std::size_t index);

// Cuts UTF-8 text to at most `width` code points.
std::string cutToWidth(std::string_view text, std::size_t width);

struct ResultRow {
    std::vector<std::string> columns;
    // Column `i` as text; empty when the row has fewer columns.
    const std::string& column(std::size_t i) const;
};

class ResultFile {
public:
    virtual ~ResultFile() = default;
    // Next row of the last statement run into this file; false when there is none left.
    virtual bool next(ResultRow& row) = 0;
    // Number of rows of the last statement (a convenience for tests and loops).
    virtual std::size_t rowCount() const = 0;
};

}  // namespace citforms::host
