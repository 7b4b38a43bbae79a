// korvane-template PATH
// Makes the empty database a creation starts from as a copy (the build runs
// it; the package installs what it made): the schema and its release tables
// as history, no row.

#include "update/databasecreation.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane-template PATH\n");
        return 2;
    }
    try {
        korvane::makeTemplateDatabase(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "korvane-template: %s\n", e.what());
        return 1;
    }
    return 0;
}
