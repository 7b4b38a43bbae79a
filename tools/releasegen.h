#pragma once
// Synthetic SIGTAP releases for tests and benchmarks:
// deterministic from a seed, at any scale (1 is about a real release), in
// the fixed layout or the 2025 one, with or without layout files.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace korvane {

struct ReleaseOptions {
    enum class Layout { Fixed, Y2025 };

    std::uint64_t seed = 1;
    double scale = 1.0;
    Layout layout = Layout::Fixed;
    bool layoutFiles = false;
    std::string competencia = "202501";   // AAAAMM written in every competência field
    // The fifteen files later releases carry (TUSS, RENASES, networks,
    // origins, conditioned rules, compatibility exceptions, SIA/SIH codes,
    // rubricas, detail texts); without them the release is an older one's.
    bool laterFiles = false;
};

struct ReleaseSummary {
    std::map<std::string, std::size_t> lines;   // per file name, every one written
    std::size_t bytes = 0;                      // all files written
};

// Writes the 24 release files, tb_cid.txt and tb_financiamento.txt, the
// later files when asked (and their layout files when asked) into folder, which is created if needed.
// Windows-1252 bytes, CRLF line ends. Throws std::runtime_error on a write
// failure.
ReleaseSummary generateRelease(const std::string& folder, const ReleaseOptions& options);

// One member of a zip to write.
struct ZipMember {
    std::string name;
    std::string bytes;
    bool stored = false;      // kept as it is rather than deflated
    std::int64_t mtime = 0;   // seconds since the epoch; 0 for now
};

// The files of a folder as members, by name, with their times.
std::vector<ZipMember> folderMembers(const std::string& folder);
// Writes a new zip at zipPath. Throws std::runtime_error.
void writeZip(const std::string& zipPath, const std::vector<ZipMember>& members);
// Packs every file of folder into a new zip at zipPath, deflated, at its
// top level, as DATASUS publishes a release.
void packRelease(const std::string& folder, const std::string& zipPath);

} // namespace korvane
