#include "releasefile.h"

#include "core/text.h"
#include "update/releasetext.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane {

ReleaseFile::ReleaseFile(ReleaseFile&& o) noexcept { *this = std::move(o); }

ReleaseFile& ReleaseFile::operator=(ReleaseFile&& o) noexcept
{
    // Views point into the content buffer; moving a std::string may use the
    // small-buffer, so re-base the views rather than trusting the move.
    const char* oldBase = o.content.data();
    path = std::move(o.path);
    content = std::move(o.content);
    if (content.data() == oldBase) {
        // The buffer itself moved (any file past a few bytes): the views
        // hold, and a release's lines are not copied at each hand-over.
        lines = std::move(o.lines);
        o.lines.clear();
        return *this;
    }
    lines.clear();
    lines.reserve(o.lines.size());
    for (std::string_view v : o.lines) lines.emplace_back(content.data() + (v.data() - oldBase), v.size());
    o.lines.clear();
    return *this;
}

std::string releaseFilePath(std::string_view folder, std::string_view fileName)
{
    std::string path(trimmed(folder));
    path.push_back('/');
    path.append(fileName);
    return path;
}

namespace {

// Asks for the whole large pages inside memory not touched yet; the advice
// is a hint, the bytes the same either way. A release's tens of megabytes,
// held in pages of 4 KB, cost a page fault every 4 KB: two fifths of the
// time of reading it.
void adviseLargePages(const void* memory, std::size_t bytes)
{
#if defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t large = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t from = (begin + large - 1) & ~(large - 1), to = (begin + bytes) & ~(large - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
    (void)memory;
    (void)bytes;
#endif
}

} // namespace

std::vector<std::string_view> splitRecords(std::string& content)
{
    const std::size_t nul = content.find('\0');
    if (nul != std::string::npos) content.resize(nul);
    const std::string_view t = trimmed(content);
    const std::size_t start = static_cast<std::size_t>(t.data() - content.data());
    content.resize(start + t.size());
    content.erase(0, start);
    std::vector<std::string_view> lines;
    if (content.empty()) return lines;
    const char* p = content.data();
    const std::size_t n = content.size();
    // Counted first (a file of lone CRs grows as it goes), the lines are
    // held once: growing the vector would touch twice their memory, and
    // fresh memory costs a fault a page here.
    lines.reserve(static_cast<std::size_t>(std::count(p, p + n, '\n')) + 1);
    adviseLargePages(lines.data(), lines.capacity() * sizeof(std::string_view));
    // Line ends are found by memchr, many bytes at a step: a byte at a
    // time was a tenth of reading a release.
    const char* const end = p + n;
    const char* b = p;
    for (;;) {
        const auto* lf = static_cast<const char*>(std::memchr(b, '\n', static_cast<std::size_t>(end - b)));
        const char* lineEnd = lf ? lf : end;
        if (const auto* cr = static_cast<const char*>(std::memchr(b, '\r', static_cast<std::size_t>(lineEnd - b)))) {
            lines.emplace_back(b, static_cast<std::size_t>(cr - b));
            b = cr + 1 < end && cr[1] == '\n' ? cr + 2 : cr + 1;
            continue;
        }
        lines.emplace_back(b, static_cast<std::size_t>(lineEnd - b));
        if (!lf) break;
        b = lf + 1;
    }
    return lines;
}

void takeLines(ReleaseFile& file)
{
    dropWhatFollowsTheEnd(file.content, file.path);
    convertFromUtf8(file.content, file.path);
    file.lines = splitRecords(file.content);
}

void sizeContent(std::string& content, std::size_t size)
{
    content.clear();
    content.reserve(size);
    adviseLargePages(content.data(), size);
    content.resize(size);
}

ReleaseFile readReleaseFile(std::string_view folder, std::string_view fileName)
{
    ReleaseFile f;
    f.path = releaseFilePath(folder, fileName);
    auto fail = [&](int err) {
        throw std::runtime_error("Cannot open file \"" + f.path + "\". " + std::strerror(err));
    };
    const int fd = ::open(f.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fail(errno);
    struct stat sb {};
    if (::fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) {
        const int err = S_ISDIR(sb.st_mode) ? EISDIR : errno;
        ::close(fd);
        fail(err);
    }
    sizeContent(f.content, static_cast<std::size_t>(sb.st_size));
    std::size_t got = 0;
    while (got < f.content.size()) {
        const ssize_t r = ::read(fd, f.content.data() + got, f.content.size() - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            fail(err);
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    f.content.resize(got);
    takeLines(f);
    return f;
}

} // namespace korvane
