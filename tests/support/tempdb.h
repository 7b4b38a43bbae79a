#pragma once
// Test fixtures made by code: temporary folders and fresh databases.

#include "db/connection.h"

#include <filesystem>
#include <string>

namespace ktest {

// A folder that exists for the lifetime of the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline const kdb::Credentials kCredentials{"SYSDBA", "quillfern"};

// Creates an empty database with the schema at dir/KORVANE.GDB and returns its path.
std::string createSchemaDatabase(const TempDir& dir);

// Writes bytes to dir/name.
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// The real release of the shared folder, or empty when it is absent.
std::string sharedRelease();

} // namespace ktest
