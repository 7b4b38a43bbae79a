#pragma once
// The columns a report prints, read from its project: each field of a
// section's detail band, under the column header's texts that stand above
// it ("Qt." over "máxima" is "Qt. máxima"). A list exported to a sheet takes
// the same columns as the paper.

#include "definition.h"

#include <vector>

namespace kreports {

struct ReportColumn {
    QString field;   // upper case
    QString title;
};

// The section that reads the connection, or nullptr.
const Section* sectionOf(const ReportDef& report, const QString& connection);
// Its detail band's fields, left to right; a field item made of anything
// but one field (a template of several) is left out.
std::vector<ReportColumn> reportColumns(const Section& section);

} // namespace kreports
