#include "params.h"

#include "ascii.h"

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
        if (c == '\'' || c == '"') {
            // A doubled quote inside stays inside; an unterminated one runs to the end.
            std::size_t j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) { j += 2; continue; }
                    break;
                }
                ++j;
            }
            const std::size_t end = j < n ? j + 1 : n;
            out.positional.append(sql.substr(i, end - i));
            i = end;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            std::size_t j = sql.find('\n', i);
            if (j == std::string_view::npos) j = n;
            out.positional.append(sql.substr(i, j - i));
            i = j;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            std::size_t j = sql.find("*/", i + 2);
            j = (j == std::string_view::npos) ? n : j + 2;
            out.positional.append(sql.substr(i, j - i));
            i = j;
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
