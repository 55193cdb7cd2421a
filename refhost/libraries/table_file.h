#pragma once
// A host record file over a table of the host database (one instance per thread).
//
// Reads and writes are prepared statements on the engine itself (no dialect translation):
// set() remembers a starting key, next() fetches rows in key order a batch at a time, so a
// forward read from the middle of a large table costs one statement per batch. Values go in
// and out as text; a number column given empty text is written as NULL, so a record read
// with a NULL writes back unchanged.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "citforms/host/record_file.h"
#include "refhost/libraries/table_keys.h"

namespace refhost::libraries {

class HostState;

class TableFile : public citforms::host::RecordFile {
public:
    TableFile(HostState& state, citforms::host::HostFileId id);

    // Opens nest: the file stays open until every open has been matched by a close.
    bool open() override;
    void close() override;
    void closeAll();
    bool isOpen() const { return openCount_ > 0; }

    bool fetch(std::string_view key, const citforms::host::Record& keyValues,
               citforms::host::Record& out) override;
    bool set(std::string_view key, const citforms::host::Record& keyValues) override;
    bool next(citforms::host::Record& out) override;
    bool insert(const citforms::host::Record& record) override;
    bool update(const citforms::host::Record& record) override;
    void attachErrorManager(citforms::host::ErrorManager* manager) override;

private:
    enum class ColumnKind { Integer, Decimal, Other };

    bool fail(int code, const std::string& text, bool report);
    bool ready();
    const KeySpec* keyNamed(std::string_view name);
    std::vector<std::string> keyPrefix(const KeySpec& key, const citforms::host::Record& values);
    std::string columnExpr(const KeyColumn& column) const;
    std::string keyParam(const KeyColumn& column) const;
    std::string orderBy(const KeySpec& key) const;
    std::optional<ColumnKind> columnKind(const std::string& column);
    std::string valueParam(const std::string& column);
    bool fetchBatch();
    // The table's columns in their order (as SELECT * gives them); nullptr on a read error.
    const std::vector<std::string>* tableColumns();

    HostState* state_;
    citforms::host::HostFileId id_;
    const TableSpec* spec_;
    int openCount_ = 0;
    std::map<std::string, ColumnKind> columnKinds_;  // upper-case name -> kind
    bool columnKindsRead_ = false;
    std::vector<std::string> tableColumns_;

    // Insert statements by the record's column names ("A,B,C,"): text and numeric columns.
    struct InsertPlan {
        std::vector<std::string> columns;
        std::vector<std::string> placeholders;  // "?" or "CAST(? AS BIGINT)" per column
        std::vector<bool> numeric;
    };
    std::map<std::string, InsertPlan> insertPlans_;

    // Forward reading after set().
    const KeySpec* readKey_ = nullptr;
    std::vector<std::string> start_;  // key prefix of the starting position
    std::vector<citforms::host::Record> batch_;
    std::size_t batchPos_ = 0;
    std::size_t batchRows_ = 0;  // rows the next batch asks for
    std::vector<std::string> lastKey_;  // full key of the last record given out
    std::size_t givenAtLastKey_ = 0;    // records given out with exactly lastKey_
    bool started_ = false;
    bool exhausted_ = true;
};

}  // namespace refhost::libraries
