#pragma once
// A table to a file and cells from one: the file type chosen by the name
// (".csv", ".xlsx"), the writing of either, and the reading of a list
// someone brings (a workbook, a CSV or plain text).

#include "data/extract.h"

#include <QString>

#include <optional>
#include <vector>

namespace kexport {

enum class FileType { Csv, Xlsx };

// The type the name's extension asks for; nullopt for any other.
std::optional<FileType> fileTypeOf(const QString& path);
// The name with the type's extension when it has none of its own.
QString withExtension(const QString& path, FileType type);

// Writes the table; throws std::runtime_error naming the file when it
// cannot. `sheet` names an XLSX's sheet.
void writeTable(const kdata::Extract& table, const QString& path, FileType type, const QString& sheet);

// The cells of a file, row by row: a workbook's first sheet (known by its
// content, whatever its name), or CSV and plain text. Throws
// std::runtime_error naming the file when it cannot be read.
std::vector<std::vector<QString>> readTable(const QString& path);

} // namespace kexport
