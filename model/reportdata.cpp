#include "reportdata.h"

#include "core/sqltext.h"
#include "core/text.h"
#include "data/memorytable.h"
#include "model/statements.h"

namespace korvane {

std::string procedureListSql(const HierarchyFilter& filter, ListOrder order)
{
    std::string sql = statements::kImpProcGeral;
    if (!filter.grupo.empty()) sql += " and substring(proc_cod from 1 for 2)=" + sqlQuoted(filter.grupo);
    if (!filter.subgrupo.empty()) sql += " and substring(proc_cod from 3 for 2)=" + sqlQuoted(filter.subgrupo);
    if (!filter.fo.empty()) sql += " and substring(proc_cod from 5 for 2)=" + sqlQuoted(filter.fo);
    sql += order == ListOrder::ByDescription ? " order by proc_descr" : " order by proc_cod";
    return sql;
}

std::vector<QString> cid10Columns()
{
    std::vector<QString> c{QStringLiteral("cid")};
    for (int i = 2; i <= 19; ++i)
        if (i != 13) c.push_back(QStringLiteral("cid%1").arg(i));
    return c;
}

std::vector<QString> cboColumns()
{
    std::vector<QString> c;
    for (int i = 1; i <= 14; ++i) c.push_back(QStringLiteral("cbo%1").arg(i));
    return c;
}

void packCodes(kdata::RecordSet& source, const QString& field, kdata::MemoryTable& target)
{
    const long was = source.currentRow();
    target.close();
    target.createDataSet();
    target.emptyDataSet();
    source.first();
    source.last();
    std::size_t n = source.recordCount();
    source.first();
    const auto& columns = target.columns();
    while (n > 0) {
        target.append();
        for (const auto& column : columns) {
            if (n == 0) break;
            target.set(column.name, source.field(field));
            source.next();
            --n;
        }
        target.post();
    }
    target.first();
    // The browser's page keeps its selection.
    if (was >= 0) source.moveTo(static_cast<std::size_t>(was));
}

std::string complexidade(const kdb::Value& procComplex)
{
    // The list's legend reads the same codes: 0 not applicable, 1 basic
    // care, 2 medium and 3 high complexity.
    static const char* const texts[] = {"N\xC3O SE APLICA", "ATEN\xC7\xC3O B\xC1SICA", "M\xC9" "DIA COMPLEXIDADE",
                                        "ALTA COMPLEXIDADE"};
    if (procComplex.isNull()) return {};
    const std::string_view code = trimmed(procComplex.asText());
    if (code.size() != 1 || code[0] < '0' || code[0] > '3') return {};
    return texts[code[0] - '0'];
}

kdb::Decimal totalShSpSheet(const kdb::Value& sh, const kdb::Value& sp)
{
    const kdb::Decimal zero(0, 2);
    return (sh.isNull() ? zero : sh.asDecimal()) + (sp.isNull() ? zero : sp.asDecimal());
}

} // namespace korvane
