#pragma once
// The codes of a list someone brings: pasted text, or the cells of a CSV or
// a sheet. A procedure code may come in any mask ("03.01.01.007-2",
// "0301010072") or without its leading zero (a sheet that took it for a
// number: 301010072), one a line or separated by blanks, commas or
// semicolons.

#include <QString>

#include <string>
#include <vector>

namespace korvane {

struct GivenCode {
    QString typed;      // as it came, trimmed
    std::string code;   // the ten digits; empty when it cannot be a procedure code
};

// A piece is a code when it is made of digits and the mask's separators
// ('.', '-', '/') alone: ten digits, or nine for a dropped leading zero. A
// piece of that make with another count of digits, six or more, is kept
// with an empty code, so that a mistyped code is listed rather than lost;
// shorter runs of digits (counts, values) and pieces with any other
// character (titles, names) are not codes. In cells, a value with a
// decimal comma ("1234,50") is one value, not two pieces. The order is the
// list's, and a code given twice is listed once.
std::vector<GivenCode> codesInText(const QString& text);
// The same over cells, row by row: each cell is a piece when it is a code
// whole, otherwise it is split like text ("0301010072, 0301010080").
std::vector<GivenCode> codesInCells(const std::vector<std::vector<QString>>& rows);

} // namespace korvane
