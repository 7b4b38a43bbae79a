#include "history.h"
#include "historyparts.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/layouts.h"
#include "update/releaseinfo.h"

#include <algorithm>
#include <stdexcept>

namespace korvane {
namespace {

// FNV-1a over the bytes, then a finalizer that spreads them over the word.
class Hasher {
public:
    void bytes(const void* data, std::size_t n)
    {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < n; ++i) h_ = (h_ ^ p[i]) * 0x100000001b3ULL;
    }
    template <class T>
    void word(T v)
    {
        bytes(&v, sizeof v);
    }
    std::uint64_t state() const { return h_; }

private:
    std::uint64_t h_ = 0xcbf29ce484222325ULL;
};

std::string text(const kdb::Value& v) { return v.isNull() ? std::string() : v.toString(); }

} // namespace

std::uint64_t contentKeyOf(std::uint64_t hash, std::uint32_t repeat)
{
    std::uint64_t z = hash ^ (repeat * 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

std::uint64_t contentKey(const std::vector<const kdb::Value*>& values, std::uint32_t repeat)
{
    return contentKeyOf(contentHash(values), repeat);
}

std::uint64_t contentHash(const std::vector<const kdb::Value*>& values)
{
    Hasher h;
    for (const kdb::Value* v : values) {
        const auto kind = static_cast<std::uint8_t>(v->kind());
        switch (v->kind()) {
        case kdb::Value::Kind::Null: h.word(kind); break;
        case kdb::Value::Kind::Text: {
            const std::string& s = v->asText();
            std::size_t n = s.size();
            while (n > 0 && s[n - 1] == ' ') --n;
            // An empty text is stored as NULL: the two say the same.
            h.word(n == 0 ? static_cast<std::uint8_t>(kdb::Value::Kind::Null) : kind);
            h.word(static_cast<std::uint64_t>(n));
            h.bytes(s.data(), n);
            break;
        }
        case kdb::Value::Kind::Integer:
            h.word(kind);
            h.word(v->asInteger());
            break;
        case kdb::Value::Kind::Fixed: {
            // 1.5 and 1.50 say the same.
            const kdb::Decimal d = v->asDecimal().rescaled(4);
            h.word(kind);
            h.word(d.units());
            break;
        }
        case kdb::Value::Kind::Float:
            h.word(kind);
            h.word(v->asFloat());
            break;
        }
    }
    return h.state();
}

std::vector<KeptRelease> keptReleases(kdb::Connection& db, kdb::Transaction& tr)
{
    kdb::Query q(db, tr);
    q.setSql("select CMPT, VERSAO, PUBLICACAO from HIST_RELEASE where CMPT <> '000000' order by CMPT");
    q.open();
    q.fetchAll();
    std::vector<KeptRelease> out;
    for (std::size_t r = 0; r < q.rowCount(); ++r) out.push_back({text(q.value(r, 0)), text(q.value(r, 1)), text(q.value(r, 2))});
    q.close();
    return out;
}

std::string keptCompetencia(const std::vector<KeptRelease>& kept, const std::string& typed)
{
    const std::string c = typed.size() == 7 && typed[2] == '/' ? competenciaOfVersao(typed) : typed;
    if (std::any_of(kept.begin(), kept.end(), [&](const KeptRelease& k) { return k.competencia == c; })) return c;
    std::string list;
    for (const KeptRelease& k : kept) list += (list.empty() ? "" : ", ") + competenciaShown(k.competencia);
    const std::string shown = competenciaShown(c);
    throw std::invalid_argument("A competência " + (shown.empty() ? typed : shown) + " não está no banco" +
                                (list.empty() ? std::string(".") : " (guardadas: " + list + ")."));
}

void consultCompetencia(kdb::Connection& db, const std::string& competencia)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select rdb$set_context('USER_SESSION', 'KORVANE_COMPETENCIA', :c) from rdb$database");
    q.setParam("c", competencia.empty() ? kdb::Value() : kdb::Value(competencia));
    q.open();
    q.close();
    tr.commit();
}

std::string consultedCompetencia(kdb::Connection& db, kdb::Transaction& tr)
{
    kdb::Query q(db, tr);
    q.setSql("select CMPT from HIST_RELEASE where CMPT = KORVANE_COMPETENCIA()");
    q.open();
    const std::string c = q.isEmpty() ? std::string() : text(q.field(std::size_t{0}));
    q.close();
    return c;
}

ConsultedFor::ConsultedFor(kdb::Connection& db, const std::string& competencia) : db_(db)
{
    if (competencia.empty() || !keepsHistory(db)) return;
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    const std::vector<KeptRelease> kept = keptReleases(db, tr);
    const std::string consulted = consultedCompetencia(db, tr);
    tr.commit();
    const bool known = std::any_of(kept.begin(), kept.end(), [&](const KeptRelease& k) { return k.competencia == competencia; });
    if (!known || competencia == consulted) return;
    restore_ = !kept.empty() && consulted == kept.back().competencia ? std::string() : consulted;
    consultCompetencia(db, competencia);
    changed_ = true;
}

ConsultedFor::~ConsultedFor()
{
    if (!changed_) return;
    try {
        consultCompetencia(db_, restore_);
    } catch (const std::exception&) {
        // The attachment is gone: nothing is left to restore.
    }
}

std::string readVersao(kdb::Connection& db)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select VERSAO from VERSAO");
    q.open();
    const std::string v = q.isEmpty() ? std::string() : text(q.field(std::size_t{0}));
    q.close();
    tr.commit();
    return v;
}

void keepVersao(kdb::Connection& db, const std::string& versao)
{
    const std::string c = competenciaOfVersao(versao);
    if (c.empty()) return;
    kdb::Transaction tr(db);
    kdb::Query q(db, tr);
    q.setSql("insert into HIST_RELEASE (CMPT, VERSAO, CARREGADA) values (:c, :v, current_timestamp)");
    q.setParam("c", c);
    q.setParam("v", versao);
    q.execute();
    tr.commit();
}

void moveRowsToHistory(kdb::Connection& db, const TableLayout& layout, const std::string& competencia)
{
    const std::string cmpt = competenciaColumn(layout);
    std::string columns;
    for (const char* c : layout.insertColumns) columns += (columns.empty() ? "" : ", ") + std::string(c);
    kdb::Transaction tr(db);
    kdb::Query rows(db, tr), insert(db, tr);
    rows.setSql("select " + columns + " from " + layout.table);
    rows.open();
    rows.fetchAll();
    insert.setSql("insert into " + historyTable(layout) + " (" + columns + ", HIST_ID, HIST_CHAVE, HIST_INI) values (" +
                  [&] {
                      std::string p;
                      for (const char* c : layout.insertColumns) p += (p.empty() ? ":" : ", :") + std::string(c);
                      return p;
                  }() +
                  ", gen_id(HIST_SEQ, 1), :HIST_CHAVE, :HIST_INI)");
    std::map<std::uint64_t, std::uint32_t> repeats;
    for (std::size_t r = 0; r < rows.rowCount(); ++r) {
        std::vector<const kdb::Value*> content;
        for (std::size_t c = 0; c < layout.insertColumns.size(); ++c) {
            const kdb::Value& v = rows.value(r, c);
            insert.setParam(layout.insertColumns[c], layout.insertColumns[c] == cmpt ? kdb::Value() : v);
            if (layout.insertColumns[c] != cmpt) content.push_back(&v);
        }
        const std::uint64_t first = contentKey(content, 0);
        insert.setParam("HIST_CHAVE", static_cast<std::int64_t>(contentKey(content, repeats[first]++)));
        insert.setParam("HIST_INI", competencia.empty() ? std::string("000000") : competencia);
        insert.execute();
    }
    rows.close();
    tr.commit();
}

} // namespace korvane
