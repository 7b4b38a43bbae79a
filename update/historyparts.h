#pragma once
// What the history's schema, loading and reading share inside update/.

#include "db/value.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kdb {
class Connection;
class Transaction;
} // namespace kdb

namespace korvane {

struct TableLayout;

// A table as the schema script defines it.
struct TableDefinition {
    struct Column {
        std::string name;
        std::string type;   // as written: "CHAR(10) NOT NULL"
    };
    std::string name;
    std::vector<Column> columns;
    std::vector<std::string> key;                    // the primary key's columns
    std::vector<std::vector<std::string>> indexes;   // the other indexes
};

const std::map<std::string, TableDefinition>& schemaTables();
const TableDefinition& definitionOf(const TableLayout& layout);

// The column that carries the release's competência on every row (and so
// is no part of what a row says); empty for the tables without one.
std::string competenciaColumn(const TableLayout& layout);

// The key of a row's content: equal for rows that say the same, whatever
// release they came from. Texts compare without the blanks a CHAR column
// pads them with. `repeat` tells apart the rows of one file that say the
// same (the second of two is another row than the first).
std::uint64_t contentKey(const std::vector<const kdb::Value*>& values, std::uint32_t repeat);
// The same in two steps, for a file whose lines are hashed once and told
// apart afterwards: contentKey(v, r) == contentKeyOf(contentHash(v), r).
std::uint64_t contentHash(const std::vector<const kdb::Value*>& values);
std::uint64_t contentKeyOf(std::uint64_t hash, std::uint32_t repeat);

// The VERSAO text of a database that keeps one release in plain tables.
std::string readVersao(kdb::Connection& db);
// Copies the rows of a plain release table to its history, held in the
// competência given (or from the start, without one).
void moveRowsToHistory(kdb::Connection& db, const TableLayout& layout, const std::string& competencia);
// The competência of a converted database kept, with its VERSAO text.
void keepVersao(kdb::Connection& db, const std::string& versao);

} // namespace korvane
