#pragma once
// Synthetic SIGTAP releases for tests, benchmarks and the first start:
// deterministic from a seed, at any scale (1 is about a real release), in
// the fixed layout or the 2025 one, with or without layout files.

#include <cstdint>
#include <map>
#include <string>

namespace korvane {

struct ReleaseOptions {
    enum class Layout { Fixed, Y2025 };

    std::uint64_t seed = 1;
    double scale = 1.0;
    Layout layout = Layout::Fixed;
    bool layoutFiles = false;
    std::string competencia = "202501";   // AAAAMM written in every competência field
};

struct ReleaseSummary {
    std::map<std::string, std::size_t> lines;   // per file name, the 26 written
    std::size_t bytes = 0;                      // all files written
};

// Writes the 24 release files, tb_cid.txt and tb_financiamento.txt (and
// their layout files when asked) into folder, which is created if needed.
// Windows-1252 bytes, CRLF line ends. Throws std::runtime_error on a write
// failure.
ReleaseSummary generateRelease(const std::string& folder, const ReleaseOptions& options);

} // namespace korvane
