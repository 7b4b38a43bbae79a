#include "historydigest.h"

#include "history.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "update/layouts.h"

#include <cstring>
#include <set>

namespace korvane {
namespace {

constexpr char kMagic[4] = {'K', 'V', 'B', '1'};
constexpr int kMaxBits = 20;

int bitsFor(std::size_t keys)
{
    int bits = 1;
    while (bits < kMaxBits && (std::size_t{8} << bits) < keys) ++bits;
    return bits;
}

} // namespace

KeyBuckets KeyBuckets::of(const std::vector<std::uint64_t>& keys) { return of(keys, bitsFor(keys.size())); }

KeyBuckets KeyBuckets::of(const std::vector<std::uint64_t>& keys, int bits)
{
    KeyBuckets b;
    b.bits_ = bits;
    b.sums_.assign(std::size_t{1} << bits, 0);
    // The keys are hashes already: their sum tells a bucket's set of keys
    // from another as well as a hash of the set would, and needs no order.
    for (std::uint64_t k : keys) b.sums_[b.bucketOf(k)] += k;
    return b;
}

std::int64_t KeyBuckets::lowest(std::size_t bucket) const
{
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(bucket) << (64 - bits_));
}

std::int64_t KeyBuckets::highest(std::size_t bucket) const
{
    const std::uint64_t width = std::uint64_t{1} << (64 - bits_);
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(bucket) << (64 - bits_)) + (width - 1));
}

std::string KeyBuckets::bytes() const
{
    std::string out(kMagic, sizeof kMagic);
    out.push_back(static_cast<char>(bits_));
    for (std::uint64_t s : sums_)
        for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((s >> (8 * i)) & 0xff));
    return out;
}

std::optional<KeyBuckets> KeyBuckets::parse(std::string_view bytes)
{
    if (bytes.size() < sizeof kMagic + 1 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
    const int bits = static_cast<unsigned char>(bytes[sizeof kMagic]);
    if (bits < 1 || bits > kMaxBits) return std::nullopt;
    const std::size_t n = std::size_t{1} << bits;
    if (bytes.size() != sizeof kMagic + 1 + 8 * n) return std::nullopt;
    KeyBuckets b;
    b.bits_ = bits;
    b.sums_.resize(n);
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + sizeof kMagic + 1;
    for (std::size_t i = 0; i < n; ++i, p += 8) {
        std::uint64_t s = 0;
        for (int j = 7; j >= 0; --j) s = (s << 8) | p[j];
        b.sums_[i] = s;
    }
    return b;
}

std::string keyIndex(const TableLayout& layout) { return "HX_" + std::string(layout.table).substr(3) + "_CHAVE"; }

std::map<std::string, KeyBuckets> readDigests(kdb::Connection& db, kdb::Transaction& tr, const std::string& competencia)
{
    std::set<std::string> indexed;
    {
        kdb::Query q(db, tr);
        q.setSql("select trim(rdb$index_name) from rdb$indices where rdb$index_name starting with 'HX_' and "
                 "rdb$relation_name starting with 'H_' and coalesce(rdb$index_inactive, 0) = 0");
        q.stream([&](const std::vector<kdb::Value>& row) {
            indexed.insert(row[0].toString());
            return true;
        });
    }
    std::map<std::string, std::string> indexOf;
    for (const TableLayout& layout : releaseLayouts()) indexOf[historyTable(layout)] = keyIndex(layout);

    std::map<std::string, KeyBuckets> out;
    kdb::Query q(db, tr);
    // A load of the competência by a version that keeps no summaries
    // stamps it anew and leaves the old summaries untrue.
    q.setSql("select trim(d.TABELA), d.CHAVES from HIST_DIGEST d join HIST_RELEASE r on r.CMPT = d.CMPT "
             "and r.CARREGADA = d.CARREGADA where d.CMPT = :c");
    q.setParam("c", competencia);
    q.stream([&](const std::vector<kdb::Value>& row) {
        const std::string table = row[0].toString();
        const auto index = indexOf.find(table);
        if (index == indexOf.end() || !indexed.count(index->second) || row[1].isNull()) return true;
        if (auto b = KeyBuckets::parse(row[1].asText())) out.emplace(table, std::move(*b));
        return true;
    });
    return out;
}

void writeDigest(kdb::Connection& db, kdb::Transaction& tr, const std::string& table, const std::string& competencia,
                 const KeyBuckets& buckets)
{
    kdb::Query q(db, tr);
    q.setSql("update or insert into HIST_DIGEST (TABELA, CMPT, CARREGADA, CHAVES) values (:t, :c, "
             "(select CARREGADA from HIST_RELEASE where CMPT = :c), :b) matching (TABELA)");
    q.setParam("t", table);
    q.setParam("c", competencia);
    q.setParam("b", buckets.bytes());
    q.execute();
}

void clearDigests(kdb::Connection& db, kdb::Transaction& tr)
{
    kdb::Query q(db, tr);
    q.setSql("delete from HIST_DIGEST");
    q.execute();
}

} // namespace korvane
