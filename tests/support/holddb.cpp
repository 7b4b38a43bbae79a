// korvane_holddb DATABASE: another program holding the database. Attaches,
// says "open" on standard output, and detaches when its standard input ends.

#include "db/connection.h"
#include "support/tempdb.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: korvane_holddb DATABASE\n");
        return 2;
    }
    try {
        kdb::Connection db;
        db.open(argv[1], ktest::kCredentials);
        std::puts("open");
        std::fflush(stdout);
        while (std::getchar() != EOF) {
        }
        db.close();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "korvane_holddb: %s\n", e.what());
        return 1;
    }
    return 0;
}
