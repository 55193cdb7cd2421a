#pragma once
// What the reference host's libraries share: the database connection, the UI seam, and the
// state the host keeps once per thread (globals, error status, result files, record files).
//
//   HostState state(*db, ui);
//   state.setDefaults(globals);          // what each new thread's globals start from
//   state.thread().globals.DANE_ID_FIRMY = 2;   // this thread only
//
// A thread's state is made the first time the thread asks for it, with the default globals,
// and lives as long as the HostState. The database connection is shared: each statement runs
// under a lock, and a transaction keeps the lock from its begin to its commit or rollback, so
// another thread's statements never land inside it.
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "citforms/host/globals.h"
#include "citforms/host/managers.h"
#include "citforms/host/record_file.h"
#include "citforms/host/ui_seam.h"
#include "refhost/libraries/result_buffer.h"
#include "refhost/sql/database.h"

namespace refhost::libraries {

class TableFile;

// Error codes left in the error status.
inline constexpr int kErrorRecordNotAvailable = 33;  // read past the last record
inline constexpr int kErrorRecordNotFound = 35;      // no record with that key
inline constexpr int kErrorFileNotOpen = 37;
inline constexpr int kErrorBadKey = 40;    // unknown key or key values missing
inline constexpr int kErrorDatabase = 90;  // the engine refused the statement

struct ThreadState {
    ThreadState();
    ~ThreadState();

    citforms::host::Globals globals;
    citforms::host::ErrorStatus status;
    std::array<ResultBuffer, 5> results;
    std::map<citforms::host::HostFileId, std::unique_ptr<TableFile>> files;
    int transactionDepth = 0;
};

class HostState {
public:
    HostState(sql::HostDatabase& db, citforms::host::UiSeam& ui);
    ~HostState();
    HostState(const HostState&) = delete;
    HostState& operator=(const HostState&) = delete;

    citforms::host::UiSeam& ui() { return *ui_; }
    void setUi(citforms::host::UiSeam& ui) { ui_ = &ui; }

    // The loaded module's automation entry (a JSON request, its reply), for the host windows
    // that show what only the module's form data knows (the statement codes' roles); empty
    // until a module is bound. The host binding it unloads the module after its windows.
    using Automation = std::function<std::string(const std::string& requestJson)>;
    void setModuleAutomation(Automation automation) { automation_ = std::move(automation); }
    const Automation& moduleAutomation() const { return automation_; }

    // The calling thread's state.
    ThreadState& thread();
    citforms::host::ResultFile& result(citforms::host::ResultFileId id);
    citforms::host::RecordFile& file(citforms::host::HostFileId id);

    // The globals each new thread starts with; the calling thread takes them too (other
    // threads that already have theirs keep them).
    void setDefaults(const citforms::host::Globals& globals);
    citforms::host::Globals defaults() const;

    // Error manager attached to a host file; shared by every thread's instance of the file.
    void attachErrorManager(citforms::host::HostFileId id, citforms::host::ErrorManager* m);
    citforms::host::ErrorManager* errorManager(citforms::host::HostFileId id) const;

    // Statements on the shared connection, each under the connection's lock.
    sql::Result<sql::QueryResult> run(std::string_view hostSql);
    sql::Result<sql::QueryResult> runNative(std::string_view nativeSql,
                                            const std::vector<std::optional<std::string>>& params);
    // One row through HostDatabase::insertRow (gathered inside a transaction where the
    // engine makes that worthwhile).
    sql::Status insertRow(const sql::RowInsert& row);
    sql::Engine engine() const { return db_->engine(); }
    // Runs `work` on the connection under its lock: a host routine of several statements
    // that must not interleave with another thread's.
    template <typename F>
    auto withDatabase(F&& work) {
        std::lock_guard<std::recursive_mutex> lock(dbMutex_);
        return work(*db_);
    }

    // Transactions of the calling thread; nested calls join the outer one.
    sql::Status begin();
    sql::Status commit();
    void rollback();

    // Closes every thread's open record files (library shut-down).
    void closeAllFiles();

    // How many statements, transaction begins and commits the database refused so far, on
    // any thread. A caller that must not go on after any failure (a command-line action)
    // compares the count before and after.
    long failures() const { return failures_.load(); }
    // Counts a refusal of work done straight on the database (withDatabase) as one of them.
    void noteFailure(const std::string& text);
    // The engine's text of the first of them ("" when none failed).
    std::string firstFailure() const;
    // The engine's text of the latest of them (a caller that goes on after a failure, as a
    // batch over many companies does, names the one of its own step).
    std::string lastFailure() const;

    // Sets the calling thread's error status; text "" and code 0 clear it.
    void setStatus(int code, std::string text);
    void clearStatus() { setStatus(0, {}); }

private:
    template <typename R>
    R counted(R result);

    sql::HostDatabase* db_;
    std::atomic<long> failures_{0};
    std::string firstFailure_;  // guarded by threadsMutex_
    std::string lastFailure_;   // guarded by threadsMutex_
    citforms::host::UiSeam* ui_;
    Automation automation_;
    mutable std::mutex threadsMutex_;
    std::map<std::thread::id, std::unique_ptr<ThreadState>> threads_;
    citforms::host::Globals defaults_;
    std::recursive_mutex dbMutex_;
    std::array<std::atomic<citforms::host::ErrorManager*>, 13> managers_{};
};

}  // namespace refhost::libraries
