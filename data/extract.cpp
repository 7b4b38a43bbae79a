#include "extract.h"

namespace kdata {
namespace {

ExtractColumn::Kind kindOf(const RecordSet& rs, const QString& field, const kdb::Value& sample)
{
    const FieldDef* def = rs.fieldDef(field);
    if (def && def->format == DisplayFormat::Money) return ExtractColumn::Kind::Money;
    switch (sample.kind()) {
    case kdb::Value::Kind::Integer: return ExtractColumn::Kind::Integer;
    case kdb::Value::Kind::Fixed: return ExtractColumn::Kind::Money;
    default: return ExtractColumn::Kind::Text;
    }
}

std::vector<ExtractColumn> columnsOf(const RecordSet& rs, const std::vector<QString>& fields)
{
    std::vector<ExtractColumn> columns;
    for (const QString& f : fields) {
        ExtractColumn c;
        c.field = f.toUpper();
        const FieldDef* def = rs.fieldDef(f);
        c.title = def && !def->title.isEmpty() ? def->title : c.field;
        if (def && def->format == DisplayFormat::Money) c.kind = ExtractColumn::Kind::Money;
        columns.push_back(std::move(c));
    }
    return columns;
}

void addRow(const RecordSet& rs, std::size_t row, Extract& out)
{
    std::vector<kdb::Value> values;
    std::vector<QString> shown;
    for (ExtractColumn& c : out.columns) {
        kdb::Value v = rs.value(row, c.field);
        // A column's kind is that of its values; a column of NULLs stays text.
        if (c.kind == ExtractColumn::Kind::Text && !v.isNull()) c.kind = kindOf(rs, c.field, v);
        shown.push_back(rs.displayText(row, c.field));
        values.push_back(std::move(v));
    }
    out.values.push_back(std::move(values));
    out.shown.push_back(std::move(shown));
}

} // namespace

Extract extract(RecordSet& rs, const std::vector<QString>& fields)
{
    Extract out;
    out.columns = columnsOf(rs, fields);
    if (!rs.isOpen()) return out;
    rs.fetchAll();
    for (std::size_t r = 0; r < rs.recordCount(); ++r) addRow(rs, r, out);
    return out;
}

Extract extractRow(const RecordSet& rs, std::size_t row, const std::vector<QString>& fields)
{
    Extract out;
    out.columns = columnsOf(rs, fields);
    if (rs.isOpen() && row < rs.recordCount()) addRow(rs, row, out);
    return out;
}

} // namespace kdata
