#include "searchoracle.h"

#include "core/sqltext.h"
#include "db/query.h"
#include "db/transaction.h"
#include "model/statements.h"

#include <cctype>

namespace ktest {
namespace {

std::vector<std::string> run(kdb::Connection& db, const korvane::BoundStatement& s, const char* codeField)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql(s.sql);
    for (const auto& [name, value] : s.params) q.setParam(name, value);
    q.open();
    q.fetchAll();
    std::vector<std::string> out;
    std::string field(codeField);
    for (char& c : field) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const int f = q.fieldIndex(field);
    for (std::size_t r = 0; r < q.rowCount(); ++r) out.push_back(q.value(r, static_cast<std::size_t>(f)).toString());
    return out;
}

std::string hierarchy(const korvane::HierarchyFilter& f)
{
    std::string sql = " where proc_cod is not null";
    if (!f.grupo.empty()) sql += " and substring(proc_cod from 1 for 2)=" + korvane::sqlQuoted(f.grupo);
    if (!f.subgrupo.empty()) sql += " and substring(proc_cod from 3 for 2)=" + korvane::sqlQuoted(f.subgrupo);
    if (!f.fo.empty()) sql += " and substring(proc_cod from 5 for 2)=" + korvane::sqlQuoted(f.fo);
    return sql;
}

} // namespace

std::string procedureSearchSql(const std::string& G, const std::string& S, const std::string& F, SearchColumn column,
                               const std::string& T)
{
    std::string sql = korvane::statements::kProcedureWithFinancing;
    const char* filter = column == SearchColumn::Code ? "proc_cod containing" : "proc_descr containing";
    if (G.empty()) {
        sql += " where ";
    } else {
        sql += " where substring(proc_cod from 1 for 2)=" + korvane::sqlQuoted(G.substr(0, 2));
        if (!S.empty()) sql += " and substring(proc_cod from 3 for 2)=" + korvane::sqlQuoted(S.substr(0, 2));
        if (!F.empty()) sql += " and substring(proc_cod from 5 for 2)=" + korvane::sqlQuoted(F.substr(0, 2));
        sql += " and ";
    }
    return sql + filter + korvane::sqlQuoted(T);
}

std::vector<std::string> engineProcedures(kdb::Connection& db, const korvane::HierarchyFilter& filter,
                                          const korvane::SearchText& text)
{
    const std::string head = std::string(korvane::statements::kProcedureWithFinancing) + hierarchy(filter);
    korvane::BoundStatement byCode{head + " and proc_cod containing " + korvane::typedText("codigo"), {{"codigo", text.code}}};
    std::vector<std::string> codes = run(db, byCode, "PROC_COD");
    if (!codes.empty()) return codes;
    korvane::BoundStatement byName{head, {}};
    korvane::appendWordFilters(byName, "proc_descr", text.words);
    return run(db, byName, "PROC_COD");
}

std::vector<std::string> engineLookup(kdb::Connection& db, const char* table, const char* codeColumn,
                                      const char* nameColumn, const korvane::SearchText& text)
{
    const std::string head = std::string("select * from ") + table + " where " + codeColumn + " is not null";
    korvane::BoundStatement byCode{head + " and " + codeColumn + " containing " + korvane::typedText("codigo") + " order by " + codeColumn,
                                   {{"codigo", text.code}}};
    std::vector<std::string> codes = run(db, byCode, codeColumn);
    if (!codes.empty()) return codes;
    korvane::BoundStatement byName{head, {}};
    korvane::appendWordFilters(byName, nameColumn, text.words);
    byName.sql += std::string(" order by ") + nameColumn;
    return run(db, byName, codeColumn);
}

} // namespace ktest
