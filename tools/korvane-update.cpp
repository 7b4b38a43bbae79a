// korvane-update [--database PATH] FOLDER
// The older name of `korvane-cli update`: loads a SIGTAP release folder into
// the database, as the update window does. Exit status 0 when the release
// is loaded; otherwise 1 and the reason on standard error.

#include "cli/release.h"
#include "core/settingpath.h"
#include "core/termination.h"
#include "korvane_config.h"
#include "tools/folderargs.h"

#include <cstdio>

int main(int argc, char** argv)
{
    korvane::takeTerminationSignals();
    cli::Context context;
    context.database = korvane::settingPath(KORVANE_DATABASE_FILE);
    std::string folder;
    if (!korvane::parseDatabaseAndFolder(argc, argv, context.database, folder)) {
        std::fprintf(stderr, "usage: korvane-update [--database PATH] FOLDER\ndefault database: %s\n",
                     context.database.c_str());
        return 2;
    }
    return cli::runUpdate(context, folder, "korvane-update");
}
