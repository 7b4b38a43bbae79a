#pragma once
// The new versions of a table's lines, written many to a statement: the
// engine's cost of running one statement is far above that of the row it
// stores, so a first load that sent a statement per line spent most of its
// time there.

#include "update/rowbuilder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kdb {
class Connection;
class Transaction;
} // namespace kdb

namespace korvane {

struct ReleaseFile;

struct NewVersions {
    const std::vector<std::size_t>& lines;     // the file's lines to write, in file order
    const std::vector<std::uint64_t>& keys;    // every line's content key
    int competenciaAt;                         // the column the view fills, -1 for none
    std::string ini, fim;                      // the run; fim empty writes NULL
};

// Builds each line again and writes it as a version. A line the engine
// refuses fails with that line in `atLine` (from 1), as a statement per
// line would.
void insertVersions(kdb::Connection& db, kdb::Transaction& tr, const std::string& table, RowBuilder& builder,
                    const ReleaseFile& file, const NewVersions& versions, std::size_t& atLine);

} // namespace korvane
