#include "historykeys.h"

#include "historyparts.h"

#include "update/flatkeys.h"
#include "update/layouts.h"
#include "update/rowbuilder.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <thread>

namespace korvane {
namespace {

// The positions of the table's primary key among the built values.
std::vector<int> primaryKeyAt(const TableLayout& layout)
{
    std::vector<int> at;
    for (const std::string& column : definitionOf(layout).key) at.push_back(layout.insertIndex(column));
    return at;
}

// The hashes of each line's content and primary key, written by the
// threads into their own share of the lines.
struct Hashes {
    std::vector<std::uint64_t> content, key;
};

// The first line of a share that could not be built, and why.
struct Failure {
    std::size_t at = SIZE_MAX;
    std::exception_ptr why;
};

void hashShare(const ResolvedLayout& resolved, const ReleaseFile& file, int competenciaAt, const std::vector<int>& keyAt,
               std::size_t from, std::size_t to, Hashes& out, Failure& failure)
{
    if (from == to) return;
    std::optional<RowBuilder> made;
    try {
        made.emplace(resolved);
    } catch (...) {
        // Nothing may leave a thread: the share's first line reports it.
        failure = {from, std::current_exception()};
        return;
    }
    RowBuilder& builder = *made;
    std::vector<const kdb::Value*> content, key;
    for (std::size_t n = from; n < to; ++n) {
        try {
            builder.build(file.lines[n]);
            const auto& values = builder.values();
            content.clear();
            for (std::size_t c = 0; c < values.size(); ++c)
                if (static_cast<int>(c) != competenciaAt) content.push_back(&values[c]);
            out.content[n] = contentHash(content);
            if (keyAt.empty()) continue;
            key.clear();
            for (int at : keyAt) key.push_back(&values[static_cast<std::size_t>(at)]);
            out.key[n] = contentKey(key, 0);
        } catch (...) {
            failure = {n, std::current_exception()};
            return;
        }
    }
}

// The history keeps versions, not keyed rows, so a file's two lines with one
// primary key are refused here as the table's own key refused them.
[[noreturn]] void repeatedKey(const ResolvedLayout& resolved, const std::vector<int>& keyAt, std::string_view line)
{
    RowBuilder builder(resolved);
    builder.build(line);
    std::string shown;
    for (int at : keyAt) {
        const kdb::Value& v = builder.values()[static_cast<std::size_t>(at)];
        shown += (shown.empty() ? "" : ", ") + (v.isNull() ? std::string("NULL") : v.toString());
    }
    const std::string table = resolved.layout->table;
    throw std::runtime_error("violation of PRIMARY or UNIQUE KEY constraint \"PK_" + table + "\" on table \"" + table +
                             "\"\nProblematic key value is (" + shown + ")");
}

// The lines in groups by the top bits of their hashes, each group in file
// order: a group's map is small enough to stay in the cache and is used
// again for the next, where a map of every line of a large file was
// megabytes of fresh pages touched at random (a monthly update spent a
// tenth of its time on them).
class Grouped {
public:
    explicit Grouped(const std::vector<std::uint64_t>& hashes)
    {
        int bits = 0;
        while (bits < 16 && (std::size_t{kGroup} << bits) < hashes.size()) ++bits;
        shift_ = 64 - bits;
        start_.assign((std::size_t{1} << bits) + 1, 0);
        for (std::uint64_t h : hashes) ++start_[groupOf(h) + 1];
        for (std::size_t g = 1; g < start_.size(); ++g) start_[g] += start_[g - 1];
        std::vector<std::uint32_t> at(start_.begin(), start_.end() - 1);
        lines_.resize(hashes.size());
        for (std::size_t n = 0; n < hashes.size(); ++n) lines_[at[groupOf(hashes[n])]++] = static_cast<std::uint32_t>(n);
    }

    std::size_t groups() const { return start_.size() - 1; }
    std::size_t largest() const
    {
        std::size_t most = 0;
        for (std::size_t g = 0; g < groups(); ++g) most = std::max<std::size_t>(most, start_[g + 1] - start_[g]);
        return most;
    }
    // Group g's lines, in file order.
    const std::uint32_t* begin(std::size_t g) const { return lines_.data() + start_[g]; }
    const std::uint32_t* end(std::size_t g) const { return lines_.data() + start_[g + 1]; }

private:
    static constexpr std::size_t kGroup = 2048;
    std::size_t groupOf(std::uint64_t h) const { return shift_ == 64 ? 0 : static_cast<std::size_t>(h >> shift_); }

    unsigned shift_ = 64;
    std::vector<std::uint32_t> start_, lines_;
};

// The first line, in file order, whose key an earlier line has; SIZE_MAX
// when every key is its line's own.
std::size_t firstRepeated(const std::vector<std::uint64_t>& keys)
{
    const Grouped grouped(keys);
    FlatKeyMap<bool> seen(grouped.largest());
    std::size_t first = SIZE_MAX;
    for (std::size_t g = 0; g < grouped.groups(); ++g) {
        seen.clear();
        for (const std::uint32_t* n = grouped.begin(g); n != grouped.end(g) && *n < first; ++n)
            if (!seen.emplace(keys[*n], true).second) first = *n;
    }
    return first;
}

// Each content hash gives way to its key: the hash told apart from the
// file's earlier lines that say the same.
void numberRepeats(std::vector<std::uint64_t>& hashes)
{
    const Grouped grouped(hashes);
    FlatKeyMap<std::uint32_t> repeats(grouped.largest());
    for (std::size_t g = 0; g < grouped.groups(); ++g) {
        repeats.clear();
        for (const std::uint32_t* n = grouped.begin(g); n != grouped.end(g); ++n) {
            std::uint64_t& hash = hashes[*n];
            std::uint32_t& seen = *repeats.emplace(contentKeyOf(hash, 0), 0).first;
            hash = contentKeyOf(hash, seen++);
        }
    }
}

} // namespace

std::vector<std::uint64_t> lineKeys(const ResolvedLayout& resolved, const ReleaseFile& file, int competenciaAt,
                                    const std::function<void(std::size_t)>& lineDone, std::size_t& atLine)
{
    const std::size_t lines = file.lines.size();
    const std::vector<int> keyAt = primaryKeyAt(*resolved.layout);
    // Building is most of a load's own work and each line stands alone: a
    // large file's second half is built on a second thread.
    Hashes hashes;
    hashes.content.resize(lines);
    hashes.key.resize(keyAt.empty() ? 0 : lines);
    Failure first, second;
    const std::size_t half = lines >= 20000 ? lines / 2 : lines;
    std::thread other;
    if (half < lines)
        other = std::thread([&] { hashShare(resolved, file, competenciaAt, keyAt, half, lines, hashes, second); });
    hashShare(resolved, file, competenciaAt, keyAt, 0, half, hashes, first);
    if (other.joinable()) other.join();

    // What is reported goes in file order: the first line that fails,
    // whether its building or its key. Lines after a failure were not
    // built, so what they repeat is never reported.
    const Failure& failed = first.why ? first : second;
    const std::size_t repeated = keyAt.empty() ? SIZE_MAX : firstRepeated(hashes.key);
    numberRepeats(hashes.content);
    for (std::size_t n = 0; n < lines; ++n) {
        atLine = n + 1;
        if (n == failed.at) std::rethrow_exception(failed.why);
        if (n == repeated) repeatedKey(resolved, keyAt, file.lines[n]);
        if (lineDone) lineDone(n + 1);
    }
    atLine = 0;
    return std::move(hashes.content);
}

} // namespace korvane
