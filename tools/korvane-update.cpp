// korvane-update [--database PATH] FOLDER
// Loads a SIGTAP release folder into the database, as the update window
// does: all 24 tables and VERSAO in one transaction. Exit status 0 when the
// release is loaded; otherwise 1 and the reason on standard error.

#include "db/connection.h"
#include "korvane_config.h"
#include "tools/folderargs.h"
#include "update/layouts.h"
#include "update/updaterun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// On a terminal the bar is redrawn in place; otherwise one line per table,
// so a log or a pipe reads well.
class ProgressView {
public:
    explicit ProgressView(const korvane::UpdateProgress& p) : p_(p), tty_(::isatty(STDERR_FILENO) == 1) {}

    void show(bool final = false)
    {
        const int step = p_.step.load(std::memory_order_acquire);
        const long long done = p_.runDone.load(std::memory_order_relaxed);
        const long long total = p_.runTotal.load(std::memory_order_relaxed);
        const long long tDone = p_.tableDone.load(std::memory_order_relaxed);
        const long long tTotal = p_.tableTotal.load(std::memory_order_relaxed);
        const char* label = step > 0 ? korvane::releaseLayouts()[static_cast<std::size_t>(step - 1)].label : "";
        if (!tty_) {
            // Every table gets its line, also those loaded between two looks.
            for (int s = lastStep_ + 1; s <= step; ++s) {
                const korvane::TableLayout& l = korvane::releaseLayouts()[static_cast<std::size_t>(s - 1)];
                if (s == step) std::fprintf(stderr, "step %d/24 %s: %lld lines\n", s, l.label, tTotal);
                else std::fprintf(stderr, "step %d/24 %s\n", s, l.label);
            }
            std::fflush(stderr);
            lastStep_ = std::max(lastStep_, step);
            return;
        }
        constexpr int kWidth = 40;
        const int filled = total > 0 ? static_cast<int>(done * kWidth / total) : 0;
        char bar[kWidth + 1];
        for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '-';
        bar[kWidth] = '\0';
        const int percent = total > 0 ? static_cast<int>(done * 100 / total) : 0;
        std::fprintf(stderr, "\r[%s] %3d%%  %-22s %lld/%lld\033[K", bar, percent, label, tDone, tTotal);
        if (final) std::fputc('\n', stderr);
        std::fflush(stderr);
    }

private:
    const korvane::UpdateProgress& p_;
    bool tty_;
    int lastStep_ = 0;
};

} // namespace

int main(int argc, char** argv)
{
    std::string database = KORVANE_DATABASE_FILE;
    std::string folder;
    if (!korvane::parseDatabaseAndFolder(argc, argv, database, folder)) {
        std::fprintf(stderr, "usage: korvane-update [--database PATH] FOLDER\ndefault database: %s\n",
                     KORVANE_DATABASE_FILE);
        return 2;
    }

    korvane::UpdateProgress progress;
    std::exception_ptr failure;
    std::string competencia;
    std::atomic<bool> done{false};
    const auto started = std::chrono::steady_clock::now();
    std::thread worker([&] {
        try {
            korvane::updateDatabase(database, {KORVANE_DB_USER, KORVANE_DB_PASSWORD}, folder, progress);
        } catch (...) {
            failure = std::current_exception();
        }
        done.store(true);
    });
    ProgressView view(progress);
    while (!done.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        view.show();
    }
    worker.join();
    if (failure) {
        if (progress.runTotal.load() > 0) view.show(true);
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "korvane-update: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "korvane-update: unknown error\n");
        }
        return 1;
    }
    view.show(true);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("loaded %s into %s: %lld lines in %.2f s\n", folder.c_str(), database.c_str(),
                static_cast<long long>(progress.runTotal.load()), seconds);
    return 0;
}
