#pragma once
// The parts of the browser's searches that stay statements: the part of the
// hierarchy a list is narrowed to, and the page searches, whose lists are
// the few rows of one procedure. Typed texts are bound as parameters, never
// written into the statement.

#include "db/decimal.h"
#include "model/searchtext.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace korvane {

// The part of the hierarchy the procedure list and the printed lists are
// narrowed to: the two-digit code of each level that filters (positions
// 1-2, 3-4 and 5-6 of a procedure code), empty where a level does not.
struct HierarchyFilter {
    std::string grupo, subgrupo, fo;
    bool accepts(std::string_view procedureCode) const;
};

// A statement with the values of its parameters.
struct BoundStatement {
    std::string sql;
    std::vector<std::pair<std::string, std::string>> params;
};

// The searchable pages and their statements: a first filter, then the
// second when the first finds nothing. A filter on a description holds every
// word in any order, accents and case aside; a filter on a code holds the
// code as typed or as printed. The pages of the later release files search
// as these do: the lists of codes by name first, the lists of procedures by
// code first.
enum class PageSearch { Cid10, Cbos, Compativel, Tuss, Renases, Redes, Origem, RegrasCondicionadas, Excecoes };
inline constexpr int kPageSearchCount = 9;
BoundStatement pageSearchStatement(PageSearch page, bool secondFilter, const SearchText& text);
// The parameter each page statement binds to the current procedure code.
const char* pageSearchParam(PageSearch page);

// A typed text's parameter as a statement reads it.
std::string typedText(const std::string& param);

// " and COLUMN collate WIN_PTBR containing :pN" for every word (one empty
// word when there is none), with the parameters' values.
void appendWordFilters(BoundStatement& s, const char* column, const std::vector<std::string>& words);

// The browser's total of a procedure: SH + SP, or SA + SP when SH is zero and
// SA positive; empty when SA is negative or SH negative with SA positive.
// Missing values count as zero. The sum is exact at the values' own scale,
// which no NUMERIC(18,2) pair can overflow (four decimals could).
std::optional<kdb::Decimal> totalShSp(const std::optional<kdb::Decimal>& sa, const std::optional<kdb::Decimal>& sh,
                                      const std::optional<kdb::Decimal>& sp);

} // namespace korvane
