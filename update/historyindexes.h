#pragma once
// A history table with nothing in it (a first load, a table a release adds)
// takes its rows faster with its indexes set aside and built once after,
// from the rows sorted, than growing by an entry per row. The rows' load is
// still all or nothing; the indexes' state is not data and is put back
// whatever happens, at the latest when the database is next opened.

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kdb {
class Connection;
}

namespace korvane {

class IndexesAside {
public:
    // Sets aside the indexes of the empty history tables of a first load
    // (no competência kept yet; a table a later layout added stays empty
    // beside kept ones and is loaded with its indexes). When another
    // attachment has a table in use, its indexes stay as they are. Asks
    // nothing of the release, so that it can run while the release is read.
    explicit IndexesAside(kdb::Connection& db);
    // Builds what restore() did not; a failure leaves it to the next opening.
    ~IndexesAside();
    IndexesAside(const IndexesAside&) = delete;
    IndexesAside& operator=(const IndexesAside&) = delete;

    // Each history table's rows to come, said before the first table is
    // committed: how its indexes are shared out.
    void expect(std::map<std::string, std::size_t> rows);
    // Opens the second attachment now, while the caller waits on other work
    // (it opens at the first use otherwise).
    void openBeside();
    // The table's rows are committed (on any thread): its indexes are built now, on a
    // second attachment beside the load, while the load goes on with the
    // next tables. Without a second attachment they wait for restore().
    void committed(const std::string& table);
    // Runs `job` on the second attachment's thread before the indexes still
    // to build there (a table's load, beside this one's); false, and `job`
    // not run, where no second attachment can be opened. A job dropped by
    // abandon() is destroyed unrun.
    using Job = std::function<void(kdb::Connection& beside)>;
    bool runBeside(Job job);
    // Builds the indexes set aside again: those of the tables committed()
    // that the second attachment has not built yet, and the rest shared
    // out by the tables' rows, this attachment and the second one taking
    // the next table as each ends; throws when the engine cannot now
    // (another attachment has a table), leaving them to the next opening.
    void restore();
    // The load failed: the second attachment stops after the table it is
    // building, and nothing more is built beside it.
    void abandon();
    // The tables whose indexes were set aside: an index built anew comes
    // with its statistics.
    const std::vector<std::string>& tables() const { return tables_; }

private:
    struct Beside;
    void startBeside();

    kdb::Connection& db_;
    std::vector<std::string> names_;
    std::vector<std::string> tables_;
    std::map<std::string, std::size_t> rows_;
    std::map<std::string, std::vector<std::string>> byTable_;   // not yet queued
    std::unique_ptr<Beside> beside_;
    std::mutex committing_;
};

// Builds every index of a history table left inactive (a load cut short
// before its indexes were built); leaves them when a load elsewhere has
// the table.
void restoreInactiveIndexes(kdb::Connection& db);

} // namespace korvane
