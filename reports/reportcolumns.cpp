#include "reportcolumns.h"

#include <QStringList>

#include <algorithm>

namespace kreports {
namespace {

QString literalText(const Template& t)
{
    QString out;
    for (const TemplatePart& p : t.parts)
        if (p.kind == TemplatePart::Kind::Literal) out += p.text;
    return out.trimmed();
}

// The header's texts over the field's box, top to bottom.
QString titleOver(const Band* header, const Item& field)
{
    if (!header) return {};
    std::vector<const Item*> above;
    for (const Item& i : header->items) {
        const double middle = i.x + i.w / 2;
        if (i.kind == Item::Kind::Text && middle > field.x && middle < field.x + field.w) above.push_back(&i);
    }
    std::stable_sort(above.begin(), above.end(), [](const Item* a, const Item* b) { return a->y < b->y; });
    QStringList words;
    for (const Item* i : above)
        if (const QString t = literalText(i->text); !t.isEmpty()) words << t;
    return words.join(QLatin1Char(' '));
}

} // namespace

const Section* sectionOf(const ReportDef& report, const QString& connection)
{
    for (const Section& s : report.sections)
        if (s.connection.compare(connection, Qt::CaseInsensitive) == 0) return &s;
    return nullptr;
}

std::vector<ReportColumn> reportColumns(const Section& section)
{
    const Band* detail = section.band(Band::Kind::Detail);
    if (!detail) return {};
    std::vector<const Item*> fields;
    for (const Item& i : detail->items)
        if (i.kind == Item::Kind::Field && i.text.parts.size() == 1 && i.text.parts[0].kind == TemplatePart::Kind::Field)
            fields.push_back(&i);
    std::stable_sort(fields.begin(), fields.end(), [](const Item* a, const Item* b) { return a->x < b->x; });
    const Band* header = section.band(Band::Kind::ColumnHeader);
    std::vector<ReportColumn> out;
    for (const Item* f : fields) {
        ReportColumn c{f->text.parts[0].field.toUpper(), titleOver(header, *f)};
        if (c.title.isEmpty()) c.title = c.field;
        out.push_back(std::move(c));
    }
    return out;
}

} // namespace kreports
