#pragma once
// The searches as the engine answers them: the statements the browser and
// the lookups ran before they searched in memory, and the same statements
// for texts of many words and accents. The searches in memory must give the
// same rows in the same order.

#include "db/connection.h"
#include "model/procsearch.h"
#include "model/searchtext.h"

#include <string>
#include <vector>

namespace ktest {

enum class SearchColumn { Code, Description };

// The procedure list: G, S and F are the texts the three lookups show
// (trimmed), T the search box's text (trimmed), in a literal.
std::string procedureSearchSql(const std::string& G, const std::string& S, const std::string& F, SearchColumn column,
                               const std::string& T);

// The codes the engine lists for the procedure search: code statement
// first, the name statement (every word, accents aside) when it finds none.
std::vector<std::string> engineProcedures(kdb::Connection& db, const korvane::HierarchyFilter& filter,
                                          const korvane::SearchText& text);

// The same for a lookup's upper list (TB_CBO or TB_CID): by code ordered by
// code, else by every word of the name ordered by the name.
std::vector<std::string> engineLookup(kdb::Connection& db, const char* table, const char* codeColumn,
                                      const char* nameColumn, const korvane::SearchText& text);

} // namespace ktest
