#include "settingpath.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace korvane {
namespace {

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::filesystem::path programFolder()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec) : exe.parent_path();
}

} // namespace

bool isLocalDatabase(std::string_view path)
{
    // "host:/path", "host/port:/path" and "inet://host/path" reach a server;
    // a file of this machine is a path from the root or the home folder, or
    // one without any ':'.
    return path.starts_with('/') || path.starts_with("~/") || path.find(':') == std::string_view::npos;
}

std::string settingPath(std::string_view configured)
{
    if (configured.empty() || !isLocalDatabase(configured)) return std::string(configured);
    if (configured.starts_with("~/")) return homeFolder() + std::string(configured.substr(1));
    if (configured.front() == '/') return std::string(configured);
    return (programFolder() / configured).lexically_normal().string();
}

} // namespace korvane
