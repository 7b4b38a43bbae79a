// korvane-cli download: a release fetched from the download folder into the
// releases folder, with its progress on standard error, and loaded when
// asked. Standard output gets the zip's path, for scripts.

#include "cli/release.h"

#include "core/aside.h"
#include "update/download.h"
#include "update/releaselist.h"
#include "update/releaseinfo.h"
#include "update/releasesettings.h"

#include <unistd.h>

#include <algorithm>
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
    int last = 0;   // the newest N competências, each in its latest publication
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
        if (a != QLatin1String("--competencia") && a != QLatin1String("--from") && a != QLatin1String("--to") &&
            a != QLatin1String("--ultimas"))
            throw UsageError("download não conhece " + a.toStdString());
        if (i + 1 >= args.size()) throw UsageError("falta o valor de " + a.toStdString());
        const std::string value = args[++i].toStdString();
        if (a == QLatin1String("--from")) d.options.address = value;
        else if (a == QLatin1String("--to")) d.options.folder = value;
        else if (a == QLatin1String("--ultimas")) {
            d.last = QString::fromStdString(value).toInt();
            if (d.last < 1 || d.last > 240) throw UsageError("--ultimas pede um número de competências (1 a 240)");
        }
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

// One release fetched (or found fetched already); returns its zip's path.
std::string fetch(const korvane::DownloadOptions& options)
{
    korvane::DownloadProgress progress;
    korvane::DownloadResult result;
    DownloadView view(progress);
    const std::exception_ptr failure =
        runShowing([&] { result = korvane::downloadRelease(options, progress); }, [&] { view.show(); });
    if (failure) std::rethrow_exception(failure);
    if (result.fetched) view.show(true);

    const std::string what = result.release.name + " (competência " +
                             korvane::competenciaShown(result.release.competencia) + ", publicada em " +
                             korvane::publishedShown(result.release.stamp) + ")";
    std::fprintf(stderr, "%s %s\n", what.c_str(), result.fetched ? "baixado" : "já estava baixado");
    std::printf("%s\n", result.path.c_str());
    std::fflush(stdout);
    return result.path;
}

} // namespace

int download(const Context& context, const QStringList& args)
{
    const DownloadArgs d = parse(context, args);
    if (d.last == 0) {
        const std::string path = fetch(d.options);
        return d.load ? runUpdate(context, path, "korvane-cli") : 0;
    }
    if (!d.options.competencia.empty()) throw UsageError("--ultimas e --competencia não andam juntas");
    std::vector<std::string> competencias;
    for (const korvane::PublishedRelease& r : korvane::listPublished(d.options.address, 20000, 5000))
        if (std::find(competencias.begin(), competencias.end(), r.competencia) == competencias.end())
            competencias.push_back(r.competencia);
    if (competencias.empty()) throw std::runtime_error("a pasta de download não tem nenhuma versão da tabela");
    std::sort(competencias.begin(), competencias.end());
    if (competencias.size() > static_cast<std::size_t>(d.last))
        competencias.erase(competencias.begin(), competencias.end() - d.last);
    std::vector<std::string> paths;
    for (const std::string& c : competencias) {
        korvane::DownloadOptions one = d.options;
        one.competencia = c;
        paths.push_back(fetch(one));
    }
    if (!d.load) return 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::fprintf(stderr, "[%zu/%zu] %s\n", i + 1, paths.size(), paths[i].c_str());
        if (const int status = runUpdate(context, paths[i], "korvane-cli"); status != 0) return status;
    }
    return 0;
}

} // namespace cli
