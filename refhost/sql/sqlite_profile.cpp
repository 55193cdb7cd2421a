// SQLite: one file, WAL journal so readers do not block the writer, and a busy timeout so
// that a second process waits for the write lock instead of failing at once.
#include "refhost/sql/engine.h"

namespace refhost::sql {

namespace {

constexpr int kBusyTimeoutMs = 30000;

class SqliteProfile final : public EngineProfile {
public:
    Engine engine() const override { return Engine::SQLite; }
    QString driverName() const override { return QStringLiteral("QSQLITE"); }

    Status configure(QSqlDatabase& db, const std::string& target) const override {
        db.setDatabaseName(QString::fromStdString(target));
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        return {};
    }

    std::vector<std::string> sessionSetup() const override {
        return {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL",
                "PRAGMA foreign_keys=ON",
                "PRAGMA busy_timeout=" + std::to_string(kBusyTimeoutMs)};
    }

    std::string beginTransaction() const override { return "BEGIN IMMEDIATE"; }

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
};

}  // namespace

std::unique_ptr<EngineProfile> makeSqliteProfile() { return std::make_unique<SqliteProfile>(); }

}  // namespace refhost::sql
