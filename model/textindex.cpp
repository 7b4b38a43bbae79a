#include "textindex.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace korvane {
namespace {

int fieldOf(const kdata::RowTable& t, const char* name)
{
    const int i = t.fieldIndex(name);
    if (i < 0) throw std::logic_error(std::string("no field ") + name);
    return i;
}

std::vector<std::size_t> sortedBy(const std::vector<std::string>& keys)
{
    std::vector<std::size_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    return order;
}

} // namespace

TextIndex::TextIndex(std::shared_ptr<const kdata::RowTable> table, const char* codeField, std::size_t codeWidth,
                     const char* nameField, Order order)
    : table_(std::move(table)), width_(codeWidth)
{
    const auto code = static_cast<std::size_t>(fieldOf(*table_, codeField));
    const auto name = static_cast<std::size_t>(fieldOf(*table_, nameField));
    const std::size_t n = table_->size();
    stored_.reserve(n);
    codes_.reserve(n);
    names_.reserve(n);
    hasName_.reserve(n);
    std::vector<std::string> storedNames;
    for (std::size_t r = 0; r < n; ++r) {
        stored_.push_back(table_->value(r, code).toString());
        std::string padded = searchFolded(stored_.back());
        if (padded.size() < width_) padded.resize(width_, ' ');
        codes_.push_back(std::move(padded));
        const kdb::Value& v = table_->value(r, name);
        hasName_.push_back(!v.isNull());
        names_.push_back(searchFolded(v.toString()));
        if (order == Order::ByColumn) storedNames.push_back(v.toString());
    }
    if (order == Order::ByColumn) {
        // The engine compares these texts byte by byte, CHAR padding and all.
        codeOrder_ = sortedBy(stored_);
        nameOrder_ = sortedBy(storedNames);
    } else {
        codeOrder_.resize(n);
        std::iota(codeOrder_.begin(), codeOrder_.end(), 0);
        nameOrder_ = codeOrder_;
    }
}

bool TextIndex::someCodeHolds(const std::string& code) const
{
    if (code.size() > width_) return false;
    const std::string t = searchFolded(code);
    return std::any_of(codes_.begin(), codes_.end(), [&](const std::string& c) { return c.find(t) != std::string::npos; });
}

std::vector<std::size_t> TextIndex::byCode(const std::string& code, const Within& within) const
{
    std::vector<std::size_t> out;
    if (code.size() > width_) return out;
    const std::string t = searchFolded(code);
    for (std::size_t r : codeOrder_)
        if ((!within || within(r)) && codes_[r].find(t) != std::string::npos) out.push_back(r);
    return out;
}

std::vector<std::size_t> TextIndex::byName(const std::vector<std::string>& words, const Within& within) const
{
    std::vector<std::size_t> out;
    for (std::size_t r : nameOrder_)
        if (hasName_[r] && (!within || within(r)) && holdsEveryWord(names_[r], words)) out.push_back(r);
    return out;
}

std::vector<std::size_t> TextIndex::search(const SearchText& text, const Within& within) const
{
    std::vector<std::size_t> rows = byCode(text.code, within);
    if (!rows.empty()) return rows;
    return byName(text.words, within);
}

} // namespace korvane
