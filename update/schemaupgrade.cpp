#include "schemaupgrade.h"

#include "db/ascii.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/schema.h"
#include "db/transaction.h"

#include <string>
#include <string_view>
#include <vector>

namespace korvane {
namespace {

struct AddedColumn {
    const char* table;
    const char* column;
    const char* type;
};

// The ages in months as the release gives them.
constexpr AddedColumn kAdded[] = {
    {"TB_PROC", "PROC_IDADE_MIN_MESES", "SMALLINT"},
    {"TB_PROC", "PROC_IDADE_MAX_MESES", "SMALLINT"},
};

struct WideColumn {
    const char* table;
    const char* column;
    int width;
};

// Names the release holds longer than the first columns took: a bed type's
// 60 characters, a hierarchy name of 100 after its code and " - ".
constexpr WideColumn kWidened[] = {
    {"TB_CLINICA", "CL_DESCR", 60},
    {"TB_GRUPO", "GRUPO_DESCR", 105},
    {"TB_SUB_GRUPO", "SG_DESCR", 105},
    {"TB_FO", "FO_DESCR", 105},
};

// The column's width in characters; -1 when the table has no such column.
int widthOf(kdb::Connection& db, const char* table, const char* column)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select coalesce(f.rdb$character_length, 0) from rdb$relation_fields rf "
             "join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
             "where rf.rdb$relation_name = :t and rf.rdb$field_name = :c");
    q.setParam("t", std::string(table));
    q.setParam("c", std::string(column));
    q.open();
    const int width = q.isEmpty() ? -1 : static_cast<int>(q.field(std::size_t{0}).asInteger());
    q.close();
    tr.commit();
    return width;
}

bool tableExists(kdb::Connection& db, const std::string& table)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select 1 from rdb$relations where rdb$relation_name = :t");
    q.setParam("t", table);
    q.open();
    const bool found = !q.isEmpty();
    q.close();
    tr.commit();
    return found;
}

// The word after `lead` in a statement that starts with it ("CREATE TABLE
// TB_TUSS (" gives "TB_TUSS"); empty when it does not start so.
std::string nameAfter(std::string_view statement, std::string_view lead)
{
    const std::string head = kdb::upperAscii(std::string(statement.substr(0, lead.size())));
    if (head != lead) return {};
    std::string_view rest = statement.substr(lead.size());
    const std::size_t end = rest.find_first_of(" \t\r\n(");
    return kdb::upperAscii(std::string(rest.substr(0, end)));
}

// The table an index statement is made on: "CREATE INDEX IX ON T (C)" gives "T".
std::string indexTable(std::string_view statement)
{
    if (nameAfter(statement, "CREATE INDEX ").empty()) return {};
    const std::string upper = kdb::upperAscii(std::string(statement));
    const std::size_t on = upper.find(" ON ");
    return on == std::string::npos ? std::string() : nameAfter(std::string_view(upper).substr(on + 1), "ON ");
}

// Tables of the schema script the database lacks, made with their indexes.
int createMissingTables(kdb::Connection& db)
{
    const std::vector<std::string> statements = kdb::splitScript(kdb::schemaScript());
    int changes = 0;
    for (const std::string& s : statements) {
        const std::string table = nameAfter(s, "CREATE TABLE ");
        if (table.empty() || tableExists(db, table)) continue;
        db.executeImmediate(s);
        ++changes;
        for (const std::string& i : statements)
            if (indexTable(i) == table) db.executeImmediate(i);
    }
    return changes;
}

} // namespace

int upgradeSchema(kdb::Connection& db)
{
    int changes = createMissingTables(db);
    for (const AddedColumn& a : kAdded) {
        if (widthOf(db, a.table, a.column) >= 0) continue;
        db.executeImmediate(std::string("alter table ") + a.table + " add " + a.column + " " + a.type);
        ++changes;
    }
    for (const WideColumn& w : kWidened) {
        const int now = widthOf(db, w.table, w.column);
        if (now < 0 || now >= w.width) continue;
        db.executeImmediate(std::string("alter table ") + w.table + " alter column " + w.column + " type varchar(" +
                            std::to_string(w.width) + ")");
        ++changes;
    }
    return changes;
}

} // namespace korvane
