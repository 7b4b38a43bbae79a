// korvane-cli download: a release fetched from the download folder into the
// releases folder, with its progress on standard error, and loaded when
// asked. Standard output gets the zip's path, for scripts.

#include "cli/release.h"

#include "core/aside.h"
#include "update/download.h"
#include "update/releaseinfo.h"
#include "update/releasesettings.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <thread>

namespace cli {
namespace {

struct DownloadArgs {
    korvane::DownloadOptions options;
    bool load = false;
};

DownloadArgs parse(const Context& context, const QStringList& args)
{
    DownloadArgs d;
    d.options.address = korvane::downloadAddress();
    d.options.folder = korvane::releasesFolderFor(context.database);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--load")) {
            d.load = true;
            continue;
        }
        if (a != QLatin1String("--competencia") && a != QLatin1String("--from") && a != QLatin1String("--to"))
            throw UsageError("download não conhece " + a.toStdString());
        if (i + 1 >= args.size()) throw UsageError("falta o valor de " + a.toStdString());
        const std::string value = args[++i].toStdString();
        if (a == QLatin1String("--from")) d.options.address = value;
        else if (a == QLatin1String("--to")) d.options.folder = value;
        else if (korvane::competenciaShown(value).empty()) throw UsageError("a competência é AAAAMM, como 202606");
        else d.options.competencia = value;
    }
    return d;
}

// The download goes to a thread of its own while this one draws its
// progress every 100 ms.
std::exception_ptr runShowing(const std::function<void()>& work, const std::function<void()>& show)
{
    korvane::Aside aside(work);
    while (!aside.done()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        show();
    }
    return aside.join();
}

// On a terminal a bar redrawn in place; otherwise a line at each tenth.
class DownloadView {
public:
    explicit DownloadView(const korvane::DownloadProgress& p) : p_(p), tty_(::isatty(STDERR_FILENO) == 1) {}

    void show(bool final = false)
    {
        const int phase = p_.phase.load();
        if (phase < korvane::DownloadProgress::Transferring) return;
        const long long done = p_.done.load(), total = p_.total.load();
        if (tty_) {
            char text[64];
            std::snprintf(text, sizeof text, "%.1f/%.1f MB", done / 1048576.0, total / 1048576.0);
            drawProgressBar(done, total, text, final);
            return;
        }
        const int tenth = total > 0 ? static_cast<int>(done * 10 / total) : 0;
        if (tenth > lastTenth_) {
            std::fprintf(stderr, "baixados %d%% de %.1f MB\n", tenth * 10, total / 1048576.0);
            lastTenth_ = tenth;
        }
    }

private:
    const korvane::DownloadProgress& p_;
    bool tty_;
    int lastTenth_ = 0;
};

} // namespace

int download(const Context& context, const QStringList& args)
{
    const DownloadArgs d = parse(context, args);
    korvane::DownloadProgress progress;
    korvane::DownloadResult result;
    DownloadView view(progress);
    const std::exception_ptr failure =
        runShowing([&] { result = korvane::downloadRelease(d.options, progress); }, [&] { view.show(); });
    if (failure) std::rethrow_exception(failure);
    if (result.fetched) view.show(true);

    const std::string what = result.release.name + " (competência " +
                             korvane::competenciaShown(result.release.competencia) + ", publicada em " +
                             korvane::publishedShown(result.release.stamp) + ")";
    std::fprintf(stderr, "%s %s\n", what.c_str(), result.fetched ? "baixado" : "já estava baixado");
    std::printf("%s\n", result.path.c_str());
    std::fflush(stdout);
    return d.load ? runUpdate(context, result.path, "korvane-cli") : 0;
}

} // namespace cli
