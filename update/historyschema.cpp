// The history form of the release tables, made from the schema script's
// own definitions: H_T beside each T, T a view of the consulted competência
// with triggers that write through it (tests and maintenance scripts insert
// into the tables as they always did).

#include "history.h"
#include "historyindexes.h"
#include "historydigest.h"
#include "historyparts.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/schema.h"
#include "db/transaction.h"
#include "update/layouts.h"
#include "update/releaseinfo.h"

#include <algorithm>
#include <set>
#include <stdexcept>

namespace korvane {
namespace {

std::string upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

std::vector<std::string> splitList(const std::string& list)
{
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at <= list.size()) {
        const std::size_t comma = list.find(',', at);
        const std::string item = trim(list.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        if (!item.empty()) out.push_back(item);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return out;
}

// "CREATE TABLE T (\n  COL TYPE [NOT NULL],\n ... CONSTRAINT PK PRIMARY KEY (A, B)\n)"
// as the schema script writes it: one column or constraint a line.
void readTable(const std::string& statement, std::map<std::string, TableDefinition>& out)
{
    const std::size_t open = statement.find('(');
    TableDefinition t;
    t.name = upper(trim(statement.substr(std::string("CREATE TABLE").size(), open - 12)));
    const std::string body = statement.substr(open + 1, statement.rfind(')') - open - 1);
    std::size_t at = 0;
    while (at < body.size()) {
        std::size_t end = body.find('\n', at);
        if (end == std::string::npos) end = body.size();
        std::string line = trim(body.substr(at, end - at));
        at = end + 1;
        if (!line.empty() && line.back() == ',') line.pop_back();
        if (line.empty()) continue;
        const std::string head = upper(line);
        if (head.rfind("CONSTRAINT", 0) == 0) {
            const std::size_t k = head.find("PRIMARY KEY");
            if (k != std::string::npos) {
                const std::size_t l = line.find('(', k), r = line.find(')', l);
                t.key = splitList(upper(line.substr(l + 1, r - l - 1)));
            }
            continue;
        }
        const std::size_t blank = line.find_first_of(" \t");
        t.columns.push_back({upper(line.substr(0, blank)), trim(line.substr(blank))});
    }
    out[t.name] = std::move(t);
}

// "CREATE [UNIQUE] INDEX IX ON T (A, B)"
void readIndex(const std::string& statement, std::map<std::string, TableDefinition>& tables)
{
    const std::string s = upper(statement);
    const std::size_t on = s.find(" ON "), l = s.find('(', on), r = s.find(')', l);
    const std::string table = trim(s.substr(on + 4, l - on - 4));
    if (auto it = tables.find(table); it != tables.end())
        it->second.indexes.push_back(splitList(s.substr(l + 1, r - l - 1)));
}

} // namespace

const std::map<std::string, TableDefinition>& schemaTables()
{
    static const std::map<std::string, TableDefinition> tables = [] {
        std::map<std::string, TableDefinition> t;
        for (const std::string& s : kdb::splitScript(kdb::schemaScript())) {
            const std::string head = upper(s.substr(0, 20));
            if (head.rfind("CREATE TABLE", 0) == 0) readTable(s, t);
        }
        for (const std::string& s : kdb::splitScript(kdb::schemaScript())) {
            const std::string head = upper(s.substr(0, 20));
            if (head.rfind("CREATE INDEX", 0) == 0 || head.rfind("CREATE UNIQUE INDEX", 0) == 0) readIndex(s, t);
        }
        return t;
    }();
    return tables;
}

const TableDefinition& definitionOf(const TableLayout& layout)
{
    const auto it = schemaTables().find(layout.table);
    if (it == schemaTables().end()) throw std::logic_error(std::string("no table ") + layout.table + " in the schema");
    return it->second;
}

std::string historyTable(const TableLayout& layout) { return std::string("H_") + layout.table; }

std::string competenciaColumn(const TableLayout& layout)
{
    for (const FieldSpec& f : layout.fields)
        if (std::string_view(f.source) == kCompetenciaSource && std::string_view(f.column).find("_CMPT_FIM") != std::string_view::npos)
            return f.column;
    return {};
}

namespace {

std::string joined(const std::vector<std::string>& items, const std::string& prefix = {})
{
    std::string out;
    for (const std::string& i : items) out += (out.empty() ? "" : ", ") + prefix + i;
    return out;
}

std::vector<std::string> columnNames(const TableDefinition& t)
{
    std::vector<std::string> names;
    for (const auto& c : t.columns) names.push_back(c.name);
    return names;
}

std::vector<std::string> historyDdl(const TableLayout& layout)
{
    const TableDefinition& t = definitionOf(layout);
    const std::string h = historyTable(layout), cmpt = competenciaColumn(layout);
    std::string create = "create table " + h + " (";
    for (const auto& c : t.columns) create += c.name + " " + c.type + ", ";
    create += "HIST_ID bigint not null, HIST_CHAVE bigint not null, HIST_INI char(6) not null, HIST_FIM char(6))";
    std::vector<std::string> ddl = {create};
    const std::string ix = "HX_" + std::string(layout.table).substr(3);
    // No index on HIST_ID: a version is found by its key, indexed, and its
    // number among the key's few versions; one more index to build was a
    // quarter of the indexes' time in a first load. (Databases made before
    // keep theirs.)
    // No index on HIST_INI or HIST_FIM: nearly every version matches a range
    // on them, so the engine reading through one reads the table slower
    // than in its own order, and each costs the load a write per row.
    if (!t.key.empty()) ddl.push_back("create index " + ix + "_KEY on " + h + " (" + joined(t.key) + ")");
    ddl.push_back("create index " + keyIndex(layout) + " on " + h + " (HIST_CHAVE)");
    for (std::size_t i = 0; i < t.indexes.size(); ++i)
        ddl.push_back("create index " + ix + "_" + std::to_string(i + 1) + " on " + h + " (" + joined(t.indexes[i]) + ")");

    // The view: the table's columns in their order, the competência column
    // saying the competência consulted.
    std::string select;
    for (const auto& c : t.columns) {
        select += select.empty() ? "" : ", ";
        select += c.name == cmpt ? "cast(KORVANE_COMPETENCIA() as char(6))" : c.name;
    }
    const std::vector<std::string> names = columnNames(t);
    const std::string held = "HIST_INI <= KORVANE_COMPETENCIA() and (HIST_FIM is null or HIST_FIM >= KORVANE_COMPETENCIA())";
    ddl.push_back("create view " + std::string(layout.table) + " (" + joined(names) + ") as select " + select + " from " +
                  h + " where " + held);
    std::vector<std::string> stored;
    for (const std::string& n : names) stored.push_back(n == cmpt ? std::string("null") : "new." + n);
    // What a release did not write leaves the table's summary untrue.
    const std::string untrue = " delete from HIST_DIGEST where TABELA = '" + h + "';";
    // A row written by hand says something no release said: its key is a
    // number of the sequence, negative, so that no content matches it.
    ddl.push_back("create trigger " + ix + "_BI for " + layout.table + " before insert as begin insert into " + h + " (" +
                  joined(names) + ", HIST_ID, HIST_CHAVE, HIST_INI, HIST_FIM) values (" + joined(stored) +
                  ", gen_id(HIST_SEQ, 1), -gen_id(HIST_SEQ, 1), coalesce(KORVANE_COMPETENCIA(), '000000'), null);" + untrue +
                  " end");
    std::string set;
    for (std::size_t i = 0; i < names.size(); ++i)
        set += (set.empty() ? "" : ", ") + names[i] + " = " + stored[i];
    // The view shows the table's own columns only; a row written through it
    // is the version that says what the old row said, in the competência consulted.
    std::string same;
    for (const std::string& n : names)
        if (n != cmpt) same += (same.empty() ? "" : " and ") + n + " is not distinct from old." + n;
    ddl.push_back("create trigger " + ix + "_BU for " + layout.table + " before update as begin update " + h + " set " +
                  set + " where " + same + " and " + held + ";" + untrue + " end");
    ddl.push_back("create trigger " + ix + "_BD for " + layout.table + " before delete as begin delete from " + h +
                  " where " + same + " and " + held + ";" + untrue + " end");
    return ddl;
}

constexpr const char* kDigestTable = "create table HIST_DIGEST (TABELA varchar(31) not null primary key, "
                                     "CMPT char(6) not null, CARREGADA timestamp, CHAVES blob sub_type binary)";

const std::vector<std::string>& releaseDdl()
{
    static const std::vector<std::string> ddl = {
        "create sequence HIST_SEQ",
        "create table HIST_RELEASE (CMPT char(6) not null primary key, VERSAO varchar(10), PUBLICACAO varchar(10), "
        "ORIGEM varchar(500), CARREGADA timestamp)",
        kDigestTable,
        // With nothing kept (a database filled by hand), every row shows.
        "create function KORVANE_COMPETENCIA returns char(6) as begin return coalesce("
        "rdb$get_context('USER_SESSION', 'KORVANE_COMPETENCIA'), (select max(CMPT) from HIST_RELEASE), '999999'); end",
        "drop table VERSAO",
        "create view VERSAO (VERSAO) as select VERSAO from HIST_RELEASE where CMPT = KORVANE_COMPETENCIA()",
        "create trigger HX_VERSAO_BI for VERSAO before insert as begin insert into HIST_RELEASE (CMPT, VERSAO) values "
        "(coalesce(substring(new.VERSAO from 4 for 4) || substring(new.VERSAO from 1 for 2), '000000'), new.VERSAO); end",
        "create trigger HX_VERSAO_BU for VERSAO before update as begin update HIST_RELEASE set VERSAO = new.VERSAO "
        "where CMPT = KORVANE_COMPETENCIA(); end",
        "create trigger HX_VERSAO_BD for VERSAO before delete as begin delete from HIST_RELEASE "
        "where CMPT = KORVANE_COMPETENCIA(); end",
    };
    return ddl;
}

} // namespace

bool keepsHistory(kdb::Connection& db)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select count(*) from rdb$relations where rdb$relation_name = 'HIST_RELEASE'");
    q.open();
    const bool kept = q.field(std::size_t{0}).asInteger() > 0;
    q.close();
    tr.commit();
    return kept;
}

namespace {

// The history tables the database has.
std::set<std::string> historyTables(kdb::Connection& db)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select trim(rdb$relation_name) from rdb$relations where rdb$relation_name starting with 'H_'");
    q.open();
    q.fetchAll();
    std::set<std::string> names;
    for (std::size_t r = 0; r < q.rowCount(); ++r) names.insert(q.value(r, 0).toString());
    q.close();
    tr.commit();
    return names;
}

// Earlier databases indexed HIST_INI and HIST_FIM.
void dropRunIndexes(kdb::Connection& db)
{
    std::vector<std::string> names;
    {
        kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
        kdb::Query q(db, tr);
        q.setSql("select trim(rdb$index_name) from rdb$indices where rdb$index_name starting with 'HX_' and "
                 "rdb$relation_name starting with 'H_' and (trim(rdb$index_name) like '%\\_INI' escape '\\' or "
                 "trim(rdb$index_name) like '%\\_FIM' escape '\\')");
        q.open();
        q.fetchAll();
        for (std::size_t r = 0; r < q.rowCount(); ++r) names.push_back(q.value(r, 0).toString());
        q.close();
        tr.commit();
    }
    // Never waiting: with the table in use by another attachment (an office
    // sharing the database) the index stays until an opening finds it free.
    for (const std::string& name : names) {
        try {
            kdb::Transaction tr(db, kdb::Transaction::Access::ReadWrite, kdb::Transaction::Locks::NoWait);
            kdb::Query q(db, tr);
            q.setSql("drop index " + name);
            q.execute();
            tr.commit();
        } catch (const std::exception&) {
        }
    }
}

std::vector<std::string> names(kdb::Connection& db, const std::string& sql)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql(sql);
    std::vector<std::string> out;
    q.stream([&](const std::vector<kdb::Value>& row) {
        out.push_back(row[0].toString());
        return true;
    });
    tr.commit();
    return out;
}

// Databases that kept history before the summaries of what each table
// holds: their table, then the index on the keys with the triggers that
// keep a summary true, in one transaction, so that where a summary is
// trusted (its index there and active) hand-written rows delete it. Never
// waiting: a table another attachment holds gets them at a later opening.
void addDigests(kdb::Connection& db, const std::set<std::string>& have)
{
    try {
        if (names(db, "select trim(rdb$relation_name) from rdb$relations where rdb$relation_name = 'HIST_DIGEST'").empty()) {
            kdb::Transaction tr(db, kdb::Transaction::Access::ReadWrite, kdb::Transaction::Locks::NoWait);
            kdb::Query q(db, tr);
            q.setSql(kDigestTable);
            q.execute();
            tr.commit();
        }
    } catch (const std::exception&) {
        // A database this attachment may not change (read only, or its
        // owner's): it is read as it is, and loads read every version.
        return;
    }
    const std::vector<std::string> indexed =
        names(db, "select trim(rdb$index_name) from rdb$indices where rdb$index_name starting with 'HX_'");
    std::vector<std::string> ddl;
    for (const TableLayout& layout : releaseLayouts()) {
        if (!have.count(historyTable(layout)) ||
            std::find(indexed.begin(), indexed.end(), keyIndex(layout)) != indexed.end())
            continue;
        std::string index = keyIndex(layout);
        index.append(" on ");
        for (const std::string& s : historyDdl(layout)) {
            if (s.find(index) != std::string::npos) {
                ddl.push_back(s);
            } else if (s.rfind("create trigger", 0) == 0) {
                std::string altered = s;
                altered.insert(6, " or alter");
                ddl.push_back(std::move(altered));
            }
        }
    }
    if (ddl.empty()) return;
    try {
        kdb::Transaction tr(db, kdb::Transaction::Access::ReadWrite, kdb::Transaction::Locks::NoWait);
        for (const std::string& s : ddl) {
            kdb::Query q(db, tr);
            q.setSql(s);
            q.execute();
        }
        tr.commit();
    } catch (const std::exception&) {
    }
}

} // namespace

bool convertToHistory(kdb::Connection& db)
{
    dropRunIndexes(db);
    restoreInactiveIndexes(db);
    // A database that keeps history already may still have plain tables: the
    // release tables a later version added, made by the schema's upgrade.
    const bool kept = keepsHistory(db);
    const std::set<std::string> have = historyTables(db);
    if (kept) addDigests(db, have);
    std::vector<const TableLayout*> plain;
    for (const TableLayout& layout : releaseLayouts())
        if (!have.count(historyTable(layout))) plain.push_back(&layout);
    if (kept && plain.empty()) return false;
    const std::string versao = kept ? std::string() : readVersao(db);
    // A definition is usable once committed: what later definitions name goes
    // first, each phase in one transaction (one commit each, not one per
    // statement: with forced writes a commit is several synchronous writes).
    std::vector<std::string> tables, functions, rest;
    const auto phaseOf = [&](const std::string& s) -> std::vector<std::string>& {
        if (s.rfind("create table", 0) == 0 || s.rfind("create sequence", 0) == 0) return tables;
        if (s.rfind("create function", 0) == 0 || s.rfind("create index", 0) == 0 || s.rfind("create unique index", 0) == 0)
            return functions;
        return rest;
    };
    std::vector<std::string> views;
    const auto place = [&](const std::string& s) {
        (s.rfind("create view", 0) == 0 || s.rfind("create trigger", 0) == 0 ? views : phaseOf(s)).push_back(s);
    };
    if (!kept)
        for (const std::string& s : releaseDdl()) place(s);
    for (const TableLayout* layout : plain)
        for (const std::string& s : historyDdl(*layout)) place(s);
    const auto run = [&](const std::vector<std::string>& statements) {
        kdb::Transaction tr(db);
        for (const std::string& s : statements) {
            kdb::Query q(db, tr);
            q.setSql(s);
            q.execute();
        }
        tr.commit();
    };
    run(tables);
    run(functions);
    // The view takes the table's name: the table's rows go to its history
    // first, then the table goes.
    std::vector<std::string> drops = rest;
    for (const TableLayout* layout : plain) {
        moveRowsToHistory(db, *layout, competenciaOfVersao(versao));
        drops.push_back(std::string("drop table ") + layout->table);
    }
    run(drops);
    run(views);
    if (!kept) keepVersao(db, versao);
    return true;
}

} // namespace korvane
