#include "procsearch.h"

#include "core/sqltext.h"

namespace korvane {
namespace {

const char* const kBase = "select tb_proc.*,financ_descr from tb_proc left join tb_financiamento on "
                          "(tb_proc.proc_co_financ=tb_financiamento.financ_cod)";

std::string code(const std::string& shown) { return shown.substr(0, 2); }

} // namespace

std::string procedureSearchSql(const std::string& G, const std::string& S, const std::string& F, SearchColumn column,
                               const std::string& T)
{
    std::string sql = kBase;
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
    struct Shape {
        const char* head;
        const char* link;
        const char* first;
        const char* second;
    };
    static const Shape shapes[] = {
        {"select tb_cid_proc.*,cid_descr,cid_restrsexo from TB_CID_PROC,TB_CID",
         " where cp_proc =:cp_proc and tb_cid_proc.cp_cid=tb_cid.cid_cod", " and cid_descr containing",
         " and cp_cid containing"},
        {"select tb_proc_cbo.*,cbo_descr from TB_PROC_CBO,TB_CBO",
         " where pcbo_proc =:pcbo_proc and tb_proc_cbo.pcbo_cbo=tb_cbo.cbo_cod", " and cbo_descr containing",
         " and pcbo_cbo containing"},
        {"select tb_proc_comp.*,proc_descr,proc_qtd_max,proc_vl_sh from TB_PROC_COMP,TB_PROC",
         " where pc_proc_princ =:pc_proc_princ and tb_proc_comp.pc_proc_sec=tb_proc.proc_cod",
         " and pc_proc_sec containing", " and proc_descr containing"},
    };
    const Shape& s = shapes[static_cast<int>(page)];
    return std::string(s.head) + s.link + (secondFilter ? s.second : s.first) + sqlQuoted(T);
}

const char* pageSearchParam(PageSearch page)
{
    switch (page) {
    case PageSearch::Cid10: return "cp_proc";
    case PageSearch::Cbos: return "pcbo_proc";
    case PageSearch::Compativel: return "pc_proc_princ";
    }
    return "";
}

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
