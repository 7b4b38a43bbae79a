#pragma once
// The command line the database tools share: [--database PATH] FOLDER.

#include <cstring>
#include <string>

namespace korvane {

// False when the line is not of that shape (an unknown option, a second
// folder, or none); database keeps its default unless --database names one.
inline bool parseDatabaseAndFolder(int argc, char** argv, std::string& database, std::string& folder)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--database") == 0 && i + 1 < argc) database = argv[++i];
        else if (argv[i][0] == '-' || !folder.empty()) return false;
        else folder = argv[i];
    }
    return !folder.empty();
}

} // namespace korvane
