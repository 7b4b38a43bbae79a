#pragma once
// Where a release's files come from: a folder of them, or the zip DATASUS
// publishes. The update run, the layouts and the database creation read
// through this, so a zip is never unpacked to disk.

#include "update/releasefile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include <string_view>

namespace korvane {

class ReleaseSource {
public:
    // What identifies one file's content without reading it again: its size
    // and modification time in a folder; its size and CRC in a zip.
    struct Stamp {
        std::int64_t size = 0, tag = 0;
        bool operator==(const Stamp&) const = default;
    };

    virtual ~ReleaseSource() = default;

    // The folder or the zip as it was named.
    const std::string& location() const { return location_; }
    // How a file of the release is named in messages.
    virtual std::string pathOf(std::string_view fileName) const = 0;
    virtual bool contains(std::string_view fileName) const = 0;
    // Throws std::runtime_error with the reason when the file cannot be read.
    virtual ReleaseFile read(std::string_view fileName) const = 0;
    virtual Stamp stamp(std::string_view fileName) const = 0;
    // The time the file was last written, seconds since the epoch; 0 when unknown.
    virtual std::int64_t modified(std::string_view fileName) const = 0;
    // Checks what can be checked before anything is read: a zip's every
    // member against its CRC, but for the files named, which the caller
    // reads whole (reading checks them too) before it touches a table.
    // Throws std::runtime_error.
    virtual void verify(const std::vector<std::string_view>& readLater = {}) const { (void)readLater; }
    // Whether reading a file again costs more than keeping it once read.
    virtual bool keepRead() const { return false; }
    // Whether the source was written over since it was opened (for one whose
    // files are kept as read: what they were checked as is no longer there).
    virtual bool writtenOver() const { return false; }
    // Whether a file kept as read, stamped `read` then, is no longer what
    // the source holds.
    virtual bool changed(std::string_view fileName, const Stamp& read) const
    {
        (void)fileName;
        (void)read;
        return writtenOver();
    }

protected:
    explicit ReleaseSource(std::string location) : location_(std::move(location)) {}

private:
    std::string location_;
};

// The files of a folder, read as readReleaseFile reads them.
class FolderSource : public ReleaseSource {
public:
    explicit FolderSource(std::string_view folder) : ReleaseSource(std::string(folder)) {}
    std::string pathOf(std::string_view fileName) const override;
    bool contains(std::string_view fileName) const override;
    ReleaseFile read(std::string_view fileName) const override;
    Stamp stamp(std::string_view fileName) const override;
    std::int64_t modified(std::string_view fileName) const override;
    // A release's files are all held from their check to their table's
    // load: reading each again cost the load a read and a split of every
    // line, and holding them costs what a zip's do.
    bool keepRead() const override { return true; }
    bool changed(std::string_view fileName, const Stamp& read) const override { return !(stamp(fileName) == read); }
};

// True when the path names a regular file (a zip, or something pretending
// to be one) rather than a folder.
bool namesAFile(std::string_view path);

// A zip when the path is a file, otherwise a folder (which need not exist:
// its first file then fails to open, as it always did). Throws
// std::runtime_error when the file is not a zip that can be read.
std::unique_ptr<ReleaseSource> openReleaseSource(std::string_view path);

} // namespace korvane
