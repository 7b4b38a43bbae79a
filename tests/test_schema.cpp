// The schema as the engine holds it after creation, read back from the
// system tables, and the database creation tool's filling of its tables.

#include "db/connection.h"
#include "db/error.h"
#include "db/query.h"
#include "db/schema.h"
#include "db/transaction.h"
#include "support/tempdb.h"
#include "update/schemaupgrade.h"
#include "update/databasecreation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace {

// Column lists in table order: NAME TYPE, then NN and PK where they apply.
const std::map<std::string, std::string> kExpected = {
    {"TB_GRUPO", "GRUPO_COD_GR SMALLINT NN PK, GRUPO_DESCR VARCHAR(105) NN, CODIGO CHAR(2)"},
    {"TB_SUB_GRUPO", "SG_COD_GR SMALLINT NN PK, SG_COD_SUB SMALLINT NN PK, SG_DESCR VARCHAR(105) NN, GRUPO CHAR(2), "
                     "SUBGRUPO CHAR(2)"},
    {"TB_FO", "FO_COD_GR SMALLINT NN PK, FO_COD_SUB SMALLINT NN PK, FO_COD_FO SMALLINT NN PK, FO_DESCR VARCHAR(105), "
              "GRUPO CHAR(2), SUBGRUPO CHAR(2), FO CHAR(2)"},
    {"TB_PROC", "PROC_COD CHAR(10) NN PK, PROC_DESCR VARCHAR(250), PROC_COMPLEX CHAR(1), PROC_SEXO CHAR(1), "
                "PROC_QTD_MAX SMALLINT, PROC_QTD_DIAS SMALLINT, PROC_QTD_PONTOS SMALLINT, PROC_IDADE_MIN SMALLINT, "
                "PROC_IDADE_MAX SMALLINT, PROC_VL_SA NUMERIC(18,2), PROC_VL_SH NUMERIC(18,2), "
                "PROC_VL_SP NUMERIC(18,2), PROC_CMPT_INI CHAR(6), PROC_CMPT_FIM CHAR(6), PROC_CO_FINANC CHAR(2), "
                "PROC_CO_RUBRICA VARCHAR(6), COD_REDUZIDO CHAR(4), PROC_IDADE_MIN_MESES SMALLINT, PROC_IDADE_MAX_MESES SMALLINT"},
    {"TB_FINANCIAMENTO", "FINANC_COD CHAR(2) NN PK, FINANC_DESCR VARCHAR(100) NN"},
    {"TB_DESCRICOES", "PROCEDIMENTO CHAR(10), DETALHES BLOB TEXT"},
    {"VERSAO", "VERSAO VARCHAR(10)"},
    {"TB_CID", "CID_COD CHAR(4) NN PK, CID_DESCR VARCHAR(100), CID_RESTRSEXO CHAR(1)"},
    {"TB_CID_PROC", "CP_PROC CHAR(10) NN PK, CP_CID CHAR(4) NN PK, CP_CMPT_INI CHAR(6), CP_CMPT_FIM CHAR(6), "
                    "CP_ST_PRINCIPAL CHAR(1)"},
    {"TB_CBO", "CBO_COD CHAR(6) NN PK, CBO_DESCR VARCHAR(600) NN, CBO_CMPT_INI CHAR(6), CBO_CMPT_FIM CHAR(6)"},
    {"TB_PROC_CBO", "PCBO_PROC CHAR(10) NN PK, PCBO_CBO CHAR(6) NN PK, PCBO_CMPT_INI CHAR(6), PCBO_CMPT_FIM CHAR(6)"},
    {"TB_PROC_COMP", "PC_PROC_PRINC CHAR(10) NN PK, PC_REG_PRINC CHAR(2) NN PK, PC_PROC_SEC CHAR(10) NN PK, "
                     "PC_REG_SEC CHAR(2) NN PK, PC_TP_COMPAT CHAR(1) NN PK, PC_QT_PERMITIDA INTEGER NN, "
                     "PC_CMPT_INI CHAR(6), PC_CMPT_FIM CHAR(6)"},
    {"TB_CLINICA", "CL_COD CHAR(2) NN PK, CL_DESCR VARCHAR(60) NN"},
    {"TB_PROC_ESPEC", "PE_PROC CHAR(10) NN PK, PE_ESPEC CHAR(2) NN PK, PE_CMPT_INI CHAR(6), PE_CMPT_FIM CHAR(6)"},
    {"TB_HABILITACAO", "HAB_CODIGO CHAR(4) NN PK, HAB_DESCRICAO VARCHAR(150) NN, HAB_CMPT_INI CHAR(6), "
                       "HAB_CMPT_FIM CHAR(6)"},
    {"TB_PROC_HAB_INCR", "INCR_PROC CHAR(10) NN PK, INCR_CODIGO CHAR(4) NN PK, INCR_PERC_SH NUMERIC(18,2), "
                         "INCR_PERC_SP NUMERIC(18,2), INCR_CMPT_INI CHAR(6), INCR_CMPT_FIM CHAR(6)"},
    {"TB_GRUPO_HABILITACAO", "GRUPO CHAR(4) NN PK, CODIGOS_GRUPO CHAR(20), DESCRICAO VARCHAR(250)"},
    {"TB_PROC_HABILITACAO", "PROCEDIMENTO CHAR(10), HABILITACAO CHAR(4), GRUPO_HABILITACAO CHAR(4)"},
    {"TB_MODALIDADE", "MOD_COD CHAR(2) NN PK, MOD_DESCR VARCHAR(100) NN"},
    {"TB_PROC_MOD", "PM_PROC CHAR(10) NN PK, PM_MOD CHAR(2) NN PK, PM_CMPT_INI CHAR(6), PM_CMPT_FIM CHAR(6)"},
    {"TB_REGISTRO", "REG_COD CHAR(2) NN PK, REG_DESCR VARCHAR(50) NN"},
    {"TB_PROC_REG", "PR_PROC CHAR(10) NN PK, PR_REG CHAR(2) NN PK, PR_CMPT_INI CHAR(6), PR_CMPT_FIM CHAR(6)"},
    {"TB_SERVICO", "SERV_COD CHAR(3) NN PK, SERV_DESCR VARCHAR(120) NN, SERV_CMPT_INI CHAR(6), SERV_CMPT_FIM CHAR(6)"},
    {"TB_SERV_CLASS", "SC_SERV_COD CHAR(3) NN PK, SC_CLASS_COD CHAR(3) NN PK, SC_DESCR VARCHAR(150) NN, "
                      "SC_CMPT_INI CHAR(6), SC_CMPT_FIM CHAR(6)"},
    {"TB_PROC_SERV_CLASS", "PS_PROC CHAR(10) NN PK, PS_SERVICO CHAR(3) NN PK, PS_CLASSIF CHAR(3) NN PK, "
                           "PS_CMPT_INI CHAR(6), PS_CMPT_FIM CHAR(6)"},
    {"TB_DETALHE", "CODIGO CHAR(3) NN PK, DESCRICAO VARCHAR(100)"},
    {"TB_PROC_DETALHE", "PROCEDIMENTO CHAR(10), DETALHE CHAR(3)"},
    {"TB_CHECK", "CH_PROC CHAR(10) NN PK, CH_COD INTEGER NN PK, CH_CMPT_INI CHAR(6), CH_CMPT_FIM CHAR(6), "
                 "CH_DOCUM VARCHAR(30)"},
    {"TB_CHECK_LIST", "CL_COD INTEGER NN PK, CL_DESCR VARCHAR(200) NN"},
    // The later release files.
    {"TB_TUSS", "TUSS_COD VARCHAR(10) NN PK, TUSS_DESCR VARCHAR(450)"},
    {"TB_PROC_TUSS", "PT_PROC CHAR(10) NN PK, PT_TUSS VARCHAR(10) NN PK"},
    {"TB_RENASES", "REN_COD VARCHAR(10) NN PK, REN_DESCR VARCHAR(150)"},
    {"TB_PROC_RENASES", "PRN_PROC CHAR(10) NN, PRN_RENASES VARCHAR(10) NN"},
    {"TB_REDE_ATENCAO", "REDE_COD VARCHAR(3) NN PK, REDE_DESCR VARCHAR(50)"},
    {"TB_COMPONENTE_REDE", "COMP_COD VARCHAR(10) NN PK, COMP_DESCR VARCHAR(150), COMP_REDE VARCHAR(3)"},
    {"TB_PROC_COMP_REDE", "PCR_PROC CHAR(10) NN PK, PCR_COMPONENTE VARCHAR(10) NN PK"},
    {"TB_PROC_ORIGEM", "PO_PROC CHAR(10) NN PK, PO_PROC_ORIGEM CHAR(10) NN PK, PO_CMPT_INI CHAR(6), PO_CMPT_FIM CHAR(6)"},
    {"TB_REGRA_COND", "RC_COD VARCHAR(4) NN PK, RC_DESCR VARCHAR(150), RC_DETALHE VARCHAR(4000)"},
    {"TB_PROC_REGRA_COND", "PRC_PROC CHAR(10) NN PK, PRC_REGRA VARCHAR(4) NN PK"},
    {"TB_EXCECAO_COMP", "EC_PROC_RESTR CHAR(10) NN PK, EC_PROC_PRINC CHAR(10) NN PK, EC_REG_PRINC CHAR(2) NN PK, "
                        "EC_PROC_COMP CHAR(10) NN PK, EC_REG_COMP CHAR(2) NN PK, EC_TP_COMPAT CHAR(1) NN PK, "
                        "EC_CMPT_INI CHAR(6), EC_CMPT_FIM CHAR(6)"},
    {"TB_SIA_SIH", "SS_COD VARCHAR(10) NN PK, SS_TIPO CHAR(1) NN PK, SS_DESCR VARCHAR(100), SS_CMPT_INI CHAR(6), "
                   "SS_CMPT_FIM CHAR(6)"},
    {"TB_PROC_SIA_SIH", "PSS_PROC CHAR(10) NN PK, PSS_SIA_SIH VARCHAR(10) NN PK, PSS_TIPO CHAR(1) NN PK, "
                        "PSS_CMPT_INI CHAR(6), PSS_CMPT_FIM CHAR(6)"},
    {"TB_RUBRICA", "RUB_COD VARCHAR(6) NN PK, RUB_DESCR VARCHAR(100), RUB_CMPT_INI CHAR(6), RUB_CMPT_FIM CHAR(6)"},
    {"TB_DESCRICAO_DETALHE", "DD_DETALHE CHAR(3) NN PK, DD_DESCR VARCHAR(4000), DD_CMPT_INI CHAR(6), DD_CMPT_FIM CHAR(6)"},
};

std::string trimRight(std::string s)
{
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string typeName(std::int64_t type, std::int64_t subType, std::int64_t scale, std::int64_t precision,
                     const kdb::Value& charLength)
{
    switch (type) {
    case 7: return "SMALLINT";
    case 8: return "INTEGER";
    case 16:
        if (scale != 0) return "NUMERIC(" + std::to_string(precision) + "," + std::to_string(-scale) + ")";
        return "BIGINT";
    case 14: return "CHAR(" + charLength.toString() + ")";
    case 37: return "VARCHAR(" + charLength.toString() + ")";
    case 261: return subType == 1 ? "BLOB TEXT" : "BLOB";
    default: return "TYPE" + std::to_string(type);
    }
}

class SchemaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.open(ktest::createSchemaDatabase(dir), ktest::kCredentials);
    }

    std::map<std::string, std::string> describeTables()
    {
        kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
        kdb::Query pk(db, tr);
        pk.setSql("select rc.rdb$relation_name, s.rdb$field_name from rdb$relation_constraints rc "
                  "join rdb$index_segments s on s.rdb$index_name = rc.rdb$index_name "
                  "where rc.rdb$constraint_type = 'PRIMARY KEY'");
        pk.open();
        pk.fetchAll();
        std::set<std::string> keys;
        for (std::size_t r = 0; r < pk.rowCount(); ++r)
            keys.insert(trimRight(pk.value(r, 0).asText()) + "." + trimRight(pk.value(r, 1).asText()));

        kdb::Query cols(db, tr);
        cols.setSql("select rf.rdb$relation_name, rf.rdb$field_name, f.rdb$field_type, f.rdb$field_sub_type, "
                    "f.rdb$field_scale, f.rdb$field_precision, f.rdb$character_length, rf.rdb$null_flag "
                    "from rdb$relation_fields rf join rdb$fields f on f.rdb$field_name = rf.rdb$field_source "
                    "join rdb$relations r on r.rdb$relation_name = rf.rdb$relation_name "
                    "where coalesce(r.rdb$system_flag, 0) = 0 "
                    "order by rf.rdb$relation_name, rf.rdb$field_position");
        cols.open();
        cols.fetchAll();
        std::map<std::string, std::string> out;
        for (std::size_t r = 0; r < cols.rowCount(); ++r) {
            const std::string table = trimRight(cols.value(r, 0).asText());
            const std::string column = trimRight(cols.value(r, 1).asText());
            const auto num = [&](std::size_t c) { return cols.value(r, c).isNull() ? 0 : cols.value(r, c).asInteger(); };
            std::string d = column + " " + typeName(num(2), num(3), num(4), num(5), cols.value(r, 6));
            if (num(7) == 1) d += " NN";
            if (keys.count(table + "." + column)) d += " PK";
            std::string& t = out[table];
            t += (t.empty() ? "" : ", ") + d;
        }
        return out;
    }

    ktest::TempDir dir;
    kdb::Connection db;
};

TEST_F(SchemaTest, TablesColumnsTypesAndKeysAreAsDesigned)
{
    const auto actual = describeTables();
    EXPECT_EQ(actual.size(), 44u);   // the 29 and the 15 of the later release files
    for (const auto& [table, columns] : kExpected) {
        auto it = actual.find(table);
        ASSERT_NE(it, actual.end()) << "missing table " << table;
        EXPECT_EQ(it->second, columns) << table;
    }
}

TEST_F(SchemaTest, ReverseLookupsAreIndexed)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select count(*) from rdb$indices i join rdb$index_segments s on s.rdb$index_name = i.rdb$index_name "
             "where i.rdb$relation_name = :t and s.rdb$field_name = :f and s.rdb$field_position = 0");
    const std::pair<const char*, const char*> leading[] = {
        {"TB_CID_PROC", "CP_CID"},         {"TB_PROC_CBO", "PCBO_CBO"},      {"TB_PROC_COMP", "PC_PROC_SEC"},
        {"TB_DESCRICOES", "PROCEDIMENTO"}, {"TB_PROC_DETALHE", "PROCEDIMENTO"}, {"TB_PROC_HABILITACAO", "PROCEDIMENTO"},
        {"TB_CID_PROC", "CP_PROC"},        {"TB_PROC_CBO", "PCBO_PROC"},     {"TB_PROC_COMP", "PC_PROC_PRINC"},
        {"TB_PROC_TUSS", "PT_PROC"},       {"TB_PROC_RENASES", "PRN_PROC"},  {"TB_PROC_COMP_REDE", "PCR_PROC"},
        {"TB_PROC_ORIGEM", "PO_PROC"},     {"TB_PROC_REGRA_COND", "PRC_PROC"}, {"TB_EXCECAO_COMP", "EC_PROC_RESTR"},
        {"TB_EXCECAO_COMP", "EC_PROC_PRINC"}, {"TB_PROC_SIA_SIH", "PSS_PROC"},
    };
    for (const auto& [table, field] : leading) {
        q.setParam("t", table);
        q.setParam("f", field);
        q.open();
        EXPECT_GE(q.field(0).asInteger(), 1) << table << "." << field;
    }
}

TEST_F(SchemaTest, ContainingIgnoresCaseOfAccentedLetters)
{
    kdb::Transaction tr(db);
    kdb::Query ins(db, tr);
    ins.setSql("insert into TB_CID (CID_COD, CID_DESCR) values ('A00', :d)");
    ins.setParam("d", std::string("C\xF3lera"));   // Cólera in Windows-1252
    ins.execute();
    kdb::Query q(db, tr);
    q.setSql("select count(*) from TB_CID where cid_descr containing :t");
    q.setParam("t", std::string("C\xD3LERA"));     // CÓLERA
    q.open();
    EXPECT_EQ(q.field(0).asInteger(), 1);
}

// A database of the first version: the months of the ages missing, the
// bed types and hierarchy names narrower. The next update brings it to
// the columns it fills, keeping its rows; a second upgrade changes nothing.
TEST(SchemaUpgrade, AnEarlierDatabaseGetsTheColumnsTheLoadFills)
{
    ktest::TempDir dir;
    std::string script(kdb::schemaScript());
    const auto replace = [&](const std::string& from, const std::string& to) {
        const std::size_t at = script.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        script.replace(at, from.size(), to);
    };
    replace("    PROC_IDADE_MIN_MESES  SMALLINT,\n    PROC_IDADE_MAX_MESES  SMALLINT,\n", "");
    replace("CL_DESCR       VARCHAR(60)", "CL_DESCR       VARCHAR(40)");
    replace("FO_DESCR       VARCHAR(105)", "FO_DESCR       VARCHAR(100)");
    kdb::Connection db;
    db.create(dir.file("OLD.GDB"), ktest::kCredentials, kdb::kPageSize, kdb::kDefaultCharset);
    for (const std::string& s : kdb::splitScript(script)) db.executeImmediate(s);
    db.executeImmediate("insert into TB_CLINICA values ('01', 'CIRURGICO')");

    EXPECT_EQ(korvane::upgradeSchema(db), 4);   // two columns, two widths
    EXPECT_EQ(korvane::upgradeSchema(db), 0);
    db.executeImmediate("insert into TB_CLINICA values ('02', '" + std::string(60, 'X') + "')");
    db.executeImmediate("update TB_PROC set PROC_IDADE_MIN_MESES = 6");
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select count(*) from TB_CLINICA");
    q.open();
    EXPECT_EQ(q.field(std::size_t{0}).asInteger(), 2);
}

// A database made before the later release files were loaded: the next
// update makes their tables and indexes as a new database has them, and the
// rows of the others stay.
TEST(SchemaUpgrade, AnEarlierDatabaseGetsTheTablesOfTheLaterFiles)
{
    ktest::TempDir dir;
    const std::string full(kdb::schemaScript());
    const std::size_t later = full.find("CREATE TABLE TB_TUSS");
    ASSERT_NE(later, std::string::npos);
    kdb::Connection db;
    db.create(dir.file("OLD.GDB"), ktest::kCredentials, kdb::kPageSize, kdb::kDefaultCharset);
    for (const std::string& s : kdb::splitScript(full.substr(0, later))) db.executeImmediate(s);
    db.executeImmediate("insert into TB_CLINICA values ('01', 'CIRURGICO')");

    EXPECT_EQ(korvane::upgradeSchema(db), 15);
    EXPECT_EQ(korvane::upgradeSchema(db), 0);
    // Made whole: keys and the index, and a row fits as the load writes it.
    db.executeImmediate("insert into TB_EXCECAO_COMP values ('0303010037', '0702040150', '04', '0702050342', '04', "
                        "'2', null, '202606')");
    EXPECT_THROW(db.executeImmediate("insert into TB_EXCECAO_COMP values ('0303010037', '0702040150', '04', "
                                     "'0702050342', '04', '2', null, null)"),
                 kdb::Error);
    db.executeImmediate("insert into TB_REGRA_COND values ('0004', 'REGRA', '" + std::string(4000, 'X') + "')");
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select count(*) from rdb$indices where rdb$index_name = 'IX_TB_EXCECAO_COMP_PRINC' "
             "and rdb$relation_name = 'TB_EXCECAO_COMP'");
    q.open();
    EXPECT_EQ(q.field(std::size_t{0}).asInteger(), 1);
    q.setSql("select count(*) from TB_CLINICA");
    q.open();
    EXPECT_EQ(q.field(std::size_t{0}).asInteger(), 1);
}

TEST(SchemaScript, SplitsAtSemicolonsOutsideTextsAndComments)
{
    const auto parts = kdb::splitScript("/* a; b */ create table A (X char(1)); -- c;\n"
                                        "insert into A values (';'); ;  \n select 1 from rdb$database");
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0], "create table A (X char(1))");
    EXPECT_EQ(parts[1], "insert into A values (';')");
    EXPECT_EQ(parts[2], "select 1 from rdb$database");
}

class CreationTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        release = dir.path() / "release";
        std::filesystem::create_directory(release);
        // Code 1-4, name 5-104, sex restriction at 106; CRLF and accents as published.
        const auto cidLine = [](const std::string& code, const std::string& name, char sex) {
            std::string l = code;
            l.resize(4, ' ');
            l += name;
            l.resize(104, ' ');
            l += '2';
            l += sex;
            l += "N0000";
            return l;
        };
        ktest::writeFile(release / "tb_cid.txt",
                         cidLine("A00", "C\xF3lera", 'I') + "\r\n" + cidLine("N40", "Hiperplasia da pr\xF3stata", 'M') +
                             "\r\n\r\n");
        const auto financLine = [](const std::string& codeAndName) {
            std::string l = codeAndName;
            l.resize(102, ' ');
            return l + "202206\r\n";
        };
        ktest::writeFile(release / "tb_financiamento.txt", financLine("01Aten\xE7\xE3o B\xE1sica (PAB)") +
                                                                 financLine("06M\xE9" "dia e Alta Complexidade (MAC)"));
    }

    ktest::TempDir dir;
    std::filesystem::path release;
};

TEST_F(CreationTool, FillsCidAndFinancingAsTheFileHoldsThem)
{
    const std::string path = dir.file("K.GDB");
    const auto counts = korvane::createKorvaneDatabase(path, release.string());
    EXPECT_EQ(counts.cid, 2u);
    EXPECT_EQ(counts.financiamento, 2u);

    kdb::Connection db;
    db.open(path, ktest::kCredentials);
    kdb::Transaction tr(db);
    kdb::Query q(db, tr);
    q.setSql("select * from TB_CID order by CID_COD");
    q.open();
    q.fetchAll();
    ASSERT_EQ(q.rowCount(), 2u);
    EXPECT_EQ(q.value(0, 0).asText(), "A00 ");
    EXPECT_EQ(q.field("CID_DESCR").asText(), "C\xF3lera");
    EXPECT_EQ(q.field("CID_RESTRSEXO").asText(), "I");
    q.moveTo(1);
    EXPECT_EQ(q.field("CID_RESTRSEXO").asText(), "M");

    q.setSql("select * from TB_FINANCIAMENTO order by FINANC_COD");
    q.open();
    EXPECT_EQ(q.field("FINANC_DESCR").asText(), "Aten\xE7\xE3o B\xE1sica (PAB)");

    // Made without forced writes for speed, it is left with them on: every
    // later commit is on the disk when it returns.
    q.setSql("select MON$FORCED_WRITES from MON$DATABASE");
    q.open();
    EXPECT_EQ(q.field(std::size_t{0}).asInteger(), 1);
}

TEST_F(CreationTool, RefusesAnExistingFileAndLeavesNothingOnABadFolder)
{
    const std::string path = dir.file("K.GDB");
    korvane::createKorvaneDatabase(path, release.string());
    EXPECT_THROW(korvane::createKorvaneDatabase(path, release.string()), std::runtime_error);

    const std::string other = dir.file("OTHER.GDB");
    try {
        korvane::createKorvaneDatabase(other, (dir.path() / "nowhere").string());
        FAIL() << "created from a missing folder";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(other));
}

TEST_F(CreationTool, ABadLineRemovesTheHalfMadeFile)
{
    // A repeated code breaks the primary key of TB_CID.
    ktest::writeFile(release / "tb_cid.txt", "A00 Colera\r\nA00 Outra\r\n");
    const std::string path = dir.file("K.GDB");
    try {
        korvane::createKorvaneDatabase(path, release.string());
        FAIL() << "repeated key accepted";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

// Lines go to the engine many to a statement: a file longer than one
// statement's worth is filled whole, and a line refused inside a statement
// is named by its own number.
TEST_F(CreationTool, ALongCidFileIsFilledWholeAndItsBadLineNamed)
{
    std::string text;
    for (int n = 0; n < 40; ++n) {
        std::string l = "B" + std::to_string(10 + n);
        l.resize(4, ' ');
        l += "Doen\xE7" "a " + std::to_string(n);
        l.resize(104, ' ');
        text += l + "2" + (n % 2 ? "F" : "M") + "N0000\r\n";
    }
    ktest::writeFile(release / "tb_cid.txt", text);
    const std::string path = dir.file("K.GDB");
    EXPECT_EQ(korvane::createKorvaneDatabase(path, release.string()).cid, 40u);
    {
        kdb::Connection db;
        db.open(path, ktest::kCredentials);
        kdb::Transaction tr(db);
        kdb::Query q(db, tr);
        q.setSql("select count(*), min(CID_COD), max(CID_COD), sum(iif(CID_RESTRSEXO = 'F', 1, 0)), "
                 "max(iif(CID_COD = 'B33', CID_DESCR, null)) from TB_CID");
        q.open();
        EXPECT_EQ(q.value(0, 0).toString(), "40");
        EXPECT_EQ(q.value(0, 1).asText(), "B10 ");
        EXPECT_EQ(q.value(0, 2).asText(), "B49 ");
        EXPECT_EQ(q.value(0, 3).toString(), "20");
        EXPECT_EQ(q.value(0, 4).asText(), "Doen\xE7" "a 23");
        q.close();
        tr.commit();
    }
    std::filesystem::remove(path);

    // Line 23 repeats the code of line 5, inside the second statement.
    const std::string repeated = text.substr(4 * 113, 4);
    text.replace(22 * 113, 4, repeated);
    ktest::writeFile(release / "tb_cid.txt", text);
    try {
        korvane::createKorvaneDatabase(path, release.string());
        FAIL() << "repeated key accepted";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("PK_TB_CID"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("tb_cid.txt, line 23"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
