#pragma once
// The release files as data: which table each fills, in which order, and
// which bytes of a line go, after which treatment, into which column.

#include <cstdint>
#include <span>
#include <string>

namespace korvane {

enum class Treatment : std::uint8_t {
    CodeText,        // trimmed
    NameText,        // accents folded, trimmed
    UpperNameText,   // accents folded, trimmed, a-z raised
    Integer,         // trimmed; empty is NULL; otherwise a decimal integer
    Money,           // hundredths; empty is 0.00
    TwoDigitCode,    // a decimal integer written with two digits
    Age,             // months in the file; years in the table
};

struct FieldSpec {
    std::uint16_t start;     // first byte, 1-based, where no layout file says otherwise
    std::uint16_t length;
    Treatment treatment;
    const char* column;      // the table column it fills
    const char* source;      // the release's own name for the field (layout files use it)
    std::uint16_t width;     // bytes the stored text column holds; 0 for numbers and memos
    bool required;
    // For the hierarchy descriptions: the code column whose stored text goes
    // in front of the name, joined by " - ".
    const char* prefixColumn = nullptr;
};

struct TableLayout {
    int step;
    const char* fileName;
    const char* table;
    const char* label;       // what the update window shows while it loads
    const char* emptying;    // statement that empties the table
    std::span<const char* const> insertColumns;   // the insert statement's order
    std::span<const FieldSpec> fields;            // the order fields are treated in
    // Releases older than the file lack it: the run then empties the table
    // and goes on. The first 24 files are in every release.
    bool optional = false;

    // "insert into T (A, B) values (:A, :B)".
    std::string insertStatement() const;
    // Index of a column in insertColumns, -1 when absent.
    int insertIndex(std::string_view column) const;
};

// Every layout in the order the update loads them: the 24 files of the
// first releases, then those that came later.
std::span<const TableLayout> releaseLayouts();

// A line of a file as a whole where no layout file says otherwise: its
// length, and the first byte (1-based) of its competência (AAAAMM), 0 when
// it has none. The competência stands in lines whose table does not keep it.
struct FixedRecord {
    std::uint16_t length;
    std::uint16_t competencia;
};
FixedRecord fixedRecord(const TableLayout& layout);

// The files of every release that tie procedures to the other tables
// (rl_procedimento_*): a release never publishes one empty. (Of the later
// files some are published empty.)
bool linksProcedures(const TableLayout& layout);

// The step whose table receives the release's competência (tb_procedimento).
inline constexpr int kProcedureStep = 5;
// The field of that file whose first four bytes are the year and next two the month.
inline constexpr const char* kCompetenciaSource = "DT_COMPETENCIA";

} // namespace korvane
