#include "codeset.h"

#include "db/ascii.h"
#include "db/query.h"

#include <algorithm>

namespace korvane {
namespace {

bool plain(const std::string& s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

CodeSet::CodeSet(std::vector<std::string> codes, std::size_t width) : codes_(std::move(codes)), width_(width)
{
    for (std::string& code : codes_) {
        if (code.size() < width_) code.resize(width_, ' ');
        comparable_ = comparable_ && plain(code);
        code = kdb::upperAscii(code);
    }
}

CodeSet CodeSet::read(kdb::Connection& connection, kdb::Transaction& transaction, const char* table,
                      const char* column, std::size_t width)
{
    kdb::Query q(connection, transaction);
    q.setSql(std::string("select ") + column + " from " + table);
    q.open();
    q.fetchAll();
    std::vector<std::string> codes;
    codes.reserve(q.rowCount());
    for (std::size_t r = 0; r < q.rowCount(); ++r) codes.push_back(q.value(r, 0).toString());
    q.close();
    return CodeSet(std::move(codes), width);
}

bool CodeSet::mayContain(const std::string& text) const
{
    if (!fitsWidth(width_, text)) return false;
    if (!comparable_ || !plain(text)) return true;
    const std::string t = kdb::upperAscii(text);
    return std::any_of(codes_.begin(), codes_.end(),
                       [&](const std::string& code) { return code.find(t) != std::string::npos; });
}

} // namespace korvane
