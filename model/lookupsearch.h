#pragma once
// Statements of the lookup windows, built as text; typed texts go in as
// literals with their quotes doubled.

#include "model/statements.h"

#include <cstddef>
#include <string>

namespace korvane {

// The code/name tables a lookup window searches (TB_CBO, TB_CID).
struct LookupTable {
    const char* table;       // "TB_CBO"
    const char* codeColumn;  // "cbo_cod"
    const char* nameColumn;  // "cbo_descr"
    std::size_t codeWidth;   // the code column's CHAR width
};

// First by code, ordered by code; second by name, ordered by name.
std::string lookupSearchSql(const LookupTable& t, bool byName, const std::string& T);

// The procedures of the chosen code: their statement (with its one
// parameter) on one line, then a filter on the procedure code ordered by
// it, or on the procedure name ordered by the name's alias.
struct LookupProcedures {
    const statements::Bound& statement;
    const char* codeColumn;  // "pcbo_proc"
    std::size_t codeWidth;   // the code column's CHAR width
};
std::string lookupProceduresSql(const LookupProcedures& p, bool byName, const std::string& T);

} // namespace korvane
