#include "refhost/libraries/host_state.h"

#include "refhost/libraries/table_file.h"

namespace refhost::libraries {

using citforms::host::HostFileId;
using citforms::host::ResultFileId;

ThreadState::ThreadState()
    : results{ResultBuffer(ResultFileId::ZAPYTANIESQL), ResultBuffer(ResultFileId::ZAPYTANIESQL1),
              ResultBuffer(ResultFileId::VAX_FK), ResultBuffer(ResultFileId::VAY_FK),
              ResultBuffer(ResultFileId::VAZ_FK)} {}

ThreadState::~ThreadState() = default;

HostState::HostState(sql::HostDatabase& db, citforms::host::UiSeam& ui) : db_(&db), ui_(&ui) {
    for (auto& m : managers_) m.store(nullptr);
}

HostState::~HostState() = default;

ThreadState& HostState::thread() {
    std::lock_guard lock(threadsMutex_);
    auto& slot = threads_[std::this_thread::get_id()];
    if (!slot) {
        slot = std::make_unique<ThreadState>();
        slot->globals = defaults_;
    }
    return *slot;
}

citforms::host::ResultFile& HostState::result(ResultFileId id) {
    return thread().results[static_cast<std::size_t>(id)];
}

citforms::host::RecordFile& HostState::file(HostFileId id) {
    ThreadState& state = thread();
    auto& slot = state.files[id];
    if (!slot) slot = std::make_unique<TableFile>(*this, id);
    return *slot;
}

void HostState::setDefaults(const citforms::host::Globals& globals) {
    {
        std::lock_guard lock(threadsMutex_);
        defaults_ = globals;
    }
    thread().globals = globals;
}

citforms::host::Globals HostState::defaults() const {
    std::lock_guard lock(threadsMutex_);
    return defaults_;
}

void HostState::attachErrorManager(HostFileId id, citforms::host::ErrorManager* m) {
    managers_[static_cast<std::size_t>(id)].store(m);
}

citforms::host::ErrorManager* HostState::errorManager(HostFileId id) const {
    return managers_[static_cast<std::size_t>(id)].load();
}

template <typename R>
R HostState::counted(R result) {
    if (!result) noteFailure(result.error());
    return result;
}

void HostState::noteFailure(const std::string& text) {
    const bool first = failures_.fetch_add(1) == 0;
    std::lock_guard lock(threadsMutex_);
    if (first) firstFailure_ = text;
    lastFailure_ = text;
}

std::string HostState::firstFailure() const {
    std::lock_guard lock(threadsMutex_);
    return firstFailure_;
}

std::string HostState::lastFailure() const {
    std::lock_guard lock(threadsMutex_);
    return lastFailure_;
}

sql::Result<sql::QueryResult> HostState::run(std::string_view hostSql) {
    std::lock_guard lock(dbMutex_);
    return counted(db_->run(hostSql));
}

sql::Result<sql::QueryResult> HostState::runNative(
    std::string_view nativeSql, const std::vector<std::optional<std::string>>& params) {
    std::lock_guard lock(dbMutex_);
    return counted(db_->runNative(nativeSql, params));
}

sql::Status HostState::insertRow(const sql::RowInsert& row) {
    std::lock_guard lock(dbMutex_);
    return counted(db_->insertRow(row));
}

sql::Status HostState::begin() {
    dbMutex_.lock();  // held until the matching commit or rollback
    sql::Status status = counted(db_->begin());
    if (!status) {
        dbMutex_.unlock();
        return status;
    }
    ++thread().transactionDepth;
    return status;
}

sql::Status HostState::commit() {
    ThreadState& state = thread();
    if (state.transactionDepth == 0) return sql::Status::failure("no transaction to commit");
    sql::Status status = counted(db_->commit());
    --state.transactionDepth;
    dbMutex_.unlock();
    return status;
}

void HostState::rollback() {
    ThreadState& state = thread();
    if (state.transactionDepth == 0) return;
    db_->rollback();
    --state.transactionDepth;
    dbMutex_.unlock();
}

void HostState::closeAllFiles() {
    std::lock_guard lock(threadsMutex_);
    for (auto& [id, state] : threads_) {
        for (auto& [fileId, file] : state->files) file->closeAll();
    }
}

void HostState::setStatus(int code, std::string text) {
    ThreadState& state = thread();
    state.status.code = code;
    state.status.text = std::move(text);
}

}  // namespace refhost::libraries
