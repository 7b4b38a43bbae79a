#include "databasecreation.h"

#include "core/termination.h"
#include "core/text.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/schema.h"
#include "db/transaction.h"
#include "korvane_config.h"
#include "update/history.h"
#include "update/releasefile.h"
#include "update/releasesource.h"

#include <filesystem>
#include <stdexcept>

namespace korvane {
namespace {

// Field cut by position (1-based), trimmed; an empty text is NULL.
kdb::Value cut(std::string_view line, std::size_t start, std::size_t length)
{
    if (line.size() < start) return {};
    const std::string_view t = trimmed(line.substr(start - 1, length));
    return t.empty() ? kdb::Value() : kdb::Value(std::string(t));
}

template <class Row>
std::size_t fill(kdb::Connection& db, kdb::Transaction& tr, const std::string& sql, const ReleaseFile& file, Row row)
{
    kdb::Query insert(db, tr);
    insert.setSql(sql);
    std::size_t lineNo = 0;
    for (std::string_view line : file.lines) {
        ++lineNo;
        if (stopRequested()) throw std::runtime_error("Criação interrompida: nenhum banco foi feito.");
        try {
            row(insert, line);
            insert.execute();
        } catch (const std::exception& e) {
            throw std::runtime_error(std::string(e.what()) + "\n" + file.path + ", line " + std::to_string(lineNo));
        }
    }
    return file.lines.size();
}

} // namespace

CreationCounts createKorvaneDatabase(const std::string& databasePath, const std::string& releaseFolder)
{
    if (databasePath.find(':') == std::string::npos && std::filesystem::exists(databasePath))
        throw std::runtime_error("Database \"" + databasePath + "\" already exists");
    // Read both files before anything is made, so a bad release leaves nothing behind.
    const std::unique_ptr<ReleaseSource> release = openReleaseSource(releaseFolder);
    const ReleaseFile cid = release->read("tb_cid.txt");
    const ReleaseFile financ = release->read("tb_financiamento.txt");

    CreationCounts counts;
    kdb::Connection db;
    const kdb::Credentials credentials{KORVANE_DB_USER, KORVANE_DB_PASSWORD};
    // A file of this machine is made without forced writes, its many commits
    // left to the system, and written to the disk once at the end; a crash
    // before that leaves a file as unfinished as it would be anyway.
    const bool local = databasePath.find(':') == std::string::npos;
    bool created = false;
    try {
        kdb::createDatabase(db, databasePath, credentials, !local);
        created = true;
        convertToHistory(db);
        kdb::Transaction tr(db);
        counts.cid = fill(db, tr, "insert into TB_CID (CID_COD, CID_DESCR, CID_RESTRSEXO) values (:cod, :descr, :sexo)",
                          cid, [](kdb::Query& q, std::string_view line) {
                              q.setParam("cod", cut(line, 1, 4));
                              q.setParam("descr", cut(line, 5, 100));
                              q.setParam("sexo", cut(line, 106, 1));
                          });
        counts.financiamento = fill(db, tr, "insert into TB_FINANCIAMENTO (FINANC_COD, FINANC_DESCR) values (:cod, :descr)",
                                    financ, [](kdb::Query& q, std::string_view line) {
                                        q.setParam("cod", cut(line, 1, 2));
                                        q.setParam("descr", cut(line, 3, 100));
                                    });
        tr.commit();
        db.close();
        if (local) kdb::Connection::syncAndForceWrites(databasePath, credentials);
    } catch (...) {
        const bool made = db.isOpen() || created;
        try {
            db.close();
        } catch (...) {
        }
        if (made && local) std::filesystem::remove(databasePath);
        throw;
    }
    return counts;
}

} // namespace korvane
