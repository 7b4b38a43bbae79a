#pragma once
// Statements of the procedure browser's searches, built as text. Typed texts
// and codes go in as literals with their quotes doubled.

#include "db/decimal.h"

#include <optional>
#include <string>

namespace korvane {

enum class SearchColumn { Code, Description };

// The main list: G, S and F are the texts the three lookups show (trimmed),
// T the search box's text (trimmed). With G empty, S and F are not looked at.
std::string procedureSearchSql(const std::string& G, const std::string& S, const std::string& F, SearchColumn column,
                               const std::string& T);

// The three searchable pages and their statements (first filter, then the
// second when the first finds nothing).
enum class PageSearch { Cid10, Cbos, Compativel };
std::string pageSearchSql(PageSearch page, bool secondFilter, const std::string& T);
// The parameter each page statement binds to the current procedure code.
const char* pageSearchParam(PageSearch page);

// The browser's total of a procedure: SH + SP, or SA + SP when SH is zero and
// SA positive; empty when SA is negative or SH negative with SA positive.
// Missing values count as zero. The sum is exact at the values' own scale,
// which no NUMERIC(18,2) pair can overflow (four decimals could).
std::optional<kdb::Decimal> totalShSp(const std::optional<kdb::Decimal>& sa, const std::optional<kdb::Decimal>& sh,
                                      const std::optional<kdb::Decimal>& sp);

} // namespace korvane
