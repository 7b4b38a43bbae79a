// korvane-createdb [--database PATH] RELEASE_FOLDER
// The older name of `korvane-cli createdb`: makes an empty Korvane database
// from the schema and fills the tables that come with the database file
// (TB_CID, TB_FINANCIAMENTO) from a release.

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
        std::fprintf(stderr, "usage: korvane-createdb [--database PATH] RELEASE_FOLDER\n"
                             "default database: %s\n", context.database.c_str());
        return 2;
    }
    return cli::runCreatedb(context, folder, "korvane-createdb");
}
