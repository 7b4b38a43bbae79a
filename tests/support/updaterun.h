#pragma once
// What the update run's tests share: digests of the tables the update
// writes, one-value queries, releases made and spoiled, an update run in
// this process, and a fixture with a database holding release A and
// release B beside it.

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/tempdb.h"
#include "tools/releasegen.h"
#include "update/history.h"
#include "update/layouts.h"
#include "update/releasefile.h"
#include "update/updaterun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace ktest::update {

using Fingerprint = std::map<std::string, std::pair<std::size_t, std::uint64_t>>;

inline std::vector<std::string> tablesOfTheUpdate()
{
    std::vector<std::string> t;
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) t.push_back(l.table);
    t.push_back("VERSAO");
    return t;
}

// Every row of the release tables and VERSAO, in an order-free digest per table,
// as the competência given shows them (the newest when none is).
inline Fingerprint fingerprint(const std::string& dbPath, const std::string& competencia = {})
{
    kdb::Connection db;
    db.open(dbPath, ktest::kCredentials);
    if (!competencia.empty()) korvane::consultCompetencia(db, competencia);
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    Fingerprint fp;
    for (const std::string& table : tablesOfTheUpdate()) {
        kdb::Query q(db, tr);
        q.setSql("select * from " + table);
        q.open();
        q.fetchAll();
        std::vector<std::string> rows;
        for (std::size_t r = 0; r < q.rowCount(); ++r) {
            std::string row;
            for (std::size_t f = 0; f < q.fieldCount(); ++f) {
                const kdb::Value& v = q.value(r, f);
                row += v.isNull() ? std::string("\x01") : v.toString();
                row += '\x02';
            }
            rows.push_back(std::move(row));
        }
        std::sort(rows.begin(), rows.end());
        std::uint64_t h = 1469598103934665603ull;
        for (const std::string& row : rows)
            for (unsigned char c : row) h = (h ^ c) * 1099511628211ull;
        fp[table] = {rows.size(), h};
    }
    tr.commit();
    db.close();
    return fp;
}

inline std::string scalar(const std::string& dbPath, const std::string& sql)
{
    kdb::Connection db;
    db.open(dbPath, ktest::kCredentials);
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql(sql);
    q.open();
    const std::string r = q.isEmpty() ? "<no row>" : (q.field(0).isNull() ? "<null>" : q.field(0).toString());
    q.close();
    tr.commit();
    db.close();
    return r;
}

inline std::string generate(const std::filesystem::path& folder, std::uint64_t seed, double scale, const std::string& competencia,
                     korvane::ReleaseOptions::Layout layout = korvane::ReleaseOptions::Layout::Fixed,
                     bool layoutFiles = false, bool laterFiles = false)
{
    korvane::ReleaseOptions o;
    o.laterFiles = laterFiles;
    o.seed = seed;
    o.scale = scale;
    o.competencia = competencia;
    o.layout = layout;
    o.layoutFiles = layoutFiles;
    korvane::generateRelease(folder.string(), o);
    return folder.string();
}

inline std::vector<std::string> linesOf(const std::string& folder, const std::string& file)
{
    std::vector<std::string> out;
    for (std::string_view l : korvane::readReleaseFile(folder, file).lines) out.emplace_back(l);
    return out;
}

inline void writeLines(const std::string& folder, const std::string& file, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    ktest::writeFile(std::filesystem::path(folder) / file, text);
}

// Runs the update on a database path in this process; returns the error
// text, or "" when it succeeded.
inline std::string update(const std::string& dbPath, const std::string& folder, korvane::UpdateProgress* progress = nullptr,
                   const korvane::UpdateHooks& hooks = {})
{
    kdb::Connection db;
    db.open(dbPath, ktest::kCredentials);
    korvane::UpdateProgress local;
    std::string error;
    try {
        korvane::updateTables(db, folder, progress ? *progress : local, hooks);
    } catch (const std::exception& e) {
        error = e.what();
    }
    db.close();
    return error;
}

// A database holding release A, and release B beside it; both small.
class UpdateRun : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        shared = new ktest::TempDir;
        releaseA = generate(shared->path() / "A", 11, 0.02, "202401");
        // B carries the later files, A is an older release without them.
        releaseB = generate(shared->path() / "B", 12, 0.02, "202402", korvane::ReleaseOptions::Layout::Fixed, false, true);
        loadedA = ktest::createSchemaDatabase(*shared);
        {
            // Two rules the schema does not have, so that a line of the two
            // tables that require nothing can still be refused by the engine.
            kdb::Connection db;
            db.open(loadedA, ktest::kCredentials);
            // The rows live in the history tables behind the release's views.
            korvane::convertToHistory(db);
            db.executeImmediate("alter table H_TB_DESCRICOES add constraint CK_TEST_DESCR check (PROCEDIMENTO <> '9999999999')");
            db.executeImmediate("alter table H_TB_PROC_DETALHE add constraint CK_TEST_DETALHE check (DETALHE <> 'XXX')");
            db.close();
        }
        ASSERT_EQ(update(loadedA, releaseA), "");
        before = new Fingerprint(fingerprint(loadedA));
    }
    static void TearDownTestSuite()
    {
        delete before;
        delete shared;
    }

    // A copy of release B to spoil.
    std::string copyOfB()
    {
        const std::filesystem::path to = dir.path() / "B";
        std::filesystem::copy(releaseB, to);
        return to.string();
    }
    // A copy of the database holding A, to change freely.
    std::string copyOfLoadedA()
    {
        const std::string to = dir.file("copy.gdb");
        std::filesystem::copy_file(loadedA, to);
        return to;
    }

    ktest::TempDir dir;
    inline static ktest::TempDir* shared = nullptr;
    inline static std::string releaseA, releaseB, loadedA;
    inline static Fingerprint* before = nullptr;
};

} // namespace ktest::update
