// The update run against real embedded databases: atomicity at every step,
// checks before anything is touched, layout files, VERSAO, a killed process,
// and the real release when it is present.

#include "core/text.h"
#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/tempdb.h"
#include "update/databasecreation.h"
#include "tools/releasegen.h"
#include "update/layouts.h"
#include "update/releasefile.h"
#include "update/updaterun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Fingerprint = std::map<std::string, std::pair<std::size_t, std::uint64_t>>;

std::vector<std::string> tablesOfTheUpdate()
{
    std::vector<std::string> t;
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) t.push_back(l.table);
    t.push_back("VERSAO");
    return t;
}

// Every row of the 24 tables and VERSAO, in an order-free digest per table.
Fingerprint fingerprint(const std::string& dbPath)
{
    kdb::Connection db;
    db.open(dbPath, ktest::kCredentials);
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

std::string scalar(const std::string& dbPath, const std::string& sql)
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

std::string generate(const fs::path& folder, std::uint64_t seed, double scale, const std::string& competencia,
                     korvane::ReleaseOptions::Layout layout = korvane::ReleaseOptions::Layout::Fixed,
                     bool layoutFiles = false)
{
    korvane::ReleaseOptions o;
    o.seed = seed;
    o.scale = scale;
    o.competencia = competencia;
    o.layout = layout;
    o.layoutFiles = layoutFiles;
    korvane::generateRelease(folder.string(), o);
    return folder.string();
}

std::vector<std::string> linesOf(const std::string& folder, const std::string& file)
{
    std::vector<std::string> out;
    for (std::string_view l : korvane::readReleaseFile(folder, file).lines) out.emplace_back(l);
    return out;
}

void writeLines(const std::string& folder, const std::string& file, const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& l : lines) text += l + "\r\n";
    ktest::writeFile(fs::path(folder) / file, text);
}

// Runs the update on a database path in this process; returns the error
// text, or "" when it succeeded.
std::string update(const std::string& dbPath, const std::string& folder, korvane::UpdateProgress* progress = nullptr,
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
        releaseB = generate(shared->path() / "B", 12, 0.02, "202402");
        loadedA = ktest::createSchemaDatabase(*shared);
        {
            // Two rules the schema does not have, so that a line of the two
            // tables that require nothing can still be refused by the engine.
            kdb::Connection db;
            db.open(loadedA, ktest::kCredentials);
            db.executeImmediate("alter table TB_DESCRICOES add constraint CK_TEST_DESCR check (PROCEDIMENTO <> '9999999999')");
            db.executeImmediate("alter table TB_PROC_DETALHE add constraint CK_TEST_DETALHE check (DETALHE <> 'XXX')");
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
        const fs::path to = dir.path() / "B";
        fs::copy(releaseB, to);
        return to.string();
    }
    // A copy of the database holding A, to change freely.
    std::string copyOfLoadedA()
    {
        const std::string to = dir.file("copy.gdb");
        fs::copy_file(loadedA, to);
        return to;
    }

    ktest::TempDir dir;
    static ktest::TempDir* shared;
    static std::string releaseA, releaseB, loadedA;
    static Fingerprint* before;
};
ktest::TempDir* UpdateRun::shared = nullptr;
std::string UpdateRun::releaseA, UpdateRun::releaseB, UpdateRun::loadedA;
Fingerprint* UpdateRun::before = nullptr;

TEST_F(UpdateRun, ReleaseLoadsWholeAndReplacesThePreviousOne)
{
    const std::string db = copyOfLoadedA();
    korvane::UpdateProgress progress;
    ASSERT_EQ(update(db, releaseB, &progress), "");
    std::int64_t total = 0;
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) {
        const std::size_t lines = linesOf(releaseB, l.fileName).size();
        total += static_cast<std::int64_t>(lines);
        EXPECT_EQ(scalar(db, std::string("select count(*) from ") + l.table), std::to_string(lines)) << l.table;
    }
    EXPECT_EQ(progress.runTotal.load(), total);
    EXPECT_EQ(progress.runDone.load(), total);
    EXPECT_EQ(progress.step.load(), 24);
    EXPECT_EQ(scalar(db, "select count(*) from VERSAO"), "1");
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "02/2024");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC where PROC_CMPT_FIM <> '202402'"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC_HAB_INCR where INCR_CMPT_FIM is distinct from '202402'"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC where PROC_CMPT_INI is not null or COD_REDUZIDO is not null"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC where substring(PROC_COD from 1 for 2) = '07' and "
                         "(PROC_IDADE_MIN <> 0 or PROC_IDADE_MAX <> 130)"),
              "0");
    EXPECT_NE(scalar(db, "select count(*) from TB_PROC where PROC_COMPLEX = '3'"), "0");
    EXPECT_NE(scalar(db, "select count(*) from TB_PROC_COMP c join TB_PROC p on p.PROC_COD = c.PC_PROC_SEC "
                         "where substring(p.PROC_COD from 1 for 2) = '07'"),
              "0");
    // And loading A again gives back exactly what the first load of A gave.
    ASSERT_EQ(update(db, releaseA), "");
    EXPECT_EQ(fingerprint(db), *before);
}

TEST_F(UpdateRun, ALoadLeavesFreshIndexStatistics)
{
    // Made on empty tables, the indexes say every key is unique; the browser's
    // joins need the real figures to keep to their indexes.
    const std::string db = ktest::createSchemaDatabase(dir);
    const std::string query = "select cast(rdb$statistics * 1000000 as integer) from rdb$indices "
                              "where rdb$index_name = 'IX_TB_PROC_CBO_CBO'";
    EXPECT_EQ(scalar(db, query), "0");
    ASSERT_EQ(update(db, releaseA), "");
    const long perMillion = std::stol(scalar(db, query));
    EXPECT_GT(perMillion, 0);
    EXPECT_LT(perMillion, 1000000);
}

TEST_F(UpdateRun, GeneratedReleaseIsConsistentOnceLoaded)
{
    const std::string db = copyOfLoadedA();
    ASSERT_EQ(update(db, releaseB), "");
    // Every code a link names exists in its table, and every procedure sits
    // under a group, subgroup and form that exist.
    const char* const orphans[] = {
        "select count(*) from TB_PROC_CBO l where not exists (select 1 from TB_CBO c where c.CBO_COD = l.PCBO_CBO)",
        "select count(*) from TB_PROC_CBO l where not exists (select 1 from TB_PROC p where p.PROC_COD = l.PCBO_PROC)",
        "select count(*) from TB_CID_PROC l where not exists (select 1 from TB_PROC p where p.PROC_COD = l.CP_PROC)",
        "select count(*) from TB_PROC_COMP l where not exists (select 1 from TB_PROC p where p.PROC_COD = l.PC_PROC_SEC)",
        "select count(*) from TB_PROC_COMP l where PC_PROC_SEC not starting with '07'",
        "select count(*) from TB_PROC_ESPEC l where not exists (select 1 from TB_CLINICA c where c.CL_COD = l.PE_ESPEC)",
        "select count(*) from TB_PROC_MOD l where not exists (select 1 from TB_MODALIDADE m where m.MOD_COD = l.PM_MOD)",
        "select count(*) from TB_PROC_REG l where not exists (select 1 from TB_REGISTRO r where r.REG_COD = l.PR_REG)",
        "select count(*) from TB_PROC_HAB_INCR l where not exists (select 1 from TB_HABILITACAO h where h.HAB_CODIGO = l.INCR_CODIGO)",
        "select count(*) from TB_PROC_HABILITACAO l where not exists (select 1 from TB_HABILITACAO h where h.HAB_CODIGO = l.HABILITACAO)",
        "select count(*) from TB_PROC_HABILITACAO l where GRUPO_HABILITACAO is not null and not exists "
        "(select 1 from TB_GRUPO_HABILITACAO g where g.GRUPO = l.GRUPO_HABILITACAO)",
        "select count(*) from TB_PROC_SERV_CLASS l where not exists "
        "(select 1 from TB_SERV_CLASS c where c.SC_SERV_COD = l.PS_SERVICO and c.SC_CLASS_COD = l.PS_CLASSIF)",
        "select count(*) from TB_SERV_CLASS c where not exists (select 1 from TB_SERVICO s where s.SERV_COD = c.SC_SERV_COD)",
        "select count(*) from TB_PROC_DETALHE l where not exists (select 1 from TB_DETALHE d where d.CODIGO = l.DETALHE)",
        "select count(*) from TB_DESCRICOES l where not exists (select 1 from TB_PROC p where p.PROC_COD = l.PROCEDIMENTO)",
        "select count(*) from TB_PROC p where not exists (select 1 from TB_FO f where f.GRUPO = substring(p.PROC_COD from 1 for 2) "
        "and f.SUBGRUPO = substring(p.PROC_COD from 3 for 2) and f.FO = substring(p.PROC_COD from 5 for 2))",
        "select count(*) from TB_FO f where not exists (select 1 from TB_SUB_GRUPO s where s.GRUPO = f.GRUPO and s.SUBGRUPO = f.SUBGRUPO)",
        "select count(*) from TB_SUB_GRUPO s where not exists (select 1 from TB_GRUPO g where g.CODIGO = s.GRUPO)",
    };
    for (const char* sql : orphans) EXPECT_EQ(scalar(db, sql), "0") << sql;
    EXPECT_EQ(scalar(db, "select count(*) from TB_GRUPO"), "8");
    EXPECT_NE(scalar(db, "select count(*) from TB_PROC where PROC_COD starting with '07'"), "0");
    EXPECT_NE(scalar(db, "select count(*) from TB_DESCRICOES where DETALHES similar to '%[\xE0-\xFC]%'"), "0");
}

TEST(ReleaseGenerator, SameSeedSameBytesAndTheScaleCounts)
{
    ktest::TempDir dir;
    const std::string a = generate(dir.path() / "a", 5, 0.05, "202301");
    const std::string b = generate(dir.path() / "b", 5, 0.05, "202301");
    const std::string c = generate(dir.path() / "c", 6, 0.05, "202301");
    const std::string big = generate(dir.path() / "big", 5, 0.5, "202301");
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(a)) {
        const std::string name = entry.path().filename().string();
        const std::string bytesA = korvane::readReleaseFile(a, name).content;
        EXPECT_EQ(bytesA, korvane::readReleaseFile(b, name).content) << name;
        ++files;
    }
    EXPECT_EQ(files, 26u);
    EXPECT_NE(korvane::readReleaseFile(a, "tb_procedimento.txt").content,
              korvane::readReleaseFile(c, "tb_procedimento.txt").content);
    // Ten times the scale, about ten times the lines of the big files.
    for (const char* name : {"tb_procedimento.txt", "rl_procedimento_ocupacao.txt", "rl_procedimento_cid.txt", "tb_descricao.txt"}) {
        const double ratio = static_cast<double>(linesOf(big, name).size()) / static_cast<double>(linesOf(a, name).size());
        EXPECT_GT(ratio, 8.0) << name;
        EXPECT_LT(ratio, 12.0) << name;
    }
    // CRLF after every line, the last one too; accents as Windows-1252 bytes.
    std::string raw;
    {
        std::ifstream in(fs::path(a) / "tb_grupo.txt", std::ios::binary);
        raw.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
    EXPECT_EQ(std::count(raw.begin(), raw.end(), '\n'), std::count(raw.begin(), raw.end(), '\r'));
    EXPECT_NE(raw.find("A\xE7\xF5" "es de promo\xE7\xE3o"), std::string::npos);
    EXPECT_EQ(raw.find("\xC3"), std::string::npos);   // no UTF-8
    for (const std::string& l : linesOf(a, "tb_procedimento.txt")) ASSERT_EQ(l.size(), 330u);
}

struct BadLine {
    int step;
    std::string line;      // put in as line 2 of the step's file of release B; "dup" repeats line 1
    std::string reason;    // the start of the reported text
};

class BadLineAtEveryStep : public UpdateRun, public ::testing::WithParamInterface<BadLine> {};

TEST_P(BadLineAtEveryStep, LeavesTheDatabaseAsItWas)
{
    const BadLine& bad = GetParam();
    const korvane::TableLayout& layout = korvane::releaseLayouts()[static_cast<std::size_t>(bad.step - 1)];
    const std::string folder = copyOfB();
    std::vector<std::string> lines = linesOf(folder, layout.fileName);
    ASSERT_GE(lines.size(), 2u) << layout.fileName;
    lines.insert(lines.begin() + 1, bad.line == "dup" ? lines[0] : bad.line);
    writeLines(folder, layout.fileName, lines);

    korvane::UpdateProgress progress;
    const std::string error = update(loadedA, folder, &progress);
    EXPECT_EQ(error.rfind(bad.reason, 0), 0u) << error;
    const std::string where = "\n" + folder + "/" + layout.fileName + ", line 2";
    ASSERT_GE(error.size(), where.size());
    EXPECT_EQ(error.substr(error.size() - where.size()), where) << error;
    EXPECT_EQ(progress.step.load(), bad.step);
    EXPECT_EQ(progress.tableDone.load(), 1);
    EXPECT_EQ(fingerprint(loadedA), *before);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, BadLineAtEveryStep,
    ::testing::Values(BadLine{1, "          ", "Field 'CP_PROC' must have a value"},
                      BadLine{2, "225125", "Field 'CBO_DESCR' must have a value"},
                      BadLine{3, "", "Field 'PCBO_PROC' must have a value"},
                      BadLine{4, "0301010072010702010010021x9  202402", "'x9' is not a valid integer value for field 'PC_QT_PERMITIDA'"},
                      BadLine{5, "0301010072" + std::string(272, ' ') + "00000A0000", "'00000A0000' is not a valid floating point value for field 'PROC_VL_SH'"},
                      BadLine{6, "dup", "violation of PRIMARY or UNIQUE KEY"},
                      BadLine{7, "   ", "Field 'INCR_PROC' must have a value"},
                      BadLine{8, "0301010072", "Field 'PM_MOD' must have a value"},
                      BadLine{9, "", "Field 'PR_PROC' must have a value"},
                      BadLine{10, "0301010072100", "Field 'PS_CLASSIF' must have a value"},
                      BadLine{11, "", "Field 'REG_COD' must have a value"},
                      BadLine{12, "dup", "violation of PRIMARY or UNIQUE KEY"},
                      BadLine{13, "", "Field 'SC_SERV_COD' must have a value"},
                      BadLine{14, "", "'' is not a valid integer value"},
                      BadLine{15, "X101Nome", "'X1' is not a valid integer value for field 'SG_COD_GR'"},
                      BadLine{16, "  ", "'' is not a valid integer value"},
                      BadLine{17, "01", "Field 'CL_DESCR' must have a value"},
                      BadLine{18, "", "Field 'HAB_CODIGO' must have a value"},
                      BadLine{19, "", "Field 'MOD_COD' must have a value"},
                      BadLine{20, "9999999999Texto", "Operation violates CHECK constraint CK_TEST_DESCR"},
                      BadLine{21, "", "Field 'PROCEDIMENTO' must have a value"},
                      BadLine{22, "", "Field 'GRUPO' must have a value"},
                      BadLine{23, "", "Field 'CODIGO' must have a value"},
                      BadLine{24, "9999999999XXX", "Operation violates CHECK constraint CK_TEST_DETALHE"}),
    [](const ::testing::TestParamInfo<BadLine>& i) { return "Step" + std::to_string(i.param.step); });

TEST_F(UpdateRun, MissingLastFileFailsBeforeAnyTableIsTouched)
{
    const std::string folder = copyOfB();
    fs::remove(fs::path(folder) / "rl_procedimento_detalhe.txt");
    bool touched = false;
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&](int) { touched = true; };
    korvane::UpdateProgress progress;
    EXPECT_EQ(update(loadedA, folder, &progress, hooks),
              "Cannot open file \"" + folder + "/rl_procedimento_detalhe.txt\". No such file or directory");
    EXPECT_FALSE(touched);
    EXPECT_FALSE(progress.filesRead.load());
    EXPECT_EQ(fingerprint(loadedA), *before);

    EXPECT_EQ(update(loadedA, dir.file("no-such-folder")),
              "Cannot open file \"" + dir.file("no-such-folder") + "/rl_procedimento_cid.txt\". No such file or directory");
    EXPECT_EQ(fingerprint(loadedA), *before);
}

TEST_F(UpdateRun, LayoutFileWithoutANeededColumnStopsBeforeAnythingIsTouched)
{
    const std::string folder =
        generate(dir.path() / "L", 12, 0.02, "202402", korvane::ReleaseOptions::Layout::Fixed, true);
    std::vector<std::string> layout = linesOf(folder, "tb_procedimento_layout.txt");
    std::erase_if(layout, [](const std::string& l) { return l.rfind("VL_SP,", 0) == 0; });
    writeLines(folder, "tb_procedimento_layout.txt", layout);
    bool touched = false;
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&](int) { touched = true; };
    EXPECT_EQ(update(loadedA, folder, nullptr, hooks),
              "Column 'VL_SP' not found in layout file \"" + folder + "/tb_procedimento_layout.txt\"");
    EXPECT_FALSE(touched);
    EXPECT_EQ(fingerprint(loadedA), *before);
}

TEST_F(UpdateRun, FileChangedAfterTheCheckStopsTheRunAndIsUndone)
{
    const std::string folder = copyOfB();
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&](int step) {
        if (step != 1) return;
        std::vector<std::string> lines = linesOf(folder, "rl_procedimento_detalhe.txt");
        lines.push_back(lines.front());
        writeLines(folder, "rl_procedimento_detalhe.txt", lines);
    };
    EXPECT_EQ(update(loadedA, folder, nullptr, hooks),
              "File \"" + folder + "/rl_procedimento_detalhe.txt\" changed while the update was running");
    EXPECT_EQ(fingerprint(loadedA), *before);
}

TEST_F(UpdateRun, FailureInsideAStepHookIsUndoneToo)
{
    // The last step, after 23 tables have been replaced in the transaction.
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [](int step) {
        if (step == 24) throw std::runtime_error("stopped");
    };
    EXPECT_EQ(update(loadedA, releaseB, nullptr, hooks), "stopped\n" + releaseB + "/rl_procedimento_detalhe.txt");
    EXPECT_EQ(fingerprint(loadedA), *before);
}

TEST_F(UpdateRun, EmptyFilesEmptyTheirTablesAndVersaoFollows)
{
    const std::string db = copyOfLoadedA();
    const std::string folder = copyOfB();
    ktest::writeFile(fs::path(folder) / "tb_detalhe.txt", "\r\n   \r\n\r\n");
    ktest::writeFile(fs::path(folder) / "tb_procedimento.txt", "");
    std::map<int, std::int64_t> totals;
    korvane::UpdateProgress progress;
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&](int step) { totals[step] = progress.tableTotal.load(); };
    ASSERT_EQ(update(db, folder, &progress, hooks), "");
    EXPECT_EQ(totals[23], 0);
    EXPECT_EQ(totals[5], 0);
    EXPECT_GT(totals[3], 0);
    EXPECT_EQ(scalar(db, "select count(*) from TB_DETALHE"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), "0");
    // An empty procedure file still writes VERSAO: NULL.
    EXPECT_EQ(scalar(db, "select count(*) from VERSAO"), "1");
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "<null>");
    // The next load finds that NULL row and updates it ("= NULL" would match nothing).
    ASSERT_EQ(update(db, releaseB), "");
    EXPECT_EQ(scalar(db, "select count(*) from VERSAO"), "1");
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "02/2024");
    // No row at all: one is added.
    {
        kdb::Connection c;
        c.open(db, ktest::kCredentials);
        c.executeImmediate("delete from VERSAO");
        c.close();
    }
    ASSERT_EQ(update(db, releaseA), "");
    EXPECT_EQ(scalar(db, "select count(*) from VERSAO"), "1");
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "01/2024");
}

TEST_F(UpdateRun, LayoutOf2025LoadsTheWidenedValues)
{
    const std::string folder =
        generate(dir.path() / "Y", 13, 0.02, "202503", korvane::ReleaseOptions::Layout::Y2025, true);
    const std::string db = copyOfLoadedA();
    ASSERT_EQ(update(db, folder), "");
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "03/2025");
    // Positions of the 2025 layout, as DATASUS publishes them.
    std::map<std::string, std::string> expected;
    for (const std::string& l : linesOf(folder, "tb_procedimento.txt")) {
        ASSERT_EQ(l.size(), 336u);
        auto money = [&](std::size_t at) { return kdb::Decimal(std::stoll(l.substr(at - 1, 12)), 2).toString(); };
        expected[l.substr(0, 10)] = money(283) + "|" + money(295) + "|" + money(307) + "|" + l.substr(318, 2) + "|" +
                                    l.substr(330, 6);
    }
    kdb::Connection c;
    c.open(db, ktest::kCredentials);
    kdb::Transaction tr(c, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(c, tr);
    q.setSql("select PROC_COD, PROC_VL_SH, PROC_VL_SA, PROC_VL_SP, PROC_CO_FINANC, PROC_CMPT_FIM from TB_PROC");
    q.open();
    q.fetchAll();
    ASSERT_EQ(q.rowCount(), expected.size());
    std::size_t nonZero = 0;
    for (std::size_t r = 0; r < q.rowCount(); ++r) {
        const std::string got = q.value(r, 1).toString() + "|" + q.value(r, 2).toString() + "|" +
                                q.value(r, 3).toString() + "|" + q.value(r, 4).toString() + "|" +
                                q.value(r, 5).toString();
        EXPECT_EQ(got, expected[q.value(r, 0).asText()]) << q.value(r, 0).asText();
        nonZero += q.value(r, 1).asDecimal().units() != 0;
    }
    EXPECT_GT(nonZero, 0u);
}

// --- a killed update process ---------------------------------------------------------

pid_t spawnUpdate(const std::string& db, const std::string& folder, int& errFd)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string exe = KORVANE_UPDATE_EXE;
    std::vector<std::string> args = {exe, "--database", db, folder};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) throw std::runtime_error("cannot start " + exe);
    errFd = pipeFds[0];
    return pid;
}

TEST_F(UpdateRun, KilledUpdateProcessLeavesThePreviousReleaseAndAnOpenableDatabase)
{
    const std::string db = copyOfLoadedA();
    const std::string big = generate(dir.path() / "C", 14, 0.6, "202403");
    // This process holds no connection now: the engine lets one process at a time open the file.
    int errFd = -1;
    const pid_t pid = spawnUpdate(db, big, errFd);
    // Kill it once it reports a table after the first, well inside the run.
    std::string seen;
    char buf[256];
    FILE* err = fdopen(errFd, "r");
    while (std::fgets(buf, sizeof buf, err)) {
        seen += buf;
        int step = 0;
        if (std::sscanf(buf, "step %d/24", &step) == 1 && step >= 2) break;
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    std::fclose(err);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the update ended before it could be killed: " << seen;
    EXPECT_EQ(WTERMSIG(status), SIGKILL);

    EXPECT_EQ(fingerprint(db), *before);
    ASSERT_EQ(update(db, releaseB), "");
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "02/2024");
}

// --- the layouts against the schema --------------------------------------------------

TEST(LayoutsAndSchema, WidthsAndColumnsMatchTheTables)
{
    ktest::TempDir dir;
    const std::string path = ktest::createSchemaDatabase(dir);
    kdb::Connection db;
    db.open(path, ktest::kCredentials);
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select f.RDB$FIELD_TYPE, f.RDB$CHARACTER_LENGTH from RDB$RELATION_FIELDS rf join RDB$FIELDS f "
             "on f.RDB$FIELD_NAME = rf.RDB$FIELD_SOURCE where rf.RDB$RELATION_NAME = :T and rf.RDB$FIELD_NAME = :C");
    auto column = [&](const char* table, const char* name) {
        q.setParam("T", table);
        q.setParam("C", name);
        q.open();
        const auto r = q.isEmpty() ? std::make_pair(std::int64_t{-1}, std::int64_t{-1})
                                   : std::make_pair(q.field(0).asInteger(),
                                                    q.field(1).isNull() ? std::int64_t{0} : q.field(1).asInteger());
        q.close();
        return r;
    };
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) {
        for (const char* c : l.insertColumns) EXPECT_GE(column(l.table, c).first, 0) << l.table << "." << c;
        for (const korvane::FieldSpec& f : l.fields) {
            const auto [type, length] = column(l.table, f.column);
            const bool text = type == 14 || type == 37;   // CHAR, VARCHAR
            if (f.width > 0) {
                EXPECT_TRUE(text) << l.table << "." << f.column;
                EXPECT_EQ(length, f.width) << l.table << "." << f.column;
            } else {
                EXPECT_FALSE(text) << l.table << "." << f.column << " needs its width";
            }
        }
    }
}

// --- the real release ------------------------------------------------------------------

TEST(RealRelease, LoadsCompletely)
{
    const std::string real = ktest::sharedRelease();
    if (real.empty()) GTEST_SKIP() << "the shared 202206 release is absent";
    ktest::TempDir dir;
    const std::string db = dir.file("KORVANE.GDB");
    korvane::createKorvaneDatabase(db, real);
    const std::string cidRows = scalar(db, "select count(*) from TB_CID");
    ASSERT_EQ(update(db, real), "");

    for (const korvane::TableLayout& l : korvane::releaseLayouts())
        EXPECT_EQ(scalar(db, std::string("select count(*) from ") + l.table),
                  std::to_string(linesOf(real, l.fileName).size()))
            << l.table;
    EXPECT_EQ(scalar(db, "select count(*) from TB_CID"), cidRows);
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "06/2022");

    kdb::Connection c;
    c.open(db, ktest::kCredentials);
    kdb::Transaction tr(c, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(c, tr);
    q.setSql("select * from TB_PROC where PROC_COD = '0301010072'");
    q.open();
    ASSERT_FALSE(q.isEmpty());
    EXPECT_EQ(q.field("PROC_DESCR").asText(), "CONSULTA MEDICA EM ATENCAO ESPECIALIZADA");
    EXPECT_EQ(q.field("PROC_COMPLEX").asText(), "2");
    EXPECT_EQ(q.field("PROC_SEXO").asText(), "I");
    EXPECT_EQ(q.field("PROC_QTD_MAX").asInteger(), 9999);
    EXPECT_EQ(q.field("PROC_QTD_DIAS").asInteger(), 9999);
    EXPECT_EQ(q.field("PROC_QTD_PONTOS").asInteger(), 0);
    EXPECT_EQ(q.field("PROC_IDADE_MIN").asInteger(), 0);
    EXPECT_EQ(q.field("PROC_IDADE_MAX").asInteger(), 131);   // 1571 months
    EXPECT_EQ(q.field("PROC_VL_SH").asDecimal().toString(), "0.00");
    EXPECT_EQ(q.field("PROC_VL_SA").asDecimal().toString(), "10.00");
    EXPECT_EQ(q.field("PROC_VL_SP").asDecimal().toString(), "0.00");
    EXPECT_EQ(q.field("PROC_CO_FINANC").asText(), "06");
    EXPECT_TRUE(q.field("PROC_CO_RUBRICA").isNull());
    EXPECT_EQ(q.field("PROC_CMPT_FIM").asText(), "202206");
    EXPECT_TRUE(q.field("COD_REDUZIDO").isNull());

    // The descriptive text, byte for byte as the file has it, trimmed.
    std::string fileText;
    for (const std::string& l : linesOf(real, "tb_descricao.txt"))
        if (l.rfind("0301010072", 0) == 0) fileText = std::string(korvane::trimmed(l.substr(10, 4000)));
    ASSERT_FALSE(fileText.empty());
    q.setSql("select DETALHES from TB_DESCRICOES where PROCEDIMENTO = '0301010072'");
    q.open();
    ASSERT_FALSE(q.isEmpty());
    EXPECT_EQ(q.field(0).asText(), fileText);

    q.setSql("select GRUPO_DESCR, CODIGO from TB_GRUPO where GRUPO_COD_GR = 1");
    q.open();
    EXPECT_EQ(q.field(0).asText(), "01 - Acoes de promocao e prevencao em saude");
    EXPECT_EQ(q.field(1).asText(), "01");
    q.setSql("select count(*) from TB_PROC_HAB_INCR where INCR_CMPT_FIM = '202206'");
    q.open();
    EXPECT_EQ(q.field(0).asInteger(), static_cast<std::int64_t>(linesOf(real, "rl_procedimento_incremento.txt").size()));
    q.setSql("select count(*) from TB_PROC where PROC_COD starting with '07' and (PROC_IDADE_MIN <> 0 or PROC_IDADE_MAX <> 130)");
    q.open();
    EXPECT_EQ(q.field(0).asInteger(), 0);
    q.close();
    tr.commit();
    c.close();
}

} // namespace
