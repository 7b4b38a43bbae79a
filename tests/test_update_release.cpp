// Releases and the update program: a generated release is consistent once
// loaded and the same for the same seed, the layouts match the schema, a
// killed update process leaves the previous release, and the real release
// loads completely when it is present.

#include "core/text.h"
#include "update/databasecreation.h"
#include "support/updaterun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

using namespace ktest::update;

namespace {

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
    // The later files come after the others: with them, the others keep their bytes.
    const std::string withLater =
        generate(dir.path() / "later", 5, 0.05, "202301", korvane::ReleaseOptions::Layout::Fixed, false, true);
    std::size_t laterFiles = 0;
    for (const auto& entry : fs::directory_iterator(withLater)) {
        const std::string name = entry.path().filename().string();
        if (fs::exists(fs::path(a) / name))
            EXPECT_EQ(korvane::readReleaseFile(a, name).content, korvane::readReleaseFile(withLater, name).content) << name;
        else
            ++laterFiles;
    }
    EXPECT_EQ(laterFiles, 15u);
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
        if (std::sscanf(buf, "step %d/", &step) == 1 && step >= 2) break;
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
    // The later files, names with the release's own accents.
    EXPECT_EQ(scalar(db, "select REDE_DESCR from TB_REDE_ATENCAO where REDE_COD = '093'"), "Urg\xEAncia e Emerg\xEAncia");
    EXPECT_EQ(scalar(db, "select COMP_DESCR || '|' || COMP_REDE from TB_COMPONENTE_REDE where COMP_COD = '92.01'"),
              "Pr\xE9-natal|092");
    EXPECT_EQ(scalar(db, "select PO_PROC_ORIGEM || '|' || PO_CMPT_FIM from TB_PROC_ORIGEM where PO_PROC = '0301070199'"),
              "0301070016|202206");
    EXPECT_EQ(scalar(db, "select EC_PROC_PRINC || EC_REG_PRINC || EC_PROC_COMP || EC_REG_COMP || EC_TP_COMPAT "
                         "from TB_EXCECAO_COMP where EC_PROC_RESTR = '0303010037'"),
              "070204015004070205034204" "2");
    EXPECT_NE(scalar(db, "select count(*) from TB_SIA_SIH where SS_TIPO = 'H'"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC_SIA_SIH where PSS_CMPT_FIM <> '202206'"), "0");
    std::string ruleText;
    for (const std::string& l : linesOf(real, "tb_regra_condicionada.txt"))
        if (l.rfind("0004", 0) == 0) ruleText = std::string(korvane::trimmed(l.substr(154)));
    ASSERT_FALSE(ruleText.empty());
    EXPECT_EQ(scalar(db, "select RC_DETALHE from TB_REGRA_COND where RC_COD = '0004'"), ruleText);

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
