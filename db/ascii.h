#pragma once
// Capitals of the 26 ASCII letters only: the engine forms the same for these
// bytes whatever the character set, and the C library's would follow the
// process locale (and change the accented bytes of Windows-1252 text).

#include <string>
#include <string_view>

namespace kdb {

constexpr char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

inline std::string upperAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = upperAscii(c);
    return r;
}

} // namespace kdb
