// HostDatabase over QtSql, the same code for every engine; what differs sits in the
// EngineProfile. A connection belongs to the thread that opened it.
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <cctype>
#include <cstring>
#include <fstream>
#include <unordered_map>

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include "citforms/values/text.h"
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
// Gathered rows are written when this many are waiting, or this much text.
constexpr std::size_t kGatheredRowLimit = 1000;
constexpr std::size_t kGatheredTextLimit = 1 << 20;

// The engine's text of an error. A connection the server ended is closed by the driver, and
// the statements after it fail with no text at all: that is said instead of nothing.
std::string errorText(const QSqlError& error) {
    std::string text = error.databaseText().toStdString();
    if (text.empty()) text = error.driverText().toStdString();
    if (text.empty()) text = error.text().toStdString();
    if (text.find_first_not_of(" \t\r\n") == std::string::npos) text = kConnectionLost;
    return text;
}

std::optional<std::string> valueText(const QVariant& v) {
    if (v.isNull()) return std::nullopt;
    if (v.typeId() == QMetaType::QByteArray) return v.toByteArray().toStdString();
    return v.toString().toStdString();
}

// The rows of a statement run. A read that stops on an error (a damaged page, a lost
// connection) is a failure, never a shorter result.
Result<QueryResult> collect(QSqlQuery& q) {
    QueryResult result;
    if (q.isSelect()) {
        const QSqlRecord rec = q.record();
        for (int i = 0; i < rec.count(); ++i)
            result.columns.push_back(rec.fieldName(i).toStdString());
        while (q.next()) {
            std::vector<std::optional<std::string>> row;
            row.reserve(result.columns.size());
            for (int i = 0; i < rec.count(); ++i) row.push_back(valueText(q.value(i)));
            result.rows.push_back(std::move(row));
        }
        if (q.lastError().isValid()) {
            std::string error = errorText(q.lastError());
            q.finish();
            return Result<QueryResult>::failure(std::move(error));
        }
    } else {
        result.rowsAffected = q.numRowsAffected();
    }
    q.finish();  // an unfinished statement would keep its read snapshot open
    return result;
}

// Statements that every engine can prepare (PostgreSQL prepares nothing else: no DDL, no
// SET, no LOCK); the rest are run as they are.
bool isDataStatement(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size() && (sql[i] == ' ' || sql[i] == '\n' || sql[i] == '\t' || sql[i] == '(')) {
        ++i;
    }
    std::string word;
    while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])) != 0) {
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(sql[i++])));
    }
    return word == "select" || word == "insert" || word == "update" || word == "delete" ||
           word == "with" || word == "values";
}

class QtHostDatabase final : public HostDatabase {
public:
    QtHostDatabase(std::unique_ptr<EngineProfile> profile, QString connectionName)
        : profile_(std::move(profile)), name_(std::move(connectionName)) {
        db_ = QSqlDatabase::addDatabase(profile_->driverName(), name_);
        dialect_.engine = profile_->engine();
        dialect_.isTextColumn = [](std::string_view column) { return db::isTextColumn(column); };
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
        // Only now, once the database is known to be ours or empty: session set-up may write
        // (SQLite's journal mode, PostgreSQL's schema).
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

    Status insertRow(const RowInsert& row) override {
        if (row.columns.empty() || row.values.size() != row.columns.size() ||
            (!row.placeholders.empty() && row.placeholders.size() != row.columns.size())) {
            return Status::failure("Niezgodna liczba kolumn i wartości wstawianego wiersza");
        }
        if (depth_ == 0 || aborted_) {
            auto r = runNative(insertHead(row) + rowMarks(row), row.values);
            return r ? Status() : Status::failure(r.error());
        }
        if (!brokenBy_.empty()) return Status::failure(brokenBy_);
        // Rows of one table and the same columns go together; any other row, statement or
        // the commit writes what was gathered first.
        if (gathered_.count == 0 || gathered_.table != row.table ||
            gathered_.columns != row.columns || gathered_.placeholders != row.placeholders) {
            if (auto st = flushGathered(); !st) return st;
            gathered_.table = row.table;
            gathered_.columns = row.columns;
            gathered_.placeholders = row.placeholders;
            gathered_.head = insertHead(row);
            gathered_.marks = rowMarks(row);
        }
        const std::size_t perStatement = profile_->boundRowsPerInsert();
        if (perStatement > 0) {
            for (const auto& value : row.values) gathered_.bound.push_back(boundValue(value));
            ++gathered_.count;
            return gathered_.count >= perStatement ? flushGathered() : Status();
        }
        auto rendered = renderRow(row);
        if (!rendered) return Status::failure(rendered.error());
        gathered_.bytes += rendered->size();
        gathered_.rows.push_back(std::move(*rendered));
        ++gathered_.count;
        if (gathered_.count >= kGatheredRowLimit || gathered_.bytes >= kGatheredTextLimit) {
            return flushGathered();
        }
        return {};
    }

    Status lockForNumbering(std::string_view table) override {
        const std::string statement = profile_->numberingLock(table);
        if (statement.empty()) return {};
        auto r = runNative(statement, {});
        return r ? Status() : Status::failure(r.error());
    }

    Status restartNumbering(std::string_view table, std::string_view column) override {
        const std::string statement = profile_->restartNumbering(table, column);
        if (statement.empty()) return {};
        auto r = runNative(statement, {});
        return r ? Status() : Status::failure(r.error());
    }

    Status begin() override {
        if (depth_ == 0) {
            aborted_ = false;
            brokenBy_.clear();
            for (const std::string& statement : profile_->beginTransaction()) {
                auto r = execRaw(statement);
                if (!r) {
                    (void)execRaw("ROLLBACK");
                    return Status::failure(r.error());
                }
            }
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
        Status flushed = flushGathered();
        if (!flushed || !brokenBy_.empty()) {
            // The engine would take COMMIT of a failed transaction as a rollback and say
            // nothing: the failure is reported here instead.
            const std::string reason = flushed ? brokenBy_ : flushed.error();
            (void)execRaw("ROLLBACK");
            brokenBy_.clear();
            return Status::failure("Transakcja została wycofana po błędzie: " + reason);
        }
        auto r = execRaw("COMMIT");
        if (!r) {
            (void)execRaw("ROLLBACK");
            return Status::failure(r.error());
        }
        return {};
    }

    void rollback() override {
        if (depth_ == 0) return;
        gathered_ = {};
        brokenBy_.clear();
        if (!aborted_) (void)execRaw("ROLLBACK");
        aborted_ = true;
        --depth_;
        if (depth_ == 0) aborted_ = false;
    }

    int transactionDepth() const override { return depth_; }

    int schemaVersion() override { return db::currentVersion(*this); }

    Status loadDemo() override { return db::loadDemo(*this); }

private:
    struct GatheredRows {
        std::string table;
        std::vector<std::string> columns;
        std::vector<std::string> placeholders;
        std::string head;               // "INSERT INTO T (a, b) VALUES "
        std::string marks;              // "(?, CAST(? AS BIGINT))": one row's values
        std::size_t count = 0;          // rows gathered
        std::vector<QVariant> bound;    // bound rows: their values, row after row
        std::vector<std::string> rows;  // rows as literals: "('1', 'x')" each
        std::size_t bytes = 0;
    };

    static std::string insertHead(const RowInsert& row) {
        std::string head = "INSERT INTO " + row.table + " (";
        for (std::size_t i = 0; i < row.columns.size(); ++i) {
            if (i > 0) head += ", ";
            head += row.columns[i];
        }
        return head + ") VALUES ";
    }

    static std::string rowMarks(const RowInsert& row) {
        std::string marks = "(";
        for (std::size_t i = 0; i < row.columns.size(); ++i) {
            if (i > 0) marks += ", ";
            marks += row.placeholders.empty() ? std::string("?") : row.placeholders[i];
        }
        return marks + ")";
    }

    static QVariant boundValue(const std::optional<std::string>& value) {
        return value ? QVariant(QString::fromStdString(*value))
                     : QVariant(QMetaType(QMetaType::QString));
    }

    // One row's value list with its values written as SQL literals.
    static Result<std::string> renderRow(const RowInsert& row) {
        std::string out = "(";
        for (std::size_t i = 0; i < row.columns.size(); ++i) {
            if (i > 0) out += ", ";
            const std::string_view mark =
                row.placeholders.empty() ? std::string_view("?") : row.placeholders[i];
            const auto& value = row.values[i];
            if (value && value->find('\0') != std::string::npos) {
                return Result<std::string>::failure("Wartość kolumny " + row.columns[i] +
                                                    " zawiera znak NUL");
            }
            const std::string literal = value ? citforms::values::sqlQuoted(*value) : std::string("NULL");
            const auto at = mark.find('?');
            if (at == std::string_view::npos || mark.find('?', at + 1) != std::string_view::npos) {
                return Result<std::string>::failure("Wyrażenie wartości kolumny " + row.columns[i] +
                                                    " musi mieć jedno \"?\"");
            }
            out.append(mark.substr(0, at)).append(literal).append(mark.substr(at + 1));
        }
        out += ")";
        return out;
    }

    // Writes the gathered rows. A failure breaks the transaction on every engine: the rows'
    // own inserts were reported done, so only the commit can still tell.
    Status flushGathered() {
        if (gathered_.count == 0) return {};
        GatheredRows rows = std::move(gathered_);
        gathered_ = {};
        Status written = rows.bound.empty() ? writeLiteralRows(rows) : writeBoundRows(rows);
        if (!written) {
            const std::string error = "Nie zapisano " + std::to_string(rows.count) +
                                      " wstawionych wierszy: " + written.error();
            if (depth_ > 0 && brokenBy_.empty()) brokenBy_ = error;
            return Status::failure(error);
        }
        return {};
    }

    Status writeLiteralRows(const GatheredRows& rows) {
        std::string text = rows.head;
        for (std::size_t i = 0; i < rows.rows.size(); ++i) {
            if (i > 0) text += ", ";
            text += rows.rows[i];
        }
        auto r = execRaw(text);
        return r ? Status() : Status::failure(r.error());
    }

    // One prepared statement for all the rows gathered (a full batch reuses the same one).
    Status writeBoundRows(const GatheredRows& rows) {
        std::string text = rows.head;
        for (std::size_t i = 0; i < rows.count; ++i) {
            if (i > 0) text += ", ";
            text += rows.marks;
        }
        auto r = runPrepared(text, rows.bound);
        return r ? Status() : Status::failure(r.error());
    }

    // A failure inside a transaction that the engine aborts on error: remembered, so that
    // the commit reports it.
    void noteFailure(const std::string& error) {
        if (depth_ > 0 && profile_->failedStatementAbortsTransaction() && brokenBy_.empty()) {
            brokenBy_ = error;
        }
    }

    Result<QueryResult> execRaw(const std::string& sql) {
        QSqlQuery q(db_);
        if (!q.exec(QString::fromStdString(sql))) {
            const std::string error = errorText(q.lastError());
            noteFailure(error);
            return Result<QueryResult>::failure(error);
        }
        auto rows = collect(q);
        if (!rows) noteFailure(rows.error());
        return rows;
    }

    Result<QueryResult> execute(std::string_view sql,
                                const std::vector<std::optional<std::string>>& params,
                                bool cacheable) {
        if (auto st = flushGathered(); !st) return Result<QueryResult>::failure(st.error());
        if (params.empty() && (!cacheable || !isDataStatement(sql))) {
            return execRaw(std::string(sql));
        }
        std::vector<QVariant> values;
        values.reserve(params.size());
        for (const auto& param : params) values.push_back(boundValue(param));
        return runPrepared(sql, values);
    }

    // The statement prepared once per text and kept, its values bound in place.
    Result<QueryResult> runPrepared(std::string_view sql, const std::vector<QVariant>& values) {
        QSqlQuery* q = nullptr;
        const std::string key(sql);
        if (auto it = cache_.find(key); it != cache_.end()) {
            q = it->second.get();
        } else {
            auto fresh = std::make_unique<QSqlQuery>(db_);
            // Rows are read once, front to back: the driver need not keep a copy of each.
            fresh->setForwardOnly(true);
            if (!fresh->prepare(QString::fromUtf8(sql.data(), static_cast<qsizetype>(sql.size())))) {
                const std::string error = errorText(fresh->lastError());
                noteFailure(error);
                return Result<QueryResult>::failure(error);
            }
            if (cache_.size() >= kStatementCacheLimit) cache_.clear();
            q = fresh.get();
            cache_.emplace(key, std::move(fresh));
        }
        for (std::size_t i = 0; i < values.size(); ++i) q->bindValue(static_cast<int>(i), values[i]);
        if (!q->exec()) {
            std::string error = errorText(q->lastError());
            q->finish();
            noteFailure(error);
            return Result<QueryResult>::failure(error);
        }
        auto rows = collect(*q);
        if (!rows) noteFailure(rows.error());
        return rows;
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
    GatheredRows gathered_;
    std::string brokenBy_;  // the first failure of the open transaction, when it aborted it
};

QString nextConnectionName() {
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("refhost-%1").arg(++counter);
}

// An existing non-empty file must carry SQLite's header before we let the engine near it:
// that is how a file of another kind stays untouched. Only an open that may create makes a
// missing file (and its folders).
Status checkSqliteFile(const std::string& path, OpenMode mode) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            return Status::failure("Nie można odczytać pliku " + path + ": " +
                                   std::strerror(errno));
        }
        if (mode != OpenMode::Create) {
            return Status::failure("Baza danych " + path +
                                   " nie istnieje (tworzy ją polecenie init-db).");
        }
        const QFileInfo info(QString::fromStdString(path));
        if (!QDir().mkpath(info.absolutePath())) {
            return Status::failure("Nie można utworzyć folderu bazy danych: " +
                                   info.absolutePath().toStdString());
        }
        return {};
    }
    if (S_ISDIR(st.st_mode)) return Status::failure("Ścieżka bazy danych wskazuje folder: " + path);
    if (!S_ISREG(st.st_mode)) {
        return Status::failure("Plik " + path +
                               " nie jest zwykłym plikiem (potok, urządzenie lub gniazdo); nie "
                               "zostanie otwarty.");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        return Status::failure("Nie można odczytać pliku " + path + ": " + std::strerror(errno));
    }
    if (st.st_size == 0) return {};
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

// Connects, checks that the database is ours or empty, sets the session up and brings the
// schema up to date. `shown` names the database in messages (without a password).
Result<std::unique_ptr<HostDatabase>> openWith(std::unique_ptr<EngineProfile> profile,
                                               const std::string& target,
                                               const std::string& shown, OpenMode mode) {
    using R = Result<std::unique_ptr<HostDatabase>>;
    auto db = std::make_unique<QtHostDatabase>(std::move(profile), nextConnectionName());
    if (auto st = db->connect(target); !st) {
        return R::failure("Nie można otworzyć bazy " + shown + ": " + st.error());
    }
    // Look before writing anything: a database of another program is left as it is.
    auto tables = db->tableNames();
    if (!tables) return R::failure("Nie można odczytać bazy " + shown + ": " + tables.error());
    if (!tables->empty() && !db::hasSchemaMarker(*tables)) {
        return R::failure("Baza " + shown +
                          " nie jest bazą programu Tabrix (zawiera inne tabele); nie "
                          "zostanie zmieniona.");
    }
    if (tables->empty() && mode != OpenMode::Create) {
        return R::failure("Baza " + shown + " jest pusta (tworzy ją polecenie init-db).");
    }
    if (auto st = db->setupSession(); !st) return R::failure(st.error());
    if (mode == OpenMode::ReadOnly) {
        // Nothing may be written: a schema behind this program's is not brought up to date.
        const int version = db::currentVersion(*db);
        if (version < db::latestVersion()) {
            return R::failure("Baza " + shown + " ma schemat w wersji " +
                              std::to_string(version) + ", a program potrzebuje wersji " +
                              std::to_string(db::latestVersion()) +
                              "; uaktualnia go polecenie init-db.");
        }
        return std::unique_ptr<HostDatabase>(std::move(db));
    }
    if (auto st = db::migrate(*db, db->profile()); !st) {
        return R::failure("Nie można utworzyć schematu bazy " + shown + ": " + st.error());
    }
    return std::unique_ptr<HostDatabase>(std::move(db));
}

}  // namespace

bool HostDatabase::isPostgresTarget(std::string_view target) {
    return target.rfind("postgresql://", 0) == 0 || target.rfind("postgres://", 0) == 0;
}

std::string HostDatabase::describeTarget(std::string_view target) {
    if (!isPostgresTarget(target)) return std::string(target);
    QUrl url(QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size())));
    if (!url.isValid()) return "postgresql://…";
    if (!url.password().isEmpty()) url.setPassword(QStringLiteral("***"));
    QUrlQuery query(url);
    for (const QString& secret : {QStringLiteral("password"), QStringLiteral("sslpassword")}) {
        query.removeAllQueryItems(secret);
    }
    url.setQuery(query);
    return url.toString().toStdString();
}

Result<std::unique_ptr<HostDatabase>> HostDatabase::open(const std::string& target,
                                                         const OpenOptions& options) {
    using R = Result<std::unique_ptr<HostDatabase>>;
    if (isPostgresTarget(target)) {
        auto profile = makePostgresProfile(target, options);
        if (!profile) return R::failure(profile.error());
        return openWith(std::move(*profile), target, describeTarget(target), options.mode);
    }
    if (target.empty()) return R::failure("Nie podano ścieżki bazy danych");
    if (auto st = checkSqliteFile(target, options.mode); !st) return R::failure(st.error());
    return openWith(makeSqliteProfile(options), target, target, options.mode);
}

}  // namespace refhost::sql
