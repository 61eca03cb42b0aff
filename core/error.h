#pragma once

#include <expected>
#include <string>
#include <utility>

namespace clickwisp {

// An error a user can act on: the message names what is wrong (file, item,
// attribute, value), e.g. "item 3: attribute delay: 'abc' is not an integer".
struct Error {
    std::string message;
};

template <typename T> using Result = std::expected<T, Error>;

inline std::unexpected<Error> fail(std::string message)
{
    return std::unexpected<Error>(Error { std::move(message) });
}

} // namespace clickwisp
