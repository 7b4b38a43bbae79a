#pragma once
// Every version of every history table of a database, as text, to compare
// two databases' histories whatever ids their loads gave.

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/tempdb.h"
#include "update/layouts.h"

#include <set>
#include <string>

namespace ktest::update {

// Every version of every history table, without the ids the loads gave.
inline std::multiset<std::string> historyDump(const std::string& db)
{
    kdb::Connection c;
    c.open(db, ktest::kCredentials);
    kdb::Transaction tr(c, kdb::Transaction::Access::ReadOnly);
    std::multiset<std::string> rows;
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) {
        kdb::Query q(c, tr);
        q.setSql("select * from H_" + std::string(l.table));
        q.open();
        q.fetchAll();
        const int id = q.fieldIndex("HIST_ID");
        for (std::size_t r = 0; r < q.rowCount(); ++r) {
            std::string row = l.table;
            for (std::size_t f = 0; f < q.fieldCount(); ++f)
                if (static_cast<int>(f) != id) row += '|' + (q.value(r, f).isNull() ? std::string("~") : q.value(r, f).toString());
            rows.insert(row);
        }
    }
    kdb::Query q(c, tr);
    q.setSql("select list(CMPT || VERSAO, ',') from (select CMPT, VERSAO from HIST_RELEASE order by CMPT)");
    q.open();
    rows.insert("releases " + q.field(std::size_t{0}).toString());
    q.close();
    tr.commit();
    return rows;
}

} // namespace ktest::update
