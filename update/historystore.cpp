#include "historystore.h"

#include "history.h"
#include "historyinsert.h"
#include "historykeys.h"
#include "historyparts.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/flatkeys.h"
#include "update/layouts.h"
#include "update/rowbuilder.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace korvane {
namespace {

// Competências as numbers (AAAAMM keeps its order); -1 is none.
int competenciaNumber(std::string_view c)
{
    if (c.empty()) return -1;
    int n = 0;
    for (char ch : c) n = n * 10 + (ch - '0');
    return n;
}

std::string competenciaText(int c)
{
    if (c < 0) return {};
    char s[16];
    std::snprintf(s, sizeof s, "%06d", c);
    return s;
}

struct Place {
    int previous, current, next;
    explicit Place(const CompetenciaPlace& p)
        : previous(competenciaNumber(p.previous)), current(competenciaNumber(p.current)), next(competenciaNumber(p.next))
    {
    }
};

struct Version {
    std::int64_t id = 0;
    int ini = 0, fim = -1;   // fim -1: held up to the newest
    std::uint64_t key = 0;   // set as it is added
    bool open() const { return fim < 0; }
    bool covers(int c) const { return c >= 0 && ini <= c && (open() || fim >= c); }
};

// A version's place: its key, indexed, and its number among the key's few
// versions.
struct At {
    std::uint64_t key;
    std::int64_t id;
    explicit At(const Version& v) : key(v.key), id(v.id) {}
};

// What a table's history needs done; the statements run after every key
// has been looked at.
struct Changes {
    std::vector<std::pair<At, std::string>> fim;   // "" writes NULL
    std::vector<std::pair<At, std::string>> ini;
    std::vector<At> removed;
    std::vector<std::pair<At, std::string>> copies;   // a copy from the given competência on
    std::vector<std::size_t> inserted;                          // lines whose content is new here
};

// The versions of one content near the competência: mostly one, so they
// lie in one vector chained by index instead of a vector per key.
struct Versions {
    struct Entry {
        std::uint64_t key;
        Version version;
        std::int32_t next;   // the key's next version, -1 at the end
    };
    std::vector<Entry> entries;
    FlatKeyMap<std::int32_t> first{0};   // key -> its first entry

    void add(std::uint64_t key, const Version& v)
    {
        const auto at = static_cast<std::int32_t>(entries.size());
        auto [head, fresh] = first.emplace(key, at);
        entries.push_back({key, v, fresh ? -1 : *head});
        entries.back().version.key = key;
        *head = at;
    }
    std::int32_t of(std::uint64_t key) const
    {
        const std::int32_t* at = first.find(key);
        return at ? *at : -1;
    }
    const Version* find(std::int32_t at, int c) const
    {
        for (; at >= 0; at = entries[static_cast<std::size_t>(at)].next)
            if (entries[static_cast<std::size_t>(at)].version.covers(c)) return &entries[static_cast<std::size_t>(at)].version;
        return nullptr;
    }
};

// A content the competência holds: its run takes the competência in, joining
// the runs on either side when both exist.
void hold(const Versions& vs, std::int32_t at, std::size_t line, const Place& p, Changes& out)
{
    if (vs.find(at, p.current)) return;
    const Version* before = vs.find(at, p.previous);
    const Version* after = vs.find(at, p.next);
    if (before && after) {
        out.fim.emplace_back(At(*before), competenciaText(after->fim));
        out.removed.push_back(At(*after));
    } else if (before) {
        out.fim.emplace_back(At(*before), p.next < 0 ? std::string() : competenciaText(p.current));
    } else if (after) {
        out.ini.emplace_back(At(*after), competenciaText(p.current));
    } else {
        out.inserted.push_back(line);
    }
}

// A content the competência does not hold: a run over it is cut there.
void release(const Versions& vs, std::int32_t at, const Place& p, Changes& out)
{
    const Version* v = vs.find(at, p.current);
    if (!v) return;
    const bool before = p.previous >= 0 && v->ini <= p.previous;
    const bool after = p.next >= 0 && v->covers(p.next);
    if (before && after) {
        out.copies.emplace_back(At(*v), competenciaText(p.next));
        out.fim.emplace_back(At(*v), competenciaText(p.previous));
    } else if (before) {
        out.fim.emplace_back(At(*v), competenciaText(p.previous));
    } else if (after) {
        out.ini.emplace_back(At(*v), competenciaText(p.next));
    } else {
        out.removed.push_back(At(*v));
    }
}

// Every version near the competência. Nearly all of the table is near one,
// so it is read whole in its own order rather than through an index, and
// row by row without keeping the rows. After every kept competência (the
// monthly case) the versions near are the open ones: each began in a kept
// competência, so before this one, and 0 says no more is needed.
Versions versionsNear(kdb::Connection& db, kdb::Transaction& tr, const std::string& table, const CompetenciaPlace& p,
                      std::size_t expected)
{
    const bool appended = p.next.empty() && !p.kept;
    kdb::Query q(db, tr);
    if (appended) {
        q.setSql("select HIST_CHAVE, HIST_ID from " + table + " where HIST_FIM is null plan (" + table + " natural)");
    } else {
        q.setSql("select HIST_CHAVE, HIST_ID, HIST_INI, HIST_FIM from " + table +
                 " where HIST_INI <= :hi and (HIST_FIM is null or HIST_FIM >= :lo) plan (" + table + " natural)");
        q.setParam("hi", p.next.empty() ? p.current : p.next);
        q.setParam("lo", p.previous.empty() ? p.current : p.previous);
    }
    Versions out;
    q.stream([&](const std::vector<kdb::Value>& row) {
        // Sized at the first row: a table with none near (each of a first
        // load's) costs no memory for them.
        if (out.entries.empty()) {
            out.entries.reserve(expected);
            out.first = FlatKeyMap<std::int32_t>(expected);
        }
        const auto key = static_cast<std::uint64_t>(row[0].asInteger());
        if (appended) {
            out.add(key, {row[1].asInteger(), 0, -1});
        } else {
            const kdb::Value& fim = row[3];
            out.add(key, {row[1].asInteger(), competenciaNumber(row[2].asText()),
                          fim.isNull() ? -1 : competenciaNumber(fim.asText())});
        }
        return true;
    });
    return out;
}

// The open versions of the buckets that differ from the file's, a run of
// neighbouring buckets to a read through the index on the keys.
Versions versionsIn(kdb::Connection& db, kdb::Transaction& tr, const TableLayout& layout, const KeyBuckets& open,
                    const std::vector<bool>& differs)
{
    const std::string table = historyTable(layout);
    kdb::Query q(db, tr);
    q.setSql("select HIST_CHAVE, HIST_ID from " + table + " where HIST_CHAVE between :lo and :hi and HIST_FIM is null "
             "plan (" + table + " index (" + keyIndex(layout) + "))");
    Versions out;
    const auto add = [&](const std::vector<kdb::Value>& row) {
        out.add(static_cast<std::uint64_t>(row[0].asInteger()), {row[1].asInteger(), 0, -1});
        return true;
    };
    constexpr std::int64_t lowestKey = std::numeric_limits<std::int64_t>::min();
    for (std::size_t b = 0; b < differs.size(); ++b) {
        if (!differs[b]) continue;
        std::size_t last = b;
        while (last + 1 < differs.size() && differs[last + 1] && open.sameHalf(b, last + 1)) ++last;
        // The engine's index finds the lowest BIGINT only when asked for it
        // alone: a range from it finds nothing at all.
        const bool fromLowest = open.lowest(b) == lowestKey;
        q.setParam("lo", fromLowest ? lowestKey + 1 : open.lowest(b));
        q.setParam("hi", open.highest(last));
        q.stream(add);
        if (fromLowest) {
            q.setParam("lo", lowestKey);
            q.setParam("hi", lowestKey);
            q.stream(add);
        }
        b = last;
    }
    return out;
}

class Writer {
public:
    Writer(kdb::Connection& db, kdb::Transaction& tr, const TableLayout& layout, int competenciaAt)
        : db_(db), tr_(tr), layout_(layout), table_(historyTable(layout)), competenciaAt_(competenciaAt)
    {
    }

    void run(const Changes& c, RowBuilder& builder, const ReleaseFile& file, const std::vector<std::uint64_t>& keys,
             const CompetenciaPlace& p, std::size_t& atLine)
    {
        copy(c.copies);
        setRun("HIST_FIM", c.fim);
        setRun("HIST_INI", c.ini);
        remove(c.removed);
        insert(c.inserted, builder, file, keys, p, atLine);
    }

private:
    std::string columns() const
    {
        std::string s;
        for (const char* c : layout_.insertColumns) s += (s.empty() ? "" : ", ") + std::string(c);
        return s;
    }

    static constexpr const char* kAt = " where HIST_CHAVE = :k and HIST_ID = :id";
    static void place(kdb::Query& q, const At& at)
    {
        q.setParam("k", static_cast<std::int64_t>(at.key));
        q.setParam("id", at.id);
    }

    void copy(const std::vector<std::pair<At, std::string>>& copies)
    {
        if (copies.empty()) return;
        kdb::Query q(db_, tr_);
        q.setSql("insert into " + table_ + " (" + columns() + ", HIST_ID, HIST_CHAVE, HIST_INI, HIST_FIM) select " +
                 columns() + ", gen_id(HIST_SEQ, 1), HIST_CHAVE, :ini, HIST_FIM from " + table_ + kAt);
        for (const auto& [at, from] : copies) {
            place(q, at);
            q.setParam("ini", from);
            q.execute();
        }
    }

    void setRun(const char* column, const std::vector<std::pair<At, std::string>>& changes)
    {
        if (changes.empty()) return;
        kdb::Query q(db_, tr_);
        q.setSql("update " + table_ + " set " + column + " = :v" + kAt);
        for (const auto& [at, v] : changes) {
            place(q, at);
            q.setParam("v", v.empty() ? kdb::Value() : kdb::Value(v));
            q.execute();
        }
    }

    void remove(const std::vector<At>& versions)
    {
        if (versions.empty()) return;
        kdb::Query q(db_, tr_);
        q.setSql("delete from " + table_ + kAt);
        for (const At& at : versions) {
            place(q, at);
            q.execute();
        }
    }

    void insert(const std::vector<std::size_t>& lines, RowBuilder& builder, const ReleaseFile& file,
                const std::vector<std::uint64_t>& keys, const CompetenciaPlace& p, std::size_t& atLine)
    {
        const NewVersions v{lines, keys, competenciaAt_, p.current, p.next.empty() ? std::string() : p.current};
        insertVersions(db_, tr_, table_, builder, file, v, atLine);
    }

    kdb::Connection& db_;
    kdb::Transaction& tr_;
    const TableLayout& layout_;
    std::string table_;
    int competenciaAt_;
};

} // namespace

StoreCounts storeTable(kdb::Connection& db, kdb::Transaction& tr, const ResolvedLayout& resolved,
                       const ReleaseFile& file, const CompetenciaPlace& place, const KeyBuckets* open,
                       const std::function<void(std::size_t done)>& lineDone, std::size_t& atLine)
{
    const TableLayout& layout = *resolved.layout;
    const std::string cmpt = competenciaColumn(layout);
    const int competenciaAt = cmpt.empty() ? -1 : layout.insertIndex(cmpt);
    const std::vector<std::uint64_t> keys = lineKeys(resolved, file, competenciaAt, lineDone, atLine);
    RowBuilder builder(resolved);

    // With the open versions summed up, a line of a bucket that sums the
    // same is held by its open version already, and the open versions of
    // such a bucket are all held: only the other buckets are looked at.
    std::vector<bool> differs;
    if (open) {
        const KeyBuckets now = KeyBuckets::of(keys, open->bits());
        differs.resize(now.size());
        for (std::size_t b = 0; b < now.size(); ++b) differs[b] = !now.sameAt(*open, b);
    }
    const Versions near = open ? versionsIn(db, tr, layout, *open, differs)
                               : versionsNear(db, tr, historyTable(layout), place, keys.size());
    const Place p(place);
    Changes changes;
    const auto looked = [&](std::uint64_t key) { return !open || differs[open->bucketOf(key)]; };
    // With no version near, every line is new and none is let go.
    const bool noneNear = near.entries.empty();
    if (noneNear) changes.inserted.reserve(keys.size());
    FlatKeyMap<std::uint32_t> held(noneNear ? 0
                                   : open   ? static_cast<std::size_t>(std::count_if(keys.begin(), keys.end(), looked))
                                            : keys.size());
    for (std::size_t line = 0; line < keys.size(); ++line) {
        if (!looked(keys[line])) continue;
        if (!noneNear) held.emplace(keys[line], 0);
        hold(near, near.of(keys[line]), line, p, changes);
    }
    for (std::size_t at = 0; at < near.entries.size(); ++at) {
        const std::uint64_t key = near.entries[at].key;
        // Each key once: from its first entry, the newest added.
        if (near.of(key) == static_cast<std::int32_t>(at) && !held.contains(key))
            release(near, static_cast<std::int32_t>(at), p, changes);
    }

    Writer(db, tr, layout, competenciaAt).run(changes, builder, file, keys, place, atLine);
    return {changes.inserted.size() + changes.copies.size(), changes.fim.size(), changes.ini.size(),
            changes.removed.size(), KeyBuckets::of(keys)};
}

} // namespace korvane
