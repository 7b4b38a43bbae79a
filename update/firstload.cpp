#include "firstload.h"

#include "history.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/layouts.h"

#include <string>

namespace korvane {
namespace {

// No competência is '000000' (the one of rows kept before the history, with
// a release that did not say its own, is never loaded over a first load):
// the mark is that CMPT with this ORIGEM.
constexpr const char* kMarkOrigin = "(primeira carga em curso)";

std::string isMark() { return std::string("CMPT = '000000' and ORIGEM = '") + kMarkOrigin + "'"; }

bool any(kdb::Connection& db, const std::string& sql)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql(sql);
    const bool found = q.stream([](const std::vector<kdb::Value>&) { return false; }) > 0;
    tr.commit();
    return found;
}

} // namespace

void markFirstLoad(kdb::Connection& db)
{
    kdb::Transaction tr(db);
    kdb::Query q(db, tr);
    q.setSql("insert into HIST_RELEASE (CMPT, ORIGEM, CARREGADA) values ('000000', :o, current_timestamp)");
    q.setParam("o", std::string(kMarkOrigin));
    q.execute();
    tr.commit();
}

void unmarkFirstLoad(kdb::Connection& db, kdb::Transaction& tr)
{
    kdb::Query q(db, tr);
    q.setSql("delete from HIST_RELEASE where " + isMark());
    q.execute();
}

bool keepsAnyRelease(kdb::Connection& db)
{
    return any(db, "select first 1 CMPT from HIST_RELEASE where not (" + isMark() + ")");
}

bool unfinishedFirstLoad(kdb::Connection& db)
{
    return any(db, "select first 1 CMPT from HIST_RELEASE where " + isMark()) && !keepsAnyRelease(db);
}

void discardFirstLoad(kdb::Connection& db)
{
    kdb::Transaction tr(db);
    for (const TableLayout& layout : releaseLayouts()) {
        kdb::Query q(db, tr);
        q.setSql("delete from " + historyTable(layout));
        q.execute();
    }
    unmarkFirstLoad(db, tr);
    tr.commit();
}

} // namespace korvane
