#pragma once
// The banded layout: runs a report over its connections and cuts it into
// pages. Page headers and column headers repeat on every page, bands are
// never split across pages, and "{pages}" is known because every page is
// laid out before any is drawn.

#include "definition.h"
#include "document.h"

#include "db/decimal.h"

#include <QLocale>

namespace kreports {

// Throws std::runtime_error naming the project file and line when the report
// names a connection or field that does not exist; errors of the data sets
// themselves pass unchanged.
Document layOut(const ReportDef& report, const QString& projectFile, const QLocale& locale = QLocale(),
                const QDateTime& printedAt = QDateTime::currentDateTime());

// A number shown with a display pattern in the given locale.
QString formatNumber(const kdb::Decimal& value, const NumberFormat& format, const QLocale& locale);

} // namespace kreports
