#pragma once
// The database schema script, compiled into the program, and the making of
// a new database file from it.

#include "connection.h"

#include <string>
#include <string_view>
#include <vector>

namespace kdb {

inline constexpr int kPageSize = 8192;
inline constexpr const char* kDefaultCharset = "WIN1252";

// The text of db/schema.sql as it was at build time.
std::string_view schemaScript();

// Splits a script at ';' outside quoted texts and comments. Comments are
// dropped; statements come back trimmed, without their ';'; empty ones are
// left out.
std::vector<std::string> splitScript(std::string_view script);

// Creates the database file at path (failing if it exists), runs the schema
// script in it and leaves the connection open on it.
void createDatabase(Connection& connection, const std::string& path, const Credentials& credentials,
                    bool forcedWrites = true);

// Recomputes the selectivity of every index of the database's own tables.
// Indexes made on empty tables, or a table replaced whole, otherwise keep
// figures that lead the optimizer to poor plans.
void refreshIndexStatistics(Connection& connection);
// The same for the indexes of the tables named only.
void refreshIndexStatistics(Connection& connection, const std::vector<std::string>& tables);

} // namespace kdb
