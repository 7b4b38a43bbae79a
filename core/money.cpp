#include "money.h"

namespace korvane {

QString groupThousands(const QString& digits, const QLocale& locale)
{
    const QString group = locale.groupSeparator();
    QString grouped;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) grouped += group;
        grouped += digits[i];
    }
    return grouped;
}

QString formatMoney(const kdb::Decimal& value, const QLocale& locale)
{
    const kdb::Decimal cents = value.rescaled(2);
    const std::int64_t units = cents.units();
    std::uint64_t mag = units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    const QString whole = QString::number(mag / 100);
    const std::uint64_t frac = mag % 100;

    QString out =
        groupThousands(whole, locale) + locale.decimalPoint() + QStringLiteral("%1").arg(frac, 2, 10, QLatin1Char('0'));
    if (units < 0) out.prepend(locale.negativeSign());
    return out;
}

} // namespace korvane
