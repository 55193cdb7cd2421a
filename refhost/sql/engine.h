#pragma once
// The engine seam: everything that differs between SQLite and PostgreSQL sits behind this
// one interface, so the connection, the dialect layer, the schema and the stored
// procedures are written once. A profile says how to reach the engine through QtSql, what
// to run on a new connection, how to start a writing transaction, how the schema's column
// kinds are spelled and how the engine behaves where the two differ.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QSqlDatabase>
#include <QString>

#include "citforms/values/result.h"
#include "refhost/sql/database.h"

namespace refhost::sql {

// Column kinds of the schema; the profile spells them for its engine.
enum class ColumnType {
    Integer,  // whole number (ids, counts, flags)
    AutoId,   // integer primary key numbered by the engine
    Day,      // day number
    Text,     // text compared by the engine's default rules
    KeyText,  // text compared byte by byte ("1" < "10" < "100" < "11")
    Money,    // exact decimal amount as text ("1234.50")
    Grosze,   // exact amount as an integer count of grosze
};

class EngineProfile {
public:
    virtual ~EngineProfile() = default;
    virtual Engine engine() const = 0;
    virtual QString driverName() const = 0;
    // Points the connection at `target` before it is opened (file, host, options).
    virtual Status configure(QSqlDatabase& db, const std::string& target) const = 0;
    // Statements run once on every new connection, after it was found to be ours or empty.
    virtual std::vector<std::string> sessionSetup() const = 0;
    // Starts the outermost transaction so that it holds the write lock from the start:
    // numbering by maximum plus one must not interleave with another writer. On a read-only
    // connection: a read snapshot that waits for nobody.
    virtual std::vector<std::string> beginTransaction() const = 0;
    // Inside a transaction: the statement that keeps other connections from adding rows to
    // `table` until it ends; empty when the transaction's write lock does that already.
    virtual std::string numberingLock(std::string_view table) const = 0;
    virtual std::string columnType(ColumnType type) const = 0;
    // A query listing the names of the user tables of the database (one column).
    virtual std::string tableListQuery() const = 0;
    // Whether a failed statement leaves the transaction unable to go on (PostgreSQL) rather
    // than undoing only that statement (SQLite).
    virtual bool failedStatementAbortsTransaction() const = 0;
    // How rows inserted inside a transaction are gathered into multi-row statements. More
    // than 0: the rows' values are bound to one prepared INSERT of that many rows (SQLite,
    // where a statement costs no round trip but each row's own step, bind and reset still
    // add up). 0: the values are written as literals into INSERTs of up to a thousand rows
    // (PostgreSQL, where every statement is a network round trip and the driver sends bound
    // values as text anyway).
    virtual std::size_t boundRowsPerInsert() const = 0;
    // The statement that makes the engine number an AutoId column on from above the values
    // present (after rows were copied in with their ids); empty when it does so by itself.
    virtual std::string restartNumbering(std::string_view table, std::string_view column) const = 0;
};

std::unique_ptr<EngineProfile> makeSqliteProfile(const OpenOptions& options);
// The profile of the database named by a postgresql:// URL; fails on a malformed URL.
Result<std::unique_ptr<EngineProfile>> makePostgresProfile(const std::string& url,
                                                           const OpenOptions& options);

}  // namespace refhost::sql
