#pragma once
// Zips spoiled on purpose: a byte of a member flipped, the size or CRC a
// member claims rewritten in both its headers, a deflated member's data
// made undecodable, a zip cut short.

#include "tools/releasegen.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
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

// Each header of the member: its local header's offset and, apart, its
// entry's in the central directory.
inline std::vector<std::pair<std::size_t, bool>> headersOf(const std::string& bytes, const std::string& member)
{
    std::vector<std::pair<std::size_t, bool>> out;
    for (std::size_t at = 0; at + 46 <= bytes.size(); ++at) {
        std::uint16_t nameLength = 0;
        const bool local = bytes.compare(at, 4, "PK\x03\x04") == 0, central = bytes.compare(at, 4, "PK\x01\x02") == 0;
        if (!local && !central) continue;
        std::memcpy(&nameLength, &bytes[at + (local ? 26 : 28)], 2);
        if (nameLength == member.size() && bytes.compare(at + (local ? 30 : 46), nameLength, member) == 0)
            out.emplace_back(at, local);
    }
    if (out.size() != 2) throw std::logic_error("member headers not found");
    return out;
}

// Rewrites a 4-byte field the member's headers both hold, at its offset in
// the local header and in the central directory's entry, so the zip still
// holds together.
inline void rewriteBoth(const std::filesystem::path& zip, const std::string& member, std::size_t local,
                        std::size_t central, std::uint32_t value)
{
    std::string bytes = bytesOf(zip);
    for (const auto& [at, isLocal] : headersOf(bytes, member))
        std::memcpy(&bytes[at + (isLocal ? local : central)], &value, 4);
    writeBytes(zip, bytes);
}

// The unpacked size the member claims.
inline void claimSize(const std::filesystem::path& zip, const std::string& member, std::uint32_t size)
{
    rewriteBoth(zip, member, 22, 24, size);
}

// The CRC the member claims.
inline void claimCrc(const std::filesystem::path& zip, const std::string& member, std::uint32_t crc)
{
    rewriteBoth(zip, member, 14, 16, crc);
}

// Makes the first byte of a deflated member's data a block of the kind
// deflate reserves, which no decompressor takes.
inline void spoilDeflated(const std::filesystem::path& zip, const std::string& member)
{
    std::string bytes = bytesOf(zip);
    for (const auto& [at, local] : headersOf(bytes, member)) {
        if (!local) continue;
        std::uint16_t nameLength = 0, extraLength = 0, method = 0;
        std::memcpy(&method, &bytes[at + 8], 2);
        if (method != 8) throw std::logic_error("member not deflated");
        std::memcpy(&nameLength, &bytes[at + 26], 2);
        std::memcpy(&extraLength, &bytes[at + 28], 2);
        bytes[at + 30 + nameLength + extraLength] = static_cast<char>(0xff);
    }
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
