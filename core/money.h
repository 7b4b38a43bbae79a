#pragma once
// The display pattern ",0.00": digits grouped by thousands, exactly two
// decimals, with the separators of the given locale.

#include "db/decimal.h"

#include <QLocale>
#include <QString>

namespace korvane {

QString formatMoney(const kdb::Decimal& value, const QLocale& locale = QLocale());

} // namespace korvane
