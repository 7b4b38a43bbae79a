#pragma once
// Data of the printed reports: the list statement built from the hierarchy
// lookups, the packing of codes into rows of an in-memory table, and the
// calculated fields of the procedure sheet.

#include "db/decimal.h"
#include "db/value.h"
#include "model/procsearch.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace kdata {
class RecordSet;
class MemoryTable;
}

namespace korvane {

enum class ListOrder { ByDescription, ByCode };

// Every procedure of the part of the hierarchy the browser is narrowed to.
std::string procedureListSql(const HierarchyFilter& filter, ListOrder order);

// The columns of the two in-memory tables: 18 of 4 characters (cid, cid2 ..
// cid12, then cid14 .. cid19: there is no cid13) and 14 of 6 (cbo1 .. cbo14).
std::vector<QString> cid10Columns();
std::vector<QString> cboColumns();

// Rebuilds target from nothing and fills it with the codes of source's
// field, row after row, as many per row as target has columns; leaves target
// on its first row and source on the row it was on. A source without rows
// gives a table without rows.
void packCodes(kdata::RecordSet& source, const QString& field, kdata::MemoryTable& target);

// The sheet's calculated fields. Complexidade names each complexity code
// (0 to 3), empty for any other; the total is SH + SP, exact.
std::string complexidade(const kdb::Value& procComplex);
kdb::Decimal totalShSpSheet(const kdb::Value& sh, const kdb::Value& sp);

} // namespace korvane
