#include "historystore.h"

#include "history.h"
#include "historyparts.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/layouts.h"
#include "update/rowbuilder.h"

#include <optional>
#include <stdexcept>
#include <unordered_map>

namespace korvane {
namespace {

struct Version {
    std::int64_t id = 0;
    std::string ini, fim;   // fim empty: held up to the newest
    bool open() const { return fim.empty(); }
    bool covers(const std::string& c) const { return !c.empty() && ini <= c && (open() || fim >= c); }
};

// What a table's history needs done; the statements run after every key
// has been looked at.
struct Changes {
    std::vector<std::pair<std::int64_t, std::string>> fim;   // "" writes NULL
    std::vector<std::pair<std::int64_t, std::string>> ini;
    std::vector<std::int64_t> removed;
    std::vector<std::pair<std::int64_t, std::string>> copies;   // a copy from the given competência on
    std::vector<std::size_t> inserted;                          // lines whose content is new here
};

using Versions = std::unordered_map<std::uint64_t, std::vector<Version>>;

const Version* find(const std::vector<Version>* vs, const std::string& c)
{
    if (!vs) return nullptr;
    for (const Version& v : *vs)
        if (v.covers(c)) return &v;
    return nullptr;
}

// A content the competência holds: its run takes the competência in, joining
// the runs on either side when both exist.
void hold(const std::vector<Version>* vs, std::size_t line, const CompetenciaPlace& p, Changes& out)
{
    if (find(vs, p.current)) return;
    const Version* before = find(vs, p.previous);
    const Version* after = find(vs, p.next);
    if (before && after) {
        out.fim.emplace_back(before->id, after->fim);
        out.removed.push_back(after->id);
    } else if (before) {
        out.fim.emplace_back(before->id, p.next.empty() ? std::string() : p.current);
    } else if (after) {
        out.ini.emplace_back(after->id, p.current);
    } else {
        out.inserted.push_back(line);
    }
}

// A content the competência does not hold: a run over it is cut there.
void release(const std::vector<Version>& vs, const CompetenciaPlace& p, Changes& out)
{
    const Version* v = find(&vs, p.current);
    if (!v) return;
    const bool before = !p.previous.empty() && v->ini <= p.previous;
    const bool after = !p.next.empty() && v->covers(p.next);
    if (before && after) {
        out.copies.emplace_back(v->id, p.next);
        out.fim.emplace_back(v->id, p.previous);
    } else if (before) {
        out.fim.emplace_back(v->id, p.previous);
    } else if (after) {
        out.ini.emplace_back(v->id, p.next);
    } else {
        out.removed.push_back(v->id);
    }
}

Versions versionsNear(kdb::Connection& db, kdb::Transaction& tr, const std::string& table, const CompetenciaPlace& p)
{
    kdb::Query q(db, tr);
    q.setSql("select HIST_ID, HIST_CHAVE, HIST_INI, HIST_FIM from " + table +
             " where HIST_INI <= :hi and (HIST_FIM is null or HIST_FIM >= :lo)");
    q.setParam("hi", p.next.empty() ? p.current : p.next);
    q.setParam("lo", p.previous.empty() ? p.current : p.previous);
    q.open();
    Versions out;
    while (q.current() >= 0) {
        const kdb::Value& fim = q.field(3);
        out[static_cast<std::uint64_t>(q.field(1).asInteger())].push_back(
            {q.field(std::size_t{0}).asInteger(), q.field(2).asText(), fim.isNull() ? std::string() : fim.asText()});
        if (!q.next()) break;
    }
    q.close();
    return out;
}

// The positions of the table's primary key among the built values.
std::vector<int> primaryKeyAt(const TableLayout& layout)
{
    std::vector<int> at;
    for (const std::string& column : definitionOf(layout).key) at.push_back(layout.insertIndex(column));
    return at;
}

// The history keeps versions, not keyed rows, so a file's two lines with one
// primary key are refused here as the table's own key refused them.
void checkPrimaryKey(const TableLayout& layout, const std::vector<int>& keyAt, const std::vector<kdb::Value>& values,
                     std::unordered_map<std::uint64_t, std::size_t>& seen, std::size_t line)
{
    if (keyAt.empty()) return;
    std::vector<const kdb::Value*> key;
    for (int at : keyAt) key.push_back(&values[static_cast<std::size_t>(at)]);
    if (seen.emplace(contentKey(key, 0), line).second) return;
    std::string shown;
    for (const kdb::Value* v : key) shown += (shown.empty() ? "" : ", ") + (v->isNull() ? std::string("NULL") : v->toString());
    throw std::runtime_error(std::string("violation of PRIMARY or UNIQUE KEY constraint \"PK_") + layout.table +
                             "\" on table \"" + layout.table + "\"\nProblematic key value is (" + shown + ")");
}

// The keys of every line, in file order; building each line checks it.
std::vector<std::uint64_t> keysOf(RowBuilder& builder, const TableLayout& layout, const ReleaseFile& file,
                                  int competenciaAt, const std::function<void(std::size_t)>& lineDone, std::size_t& atLine)
{
    std::vector<std::uint64_t> keys;
    keys.reserve(file.lines.size());
    std::unordered_map<std::uint64_t, std::uint32_t> repeats;
    std::unordered_map<std::uint64_t, std::size_t> primaryKeys;
    const std::vector<int> keyAt = primaryKeyAt(layout);
    std::vector<const kdb::Value*> content;
    std::size_t n = 0;
    for (std::string_view line : file.lines) {
        atLine = n + 1;
        builder.build(line);
        content.clear();
        const auto& values = builder.values();
        checkPrimaryKey(layout, keyAt, values, primaryKeys, n);
        for (std::size_t c = 0; c < values.size(); ++c)
            if (static_cast<int>(c) != competenciaAt) content.push_back(&values[c]);
        const std::uint64_t first = contentKey(content, 0);
        keys.push_back(contentKey(content, repeats[first]++));
        if (lineDone) lineDone(++n);
    }
    atLine = 0;
    return keys;
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

    void copy(const std::vector<std::pair<std::int64_t, std::string>>& copies)
    {
        if (copies.empty()) return;
        kdb::Query q(db_, tr_);
        q.setSql("insert into " + table_ + " (" + columns() + ", HIST_ID, HIST_CHAVE, HIST_INI, HIST_FIM) select " +
                 columns() + ", gen_id(HIST_SEQ, 1), HIST_CHAVE, :ini, HIST_FIM from " + table_ + " where HIST_ID = :id");
        for (const auto& [id, from] : copies) {
            q.setParam("id", id);
            q.setParam("ini", from);
            q.execute();
        }
    }

    void setRun(const char* column, const std::vector<std::pair<std::int64_t, std::string>>& changes)
    {
        if (changes.empty()) return;
        kdb::Query q(db_, tr_);
        q.setSql("update " + table_ + " set " + column + " = :v where HIST_ID = :id");
        for (const auto& [id, v] : changes) {
            q.setParam("id", id);
            q.setParam("v", v.empty() ? kdb::Value() : kdb::Value(v));
            q.execute();
        }
    }

    void remove(const std::vector<std::int64_t>& ids)
    {
        if (ids.empty()) return;
        kdb::Query q(db_, tr_);
        q.setSql("delete from " + table_ + " where HIST_ID = :id");
        for (std::int64_t id : ids) {
            q.setParam("id", id);
            q.execute();
        }
    }

    void insert(const std::vector<std::size_t>& lines, RowBuilder& builder, const ReleaseFile& file,
                const std::vector<std::uint64_t>& keys, const CompetenciaPlace& p, std::size_t& atLine)
    {
        if (lines.empty()) return;
        std::string params;
        for (const char* c : layout_.insertColumns) params += (params.empty() ? ":" : ", :") + std::string(c);
        kdb::Query q(db_, tr_);
        q.setSql("insert into " + table_ + " (" + columns() + ", HIST_ID, HIST_CHAVE, HIST_INI, HIST_FIM) values (" +
                 params + ", gen_id(HIST_SEQ, 1), :HIST_CHAVE, :HIST_INI, :HIST_FIM)");
        const int chave = q.paramIndex("HIST_CHAVE"), ini = q.paramIndex("HIST_INI"), fim = q.paramIndex("HIST_FIM");
        q.setParam(ini, kdb::Value(p.current));
        q.setParam(fim, p.next.empty() ? kdb::Value() : kdb::Value(p.current));
        std::vector<kdb::Value>& row = builder.values();
        const int columns = static_cast<int>(row.size());
        for (std::size_t line : lines) {
            atLine = line + 1;
            builder.build(file.lines[line]);
            // The view says the competência; the version keeps none of its own.
            if (competenciaAt_ >= 0) row[static_cast<std::size_t>(competenciaAt_)] = kdb::Value();
            for (int c = 0; c < columns; ++c) std::swap(q.paramAt(c), row[static_cast<std::size_t>(c)]);
            q.setParam(chave, static_cast<std::int64_t>(keys[line]));
            q.execute();
        }
        atLine = 0;
    }

    kdb::Connection& db_;
    kdb::Transaction& tr_;
    const TableLayout& layout_;
    std::string table_;
    int competenciaAt_;
};

} // namespace

StoreCounts storeTable(kdb::Connection& db, kdb::Transaction& tr, const ResolvedLayout& resolved,
                       const ReleaseFile& file, const CompetenciaPlace& place,
                       const std::function<void(std::size_t done)>& lineDone, std::size_t& atLine)
{
    const TableLayout& layout = *resolved.layout;
    const std::string cmpt = competenciaColumn(layout);
    const int competenciaAt = cmpt.empty() ? -1 : layout.insertIndex(cmpt);
    RowBuilder builder(resolved);
    const std::vector<std::uint64_t> keys = keysOf(builder, layout, file, competenciaAt, lineDone, atLine);

    const Versions near = versionsNear(db, tr, historyTable(layout), place);
    Changes changes;
    std::unordered_map<std::uint64_t, std::size_t> held;
    held.reserve(keys.size());
    for (std::size_t line = 0; line < keys.size(); ++line) {
        held.emplace(keys[line], line);
        const auto it = near.find(keys[line]);
        hold(it == near.end() ? nullptr : &it->second, line, place, changes);
    }
    for (const auto& [key, versions] : near)
        if (!held.count(key)) release(versions, place, changes);

    Writer(db, tr, layout, competenciaAt).run(changes, builder, file, keys, place, atLine);
    return {changes.inserted.size() + changes.copies.size(), changes.fim.size(), changes.ini.size(),
            changes.removed.size()};
}

} // namespace korvane
