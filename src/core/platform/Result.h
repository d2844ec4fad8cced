// Result<T>: a value or an error message; failures cross layers as values, never as exceptions.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace morvelan {

struct Error {
    std::string message;
    // What was asked for does not exist ("no such file"), as opposed to failing to read it.
    bool notFound = false;
};

template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::move(value)) {}
    Result(Error error) : v_(std::move(error)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(v_); }
    const T& value() const { return std::get<0>(v_); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)), ok_(false) {}

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const Error& error() const { return error_; }

private:
    Error error_;
    bool ok_ = true;
};

inline Result<void> success() {
    return {};
}
inline Error failure(std::string message) {
    return Error{std::move(message)};
}

} // namespace morvelan
