#pragma once
// The lookups' code/name tables and the statement of the procedures of one
// code. Typed texts are bound as parameters.

#include "model/procsearch.h"
#include "model/statements.h"

#include <cstddef>
#include <string>

namespace korvane {

// The code/name tables a lookup window searches (TB_CBO, TB_CID), in memory.
struct LookupTable {
    const char* codeField;   // "CBO_COD"
    const char* nameField;   // "CBO_DESCR"
    std::size_t codeWidth;   // the code column's CHAR width
};

// The procedures of the chosen code: their statement (with its one
// parameter) on one line, then a filter on the procedure code ordered by
// it, or on the words of the procedure name ordered by the name's alias.
struct LookupProcedures {
    const statements::Bound& statement;
    const char* codeColumn;  // "pcbo_proc"
    std::size_t codeWidth;   // the code column's CHAR width
};
BoundStatement lookupProceduresStatement(const LookupProcedures& p, bool byName, const SearchText& text);

} // namespace korvane
