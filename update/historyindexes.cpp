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

bool emptyTable(kdb::Connection& db, const std::string& table)
{
    return column(db, "select first 1 HIST_ID from " + table).empty();
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
    std::vector<std::string> names;
    for (const TableLayout& layout : releaseLayouts()) {
        const std::string table = historyTable(layout);
        if (!emptyTable(db, table)) continue;
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
