#include "lookupsearch.h"

#include "core/sqltext.h"

namespace korvane {

BoundStatement lookupProceduresStatement(const LookupProcedures& p, bool byName, const SearchText& text)
{
    BoundStatement s{oneLine(p.statement.sql), {}};
    if (byName) {
        appendWordFilters(s, "tb_proc.proc_descr", text.words);
        s.sql += " order by desc_proc";
        return s;
    }
    s.sql += std::string(" and ") + p.codeColumn + " containing " + typedText("codigo") + " order by " + p.codeColumn;
    s.params.emplace_back("codigo", text.code);
    return s;
}

} // namespace korvane
