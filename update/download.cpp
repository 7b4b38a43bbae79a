#include "download.h"

#include "update/releaseinfo.h"
#include "update/releasezip.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace korvane {

void DownloadProgress::reset()
{
    phase = Idle;
    done = 0;
    total = 0;
}

namespace {

// A listing longer than this is not a download folder.
constexpr std::size_t kListingLimit = 8u << 20;

class Easy {
public:
    Easy()
    {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        handle_ = curl_easy_init();
        if (!handle_) throw DownloadError("Não foi possível iniciar a transferência (falta memória)");
        error_[0] = '\0';
        set(CURLOPT_ERRORBUFFER, error_);
        set(CURLOPT_NOSIGNAL, 1L);
        set(CURLOPT_FAILONERROR, 1L);
        set(CURLOPT_FOLLOWLOCATION, 1L);
        set(CURLOPT_MAXREDIRS, 5L);
    }
    ~Easy() { curl_easy_cleanup(handle_); }
    Easy(const Easy&) = delete;
    Easy& operator=(const Easy&) = delete;

    template <class T> void set(CURLoption option, T value) { curl_easy_setopt(handle_, option, value); }
    CURLcode perform() { return curl_easy_perform(handle_); }
    long responseCode() const
    {
        long code = 0;
        curl_easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &code);
        return code;
    }
    std::int64_t contentLength() const
    {
        curl_off_t n = -1;
        curl_easy_getinfo(handle_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &n);
        return static_cast<std::int64_t>(n);
    }
    const char* detail() const { return error_; }

private:
    CURL* handle_ = nullptr;
    char error_[CURL_ERROR_SIZE];
};

std::string withSlash(std::string address)
{
    while (!address.empty() && (address.back() == ' ' || address.back() == '\n')) address.pop_back();
    if (!address.empty() && address.back() != '/') address.push_back('/');
    return address;
}

bool isFtp(const std::string& url)
{
    return url.rfind("ftp://", 0) == 0 || url.rfind("ftps://", 0) == 0;
}

std::string hostOf(const std::string& url)
{
    const std::size_t start = url.find("://");
    const std::size_t from = start == std::string::npos ? 0 : start + 3;
    return url.substr(from, url.find('/', from) - from);
}

// What went wrong, in the words of the person who reads it.
std::string reasonOf(CURLcode code, const Easy& e, const std::string& url)
{
    const std::string host = hostOf(url);
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST: return "sem rede, ou o endereço " + host + " não existe";
    case CURLE_COULDNT_RESOLVE_PROXY: return "sem rede (o proxy não foi encontrado)";
    case CURLE_COULDNT_CONNECT: return host + " recusou a conexão ou não respondeu";
    case CURLE_OPERATION_TIMEDOUT: return host + " parou de responder";
    case CURLE_LOGIN_DENIED: return host + " recusou o acesso";
    case CURLE_REMOTE_ACCESS_DENIED: return host + " recusou o acesso ao arquivo";
    case CURLE_REMOTE_FILE_NOT_FOUND: return "o arquivo não está mais no servidor";
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR: return "a conexão caiu no meio da transferência";
    case CURLE_UNSUPPORTED_PROTOCOL: return "o endereço não é ftp:// nem http://";
    case CURLE_URL_MALFORMAT: return "o endereço está mal escrito";
    case CURLE_HTTP_RETURNED_ERROR:
        if (e.responseCode() == 404 || e.responseCode() == 410) return "o arquivo não está mais no servidor";
        return host + " respondeu com o erro " + std::to_string(e.responseCode());
    default: break;
    }
    return std::string(curl_easy_strerror(code)) + (*e.detail() ? std::string(" (") + e.detail() + ")" : "");
}

void connectOptions(Easy& e, const std::string& url, const DownloadOptions& o)
{
    e.set(CURLOPT_URL, url.c_str());
    e.set(CURLOPT_CONNECTTIMEOUT_MS, o.connectTimeoutMs);
    e.set(CURLOPT_SERVER_RESPONSE_TIMEOUT, o.stallSeconds);
    // Slower than a byte a second for the stall time is a broken transfer.
    e.set(CURLOPT_LOW_SPEED_LIMIT, 1L);
    e.set(CURLOPT_LOW_SPEED_TIME, o.stallSeconds);
}

std::size_t discard(char*, std::size_t size, std::size_t n, void*) { return size * n; }

std::size_t appendText(char* data, std::size_t size, std::size_t n, void* to)
{
    auto* text = static_cast<std::string*>(to);
    if (text->size() + size * n > kListingLimit) return 0;
    text->append(data, size * n);
    return size * n;
}

// The zip as it grows on disk.
struct PartFile {
    int fd = -1;
    int writeError = 0;
    std::int64_t offset = 0;
    DownloadProgress* progress = nullptr;
};

std::size_t appendToPart(char* data, std::size_t size, std::size_t n, void* to)
{
    auto* part = static_cast<PartFile*>(to);
    std::size_t written = 0;
    while (written < size * n) {
        const ssize_t w = ::write(part->fd, data + written, size * n - written);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            part->writeError = w < 0 ? errno : ENOSPC;
            return 0;
        }
        written += static_cast<std::size_t>(w);
    }
    return written;
}

int onProgress(void* to, curl_off_t total, curl_off_t now, curl_off_t, curl_off_t)
{
    auto* part = static_cast<PartFile*>(to);
    part->progress->done.store(part->offset + static_cast<std::int64_t>(now), std::memory_order_relaxed);
    if (total > 0 && part->progress->total.load(std::memory_order_relaxed) <= 0)
        part->progress->total.store(part->offset + static_cast<std::int64_t>(total), std::memory_order_relaxed);
    return 0;
}

std::int64_t sizeOnDisk(const std::string& path)
{
    std::error_code ec;
    const auto n = fs::file_size(path, ec);
    return ec ? 0 : static_cast<std::int64_t>(n);
}

// The size the server gives the file (-1 when it gives none); throws when
// the file cannot be reached at all.
std::int64_t remoteSize(const std::string& url, const DownloadOptions& o)
{
    Easy e;
    connectOptions(e, url, o);
    e.set(CURLOPT_NOBODY, 1L);
    // An FTP server's answers would otherwise go to standard output.
    e.set(CURLOPT_WRITEFUNCTION, discard);
    const CURLcode code = e.perform();
    if (code != CURLE_OK) throw DownloadError("Não foi possível baixar " + url + ": " + reasonOf(code, e, url));
    return e.contentLength();
}

enum class Outcome { Complete, Broken, Restart };

// One transfer from where the ".part" file ends.
Outcome transferOnce(const std::string& url, const std::string& part, const DownloadOptions& o,
                     DownloadProgress& progress, std::string& failure)
{
    const std::int64_t remote = remoteSize(url, o);
    PartFile file;
    file.offset = sizeOnDisk(part);
    file.progress = &progress;
    progress.total.store(remote > 0 ? remote : 0);
    progress.done.store(file.offset);
    if (remote >= 0 && file.offset > remote) return Outcome::Restart;
    if (remote >= 0 && file.offset == remote) return Outcome::Complete;

    file.fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (file.fd < 0) throw DownloadError("Não foi possível gravar " + part + ": " + std::strerror(errno));
    Easy e;
    connectOptions(e, url, o);
    e.set(CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(file.offset));
    e.set(CURLOPT_WRITEFUNCTION, appendToPart);
    e.set(CURLOPT_WRITEDATA, &file);
    e.set(CURLOPT_NOPROGRESS, 0L);
    e.set(CURLOPT_XFERINFOFUNCTION, onProgress);
    e.set(CURLOPT_XFERINFODATA, &file);
    const CURLcode code = e.perform();
    ::close(file.fd);
    progress.done.store(sizeOnDisk(part));
    if (file.writeError)
        throw DownloadError("Não foi possível gravar " + part + ": " +
                            (file.writeError == ENOSPC ? std::string("o disco está cheio")
                                                       : std::string(std::strerror(file.writeError))));
    switch (code) {
    case CURLE_OK: return Outcome::Complete;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        failure = "Não foi possível baixar " + url + ": " + reasonOf(code, e, url);
        return Outcome::Broken;
    case CURLE_BAD_DOWNLOAD_RESUME:
    case CURLE_RANGE_ERROR: return Outcome::Restart;
    default: throw DownloadError("Não foi possível baixar " + url + ": " + reasonOf(code, e, url));
    }
}

// Transfers until the ".part" file is whole, resuming what breaks.
void fetch(const std::string& url, const std::string& part, const DownloadOptions& o, DownloadProgress& progress)
{
    std::string failure = "Não foi possível baixar " + url;
    for (int attempt = 0; attempt < std::max(o.attempts, 1); ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        switch (transferOnce(url, part, o, progress, failure)) {
        case Outcome::Complete: return;
        case Outcome::Restart: fs::remove(part); break;
        case Outcome::Broken: break;
        }
    }
    throw DownloadError(failure + " (tentado " + std::to_string(std::max(o.attempts, 1)) + " vezes; " +
                        "o que veio fica guardado e a próxima vez continua dali)");
}

// A zip is kept only when every member unpacks to its CRC and it holds a release.
void checkDownloaded(const std::string& path)
{
    const ZipSource zip(path);
    zip.verify();
    describeRelease(zip);
}

} // namespace

std::vector<PublishedRelease> listPublished(const std::string& address, long timeoutMs, long connectTimeoutMs)
{
    const std::string url = withSlash(address);
    Easy e;
    DownloadOptions o;
    o.connectTimeoutMs = connectTimeoutMs;
    connectOptions(e, url, o);
    e.set(CURLOPT_TIMEOUT_MS, timeoutMs);
    if (isFtp(url)) e.set(CURLOPT_DIRLISTONLY, 1L);
    std::string listing;
    e.set(CURLOPT_WRITEFUNCTION, appendText);
    e.set(CURLOPT_WRITEDATA, &listing);
    const CURLcode code = e.perform();
    if (code != CURLE_OK) throw DownloadError("Não foi possível listar " + url + ": " + reasonOf(code, e, url));
    return publishedReleases(listing);
}

DownloadResult downloadRelease(const DownloadOptions& o, DownloadProgress& progress)
{
    progress.reset();
    progress.phase = DownloadProgress::Listing;
    const std::string address = withSlash(o.address);
    const std::optional<PublishedRelease> chosen =
        chooseRelease(listPublished(address, o.listTimeoutMs, o.connectTimeoutMs), o.competencia);
    if (!chosen)
        throw DownloadError(o.competencia.empty()
                                ? "Nenhuma versão da tabela em " + address
                                : "A competência " + competenciaShown(o.competencia) + " não está em " + address);
    DownloadResult result{*chosen, (fs::path(o.folder) / chosen->name).string(), false};
    if (fs::exists(result.path)) {
        try {
            checkDownloaded(result.path);
            progress.phase = DownloadProgress::Done;
            return result;
        } catch (const std::exception&) {
            fs::remove(result.path);   // a damaged copy is no release: fetch it again
        }
    }
    std::error_code ec;
    fs::create_directories(o.folder, ec);
    if (ec) throw DownloadError("Não foi possível criar a pasta " + o.folder + ": " + ec.message());

    const std::string part = result.path + ".part";
    progress.phase = DownloadProgress::Transferring;
    fetch(address + chosen->name, part, o, progress);
    progress.phase = DownloadProgress::Verifying;
    try {
        checkDownloaded(part);
    } catch (const std::exception& e) {
        fs::remove(part);
        throw DownloadError("O arquivo baixado de " + address + chosen->name + " não serve: " + e.what());
    }
    fs::rename(part, result.path, ec);
    if (ec) throw DownloadError("Não foi possível gravar " + result.path + ": " + ec.message());
    result.fetched = true;
    progress.phase = DownloadProgress::Done;
    return result;
}

} // namespace korvane
