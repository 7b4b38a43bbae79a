#include "firststart.h"

#include "core/settingpath.h"
#include "db/connection.h"
#include "korvane_config.h"
#include "update/databasecreation.h"
#include "update/updaterun.h"

#include <filesystem>

namespace korvane {

bool needsFirstDatabase(const std::string& databasePath, const std::string& shippedRelease)
{
    std::error_code ec;
    return !shippedRelease.empty() && isLocalDatabase(databasePath) && !std::filesystem::exists(databasePath, ec);
}

void makeFirstDatabase(const std::string& databasePath, const std::string& shippedRelease, UpdateProgress& progress)
{
    const std::filesystem::path file(databasePath);
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
    // The creation fills the tables that come with the database file from
    // the release, and the load the rest, each opening it as the update
    // window opens the release it is given.
    createKorvaneDatabase(databasePath, shippedRelease);
    try {
        updateDatabase(databasePath, {KORVANE_DB_USER, KORVANE_DB_PASSWORD}, shippedRelease, progress);
    } catch (...) {
        std::error_code ec;
        std::filesystem::remove(file, ec);
        throw;
    }
}

} // namespace korvane
