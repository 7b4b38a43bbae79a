// The update with the files later releases carry against the same release
// without them: the 24 files alone are what the update loaded before it read
// the later ones, so the ratio is what those files cost.

#include "updatebench.h"

#include "tools/releasegen.h"
#include "update/layoutfile.h"
#include "update/layouts.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace kbench {

namespace {

// The release's files but the later ones, linked rather than copied.
std::filesystem::path withoutLaterFiles(const std::string& folder, const std::filesystem::path& work)
{
    const std::filesystem::path to = work / "without-later";
    std::filesystem::remove_all(to);
    std::filesystem::create_directories(to);
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) {
        if (l.optional) continue;
        for (const std::string& name : {std::string(l.fileName), korvane::layoutFileName(l.fileName)}) {
            const std::filesystem::path from = std::filesystem::path(folder) / name;
            if (std::filesystem::exists(from)) std::filesystem::create_symlink(std::filesystem::absolute(from), to / name);
        }
    }
    return to;
}

void laterFilesCost(const std::string& name, const std::string& folder, const std::filesystem::path& work, int runs)
{
    const std::filesystem::path older = withoutLaterFiles(folder, work);
    const korvane::CheckedRelease all = korvane::CheckedRelease::read(folder);
    const korvane::CheckedRelease first = korvane::CheckedRelease::read(older.string());
    std::printf("%s, with and without the later files: %lld against %lld lines (%zu files absent without)\n",
                name.c_str(), static_cast<long long>(all.totalLines()), static_cast<long long>(first.totalLines()),
                first.absent().size());
    std::fflush(stdout);
    const Scratch scratch(work);
    std::vector<double> with, without, withCpu, withoutCpu;
    for (int i = 0; i < runs; ++i) {
        // Which goes first changes every run.
        for (int k = 0; k < 2; ++k) {
            const bool later = (i + k) % 2 == 0;
            scratch.fresh();
            const Timing t = timeUpdate(scratch.db, later ? folder : older.string());
            (later ? with : without).push_back(t.wall);
            (later ? withCpu : withoutCpu).push_back(t.cpu);
        }
    }
    std::filesystem::remove(scratch.db);
    std::filesystem::remove_all(older);
    const double w = median(with), wo = median(without);
    std::printf("  update with the later files:    median %.2f s  cpu median %.2f s  (runs: %s)\n", w, median(withCpu),
                list(with).c_str());
    std::printf("  update without them (before):   median %.2f s  cpu median %.2f s  (runs: %s)\n", wo,
                median(withoutCpu), list(without).c_str());
    std::printf("  with / without:                 %.2f (cpu %.2f)\n", w / wo, median(withCpu) / median(withoutCpu));
    std::printf("RESULT later_files %s with_s=%.2f without_s=%.2f later_ratio=%.2f\n", name.c_str(), w, wo, w / wo);
    std::fflush(stdout);
}

} // namespace

void laterFilesCosts(const std::string& realFolder, double scale, const std::filesystem::path& work, int runs)
{
    if (!realFolder.empty()) laterFilesCost("real release " + realFolder, realFolder, work, runs);
    if (scale <= 0) return;
    const std::string gen = (work / "generated-later").string();
    korvane::ReleaseOptions o;
    o.seed = 2023;
    o.scale = scale;
    o.laterFiles = true;
    korvane::generateRelease(gen, o);
    char name[64];
    std::snprintf(name, sizeof name, "generated release %gx", scale);
    laterFilesCost(name, gen, work, runs);
    std::filesystem::remove_all(gen);
}

} // namespace kbench
