// HostDatabase over QtSql, the same code for every engine; what differs sits in the
// EngineProfile. A connection belongs to the thread that opened it.
#include <atomic>
#include <cstring>
#include <fstream>
#include <unordered_map>

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include "refhost/db/demo.h"
#include "refhost/db/procedures.h"
#include "refhost/db/schema.h"
#include "refhost/sql/database.h"
#include "refhost/sql/dialect.h"
#include "refhost/sql/engine.h"
#include "refhost/sql/procedure_set.h"

namespace refhost::sql {

namespace {

constexpr std::size_t kStatementCacheLimit = 256;

std::string errorText(const QSqlError& error) {
    std::string text = error.databaseText().toStdString();
    if (text.empty()) text = error.driverText().toStdString();
    if (text.empty()) text = error.text().toStdString();
    return text;
}

std::optional<std::string> valueText(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    if (v.typeId() == QMetaType::QByteArray) return v.toByteArray().toStdString();
    return v.toString().toStdString();
}

QueryResult collect(QSqlQuery& q) {
    QueryResult result;
    if (q.isSelect()) {
        const QSqlRecord rec = q.record();
        for (int i = 0; i < rec.count(); ++i) result.columns.push_back(rec.fieldName(i).toStdString());
        while (q.next()) {
            std::vector<std::optional<std::string>> row;
            row.reserve(result.columns.size());
            for (int i = 0; i < rec.count(); ++i) row.push_back(valueText(q.value(i)));
            result.rows.push_back(std::move(row));
        }
    } else {
        result.rowsAffected = q.numRowsAffected();
    }
    q.finish();  // an unfinished statement would keep its read snapshot open
    return result;
}

class QtHostDatabase final : public HostDatabase {
public:
    QtHostDatabase(std::unique_ptr<EngineProfile> profile, QString connectionName)
        : profile_(std::move(profile)), name_(std::move(connectionName)) {
        db_ = QSqlDatabase::addDatabase(profile_->driverName(), name_);
        dialect_.engine = profile_->engine();
        dialect_.isTextColumn = [](std::string_view column) {
            return db::isTextColumn(column);
        };
        for (const auto& [fn, routine] : db::hostProcedures().functions) {
            dialect_.hostFunctions.insert(fn);
        }
    }

    ~QtHostDatabase() override {
        if (depth_ > 0 && !aborted_) (void)execRaw("ROLLBACK");
        cache_.clear();
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }

    QtHostDatabase(const QtHostDatabase&) = delete;
    QtHostDatabase& operator=(const QtHostDatabase&) = delete;

    Status connect(const std::string& target) {
        if (auto st = profile_->configure(db_, target); !st) return st;
        if (!db_.open()) return Status::failure(errorText(db_.lastError()));
        return {};
    }

    Status setupSession() {
        for (const std::string& stmt : profile_->sessionSetup()) {
            auto r = runNative(stmt, {});
            if (!r) return Status::failure(r.error());
        }
        return {};
    }

    Result<std::vector<std::string>> tableNames() {
        auto r = runNative(profile_->tableListQuery(), {});
        if (!r) return Result<std::vector<std::string>>::failure(r.error());
        std::vector<std::string> names;
        for (const auto& row : r->rows) names.push_back(row.at(0).value_or(""));
        return names;
    }

    const EngineProfile& profile() const { return *profile_; }

    Engine engine() const override { return profile_->engine(); }

    Result<QueryResult> run(std::string_view hostSql) override {
        auto t = translate(hostSql, dialect_);
        if (!t) return Result<QueryResult>::failure(t.error());
        switch (t->kind) {
            case Translation::Kind::Statement:
                return execute(t->sql, {}, false);
            case Translation::Kind::Procedure:
                return callRoutine(db::hostProcedures().procedures, *t, "procedura");
            case Translation::Kind::Function:
                return callRoutine(db::hostProcedures().functions, *t, "funkcja");
        }
        return Result<QueryResult>::failure("Nieznany rodzaj polecenia");
    }

    Result<QueryResult> runNative(std::string_view nativeSql,
                                  const std::vector<std::optional<std::string>>& params) override {
        return execute(nativeSql, params, true);
    }

    Status begin() override {
        if (depth_ == 0) {
            aborted_ = false;
            auto r = execRaw(profile_->beginTransaction());
            if (!r) return Status::failure(r.error());
        } else if (aborted_) {
            return Status::failure("Transakcja została już wycofana");
        }
        ++depth_;
        return {};
    }

    Status commit() override {
        if (depth_ == 0) return Status::failure("Brak otwartej transakcji");
        --depth_;
        if (aborted_) {
            if (depth_ == 0) aborted_ = false;
            return Status::failure("Transakcja została wycofana");
        }
        if (depth_ > 0) return {};
        auto r = execRaw("COMMIT");
        if (!r) {
            (void)execRaw("ROLLBACK");
            return Status::failure(r.error());
        }
        return {};
    }

    void rollback() override {
        if (depth_ == 0) return;
        if (!aborted_) (void)execRaw("ROLLBACK");
        aborted_ = true;
        --depth_;
        if (depth_ == 0) aborted_ = false;
    }

    int transactionDepth() const override { return depth_; }

    int schemaVersion() override { return db::currentVersion(*this); }

    Status loadDemo() override { return db::loadDemo(*this); }

private:
    Result<QueryResult> execRaw(const std::string& sql) {
        QSqlQuery q(db_);
        if (!q.exec(QString::fromStdString(sql))) {
            return Result<QueryResult>::failure(errorText(q.lastError()));
        }
        return collect(q);
    }

    Result<QueryResult> execute(std::string_view sql,
                                const std::vector<std::optional<std::string>>& params,
                                bool cacheable) {
        const QString text = QString::fromUtf8(sql.data(), static_cast<qsizetype>(sql.size()));
        if (!cacheable && params.empty()) return execRaw(text.toStdString());
        QSqlQuery* q = nullptr;
        std::unique_ptr<QSqlQuery> once;
        const std::string key(sql);
        if (auto it = cache_.find(key); it != cache_.end()) {
            q = it->second.get();
        } else {
            auto fresh = std::make_unique<QSqlQuery>(db_);
            if (!fresh->prepare(text)) {
                return Result<QueryResult>::failure(errorText(fresh->lastError()));
            }
            if (cache_.size() >= kStatementCacheLimit) cache_.clear();
            q = fresh.get();
            cache_.emplace(key, std::move(fresh));
        }
        for (std::size_t i = 0; i < params.size(); ++i) {
            const QVariant value = params[i] ? QVariant(QString::fromStdString(*params[i]))
                                             : QVariant(QMetaType(QMetaType::QString));
            q->bindValue(static_cast<int>(i), value);
        }
        if (!q->exec()) {
            std::string error = errorText(q->lastError());
            q->finish();
            return Result<QueryResult>::failure(error);
        }
        return collect(*q);
    }

    Result<QueryResult> callRoutine(const std::map<std::string, HostRoutine>& routines,
                                    const Translation& t, const char* what) {
        auto it = routines.find(t.name);
        if (it == routines.end()) {
            return Result<QueryResult>::failure(std::string("Nieznana ") + what + " " + t.name);
        }
        return it->second(*this, t.arguments);
    }

    std::unique_ptr<EngineProfile> profile_;
    QString name_;
    QSqlDatabase db_;
    DialectOptions dialect_;
    std::unordered_map<std::string, std::unique_ptr<QSqlQuery>> cache_;
    int depth_ = 0;
    bool aborted_ = false;
};

QString nextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("refhost-%1").arg(++counter);
}

bool startsWith(const std::string& s, std::string_view prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// An existing non-empty file must carry SQLite's header before we let the engine near it:
// that is how a file of another kind stays untouched.
Status checkSqliteFile(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    if (!info.exists()) {
        if (!QDir().mkpath(info.absolutePath())) {
            return Status::failure("Nie można utworzyć folderu bazy danych: " +
                                   info.absolutePath().toStdString());
        }
        return {};
    }
    if (info.isDir()) return Status::failure("Ścieżka bazy danych wskazuje folder: " + path);
    if (info.size() == 0) return {};
    std::ifstream in(path, std::ios::binary);
    char header[16] = {};
    in.read(header, sizeof header);
    static constexpr char kMagic[16] = "SQLite format 3";  // with its terminating zero
    if (!in || std::memcmp(header, kMagic, sizeof kMagic) != 0) {
        return Status::failure("Plik " + path +
                               " nie jest bazą danych SQLite; nie zostanie otwarty ani "
                               "nadpisany.");
    }
    return {};
}

}  // namespace

Result<std::unique_ptr<HostDatabase>> HostDatabase::open(const std::string& target) {
    using R = Result<std::unique_ptr<HostDatabase>>;
    if (startsWith(target, "postgresql://") || startsWith(target, "postgres://")) {
        return R::failure("Baza PostgreSQL nie jest jeszcze obsługiwana: " + target);
    }
    if (target.empty()) return R::failure("Nie podano ścieżki bazy danych");
    if (auto st = checkSqliteFile(target); !st) return R::failure(st.error());

    auto db = std::make_unique<QtHostDatabase>(makeSqliteProfile(), nextConnectionName());
    if (auto st = db->connect(target); !st) {
        return R::failure("Nie można otworzyć bazy " + target + ": " + st.error());
    }
    // Look before writing anything: a database of another program is left as it is.
    auto tables = db->tableNames();
    if (!tables) return R::failure("Nie można odczytać bazy " + target + ": " + tables.error());
    if (!tables->empty() && !db::hasSchemaMarker(*tables)) {
        return R::failure("Baza " + target +
                          " nie jest bazą programu Tabrix (zawiera inne tabele); nie "
                          "zostanie zmieniona.");
    }
    if (auto st = db->setupSession(); !st) return R::failure(st.error());
    if (auto st = db::migrate(*db, db->profile()); !st) {
        return R::failure("Nie można utworzyć schematu bazy " + target + ": " + st.error());
    }
    return std::unique_ptr<HostDatabase>(std::move(db));
}

}  // namespace refhost::sql
