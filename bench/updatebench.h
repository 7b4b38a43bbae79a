#pragma once
// What the update benchmarks share: clocks, medians, a scratch database
// made afresh for each run, and one timed update.

#include "db/connection.h"
#include "db/schema.h"
#include "korvane_config.h"
#include "update/updaterun.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace kbench {

inline const kdb::Credentials kCredentials{KORVANE_DB_USER, KORVANE_DB_PASSWORD};

inline double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// CPU seconds of this process, engine threads included: steadier than the
// wall clock on a shared machine, printed beside it.
inline double cpu()
{
    struct rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

struct Timing {
    double wall = 0, cpu = 0;
};

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

inline std::string list(const std::vector<double>& v)
{
    std::string s;
    for (double x : v) {
        char b[32];
        std::snprintf(b, sizeof b, "%s%.2f", s.empty() ? "" : " ", x);
        s += b;
    }
    return s;
}

// A database with the schema and empty tables, copied afresh for each run.
struct Scratch {
    std::string empty, db;
    explicit Scratch(const std::filesystem::path& work) : empty((work / "empty.gdb").string()), db((work / "run.gdb").string())
    {
        if (std::filesystem::exists(empty)) return;
        kdb::Connection c;
        kdb::createDatabase(c, empty, kCredentials);
        c.close();
    }
    void fresh() const
    {
        std::filesystem::remove(db);
        std::filesystem::copy_file(empty, db);
    }
};

inline Timing timeUpdate(const std::string& db, const std::string& folder)
{
    kdb::Connection c;
    c.open(db, kCredentials);
    korvane::UpdateProgress progress;
    const double t0 = now(), c0 = cpu();
    korvane::updateTables(c, folder, progress);
    const Timing t{now() - t0, cpu() - c0};
    c.close();
    return t;
}

// The update as the program runs it (korvane::updateDatabase): its own
// attachment, opened and closed in the time; a first load's writes and the
// file's sync at its end included.
inline Timing timeUpdateDatabase(const std::string& db, const std::string& folder)
{
    korvane::UpdateProgress progress;
    const double t0 = now(), c0 = cpu();
    korvane::updateDatabase(db, kCredentials, folder, progress);
    return {now() - t0, cpu() - c0};
}

// The update of a release with the later files against the same release
// without them (as an older one is read), interleaved, medians printed: the
// real release (when the folder is named) and a generated one at the scale
// (when above 0).
void laterFilesCosts(const std::string& realFolder, double scale, const std::filesystem::path& work, int runs);

// A new database made and the release loaded, against sqlite_load.py on the
// same folder; prints both and their ratio.
void firstLoadAgainstSqlite(const std::string& name, const std::string& folder, const std::filesystem::path& work, int runs);

} // namespace kbench
