#pragma once
// Making a database and loading a release from a terminal, with the
// progress on standard error: a bar redrawn in place on a terminal, a line
// per table in a log or a pipe.

#include "cli/consult.h"
#include "update/updaterun.h"

namespace cli {

// createdb FOLDER: a new database for a release.
int createdb(const Context& context, const QStringList& args);
// update FOLDER: the release loaded, all or nothing.
int update(const Context& context, const QStringList& args);

// What the two commands print as they go and when they end, under a name
// ("korvane-cli", or the older programs' own).
int runCreatedb(const Context& context, const std::string& folder, const char* program);
int runUpdate(const Context& context, const std::string& folder, const char* program,
              const korvane::UpdateHooks& hooks = {});

} // namespace cli
