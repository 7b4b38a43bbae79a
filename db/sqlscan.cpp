#include "sqlscan.h"

namespace kdb {

SqlPiece sqlPieceAt(std::string_view sql, std::size_t i)
{
    const std::size_t n = sql.size();
    const char c = sql[i];
    if (c == '\'' || c == '"') {
        // A doubled quote inside stays inside.
        std::size_t j = i + 1;
        while (j < n) {
            if (sql[j] == c) {
                if (j + 1 < n && sql[j + 1] == c) {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        return {SqlPiece::Kind::Quoted, j < n ? j + 1 : n};
    }
    if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
        const std::size_t j = sql.find('\n', i);
        return {SqlPiece::Kind::LineComment, j == std::string_view::npos ? n : j};
    }
    if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
        const std::size_t j = sql.find("*/", i + 2);
        return {SqlPiece::Kind::BlockComment, j == std::string_view::npos ? n : j + 2};
    }
    return {SqlPiece::Kind::Code, i + 1};
}

} // namespace kdb
