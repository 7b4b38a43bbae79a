#pragma once
// The folders and files fixed when the program is built, as this run finds
// them. A build for one machine names them whole; a build to be installed
// names them so that they follow the user and the installed tree:
//   "~/.local/share/korvane"      the user's own folder (each user has one)
//   "../share/korvane/RELATORIOS" beside the installed programs, from the
//                                 folder the running program lies in
// so an installed tree works wherever it was unpacked. A path with a host
// part ("host:/path") names a server's file and is left as it is.

#include <string>
#include <string_view>

namespace korvane {

std::string settingPath(std::string_view configured);

// The configured database; true when it is a file of this machine (no host
// part), which the program may make on a first start.
bool isLocalDatabase(std::string_view path);

} // namespace korvane
