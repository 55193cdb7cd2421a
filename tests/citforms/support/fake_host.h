#pragma once
// FakeHost: every host library the module calls, in memory, recording what the module does.
//
// - Calls of INIT, KILL and attachErrorManager go to one ordered call log, with the manager
//   pointers they received.
// - Record files keep rows in memory and honour their named keys: DEKLARACJE_POZ is ordered by
//   (ID_DEKLARACJE_NAG, NR_ZALACZNIKA, NR_POLA) with NR_POLA compared as text, DEKLARACJE_NAG by
//   its id. Rows may be added in any order.
// - SQL statements answer from a script keyed by the exact statement text; a statement that is
//   not scripted fails like an SQL error (so a wrong text shows up as a failure). Every
//   statement run is recorded with its result file.
// - Messages (MSG_INF, MSG_OST, MSG_WYKONAJ) and the UI seam's message boxes and busy cursor
//   are recorded; questions answer from queues.
// - emulateDeclarationTables() makes the host behave like a database for the saves: the
//   deletes of DEKLARACJE_POZ / DEKLARACJE_NAG rows act on the record files, the ORD-ZU
//   inserts and deletes act on `zalacznik`, and a transaction is undone by a rollback.
//
//   FakeHost host;
//   host.addPoz(17, 0, "31", "125.50");
//   host.utility.script("select ...", {{"73"}});
//   state.bindHost(host.binding());
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "citforms/host/binding.h"
#include "citforms/host/page_list.h"

namespace citforms::testing {

using Rows = std::vector<std::vector<std::string>>;

struct HostCall {
    std::string what;              // "utility.INIT", "data.KILL", "attach DEKLARACJE_POZ", ...
    const void* first = nullptr;   // INIT: error manager; attach: the manager attached
    const void* second = nullptr;  // INIT: INI manager
};

struct HostMessage {
    std::string kind;  // "MSG_INF", "MSG_OST", "MSG_WYKONAJ"
    std::string text;
};

struct Statement {
    host::ResultFileId file;
    std::string text;
};

class FakeResultFile : public host::ResultFile {
public:
    explicit FakeResultFile(host::ResultFileId id) : id_(id) {}
    // Replaces the rows; columns are cut to the file's widths as the host's files do.
    void fill(const Rows& rows);
    bool next(host::ResultRow& row) override;
    std::size_t rowCount() const override { return rows_.size(); }

private:
    host::ResultFileId id_;
    std::vector<host::ResultRow> rows_;
    std::size_t position_ = 0;
};

struct KeyColumn {
    std::string name;
    bool numeric = false;
};

class FakeRecordFile : public host::RecordFile {
public:
    FakeRecordFile(std::string name, host::ErrorStatus& status);

    // Declares a named key; the first declared key is the primary key used by update().
    void defineKey(std::string key, std::vector<KeyColumn> columns);
    // Test data: added without checks.
    void add(host::Record record) { rows_.push_back(std::move(record)); }
    const std::vector<host::Record>& rows() const { return rows_; }

    // Failure injection: open() fails; next() fails after `reads` successful reads; insert()
    // fails once `failInsertsAfter` inserts have succeeded; update() fails.
    bool failOpen = false;
    int failReadsAfter = -1;
    int failInsertsAfter = -1;
    bool failUpdate = false;
    int inserts = 0;

    // The rows as they stand, for snapshots and for the emulated SQL deletes.
    std::vector<host::Record>& mutableRows() { return rows_; }

    int openCount = 0;
    int closeCount = 0;
    host::ErrorManager* attachedManager = nullptr;

    bool open() override;
    void close() override;
    bool fetch(std::string_view key, const host::Record& keyValues, host::Record& out) override;
    bool set(std::string_view key, const host::Record& keyValues) override;
    bool next(host::Record& out) override;
    bool insert(const host::Record& record) override;
    bool update(const host::Record& record) override;
    void attachErrorManager(host::ErrorManager* manager) override { attachedManager = manager; }

private:
    const std::vector<KeyColumn>* keyColumns(std::string_view key);
    void fail(std::string text);

    std::string name_;
    host::ErrorStatus& status_;
    std::vector<std::pair<std::string, std::vector<KeyColumn>>> keys_;
    std::vector<host::Record> rows_;
    std::vector<host::Record> cursor_;  // rows from the position of the last set(), in key order
    std::size_t cursorAt_ = 0;
    int reads_ = 0;
};

class FakeUtility : public host::UtilityLibrary {
public:
    FakeUtility(std::vector<HostCall>& log,
                std::map<host::ResultFileId, std::unique_ptr<FakeResultFile>>& results);

    void script(const std::string& statement, Rows rows) { scripts_[statement] = std::move(rows); }
    void scriptFailure(const std::string& statement, std::string errorText) {
        failures_[statement] = std::move(errorText);
    }

    // Answers a statement that no script names; nullopt leaves it unscripted (a failure).
    // FUNCVAY asks it too.
    struct Answer {
        bool ok = true;
        Rows rows;
        std::string error;
    };
    std::function<std::optional<Answer>(const std::string&)> handler;

    // Transactions nest; a rollback at any depth undoes the whole one, and the commits still
    // open then fail. The hooks run at the outermost begin and when the work is undone.
    std::function<void()> onBegin;
    std::function<void()> onRollback;
    bool failBegin = false;
    bool failCommit = false;
    int transactionDepth = 0;

    std::vector<Statement> statements;
    std::vector<HostMessage> messages;
    // Texts of the messages of one kind ("MSG_OST", "MSG_INF"), in order.
    std::vector<std::string> messagesOf(const std::string& kind) const {
        std::vector<std::string> out;
        for (const HostMessage& m : messages) {
            if (m.kind == kind) out.push_back(m.text);
        }
        return out;
    }
    std::deque<std::uint8_t> wykonajAnswers;  // MSG_WYKONAJ answers; 1 when empty
    std::vector<std::string> logEntries;      // "id|text|category|operation"
    int transactionsBegun = 0, commits = 0, rollbacks = 0;
    int infoZestawienie = 0;  // INFO_ZESTAWIENIE calls
    host::ErrorStatus status;

    void INIT(host::ErrorManager* errorManager, host::IniManager* iniManager) override;
    void KILL() override;
    bool execInto(host::ResultFileId file, std::string_view statement) override;
    std::string FUNCVAY(std::string_view query) override;
    host::ErrorStatus& errorStatus() override { return status; }
    bool beginTransaction() override;
    bool commitTransaction() override;
    void rollbackTransaction() override;
    void MSG_INF(std::string_view text) override;
    void MSG_OST(std::string_view text) override;
    std::uint8_t MSG_WYKONAJ(std::string_view title, std::string_view text,
                             std::optional<std::uint8_t> defaultNo) override;
    void LOG_ADD(std::int32_t declarationId, std::string_view text, std::string_view category,
                 std::string_view operation) override;
    std::string FORMATDATA(std::int32_t day) override;
    std::string NAZWA_MIESIACA(std::int32_t month, std::int32_t year) override;
    std::string GET_NAZWA_ADRES_URZEDU(std::uint8_t mode, std::int32_t officeId) override;
    void INFO_ZESTAWIENIE(std::uint8_t mode) override;
    std::string TYLKO_CYFRY(std::string_view text) override;
    std::string ZAMIEN_ZNAK(std::string_view from, std::string_view to,
                            std::string_view text) override;
    std::string STR_REPLICATE(std::string_view character, std::int32_t count) override;
    std::string KALENDARZ(std::int32_t x, std::int32_t y, std::string_view date) override;
    std::uint8_t MAKSYMALIZUJ() override { return maximise; }
    void MAKSYMALIZACJAOFF() override { log_.push_back({"utility.MAKSYMALIZACJAOFF"}); }
    void SELECT_KEYBOARD(std::string_view) override {}
    void SELECT_MOUSELEFT(std::string_view) override {}
    void STRSTYLTOOLBAR(std::int32_t, std::optional<std::uint8_t>, std::optional<std::uint8_t>,
                        std::optional<std::uint8_t>) override {}

    std::uint8_t maximise = 0;
    std::map<std::int32_t, std::string> offices;  // GET_NAZWA_ADRES_URZEDU answers
    std::string calendarAnswer;                   // KALENDARZ answer; the date when empty

private:
    std::vector<HostCall>& log_;
    std::map<host::ResultFileId, std::unique_ptr<FakeResultFile>>& results_;
    std::map<std::string, Rows> scripts_;
    std::map<std::string, std::string> failures_;
    bool aborted_ = false;
};

class FakeData : public host::DataLibrary {
public:
    FakeData(std::vector<HostCall>& log, host::ErrorStatus& status,
             std::map<host::ResultFileId, std::unique_ptr<FakeResultFile>>& results);

    host::Globals globalValues;
    FakeRecordFile& fakeFile(host::HostFileId id) { return *files_.at(id); }

    void INIT(host::ErrorManager* errorManager, host::IniManager* iniManager) override;
    void KILL() override;
    host::Globals& globals() override { return globalValues; }
    host::RecordFile& file(host::HostFileId id) override { return *files_.at(id); }
    host::ResultFile& result(host::ResultFileId id) override { return *results_.at(id); }
    void attachErrorManager(host::HostFileId id, host::ErrorManager* manager) override;

private:
    std::vector<HostCall>& log_;
    std::map<host::HostFileId, std::unique_ptr<FakeRecordFile>> files_;
    std::map<host::ResultFileId, std::unique_ptr<FakeResultFile>>& results_;
};

class FakeDeclarations : public host::DeclarationsLibrary {
public:
    explicit FakeDeclarations(std::vector<HostCall>& log) : log_(log) {}
    void INIT(host::ErrorManager* e, host::IniManager* i) override {
        log_.push_back({"declarations.INIT", e, i});
    }
    void KILL() override { log_.push_back({"declarations.KILL"}); }
    std::uint8_t PARAM_PRN_DEKLAR(std::string_view formName) override {
        log_.push_back({"declarations.PARAM_PRN_DEKLAR " + std::string(formName)});
        return printAnswer;
    }
    void SKLADNIKI_ODLICZENIE(std::string_view a, std::string_view b, std::string_view c) override {
        log_.push_back({"declarations.SKLADNIKI_ODLICZENIE " + std::string(a) + "|" +
                        std::string(b) + "|" + std::string(c)});
    }
    std::uint8_t printAnswer = 1;

private:
    std::vector<HostCall>& log_;
};

class FakeSettlements : public host::SettlementsLibrary {
public:
    explicit FakeSettlements(std::vector<HostCall>& log) : log_(log) {}
    void INIT(host::ErrorManager* e, host::IniManager* i) override {
        log_.push_back({"settlements.INIT", e, i});
    }
    void KILL() override { log_.push_back({"settlements.KILL"}); }
    void UP_PRZELEW(std::uint8_t mode, std::int32_t transfer, std::int32_t id) override {
        log_.push_back({"settlements.UP_PRZELEW " + std::to_string(mode) + "|" +
                        std::to_string(transfer) + "|" + std::to_string(id)});
    }

private:
    std::vector<HostCall>& log_;
};

class FakePrint : public host::PrintLibrary {
public:
    explicit FakePrint(std::vector<HostCall>& log) : log_(log) {}
    void INIT(host::ErrorManager* e, host::IniManager* i) override {
        log_.push_back({"print.INIT", e, i});
    }
    void KILL() override { log_.push_back({"print.KILL"}); }
    std::int32_t MAKEPDF(std::uint8_t mode, std::string_view fileName,
                         host::PageList* pages) override {
        log_.push_back(
            {"print.MAKEPDF " + std::to_string(mode) + "|" + std::string(fileName), pages});
        if (mode == 0 && pages != nullptr) startTitle = pages->documentTitle();
        if (mode == 1 && pages != nullptr) {
            appended.insert(appended.end(), pages->pages().begin(), pages->pages().end());
        }
        return mode == 0 ? startResult : pdfResult;
    }
    std::int32_t MAKEPDFANDSEND(host::PageList* pages) override {
        log_.push_back({"print.MAKEPDFANDSEND", pages});
        if (pages != nullptr) {
            sent.insert(sent.end(), pages->pages().begin(), pages->pages().end());
            sentTitle = pages->documentTitle();
        }
        return pdfResult;
    }
    std::int32_t startResult = 0;  // MAKEPDF mode 0
    std::int32_t pdfResult = 0;    // the other modes and MAKEPDFANDSEND
    std::vector<print::PageContent> appended;  // pages of MAKEPDF mode 1, in order
    std::vector<print::PageContent> sent;      // pages of MAKEPDFANDSEND
    std::string startTitle, sentTitle;         // the document's name given with the pages

private:
    std::vector<HostCall>& log_;
};

class FakeStatements : public host::StatementsLibrary {
public:
    explicit FakeStatements(std::vector<HostCall>& log) : log_(log) {}
    void INIT(host::ErrorManager* e, host::IniManager* i) override {
        log_.push_back({"statements.INIT", e, i});
    }
    void KILL() override { log_.push_back({"statements.KILL"}); }
    void DEF_ZESTAW_NEW(std::int32_t id, std::string_view kind, std::string_view code,
                        std::string_view caption) override {
        log_.push_back({"statements.DEF_ZESTAW_NEW " + std::to_string(id) + "|" +
                        std::string(kind) + "|" + std::string(code) + "|" + std::string(caption)});
    }
    values::Result<std::vector<host::AccountFeed>> ZESTAWIENIE_DD_KONTA(
        std::int32_t company, std::int32_t from, std::int32_t to, std::int32_t id) override {
        log_.push_back({"statements.ZESTAWIENIE_DD_KONTA " + std::to_string(company) + "|" +
                        std::to_string(from) + "|" + std::to_string(to) + "|" +
                        std::to_string(id)});
        return feeds;
    }
    values::Result<host::StatementSources> ZESTAWIENIE_DD_ZRODLA(
        std::int32_t company, std::int32_t from, std::int32_t to, std::int32_t id,
        std::string_view code, const host::PostingPage* page) override {
        log_.push_back({"statements.ZESTAWIENIE_DD_ZRODLA " + std::to_string(company) + "|" +
                        std::to_string(from) + "|" + std::to_string(to) + "|" +
                        std::to_string(id) + "|" + std::string(code) + "|" +
                        (page != nullptr ? page->account : "-")});
        host::StatementSources s = sources;
        s.code = std::string(code);
        return s;
    }
    std::vector<host::AccountFeed> feeds;  // what ZESTAWIENIE_DD_KONTA answers
    host::StatementSources sources;        // what ZESTAWIENIE_DD_ZRODLA answers

private:
    std::vector<HostCall>& log_;
};

class FakeContractor : public host::ContractorLibrary {
public:
    explicit FakeContractor(std::vector<HostCall>& log) : log_(log) {}
    void INIT(host::ErrorManager* e, host::IniManager* i) override {
        log_.push_back({"contractor.INIT", e, i});
    }
    void KILL() override { log_.push_back({"contractor.KILL"}); }
    std::uint8_t FIRMA_ODDZIAL(std::uint8_t mode, std::int32_t company) override {
        log_.push_back(
            {"contractor.FIRMA_ODDZIAL " + std::to_string(mode) + "|" + std::to_string(company)});
        return branchAnswer;
    }
    std::uint8_t branchAnswer = 1;

private:
    std::vector<HostCall>& log_;
};

class FakeUi : public host::UiSeam {
public:
    int message(const host::MessageRequest& request) override;
    void setBusy(bool busy) override;

    std::vector<host::MessageRequest> messages;
    std::deque<int> answers;  // button numbers; 1 when empty
    std::vector<bool> busyCalls;
    int busyDepth = 0;
};

class FakeHost {
public:
    FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    host::HostBinding binding();

    // Adds one DEKLARACJE_POZ row (test data).
    void addPoz(std::int32_t id, std::int32_t sheet, const std::string& nrPola,
                const std::string& value);
    // Adds a DEKLARACJE_NAG row with the given id and BLOKADA (test data).
    void addHeader(std::int32_t id, const std::string& blokada = "");
    // DEKLARACJE_POZ rows of one declaration and sheet (all sheets when `sheet` < 0).
    std::vector<host::Record> pozRows(std::int32_t id, std::int32_t sheet = -1);

    // One row of DEKLARACJE_ZALACZNIK as the emulation keeps it.
    struct ZalacznikRow {
        std::int32_t id = 0;
        std::string nrPola;
        std::string value;
        std::string typ;
    };
    std::vector<ZalacznikRow> zalacznik;
    // See the overview: deletes and ORD-ZU inserts act on the rows, rollbacks undo them.
    void emulateDeclarationTables();
    // Names of the logged calls, in order.
    std::vector<std::string> callNames() const;

    std::vector<HostCall> log;
    std::map<host::ResultFileId, std::unique_ptr<FakeResultFile>> results;
    FakeUtility utility;
    FakeData data;
    FakeDeclarations declarations;
    FakeSettlements settlements;
    FakePrint print;
    FakeStatements statements;
    FakeContractor contractor;
    FakeUi ui;
};

}  // namespace citforms::testing
