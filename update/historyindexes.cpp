#include "historyindexes.h"

#include "history.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/layouts.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

namespace korvane {
namespace {

std::vector<std::string> column(kdb::Connection& db, const std::string& sql, const std::string& param = {})
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql(sql);
    if (!param.empty()) q.setParam("p", param);
    std::vector<std::string> out;
    q.stream([&](const std::vector<kdb::Value>& row) {
        out.push_back(row[0].toString());
        return true;
    });
    tr.commit();
    return out;
}

// Of the tables named, those with no row, asked in one transaction: a
// transaction each cost a monthly load a twentieth of its time.
std::set<std::string> emptyOf(kdb::Connection& db, const std::vector<std::string>& tables)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    std::set<std::string> out;
    for (const std::string& table : tables) {
        kdb::Query q(db, tr);
        q.setSql("select first 1 HIST_ID from " + table);
        if (q.stream([](const std::vector<kdb::Value>&) { return false; }) == 0) out.insert(table);
    }
    tr.commit();
    return out;
}

// One transaction for all: each commit of a definition costs synchronous writes.
void setActive(kdb::Connection& db, const std::vector<std::string>& names, bool active, kdb::Transaction::Locks locks)
{
    if (names.empty()) return;
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadWrite, locks);
    for (const std::string& n : names) {
        kdb::Query q(db, tr);
        q.setSql("alter index " + n + (active ? " active" : " inactive"));
        q.execute();
    }
    tr.commit();
}

// Tables from this many rows have their indexes built one at a time beside
// the load; the indexes of up to kSmallTogether smaller ones go together.
constexpr std::size_t kLargeTable = 20000, kSmallTogether = 8;

struct TableIndex {
    std::string table;
    std::string index;
};

// The history tables' own indexes, those set aside or those in use.
std::vector<TableIndex> indexes(kdb::Connection& db, bool inactive)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql(std::string("select trim(rdb$relation_name), trim(rdb$index_name) from rdb$indices where "
                         "rdb$relation_name starting with 'H_' and rdb$index_name starting with 'HX_' and ") +
             (inactive ? "rdb$index_inactive = 1" : "coalesce(rdb$index_inactive, 0) = 0"));
    std::vector<TableIndex> out;
    q.stream([&](const std::vector<kdb::Value>& row) {
        out.push_back({row[0].toString(), row[1].toString()});
        return true;
    });
    tr.commit();
    return out;
}

std::vector<std::string> indexNames(const std::vector<TableIndex>& indexes)
{
    std::vector<std::string> out;
    for (const TableIndex& i : indexes) out.push_back(i.index);
    return out;
}

// The tables' indexes in two shares of about as many rows each, the
// largest tables placed first: building an index is one table's scan and
// sort on one thread, and two attachments build two tables' at once.
std::pair<std::vector<std::string>, std::vector<std::string>> twoShares(const std::vector<TableIndex>& indexes,
                                                                        const std::map<std::string, std::size_t>& rows)
{
    std::map<std::string, std::vector<std::string>> byTable;
    for (const TableIndex& i : indexes) byTable[i.table].push_back(i.index);
    std::vector<std::pair<std::size_t, std::string>> tables;
    for (const auto& [table, names] : byTable) {
        const auto r = rows.find(table);
        tables.emplace_back((r == rows.end() ? 0 : r->second) * names.size(), table);
    }
    std::sort(tables.begin(), tables.end(), std::greater<>());
    std::pair<std::vector<std::string>, std::vector<std::string>> shares;
    std::size_t first = 0, second = 0;
    for (const auto& [weight, table] : tables) {
        const bool toFirst = first <= second;
        (toFirst ? first : second) += weight;
        auto& share = toFirst ? shares.first : shares.second;
        share.insert(share.end(), byTable[table].begin(), byTable[table].end());
    }
    return shares;
}

} // namespace

// The second attachment and its thread: they build the indexes handed to
// them in turn, and leave those they cannot build (another attachment has
// the table) to restore().
struct IndexesAside::Beside {
    struct Work {
        std::vector<std::string> names;
        bool small;   // a small table's: taken together with the small ones after it
    };
    kdb::Connection other;
    std::mutex mutex;
    std::condition_variable handed;
    std::deque<Work> queue;
    std::deque<Job> jobs;   // run before any index
    std::size_t jobsPending = 0;   // queued or running
    bool closing = false;
    std::thread thread;

    void put(std::vector<std::string> names, bool small = false)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            queue.push_back({std::move(names), small});
        }
        handed.notify_all();
    }
    void putJob(Job job)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            jobs.push_back(std::move(job));
            ++jobsPending;
        }
        handed.notify_all();
    }
    // The next job, for the second attachment's thread (`job` given), or
    // else the next indexes to build, in one transaction. That thread waits
    // for either until closed; this one for indexes while a job runs, since
    // the job hands its table's over when it ends.
    bool take(std::vector<std::string>& names, Job* job)
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (job) handed.wait(lock, [&] { return closing || !queue.empty() || !jobs.empty(); });
        else handed.wait(lock, [&] { return !queue.empty() || jobsPending == 0; });
        if (job && !jobs.empty()) {
            *job = std::move(jobs.front());
            jobs.pop_front();
            return true;
        }
        if (queue.empty()) return false;
        // Each transaction that builds indexes costs about what a small
        // table's indexes do.
        const bool small = queue.front().small;
        names.clear();
        std::size_t tables = 0;
        do {
            names.insert(names.end(), queue.front().names.begin(), queue.front().names.end());
            queue.pop_front();
        } while (small && ++tables < kSmallTogether && !queue.empty() && queue.front().small);
        return true;
    }
    void close(bool dropQueued)
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            closing = true;
            if (dropQueued) {
                queue.clear();
                jobsPending -= jobs.size();
                jobs.clear();
            }
        }
        handed.notify_all();
    }
    void run()
    {
        std::vector<std::string> names;
        Job job;
        while (take(names, &job)) {
            if (job) {
                job(other);
                job = nullptr;
                {
                    const std::lock_guard<std::mutex> lock(mutex);
                    --jobsPending;
                }
                handed.notify_all();
                continue;
            }
            try {
                setActive(other, names, true, kdb::Transaction::Locks::NoWait);
            } catch (const std::exception&) {
            }
        }
        try {
            other.close();
        } catch (const std::exception&) {
        }
    }
    ~Beside()
    {
        close(true);
        if (thread.joinable()) thread.join();
    }
};

IndexesAside::IndexesAside(kdb::Connection& db) : db_(db)
{
    // Looking at each table costs a monthly load a twentieth of its time.
    if (!column(db, "select first 1 CMPT from HIST_RELEASE where CMPT <> '000000'").empty()) return;
    const std::vector<TableIndex> inUse = indexes(db, false);
    std::vector<std::string> tables;
    for (const TableIndex& i : inUse)
        if (std::find(tables.begin(), tables.end(), i.table) == tables.end()) tables.push_back(i.table);
    // A table the release leaves empty has its indexes built again on no
    // rows, which costs nothing.
    const std::set<std::string> empty = emptyOf(db, tables);
    std::vector<std::string> names;
    std::map<std::string, std::vector<std::string>> byTable;
    for (const TableIndex& i : inUse)
        if (empty.count(i.table)) {
            names.push_back(i.index);
            byTable[i.table].push_back(i.index);
        }
    try {
        setActive(db, names, false, kdb::Transaction::Locks::NoWait);
        names_ = std::move(names);
        for (const auto& [table, indexes] : byTable) tables_.push_back(table);
        byTable_ = std::move(byTable);
    } catch (const std::exception&) {
        // A table in use elsewhere: the load keeps its indexes growing.
    }
}

IndexesAside::~IndexesAside()
{
    try {
        restore();
    } catch (...) {
    }
}

void IndexesAside::expect(std::map<std::string, std::size_t> rows)
{
    const std::lock_guard<std::mutex> lock(committing_);
    rows_ = std::move(rows);
}

void IndexesAside::openBeside()
{
    const std::lock_guard<std::mutex> lock(committing_);
    if (!names_.empty()) startBeside();
}

void IndexesAside::startBeside()
{
    if (beside_) return;
    beside_ = std::make_unique<Beside>();
    try {
        beside_->other.openBeside(db_);
    } catch (const std::exception&) {
        // No second attachment (a server that allows no more): this one
        // builds all, in restore().
        return;
    }
    beside_->thread = std::thread([b = beside_.get()] { b->run(); });
}

void IndexesAside::committed(const std::string& table)
{
    const std::lock_guard<std::mutex> lock(committing_);
    const auto at = byTable_.find(table);
    if (at == byTable_.end()) return;
    startBeside();
    if (!beside_->thread.joinable()) return;
    // A large table's indexes one at a time: the largest table's take as
    // long as the rest together, and this attachment takes those left
    // when its load ends.
    const auto rows = rows_.find(table);
    if (rows != rows_.end() && rows->second >= kLargeTable)
        for (std::string& index : at->second) beside_->put({std::move(index)});
    else
        beside_->put(std::move(at->second), true);
    byTable_.erase(at);
}

bool IndexesAside::runBeside(Job job)
{
    const std::lock_guard<std::mutex> lock(committing_);
    startBeside();
    if (!beside_->thread.joinable()) return false;
    beside_->putJob(std::move(job));
    return true;
}

void IndexesAside::abandon()
{
    if (!beside_) return;
    beside_->close(true);
    beside_.reset();
}

void IndexesAside::restore()
{
    if (names_.empty()) return;
    // Another opening may have built some already.
    const auto inactiveOfMine = [&] {
        std::vector<TableIndex> still;
        for (TableIndex& i : indexes(db_, true))
            if (std::find(names_.begin(), names_.end(), i.index) != names_.end()) still.push_back(std::move(i));
        return still;
    };
    startBeside();
    // Never waiting: an attachment that holds a table (the program's own
    // browser, when the window's update is a first load) holds it until
    // it closes, and the next opening builds what is left.
    const auto drain = [&] {
        std::vector<std::string> names;
        while (beside_->take(names, nullptr)) {
            try {
                setActive(db_, names, true, kdb::Transaction::Locks::NoWait);
            } catch (const std::exception&) {
            }
        }
    };
    // What was handed over, with the second attachment, until its jobs
    // have ended; then the tables never handed over, shared out.
    drain();
    std::vector<TableIndex> rest;
    {
        const std::lock_guard<std::mutex> lock(committing_);
        for (TableIndex& i : inactiveOfMine())
            if (byTable_.count(i.table)) rest.push_back(std::move(i));
        byTable_.clear();
    }
    auto [one, two] = twoShares(rest, rows_);
    if (!one.empty()) beside_->put(std::move(one));
    if (!two.empty()) beside_->put(std::move(two));
    beside_->close(false);
    drain();
    beside_.reset();
    // What neither could build is tried once more here, and its failure
    // tells the caller.
    const std::vector<std::string> left = indexNames(inactiveOfMine());
    names_.clear();
    setActive(db_, left, true, kdb::Transaction::Locks::NoWait);
}

void restoreInactiveIndexes(kdb::Connection& db)
{
    try {
        setActive(db, indexNames(indexes(db, true)), true, kdb::Transaction::Locks::NoWait);
    } catch (const std::exception&) {
        // A load elsewhere has the table and builds them when it ends.
    }
}

} // namespace korvane
