#include "procsearch.h"

#include "core/sqltext.h"
#include "model/statements.h"

namespace korvane {
namespace {

namespace st = statements;

struct PageShape {
    const st::Bound& statement;   // without its ordering
    const char* descriptionColumn;
    const char* codeColumn;
    bool descriptionFirst;
};

const PageShape& shapeOf(PageSearch page)
{
    static const PageShape shapes[] = {
        {st::kProccid10Unordered, "cid_descr", "cp_cid", true},
        {st::kProccbos, "cbo_descr", "pcbo_cbo", true},
        {st::kProcopm, "proc_descr", "pc_proc_sec", false},
        {st::kProcTuss, "tuss_descr", "pt_tuss", true},
        {st::kProcRenases, "ren_descr", "prn_renases", true},
        // A network's name or its component's finds the row; a component's
        // code is printed with a point ("92.01"), which a typed code loses.
        {st::kProcRedes, "(coalesce(rede_descr, '') || ' ' || coalesce(comp_descr, ''))",
         "replace(pcr_componente, '.', '')", true},
        {st::kProcOrigem, "proc_descr", "po_proc_origem", false},
        {st::kProcRegrasCond, "(coalesce(rc_descr, '') || ' ' || coalesce(rc_detalhe, ''))", "prc_regra", true},
        {st::kProcExcecoes, "(coalesce(princ.proc_descr, '') || ' ' || coalesce(compat.proc_descr, ''))",
         "(ec_proc_princ || ' ' || ec_proc_comp)", false},
    };
    static_assert(sizeof shapes / sizeof shapes[0] == kPageSearchCount);
    return shapes[static_cast<int>(page)];
}

} // namespace

std::string typedText(const std::string& param)
{
    // Bound as it stands, the parameter would take the column's type and a
    // text longer than the column would be refused instead of not found.
    return "cast(:" + param + " as varchar(32765))";
}

bool HierarchyFilter::accepts(std::string_view code) const
{
    const auto at = [&](std::size_t pos, const std::string& want) {
        return want.empty() || (code.size() >= pos + 2 && code.compare(pos, 2, want) == 0);
    };
    return at(0, grupo) && at(2, subgrupo) && at(4, fo);
}

void appendWordFilters(BoundStatement& s, const char* column, const std::vector<std::string>& words)
{
    static const std::vector<std::string> none{std::string()};
    for (const std::string& w : words.empty() ? none : words) {
        const std::string name = "p" + std::to_string(s.params.size() + 1);
        s.sql += std::string(" and ") + column + " collate WIN_PTBR containing " + typedText(name);
        s.params.emplace_back(name, w);
    }
}

BoundStatement pageSearchStatement(PageSearch page, bool secondFilter, const SearchText& text)
{
    const PageShape& shape = shapeOf(page);
    BoundStatement s{oneLine(shape.statement.sql), {}};
    const bool byDescription = shape.descriptionFirst != secondFilter;
    if (byDescription) {
        appendWordFilters(s, shape.descriptionColumn, text.words);
    } else {
        s.sql += std::string(" and ") + shape.codeColumn + " containing " + typedText("codigo");
        s.params.emplace_back("codigo", text.code);
    }
    return s;
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
