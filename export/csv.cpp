#include "csv.h"

#include "core/text.h"

#include <QStringDecoder>

namespace kexport {
namespace {

using Kind = kdata::ExtractColumn::Kind;

const QByteArray kBom("\xEF\xBB\xBF");

QString decoded(const QByteArray& bytes)
{
    const QByteArray body = bytes.startsWith(kBom) ? bytes.mid(kBom.size()) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) return text;
    // A sheet saved by an older program: the Windows code page of the region.
    return korvane::fromWin1252(std::string_view(body.constData(), static_cast<std::size_t>(body.size())));
}

// The separator the first line uses most, outside quotes; 0 for none.
QChar separatorOf(const QString& text)
{
    int counts[3] = {};
    const QChar candidates[3] = {QLatin1Char(';'), QLatin1Char(','), QLatin1Char('\t')};
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"')) quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) break;
        else if (!quoted)
            for (int i = 0; i < 3; ++i) counts[i] += c == candidates[i];
    }
    int best = 0;
    for (int i = 1; i < 3; ++i)
        if (counts[i] > counts[best]) best = i;
    return counts[best] > 0 ? candidates[best] : QChar();
}

} // namespace

QString csvQuoted(const QString& text)
{
    if (!text.contains(QLatin1Char(';')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')))
        return text;
    QString q = text;
    q.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString csvCell(const kdb::Value& value, Kind kind, const QString& shown)
{
    if (value.isNull()) return {};
    const bool number = value.kind() == kdb::Value::Kind::Integer || value.kind() == kdb::Value::Kind::Fixed;
    if (kind != Kind::Text && number)
        return QString::fromStdString(value.toString()).replace(QLatin1Char('.'), QLatin1Char(','));
    return shown.trimmed();
}

QByteArray csvBody(const kdata::Extract& t, const char* eol)
{
    QString out;
    out.reserve(static_cast<qsizetype>(t.values.size() * t.columns.size() * 16));
    const QString end = QString::fromLatin1(eol);
    for (std::size_t i = 0; i < t.columns.size(); ++i)
        out += (i ? QStringLiteral(";") : QString()) + csvQuoted(t.columns[i].title);
    out += end;
    for (std::size_t r = 0; r < t.values.size(); ++r) {
        for (std::size_t i = 0; i < t.columns.size(); ++i) {
            if (i) out += QLatin1Char(';');
            out += csvQuoted(csvCell(t.values[r][i], t.columns[i].kind, t.shown[r][i]));
        }
        out += end;
    }
    return out.toUtf8();
}

QByteArray csvFile(const kdata::Extract& table) { return kBom + csvBody(table); }

std::vector<std::vector<QString>> parseCsv(const QByteArray& bytes)
{
    const QString text = decoded(bytes);
    const QChar sep = separatorOf(text);
    std::vector<std::vector<QString>> rows;
    std::vector<QString> row;
    QString cell;
    bool quoted = false, any = false;
    const auto endCell = [&] {
        row.push_back(cell);
        cell.clear();
    };
    const auto endRow = [&] {
        endCell();
        rows.push_back(std::move(row));
        row.clear();
        any = false;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != QLatin1Char('"')) cell += c;
            else if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) cell += text[++i];
            else quoted = false;
            continue;
        }
        if (c == QLatin1Char('"')) quoted = any = true;
        else if (!sep.isNull() && c == sep) { endCell(); any = true; }
        else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
            if (any || !cell.isEmpty() || !row.empty()) endRow();
        } else {
            cell += c;
            any = true;
        }
    }
    if (any || !cell.isEmpty() || !row.empty()) endRow();
    return rows;
}

} // namespace kexport
