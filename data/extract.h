#pragma once
// What a grid shows of a record set, taken out of it: the chosen fields as
// columns with their titles and kinds, and every row, as values and as the
// texts the grid draws. Exports and the command line write from this.

#include "recordset.h"

#include <QString>

#include <vector>

namespace kdata {

struct ExtractColumn {
    enum class Kind { Text, Integer, Money };
    QString field;   // upper case
    QString title;   // the field's title, or its name without one
    Kind kind = Kind::Text;
};

struct Extract {
    std::vector<ExtractColumn> columns;
    std::vector<std::vector<kdb::Value>> values;   // as stored (texts: Windows-1252 bytes)
    std::vector<std::vector<QString>> shown;       // as the grid draws them
};

// Every row of the record set (fetched to its end), or, with a row number,
// that row alone. A closed set gives no rows.
Extract extract(RecordSet& rs, const std::vector<QString>& fields);
Extract extractRow(const RecordSet& rs, std::size_t row, const std::vector<QString>& fields);

} // namespace kdata
