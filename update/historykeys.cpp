#include "historykeys.h"

#include "historyparts.h"

#include "update/flatkeys.h"
#include "update/layouts.h"
#include "update/rowbuilder.h"

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
    // whether its building or its key.
    const Failure& failed = first.why ? first : second;
    FlatKeyMap<std::uint32_t> repeats(lines);
    FlatKeyMap<std::uint32_t> primaryKeys(keyAt.empty() ? 0 : lines);
    for (std::size_t n = 0; n < lines; ++n) {
        atLine = n + 1;
        if (n == failed.at) std::rethrow_exception(failed.why);
        if (!keyAt.empty() && !primaryKeys.emplace(hashes.key[n], static_cast<std::uint32_t>(n)).second)
            repeatedKey(resolved, keyAt, file.lines[n]);
        // The hash gives way to the key in its place.
        std::uint64_t& hash = hashes.content[n];
        std::uint32_t& seen = *repeats.emplace(contentKeyOf(hash, 0), 0).first;
        hash = contentKeyOf(hash, seen++);
        if (lineDone) lineDone(n + 1);
    }
    atLine = 0;
    return std::move(hashes.content);
}

} // namespace korvane
