// The first load of a release into a new database (the database made, then
// the release loaded whole) against the yardstick: sqlite_load.py, a plain
// script that parses the same files and loads them into SQLite with the same
// keys and indexes. Interleaved runs, medians.

#include "updatebench.h"

#include "update/databasecreation.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace kbench {

namespace {

// The script's median, or a negative number when it could not run.
double sqliteSeconds(const std::string& folder)
{
    const std::string command = "python3 '" KORVANE_BENCH_DIR "/sqlite_load.py' '" + folder + "' --runs 1 2>&1";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    char buf[512];
    double seconds = -1;
    while (std::fgets(buf, sizeof buf, p))
        if (std::sscanf(buf, "RESULT sqlite_s=%lf", &seconds) == 1) break;
    pclose(p);
    return seconds;
}

} // namespace

void firstLoadAgainstSqlite(const std::string& name, const std::string& folder, const std::filesystem::path& work, int runs)
{
    std::printf("%s: first load into a new database against the SQLite script\n", name.c_str());
    std::fflush(stdout);
    const std::string db = (work / "FIRST.GDB").string();
    std::vector<double> creates, loads, firsts, firstsCpu, sqlites;
    for (int i = 0; i < runs; ++i) {
        std::filesystem::remove(db);
        const double t0 = now(), c0 = cpu();
        korvane::createKorvaneDatabase(db, folder);
        const double created = now() - t0;
        const Timing load = timeUpdateDatabase(db, folder);
        creates.push_back(created);
        loads.push_back(load.wall);
        firsts.push_back(now() - t0);
        firstsCpu.push_back(cpu() - c0);
        const double s = sqliteSeconds(folder);
        if (s >= 0) sqlites.push_back(s);
    }
    std::filesystem::remove(db);
    std::printf("  first load (createdb + update): median %.2f s (createdb %.2f + update %.2f)  cpu median %.2f s  "
                "(runs: %s)\n",
                median(firsts), median(creates), median(loads), median(firstsCpu), list(firsts).c_str());
    if (sqlites.empty()) {
        std::printf("  SQLite script: could not run (python3 absent?)\n");
        std::printf("RESULT first_load %s first_s=%.2f sqlite_s=skipped\n", name.c_str(), median(firsts));
    } else {
        std::printf("  SQLite script:                  median %.2f s  (runs: %s)\n", median(sqlites), list(sqlites).c_str());
        std::printf("  first load / SQLite:            %.2f\n", median(firsts) / median(sqlites));
        std::printf("RESULT first_load %s first_s=%.2f sqlite_s=%.2f first_ratio=%.2f\n", name.c_str(), median(firsts),
                    median(sqlites), median(firsts) / median(sqlites));
    }
    std::fflush(stdout);
}

} // namespace kbench
