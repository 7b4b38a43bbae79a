#include "historyindexes.h"

#include "history.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/layouts.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <map>
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

IndexesAside::IndexesAside(kdb::Connection& db, std::map<std::string, std::size_t> rows) : db_(db), rows_(std::move(rows))
{
    // Looking at each table costs a monthly load a twentieth of its time.
    if (!column(db, "select first 1 CMPT from HIST_RELEASE where CMPT <> '000000'").empty()) return;
    std::vector<std::string> filled;
    for (const auto& [table, n] : rows_)
        if (n > 0) filled.push_back(table);
    const std::set<std::string> empty = emptyOf(db, filled);
    std::vector<std::string> names;
    std::set<std::string> tables;
    for (const TableIndex& i : indexes(db, false))
        if (empty.count(i.table)) {
            names.push_back(i.index);
            tables.insert(i.table);
        }
    try {
        setActive(db, names, false, kdb::Transaction::Locks::NoWait);
        names_ = std::move(names);
        tables_.assign(tables.begin(), tables.end());
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

void IndexesAside::restore()
{
    if (names_.empty()) return;
    // Another opening may have built some already.
    std::vector<TableIndex> still;
    for (TableIndex& i : indexes(db_, true))
        if (std::find(names_.begin(), names_.end(), i.index) != names_.end()) still.push_back(std::move(i));
    names_.clear();
    // Never waiting: an attachment that holds a table (the program's own
    // browser, when the window's update is a first load) holds it until
    // it closes, and the next opening builds what is left.
    const auto [mine, beside] = twoShares(still, rows_);
    kdb::Connection other;
    try {
        if (!beside.empty()) other.openBeside(db_);
    } catch (const std::exception&) {
        // No second attachment (a server that allows no more): one builds all.
        setActive(db_, indexNames(still), true, kdb::Transaction::Locks::NoWait);
        return;
    }
    std::exception_ptr besideFailed;
    std::thread builder;
    if (other.isOpen())
        builder = std::thread([&] {
            try {
                setActive(other, beside, true, kdb::Transaction::Locks::NoWait);
                other.close();
            } catch (...) {
                besideFailed = std::current_exception();
            }
        });
    std::exception_ptr mineFailed;
    try {
        setActive(db_, mine, true, kdb::Transaction::Locks::NoWait);
    } catch (...) {
        mineFailed = std::current_exception();
    }
    if (builder.joinable()) builder.join();
    if (mineFailed) std::rethrow_exception(mineFailed);
    if (besideFailed) std::rethrow_exception(besideFailed);
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
