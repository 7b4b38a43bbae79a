#pragma once
// CSV as a Brazilian spreadsheet opens it: UTF-8 with a byte order mark, ';'
// between fields, lines ended by CR LF, a field quoted (RFC 4180) when it
// holds ';', '"' or a line break. Money is written with a decimal comma and
// no grouping and counts as plain digits, so that the sheet takes them as
// numbers; codes and names as the grid shows them, leading zeros kept.

#include "data/extract.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace kexport {

// One field, quoted when it must be.
QString csvQuoted(const QString& text);
// One cell's text: a number as the sheet reads one, anything else as shown.
QString csvCell(const kdb::Value& value, kdata::ExtractColumn::Kind kind, const QString& shown);
// The rows of a table, a header row of titles first, without the byte order
// mark; lines end with `eol`.
QByteArray csvBody(const kdata::Extract& table, const char* eol = "\r\n");
// The whole file: the byte order mark and the body.
QByteArray csvFile(const kdata::Extract& table);

// Reads CSV text back into rows of cells: a byte order mark dropped, UTF-8
// (Windows-1252 when the bytes are not UTF-8), the separator the first line
// uses most of ';', ',' and a tab (none: one cell a line), quoted fields
// with doubled quotes and line breaks inside them.
std::vector<std::vector<QString>> parseCsv(const QByteArray& bytes);

} // namespace kexport
