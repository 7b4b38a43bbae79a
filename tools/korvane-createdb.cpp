// korvane-createdb [--database PATH] RELEASE_FOLDER
// Makes an empty Korvane database from the schema and fills the tables that
// come with the database file (TB_CID, TB_FINANCIAMENTO) from a release.

#include "korvane_config.h"
#include "tools/folderargs.h"
#include "update/databasecreation.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    std::string database = KORVANE_DATABASE_FILE;
    std::string folder;
    if (!korvane::parseDatabaseAndFolder(argc, argv, database, folder)) {
        std::fprintf(stderr, "usage: korvane-createdb [--database PATH] RELEASE_FOLDER\n"
                             "default database: %s\n", KORVANE_DATABASE_FILE);
        return 2;
    }
    try {
        const korvane::CreationCounts n = korvane::createKorvaneDatabase(database, folder);
        std::printf("created %s: TB_CID %zu rows, TB_FINANCIAMENTO %zu rows\n", database.c_str(), n.cid,
                    n.financiamento);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "korvane-createdb: %s\n", e.what());
        return 1;
    }
}
