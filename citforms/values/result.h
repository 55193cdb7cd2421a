#pragma once
// Result<T>: a value or an error text, for operations whose failure is expected (SQL errors,
// unreadable files, bad arguments). The caller must look at it.
//
//   Result<int> r = parsePort(text);
//   if (!r) return Result<Config>::failure(r.error());
//   use(*r);
#include <string>
#include <utility>
#include <variant>

namespace citforms::values {

struct Error {
    std::string message;
};

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}  // NOLINT: implicit
    Result(Error error) : v_(std::in_place_index<1>, std::move(error)) {}  // NOLINT: implicit
    static Result failure(std::string message) { return Result(Error{std::move(message)}); }

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const std::string& error() const { return std::get<1>(v_).message; }

private:
    std::variant<T, Error> v_;
};

// Result of an operation with no value.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(Error error) : failed_(true), message_(std::move(error.message)) {}  // NOLINT
    static Status failure(std::string message) { return Status(Error{std::move(message)}); }
    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return message_; }

private:
    bool failed_ = false;
    std::string message_;
};

}  // namespace citforms::values
