#include "limits.h"

#include "core/text.h"

namespace korvane {
namespace {

QString count(std::int64_t n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n == 1 ? one : many));
}

QString fromMonths(std::int64_t months)
{
    if (months == kNoAgeLimit) return QStringLiteral("—");
    if (months < 12) return count(months, "mês", "meses");
    const QString years = count(months / 12, "ano", "anos");
    if (months % 12 == 0) return years;
    return years + QStringLiteral(" e ") + count(months % 12, "mês", "meses");
}

kdb::Value fieldOf(const kdata::RecordSet& rs, std::size_t row, const QString& field)
{
    return rs.hasField(field) ? rs.value(row, field) : kdb::Value();
}

} // namespace

QString ageShown(const kdb::Value& months, const kdb::Value& years)
{
    if (!months.isNull()) return fromMonths(months.asInteger());
    if (years.isNull()) return {};
    const std::int64_t y = years.asInteger();
    // 833 years is what 9999 months were rounded to.
    if (y == (kNoAgeLimit + 6) / 12) return QStringLiteral("—");
    return count(y, "ano", "anos");
}

void addAgeFields(kdata::RecordSet& procedures)
{
    const auto limit = [](const char* monthsField, const char* yearsField) {
        const QString m = QString::fromLatin1(monthsField), y = QString::fromLatin1(yearsField);
        return [m, y](const kdata::RecordSet& rs, std::size_t row) {
            const QString shown = ageShown(fieldOf(rs, row, m), fieldOf(rs, row, y));
            // Values hold the stored bytes; the em dash and the accents are in Windows-1252.
            return kdb::Value(toWin1252(shown));
        };
    };
    procedures.addCalculatedField(QStringLiteral("IDADE_MINIMA"), limit("PROC_IDADE_MIN_MESES", "PROC_IDADE_MIN"));
    procedures.addCalculatedField(QStringLiteral("IDADE_MAXIMA"), limit("PROC_IDADE_MAX_MESES", "PROC_IDADE_MAX"));
}

} // namespace korvane
