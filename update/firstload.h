#pragma once
// A first load (a local database that keeps no release yet) commits its
// tables one by one, so that each table's indexes are built beside the
// load while it goes on with the next. What it has committed stays out of
// sight until its last commit: a mark in HIST_RELEASE makes the database's
// competência '000000' meanwhile, which no stored version holds, and the
// last commit takes the mark out as it keeps the release. A load that
// fails takes its rows out again; one cut short by a crash leaves the mark,
// and the next load takes out what it finds beside it before it begins.

namespace kdb {
class Connection;
class Transaction;
} // namespace kdb

namespace korvane {

// Sets the mark, in a transaction of its own.
void markFirstLoad(kdb::Connection& db);
// Takes the mark out, in the transaction that keeps the release.
void unmarkFirstLoad(kdb::Connection& db, kdb::Transaction& tr);
// Whether the database keeps a release (the mark is none).
bool keepsAnyRelease(kdb::Connection& db);
// The mark with no release beside it: a first load was cut short.
bool unfinishedFirstLoad(kdb::Connection& db);
// Empties every history table and takes the mark out, in one transaction.
void discardFirstLoad(kdb::Connection& db);

} // namespace korvane
