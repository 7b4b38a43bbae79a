#pragma once
// Where downloaded releases are kept and what the user chose about
// downloading (QSettings, organisation "Nortevia", application "Korvane";
// the windows and korvane-cli read the same).

#include <string>

namespace korvane {

// The folder listed for new releases: "download/address", DATASUS's own
// folder when unset.
std::string downloadAddress();
// Whether the main window says at start that a newer competência is
// published: "download/newReleaseNotice", on when unset.
bool newReleaseNotice();

// The releases folder of a database: "releases" beside the database file,
// or, for a database on a server ("host:/path"), one in the user's data
// folder (~/.local/share/korvane/releases).
std::string releasesFolderFor(const std::string& databasePath);

} // namespace korvane
