#include "params.h"

#include "ascii.h"
#include "sqlscan.h"

namespace kdb {
namespace {

bool nameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool namePart(char c) { return nameStart(c) || (c >= '0' && c <= '9') || c == '$'; }

} // namespace

ParsedSql parseNamedParams(std::string_view sql)
{
    ParsedSql out;
    out.positional.reserve(sql.size());
    std::size_t i = 0;
    const std::size_t n = sql.size();
    while (i < n) {
        const char c = sql[i];
        if (const SqlPiece piece = sqlPieceAt(sql, i); piece.kind != SqlPiece::Kind::Code) {
            out.positional.append(sql.substr(i, piece.end - i));
            i = piece.end;
        } else if (c == ':' && i + 1 < n && sql[i + 1] == ':') {
            out.positional.push_back(':');
            i += 2;
        } else if (c == ':' && i + 1 < n && nameStart(sql[i + 1])) {
            std::size_t j = i + 1;
            std::string name;
            while (j < n && namePart(sql[j])) name.push_back(upperAscii(sql[j++]));
            out.names.push_back(std::move(name));
            out.positional.push_back('?');
            i = j;
        } else {
            out.positional.push_back(c);
            ++i;
        }
    }
    return out;
}

} // namespace kdb
