#pragma once
// Making a database and loading a release from a terminal, with the
// progress on standard error: a bar redrawn in place on a terminal, a line
// per table in a log or a pipe.

#include "cli/consult.h"
#include "update/updaterun.h"

namespace cli {

// createdb FOLDER|ZIP: a new database for a release.
int createdb(const Context& context, const QStringList& args);
// update FOLDER|ZIP: the release loaded, all or nothing.
int update(const Context& context, const QStringList& args);
// download [--competencia AAAAMM] [--from URL] [--to FOLDER] [--load]: the
// newest release (or the one asked) fetched from DATASUS, or from the folder
// named, into the releases folder; --load then loads it.
int download(const Context& context, const QStringList& args);
// A bar of 40 cells redrawn in place on standard error, a text after it;
// the final one ends its line.
void drawProgressBar(long long done, long long total, const std::string& text, bool final);

// What the two commands print as they go and when they end, under a name
// ("korvane-cli", or the older programs' own).
int runCreatedb(const Context& context, const std::string& folder, const char* program);
int runUpdate(const Context& context, const std::string& folder, const char* program,
              const korvane::UpdateHooks& hooks = {});

} // namespace cli
