#include "lookupsearch.h"

#include "core/sqltext.h"

namespace korvane {

std::string lookupSearchSql(const LookupTable& t, bool byName, const std::string& T)
{
    const char* column = byName ? t.nameColumn : t.codeColumn;
    return std::string("select * from ") + t.table + " where " + column + " containing" + sqlQuoted(T) +
           " order by " + column;
}

std::string lookupProceduresSql(const LookupProcedures& p, bool byName, const std::string& T)
{
    const std::string head = oneLine(p.statement.sql);
    if (byName) return head + " and tb_proc.proc_descr containing" + sqlQuoted(T) + " order by desc_proc";
    return head + " and " + p.codeColumn + " containing" + sqlQuoted(T) + " order by " + p.codeColumn;
}

} // namespace korvane
