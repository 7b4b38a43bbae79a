// Zips as DATASUS publishes a release (every file deflated, at the top
// level), and zips of any members for the tests that need odd ones.

#include "tools/releasegen.h"

#include <zip.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace korvane {

std::vector<ZipMember> folderMembers(const std::string& folder)
{
    std::vector<ZipMember> members;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        ZipMember m;
        m.name = entry.path().filename().string();
        m.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        const auto written = std::filesystem::last_write_time(entry.path());
        m.mtime = std::chrono::duration_cast<std::chrono::seconds>(
                      std::chrono::file_clock::to_sys(written).time_since_epoch())
                      .count();
        members.push_back(std::move(m));
    }
    std::sort(members.begin(), members.end(), [](const ZipMember& a, const ZipMember& b) { return a.name < b.name; });
    return members;
}

void writeZip(const std::string& zipPath, const std::vector<ZipMember>& members)
{
    int code = 0;
    zip_t* z = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) throw std::runtime_error("cannot create " + zipPath + " (libzip error " + std::to_string(code) + ")");
    auto fail = [&](const std::string& what) {
        const std::string reason = zip_strerror(z);
        zip_discard(z);
        throw std::runtime_error(what + ": " + reason);
    };
    for (const ZipMember& m : members) {
        // The buffers live until zip_close, which is when libzip reads them.
        zip_source_t* src = zip_source_buffer(z, m.bytes.data(), m.bytes.size(), 0);
        if (!src) fail("cannot add " + m.name);
        const zip_int64_t at = zip_file_add(z, m.name.c_str(), src, ZIP_FL_ENC_UTF_8);
        if (at < 0) {
            zip_source_free(src);
            fail("cannot add " + m.name);
        }
        const auto index = static_cast<zip_uint64_t>(at);
        zip_set_file_compression(z, index, m.stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE, 0);
        if (m.mtime > 0) zip_file_set_mtime(z, index, static_cast<time_t>(m.mtime), 0);
    }
    if (zip_close(z) != 0) fail("cannot write " + zipPath);
}

void packRelease(const std::string& folder, const std::string& zipPath) { writeZip(zipPath, folderMembers(folder)); }

} // namespace korvane
