#pragma once
// A table's codes and names held in memory, searched as every search box
// searches: by code first, and by the words of the name only when no code
// holds the text. The answer is row numbers of the table, in the order the
// statement that reads it gives them (as read, or ordered by the column
// searched), so that a search in memory and the statements find the same
// rows in the same order.

#include "data/rowtable.h"
#include "model/searchtext.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace korvane {

class TextIndex {
public:
    enum class Order { AsRead, ByColumn };

    TextIndex(std::shared_ptr<const kdata::RowTable> table, const char* codeField, std::size_t codeWidth,
              const char* nameField, Order order);

    const std::shared_ptr<const kdata::RowTable>& table() const { return table_; }
    std::size_t size() const { return codes_.size(); }

    // Rows, within those `within` accepts (all when it is empty).
    using Within = std::function<bool(std::size_t row)>;
    std::vector<std::size_t> search(const SearchText& text, const Within& within = {}) const;
    std::vector<std::size_t> byCode(const std::string& code, const Within& within = {}) const;
    std::vector<std::size_t> byName(const std::vector<std::string>& words, const Within& within = {}) const;
    // Whether any code can hold the text at all.
    bool someCodeHolds(const std::string& code) const;

    // The code as stored (CHAR padding kept).
    const std::string& storedCode(std::size_t row) const { return stored_[row]; }

private:
    std::shared_ptr<const kdata::RowTable> table_;
    std::size_t width_;
    std::vector<std::string> stored_;   // codes as stored
    std::vector<std::string> codes_;    // padded, folded, in capitals
    std::vector<std::string> names_;    // folded, in capitals
    std::vector<char> hasName_;
    std::vector<std::size_t> codeOrder_, nameOrder_;   // the rows in each result order
};

} // namespace korvane
