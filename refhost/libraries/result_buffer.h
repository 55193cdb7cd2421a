#pragma once
// A host result file held in memory: the rows of the last statement run into it, each column
// cut to the file's width, read one by one in order.
#include <cstddef>
#include <vector>

#include "citforms/host/result_file.h"
#include "refhost/sql/database.h"

namespace refhost::libraries {

class ResultBuffer : public citforms::host::ResultFile {
public:
    explicit ResultBuffer(citforms::host::ResultFileId id) : id_(id) {}

    // Replaces the rows with those of `result`; NULL becomes empty text.
    void fill(const sql::QueryResult& result);
    void clear();

    bool next(citforms::host::ResultRow& row) override;
    std::size_t rowCount() const override { return rows_.size(); }
    citforms::host::ResultFileId id() const { return id_; }

private:
    citforms::host::ResultFileId id_;
    std::vector<citforms::host::ResultRow> rows_;
    std::size_t cursor_ = 0;
};

}  // namespace refhost::libraries
