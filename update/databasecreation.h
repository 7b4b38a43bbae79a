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
// half-made file. A local database starts as a copy of the template this
// build made (configuredTemplate), when there is one this engine opens;
// else the schema is run, which takes some ten times as long.
CreationCounts createKorvaneDatabase(const std::string& databasePath, const std::string& releaseFolder);
// The same from the template named; an empty name runs the schema.
CreationCounts createKorvaneDatabase(const std::string& databasePath, const std::string& releaseFolder,
                                     const std::string& templatePath);

// The template of this run as settingPath finds it; empty when the build
// names none.
std::string configuredTemplate();

// The database every creation starts from, made when the program is built:
// the schema, its release tables turned into history, no row. Fails when
// the file exists already; a failure removes the half-made file.
void makeTemplateDatabase(const std::string& path);

} // namespace korvane
