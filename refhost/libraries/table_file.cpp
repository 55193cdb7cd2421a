#include "refhost/libraries/table_file.h"

#include <algorithm>
#include <cctype>

#include "citforms/host/managers.h"
#include "citforms/values/text.h"
#include "refhost/libraries/host_state.h"

namespace refhost::libraries {

using citforms::values::join;
using citforms::values::upperAscii;

using citforms::host::Record;

namespace {

// A forward read starts with a small batch, for walks that stop after a few records, and
// doubles it with every further batch up to the largest, so that a long walk costs few
// statements.
constexpr std::size_t kFirstBatchRows = 128;
constexpr std::size_t kLargestBatchRows = 1024;

bool isIdentifier(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

// Row `row` of `result` as a record over `columns` (the result's own); the values are moved
// out of the result.
Record toRecord(sql::QueryResult& result, std::size_t row,
                const std::shared_ptr<Record::Columns>& columns) {
    std::vector<std::string> values;
    values.reserve(result.columns.size());
    for (auto& value : result.rows[row]) values.push_back(value ? std::move(*value) : std::string());
    return Record(columns, std::move(values));
}

// The text a number key column reads back as ("017" is 17); other text as it is.
std::string keyText(const KeyColumn& column, const std::string& text) {
    if (column.kind != KeyKind::Number) return text;
    const auto n = citforms::values::parseInteger<std::int64_t>(text);
    return n ? std::to_string(*n) : text;
}

}  // namespace

TableFile::TableFile(HostState& state, citforms::host::HostFileId id)
    : state_(&state), id_(id), spec_(tableSpec(id)) {}

bool TableFile::open() {
    if (spec_ == nullptr) {
        return fail(kErrorBadKey,
                    std::string(citforms::host::hostFileName(id_)) + " is not a table file", true);
    }
    ++openCount_;
    state_->clearStatus();
    return true;
}

void TableFile::close() {
    if (openCount_ > 0) --openCount_;
    if (openCount_ == 0) {
        readKey_ = nullptr;
        batch_.clear();
        exhausted_ = true;
    }
}

void TableFile::closeAll() {
    openCount_ = 1;
    close();
}

void TableFile::attachErrorManager(citforms::host::ErrorManager* manager) {
    state_->attachErrorManager(id_, manager);
}

bool TableFile::fail(int code, const std::string& text, bool report) {
    state_->setStatus(code, text);
    if (report) {
        if (auto* manager = state_->errorManager(id_))
            manager->report(citforms::host::hostFileName(id_), text);
    }
    return false;
}

bool TableFile::ready() {
    if (openCount_ > 0) return true;
    return fail(kErrorFileNotOpen,
                "File " + std::string(citforms::host::hostFileName(id_)) + " is not open", true);
}

const KeySpec* TableFile::keyNamed(std::string_view name) {
    const KeySpec* key = findKey(*spec_, name);
    if (key == nullptr) {
        fail(kErrorBadKey, "Unknown key " + std::string(name) + " of " + std::string(spec_->table),
             true);
    }
    return key;
}

std::vector<std::string> TableFile::keyPrefix(const KeySpec& key, const Record& values) {
    // The leading key columns that have a value; the rest count as the lowest value.
    std::vector<std::string> prefix;
    for (const KeyColumn& column : key.columns) {
        if (!values.has(column.name)) break;
        const std::string& value = values.get(column.name);
        if (column.kind == KeyKind::Number && value.empty()) break;
        prefix.push_back(value);
    }
    return prefix;
}

std::string TableFile::columnExpr(const KeyColumn& column) const {
    std::string expr(column.name);
    // PostgreSQL would otherwise compare text by the database's locale.
    if (column.kind == KeyKind::Text && state_->engine() == sql::Engine::PostgreSQL)
        expr += " COLLATE \"C\"";
    return expr;
}

std::string TableFile::keyParam(const KeyColumn& column) const {
    return column.kind == KeyKind::Number ? "CAST(? AS BIGINT)" : "CAST(? AS TEXT)";
}

std::string TableFile::orderBy(const KeySpec& key) const {
    std::vector<std::string> columns;
    for (const KeyColumn& column : key.columns) columns.push_back(columnExpr(column));
    return " ORDER BY " + join(columns, ", ");
}

bool TableFile::fetch(std::string_view key, const Record& keyValues, Record& out) {
    if (!ready()) return false;
    const KeySpec* keySpec = keyNamed(key);
    if (keySpec == nullptr) return false;
    const std::vector<std::string> prefix = keyPrefix(*keySpec, keyValues);
    if (prefix.empty())
        return fail(kErrorBadKey, "No key values given for " + std::string(key), true);

    std::vector<std::string> conditions;
    std::vector<std::optional<std::string>> params;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        conditions.push_back(columnExpr(keySpec->columns[i]) + " = " + keyParam(keySpec->columns[i]));
        params.emplace_back(prefix[i]);
    }
    const std::string text = "SELECT * FROM " + std::string(spec_->table) + " WHERE " +
                             join(conditions, " AND ") + orderBy(*keySpec) + " LIMIT 1";
    auto result = state_->runNative(text, params);
    if (!result) return fail(kErrorDatabase, result.error(), true);
    if (result->rows.empty()) return fail(kErrorRecordNotFound, "Record not found", false);
    out = toRecord(*result, 0, std::make_shared<Record::Columns>(result->columns));
    state_->clearStatus();
    return true;
}

bool TableFile::set(std::string_view key, const Record& keyValues) {
    if (!ready()) return false;
    const KeySpec* keySpec = keyNamed(key);
    if (keySpec == nullptr) return false;
    readKey_ = keySpec;
    start_ = keyPrefix(*keySpec, keyValues);
    batchRows_ = kFirstBatchRows;
    batch_.clear();
    batchPos_ = 0;
    lastKey_.clear();
    givenAtLastKey_ = 0;
    started_ = false;
    exhausted_ = false;
    state_->clearStatus();
    return true;
}

bool TableFile::fetchBatch() {
    const KeySpec& key = *readKey_;
    const std::vector<std::string>& from = started_ ? lastKey_ : start_;
    // Rows equal to the last key were given out already; read them again and skip them, so
    // that a key shared by several rows loses none of them.
    const std::size_t skip = started_ ? givenAtLastKey_ : 0;
    const std::size_t wanted = batchRows_ + skip;
    batchRows_ = std::min(batchRows_ * 2, kLargestBatchRows);
    // The limit is a parameter: each range asks only for the rows the batch still lacks, and
    // the statement text stays the same, so its prepared statement is reused.
    const std::string limit = orderBy(key) + " LIMIT CAST(? AS INTEGER)";

    // (k1, ..., kn) >= (v1, ..., vn) is read as disjoint ranges in key order: k1..kn-1 equal
    // and kn >= vn, then k1..kn-2 equal and kn-1 > vn-1, ..., then k1 > v1. Each range is an
    // equality prefix and one compared column, a seek on the key's index; a row-value
    // comparison would let SQLite seek on the first column only and walk every earlier row
    // of it again for each batch.
    batch_.clear();
    batchPos_ = 0;
    std::size_t got = 0;  // rows read, the skipped ones included
    const std::vector<std::string>* columns = tableColumns();
    if (columns == nullptr) return false;
    auto readRange = [&](std::size_t equal, const char* op) {
        std::vector<std::string> conditions;
        std::vector<std::optional<std::string>> params;
        for (std::size_t i = 0; i < equal; ++i) {
            conditions.push_back(columnExpr(key.columns[i]) + " = " + keyParam(key.columns[i]));
            params.emplace_back(from[i]);
        }
        if (op != nullptr) {
            conditions.push_back(columnExpr(key.columns[equal]) + " " + op + " " +
                                 keyParam(key.columns[equal]));
            params.emplace_back(from[equal]);
        }
        // The columns the equal prefix fixes are not read: every row of the range holds the
        // prefix's values there. The records still carry every column, in the table's order.
        std::vector<std::string> fixed(columns->size());  // value of a fixed column, by index
        std::vector<bool> isFixed(columns->size(), false);
        std::vector<std::string> selected;
        for (std::size_t c = 0; c < columns->size(); ++c) {
            for (std::size_t i = 0; i < equal; ++i) {
                if (upperAscii((*columns)[c]) == upperAscii(key.columns[i].name)) {
                    isFixed[c] = true;
                    fixed[c] = keyText(key.columns[i], from[i]);
                }
            }
            if (!isFixed[c]) selected.push_back((*columns)[c]);
        }
        std::string text = "SELECT " + (equal == 0 || selected.empty() ? std::string("*")
                                                                        : join(selected, ", ")) +
                           " FROM " + std::string(spec_->table);
        if (!conditions.empty()) text += " WHERE " + join(conditions, " AND ");
        params.emplace_back(std::to_string(wanted - got));
        auto result = state_->runNative(text + limit, params);
        if (!result) return fail(kErrorDatabase, result.error(), true);
        const bool partial = equal > 0 && !selected.empty();
        const auto names =
            std::make_shared<Record::Columns>(partial ? *columns : result->columns);
        for (std::size_t row = 0; row < result->rows.size() && got < wanted; ++row, ++got) {
            if (got < skip) continue;
            if (!partial) {
                batch_.push_back(toRecord(*result, row, names));
                continue;
            }
            std::vector<std::string> values(columns->size());
            std::size_t next = 0;
            for (std::size_t c = 0; c < columns->size(); ++c) {
                if (isFixed[c]) {
                    values[c] = fixed[c];
                } else {
                    auto& value = result->rows[row][next++];
                    if (value) values[c] = std::move(*value);
                }
            }
            batch_.push_back(Record(names, std::move(values)));
        }
        return true;
    };
    if (from.empty()) {
        if (!readRange(0, nullptr)) return false;
    } else {
        for (std::size_t level = from.size(); level-- > 0 && got < wanted;) {
            if (!readRange(level, level + 1 == from.size() ? ">=" : ">")) return false;
        }
    }
    if (got < wanted) exhausted_ = true;
    started_ = true;
    return true;
}

const std::vector<std::string>* TableFile::tableColumns() {
    if (!tableColumns_.empty()) return &tableColumns_;
    auto result = state_->runNative("SELECT * FROM " + std::string(spec_->table) + " LIMIT 0", {});
    if (!result) {
        fail(kErrorDatabase, result.error(), true);
        return nullptr;
    }
    tableColumns_ = result->columns;
    return &tableColumns_;
}

bool TableFile::next(Record& out) {
    if (!ready()) return false;
    if (readKey_ == nullptr) return fail(kErrorBadKey, "next() without set()", true);
    if (batchPos_ >= batch_.size()) {
        if (exhausted_ && started_) {
            return fail(kErrorRecordNotAvailable, "Record not available", false);
        }
        if (!fetchBatch()) return false;
        if (batch_.empty()) return fail(kErrorRecordNotAvailable, "Record not available", false);
    }
    out = std::move(batch_[batchPos_++]);

    const std::vector<KeyColumn>& columns = readKey_->columns;
    bool sameKey = lastKey_.size() == columns.size();
    for (std::size_t i = 0; sameKey && i < columns.size(); ++i)
        sameKey = out.get(columns[i].name) == lastKey_[i];
    if (sameKey) {
        ++givenAtLastKey_;
    } else {
        lastKey_.resize(columns.size());
        for (std::size_t i = 0; i < columns.size(); ++i) lastKey_[i] = out.get(columns[i].name);
        givenAtLastKey_ = 1;
    }
    state_->clearStatus();
    return true;
}

std::optional<TableFile::ColumnKind> TableFile::columnKind(const std::string& column) {
    if (!columnKindsRead_) {
        const bool postgres = state_->engine() == sql::Engine::PostgreSQL;
        const std::string text =
            postgres ? "SELECT column_name, data_type FROM information_schema.columns "
                       "WHERE lower(table_name) = lower(?) AND table_schema = current_schema()"
                     : "SELECT name, type FROM pragma_table_info(?)";
        auto result = state_->runNative(text, {std::string(spec_->table)});
        if (!result) {
            fail(kErrorDatabase, result.error(), true);
            return std::nullopt;
        }
        for (const auto& row : result->rows) {
            if (row.size() < 2 || !row[0]) continue;
            const std::string type = upperAscii(row[1].value_or(""));
            ColumnKind kind = ColumnKind::Other;
            if (type.find("INT") != std::string::npos) {
                kind = ColumnKind::Integer;
            } else if (postgres && (type.find("NUMERIC") != std::string::npos ||
                                    type.find("DECIMAL") != std::string::npos)) {
                kind = ColumnKind::Decimal;
            }
            columnKinds_[upperAscii(*row[0])] = kind;
        }
        columnKindsRead_ = true;
    }
    auto found = columnKinds_.find(upperAscii(column));
    if (found == columnKinds_.end()) return std::nullopt;
    return found->second;
}

std::string TableFile::valueParam(const std::string& column) {
    switch (columnKind(column).value_or(ColumnKind::Other)) {
        case ColumnKind::Integer:
            return "CAST(? AS BIGINT)";
        case ColumnKind::Decimal:
            return "CAST(? AS NUMERIC)";
        case ColumnKind::Other:
            return "?";
    }
    return "?";
}

namespace {

std::optional<std::string> boundValue(const std::string& value, bool number) {
    if (number && value.empty()) return std::nullopt;
    return value;
}

}  // namespace

bool TableFile::insert(const Record& record) {
    if (!ready()) return false;
    if (record.empty()) return fail(kErrorBadKey, "Empty record", true);
    // A save inserts thousands of records with the same columns: the columns' kinds and value
    // expressions are worked out once per set of column names.
    std::string signature;
    for (std::size_t i = 0; i < record.size(); ++i) (signature += record.column(i)) += ',';
    auto plan = insertPlans_.find(signature);
    if (plan == insertPlans_.end()) {
        InsertPlan fresh;
        for (std::size_t i = 0; i < record.size(); ++i) {
            const std::string& column = record.column(i);
            if (!isIdentifier(column)) return fail(kErrorBadKey, "Bad column name " + column, true);
            const auto kind = columnKind(column);
            if (!kind) {
                return fail(kErrorBadKey,
                            "No column " + column + " in " + std::string(spec_->table), true);
            }
            fresh.columns.push_back(column);
            fresh.placeholders.push_back(valueParam(column));
            fresh.numeric.push_back(*kind != ColumnKind::Other);
        }
        plan = insertPlans_.emplace(std::move(signature), std::move(fresh)).first;
    }
    sql::RowInsert row{std::string(spec_->table), plan->second.columns,
                       plan->second.placeholders, {}};
    row.values.reserve(record.size());
    for (std::size_t i = 0; i < record.size(); ++i)
        row.values.push_back(boundValue(record.value(i), plan->second.numeric[i]));
    // Inside a save's transaction the rows may be written together, later (see insertRow).
    if (auto status = state_->insertRow(row); !status)
        return fail(kErrorDatabase, status.error(), true);
    state_->clearStatus();
    return true;
}

bool TableFile::update(const Record& record) {
    if (!ready()) return false;
    const KeySpec& primary = spec_->keys.front();
    std::vector<std::string> assignments;
    std::vector<std::string> conditions;
    std::vector<std::optional<std::string>> params;
    for (std::size_t i = 0; i < record.size(); ++i) {
        const std::string& column = record.column(i);
        const std::string& value = record.value(i);
        const bool isKey =
            std::any_of(primary.columns.begin(), primary.columns.end(),
                        [&](const KeyColumn& k) { return upperAscii(k.name) == upperAscii(column); });
        if (isKey) continue;
        if (!isIdentifier(column)) return fail(kErrorBadKey, "Bad column name " + column, true);
        const auto kind = columnKind(column);
        if (!kind) {
            return fail(kErrorBadKey, "No column " + column + " in " + std::string(spec_->table),
                        true);
        }
        assignments.push_back(column + " = " + valueParam(column));
        params.push_back(boundValue(value, *kind != ColumnKind::Other));
    }
    for (const KeyColumn& column : primary.columns) {
        if (!record.has(column.name) ||
            (column.kind == KeyKind::Number && record.get(column.name).empty())) {
            return fail(kErrorBadKey, "Record without its key column " + std::string(column.name),
                        true);
        }
        conditions.push_back(columnExpr(column) + " = " + keyParam(column));
        params.emplace_back(record.get(column.name));
    }
    if (assignments.empty()) return fail(kErrorBadKey, "Nothing to update", true);
    const std::string text = "UPDATE " + std::string(spec_->table) + " SET " +
                             join(assignments, ", ") + " WHERE " + join(conditions, " AND ");
    auto result = state_->runNative(text, params);
    if (!result) return fail(kErrorDatabase, result.error(), true);
    if (result->rowsAffected == 0)
        return fail(kErrorRecordNotFound, "Record to update not found", true);
    state_->clearStatus();
    return true;
}

}  // namespace refhost::libraries
