#include "output.h"

#include "core/text.h"
#include "export/csv.h"

#include <algorithm>

namespace cli {
namespace {

using Kind = kdata::ExtractColumn::Kind;

QString jsonKey(const QString& field) { return field.toLower(); }

QString padded(const QString& text, int width, bool right)
{
    return right ? text.rightJustified(width, QLatin1Char(' ')) : text.leftJustified(width, QLatin1Char(' '));
}

// Columns as wide as their widest text; numbers to the right.
QStringList humanLines(const kdata::Extract& t)
{
    std::vector<int> widths;
    for (const auto& c : t.columns) widths.push_back(static_cast<int>(c.title.size()));
    for (const auto& row : t.shown)
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], static_cast<int>(row[i].size()));
    const auto render = [&](const std::vector<QString>& cells) {
        QStringList parts;
        for (std::size_t i = 0; i < cells.size(); ++i)
            parts << padded(cells[i], widths[i], t.columns[i].kind != Kind::Text);
        return parts.join(QStringLiteral("  ")).trimmed();
    };
    std::vector<QString> titles;
    for (const auto& c : t.columns) titles.push_back(c.title);
    QStringList lines{render(titles)};
    for (const auto& row : t.shown) lines << render(row);
    return lines;
}

QString jsonRow(const kdata::Extract& t, std::size_t r)
{
    QStringList members;
    for (std::size_t i = 0; i < t.columns.size(); ++i)
        members << jsonString(jsonKey(t.columns[i].field)) + QLatin1Char(':') +
                       jsonValue(t.values[r][i], t.columns[i].kind, t.shown[r][i]);
    return QLatin1Char('{') + members.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace

QString csvField(const QString& text) { return kexport::csvQuoted(text); }

QString jsonString(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"': out += QLatin1String("\\\""); break;
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (c.unicode() < 0x20) out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString jsonValue(const kdb::Value& value, Kind kind, const QString& shown)
{
    if (value.isNull()) return QStringLiteral("null");
    if (kind != Kind::Text && value.kind() != kdb::Value::Kind::Text) return QString::fromStdString(value.toString());
    if (value.kind() == kdb::Value::Kind::Text) return jsonString(korvane::fromWin1252(korvane::trimmed(value.asText())));
    return jsonString(shown);
}

void Writer::line(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), out_);
    std::fputc('\n', out_);
}

void Writer::list(const kdata::Extract& t)
{
    if (format_ == Format::Human) {
        for (const QString& l : humanLines(t)) line(l);
        return;
    }
    if (format_ == Format::Csv) {
        // The export's own rows; a terminal's lines end with LF alone.
        const QByteArray body = kexport::csvBody(t, "\n");
        std::fwrite(body.constData(), 1, static_cast<std::size_t>(body.size()), out_);
        return;
    }
    QStringList rows;
    for (std::size_t r = 0; r < t.values.size(); ++r) rows << jsonRow(t, r);
    line(QLatin1Char('[') + rows.join(QStringLiteral(",\n ")) + QLatin1Char(']'));
}

void Writer::record(const std::vector<Field>& fields, const std::vector<std::pair<QString, kdata::Extract>>& lists)
{
    if (format_ == Format::Human) {
        int width = 0;
        for (const Field& f : fields) width = std::max(width, static_cast<int>(f.label.size()));
        for (const Field& f : fields) line(padded(f.label, width, false) + QStringLiteral("  ") + f.shown);
        for (const auto& [caption, table] : lists) {
            line(QString());
            line(QStringLiteral("%1 (%2)").arg(caption).arg(table.values.size()));
            for (const QString& l : humanLines(table)) line(QStringLiteral("  ") + l);
        }
        return;
    }
    if (format_ == Format::Csv) {
        QStringList head, cells;
        for (const Field& f : fields) {
            head << csvField(f.label);
            cells << csvField(f.shown);
        }
        line(head.join(QLatin1Char(';')));
        line(cells.join(QLatin1Char(';')));
        return;
    }
    QStringList members;
    for (const Field& f : fields)
    {
        const bool number = f.value.kind() == kdb::Value::Kind::Integer || f.value.kind() == kdb::Value::Kind::Fixed;
        const QString v = number ? QString::fromStdString(f.value.toString())
                          : f.value.isNull() && f.shown.isEmpty() ? QStringLiteral("null")
                                                                  : jsonString(f.shown);
        members << jsonString(f.key) + QLatin1Char(':') + v;
    }
    for (const auto& [caption, table] : lists) {
        QStringList rows;
        for (std::size_t r = 0; r < table.values.size(); ++r) rows << jsonRow(table, r);
        members << jsonString(caption) + QStringLiteral(":[") + rows.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    line(QLatin1Char('{') + members.join(QStringLiteral(",\n ")) + QLatin1Char('}'));
}

} // namespace cli
