#include "releasezip.h"

#include <algorithm>

#include "update/layouts.h"

#include <libdeflate.h>
#include <sys/stat.h>
#include <zip.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace korvane {
namespace {

std::string lowerBaseName(std::string_view name)
{
    const std::size_t slash = name.find_last_of('/');
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    std::string s(name);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string megabytes(std::uint64_t bytes) { return std::to_string((bytes + 1048575) / 1048576) + " MB"; }

// What libzip says, in the words a clerk reads.
std::string reasonOf(const zip_error_t* e)
{
    switch (zip_error_code_zip(e)) {
    case ZIP_ER_NOZIP: return "não é um arquivo zip";
    case ZIP_ER_CRC: return "o conteúdo não confere com o CRC gravado no zip";
    case ZIP_ER_INCONS:
    case ZIP_ER_EOF:
    case ZIP_ER_COMPRESSED_DATA:
    case ZIP_ER_ZLIB: return "o zip está danificado ou incompleto";
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_ENCRNOTSUPP: return "o zip está protegido por senha";
    case ZIP_ER_COMPNOTSUPP: return "o zip usa uma compressão que o programa não lê";
    case ZIP_ER_MULTIDISK: return "o zip está dividido em partes";
    case ZIP_ER_MEMORY: return "falta memória";
    default: break;
    }
    if (zip_error_system_type(e) == ZIP_ET_SYS) return std::strerror(zip_error_code_system(e));
    return zip_error_strerror(const_cast<zip_error_t*>(e));
}

// Which release file a zip lacking it should have had; none of them at all
// means the zip is of another kind.
// A zip cut short loses its directory, which is at its end; libzip then
// says it is no zip, though its first member's header is still there.
bool startsAsAZip(const std::string& path)
{
    char head[4] = {};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    const bool zip = std::fread(head, 1, 4, f) == 4 && std::memcmp(head, "PK\x03\x04", 4) == 0;
    std::fclose(f);
    return zip;
}

bool holdsAnyReleaseFile(const ZipSource& zip)
{
    for (const TableLayout& l : releaseLayouts())
        if (zip.contains(l.fileName)) return true;
    return false;
}

} // namespace

namespace {

ReleaseSource::Stamp fileStamp(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {-1, -1};
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

} // namespace

bool ZipSource::writtenOver() const { return !(fileStamp(location()) == opened_); }

ZipSource::ZipSource(std::string path) : ReleaseSource(std::move(path))
{
    int code = 0;
    zip_ = zip_open(location().c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!zip_) {
        if (code == ZIP_ER_NOZIP && startsAsAZip(location())) fail("o zip está danificado ou incompleto");
        zip_error_t e;
        zip_error_init_with_code(&e, code);
        const std::string reason = reasonOf(&e);
        zip_error_fini(&e);
        fail(reason);
    }
    opened_ = fileStamp(location());
    const zip_int64_t n = zip_get_num_entries(zip_, 0);
    for (zip_int64_t i = 0; i < n; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip_, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !st.name) {
            const std::string reason = reasonOf(zip_get_error(zip_));
            zip_close(zip_);
            zip_ = nullptr;
            fail(reason);
        }
        Member m;
        m.name = st.name;
        m.size = (st.valid & ZIP_STAT_SIZE) ? st.size : 0;
        m.crc = (st.valid & ZIP_STAT_CRC) ? st.crc : 0;
        m.mtime = (st.valid & ZIP_STAT_MTIME) ? static_cast<std::int64_t>(st.mtime) : 0;
        m.index = static_cast<std::uint64_t>(i);
        m.packed = (st.valid & ZIP_STAT_COMP_SIZE) ? st.comp_size : 0;
        m.deflated = (st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method == ZIP_CM_DEFLATE &&
                     (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method == ZIP_EM_NONE &&
                     (st.valid & ZIP_STAT_SIZE) && (st.valid & ZIP_STAT_CRC);
        m.folder = !m.name.empty() && m.name.back() == '/';
        if (!m.folder) byName_.emplace(lowerBaseName(m.name), members_.size());
        members_.push_back(std::move(m));
    }
}

ZipSource::~ZipSource()
{
    if (zip_) zip_discard(zip_);
}

void ZipSource::fail(const std::string& what) const
{
    throw std::runtime_error("Arquivo \"" + location() + "\": " + what);
}

const ZipSource::Member* ZipSource::find(std::string_view fileName) const
{
    const auto [first, last] = byName_.equal_range(lowerBaseName(fileName));
    if (first == last) return nullptr;
    if (std::next(first) != last)
        fail("há mais de um " + std::string(fileName) + " (" + members_[first->second].name + ", " +
             members_[std::next(first)->second].name + ")");
    return &members_[first->second];
}

const ZipSource::Member& ZipSource::member(std::string_view fileName) const
{
    if (const Member* m = find(fileName)) return *m;
    if (!holdsAnyReleaseFile(*this)) fail("não é uma versão da Tabela Unificada (não tem os arquivos da tabela)");
    fail("falta o arquivo " + std::string(fileName));
}

std::string ZipSource::pathOf(std::string_view fileName) const
{
    const Member* m = find(fileName);
    return location() + "/" + (m ? m->name : std::string(fileName));
}

bool ZipSource::contains(std::string_view fileName) const
{
    const auto [first, last] = byName_.equal_range(lowerBaseName(fileName));
    return first != last;
}

void ZipSource::checkSize(const Member& m) const
{
    if (m.size > kMemberLimit)
        fail(m.name + " teria " + megabytes(m.size) + " descompactado; o limite é " + megabytes(kMemberLimit));
}

std::size_t ZipSource::readSome(zip_file_t* f, const Member& m, char* into, std::size_t n) const
{
    const zip_int64_t r = zip_fread(f, into, n);
    if (r < 0) {
        const std::string reason = reasonOf(zip_file_get_error(f));
        zip_fclose(f);
        fail(m.name + ": " + reason);
    }
    return static_cast<std::size_t>(r);
}

template <class Sink> void ZipSource::unpack(const Member& m, Sink&& sink) const
{
    checkSize(m);
    zip_file_t* f = zip_fopen_index(zip_, m.index, 0);
    if (!f) fail(m.name + ": " + reasonOf(zip_get_error(zip_)));
    char buffer[65536];
    std::uint64_t got = 0;
    for (;;) {
        const std::size_t r = readSome(f, m, buffer, sizeof buffer);
        if (r == 0) break;
        got += r;
        // The size the zip gives bounds what is kept: more bytes than it
        // says is a damaged member, or one built to fill the memory.
        if (got > m.size) {
            zip_fclose(f);
            fail(m.name + ": o zip está danificado ou incompleto");
        }
        sink(buffer, r);
    }
    zip_fclose(f);
    if (got != m.size) fail(m.name + ": o zip está danificado ou incompleto");
}

// A release's files are unpacked whole, so a decompressor that works on a
// whole buffer serves: it unpacks a release in a fifth of the time zlib's
// stream took, which was most of reading a zip.
bool ZipSource::inflateWhole(const Member& m, std::string& out) const
{
    if (!m.deflated || m.packed > kMemberLimit) return false;
    checkSize(m);
    std::string packed(static_cast<std::size_t>(m.packed), '\0');
    zip_file_t* f = zip_fopen_index(zip_, m.index, ZIP_FL_COMPRESSED);
    if (!f) fail(m.name + ": " + reasonOf(zip_get_error(zip_)));
    std::size_t got = 0;
    while (got < packed.size()) {
        const std::size_t r = readSome(f, m, packed.data() + got, packed.size() - got);
        if (r == 0) break;
        got += r;
    }
    zip_fclose(f);
    if (got != packed.size()) fail(m.name + ": o zip está danificado ou incompleto");

    const std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> d(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    if (!d) fail(m.name + ": falta memória");
    sizeContent(out, static_cast<std::size_t>(m.size));
    std::size_t unpacked = 0;
    // Output that would pass the size the zip gives is refused, as a member
    // built to fill the memory would be.
    if (libdeflate_deflate_decompress(d.get(), packed.data(), packed.size(), out.data(), out.size(), &unpacked) !=
            LIBDEFLATE_SUCCESS ||
        unpacked != out.size())
        fail(m.name + ": o zip está danificado ou incompleto");
    if (libdeflate_crc32(0, out.data(), out.size()) != m.crc)
        fail(m.name + ": o conteúdo não confere com o CRC gravado no zip");
    return true;
}

ReleaseFile ZipSource::read(std::string_view fileName) const
{
    const Member& m = member(fileName);
    ReleaseFile file;
    file.path = location() + "/" + m.name;
    if (!inflateWhole(m, file.content)) {
        file.content.reserve(static_cast<std::size_t>(m.size));
        unpack(m, [&](const char* bytes, std::size_t n) { file.content.append(bytes, n); });
    }
    takeLines(file);
    return file;
}

ReleaseSource::Stamp ZipSource::stamp(std::string_view fileName) const
{
    const Member* m = find(fileName);
    if (!m) return {};
    return {static_cast<std::int64_t>(m->size), static_cast<std::int64_t>(m->crc)};
}

std::int64_t ZipSource::modified(std::string_view fileName) const
{
    const Member* m = find(fileName);
    return m ? m->mtime : 0;
}

void ZipSource::verify(const std::vector<std::string_view>& readLater) const
{
    std::vector<const Member*> skipped;
    for (std::string_view name : readLater)
        if (const Member* m = find(name)) skipped.push_back(m);
    for (const Member& m : members_)
        if (!m.folder && std::find(skipped.begin(), skipped.end(), &m) == skipped.end())
            unpack(m, [](const char*, std::size_t) {});
}

std::uint64_t ZipSource::unpackedBytes() const
{
    std::uint64_t n = 0;
    for (const Member& m : members_) n += m.size;
    return n;
}

} // namespace korvane
