#pragma once
// Fetching a release from the folder DATASUS publishes them in (FTP or
// HTTP, libcurl): the folder listed, the release chosen, the zip downloaded
// into a ".part" file that a later attempt resumes, checked member by
// member, and only then given its own name. Progress goes out through
// counters that a window or a terminal reads at its own pace.

#include "update/releaselist.h"

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvane {

// Written by the download, read from any thread.
struct DownloadProgress {
    enum Phase { Idle, Listing, Transferring, Verifying, Done };
    std::atomic<int> phase{Idle};
    std::atomic<std::int64_t> done{0};    // bytes of the zip on disk
    std::atomic<std::int64_t> total{0};   // its size, 0 while unknown

    void reset();
};

// A failure the user reads as it is: what went wrong, in Portuguese.
class DownloadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct DownloadOptions {
    std::string address;            // the folder, "ftp://" or "http(s)://"
    std::string competencia;        // AAAAMM; empty for the newest
    std::string folder;             // where the zips are kept
    long connectTimeoutMs = 5000;
    long listTimeoutMs = 20000;     // the whole listing
    long stallSeconds = 20;         // a transfer that moves nothing this long is broken
    int attempts = 4;               // a broken transfer is resumed this many times
};

struct DownloadResult {
    PublishedRelease release;
    std::string path;               // the checked zip in the folder
    bool fetched = false;           // false when that very file was there already
};

// The folder named in the user's settings, or DATASUS's own.
inline constexpr const char* kDatasusDownloads = "ftp://ftp2.datasus.gov.br/pub/sistemas/tup/downloads/";

// The releases the folder lists. Throws DownloadError.
std::vector<PublishedRelease> listPublished(const std::string& address, long timeoutMs, long connectTimeoutMs);

// Lists, chooses, downloads (or finds it already there) and checks. The
// folder gets the zip under its published name; nothing else is touched.
// Throws DownloadError.
DownloadResult downloadRelease(const DownloadOptions& options, DownloadProgress& progress);

} // namespace korvane
