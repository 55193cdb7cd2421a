#include "refhost/libraries/result_buffer.h"

namespace refhost::libraries {

using citforms::host::columnWidth;
using citforms::host::cutToWidth;
using citforms::host::ResultRow;

void ResultBuffer::fill(const sql::QueryResult& result) {
    rows_.clear();
    cursor_ = 0;
    rows_.reserve(result.rows.size());
    for (const auto& source : result.rows) {
        ResultRow row;
        row.columns.reserve(source.size());
        for (std::size_t i = 0; i < source.size(); ++i)
            row.columns.push_back(source[i] ? cutToWidth(*source[i], columnWidth(id_, i))
                                            : std::string());
        rows_.push_back(std::move(row));
    }
}

void ResultBuffer::clear() {
    rows_.clear();
    cursor_ = 0;
}

bool ResultBuffer::next(ResultRow& row) {
    if (cursor_ >= rows_.size()) return false;
    row = rows_[cursor_++];
    return true;
}

}  // namespace refhost::libraries
