// SQLite: one file, WAL journal so readers do not block the writer, and a busy timeout so
// that a second process waits for the write lock instead of failing at once.
#include "refhost/sql/engine.h"

namespace refhost::sql {

namespace {

class SqliteProfile final : public EngineProfile {
public:
    explicit SqliteProfile(const OpenOptions& options) : busyTimeoutMs_(options.lockTimeoutMs) {}

    Engine engine() const override { return Engine::SQLite; }
    QString driverName() const override { return QStringLiteral("QSQLITE"); }

    Status configure(QSqlDatabase& db, const std::string& target) const override {
        db.setDatabaseName(QString::fromStdString(target));
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs_));
        return {};
    }

    std::vector<std::string> sessionSetup() const override {
        return {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON",
                "PRAGMA busy_timeout=" + std::to_string(busyTimeoutMs_)};
    }

    std::vector<std::string> beginTransaction() const override { return {"BEGIN IMMEDIATE"}; }

    // BEGIN IMMEDIATE holds the write lock of the whole file already.
    std::string numberingLock(std::string_view) const override { return {}; }

    std::string columnType(ColumnType type) const override {
        switch (type) {
            case ColumnType::Integer:
            case ColumnType::Day:
            case ColumnType::Grosze:
                return "INTEGER";
            case ColumnType::AutoId:
                return "INTEGER PRIMARY KEY";
            case ColumnType::Text:
            case ColumnType::Money:  // never NUMERIC: SQLite would keep a binary float
                return "TEXT";
            case ColumnType::KeyText:
                return "TEXT COLLATE BINARY";
        }
        return "TEXT";
    }

    std::string tableListQuery() const override {
        return "select name from sqlite_master where type='table' and name not like "
               "'sqlite_%'";
    }

    bool failedStatementAbortsTransaction() const override { return false; }
    bool gathersInserts() const override { return false; }

    // An INTEGER PRIMARY KEY goes on from the largest value present.
    std::string restartNumbering(std::string_view, std::string_view) const override { return {}; }

private:
    int busyTimeoutMs_;
};

}  // namespace

std::unique_ptr<EngineProfile> makeSqliteProfile(const OpenOptions& options) {
    return std::make_unique<SqliteProfile>(options);
}

}  // namespace refhost::sql
