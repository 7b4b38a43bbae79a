#pragma once
// The table update run, without widgets: a release (a folder, or the zip as
// published) in, the release tables
// and VERSAO replaced in one transaction, progress out through counters
// that a window or a terminal reads at its own pace.

#include "update/layoutfile.h"
#include "update/releasefile.h"
#include "update/releasesource.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kdb {
class Connection;
struct Credentials;
} // namespace kdb

namespace korvane {

// Written by the run, read from any thread. A reader that sees a step also
// sees that step's table total.
struct UpdateProgress {
    std::atomic<int> step{0};                    // 1..releaseLayouts().size() while a table loads; 0 before the first
    std::atomic<std::int64_t> tableDone{0};      // lines stored of the current table
    std::atomic<std::int64_t> tableTotal{0};
    std::atomic<std::int64_t> runDone{0};        // lines stored since the run began
    std::atomic<std::int64_t> runTotal{0};       // set once every file is read
    std::atomic<bool> filesRead{false};

    void reset();
};

// A failure of the run. The text is what the user reads: the reason, then
// the file and the line where there is one.
class UpdateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every file of a release read and its layout checked; nothing touched yet.
// The files are kept as read and checked (some 30 MB for a release) with
// each one's line count and stamp: reading or unpacking them again cost
// more than a tenth of a monthly load, and a file of a folder that changed
// since its check stops the run.
class CheckedRelease {
public:
    using Stamp = ReleaseSource::Stamp;
    struct Entry {
        ResolvedLayout layout;
        std::string path;
        std::size_t lines = 0;
        std::size_t bytes = 0;
        Stamp stamp;
        // False for a file of the later ones that this release lacks: its
        // table is emptied and stays so.
        bool present = true;
        // The file as read and checked, for a source that keeps what it read.
        std::shared_ptr<const ReleaseFile> kept;
    };
    // Throws (std::runtime_error) when a file or a layout file cannot be read,
    // or a layout file lacks a field; a missing file of the optional ones is
    // no failure (TableLayout::optional); UpdateError when the files fail
    // the checks of update/releasecheck.h. The path names a folder or a zip
    // (openReleaseSource); a zip has every member checked first.
    static CheckedRelease read(std::string_view path);
    static CheckedRelease read(std::shared_ptr<const ReleaseSource> source);

    // The folder or the zip, as it was named.
    const std::string& folder() const { return source_->location(); }
    const ReleaseSource& source() const { return *source_; }
    const std::vector<Entry>& entries() const { return entries_; }
    std::int64_t totalLines() const;
    std::size_t totalBytes() const;
    // The optional files this release lacks, in load order.
    std::vector<const TableLayout*> absent() const;

    // The file of an entry, read again; throws UpdateError when it is no
    // longer the file that was checked.
    ReleaseFile reread(const Entry& entry) const;

private:
    std::shared_ptr<const ReleaseSource> source_;
    std::vector<Entry> entries_;
};

struct UpdateHooks {
    // Called on the run's thread when a step's table has been emptied and its
    // load is about to begin (tests use it to watch or to fail a step).
    std::function<void(int step)> beforeStep;
    // Called when a step's rows are all inserted.
    std::function<void(int step)> afterStep;
    // Called when the commit has returned (tests use it to spoil what follows).
    std::function<void()> afterCommit;
};

// Replaces the release tables and VERSAO with the release, all in one transaction
// that is committed once at the end: a failure anywhere, or the end of the
// process, leaves them as they were. A request to stop the process
// (korvane::stopRequested) before the commit ends the run with UpdateError;
// once the commit has returned, nothing that follows fails the run. Before
// the first table is written, a link file that is empty where the
// neighbouring kept competência has rows stops the run (refuseEmptiedLinks).
void loadRelease(kdb::Connection& db, const CheckedRelease& release, UpdateProgress& progress,
                 const UpdateHooks& hooks = {});

// read + loadRelease; folder names a folder or a zip.
void updateTables(kdb::Connection& db, std::string_view folder, UpdateProgress& progress,
                  const UpdateHooks& hooks = {});

// updateTables through an attachment of the run's own to the database at
// path, opened and closed on the calling thread: the way for a run on a
// thread of its own, since a connection belongs to one thread at a time.
void updateDatabase(const std::string& path, const kdb::Credentials& credentials, std::string_view folder,
                    UpdateProgress& progress, const UpdateHooks& hooks = {});

} // namespace korvane
