#pragma once
// One release file stored as the content of its competência among the
// kept ones: only what differs from the neighbouring kept competências is
// written. Each version's run stays the longest it can be, whatever order
// the releases come in, so the history depends on what each competência
// holds and not on the order of the loads.

#include "update/historydigest.h"
#include "update/layoutfile.h"
#include "update/releasefile.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kdb {
class Connection;
class Transaction;
} // namespace kdb

namespace korvane {

// Where a competência stands among the kept ones (itself included).
struct CompetenciaPlace {
    std::string previous;   // the kept one before it; empty when it is the oldest
    std::string current;
    std::string next;       // the kept one after it; empty when it is the newest
    bool kept = false;      // it is kept already (a later publication of it)
};

struct StoreCounts {
    std::size_t inserted = 0, ended = 0, extended = 0, removed = 0;
    KeyBuckets held;   // the summary of what the table holds in the competência
};

// Builds every line (a line that cannot be built throws with the row's
// reason), then writes the table's history in the transaction. `open`, when
// given, is the trusted summary of what the table holds in `place.previous`,
// the newest kept, for a competência after every kept one. `lineDone`
// is told each line checked; `atLine` holds the line (from 1) being built
// or written when a failure leaves, 0 when none is.
StoreCounts storeTable(kdb::Connection& db, kdb::Transaction& tr, const ResolvedLayout& layout,
                       const ReleaseFile& file, const CompetenciaPlace& place, const KeyBuckets* open,
                       const std::function<void(std::size_t done)>& lineDone, std::size_t& atLine);

} // namespace korvane
