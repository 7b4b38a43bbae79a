#pragma once
// The display pattern ",0.00": digits grouped by thousands, exactly two
// decimals, with the separators of the given locale; and the grouping alone.

#include "db/decimal.h"

#include <QLocale>
#include <QString>

namespace korvane {

QString formatMoney(const kdb::Decimal& value, const QLocale& locale = QLocale());

// Plain decimal digits with the locale's group separator between each three
// from the right ("1234567" to "1.234.567").
QString groupThousands(const QString& digits, const QLocale& locale = QLocale());

} // namespace korvane
