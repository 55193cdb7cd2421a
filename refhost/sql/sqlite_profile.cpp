// SQLite: one file, WAL journal so readers do not block the writer, and a busy timeout so
// that a second process waits for the write lock instead of failing at once.
#include <unistd.h>

#include <fstream>

#include <QFileInfo>
#include <QUrl>

#include "refhost/sql/engine.h"

namespace refhost::sql {

namespace {

class SqliteProfile final : public EngineProfile {
public:
    explicit SqliteProfile(const OpenOptions& options)
        : busyTimeoutMs_(options.lockTimeoutMs), readOnly_(options.mode == OpenMode::ReadOnly) {}

    Engine engine() const override { return Engine::SQLite; }
    QString driverName() const override { return QStringLiteral("QSQLITE"); }

    Status configure(QSqlDatabase& db, const std::string& target) const override {
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs_);
        QString name = QString::fromStdString(target);
        if (readOnly_) {
            options += QStringLiteral(";QSQLITE_OPEN_READONLY");
            if (unchangeableWalFile(target)) {
                // A reader of a WAL file needs its shared-memory index beside it; where that
                // cannot be made and there is no log to read, the file is read as it is.
                options += QStringLiteral(";QSQLITE_OPEN_URI");
                name = QUrl::fromLocalFile(QFileInfo(name).absoluteFilePath())
                           .toString(QUrl::FullyEncoded) +
                       QStringLiteral("?immutable=1");
            }
        }
        db.setDatabaseName(name);
        db.setConnectOptions(options);
        return {};
    }

    std::vector<std::string> sessionSetup() const override {
        std::vector<std::string> out;
        // Switching the journal writes the file's header: a reader leaves it as it is.
        if (!readOnly_) out.emplace_back("PRAGMA journal_mode=WAL");
        out.insert(out.end(), {"PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON",
                               "PRAGMA busy_timeout=" + std::to_string(busyTimeoutMs_)});
        return out;
    }

    // A reader's transaction is a snapshot taken at its first read; it takes no lock that a
    // writer would wait for.
    std::vector<std::string> beginTransaction() const override {
        return {readOnly_ ? "BEGIN" : "BEGIN IMMEDIATE"};
    }

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
    // Measured on the save of the largest declaration (76 248 rows) against one prepared
    // single-row insert: 20 rows a statement cost about the same, 100 rows about two thirds,
    // 400 rows more again (longer statements, larger bindings).
    std::size_t boundRowsPerInsert() const override { return 100; }

    // An INTEGER PRIMARY KEY goes on from the largest value present.
    std::string restartNumbering(std::string_view, std::string_view) const override { return {}; }

private:
    // A file in WAL mode with no log beside it, in a folder where the shared-memory index
    // cannot be created.
    static bool unchangeableWalFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        char header[20] = {};
        if (!in.read(header, sizeof header) || header[18] != 2) return false;
        const QFileInfo file(QString::fromStdString(path));
        if (QFileInfo::exists(file.absoluteFilePath() + "-wal") ||
            QFileInfo::exists(file.absoluteFilePath() + "-shm")) {
            return false;
        }
        return ::access(file.absolutePath().toLocal8Bit().constData(), W_OK) != 0;
    }

    int busyTimeoutMs_;
    bool readOnly_;
};

}  // namespace

std::unique_ptr<EngineProfile> makeSqliteProfile(const OpenOptions& options) {
    return std::make_unique<SqliteProfile>(options);
}

}  // namespace refhost::sql
