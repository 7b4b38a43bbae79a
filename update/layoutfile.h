#pragma once
// A release may carry its own layout beside each file ("tb_grupo.txt" has
// "tb_grupo_layout.txt"): CSV with the header "Coluna,Tamanho,Inicio,Fim,Tipo"
// and one row per field. Where it is present, positions come from it by the
// release's field names; where it is absent, the fixed positions hold.

#include "update/layouts.h"
#include "update/releasefile.h"
#include "update/releasesource.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvane {

struct LayoutColumn {
    std::string name;       // upper case
    int size = 0;
    int start = 0;          // 1-based
    int end = 0;
};

// Where a field's bytes are in a line, 0-based.
struct FieldCut {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

struct ResolvedLayout {
    const TableLayout* layout = nullptr;
    std::vector<FieldCut> cuts;      // one per layout field, same order
    std::string layoutFilePath;      // empty when the fixed positions apply
    // tb_procedimento only: the competência, year in the first four bytes
    // and month in the next two.
    std::uint32_t competenciaOffset = 0;
    // A whole line: its length (the last field's end), and its DT_COMPETENCIA
    // whether the table keeps it or not (length 0 when the file has none).
    std::uint32_t recordLength = 0;
    FieldCut competencia;
};

// "tb_grupo.txt" gives "tb_grupo_layout.txt".
std::string layoutFileName(std::string_view releaseFileName);

// The rows of a layout file. Throws std::runtime_error naming the file, the
// line and the column when a row cannot be read.
std::vector<LayoutColumn> parseLayoutFile(const ReleaseFile& file);

// The cuts of every field of the layout: from the layout file in the folder
// when there is one (throws when it cannot be read or lacks a field the
// table needs), otherwise the fixed positions.
ResolvedLayout resolveLayout(const TableLayout& layout, std::string_view folder);
// The same from wherever the release is read.
ResolvedLayout resolveLayout(const TableLayout& layout, const ReleaseSource& source);

// The fixed positions, for when no layout file is wanted.
ResolvedLayout fixedLayout(const TableLayout& layout);

} // namespace korvane
