#include "procsearch.h"

#include "core/sqltext.h"
#include "model/statements.h"

namespace korvane {
namespace {

namespace st = statements;

std::string code(const std::string& shown) { return shown.substr(0, 2); }

struct PageShape {
    const st::Bound& statement;   // without its ordering
    const char* first;
    const char* second;
};

const PageShape& shapeOf(PageSearch page)
{
    static const PageShape shapes[] = {
        {st::kProccid10Unordered, " and cid_descr containing", " and cp_cid containing"},
        {st::kProccbos, " and cbo_descr containing", " and pcbo_cbo containing"},
        {st::kProcopm, " and pc_proc_sec containing", " and proc_descr containing"},
    };
    return shapes[static_cast<int>(page)];
}

} // namespace

std::string procedureSearchSql(const std::string& G, const std::string& S, const std::string& F, SearchColumn column,
                               const std::string& T)
{
    std::string sql = st::kProcedureWithFinancing;
    const char* filter = column == SearchColumn::Code ? "proc_cod containing" : "proc_descr containing";
    if (G.empty()) {
        sql += " where ";
    } else {
        sql += " where substring(proc_cod from 1 for 2)=" + sqlQuoted(code(G));
        if (!S.empty()) sql += " and substring(proc_cod from 3 for 2)=" + sqlQuoted(code(S));
        if (!F.empty()) sql += " and substring(proc_cod from 5 for 2)=" + sqlQuoted(code(F));
        sql += " and ";
    }
    return sql + filter + sqlQuoted(T);
}

std::string pageSearchSql(PageSearch page, bool secondFilter, const std::string& T)
{
    const PageShape& s = shapeOf(page);
    return oneLine(s.statement.sql) + (secondFilter ? s.second : s.first) + sqlQuoted(T);
}

const char* pageSearchParam(PageSearch page) { return shapeOf(page).statement.param; }

std::optional<kdb::Decimal> totalShSp(const std::optional<kdb::Decimal>& sa, const std::optional<kdb::Decimal>& sh,
                                      const std::optional<kdb::Decimal>& sp)
{
    const kdb::Decimal zero(0, 2);
    const kdb::Decimal a = sa.value_or(zero);
    const kdb::Decimal h = sh.value_or(zero);
    const kdb::Decimal p = sp.value_or(zero);
    if (a.sign() == 0) return h + p;
    if (a.sign() > 0 && h.sign() == 0) return a + p;
    if (a.sign() > 0 && h.sign() > 0) return h + p;
    return std::nullopt;
}

} // namespace korvane
