#pragma once
// The pieces of SQL text that are not code: quoted literals ('...', with ''
// inside), quoted identifiers ("..."), line comments (-- to the end of the
// line) and block comments (/* ... */). Whoever reads statement text (the
// named parameters, the script splitter) must step over them whole, or a
// ':' or ';' inside would be taken for its own.

#include <cstddef>
#include <string_view>

namespace kdb {

struct SqlPiece {
    enum class Kind { Code, Quoted, LineComment, BlockComment };
    Kind kind;
    // One past the piece's end. A line comment ends before its line break;
    // an unterminated quote or block comment runs to the end of the text.
    std::size_t end;
};

// The piece that starts at 'at' (below sql.size()); a Code piece is the one
// character there.
SqlPiece sqlPieceAt(std::string_view sql, std::size_t at);

} // namespace kdb
