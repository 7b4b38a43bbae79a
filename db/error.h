#pragma once

#include <stdexcept>
#include <string>

namespace kdb {

// The one exception type of the database layer. For engine failures the
// message is the engine's own text, lines joined by '\n'.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

} // namespace kdb
