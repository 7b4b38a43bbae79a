#include "historyinsert.h"

#include "historyparts.h"

#include "db/query.h"
#include "update/layouts.h"
#include "update/releasefile.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace korvane {
namespace {

// Statements stay well inside the engine's limits: 64 KB of text, 64 KB of
// message, 255 contexts. Blocks of 16 rows loaded a first release fastest:
// compiling one of 64 for each table cost more than the calls it saved.
constexpr std::size_t kMaxRows = 16, kMaxText = 48 * 1024, kMaxMessage = 32 * 1024;
constexpr std::size_t kBlocksFrom = 2000;

// "CHAR(10)     NOT NULL" -> "CHAR(10)".
std::string bareType(const std::string& declared)
{
    std::string t = declared;
    for (const char* cut : {" NOT NULL", " DEFAULT", " CHECK"}) {
        std::string upper = t;
        std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
        if (const auto at = upper.find(cut); at != std::string::npos) t.resize(at);
    }
    while (!t.empty() && t.back() == ' ') t.pop_back();
    return t;
}

// The bytes a value of the type takes in a message, roughly.
std::size_t messageBytes(const std::string& type)
{
    const auto open = type.find('(');
    if (type.rfind("CHAR", 0) == 0 || type.rfind("VARCHAR", 0) == 0)
        return (open == std::string::npos ? 1 : std::stoul(type.substr(open + 1))) + 4;
    return 12;
}

struct Shape {
    std::vector<std::string> casts;   // per insert column, its type
    std::size_t rowBytes = 0;
};

Shape shapeOf(const TableLayout& layout)
{
    const TableDefinition& def = definitionOf(layout);
    Shape s;
    for (const char* column : layout.insertColumns) {
        std::string type;
        for (const auto& c : def.columns)
            if (c.name == column) type = bareType(c.type);
        s.casts.push_back(type);
        s.rowBytes += messageBytes(type);
    }
    s.rowBytes += 40;
    return s;
}

// "R12_" or "K12": a row's parameter names.
std::string rowName(char prefix, std::size_t row, bool columns)
{
    std::string s(1, prefix);
    s += std::to_string(row);
    if (columns) s += '_';
    return s;
}

// An execute block of `rows` inserts: its parameters are the rows' values,
// its body one insert per row; no table is read to run it.
std::string statementFor(const std::string& table, const TableLayout& layout, const Shape& s, std::size_t rows)
{
    std::string columns;
    for (const char* c : layout.insertColumns) columns += std::string(c) + ", ";
    std::string params = "HIST_INI char(6) = :HIST_INI, HIST_FIM char(6) = :HIST_FIM";
    std::string body;
    for (std::size_t r = 0; r < rows; ++r) {
        const std::string row = rowName('R', r, true), key = rowName('K', r, false);
        body += "insert into " + table + " (" + columns + "HIST_ID, HIST_CHAVE, HIST_INI, HIST_FIM) values (";
        for (std::size_t c = 0; c < s.casts.size(); ++c) {
            const std::string name = row + std::to_string(c);
            params += ", " + name + " " + s.casts[c] + " = :" + name;
            body += "::" + name + ", ";
        }
        params += ", " + key + " bigint = :" + key;
        body += "::ID + " + std::to_string(r + 1) + ", ::" + key + ", ::HIST_INI, ::HIST_FIM); ";
    }
    // One call of the sequence a block: a call a row was a hundredth of the
    // load's instructions.
    return "execute block (" + params + ") as declare ID bigint; begin ID = gen_id(HIST_SEQ, " + std::to_string(rows) +
           ") - " + std::to_string(rows) + "; " + body + "end";
}

class Block {
public:
    Block(kdb::Connection& db, kdb::Transaction& tr, const std::string& sql, std::size_t rows, std::size_t columns,
          const NewVersions& v)
        : q_(db, tr)
    {
        q_.setSql(sql);
        for (std::size_t r = 0; r < rows; ++r) {
            const std::string row = rowName('R', r, true);
            for (std::size_t c = 0; c < columns; ++c) at_.push_back(q_.paramIndex(row + std::to_string(c)));
            key_.push_back(q_.paramIndex(rowName('K', r, false)));
        }
        q_.setParam("HIST_INI", kdb::Value(v.ini));
        q_.setParam("HIST_FIM", v.fim.empty() ? kdb::Value() : kdb::Value(v.fim));
    }

    // Row r of the block takes the built values (swapped in, not copied).
    void put(std::size_t r, std::vector<kdb::Value>& row, std::int64_t key)
    {
        const std::size_t columns = row.size();
        for (std::size_t c = 0; c < columns; ++c) std::swap(q_.paramAt(at_[r * columns + c]), row[c]);
        q_.setParam(key_[r], key);
    }
    void run() { q_.run(); }

private:
    kdb::Query q_;
    std::vector<int> at_, key_;
};

} // namespace

void insertVersions(kdb::Connection& db, kdb::Transaction& tr, const std::string& table, RowBuilder& builder,
                    const ReleaseFile& file, const NewVersions& v, std::size_t& atLine)
{
    if (v.lines.empty()) return;
    const TableLayout& layout = builder.layout();
    const Shape shape = shapeOf(layout);
    const std::size_t columns = shape.casts.size();
    std::size_t perBlock = std::max<std::size_t>(1, std::min(kMaxRows, kMaxMessage / shape.rowBytes));
    while (perBlock > 1 && statementFor(table, layout, shape, perBlock).size() > kMaxText) perBlock /= 2;
    std::vector<kdb::Value>& row = builder.values();

    auto build = [&](std::size_t line) {
        atLine = line + 1;
        builder.build(file.lines[line]);
        // The view says the competência; the version keeps none of its own.
        if (v.competenciaAt >= 0) row[static_cast<std::size_t>(v.competenciaAt)] = kdb::Value();
    };
    // One line alone: the way to name the line the engine refuses.
    std::unique_ptr<Block> single;
    auto one = [&](std::size_t line) {
        if (!single) single = std::make_unique<Block>(db, tr, statementFor(table, layout, shape, 1), 1, columns, v);
        build(line);
        single->put(0, row, static_cast<std::int64_t>(v.keys[line]));
        single->run();
    };

    // Compiling a block costs what some hundreds of single inserts do: a
    // month's few new versions go one by one.
    if (v.lines.size() < kBlocksFrom) perBlock = v.lines.size() + 1;
    std::unique_ptr<Block> full;
    std::size_t i = 0;
    for (; i + perBlock <= v.lines.size(); i += perBlock) {
        if (!full) full = std::make_unique<Block>(db, tr, statementFor(table, layout, shape, perBlock), perBlock, columns, v);
        for (std::size_t r = 0; r < perBlock; ++r) {
            build(v.lines[i + r]);
            full->put(r, row, static_cast<std::int64_t>(v.keys[v.lines[i + r]]));
        }
        try {
            full->run();
        } catch (const std::exception&) {
            // The failed statement wrote nothing: the lines again one by one
            // find the one refused, and its own error leaves with it.
            for (std::size_t r = 0; r < perBlock; ++r) one(v.lines[i + r]);
            throw;
        }
    }
    for (; i < v.lines.size(); ++i) one(v.lines[i]);
    atLine = 0;
}

} // namespace korvane
