#pragma once
// Zips spoiled on purpose: a byte of a member flipped, the size a member
// claims rewritten in both its headers, a zip cut short.

#include "tools/releasegen.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace ktest::zips {

inline std::string bytesOf(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Flips one bit of the first byte of the first place the text occurs
// (a stored member's bytes are in the zip as they are).
inline void flipFirst(const std::filesystem::path& zip, const std::string& text)
{
    std::string bytes = bytesOf(zip);
    const std::size_t at = bytes.find(text);
    if (at == std::string::npos) throw std::logic_error("text not in the zip");
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
    writeBytes(zip, bytes);
}

// Rewrites the unpacked size the member claims, in its local header and in
// the central directory alike, so the zip still holds together.
inline void claimSize(const std::filesystem::path& zip, const std::string& member, std::uint32_t size)
{
    std::string bytes = bytesOf(zip);
    auto put = [&](std::size_t at) { std::memcpy(&bytes[at], &size, 4); };   // little-endian, as zip is
    int patched = 0;
    for (std::size_t at = 0; at + 46 <= bytes.size(); ++at) {
        std::uint16_t nameLength = 0;
        if (bytes.compare(at, 4, "PK\x03\x04") == 0) {
            std::memcpy(&nameLength, &bytes[at + 26], 2);
            if (bytes.compare(at + 30, nameLength, member) == 0 && nameLength == member.size()) {
                put(at + 22);
                ++patched;
            }
        } else if (bytes.compare(at, 4, "PK\x01\x02") == 0) {
            std::memcpy(&nameLength, &bytes[at + 28], 2);
            if (bytes.compare(at + 46, nameLength, member) == 0 && nameLength == member.size()) {
                put(at + 24);
                ++patched;
            }
        }
    }
    if (patched != 2) throw std::logic_error("member headers not found");
    writeBytes(zip, bytes);
}

inline const korvane::ZipMember& member(const std::vector<korvane::ZipMember>& members, const std::string& name)
{
    for (const korvane::ZipMember& m : members)
        if (m.name == name) return m;
    throw std::logic_error("no member " + name);
}

inline std::vector<korvane::ZipMember> without(std::vector<korvane::ZipMember> members, const std::string& name)
{
    std::erase_if(members, [&](const korvane::ZipMember& m) { return m.name == name; });
    return members;
}

} // namespace ktest::zips
