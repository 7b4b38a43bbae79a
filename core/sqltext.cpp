#include "sqltext.h"

namespace korvane {

std::string sqlQuoted(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back('\'');
    for (char c : text) {
        out.push_back(c);
        if (c == '\'') out.push_back('\'');
    }
    out.push_back('\'');
    return out;
}

std::string oneLine(std::string_view sql)
{
    std::string out;
    out.reserve(sql.size());
    for (char c : sql) {
        if (c != '\n') {
            out.push_back(c);
            continue;
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        out.push_back(' ');
    }
    return out;
}

} // namespace korvane
