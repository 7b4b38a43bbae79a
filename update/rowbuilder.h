#pragma once
// Turns one line of a release file into the values of its table's insert
// statement. Built once per file and reused for every line: no name lookups
// and, once the buffers have grown, no allocations per line.

#include "db/value.h"
#include "update/layoutfile.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

// A field that its treatment cannot convert, or a required column left
// empty. The text is the one the user reads.
class RowError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class RowBuilder {
public:
    explicit RowBuilder(const ResolvedLayout& layout);

    // Fills values() from the line, one value per insert column (NULL for
    // columns the layout does not name). Throws RowError.
    void build(std::string_view line);
    std::vector<kdb::Value>& values() { return values_; }
    const std::vector<kdb::Value>& values() const { return values_; }

    const TableLayout& layout() const { return *layout_; }

    // The release's competência as VERSAO keeps it ("07/2009") from a line
    // of tb_procedimento.txt.
    std::string competencia(std::string_view line) const;

private:
    struct Op {
        FieldCut cut;
        Treatment treatment;
        std::uint16_t width;
        bool required;
        int param;          // index in values_
        int prefixParam;    // composed descriptions: the code's index, else -1
        const char* column;
    };

    void integerField(const Op& op, std::string_view text);

    const TableLayout* layout_;
    std::vector<Op> ops_;
    std::vector<kdb::Value> values_;
    std::vector<int> unnamed_;   // insert columns no field fills
    int procCode_ = -1, ageMin_ = -1, ageMax_ = -1;
    std::uint32_t competenciaOffset_ = 0;
};

// Whole years from months, a half going away from zero (6 months is 1).
std::int64_t monthsToYears(std::int64_t months);

} // namespace korvane
