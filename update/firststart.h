#pragma once
// A user's first start: the database made from the release that ships with
// the program, when the user has none yet.

#include <string>

namespace korvane {

struct UpdateProgress;

// True when the database is a file of this machine that does not exist yet
// and a release ships to make it from.
bool needsFirstDatabase(const std::string& databasePath, const std::string& shippedRelease);

// Makes the database's folder, the database and loads the release into it.
// A failure, or a request to stop, leaves no file behind, so the next start
// tries again; the error says why.
void makeFirstDatabase(const std::string& databasePath, const std::string& shippedRelease, UpdateProgress& progress);

} // namespace korvane
