// What keeping every competência costs: the first load and each monthly
// update of the real releases (zips in ../shared/sigtap), the database's
// size as competências are added, switching competência, a procedure's
// history and the diff of two competências; then the same over generated
// months that change a known share of rows, to show how each grows.
//
//   bench_history [--shared DIR] [--months N] [--scale S] [--work DIR]

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "korvane_config.h"
#include "model/browser.h"
#include "model/diffmodel.h"
#include "stats.h"
#include "tools/releasegen.h"
#include "update/databasecreation.h"
#include "update/historydiff.h"
#include "update/layouts.h"
#include "update/releaselist.h"
#include "update/releasefile.h"
#include "update/updaterun.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const kdb::Credentials kCredentials{KORVANE_DB_USER, KORVANE_DB_PASSWORD};

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// The update as the programs run it: its own attachment, opened and closed
// in the time, a first load with its writes deferred and the file's sync.
double update(const std::string& db, const std::string& release)
{
    korvane::UpdateProgress progress;
    const double t0 = now();
    korvane::updateDatabase(db, kCredentials, release, progress);
    return now() - t0;
}

double megabytes(const std::string& path) { return static_cast<double>(fs::file_size(path)) / 1e6; }

std::vector<std::string> procedureCodes(korvane::BrowserModel& m)
{
    kdb::Query q(m.connection(), m.readTransaction());
    q.setSql("select distinct PROC_COD from H_TB_PROC");
    q.open();
    q.fetchAll();
    std::vector<std::string> codes;
    for (std::size_t r = 0; r < q.rowCount(); ++r) codes.push_back(q.value(r, 0).toString());
    q.close();
    return codes;
}

// Switching, histories and diffs on a loaded database.
void consultations(const std::string& db, const char* what, const std::string& yearFrom = {})
{
    korvane::BrowserModel m(db);
    m.open();
    const std::vector<korvane::KeptRelease> kept = m.competencias();
    std::vector<double> switches;
    for (int i = 0; i < 6; ++i) {
        const std::string c = kept[static_cast<std::size_t>(i) % kept.size()].competencia;
        const double t0 = now();
        m.setCompetencia(c);
        switches.push_back(now() - t0);
    }
    m.setCompetencia("");
    const kbench::Summary sw = kbench::summarize(switches);
    std::printf("%s: switch competência p50 %.3f s, max %.3f s (%zu kept)\n", what, sw.p50, sw.max, kept.size());

    std::vector<std::string> codes = procedureCodes(m);
    std::mt19937 rng(7);
    std::shuffle(codes.begin(), codes.end(), rng);
    codes.resize(std::min<std::size_t>(codes.size(), 300));
    std::vector<double> histories;
    for (const std::string& code : codes) {
        const double t0 = now();
        korvane::procedureHistory(m.connection(), m.readTransaction(), code);
        histories.push_back((now() - t0) * 1000);
    }
    const kbench::Summary h = kbench::summarize(histories);
    std::printf("%s: history of a procedure over %zu competências p50 %.2f ms, p95 %.2f ms (%zu procedures)\n", what,
                kept.size(), h.p50, h.p95, codes.size());

    const auto timeDiff = [&](const std::string& a, const std::string& b) {
        std::vector<double> t;
        std::size_t n = 0;
        for (int i = 0; i < 3; ++i) {
            const double t0 = now();
            n = korvane::runDiff(m.connection(), m.readTransaction(), {a, b, {}, {}}).size();
            t.push_back(now() - t0);
        }
        std::printf("%s: diff %s→%s median %.3f s (%zu changes)\n", what, a.c_str(), b.c_str(), kbench::percentile(t, 0.5), n);
    };
    if (kept.size() >= 2) timeDiff(kept[kept.size() - 2].competencia, kept.back().competencia);
    if (!yearFrom.empty()) timeDiff(yearFrom, kept.back().competencia);
    m.close();
}

// A month made from the first one: every file says the new competência,
// `share` of the procedures have another SA, a few CID links are away. Each
// month against the one before: twice the share changed, links gone and back.
void nextMonth(const fs::path& from, const fs::path& to, const std::string& competencia, std::mt19937& rng, double share)
{
    fs::remove_all(to);
    fs::copy(from, to);
    std::uniform_real_distribution<double> u(0, 1);
    for (const korvane::TableLayout& layout : korvane::releaseLayouts()) {
        const fs::path file = to / layout.fileName;
        if (!fs::exists(file)) continue;
        const std::size_t at = korvane::fixedRecord(layout).competencia;
        std::ifstream in(file, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        in.close();
        std::string out;
        std::size_t pos = 0;
        const bool procs = layout.fileName == std::string_view("tb_procedimento.txt");
        const bool cids = layout.fileName == std::string_view("rl_procedimento_cid.txt");
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            end = end == std::string::npos ? text.size() : end + 1;
            std::string line = text.substr(pos, end - pos);
            pos = end;
            if (at > 0 && line.size() >= at + 5) line.replace(at - 1, 6, competencia);
            if (procs && line.size() > 330 && u(rng) < share)
                line.replace(292, 10, std::to_string(1000000000 + static_cast<int>(u(rng) * 99999999)).substr(0, 10));
            if (cids && u(rng) < share / 4) continue;
            out += line;
        }
        std::ofstream(file, std::ios::binary) << out;
    }
}

fs::path monthFolder(const fs::path& work, int month)
{
    char name[24];
    std::snprintf(name, sizeof name, "m%d", month);
    return work / "gen" / name;
}

// Months made from a generated release, loaded in order: how the load,
// the size and the consultations grow with the competências kept.
void generatedMonths(const fs::path& work, int months, double scale)
{
    const fs::path base = work / "gen" / "m0";
    korvane::ReleaseOptions o;
    o.seed = 5;
    o.scale = scale;
    o.competencia = "201501";
    korvane::generateRelease(base.string(), o);
    const std::string db = (work / "GEN.GDB").string();
    fs::remove(db);
    korvane::createKorvaneDatabase(db, base.string());
    std::mt19937 rng(11);
    std::vector<double> loads;
    double one = 0;
    std::string yearAgo;
    for (int m = 0; m < months; ++m) {
        const int y = 2015 + m / 12, mo = m % 12 + 1;
        char c[16];
        std::snprintf(c, sizeof c, "%04d%02d", y, mo);
        const fs::path folder = monthFolder(work, m + 1);
        if (m == 0) fs::copy(base, folder);
        else nextMonth(base, folder, c, rng, 0.01);
        const double t = update(db, folder.string());
        loads.push_back(t);
        if (m == 0) one = megabytes(db);
        if (m == months - 13) yearAgo = c;
        if (m == 0 || (m + 1) % 6 == 0 || m + 1 == months)
            std::printf("generated ×%.2f: %d competências, last load %.2f s, %.1f MB (%.2f× one)\n", scale, m + 1, t,
                        megabytes(db), megabytes(db) / one);
        std::fflush(stdout);
        if (m > 1) fs::remove_all(monthFolder(work, m - 1));
    }
    const kbench::Summary l = kbench::summarize(std::vector<double>(loads.begin() + 1, loads.end()));
    std::printf("generated: monthly update p50 %.2f s, p95 %.2f s, max %.2f s\n", l.p50, l.p95, l.max);
    // How the monthly update grows with the competências kept: p50 per year.
    for (std::size_t from = 1; from < loads.size(); from += 12) {
        const std::size_t to = std::min(loads.size(), from + 12);
        std::printf("  competências %zu–%zu: monthly update p50 %.2f s\n", from + 1, to,
                    kbench::summarize(std::vector<double>(loads.begin() + static_cast<long>(from),
                                                          loads.begin() + static_cast<long>(to)))
                        .p50);
    }
    consultations(db, "generated", yearAgo);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::string shared = KORVANE_SHARED_DIR, workArg;
    int months = 24;
    double scale = 0.2;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--shared") shared = argv[i + 1];
        else if (a == "--months") months = std::atoi(argv[i + 1]);
        else if (a == "--scale") scale = std::atof(argv[i + 1]);
        else if (a == "--work") workArg = argv[i + 1];
    }
    const fs::path work = workArg.empty() ? fs::temp_directory_path() / ("korvane-bench-history-" + std::to_string(getpid()))
                                          : fs::path(workArg);
    fs::create_directories(work);
    try {
        const std::vector<std::string> zips = korvane::releaseZipsIn(shared);
        if (zips.empty()) std::printf("real releases: none in %s, skipped\n", shared.c_str());
        if (!zips.empty()) {
            const std::string db = (work / "REAL.GDB").string();
            fs::remove(db);
            const double t0 = now();
            korvane::createKorvaneDatabase(db, zips.front());
            const double created = now() - t0;
            const double first = update(db, zips.front());
            std::printf("real %s: first load %.2f s (createdb %.2f s + update %.2f s), %.1f MB\n",
                        fs::path(zips.front()).filename().c_str(), created + first, created, first, megabytes(db));
            const double one = megabytes(db);
            for (std::size_t i = 1; i < zips.size(); ++i) {
                const double t = update(db, zips[i]);
                std::printf("real %s: monthly update %.2f s, %.1f MB (%.2f× one competência)\n",
                            fs::path(zips[i]).filename().c_str(), t, megabytes(db), megabytes(db) / one);
            }
            const double again = update(db, zips.back());
            std::printf("real: the newest loaded again %.2f s\n", again);
            consultations(db, "real");
        }

        if (months > 0) generatedMonths(work, months, scale);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_history: %s\n", e.what());
        return 1;
    }
    if (workArg.empty()) fs::remove_all(work);
    return 0;
}
