#include "citforms/support/fake_host.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>
#include <optional>

#include "citforms/values/day_number.h"

namespace citforms::testing {

using host::HostFileId;
using host::Record;
using host::ResultFileId;

// ---- result files ----

void FakeResultFile::fill(const Rows& rows) {
    rows_.clear();
    for (const std::vector<std::string>& columns : rows) {
        host::ResultRow row;
        for (std::size_t i = 0; i < columns.size(); ++i) {
            row.columns.push_back(host::cutToWidth(columns[i], host::columnWidth(id_, i)));
        }
        rows_.push_back(std::move(row));
    }
    position_ = 0;
}

bool FakeResultFile::next(host::ResultRow& row) {
    if (position_ >= rows_.size()) return false;
    row = rows_[position_++];
    return true;
}

// ---- record files ----

namespace {

// Orders two key values of one column: numbers by value, texts byte by byte.
int compareColumn(const std::string& a, const std::string& b, bool numeric) {
    if (numeric) {
        const long long x = std::strtoll(a.c_str(), nullptr, 10);
        const long long y = std::strtoll(b.c_str(), nullptr, 10);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

int compareKey(const Record& a, const Record& b, const std::vector<KeyColumn>& columns) {
    for (const KeyColumn& c : columns) {
        const int r = compareColumn(a.get(c.name), b.get(c.name), c.numeric);
        if (r != 0) return r;
    }
    return 0;
}

}  // namespace

FakeRecordFile::FakeRecordFile(std::string name, host::ErrorStatus& status)
    : name_(std::move(name)), status_(status) {}

void FakeRecordFile::defineKey(std::string key, std::vector<KeyColumn> columns) {
    keys_.emplace_back(std::move(key), std::move(columns));
}

const std::vector<KeyColumn>* FakeRecordFile::keyColumns(std::string_view key) {
    for (const auto& [name, columns] : keys_) {
        if (name == key) return &columns;
    }
    return nullptr;
}

void FakeRecordFile::fail(std::string text) {
    status_.code = 90;  // a database error; reading past the end leaves no error
    status_.text = text;
    if (attachedManager != nullptr) attachedManager->report(name_, text);
}

bool FakeRecordFile::open() {
    status_ = {};
    ++openCount;
    if (failOpen) {
        fail("Nie można otworzyć pliku " + name_);
        return false;
    }
    return true;
}

void FakeRecordFile::close() {
    ++closeCount;
}

bool FakeRecordFile::fetch(std::string_view key, const Record& keyValues, Record& out) {
    status_ = {};
    const std::vector<KeyColumn>* columns = keyColumns(key);
    if (columns == nullptr) {
        fail("Nieznany klucz " + std::string(key));
        return false;
    }
    for (const Record& row : rows_) {
        if (compareKey(row, keyValues, *columns) == 0) {
            out = row;
            return true;
        }
    }
    fail("Brak rekordu w pliku " + name_);
    return false;
}

bool FakeRecordFile::set(std::string_view key, const Record& keyValues) {
    status_ = {};
    const std::vector<KeyColumn>* columns = keyColumns(key);
    if (columns == nullptr) {
        fail("Nieznany klucz " + std::string(key));
        return false;
    }
    // Missing trailing key columns of the search count as the lowest value.
    std::vector<KeyColumn> given;
    for (const KeyColumn& c : *columns) {
        if (!keyValues.has(c.name)) break;
        given.push_back(c);
    }
    cursor_ = rows_;
    std::stable_sort(cursor_.begin(), cursor_.end(), [&](const Record& a, const Record& b) {
        return compareKey(a, b, *columns) < 0;
    });
    cursor_.erase(cursor_.begin(),
                  std::find_if(cursor_.begin(), cursor_.end(), [&](const Record& r) {
                      return compareKey(r, keyValues, given) >= 0;
                  }));
    cursorAt_ = 0;
    reads_ = 0;
    return true;
}

bool FakeRecordFile::next(Record& out) {
    status_ = {};
    if (failReadsAfter >= 0 && reads_ >= failReadsAfter) {
        fail("Błąd odczytu pliku " + name_);
        return false;
    }
    if (cursorAt_ >= cursor_.size()) return false;
    ++reads_;
    out = cursor_[cursorAt_++];
    return true;
}

bool FakeRecordFile::insert(const Record& record) {
    status_ = {};
    if (failInsertsAfter >= 0 && inserts >= failInsertsAfter) {
        fail("Błąd zapisu do pliku " + name_);
        return false;
    }
    if (!keys_.empty()) {
        const std::vector<KeyColumn>& primary = keys_.front().second;
        for (const Record& row : rows_) {
            if (compareKey(row, record, primary) == 0) {
                fail("Powtórzony klucz w pliku " + name_);
                return false;
            }
        }
    }
    rows_.push_back(record);
    ++inserts;
    return true;
}

bool FakeRecordFile::update(const Record& record) {
    status_ = {};
    if (failUpdate) {
        fail("Błąd zmiany rekordu w pliku " + name_);
        return false;
    }
    if (keys_.empty()) {
        fail("Plik " + name_ + " nie ma klucza głównego");
        return false;
    }
    for (Record& row : rows_) {
        if (compareKey(row, record, keys_.front().second) == 0) {
            row = record;
            return true;
        }
    }
    fail("Brak rekordu do zmiany w pliku " + name_);
    return false;
}

// ---- utility library ----

FakeUtility::FakeUtility(std::vector<HostCall>& log,
                         std::map<ResultFileId, std::unique_ptr<FakeResultFile>>& results)
    : log_(log), results_(results) {}

void FakeUtility::INIT(host::ErrorManager* e, host::IniManager* i) {
    log_.push_back({"utility.INIT", e, i});
}

void FakeUtility::KILL() {
    log_.push_back({"utility.KILL"});
}

bool FakeUtility::execInto(ResultFileId file, std::string_view statement) {
    const std::string text(statement);
    statements.push_back({file, text});
    status = {};
    FakeResultFile& result = *results_.at(file);
    // A scripted failure names its statement whole, or its start followed by "*".
    auto f = failures_.find(text);
    for (auto k = failures_.begin(); f == failures_.end() && k != failures_.end(); ++k) {
        const std::string& key = k->first;
        if (!key.empty() && key.back() == '*' &&
            text.compare(0, key.size() - 1, key, 0, key.size() - 1) == 0)
            f = k;
    }
    if (f != failures_.end()) {
        status = {1, f->second};
        result.fill({});
        return false;
    }
    auto s = scripts_.find(text);
    if (s == scripts_.end()) {
        if (handler) {
            if (std::optional<Answer> answer = handler(text)) {
                if (!answer->ok) {
                    status = {1, answer->error};
                    result.fill({});
                    return false;
                }
                result.fill(answer->rows);
                return true;
            }
        }
        status = {2, "Zapytanie spoza scenariusza atrapy: " + text};
        result.fill({});
        return false;
    }
    result.fill(s->second);
    return true;
}

std::string FakeUtility::FUNCVAY(std::string_view query) {
    const std::string text(query);
    statements.push_back({ResultFileId::VAY_FK, text});
    status = {};
    Rows rows;
    if (auto s = scripts_.find(text); s != scripts_.end()) {
        rows = s->second;
    } else if (handler) {
        if (std::optional<Answer> answer = handler(text); answer && answer->ok) {
            rows = answer->rows;
        }
    }
    if (rows.empty() || rows.front().empty()) return "";
    return rows.front().front();
}

bool FakeUtility::beginTransaction() {
    ++transactionsBegun;
    if (failBegin) {
        status = {3, "Nie można rozpocząć transakcji"};
        return false;
    }
    if (transactionDepth++ == 0) {
        aborted_ = false;
        if (onBegin) onBegin();
    }
    return true;
}

bool FakeUtility::commitTransaction() {
    ++commits;
    if (transactionDepth == 0) {
        status = {3, "Brak otwartej transakcji"};
        return false;
    }
    --transactionDepth;
    if (aborted_ || (failCommit && transactionDepth == 0)) {
        status = {3, "Transakcja została wycofana"};
        if (transactionDepth == 0 && !aborted_ && onRollback) onRollback();
        if (transactionDepth == 0) aborted_ = false;
        return false;
    }
    return true;
}

void FakeUtility::rollbackTransaction() {
    ++rollbacks;
    if (transactionDepth == 0) return;
    if (!aborted_ && onRollback) onRollback();
    aborted_ = true;
    if (--transactionDepth == 0) aborted_ = false;
}

void FakeUtility::MSG_INF(std::string_view text) {
    messages.push_back({"MSG_INF", std::string(text)});
}

void FakeUtility::MSG_OST(std::string_view text) {
    messages.push_back({"MSG_OST", std::string(text)});
}

std::uint8_t FakeUtility::MSG_WYKONAJ(std::string_view title, std::string_view text,
                                      std::optional<std::uint8_t>) {
    messages.push_back({"MSG_WYKONAJ", std::string(title) + "|" + std::string(text)});
    if (wykonajAnswers.empty()) return 1;
    const std::uint8_t answer = wykonajAnswers.front();
    wykonajAnswers.pop_front();
    return answer;
}

void FakeUtility::LOG_ADD(std::int32_t id, std::string_view text, std::string_view category,
                          std::string_view operation) {
    logEntries.push_back(std::to_string(id) + "|" + std::string(text) + "|" +
                         std::string(category) + "|" + std::string(operation));
}

std::string FakeUtility::FORMATDATA(std::int32_t day) {
    return values::formatDayMonthYear(day);
}

std::string FakeUtility::NAZWA_MIESIACA(std::int32_t month, std::int32_t year) {
    static const char* const kMonths[] = {"styczeń",  "luty",        "marzec",   "kwiecień",
                                          "maj",      "czerwiec",    "lipiec",   "sierpień",
                                          "wrzesień", "październik", "listopad", "grudzień"};
    if (month < 1 || month > 12) return "";
    std::string name = kMonths[month - 1];
    return year == 0 ? name : name + " " + std::to_string(year);
}

std::string FakeUtility::GET_NAZWA_ADRES_URZEDU(std::uint8_t, std::int32_t officeId) {
    auto it = offices.find(officeId);
    return it == offices.end() ? "" : it->second;
}

void FakeUtility::INFO_ZESTAWIENIE(std::uint8_t mode) {
    ++infoZestawienie;
    log_.push_back({"utility.INFO_ZESTAWIENIE " + std::to_string(mode)});
}

std::string FakeUtility::TYLKO_CYFRY(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
    }
    return digits;
}

std::string FakeUtility::ZAMIEN_ZNAK(std::string_view from, std::string_view to,
                                     std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (!from.empty() && text.substr(i, from.size()) == from) {
            out += to;
            i += from.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

std::string FakeUtility::STR_REPLICATE(std::string_view character, std::int32_t count) {
    std::string out;
    for (std::int32_t i = 0; i < count; ++i) out += character;
    return out;
}

std::string FakeUtility::KALENDARZ(std::int32_t, std::int32_t, std::string_view date) {
    return calendarAnswer.empty() ? std::string(date) : calendarAnswer;
}

// ---- data library ----

FakeData::FakeData(std::vector<HostCall>& log, host::ErrorStatus& status,
                   std::map<ResultFileId, std::unique_ptr<FakeResultFile>>& results)
    : log_(log), results_(results) {
    for (HostFileId id : host::kAttachOrder) {
        files_[id] = std::make_unique<FakeRecordFile>(std::string(host::hostFileName(id)), status);
    }
    files_.at(HostFileId::DEKLARACJE_POZ)
        ->defineKey(std::string(host::kKeyDeklPozByZalacznik),
                    {{"ID_DEKLARACJE_NAG", true}, {"NR_ZALACZNIKA", true}, {"NR_POLA", false}});
    files_.at(HostFileId::DEKLARACJE_NAG)
        ->defineKey(std::string(host::kKeyDeklNagPk), {{"ID_DEKLARACJE_NAG", true}});
}

void FakeData::INIT(host::ErrorManager* e, host::IniManager* i) {
    log_.push_back({"data.INIT", e, i});
}

void FakeData::KILL() {
    log_.push_back({"data.KILL"});
}

void FakeData::attachErrorManager(HostFileId id, host::ErrorManager* manager) {
    log_.push_back({"attach " + std::string(host::hostFileName(id)), manager});
    files_.at(id)->attachErrorManager(manager);
}

// ---- UI seam ----

int FakeUi::message(const host::MessageRequest& request) {
    messages.push_back(request);
    if (answers.empty()) return 1;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeUi::setBusy(bool busy) {
    busyCalls.push_back(busy);
    busyDepth += busy ? 1 : -1;
}

// ---- the host ----

FakeHost::FakeHost()
    : utility(log, results),
      data(log, utility.status, results),
      declarations(log),
      settlements(log),
      print(log),
      statements(log),
      contractor(log) {
    for (ResultFileId id : {ResultFileId::ZAPYTANIESQL, ResultFileId::ZAPYTANIESQL1,
                            ResultFileId::VAX_FK, ResultFileId::VAY_FK, ResultFileId::VAZ_FK}) {
        results[id] = std::make_unique<FakeResultFile>(id);
    }
}

host::HostBinding FakeHost::binding() {
    host::HostBinding b;
    b.utility = &utility;
    b.data = &data;
    b.declarations = &declarations;
    b.settlements = &settlements;
    b.print = &print;
    b.statements = &statements;
    b.contractor = &contractor;
    b.ui = &ui;
    return b;
}

void FakeHost::addPoz(std::int32_t id, std::int32_t sheet, const std::string& nrPola,
                      const std::string& value) {
    data.fakeFile(HostFileId::DEKLARACJE_POZ)
        .add(Record{{"ID_DEKLARACJE_NAG", std::to_string(id)},
                    {"NR_ZALACZNIKA", std::to_string(sheet)},
                    {"NR_POLA", nrPola},
                    {"WARTOSC_POLA", value}});
}

void FakeHost::addHeader(std::int32_t id, const std::string& blokada) {
    data.fakeFile(HostFileId::DEKLARACJE_NAG)
        .add(Record{{"ID_DEKLARACJE_NAG", std::to_string(id)},
                    {"ID_DEKLARACJE_WZORZEC", "73"},
                    {"BLOKADA", blokada},
                    {"STATUS_2", "0"},
                    {"INFO_2", "CIT-8"}});
}

std::vector<Record> FakeHost::pozRows(std::int32_t id, std::int32_t sheet) {
    std::vector<Record> out;
    for (const Record& r : data.fakeFile(HostFileId::DEKLARACJE_POZ).rows()) {
        if (r.get("ID_DEKLARACJE_NAG") != std::to_string(id)) continue;
        if (sheet >= 0 && r.get("NR_ZALACZNIKA") != std::to_string(sheet)) continue;
        out.push_back(r);
    }
    return out;
}

namespace {

// Reads an SQL string literal at `at` ('...' with '' for an apostrophe); moves `at` past it.
std::optional<std::string> readLiteral(const std::string& sql, std::size_t& at) {
    if (at >= sql.size() || sql[at] != '\'') return std::nullopt;
    std::string value;
    for (std::size_t i = at + 1; i < sql.size(); ++i) {
        if (sql[i] != '\'') {
            value += sql[i];
        } else if (i + 1 < sql.size() && sql[i + 1] == '\'') {
            value += '\'';
            ++i;
        } else {
            at = i + 1;
            return value;
        }
    }
    return std::nullopt;
}

bool consume(const std::string& sql, std::size_t& at, std::string_view expected) {
    if (sql.compare(at, expected.size(), expected) != 0) return false;
    at += expected.size();
    return true;
}

// "<prefix><digits>" with nothing after the digits: the digits.
std::optional<std::string> idAfter(const std::string& sql, std::string_view prefix) {
    if (sql.size() <= prefix.size() || sql.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    const std::string rest = sql.substr(prefix.size());
    if (rest.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
    return rest;
}

}  // namespace

void FakeHost::emulateDeclarationTables() {
    using Answer = FakeUtility::Answer;
    auto eraseRows = [this](HostFileId file, const std::string& id) {
        std::vector<Record>& rows = data.fakeFile(file).mutableRows();
        std::erase_if(rows, [&](const Record& r) { return r.get("ID_DEKLARACJE_NAG") == id; });
    };
    utility.handler = [this, eraseRows](const std::string& sql) -> std::optional<Answer> {
        if (auto id = idAfter(sql, "delete from DEKLARACJE_POZ where id_deklaracje_nag=")) {
            eraseRows(HostFileId::DEKLARACJE_POZ, *id);
            return Answer{};
        }
        if (auto id = idAfter(sql, "delete from DEKLARACJE_NAG where id_deklaracje_nag = ")) {
            eraseRows(HostFileId::DEKLARACJE_NAG, *id);
            return Answer{};
        }
        if (auto id = idAfter(sql, "delete from DEKLARACJE_ZALACZNIK where id_deklaracje_nag=")) {
            std::erase_if(zalacznik, [&](const ZalacznikRow& r) {
                return std::to_string(r.id) == *id;
            });
            return Answer{};
        }
        std::size_t at = 0;
        if (consume(sql, at,
                    "insert into DEKLARACJE_ZALACZNIK (id_deklaracje_nag, nr_pola, wartosc_pola, "
                    "typ) values (")) {
            // One row or several, "(…),(…)", as a save writes its texts in one statement.
            std::vector<ZalacznikRow> rows;
            for (bool more = true; more;) {
                const std::size_t digits = sql.find(',', at);
                ZalacznikRow row;
                std::optional<std::string> nr, value, typ;
                if (digits != std::string::npos) {
                    row.id = std::atoi(sql.substr(at, digits - at).c_str());
                    at = digits + 1;
                    nr = readLiteral(sql, at);
                    if (nr && consume(sql, at, ",")) value = readLiteral(sql, at);
                    if (value && consume(sql, at, ",")) typ = readLiteral(sql, at);
                }
                if (!typ || !consume(sql, at, ")")) {
                    return Answer{false, {}, "Błąd składni SQL: " + sql};
                }
                row.nrPola = *nr;
                row.value = *value;
                row.typ = *typ;
                rows.push_back(std::move(row));
                more = consume(sql, at, ",");
                if (more && !consume(sql, at, "(")) {
                    return Answer{false, {}, "Błąd składni SQL: " + sql};
                }
            }
            if (at != sql.size()) return Answer{false, {}, "Błąd składni SQL: " + sql};
            for (ZalacznikRow& row : rows) zalacznik.push_back(std::move(row));
            return Answer{};
        }
        return std::nullopt;
    };

    struct Snapshot {
        std::vector<Record> poz, nag;
        std::vector<ZalacznikRow> zalacznik;
    };
    auto snapshot = std::make_shared<Snapshot>();
    utility.onBegin = [this, snapshot] {
        snapshot->poz = data.fakeFile(HostFileId::DEKLARACJE_POZ).rows();
        snapshot->nag = data.fakeFile(HostFileId::DEKLARACJE_NAG).rows();
        snapshot->zalacznik = zalacznik;
    };
    utility.onRollback = [this, snapshot] {
        data.fakeFile(HostFileId::DEKLARACJE_POZ).mutableRows() = snapshot->poz;
        data.fakeFile(HostFileId::DEKLARACJE_NAG).mutableRows() = snapshot->nag;
        zalacznik = snapshot->zalacznik;
    };
}

std::vector<std::string> FakeHost::callNames() const {
    std::vector<std::string> names;
    for (const HostCall& call : log) names.push_back(call.what);
    return names;
}

}  // namespace citforms::testing
