#pragma once
// Result<T>: a value or an error (its text and kind), for operations whose failure is
// expected (SQL errors, unreadable files, bad arguments, a locked declaration). The caller
// must look at it.
//
//   Result<int> r = parsePort(text);
//   if (!r) return Result<Config>::failure(r.error());
//   use(*r);
#include <string>
#include <utility>
#include <variant>

namespace citforms::values {

// What kind of failure an error is, for callers that answer each differently (a locked
// declaration is refused with its own message, a database error with the driver's text).
enum class ErrorKind {
    Failed,        // no more specific kind
    Locked,        // the declaration is locked against changes
    Database,      // the database refused a statement or a read
    NotFound,      // the declaration, header or record asked for does not exist
    InvalidInput,  // the caller's arguments or the stored data cannot be used
    Stale,         // someone else saved the declaration after it was read here
};

struct Error {
    std::string message;
    ErrorKind kind = ErrorKind::Failed;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit
    Result(Error error) : v_(std::in_place_index<1>, std::move(error)) {}  // NOLINT: implicit
    static Result failure(std::string message, ErrorKind kind = ErrorKind::Failed) {
        return Result(Error{std::move(message), kind});
    }

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T value_or(T fallback) const& { return ok() ? value() : std::move(fallback); }
    const std::string& error() const { return std::get<1>(v_).message; }
    ErrorKind errorKind() const { return std::get<1>(v_).kind; }

private:
    std::variant<T, Error> v_;
};

// Result of an operation with no value.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error error)  // NOLINT: implicit
        : failed_(true), message_(std::move(error.message)), kind_(error.kind) {}
    static Status failure(std::string message, ErrorKind kind = ErrorKind::Failed) {
        return Status(Error{std::move(message), kind});
    }
    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return message_; }
    ErrorKind errorKind() const { return kind_; }

private:
    bool failed_ = false;
    std::string message_;
    ErrorKind kind_ = ErrorKind::Failed;
};

}  // namespace citforms::values
