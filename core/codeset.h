#pragma once
// The codes of a table held in memory, to tell before a code statement runs
// whether it can find anything at all. A "containing" search over the codes
// of a table that holds none with the text walks the whole table; most
// words typed into a search box are in no code.

#include <cstddef>
#include <string>
#include <vector>

namespace kdb {
class Connection;
class Transaction;
} // namespace kdb

namespace korvane {

class CodeSet {
public:
    // codes as stored (Windows-1252 bytes); width is the CHAR width of the
    // column, to which the engine pads every code before comparing.
    CodeSet(std::vector<std::string> codes, std::size_t width);

    // Every code of one column of a table.
    static CodeSet read(kdb::Connection& connection, kdb::Transaction& transaction, const char* table,
                        const char* column, std::size_t width);

    // False only when no code can hold the text as "containing" compares:
    // ignoring case, with codes padded to their width. Capitals are formed
    // here only for plain ASCII; any other byte, in a code or in the text,
    // and the answer is true, so the statement decides.
    bool mayContain(const std::string& text) const;

    // What the width alone tells: a text longer than the column is in no
    // code of it, whatever the codes are.
    static bool fitsWidth(std::size_t width, const std::string& text) { return text.size() <= width; }

    std::size_t size() const { return codes_.size(); }

private:
    std::vector<std::string> codes_;   // padded, in capitals
    std::size_t width_;
    bool comparable_ = true;
};

} // namespace korvane
