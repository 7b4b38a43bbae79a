// The update run against real embedded databases: atomicity at every step,
// checks before anything is touched, layout files and VERSAO. The releases
// themselves, the layouts against the schema, a killed process and the real
// release are in test_update_release.cpp.

#include "support/updaterun.h"
#include "core/text.h"
#include "update/releaseinfo.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

using namespace ktest::update;

namespace {

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
    EXPECT_EQ(progress.step.load(), static_cast<int>(korvane::releaseLayouts().size()));
    EXPECT_NE(scalar(db, "select count(*) from TB_PROC_TUSS"), "0");
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
    // Loading A again keeps both: the newest shows by default, and A's
    // competência shows exactly what the first load of A gave.
    const Fingerprint ofB = fingerprint(db);
    ASSERT_EQ(update(db, releaseA), "");
    EXPECT_EQ(fingerprint(db), ofB);
    EXPECT_EQ(fingerprint(db, "202401"), *before);
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
    // The rows now live in the history table, under its index of the same column.
    const long perMillion = std::stol(scalar(db, "select cast(rdb$statistics * 1000000 as integer) from rdb$indices "
                                                 "where rdb$index_name = 'HX_PROC_CBO_1'"));
    EXPECT_GT(perMillion, 0);
    EXPECT_LT(perMillion, 1000000);
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
    // A line with text reaches its competência, or the checks before the load
    // refuse it for that; the bad line is made to, its fault kept.
    std::string line = bad.line == "dup" ? lines[0] : bad.line;
    const korvane::FixedRecord record = korvane::fixedRecord(layout);
    if (!korvane::trimmedCopy(line).empty() && record.competencia > 0 && line.size() <= record.competencia - 1u)
        line += std::string(record.competencia - 1u - line.size(), ' ') + "202402";
    lines.insert(lines.begin() + 1, line);
    writeLines(folder, layout.fileName, lines);

    korvane::UpdateProgress progress;
    const std::string error = update(loadedA, folder, &progress);
    EXPECT_EQ(error.rfind(bad.reason, 0), 0u) << error;
    const std::string where = "\n" + folder + "/" + layout.fileName + ", line 2";
    ASSERT_GE(error.size(), where.size());
    EXPECT_EQ(error.substr(error.size() - where.size()), where) << error;
    EXPECT_EQ(progress.step.load(), bad.step);
    // Lines are read and checked before the history is written; a rule only
    // the engine holds (a CHECK constraint) stops the run when it writes.
    EXPECT_GE(progress.tableDone.load(), 1);
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
                      BadLine{24, "9999999999XXX", "Operation violates CHECK constraint CK_TEST_DETALHE"},
                      BadLine{25, "", "Field 'TUSS_COD' must have a value"},
                      BadLine{26, "dup", "violation of PRIMARY or UNIQUE KEY"},
                      BadLine{28, "0301010072", "Field 'PRN_RENASES' must have a value"},
                      BadLine{31, "dup", "violation of PRIMARY or UNIQUE KEY"},
                      BadLine{33, "", "Field 'RC_COD' must have a value"},
                      BadLine{35, "0301010072", "Field 'EC_PROC_PRINC' must have a value"},
                      BadLine{36, "01002015  NOME", "Field 'SS_TIPO' must have a value"},
                      BadLine{39, "", "Field 'DD_DETALHE' must have a value"}),
    [](const ::testing::TestParamInfo<BadLine>& i) { return "Step" + std::to_string(i.param.step); });

TEST_F(UpdateRun, ARuleOfTheEngineNamesItsLineAmongRowsWrittenTogether)
{
    // Rows go to the engine many to a statement; the one it refuses is still
    // named by its own line, and nothing of the run stays.
    const korvane::TableLayout& layout = korvane::releaseLayouts()[23];
    ASSERT_EQ(std::string(layout.table), "TB_PROC_DETALHE");
    const std::string folder = copyOfB();
    std::vector<std::string> lines = linesOf(folder, layout.fileName);
    ASSERT_GE(lines.size(), 140u);
    std::string bad = lines[0].substr(0, 10) + "XXX";
    const korvane::FixedRecord record = korvane::fixedRecord(layout);
    bad += std::string(record.competencia - 1u - bad.size(), ' ') + "202402";
    lines.insert(lines.begin() + 102, bad);
    writeLines(folder, layout.fileName, lines);

    const std::string error = update(loadedA, folder);
    EXPECT_EQ(error.rfind("Operation violates CHECK constraint CK_TEST_DETALHE", 0), 0u) << error;
    const std::string where = "\n" + folder + "/" + layout.fileName + ", line 103";
    ASSERT_GE(error.size(), where.size());
    EXPECT_EQ(error.substr(error.size() - where.size()), where) << error;
    EXPECT_EQ(fingerprint(loadedA), *before);
}

TEST_F(UpdateRun, AFirstLoadBuildsTheIndexesItSetAsideWhateverTheOutcome)
{
    const auto inactive = [](const std::string& db) {
        return scalar(db, "select count(*) from rdb$indices where rdb$index_inactive = 1");
    };
    const std::string db = ktest::createSchemaDatabase(dir);
    {
        kdb::Connection c;
        c.open(db, ktest::kCredentials);
        korvane::convertToHistory(c);
    }
    const std::string indexes = scalar(db, "select count(*) from rdb$indices where rdb$relation_name starting with 'H_'");
    // A first load that fails at its last table: nothing of it stays, and
    // every index is there to be used.
    const std::string folder = copyOfB();
    std::vector<std::string> lines = linesOf(folder, "tb_descricao_detalhe.txt");
    ASSERT_FALSE(lines.empty());
    lines.insert(lines.begin() + 1, lines[0]);
    writeLines(folder, "tb_descricao_detalhe.txt", lines);
    EXPECT_NE(update(db, folder), "");
    EXPECT_EQ(inactive(db), "0");
    EXPECT_EQ(scalar(db, "select count(*) from H_TB_PROC"), "0");
    // Then a good one.
    ASSERT_EQ(update(db, releaseB), "");
    EXPECT_EQ(inactive(db), "0");
    EXPECT_EQ(scalar(db, "select count(*) from rdb$indices where rdb$relation_name starting with 'H_'"), indexes);
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), std::to_string(linesOf(releaseB, "tb_procedimento.txt").size()));
    // The engine uses the key index again for a procedure's rows.
    EXPECT_NE(scalar(db, "select count(*) from TB_PROC_CBO where PCBO_PROC = (select min(PCBO_PROC) from TB_PROC_CBO)"),
              "0");

    // A load cut short by a crash would leave indexes inactive; the next
    // opening builds them. The indexes of earlier databases on the runs go.
    {
        kdb::Connection c;
        c.open(db, ktest::kCredentials);
        c.executeImmediate("alter index HX_PROC_CBO_KEY inactive");
        c.executeImmediate("create index HX_PROC_CBO_INI on H_TB_PROC_CBO (HIST_INI)");
        c.executeImmediate("create index HX_PROC_CBO_FIM on H_TB_PROC_CBO (HIST_FIM)");
    }
    EXPECT_EQ(inactive(db), "1");
    {
        kdb::Connection c;
        c.open(db, ktest::kCredentials);
        korvane::convertToHistory(c);
    }
    EXPECT_EQ(inactive(db), "0");
    EXPECT_EQ(scalar(db, "select count(*) from rdb$indices where rdb$index_name in ('HX_PROC_CBO_INI', 'HX_PROC_CBO_FIM')"),
              "0");
    EXPECT_EQ(scalar(db, "select count(*) from rdb$indices where rdb$relation_name starting with 'H_'"), indexes);
}

TEST_F(UpdateRun, AFirstLoadWhileAnotherAttachmentReadsTheTablesEndsLoaded)
{
    // The update window's load runs beside the browser's attachment: the
    // indexes it cannot set aside or build now never hold it up, and the
    // next opening builds what is left.
    const std::string db = ktest::createSchemaDatabase(dir);
    {
        kdb::Connection c;
        c.open(db, ktest::kCredentials);
        korvane::convertToHistory(c);
    }
    kdb::Connection other;
    other.open(db, ktest::kCredentials);
    kdb::Transaction tr(other, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(other, tr);
    q.setSql("select count(*) from TB_PROC_CBO where PCBO_PROC = :p");
    q.setParam("p", "0301010072");
    q.open();
    ASSERT_EQ(update(db, releaseB), "");
    q.open();
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), std::to_string(linesOf(releaseB, "tb_procedimento.txt").size()));
    q.close();
    tr.commit();
    other.close();
    {
        kdb::Connection c;
        c.open(db, ktest::kCredentials);
        korvane::convertToHistory(c);
    }
    EXPECT_EQ(scalar(db, "select count(*) from rdb$indices where rdb$index_inactive = 1"), "0");
}

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
    // The last step, after every other table has been replaced in the transaction.
    const korvane::TableLayout& last = korvane::releaseLayouts().back();
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&](int step) {
        if (step == last.step) throw std::runtime_error("stopped");
    };
    EXPECT_EQ(update(loadedA, releaseB, nullptr, hooks), "stopped\n" + releaseB + "/" + last.fileName);
    EXPECT_EQ(fingerprint(loadedA), *before);
}

// An older release lacks the later files: it loads without them, says which
// they are, and leaves their tables empty, also after a release that had them.
TEST_F(UpdateRun, OlderReleaseLoadsWithoutTheLaterFilesAndEmptiesTheirTables)
{
    const korvane::CheckedRelease older = korvane::CheckedRelease::read(releaseA);
    std::vector<std::string> absent;
    for (const korvane::TableLayout* l : older.absent()) absent.push_back(l->fileName);
    const std::vector<std::string> expected = {
        "tb_tuss.txt", "rl_procedimento_tuss.txt", "tb_renases.txt", "rl_procedimento_renases.txt",
        "tb_rede_atencao.txt", "tb_componente_rede.txt", "rl_procedimento_comp_rede.txt", "rl_procedimento_origem.txt",
        "tb_regra_condicionada.txt", "rl_procedimento_regra_cond.txt", "rl_excecao_compatibilidade.txt",
        "tb_sia_sih.txt", "rl_procedimento_sia_sih.txt", "tb_rubrica.txt", "tb_descricao_detalhe.txt"};
    EXPECT_EQ(absent, expected);
    EXPECT_TRUE(korvane::CheckedRelease::read(releaseB).absent().empty());
    EXPECT_EQ(korvane::describeRelease(korvane::FolderSource(releaseA)).absent.size(), 15u);
    EXPECT_TRUE(korvane::describeRelease(korvane::FolderSource(releaseB)).absent.empty());

    const std::string db = copyOfLoadedA();
    ASSERT_EQ(update(db, releaseB), "");
    ASSERT_NE(scalar(db, "select count(*) from TB_TUSS"), "0");
    std::map<int, std::int64_t> totals;
    korvane::UpdateProgress progress;
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&](int step) { totals[step] = progress.tableTotal.load(); };
    ASSERT_EQ(update(db, releaseA, &progress, hooks), "");
    EXPECT_EQ(totals.size(), korvane::releaseLayouts().size());
    // A's competência has none of their rows; B's, the newest, keeps its own.
    const Fingerprint ofA = fingerprint(db, "202401");
    for (const korvane::TableLayout& l : korvane::releaseLayouts())
        if (l.optional) {
            EXPECT_EQ(totals[l.step], 0) << l.fileName;
            EXPECT_EQ(ofA.at(l.table).first, 0u) << l.table;
        }
    EXPECT_EQ(ofA, *before);
    EXPECT_NE(scalar(db, "select count(*) from TB_TUSS"), "0");
}

// One later file missing is no different from all of them; a file of the
// first 24 missing still stops the run.
TEST_F(UpdateRun, ReleaseWithoutOneLaterFileLoadsTheOthers)
{
    const std::string folder = copyOfB();
    fs::remove(fs::path(folder) / "rl_procedimento_tuss.txt");
    const std::string db = copyOfLoadedA();
    ASSERT_EQ(update(db, folder), "");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC_TUSS"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from TB_TUSS"), std::to_string(linesOf(folder, "tb_tuss.txt").size()));
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC_ORIGEM where PO_CMPT_FIM is distinct from '202402'"), "0");
    const korvane::CheckedRelease checked = korvane::CheckedRelease::read(folder);
    ASSERT_EQ(checked.absent().size(), 1u);
    EXPECT_STREQ(checked.absent().front()->table, "TB_PROC_TUSS");

    fs::remove(fs::path(folder) / "tb_registro.txt");
    EXPECT_EQ(update(db, folder), "Cannot open file \"" + folder + "/tb_registro.txt\". No such file or directory");
}

TEST_F(UpdateRun, EmptyFilesEmptyTheirTablesAndVersaoFollows)
{
    const std::string db = copyOfLoadedA();
    const std::string folder = copyOfB();
    ktest::writeFile(fs::path(folder) / "tb_detalhe.txt", "\r\n   \r\n\r\n");
    std::map<int, std::int64_t> totals;
    korvane::UpdateProgress progress;
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&](int step) { totals[step] = progress.tableTotal.load(); };
    ASSERT_EQ(update(db, folder, &progress, hooks), "");
    EXPECT_EQ(totals[23], 0);
    EXPECT_GT(totals[3], 0);
    EXPECT_EQ(scalar(db, "select count(*) from TB_DETALHE"), "0");
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "02/2024");
    // The month before keeps its own details.
    EXPECT_NE(scalar(db, "select count(*) from H_TB_DETALHE where HIST_INI <= '202401'"), "0");

    // A release without procedures is refused.
    const auto before = fingerprint(db);
    ktest::writeFile(fs::path(folder) / "tb_procedimento.txt", "");
    EXPECT_EQ(update(db, folder), "Arquivo \"" + folder + "/tb_procedimento.txt\" está vazio: uma versão sem "
                                  "procedimentos não é carregada");
    EXPECT_EQ(fingerprint(db), before);
    // VERSAO follows the competência consulted, one row each.
    ASSERT_EQ(update(db, releaseA), "");
    EXPECT_EQ(scalar(db, "select count(*) from VERSAO"), "1");
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "02/2024");
    EXPECT_EQ(scalar(db, "select count(*) from HIST_RELEASE"), "2");
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

} // namespace
