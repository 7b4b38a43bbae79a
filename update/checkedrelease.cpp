#include "updaterun.h"

#include "update/filesahead.h"
#include "update/releasecheck.h"

#include <optional>

namespace korvane {

CheckedRelease CheckedRelease::read(std::string_view path)
{
    return read(std::shared_ptr<const ReleaseSource>(openReleaseSource(path)));
}

CheckedRelease CheckedRelease::read(std::shared_ptr<const ReleaseSource> source)
{
    // The files read below are checked as they are read, before any table
    // is touched: unpacking them once more first would only cost time.
    std::vector<std::string_view> readBelow;
    for (const TableLayout& layout : releaseLayouts()) readBelow.push_back(layout.fileName);
    source->verify(readBelow);
    CheckedRelease r;
    r.source_ = std::move(source);
    r.entries_.reserve(releaseLayouts().size());
    std::vector<std::string> present;
    for (const TableLayout& layout : releaseLayouts())
        if (!layout.optional || r.source_->contains(layout.fileName)) present.emplace_back(layout.fileName);
    std::optional<FilesAhead> ahead;
    if (r.source_->keepRead()) ahead.emplace(*r.source_, present);
    std::size_t taken = 0;
    ReleaseChecks checks;
    for (const TableLayout& layout : releaseLayouts()) {
        Entry e;
        if (layout.optional && !r.source_->contains(layout.fileName)) {
            e.layout = fixedLayout(layout);
            e.path = releaseFilePath(r.source_->location(), layout.fileName);
            e.present = false;
            r.entries_.push_back(std::move(e));
            continue;
        }
        e.layout = resolveLayout(layout, *r.source_);
        auto file = std::make_shared<ReleaseFile>(ahead ? ahead->take(taken++) : r.source_->read(layout.fileName));
        checks.check(e.layout, *file);
        e.path = file->path;
        e.lines = file->lines.size();
        e.bytes = file->content.size();
        e.stamp = r.source_->stamp(layout.fileName);
        if (r.source_->keepRead()) e.kept = std::move(file);
        r.entries_.push_back(std::move(e));
    }
    return r;
}

ReleaseFile CheckedRelease::reread(const Entry& entry) const
{
    if (!entry.present) {
        ReleaseFile none;
        none.path = entry.path;
        return none;
    }
    ReleaseFile file = source_->read(entry.layout.layout->fileName);
    if (file.lines.size() != entry.lines || !(source_->stamp(entry.layout.layout->fileName) == entry.stamp))
        throw UpdateError("File \"" + file.path + "\" changed while the update was running");
    return file;
}

std::int64_t CheckedRelease::totalLines() const
{
    std::int64_t n = 0;
    for (const Entry& e : entries_) n += static_cast<std::int64_t>(e.lines);
    return n;
}

std::vector<const TableLayout*> CheckedRelease::absent() const
{
    std::vector<const TableLayout*> out;
    for (const Entry& e : entries_)
        if (!e.present) out.push_back(e.layout.layout);
    return out;
}

std::size_t CheckedRelease::totalBytes() const
{
    std::size_t n = 0;
    for (const Entry& e : entries_) n += e.bytes;
    return n;
}

} // namespace korvane
