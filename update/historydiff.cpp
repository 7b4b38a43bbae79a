#include "historydiff.h"

#include "history.h"
#include "historyparts.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/layouts.h"

#include <algorithm>
#include <map>
#include <set>

namespace korvane {
namespace {

// How a release table's rows are told apart and compared.
struct TableView {
    const TableLayout* layout = nullptr;
    std::string arquivo;
    std::vector<std::string> columns;   // read, in this order
    std::vector<std::string> sources;   // the release's name of each
    std::vector<std::size_t> key;       // positions in columns
    int code = -1;                      // the procedure's position, or the first key part's
    int procedure = -1;                 // the procedure's position; -1 for tables without one
};

struct Row {
    std::vector<std::string> values;
    std::string ini, fim;   // fim empty: up to the newest
    std::int64_t id = 0;
    bool covers(const std::string& c) const { return ini <= c && (fim.empty() || fim >= c); }
};

std::string trimmed(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

TableView viewOf(const TableLayout& layout)
{
    TableView v;
    v.layout = &layout;
    v.arquivo = layout.fileName;
    if (const auto dot = v.arquivo.rfind(".txt"); dot != std::string::npos) v.arquivo.erase(dot);
    const std::string cmpt = competenciaColumn(layout);
    for (const FieldSpec& f : layout.fields) {
        // Years made from the published months say nothing of their own.
        if (f.treatment == Treatment::Age || f.column == cmpt) continue;
        if (std::find(v.columns.begin(), v.columns.end(), f.column) != v.columns.end()) continue;
        v.columns.push_back(f.column);
        v.sources.push_back(f.source);
        if (v.procedure < 0 && std::string_view(f.source).rfind("CO_PROCEDIMENTO", 0) == 0)
            v.procedure = static_cast<int>(v.columns.size() - 1);
    }
    const TableDefinition& t = definitionOf(layout);
    for (const std::string& k : t.key)
        if (auto it = std::find(v.columns.begin(), v.columns.end(), k); it != v.columns.end())
            v.key.push_back(static_cast<std::size_t>(it - v.columns.begin()));
    if (v.key.empty()) v.key.push_back(v.procedure >= 0 ? static_cast<std::size_t>(v.procedure) : 0);
    v.code = v.procedure >= 0 ? v.procedure : static_cast<int>(v.key.front());
    return v;
}

const std::vector<TableView>& views()
{
    static const std::vector<TableView> all = [] {
        std::vector<TableView> v;
        for (const TableLayout& l : releaseLayouts()) v.push_back(viewOf(l));
        return v;
    }();
    return all;
}

std::vector<Row> readRows(kdb::Connection& db, kdb::Transaction& tr, const TableView& v, const std::string& where,
                          const std::vector<std::pair<std::string, std::string>>& params)
{
    std::string select;
    for (const std::string& c : v.columns) select += c + ", ";
    kdb::Query q(db, tr);
    q.setSql("select " + select + "HIST_INI, HIST_FIM, HIST_ID from " + historyTable(*v.layout) + " where " + where);
    for (const auto& [name, value] : params) q.setParam(name, value);
    q.open();
    std::vector<Row> rows;
    const std::size_t n = v.columns.size();
    while (q.current() >= 0) {
        Row r;
        r.values.reserve(n);
        for (std::size_t c = 0; c < n; ++c) {
            const kdb::Value& value = q.field(c);
            r.values.push_back(value.isNull() ? std::string() : trimmed(value.toString()));
        }
        r.ini = q.field(n).asText();
        r.fim = q.field(n + 1).isNull() ? std::string() : q.field(n + 1).asText();
        r.id = q.field(n + 2).asInteger();
        rows.push_back(std::move(r));
        if (!q.next()) break;
    }
    q.close();
    return rows;
}

std::string keyOf(const TableView& v, const Row& r)
{
    std::string k;
    for (std::size_t i : v.key) k += r.values[i] + '\x1f';
    return k;
}

std::string chaveOf(const TableView& v, const Row& r)
{
    std::string k;
    for (std::size_t i : v.key)
        if (static_cast<int>(i) != v.code) k += (k.empty() ? "" : "/") + r.values[i];
    return k;
}

RowChange changeOf(const TableView& v, const Row& r, Mudanca m)
{
    RowChange c;
    c.arquivo = v.arquivo;
    c.mudanca = m;
    c.codigo = r.values[static_cast<std::size_t>(v.code)];
    c.chave = chaveOf(v, r);
    return c;
}

// The rows one competência held against another's, paired by their key.
void compare(const TableView& v, const std::vector<const Row*>& before, const std::vector<const Row*>& after,
             std::vector<RowChange>& out)
{
    std::multimap<std::string, const Row*> old, now;
    for (const Row* r : before) old.emplace(keyOf(v, *r), r);
    for (const Row* r : after) now.emplace(keyOf(v, *r), r);
    const std::size_t first = out.size();
    for (auto it = old.begin(); it != old.end();) {
        const auto [ob, oe] = old.equal_range(it->first);
        auto [nb, ne] = now.equal_range(it->first);
        for (auto o = ob; o != oe; ++o) {
            if (nb == ne) {
                out.push_back(changeOf(v, *o->second, Mudanca::Excluido));
                continue;
            }
            const Row& a = *o->second;
            const Row& b = *nb->second;
            for (std::size_t c = 0; c < v.columns.size(); ++c) {
                if (a.values[c] == b.values[c]) continue;
                RowChange ch = changeOf(v, a, Mudanca::Alterado);
                ch.campo = v.sources[c];
                ch.antes = a.values[c];
                ch.depois = b.values[c];
                out.push_back(std::move(ch));
            }
            now.erase(nb++);
        }
        it = oe;
    }
    for (const auto& [key, r] : now) out.push_back(changeOf(v, *r, Mudanca::Incluido));
    std::stable_sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end(), [](const RowChange& a, const RowChange& b) {
        return std::tie(a.codigo, a.chave) < std::tie(b.codigo, b.chave);
    });
}

std::vector<const Row*> heldIn(const std::vector<Row>& rows, const std::string& c)
{
    std::vector<const Row*> out;
    for (const Row& r : rows)
        if (r.covers(c)) out.push_back(&r);
    return out;
}

} // namespace

const char* mudancaName(Mudanca m)
{
    switch (m) {
    case Mudanca::Incluido: return "incluido";
    case Mudanca::Excluido: return "excluido";
    case Mudanca::Alterado: break;
    }
    return "alterado";
}

std::vector<RowChange> diffCompetencias(kdb::Connection& db, kdb::Transaction& tr, const std::string& from,
                                        const std::string& to, const ChangeFilter& filter)
{
    const std::string lo = std::min(from, to), hi = std::max(from, to);
    // A version that covers both says the same in both: the engine leaves it out.
    const std::string where = "HIST_INI <= :hi and (HIST_FIM is null or HIST_FIM >= :lo) and "
                              "not (HIST_INI <= :lo and (HIST_FIM is null or HIST_FIM >= :hi))";
    std::vector<RowChange> out;
    // The procedures first, then each other table in load order.
    std::vector<const TableView*> order;
    for (const TableView& v : views())
        if (v.layout->step == kProcedureStep) order.insert(order.begin(), &v);
        else order.push_back(&v);
    for (const TableView* table : order) {
        const TableView& v = *table;
        const std::vector<Row> rows = readRows(db, tr, v, where, {{"lo", lo}, {"hi", hi}});
        std::vector<const Row*> a, b;
        for (const Row& r : rows) {
            if (filter.procedure && v.procedure >= 0 && !filter.procedure(r.values[static_cast<std::size_t>(v.procedure)]))
                continue;
            const bool inFrom = r.covers(from), inTo = r.covers(to);
            if (inFrom && !inTo) a.push_back(&r);
            if (inTo && !inFrom) b.push_back(&r);
        }
        compare(v, a, b, out);
    }
    return out;
}

std::vector<HistoryRun> procedureHistory(kdb::Connection& db, kdb::Transaction& tr, const std::string& code)
{
    std::vector<std::vector<Row>> rows;   // per view
    for (const TableView& v : views())
        rows.push_back(v.procedure < 0 ? std::vector<Row>()
                                       : readRows(db, tr, v, v.columns[static_cast<std::size_t>(v.procedure)] + " = :p",
                                                  {{"p", code}}));
    std::vector<HistoryRun> runs;
    std::vector<std::int64_t> lastIds;
    std::string lastCmpt;
    for (const KeptRelease& k : keptReleases(db, tr)) {
        std::vector<std::int64_t> ids;
        for (const auto& table : rows)
            for (const Row& r : table)
                if (r.covers(k.competencia)) ids.push_back(r.id);
        std::sort(ids.begin(), ids.end());
        if (!runs.empty() && ids == lastIds) {
            runs.back().last = k.competencia;
            lastCmpt = k.competencia;
            continue;
        }
        HistoryRun run;
        run.first = run.last = k.competencia;
        for (std::size_t t = 0; t < views().size(); ++t) {
            const TableView& v = views()[t];
            if (v.procedure < 0) continue;
            const std::vector<const Row*> now = heldIn(rows[t], k.competencia);
            if (v.layout->step == kProcedureStep) {
                run.present = !now.empty();
                if (run.present)
                    for (std::size_t c = 0; c < v.columns.size(); ++c) run.fields.emplace_back(v.sources[c], now.front()->values[c]);
            } else {
                run.counts.emplace_back(v.arquivo, static_cast<int>(now.size()));
            }
            if (!runs.empty()) compare(v, heldIn(rows[t], lastCmpt), now, run.changes);
        }
        runs.push_back(std::move(run));
        lastIds = std::move(ids);
        lastCmpt = k.competencia;
    }
    return runs;
}

} // namespace korvane
