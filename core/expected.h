#pragma once

#include <string>
#include <utility>
#include <variant>

namespace cvcfg {

// A value or the message that says why there is none. Errors in this program
// are meant for the operator, so the message is the whole error.
template <typename T> class Expected {
public:
    Expected(T value) : m_state(std::in_place_index<0>, std::move(value)) {}

    static Expected failure(std::string message) {
        return Expected(std::in_place_index<1>, std::move(message));
    }

    [[nodiscard]] bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    [[nodiscard]] const T& value() const& { return std::get<0>(m_state); }
    [[nodiscard]] T& value() & { return std::get<0>(m_state); }
    [[nodiscard]] T&& value() && { return std::get<0>(std::move(m_state)); }
    const T& operator*() const& { return value(); }
    T& operator*() & { return value(); }
    const T* operator->() const { return &value(); }

    [[nodiscard]] const std::string& error() const { return std::get<1>(m_state); }

private:
    template <std::size_t I, typename Arg>
    Expected(std::in_place_index_t<I> index, Arg&& arg) : m_state(index, std::forward<Arg>(arg)) {}

    std::variant<T, std::string> m_state;
};

// An operation that yields nothing but may fail: an empty message is success.
struct Status {
    std::string error;

    static Status success() { return {}; }
    static Status failure(std::string message) { return {std::move(message)}; }
    [[nodiscard]] bool ok() const { return error.empty(); }
    explicit operator bool() const { return ok(); }
};

} // namespace cvcfg
