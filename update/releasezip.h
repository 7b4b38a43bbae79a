#pragma once
// A release read straight from the zip DATASUS publishes (libzip): members
// found by their name whatever its case and whatever folder the zip puts
// them in, each read whole into memory and checked against its CRC, none
// larger than kMemberLimit unpacked.

#include "update/releasesource.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct zip;
struct zip_file;

namespace korvane {

class ZipSource : public ReleaseSource {
public:
    // More than any release file has ever needed; a member that claims or
    // turns out to hold more is refused rather than unpacked into memory.
    static constexpr std::uint64_t kMemberLimit = 200ull * 1024 * 1024;

    struct Member {
        std::string name;          // as the zip names it
        std::uint64_t size = 0;    // unpacked, as the zip says
        std::uint32_t crc = 0;
        std::int64_t mtime = 0;
        std::uint64_t index = 0;
        std::uint64_t packed = 0;   // its bytes in the zip
        bool deflated = false;      // deflated and not encrypted
        bool folder = false;
    };

    // Throws std::runtime_error when the file cannot be opened or is not a
    // zip whose directory holds together.
    explicit ZipSource(std::string path);
    ~ZipSource() override;
    ZipSource(const ZipSource&) = delete;
    ZipSource& operator=(const ZipSource&) = delete;

    std::string pathOf(std::string_view fileName) const override;
    bool contains(std::string_view fileName) const override;
    ReleaseFile read(std::string_view fileName) const override;
    Stamp stamp(std::string_view fileName) const override;
    // Unpacking costs several times what reading a file does.
    bool keepRead() const override { return true; }
    bool writtenOver() const override;
    std::int64_t modified(std::string_view fileName) const override;
    // Unpacks every member but those named into nothing, so that a damaged
    // one is found before a table is touched.
    void verify(const std::vector<std::string_view>& readLater = {}) const override;

    const std::vector<Member>& members() const { return members_; }
    std::uint64_t unpackedBytes() const;

private:
    const Member* find(std::string_view fileName) const;
    const Member& member(std::string_view fileName) const;
    [[noreturn]] void fail(const std::string& what) const;
    void checkSize(const Member& m) const;
    // Reads a member to its end through sink(bytes, n); throws when the
    // bytes do not match the CRC, or outgrow the size the zip gives.
    template <class Sink> void unpack(const Member& m, Sink&& sink) const;
    // Up to n bytes of the open member `f`, 0 at its end; a failure closes
    // it and throws.
    std::size_t readSome(zip_file* f, const Member& m, char* into, std::size_t n) const;
    // A deflated member unpacked whole into `out`, checked against its CRC;
    // false for a member stored otherwise, left to unpack().
    bool inflateWhole(const Member& m, std::string& out) const;

    zip* zip_ = nullptr;
    Stamp opened_;   // the zip file's size and modification time, in ns
    std::vector<Member> members_;
    std::multimap<std::string, std::size_t> byName_;   // lower-case base name
};

} // namespace korvane
