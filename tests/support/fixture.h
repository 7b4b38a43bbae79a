#pragma once
// A small release written straight into a schema database, enough to drive
// the windows: three groups, a dozen procedures and their related rows.

#include "db/connection.h"

#include <string>

namespace ktest {

struct Fixture {
    bool versao = true;   // VERSAO holds "06/2022"
};

// Creates dir/KORVANE.GDB with the schema and the fixture rows.
std::string createFixtureDatabase(const class TempDir& dir, const Fixture& options = {});

// Runs statements separated by ';' in one transaction.
void runScript(kdb::Connection& db, const std::string& script);

} // namespace ktest
