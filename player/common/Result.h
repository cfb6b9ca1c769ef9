#pragma once
// Results instead of exceptions: a value or an error with the number and
// description the old runtime would have reported for the same failure.

#include <string>
#include <utility>
#include <variant>

namespace parvel {

struct Error {
    int number = 0;
    std::string description;
};

// Error numbers the game scripts' original runtime used; kept because the
// player shows them in its failure messages.
namespace err {
inline constexpr int InvalidCall = 5;
inline constexpr int OutOfMemory = 7;
inline constexpr int Overflow = 6;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int FileNotFound = 53;
inline constexpr int BadFileName = 52;
inline constexpr int PathNotFound = 76;
inline constexpr int BadRecordNumber = 63;
inline constexpr int InvalidPicture = 481;
}  // namespace err

Error makeError(int number);

template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_v(std::move(value)) {}
    Result(Error e) : m_v(std::move(e)) {}

    bool ok() const { return m_v.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(m_v); }
    const T& value() const { return std::get<0>(m_v); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(m_v); }
    T valueOr(T fallback) const { return ok() ? value() : std::move(fallback); }

private:
    std::variant<T, Error> m_v;
};

// For operations with no value.
struct Ok {};
using Status = Result<Ok>;

}  // namespace parvel
