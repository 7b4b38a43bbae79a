#include "releasesource.h"

#include "core/text.h"
#include "update/releasezip.h"

#include <sys/stat.h>

namespace korvane {
namespace {

bool statOf(const std::string& path, struct stat& sb) { return ::stat(path.c_str(), &sb) == 0; }

} // namespace

std::string FolderSource::pathOf(std::string_view fileName) const { return releaseFilePath(location(), fileName); }

bool FolderSource::contains(std::string_view fileName) const
{
    struct stat sb {};
    return statOf(pathOf(fileName), sb);
}

ReleaseFile FolderSource::read(std::string_view fileName) const { return readReleaseFile(location(), fileName); }

ReleaseSource::Stamp FolderSource::stamp(std::string_view fileName) const
{
    struct stat sb {};
    if (!statOf(pathOf(fileName), sb)) return {};
    return {static_cast<std::int64_t>(sb.st_size),
            static_cast<std::int64_t>(sb.st_mtim.tv_sec) * 1000000000 + sb.st_mtim.tv_nsec};
}

std::int64_t FolderSource::modified(std::string_view fileName) const
{
    struct stat sb {};
    return statOf(pathOf(fileName), sb) ? static_cast<std::int64_t>(sb.st_mtim.tv_sec) : 0;
}

bool namesAFile(std::string_view path)
{
    struct stat sb {};
    return statOf(trimmedCopy(path), sb) && S_ISREG(sb.st_mode);
}

std::unique_ptr<ReleaseSource> openReleaseSource(std::string_view path)
{
    if (namesAFile(path)) return std::make_unique<ZipSource>(trimmedCopy(path));
    return std::make_unique<FolderSource>(path);
}

} // namespace korvane
