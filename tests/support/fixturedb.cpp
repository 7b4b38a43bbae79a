// Development aid: writes the test fixture database to a path, to look at
// the windows on it. Usage: korvane_fixturedb OUT.GDB
#include "support/fixture.h"
#include "support/tempdb.h"

#include <cstdio>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane_fixturedb OUT.GDB\n");
        return 2;
    }
    ktest::TempDir dir;
    std::filesystem::copy_file(ktest::createFixtureDatabase(dir), argv[1]);
    return 0;
}
