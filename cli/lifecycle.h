#pragma once
// How a command begins and ends beyond its own work: the user's database
// made on the first consultation, and the exit status of a failure.

#include "cli/consult.h"

#include <QString>

namespace cli {

// Whether the command only reads (search, show, cid, cbo, check).
bool consults(const QString& command);

// The user's own database, made from the release that ships with the
// program when it does not exist yet (as the program's first start does),
// with a line on standard error; nothing when it exists or none ships.
void firstStart(const Context& context);

// The exit status of a failed command: 128 + the signal when SIGTERM,
// SIGINT or SIGHUP asked it to stop, 1 otherwise.
int failureStatus();

} // namespace cli
