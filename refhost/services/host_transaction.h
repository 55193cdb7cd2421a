#pragma once
// One transaction of the host around a whole operation on the database (a command of the
// command line, an action of the desktop): it commits only when the operation succeeded and
// no statement failed since it began (failed statements before it, a batch's earlier
// companies, do not hold it back); anything else rolls back every write.
//
//   HostTransaction transaction(host);
//   if (!transaction.open()) return Status::failure(transaction.error());
//   ...
//   if (!transaction.finish(true)) return Status::failure(failureText(host));
#include <string>

#include "refhost/libraries/reference_host.h"
#include "refhost/sql/database.h"

namespace refhost::services {

// Why the operation's statements failed: the latest failure of the process (a commit that
// failed sets no statement's error status), never an empty text.
inline std::string failureText(libraries::ReferenceHost& host) {
    std::string text = host.state().lastFailure();
    if (text.empty()) text = host.utility().fileErrorText();
    return text.empty() ? std::string(sql::kConnectionLost) : text;
}

class HostTransaction {
public:
    explicit HostTransaction(libraries::ReferenceHost& host, long failuresBefore = 0)
        : host_(host), failuresBefore_(failuresBefore) {
        const auto begun = host_.state().begin();
        open_ = static_cast<bool>(begun);
        if (!open_) error_ = begun.error();
    }
    ~HostTransaction() {
        if (open_) host_.state().rollback();
    }
    HostTransaction(const HostTransaction&) = delete;
    HostTransaction& operator=(const HostTransaction&) = delete;

    bool open() const { return open_; }
    // Why the transaction could not begin (the engine's text).
    const std::string& error() const { return error_; }
    bool clean() const { return host_.state().failures() == failuresBefore_; }
    // Commits when clean; otherwise (or when the commit fails) nothing of it stays.
    bool finish(bool succeeded) {
        if (!open_) return false;
        open_ = false;
        if (!succeeded || !clean()) {
            host_.state().rollback();
            return false;
        }
        return static_cast<bool>(host_.state().commit());
    }

private:
    libraries::ReferenceHost& host_;
    long failuresBefore_ = 0;
    bool open_ = false;
    std::string error_;
};

}  // namespace refhost::services
