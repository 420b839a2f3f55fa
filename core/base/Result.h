#pragma once
// Errors as values. A failure carries what went wrong (a small code), the
// operation that failed and a short context such as a path, so a controller
// can turn it into one status line without knowing where it came from.

#include <cassert>
#include <cerrno>
#include <string>
#include <utility>
#include <variant>

namespace corvane {

struct Error {
    enum class Code {
        Io,
        NotFound,
        PermissionDenied,
        Malformed,
        TooLarge,
        TimedOut,
        Cancelled,
        Unavailable,
        Invalid,
    };

    Code code = Code::Io;
    std::string operation;  // "rename", "parse alerts.json"
    std::string context;    // a path or a short detail
    int systemError = 0;    // errno when the failure came from the system

    static Error make(Code code, std::string operation, std::string context = {});
    // Maps the common errno values to codes; keeps errno for the message.
    static Error fromErrno(std::string operation, std::string context, int err = errno);

    // "rename /path: Permission denied", or "parse alerts.json: malformed".
    std::string message() const;

    bool operator==(const Error&) const = default;
};

const char* codeName(Error::Code code);

// Wrapper that marks a value as the failure side of a Result.
struct Failure {
    Error error;
};
inline Failure fail(Error error) { return Failure{std::move(error)}; }

// An expected-style result: either a T or an Error.
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { assert(ok()); return std::get<0>(state_); }
    const T& value() const& { assert(ok()); return std::get<0>(state_); }
    T&& value() && { assert(ok()); return std::get<0>(std::move(state_)); }
    T valueOr(T fallback) const& { return ok() ? std::get<0>(state_) : std::move(fallback); }

    const Error& error() const { assert(!ok()); return std::get<1>(state_); }

    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

private:
    std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : error_(std::move(failure.error)), failed_(true) {}

    bool ok() const { return !failed_; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { assert(failed_); return error_; }

private:
    Error error_;
    bool failed_ = false;
};

}  // namespace corvane
