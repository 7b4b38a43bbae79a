#pragma once
// The pieces the release generator is made of: its random numbers, the
// release's files as their layout files describe them, a writer of one
// fixed-width file, the words and numbers the records are made from, and
// the generator whose steps write the files. Only releasegen*.cpp include
// this.

#include "releasegen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvane::releasegen {

// splitmix64: small, fast and the same on every machine.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    std::uint64_t next()
    {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(next() % n); }
    std::int64_t range(std::int64_t lo, std::int64_t hi) { return lo + static_cast<std::int64_t>(below(static_cast<std::size_t>(hi - lo + 1))); }
    bool chance(double p) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
    template <class V> const auto& pick(const V& v) { return v[below(v.size())]; }

private:
    std::uint64_t s_;
};

// --- the files as the release's own layout files describe them -------------

struct Col {
    const char* name;
    int size;
    const char* type;   // VARCHAR2, CHAR or NUMBER
};

struct FileDef {
    const char* name;
    std::vector<Col> cols;
};

std::vector<FileDef> fileDefs(ReleaseOptions::Layout layout);

// One file being written: fixed-width records, blank-padded texts,
// zero-padded numbers, CRLF after every record.
class FileWriter {
public:
    FileWriter(const std::string& folder, const FileDef& def, bool layoutFile, ReleaseSummary& summary);
    ~FileWriter();
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    int col(const char* name) const;

    void begin() { line_.assign(width_, ' '); }
    void text(int c, std::string_view v);
    void text(const char* name, std::string_view v) { text(col(name), v); }
    void number(int c, std::int64_t v);
    void number(const char* name, std::int64_t v) { number(col(name), v); }
    void end()
    {
        buf_ += line_;
        buf_ += "\r\n";
        ++count_;
        if (buf_.size() > (1u << 20)) flush();
    }

    void finish();

private:
    void flush();
    void writeLayout(const std::string& folder);

    const FileDef& def_;
    ReleaseSummary& summary_;
    std::vector<int> offsets_;
    std::size_t width_ = 0;
    std::string path_;
    FILE* out_ = nullptr;
    std::string line_, buf_;
    std::size_t count_ = 0;
};

// --- words and numbers ---------------------------------------------------------

// A '|'-separated UTF-8 list as Windows-1252 texts.
std::vector<std::string> words(const char* utf8List, bool upper = false);

struct Words {
    Words();
    std::vector<std::string> acts, kinds, parts, materials, trades, fields, filler;
};

std::string upper1252(std::string s);
std::string capitalised(std::string s);
std::string twoDigits(int n);
std::string digits(std::int64_t n, int width);

// Per-owner counts around an average, adding up to about total, none above cap.
std::vector<std::size_t> spread(Rng& rng, std::size_t owners, std::size_t total, std::size_t cap);

// count distinct indexes below n, in a scattered order.
template <class F>
void distinct(Rng& rng, std::size_t n, std::size_t count, F&& each)
{
    if (n == 0) return;
    std::size_t step = 1;
    for (std::size_t s : {7919u, 104729u, 31u, 13u, 7u, 3u})
        if (std::gcd(s, n) == 1 && s < n) {
            step = s;
            break;
        }
    std::size_t at = rng.below(n);
    for (std::size_t j = 0; j < count && j < n; ++j) {
        each(at);
        at = (at + step) % n;
    }
}

// --- the release ---------------------------------------------------------------

struct Procedure {
    std::string code;
    int group;
};

struct Form {
    int group, sub, fo;
    int used = 0;
};

// One release being written. The steps run in a fixed order and draw from
// one stream of random numbers, so the order of the steps, and of the draws
// inside each, is what makes the same seed give the same bytes.
class Generator {
public:
    Generator(const std::string& folder, const ReleaseOptions& o)
        : folder_(folder), o_(o), rng_(o.seed), defs_(fileDefs(o.layout)), cmpt_(o.competencia)
    {
    }

    ReleaseSummary run()
    {
        writeHierarchy();
        makeProcedures();
        writeProcedures();
        writeCids();
        writeCbos();
        linkCidsAndCbos();
        writeCompatibilities();
        writeRegistros();
        writeModalidades();
        writeBedTypes();
        writeHabilitacoes();
        writeServices();
        writeDetails();
        writeFinancing();
        linkTheRest();
        writeDescriptions();
        // Last, so that a seed gives the other files the same bytes either way.
        if (o_.laterFiles) writeLaterFiles();
        return summary_;
    }

private:
    static constexpr std::size_t kBedTypes = 41;
    static constexpr std::size_t kDetails = 38;

    const FileDef& def(const char* name) const
    {
        for (const FileDef& d : defs_)
            if (std::string_view(d.name) == name) return d;
        throw std::logic_error(name);
    }
    FileWriter file(const char* name) { return FileWriter(folder_, def(name), o_.layoutFiles, summary_); }
    std::size_t scaled(double n, std::size_t least) const
    {
        return std::max(least, static_cast<std::size_t>(std::llround(n * o_.scale)));
    }

    // A file of one line per procedure and per target it links, about total
    // lines in all, each procedure's targets distinct.
    template <class Write>
    void linkFile(const char* name, std::size_t total, std::size_t targets, Write&& write)
    {
        FileWriter f = file(name);
        const std::vector<std::size_t> counts = spread(rng_, procs_.size(), total, targets);
        for (std::size_t i = 0; i < procs_.size(); ++i)
            distinct(rng_, targets, counts[i], [&](std::size_t t) {
                f.begin();
                write(f, procs_[i], t);
                f.end();
            });
        f.finish();
    }

    // A table of codes 01, 02, ... and the names given.
    void writeNumbered(const char* name, const char* codeCol, const char* nameCol,
                       const std::vector<std::string>& names);

    void writeHierarchy();
    void makeProcedures();
    void writeProcedures();
    void writeCids();
    void writeCbos();
    void linkCidsAndCbos();
    void writeCompatibilities();
    void writeRegistros();
    void writeModalidades();
    void writeBedTypes();
    void writeHabilitacoes();
    void writeServices();
    void writeDetails();
    void writeFinancing();
    void linkTheRest();
    void writeDescriptions();
    void writeLaterFiles();
    void writeSiaSihAndTheRest();
    std::vector<std::string> writeCoded(const char* name, const char* codeCol, const char* nameCol, std::size_t count,
                                        int width, std::int64_t first, std::int64_t stride);
    std::string longText(std::size_t length);

    const std::string folder_;
    const ReleaseOptions& o_;
    const Words w_;
    Rng rng_;
    ReleaseSummary summary_;
    const std::vector<FileDef> defs_;
    const std::string& cmpt_;

    std::vector<Form> forms_;
    std::vector<Procedure> procs_;                      // by code
    std::vector<std::size_t> materials_, principals_;   // indexes into procs_
    std::vector<std::string> cids_, cbos_, registros_, modalidades_, habs_, habGroups_;
    std::vector<std::pair<std::string, std::string>> classes_;   // service, classification
    const std::vector<std::string> financing_ = {"01", "02", "04", "05", "06", "07"};
};

} // namespace korvane::releasegen
