#include "schema.h"

#include "error.h"
#include "query.h"
#include "sqlscan.h"
#include "transaction.h"

#include <algorithm>
#include <functional>

namespace kdb {

std::vector<std::string> splitScript(std::string_view script)
{
    std::vector<std::string> out;
    std::string current;
    auto flush = [&] {
        std::size_t b = current.find_first_not_of(" \t\r\n");
        std::size_t e = current.find_last_not_of(" \t\r\n");
        if (b != std::string::npos) out.push_back(current.substr(b, e - b + 1));
        current.clear();
    };
    std::size_t i = 0;
    const std::size_t n = script.size();
    while (i < n) {
        const char c = script[i];
        const SqlPiece piece = sqlPieceAt(script, i);
        if (piece.kind == SqlPiece::Kind::Quoted) {
            current.append(script.substr(i, piece.end - i));
            i = piece.end;
        } else if (piece.kind == SqlPiece::Kind::LineComment) {
            i = piece.end;
        } else if (piece.kind == SqlPiece::Kind::BlockComment) {
            i = piece.end;
            current.push_back(' ');
        } else if (c == ';') {
            flush();
            ++i;
        } else {
            current.push_back(c);
            ++i;
        }
    }
    flush();
    return out;
}

namespace {

void refreshStatistics(Connection& connection, const std::function<bool(const std::string& table)>& wanted)
{
    std::vector<std::string> names;
    {
        Transaction tr(connection, Transaction::Access::ReadOnly);
        Query q(connection, tr);
        q.setSql("select trim(rdb$index_name), trim(rdb$relation_name) from rdb$indices "
                 "where coalesce(rdb$system_flag, 0) = 0");
        q.open();
        q.fetchAll();
        for (std::size_t r = 0; r < q.rowCount(); ++r)
            if (wanted(q.value(r, 1).asText())) names.push_back(q.value(r, 0).asText());
    }
    if (names.empty()) return;
    // One transaction for them all: each commit waits for the disk.
    Transaction tr(connection);
    Query q(connection, tr);
    for (const std::string& name : names) {
        q.setSql("set statistics index \"" + name + "\"");
        q.execute();
    }
    tr.commit();
}

} // namespace

void refreshIndexStatistics(Connection& connection)
{
    refreshStatistics(connection, [](const std::string&) { return true; });
}

void refreshIndexStatistics(Connection& connection, const std::vector<std::string>& tables)
{
    if (tables.empty()) return;
    refreshStatistics(connection, [&](const std::string& table) {
        return std::find(tables.begin(), tables.end(), table) != tables.end();
    });
}

void createDatabase(Connection& connection, const std::string& path, const Credentials& credentials, bool forcedWrites)
{
    connection.create(path, credentials, kPageSize, kDefaultCharset, forcedWrites);
    for (const std::string& statement : splitScript(schemaScript())) {
        try {
            connection.executeImmediate(statement);
        } catch (const Error& e) {
            throw Error(std::string(e.what()) + "\nin statement: " + statement.substr(0, 200));
        }
    }
}

} // namespace kdb
