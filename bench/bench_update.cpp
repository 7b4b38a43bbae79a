// bench_update [--runs N] [--big-runs N] [--scale X] [--real FOLDER|none]
//              [--real-zip ZIP|none] [--zip-scale X] [--later-scale X] [--work DIR]
//
// Times the full table update of the real 202206 release (when present) and
// of a generated release (10x by default): seconds, rows per second, and the
// peak memory of a process that does nothing but the update. In the same run
// it times the floor: the same rows, already built, inserted by one prepared
// statement per table in one transaction. Both start from a database made
// from the schema with empty tables; the update is also timed replacing a
// release already loaded, the case of every update after the first.
// Then the cost of the files later releases carry: the real release and a
// generated one (1x by default) loaded whole against the same release
// without those files, as the update was before it read them.
// Then the release loaded from its zip against the same release unpacked
// into a folder: the real 202606 zip (when present) and a generated one (1x
// by default), with the peak memory of a zip load against the release's
// unpacked bytes. Medians of several runs, interleaved so that noise hits
// both alike.

#include "db/connection.h"
#include "db/query.h"
#include "db/schema.h"
#include "db/transaction.h"
#include "korvane_config.h"
#include "tools/releasegen.h"
#include "update/layouts.h"
#include "update/releasezip.h"
#include "update/rowbuilder.h"
#include "update/updaterun.h"
#include "updatebench.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using namespace kbench;

// Every table's rows built once, as the floor inserts them.
struct BuiltTable {
    std::string insert;
    std::vector<std::vector<kdb::Value>> rows;
};

std::vector<BuiltTable> buildAll(const std::string& folder)
{
    const korvane::CheckedRelease release = korvane::CheckedRelease::read(folder);
    std::vector<BuiltTable> tables;
    for (const auto& e : release.entries()) {
        BuiltTable t;
        t.insert = e.layout.layout->insertStatement();
        korvane::RowBuilder b(e.layout);
        const korvane::ReleaseFile file = release.reread(e);
        t.rows.reserve(file.lines.size());
        for (std::string_view line : file.lines) {
            b.build(line);
            t.rows.push_back(b.values());
        }
        tables.push_back(std::move(t));
    }
    return tables;
}

Timing timeFloor(const std::string& db, const std::vector<BuiltTable>& tables)
{
    kdb::Connection c;
    c.open(db, kCredentials);
    const double t0 = now(), c0 = cpu();
    {
        kdb::Transaction tr(c);
        for (const BuiltTable& t : tables) {
            kdb::Query q(c, tr);
            q.setSql(t.insert);
            for (const auto& row : t.rows) {
                for (std::size_t i = 0; i < row.size(); ++i) q.paramAt(static_cast<int>(i)) = row[i];
                q.execute();
            }
        }
        tr.commit();
    }
    const Timing t{now() - t0, cpu() - c0};
    c.close();
    return t;
}

// Peak resident memory (MB) of a fresh process running only the update or
// only attaching: the child reports its own high-water mark, since the one
// the kernel keeps for a forked child starts from its parent's.
// The figures a child run of this program in `mode` prints, `count` of them.
std::vector<double> childFigures(const char* self, const std::string& mode, const std::string& db,
                                 const std::string& folder, std::size_t count)
{
    const std::string cmd = std::string("'") + self + "' " + mode + " '" + db + "' '" + folder + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) throw std::runtime_error("cannot run " + cmd);
    std::vector<double> figures(count, -1);
    bool read = true;
    for (double& f : figures) read = read && std::fscanf(p, "%lf", &f) == 1 && f >= 0;
    if (pclose(p) != 0 || !read) throw std::runtime_error("the child failed: " + cmd);
    return figures;
}

double childPeak(const char* self, const std::string& mode, const std::string& db, const std::string& folder)
{
    return childFigures(self, mode, db, folder, 1)[0] / 1024.0;
}

double selfPeakKb()
{
    FILE* f = std::fopen("/proc/self/status", "r");
    char line[256];
    double kb = -1;
    while (f && std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %lf", &kb) == 1) break;
    if (f) std::fclose(f);
    return kb;
}

// Where the time of one replacing update goes, step by step: emptying the
// table, then reading, building and inserting its rows.
void breakdown(const std::string& db, const std::string& folder)
{
    kdb::Connection c;
    c.open(db, kCredentials);
    korvane::UpdateProgress progress;
    korvane::UpdateHooks hooks;
    const std::size_t steps = korvane::releaseLayouts().size();
    std::vector<double> before(steps + 1), after(steps + 1);
    hooks.beforeStep = [&](int s) { before[static_cast<std::size_t>(s)] = now(); };
    hooks.afterStep = [&](int s) { after[static_cast<std::size_t>(s)] = now(); };
    const double t0 = now();
    korvane::updateTables(c, folder, progress, hooks);
    const double end = now();
    c.close();
    std::printf("  one replacing update, step by step (emptying + loading, seconds):\n   ");
    double empt = 0, load = 0;
    for (int s = 1; s <= static_cast<int>(steps); ++s) {
        const double start = s == 1 ? t0 : after[static_cast<std::size_t>(s - 1)];
        const double e = before[static_cast<std::size_t>(s)] - start, l = after[static_cast<std::size_t>(s)] - before[static_cast<std::size_t>(s)];
        empt += e;
        load += l;
        if (e + l >= 0.05) std::printf(" %s %.2f+%.2f", korvane::releaseLayouts()[static_cast<std::size_t>(s - 1)].table, e, l);
    }
    std::printf("\n    emptying %.2f s, loading %.2f s, commit and the rest %.2f s\n", empt, load, end - t0 - empt - load);
}

struct Figures {
    double update = 0, floor = 0, replace = 0, peak = 0, idle = 0;
    std::int64_t lines = 0;
    std::size_t bytes = 0;
};

Figures measure(const char* self, const std::string& name, const std::string& folder, const fs::path& work, int runs,
                bool replaceRuns)
{
    Figures f;
    {
        korvane::CheckedRelease r = korvane::CheckedRelease::read(folder);
        f.lines = r.totalLines();
        f.bytes = r.totalBytes();
    }
    std::printf("%s: %lld lines, %.1f MB in the files it loads\n", name.c_str(), static_cast<long long>(f.lines),
                static_cast<double>(f.bytes) / 1048576.0);
    std::fflush(stdout);

    const Scratch scratch(work);
    const std::string& db = scratch.db;
    auto fresh = [&] { scratch.fresh(); };

    const std::vector<BuiltTable> built = buildAll(folder);
    std::vector<double> updates, floors, replaces, peaks, updatesCpu, floorsCpu, replacesCpu;
    auto keep = [](Timing t, std::vector<double>& wall, std::vector<double>& cpuTimes) {
        wall.push_back(t.wall);
        cpuTimes.push_back(t.cpu);
    };
    for (int i = 0; i < runs; ++i) {
        fresh();
        keep(timeFloor(db, built), floors, floorsCpu);
        fresh();
        keep(timeUpdate(db, folder), updates, updatesCpu);
        if (replaceRuns) keep(timeUpdate(db, folder), replaces, replacesCpu);
    }
    if (replaceRuns) {
        fresh();
        timeUpdate(db, folder);
        breakdown(db, folder);   // after one load: nothing to collect yet
        breakdown(db, folder);   // after a replacing load: its old rows are garbage now
    }
    for (int i = 0; i < std::min(runs, 3); ++i) {
        fresh();
        peaks.push_back(childPeak(self, "--child-update", db, folder));
    }
    fresh();
    f.idle = childPeak(self, "--child-idle", db, folder);
    fs::remove(db);

    f.update = median(updates);
    f.floor = median(floors);
    f.replace = median(replaces);
    f.peak = median(peaks);
    const double rows = static_cast<double>(f.lines);
    auto line = [&](const char* what, double m, const std::vector<double>& wall, const std::vector<double>& cpuTimes) {
        std::printf("  %-26s median %.2f s %8.0f rows/s  cpu median %.2f s  (runs: %s)\n", what, m, rows / m,
                    median(cpuTimes), list(wall).c_str());
    };
    line("update, empty tables:", f.update, updates, updatesCpu);
    line("floor, empty tables:", f.floor, floors, floorsCpu);
    if (replaceRuns) line("update replacing a load:", f.replace, replaces, replacesCpu);
    std::printf("  update / floor:            %.2f (cpu %.2f)\n", f.update / f.floor,
                median(updatesCpu) / median(floorsCpu));
    std::printf("  peak memory of an update process: median %.1f MB (%s) = %.2fx the files' bytes; "
                "the same process only attached: %.1f MB\n",
                f.peak, list(peaks).c_str(), f.peak * 1048576.0 / static_cast<double>(f.bytes), f.idle);
    std::fflush(stdout);
    return f;
}

// Every member of the zip written into a folder, as unzip would.
void unpack(const std::string& zip, const fs::path& folder)
{
    const korvane::ZipSource source(zip);
    fs::create_directories(folder);
    for (const korvane::ZipSource::Member& m : source.members()) {
        // read() refuses a file with a NUL inside (the layout spreadsheet);
        // the update reads only the text files.
        if (m.folder || !m.name.ends_with(".txt")) continue;
        std::ofstream(folder / fs::path(m.name).filename(), std::ios::binary) << source.read(m.name).content;
    }
}

struct ZipFigures {
    double zip = 0, folder = 0, peak = 0, folderPeak = 0;
    std::uint64_t unpacked = 0;
};

// Reading and checking a release alone, as an update does before it
// writes, each time in a fresh process (a process that read it before has
// its memory at hand): wall time and the fresh pages it touched.
void readingFigure(const char* self, const char* what, const std::string& source, int runs)
{
    std::vector<double> walls, faults;
    for (int i = 0; i < std::max(runs, 3); ++i) {
        const std::vector<double> f = childFigures(self, "--child-read", "-", source, 2);
        walls.push_back(f[0]);
        faults.push_back(f[1]);
    }
    std::printf("  reading and checking %-6s median %.3f s, %.0f page faults  (runs: %s)\n", what, median(walls),
                median(faults), list(walls).c_str());
}

ZipFigures measureZip(const char* self, const std::string& name, const std::string& zip, const fs::path& work, int runs)
{
    ZipFigures f;
    const fs::path folder = work / "unpacked";
    unpack(zip, folder);
    f.unpacked = korvane::ZipSource(zip).unpackedBytes();
    std::printf("%s: %.1f MB zipped, %.1f MB unpacked\n", name.c_str(), static_cast<double>(fs::file_size(zip)) / 1048576.0,
                static_cast<double>(f.unpacked) / 1048576.0);
    std::fflush(stdout);
    readingFigure(self, "zip", zip, runs);
    readingFigure(self, "folder", folder.string(), runs);
    const Scratch scratch(work);
    std::vector<double> zips, folders, zipsCpu, foldersCpu, peaks, folderPeaks;
    for (int i = 0; i < runs; ++i) {
        // Which goes first changes every run.
        for (int k = 0; k < 2; ++k) {
            const bool fromZip = (i + k) % 2 == 0;
            scratch.fresh();
            const Timing t = timeUpdate(scratch.db, fromZip ? zip : folder.string());
            (fromZip ? zips : folders).push_back(t.wall);
            (fromZip ? zipsCpu : foldersCpu).push_back(t.cpu);
        }
    }
    for (int i = 0; i < std::min(runs, 3); ++i) {
        scratch.fresh();
        peaks.push_back(childPeak(self, "--child-update", scratch.db, zip));
        scratch.fresh();
        folderPeaks.push_back(childPeak(self, "--child-update", scratch.db, folder.string()));
    }
    fs::remove(scratch.db);
    fs::remove_all(folder);
    f.zip = median(zips);
    f.folder = median(folders);
    f.peak = median(peaks);
    f.folderPeak = median(folderPeaks);
    std::printf("  update from the zip:       median %.2f s  cpu median %.2f s  (runs: %s)\n", f.zip, median(zipsCpu),
                list(zips).c_str());
    std::printf("  update from the folder:    median %.2f s  cpu median %.2f s  (runs: %s)\n", f.folder,
                median(foldersCpu), list(folders).c_str());
    std::printf("  zip / folder:              %.2f (cpu %.2f)\n", f.zip / f.folder, median(zipsCpu) / median(foldersCpu));
    std::printf("  peak memory loading the zip: median %.1f MB (%s) = %.2fx the unpacked bytes; from the folder %.1f MB\n",
                f.peak, list(peaks).c_str(), f.peak * 1048576.0 / static_cast<double>(f.unpacked), f.folderPeak);
    std::fflush(stdout);
    return f;
}

// The real zip when present, then a generated one; the RESULT line speaks
// of the real one, or of the generated one when the real one is absent.
void zipVersusFolder(const char* self, const std::string& realZip, double zipScale, const fs::path& work, int runs)
{
    ZipFigures realFig, genFig;
    const bool haveReal = realZip != "none" && fs::exists(realZip);
    if (haveReal) realFig = measureZip(self, "real zip " + realZip, realZip, work, runs);
    else std::printf("real zip: absent, skipped\n");
    if (zipScale > 0) {
        const fs::path gen = work / "generated-for-zip";
        korvane::ReleaseOptions o;
        o.seed = 2026;
        o.scale = zipScale;
        o.layout = korvane::ReleaseOptions::Layout::Y2025;
        o.layoutFiles = true;
        korvane::generateRelease(gen.string(), o);
        const std::string zip = (work / "TabelaUnificada_202501_v2501011200.zip").string();
        korvane::packRelease(gen.string(), zip);
        fs::remove_all(gen);
        char name[64];
        std::snprintf(name, sizeof name, "generated zip %gx", zipScale);
        genFig = measureZip(self, name, zip, work, runs);
        fs::remove(zip);
    }
    const ZipFigures& r = haveReal ? realFig : genFig;
    std::printf("RESULT %s zip_s=%.2f folder_s=%.2f zip_ratio=%.2f zip_peak_mb=%.1f peak_per_unpacked=%.2f\n",
                haveReal ? "real_zip" : "generated_zip", r.zip, r.folder, r.zip / r.folder, r.peak,
                r.peak * 1048576.0 / static_cast<double>(std::max<std::uint64_t>(r.unpacked, 1)));
}

} // namespace

// The real release: its first load against the SQLite script, then the
// update against its floor.
Figures measureReal(const char* self, const std::string& real, const fs::path& work, int runs)
{
    kbench::firstLoadAgainstSqlite("real release " + real, real, work, runs);
    return measure(self, "real release " + real, real, work, runs, true);
}

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--child-update") == 0) {
        kdb::Connection c;
        c.open(argv[2], kCredentials);
        korvane::UpdateProgress progress;
        korvane::updateTables(c, argv[3], progress);
        c.close();
        std::printf("%.0f\n", selfPeakKb());
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--child-read") == 0) {
        rusage before{}, after{};
        getrusage(RUSAGE_SELF, &before);
        const double t0 = now();
        {
            const korvane::CheckedRelease r = korvane::CheckedRelease::read(argv[3]);
        }
        const double wall = now() - t0;
        getrusage(RUSAGE_SELF, &after);
        std::printf("%.6f %ld\n", wall, after.ru_minflt - before.ru_minflt);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--child-idle") == 0) {
        kdb::Connection c;
        c.open(argv[2], kCredentials);
        kdb::Transaction tr(c);
        kdb::Query q(c, tr);
        q.setSql("select count(*) from TB_PROC");
        q.open();
        c.close();
        std::printf("%.0f\n", selfPeakKb());
        return 0;
    }

    int runs = 5, bigRuns = 3;
    double scale = 10;
    std::string real = KORVANE_SHARED_RELEASE, realZip = KORVANE_SHARED_ZIP;
    double zipScale = 1, laterScale = 1;
    std::string workArg;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--runs") runs = std::atoi(argv[i + 1]);
        else if (a == "--big-runs") bigRuns = std::atoi(argv[i + 1]);
        else if (a == "--scale") scale = std::atof(argv[i + 1]);
        else if (a == "--real") real = argv[i + 1];
        else if (a == "--real-zip") realZip = argv[i + 1];
        else if (a == "--zip-scale") zipScale = std::atof(argv[i + 1]);
        else if (a == "--later-scale") laterScale = std::atof(argv[i + 1]);
        else if (a == "--work") workArg = argv[i + 1];
    }
    fs::path work = workArg.empty() ? fs::temp_directory_path() / ("korvane-bench-" + std::to_string(getpid()))
                                    : fs::path(workArg);
    fs::create_directories(work);

    try {
        Figures realFig;
        const bool haveReal = real != "none" && fs::exists(fs::path(real) / "tb_procedimento.txt");
        if (haveReal) realFig = measureReal(argv[0], real, work, runs);
        else std::printf("real release: absent, skipped\n");
        laterFilesCosts(haveReal ? real : std::string(), laterScale, work, runs);

        Figures bigFig;
        if (scale > 0 && bigRuns > 0) {
            const std::string gen = (work / "generated").string();
            korvane::ReleaseOptions o;
            o.seed = 2022;
            o.scale = scale;
            korvane::generateRelease(gen, o);
            char name[64];
            std::snprintf(name, sizeof name, "generated release %gx", scale);
            bigFig = measure(argv[0], name, gen, work, bigRuns, false);
            fs::remove_all(gen);
        }

        const Figures& r = haveReal ? realFig : bigFig;
        if (haveReal)
            std::printf("RESULT real_s=%.2f floor_s=%.2f ratio=%.2f peak_mb=%.1f\n", r.update, r.floor,
                        r.update / r.floor, r.peak);
        else
            std::printf("RESULT real_s=skipped floor_s=%.2f ratio=%.2f peak_mb=%.1f\n", r.floor, r.update / r.floor,
                        r.peak);
        std::fflush(stdout);
        zipVersusFolder(argv[0], realZip, zipScale, work, runs);
        fs::remove_all(work);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_update: %s\n", e.what());
        std::error_code ec;
        fs::remove_all(work, ec);
        return 1;
    }
    return 0;
}
