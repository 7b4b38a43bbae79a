#pragma once
// What the update checks of a release beyond reading its files, before any
// table is touched: that no line is longer than the layout in use, that
// every line of a file with a competência reaches it and names one and the
// same valid month, that the procedure file is not empty; and, against the
// database, that no link file comes empty where the kept competência nearest
// had rows. A release that fails here is broken or mixed, and loading it
// would keep wrong or missing rows as that month's tables.

#include "update/historystore.h"   // also declares kdb::Connection, kdb::Transaction
#include "update/updaterun.h"

#include <cstddef>
#include <string>

namespace korvane {

// Checks the files of one release one after the other.
class ReleaseChecks {
public:
    // Throws UpdateError naming the file, and the line where there is one.
    void check(const ResolvedLayout& layout, const ReleaseFile& file);

private:
    void sameCompetencia(const ReleaseFile& file, std::size_t line, const std::string& competencia);

    std::string competencia_;   // the first one read, and where
    std::string firstPath_;
    std::size_t firstLine_ = 0;
};

// Whether the layout's table held rows in a kept competência (the history
// runs covering it); asked in the load's transaction, before it writes.
bool keptRowsIn(kdb::Connection& db, kdb::Transaction& tr, const TableLayout& layout, const std::string& competencia);

// Refuses (UpdateError) a release whose rl_procedimento_* file is empty
// while its table held rows in the kept competência nearest to it (the one
// before, else the one after, else the same one loaded earlier): a release
// always ties its procedures, so the file is what is missing. Run in the
// load's transaction before the first table is written.
void refuseEmptiedLinks(kdb::Connection& db, kdb::Transaction& tr, const CheckedRelease& release,
                        const CompetenciaPlace& place);

} // namespace korvane
