#pragma once
// What each history table holds in its newest kept competência, summed up
// by buckets of the versions' keys and kept beside the tables (HIST_DIGEST).
// A release loaded after every kept one compares its own buckets with
// these and reads from the table only the versions of the buckets that
// differ: a month changes a few thousand rows of hundreds of thousands.
//
// A summary is trusted only for the competência it was written for, as
// that load stamped it (HIST_RELEASE.CARREGADA), and only while the index
// on the keys it needs is in use; a row written by hand through a table's
// view deletes the table's summary.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kdb {
class Connection;
class Transaction;
} // namespace kdb

namespace korvane {

struct TableLayout;

class KeyBuckets {
public:
    // Buckets for about 8 keys each: fewer leave more versions to read
    // beside a changed one, more a larger summary to write.
    static KeyBuckets of(const std::vector<std::uint64_t>& keys);
    static KeyBuckets of(const std::vector<std::uint64_t>& keys, int bits);

    int bits() const { return bits_; }
    std::size_t size() const { return sums_.size(); }
    std::size_t bucketOf(std::uint64_t key) const { return static_cast<std::size_t>(key >> (64 - bits_)); }
    bool sameAt(const KeyBuckets& other, std::size_t bucket) const { return sums_[bucket] == other.sums_[bucket]; }

    // The keys a run of buckets covers, as the signed numbers the table
    // stores (a run never crosses from the positive half to the negative).
    std::int64_t lowest(std::size_t bucket) const;
    std::int64_t highest(std::size_t bucket) const;
    bool sameHalf(std::size_t a, std::size_t b) const { return (a < size() / 2) == (b < size() / 2); }

    std::string bytes() const;
    // Nothing for bytes that are no summary (damaged or of another form).
    static std::optional<KeyBuckets> parse(std::string_view bytes);

private:
    int bits_ = 1;
    std::vector<std::uint64_t> sums_;
};

// The index the buckets' versions are read through.
std::string keyIndex(const TableLayout& layout);

// The trusted summaries of the given competência, by history table.
std::map<std::string, KeyBuckets> readDigests(kdb::Connection& db, kdb::Transaction& tr, const std::string& competencia);
// Written once the competência's HIST_RELEASE row has the load's stamp.
void writeDigest(kdb::Connection& db, kdb::Transaction& tr, const std::string& table, const std::string& competencia,
                 const KeyBuckets& buckets);
void clearDigests(kdb::Connection& db, kdb::Transaction& tr);

} // namespace korvane
