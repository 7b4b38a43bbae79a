#pragma once
// A new Korvane database: the schema, and the read-only tables that come
// with the database file (TB_CID, TB_FINANCIAMENTO) filled from a release.

#include <functional>
#include <string>

namespace korvane {

struct CreationCounts {
    std::size_t cid = 0;
    std::size_t financiamento = 0;
};

// Fails (std::runtime_error or kdb::Error) when the file exists already, the
// release files cannot be read, a line cannot be stored or the process is
// asked to stop (korvane::stopRequested); a failed creation removes the
// half-made file.
CreationCounts createKorvaneDatabase(const std::string& databasePath, const std::string& releaseFolder);

} // namespace korvane
