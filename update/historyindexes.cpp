#include "historyindexes.h"

#include "history.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/layouts.h"

#include <algorithm>

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

// The history tables with no row, asked in one transaction: a
// transaction each cost a monthly load a twentieth of its time.
std::vector<std::string> emptyTables(kdb::Connection& db)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    std::vector<std::string> out;
    for (const TableLayout& layout : releaseLayouts()) {
        const std::string table = historyTable(layout);
        kdb::Query q(db, tr);
        q.setSql("select first 1 HIST_ID from " + table);
        if (q.stream([](const std::vector<kdb::Value>&) { return false; }) == 0) out.push_back(table);
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

std::vector<std::string> inactiveIndexes(kdb::Connection& db)
{
    return column(db, "select trim(rdb$index_name) from rdb$indices where rdb$relation_name starting with 'H_' and "
                      "rdb$index_name starting with 'HX_' and rdb$index_inactive = 1");
}

} // namespace

IndexesAside::IndexesAside(kdb::Connection& db) : db_(db)
{
    // Looking at each table costs a monthly load a twentieth of its time.
    if (!column(db, "select first 1 CMPT from HIST_RELEASE where CMPT <> '000000'").empty()) return;
    std::vector<std::string> names;
    for (const std::string& table : emptyTables(db)) {
        for (std::string& n : column(db,
                                     "select trim(rdb$index_name) from rdb$indices where rdb$relation_name = :p "
                                     "and coalesce(rdb$index_inactive, 0) = 0",
                                     table))
            names.push_back(std::move(n));
    }
    try {
        setActive(db, names, false, kdb::Transaction::Locks::NoWait);
        names_ = std::move(names);
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
    std::vector<std::string> still;
    for (const std::string& n : inactiveIndexes(db_))
        if (std::find(names_.begin(), names_.end(), n) != names_.end()) still.push_back(n);
    // Never waiting: an attachment that holds a table (the program's own
    // browser, when the window's update is a first load) holds it until
    // it closes, and the next opening builds what is left.
    names_.clear();
    setActive(db_, still, true, kdb::Transaction::Locks::NoWait);
}

void restoreInactiveIndexes(kdb::Connection& db)
{
    try {
        setActive(db, inactiveIndexes(db), true, kdb::Transaction::Locks::NoWait);
    } catch (const std::exception&) {
        // A load elsewhere has the table and builds them when it ends.
    }
}

} // namespace korvane
