#pragma once
// XLSX through libxlsxwriter: one sheet, a bold header row frozen above the
// rows, typed cells (money as numbers in the "#,##0.00" format, which a
// Brazilian sheet shows as 1.234,56; counts as whole numbers; codes and
// names as text, leading zeros kept) and columns as wide as their contents.
// Reading takes the cells of a workbook's first sheet back, for the lists
// of codes people bring.

#include "data/extract.h"

#include <QString>

#include <vector>

namespace kexport {

// Writes the table to path; throws std::runtime_error naming the file and
// the reason when it cannot. `sheet` names the sheet (cut to 31 characters,
// without the characters a sheet name may not hold).
void writeXlsx(const kdata::Extract& table, const QString& path, const QString& sheet);

// The width, in characters, the writer gives each column.
std::vector<int> xlsxWidths(const kdata::Extract& table);

// A sheet's name as the format allows it.
QString sheetName(const QString& wanted);

struct SheetCell {
    QString text;          // a number as plain digits ("12.5", "301010072")
    bool number = false;
};

// The first sheet of the workbook at path, row by row, each row as long as
// its last cell; missing cells are empty. Throws std::runtime_error when the
// file is not a workbook.
std::vector<std::vector<SheetCell>> readXlsx(const QString& path);

} // namespace kexport
