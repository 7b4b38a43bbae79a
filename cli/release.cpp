#include "release.h"

#include "cli/lifecycle.h"
#include "core/enginefailure.h"
#include "db/connection.h"
#include "korvane_config.h"
#include "update/databasecreation.h"
#include "update/layouts.h"
#include "update/releaselist.h"
#include "update/releaseinfo.h"
#include "update/updaterun.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <future>
#include <thread>

namespace cli {
namespace {

// On a terminal the bar is redrawn in place; otherwise one line per table,
// so a log or a pipe reads well.
class ProgressView {
public:
    explicit ProgressView(const korvane::UpdateProgress& p) : p_(p), tty_(::isatty(STDERR_FILENO) == 1) {}

    void show(bool final = false)
    {
        const int step = p_.step.load(std::memory_order_acquire);
        if (!tty_) {
            lines(step);
            return;
        }
        bar(step, final);
    }

private:
    void lines(int step)
    {
        // Every table gets its line, also those loaded between two looks.
        const long long tTotal = p_.tableTotal.load(std::memory_order_relaxed);
        const int steps = static_cast<int>(korvane::releaseLayouts().size());
        for (int s = lastStep_ + 1; s <= step; ++s) {
            const korvane::TableLayout& l = korvane::releaseLayouts()[static_cast<std::size_t>(s - 1)];
            if (s == step) std::fprintf(stderr, "step %d/%d %s: %lld lines\n", s, steps, l.label, tTotal);
            else std::fprintf(stderr, "step %d/%d %s\n", s, steps, l.label);
        }
        std::fflush(stderr);
        lastStep_ = std::max(lastStep_, step);
    }

    void bar(int step, bool final)
    {
        const long long done = p_.runDone.load(std::memory_order_relaxed);
        const long long total = p_.runTotal.load(std::memory_order_relaxed);
        const long long tDone = p_.tableDone.load(std::memory_order_relaxed);
        const long long tTotal = p_.tableTotal.load(std::memory_order_relaxed);
        const char* label = step > 0 ? korvane::releaseLayouts()[static_cast<std::size_t>(step - 1)].label : "";
        char text[96];
        std::snprintf(text, sizeof text, "%-22s %lld/%lld", label, tDone, tTotal);
        drawProgressBar(done, total, text, final);
    }

    const korvane::UpdateProgress& p_;
    bool tty_;
    int lastStep_ = 0;
};

// An older release lacks some of the later files: the load went on without
// them and their tables are empty.
void sayAbsent(const std::string& folder)
{
    try {
        for (const korvane::TableLayout* l : korvane::absentLayouts(*korvane::openReleaseSource(folder)))
            std::printf("not in this release: %s (%s left empty)\n", l->fileName, l->table);
    } catch (const std::exception&) {
        // The release was read a moment ago; one that went away since has nothing more to say.
    }
}

std::string oneFolder(const QStringList& args, const char* what)
{
    if (args.size() != 1 || args.front().startsWith(QLatin1String("--")))
        throw UsageError(std::string("diga a pasta ou o zip ") + what);
    return args.front().toStdString();
}

} // namespace

void drawProgressBar(long long done, long long total, const std::string& text, bool final)
{
    constexpr int kWidth = 40;
    const int filled = total > 0 ? static_cast<int>(std::min(done, total) * kWidth / total) : 0;
    char cells[kWidth + 1];
    for (int i = 0; i < kWidth; ++i) cells[i] = i < filled ? '#' : '-';
    cells[kWidth] = '\0';
    const int percent = total > 0 ? static_cast<int>(std::min(done, total) * 100 / total) : 0;
    std::fprintf(stderr, "\r[%s] %3d%%  %s\033[K", cells, percent, text.c_str());
    if (final) std::fputc('\n', stderr);
    std::fflush(stderr);
}

int runCreatedb(const Context& context, const std::string& folder, const char* program)
{
    try {
        const korvane::CreationCounts n = korvane::createKorvaneDatabase(context.database, folder);
        std::printf("created %s: TB_CID %zu rows, TB_FINANCIAMENTO %zu rows\n", context.database.c_str(), n.cid,
                    n.financiamento);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program, korvane::explainedFailure(e.what()).c_str());
        return failureStatus();
    }
}

int runUpdate(const Context& context, const std::string& folder, const char* program, const korvane::UpdateHooks& hooks)
{
    korvane::UpdateProgress progress;
    std::exception_ptr failure;
    std::promise<void> finished;
    std::future<void> done = finished.get_future();
    const auto started = std::chrono::steady_clock::now();
    std::jthread worker([&] {
        try {
            korvane::updateDatabase(context.database, kdb::Credentials{KORVANE_DB_USER, KORVANE_DB_PASSWORD}, folder, progress,
                                    hooks);
        } catch (...) {
            failure = std::current_exception();
        }
        finished.set_value();
    });
    ProgressView view(progress);
    // The bar is redrawn every tenth of a second, and the wait ends the
    // moment the load does.
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) view.show();
    worker.join();
    if (failure) {
        if (progress.runTotal.load() > 0) view.show(true);
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", program, korvane::explainedFailure(e.what()).c_str());
        } catch (...) {
            std::fprintf(stderr, "%s: unknown error\n", program);
        }
        return failureStatus();
    }
    // Loaded, also when a signal came after the commit: the release is in.
    view.show(true);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("loaded %s into %s: %lld lines in %.2f s\n", folder.c_str(), context.database.c_str(),
                static_cast<long long>(progress.runTotal.load()), seconds);
    sayAbsent(folder);
    return 0;
}

int createdb(const Context& context, const QStringList& args)
{
    return runCreatedb(context, oneFolder(args, "da versão da tabela"), "korvane-cli");
}

int update(const Context& context, const QStringList& args)
{
    const std::string source = oneFolder(args, "da versão da tabela");
    const std::vector<std::string> zips = korvane::releaseZipsIn(source);
    if (zips.empty()) return runUpdate(context, source, "korvane-cli");
    // A folder of published zips: each is a load of its own, oldest first,
    // and a failure stops there with what came before it kept.
    for (std::size_t i = 0; i < zips.size(); ++i) {
        std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, zips.size(), zips[i].c_str());
        if (const int status = runUpdate(context, zips[i], "korvane-cli"); status != 0) {
            std::fprintf(stderr, "korvane-cli: %zu de %zu versões carregadas; parou em %s\n", i, zips.size(), zips[i].c_str());
            return status;
        }
    }
    return 0;
}

} // namespace cli
