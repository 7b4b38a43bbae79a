#pragma once
// A database made by an earlier version brought to the tables this one
// loads: tables it lacks are made as the schema script makes them (with
// their indexes), columns it lacks are added and text columns too narrow for
// what the release holds are widened. Nothing is removed and no row changes; a
// database already up to date is left alone.

namespace kdb { class Connection; }

namespace korvane {

// Returns the number of changes made. Each runs and commits on its own.
int upgradeSchema(kdb::Connection& db);

} // namespace korvane
