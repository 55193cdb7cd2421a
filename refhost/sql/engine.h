#pragma once
// The engine seam: everything that differs between SQLite and PostgreSQL sits behind this
// one interface, so the connection, the dialect layer, the schema and the stored
// procedures are written once. A profile says how to reach the engine through QtSql, what
// to run on a new connection, how to start a writing transaction and how the schema's
// column kinds are spelled.
#include <memory>
#include <string>
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
    // Statements run once on every new connection.
    virtual std::vector<std::string> sessionSetup() const = 0;
    // Starts the outermost transaction so that it holds the write lock from the start:
    // numbering by maximum plus one must not interleave with another writer.
    virtual std::string beginTransaction() const = 0;
    virtual std::string columnType(ColumnType type) const = 0;
    // A query listing the names of the user tables of the database (one column).
    virtual std::string tableListQuery() const = 0;
};

std::unique_ptr<EngineProfile> makeSqliteProfile();

}  // namespace refhost::sql
