#include "tempdb.h"

#include "db/schema.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace ktest {

TempDir::TempDir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = tmpl;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string createSchemaDatabase(const TempDir& dir)
{
    const std::string path = dir.file("KORVANE.GDB");
    kdb::Connection c;
    kdb::createDatabase(c, path, kCredentials);
    c.close();
    return path;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string sharedRelease()
{
    const std::filesystem::path p(KORVANE_SHARED_RELEASE);
    return std::filesystem::exists(p / "tb_procedimento.txt") ? p.string() : std::string();
}

} // namespace ktest
