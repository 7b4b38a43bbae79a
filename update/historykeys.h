#pragma once
// The key of each line of a release file as the history keeps it: the hash
// of what the line says (its competência aside), told apart from the
// file's earlier lines that say the same.

#include "update/layoutfile.h"
#include "update/releasefile.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace korvane {

// Builds every line (a line that cannot be built throws with the row's
// reason; two lines with one primary key throw as the table's key would),
// in file order as far as what is reported goes: `lineDone` is told each
// line checked, and `atLine` holds the line (from 1) a failure names.
std::vector<std::uint64_t> lineKeys(const ResolvedLayout& resolved, const ReleaseFile& file, int competenciaAt,
                                    const std::function<void(std::size_t done)>& lineDone, std::size_t& atLine);

} // namespace korvane
