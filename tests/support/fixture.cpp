#include "fixture.h"

#include "db/query.h"
#include "db/schema.h"
#include "db/transaction.h"
#include "tempdb.h"

namespace ktest {
namespace {

// Windows-1252 bytes where the text has accents.
const char* const kRows = R"SQL(
insert into TB_FINANCIAMENTO values ('01', 'Aten)SQL" "\xE7\xE3" R"SQL(o B)SQL" "\xE1" R"SQL(sica (PAB)');
insert into TB_FINANCIAMENTO values ('04', 'Fundo de A)SQL" "\xE7\xF5" R"SQL(es Estrat)SQL" "\xE9" R"SQL(gicas e Compensa)SQL" "\xE7\xF5" R"SQL(es (FAEC)');
insert into TB_FINANCIAMENTO values ('06', 'M)SQL" "\xE9" R"SQL(dia e Alta Complexidade (MAC)');

insert into TB_GRUPO values (3, '03 - Procedimentos clinicos', '03');
insert into TB_GRUPO values (4, '04 - Procedimentos cirurgicos', '04');
insert into TB_GRUPO values (7, '07 - Orteses, proteses e materiais especiais', '07');
insert into TB_SUB_GRUPO values (3, 1, '01 - Consultas / Atendimentos / Acompanhamentos', '03', '01');
insert into TB_SUB_GRUPO values (3, 3, '03 - Tratamentos clinicos (outras especialidades)', '03', '03');
insert into TB_SUB_GRUPO values (4, 1, '01 - Pequenas cirurgias e cirurgias de pele', '04', '01');
insert into TB_SUB_GRUPO values (7, 2, '02 - Orteses, proteses e materiais relacionados ao ato cirurgico', '07', '02');
insert into TB_FO values (3, 1, 1, '01 - Consulta medica em atencao basica', '03', '01', '01');
insert into TB_FO values (3, 1, 6, '06 - Consulta/Atendimento as urgencias', '03', '01', '06');
insert into TB_FO values (3, 3, 1, '01 - Tratamento de doencas infecciosas', '03', '03', '01');
insert into TB_FO values (4, 1, 1, '01 - Pequenas cirurgias', '04', '01', '01');
insert into TB_FO values (7, 2, 1, '01 - OPM em ortopedia', '07', '02', '01');

insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_COMPLEX, PROC_SEXO, PROC_QTD_MAX, PROC_QTD_DIAS, PROC_QTD_PONTOS,
  PROC_IDADE_MIN, PROC_IDADE_MAX, PROC_VL_SA, PROC_VL_SH, PROC_VL_SP, PROC_CMPT_FIM, PROC_CO_FINANC, PROC_CO_RUBRICA)
  values ('0301010072', 'CONSULTA MEDICA EM ATENCAO ESPECIALIZADA', '2', 'I', 1, 0, 0, 0, 130, 10.00, 0.00, 0.00, '202206', '06', '');
insert into TB_PROC values ('0301010030', 'CONSULTA DE PROFISSIONAIS DE NIVEL SUPERIOR NA ATENCAO PRIMARIA', '1', 'I',
  1, 0, 0, 0, 130, 0.00, 0.00, 0.00, null, '202206', '01', null, null, null, null);
insert into TB_PROC values ('0301060010', 'DIAGNOSTICO E/OU ATENDIMENTO DE URGENCIA EM CLINICA PEDIATRICA', '2', 'I',
  1, 1, 0, 1, 833, 0.00, 100.00, 20.00, null, '202206', '06', null, null, 6, 9999);
insert into TB_PROC values ('0301010099', 'CONSULTA SEM FINANCIAMENTO CADASTRADO', '1', 'I',
  1, 0, 0, 0, 130, 0.00, 0.00, 0.00, null, '202206', '99', null, null, null, null);
insert into TB_PROC values ('0303010037', 'TRATAMENTO DE OUTRAS DOENCAS BACTERIANAS', '2', 'I',
  1, 5, 0, 0, 130, 15.00, 0.00, 3.00, null, '202206', '06', null, null, null, null);
insert into TB_PROC values ('0303010045', 'TRATAMENTO COM OLEO D''OLIVA', '2', 'F',
  1, 0, 0, 18, 60, 0.00, 1234567.89, 0.50, null, '202206', '06', null, null, 216, 722);
insert into TB_PROC values ('0401010015', 'CURATIVO GRAU II C/ OU S/ DEBRIDAMENTO', '1', 'I',
  1, 0, 0, 0, 130, 10.00, 5.00, 1.00, null, '202206', '06', null, null, null, null);
insert into TB_PROC values ('0401010023', 'EXCISAO E SUTURA DE LESAO NA PELE', '3', 'M',
  2, 0, 0, 0, 130, 0.00, 250.00, 80.00, null, '202206', '04', null, null, null, null);
insert into TB_PROC values ('0702010016', 'PLACA DE COMPRESSAO DINAMICA', '3', 'I',
  2, 0, 0, 0, 130, 0.00, 300.00, 0.00, null, '202206', '06', null, null, null, null);
insert into TB_PROC values ('0702010024', 'PARAFUSO CORTICAL', '3', 'I',
  10, 0, 0, 0, 130, 0.00, 12.50, 0.00, null, '202206', '06', null, null, null, null);
insert into TB_PROC values ('0211030100', 'EXAME COM 0301 NO MEIO DO CODIGO', '2', 'I',
  1, 0, 0, 0, 130, 5.00, 0.00, 0.00, null, '202206', '06', null, null, null, null);

insert into TB_DESCRICOES values ('0301010072', 'Consulta cl)SQL" "\xED" R"SQL(nica realizada por m)SQL" "\xE9" R"SQL(dico especialista.');

insert into TB_CID values ('A00 ', 'C)SQL" "\xF3" R"SQL(lera', 'I');
insert into TB_CID values ('A01 ', 'Febres tif)SQL" "\xF3" R"SQL(ide e paratif)SQL" "\xF3" R"SQL(ide', 'I');
insert into TB_CID values ('J18 ', 'Pneumonia por microorganismo NE', 'I');
insert into TB_CID values ('N40 ', 'Hiperplasia da pr)SQL" "\xF3" R"SQL(stata', 'M');
insert into TB_CID values ('B20 ', 'Doenca pelo HIV resultando em doencas infecciosas', 'I');
insert into TB_CID_PROC values ('0301010072', 'J18 ', null, '202206', 'S');
insert into TB_CID_PROC values ('0301010072', 'A00 ', null, '202206', 'S');
insert into TB_CID_PROC values ('0301010072', 'N40 ', null, '202206', 'N');
insert into TB_CID_PROC values ('0303010037', 'A00 ', null, '202206', 'S');
insert into TB_CID_PROC values ('0303010037', 'A01 ', null, '202206', 'S');

insert into TB_CBO values ('225125', 'MEDICO CLINICO', null, null);
insert into TB_CBO values ('225124', 'MEDICO PEDIATRA', null, null);
insert into TB_CBO values ('223505', 'ENFERMEIRO', null, null);
insert into TB_CBO values ('225250', 'MEDICO GINECOLOGISTA E OBSTETRA', null, null);
insert into TB_PROC_CBO values ('0301010072', '225125', null, '202206');
insert into TB_PROC_CBO values ('0301010072', '225250', null, '202206');
insert into TB_PROC_CBO values ('0301060010', '225124', null, '202206');
insert into TB_PROC_CBO values ('0301010030', '223505', null, '202206');
insert into TB_PROC_CBO values ('0303010037', '225125', null, '202206');

insert into TB_PROC_COMP values ('0401010015', '02', '0702010016', '02', '1', 1, null, '202206');
insert into TB_PROC_COMP values ('0401010015', '02', '0702010024', '02', '1', 4, null, '202206');
insert into TB_PROC_COMP values ('0401010023', '02', '0702010016', '02', '1', 2, null, '202206');
insert into TB_PROC_COMP values ('0301010072', '01', '0301010030', '01', '2', 1, null, '202206');
insert into TB_PROC_COMP values ('0301010072', '01', '0211030100', '01', '2', 1, null, '202206');

insert into TB_CLINICA values ('03', 'CLINICOS');
insert into TB_CLINICA values ('10', 'PEDIATRICOS');
insert into TB_PROC_ESPEC values ('0301010072', '03', null, '202206');
insert into TB_PROC_ESPEC values ('0301060010', '10', null, '202206');

insert into TB_MODALIDADE values ('01', 'Ambulatorial');
insert into TB_MODALIDADE values ('02', 'Hospitalar');
insert into TB_PROC_MOD values ('0301010072', '01', null, '202206');
insert into TB_PROC_MOD values ('0301060010', '02', null, '202206');

insert into TB_REGISTRO values ('01', 'BPA (Consolidado)');
insert into TB_REGISTRO values ('02', 'BPA (Individualizado)');
insert into TB_PROC_REG values ('0301010072', '02', null, '202206');

insert into TB_DETALHE values ('009', 'Exige CBO');
insert into TB_DETALHE values ('012', 'Exige CID');
insert into TB_PROC_DETALHE values ('0301010072', '009');
insert into TB_PROC_DETALHE values ('0301010072', '012');

insert into TB_CHECK_LIST values (1, 'Laudo medico');
insert into TB_CHECK values ('0301010072', 1, null, null, 'LAUDO');

insert into TB_HABILITACAO values ('0501', 'Unidade de assistencia de alta complexidade', null, '202206');
insert into TB_HABILITACAO values ('2401', 'Hospital Amigo da Crianca', null, '202206');
insert into TB_PROC_HAB_INCR values ('0301060010', '2401', 30.00, 12.50, null, '202206');
insert into TB_PROC_HABILITACAO values ('0401010023', '0501', null);
insert into TB_GRUPO_HABILITACAO values ('0001', '0501 0502', 'Alta complexidade');

insert into TB_SERVICO values ('135', 'SERVICO DE ATENCAO A SAUDE AUDITIVA', null, '202206');
insert into TB_SERVICO values ('999', 'OUTRO SERVICO', null, '202206');
insert into TB_SERV_CLASS values ('135', '001', 'DIAGNOSTICO EM AUDIOLOGIA', null, '202206');
insert into TB_SERV_CLASS values ('999', '002', 'CLASSIFICACAO DE OUTRO SERVICO', null, '202206');
insert into TB_PROC_SERV_CLASS values ('0301010072', '135', '001', null, '202206');
insert into TB_PROC_SERV_CLASS values ('0301010072', '135', '002', null, '202206');
)SQL";

// The lists of the later release files.
const char* const kLaterRows =
"\n"
"insert into TB_TUSS values ('10101012', 'Consulta em consult\xF3""rio (no hor\xE1""rio normal ou preestabelecido)');\n"
"insert into TB_TUSS values ('10101039', 'Consulta em pronto socorro');\n"
"insert into TB_TUSS values ('40301010', 'Hemograma com contagem de plaquetas');\n"
"insert into TB_PROC_TUSS values ('0301010072', '10101012');\n"
"insert into TB_PROC_TUSS values ('0301010072', '10101039');\n"
"insert into TB_PROC_TUSS values ('0211030100', '40301010');\n"
"\n"
"insert into TB_RENASES values ('001', 'Gest\xE3""o da Aten\xE7""\xE3""o Prim\xE1""ria');\n"
"insert into TB_RENASES values ('014', 'Aten\xE7""\xE3""o Especializada Ambulatorial');\n"
"insert into TB_PROC_RENASES values ('0301010072', '014');\n"
"insert into TB_PROC_RENASES values ('0301010072', '014');\n"
"insert into TB_PROC_RENASES values ('0301010030', '001');\n"
"\n"
"insert into TB_REDE_ATENCAO values ('092', 'Cegonha');\n"
"insert into TB_REDE_ATENCAO values ('093', 'Urg\xEA""ncia e Emerg\xEA""ncia');\n"
"insert into TB_COMPONENTE_REDE values ('92.01', 'Pr\xE9""-natal', '092');\n"
"insert into TB_COMPONENTE_REDE values ('93.04', 'Sala de estabiliza\xE7""\xE3""o', '093');\n"
"insert into TB_PROC_COMP_REDE values ('0301010072', '92.01');\n"
"insert into TB_PROC_COMP_REDE values ('0301010072', '93.04');\n"
"\n"
"insert into TB_PROC_ORIGEM values ('0301010072', '0301010030', null, '202206');\n"
"\n"
"insert into TB_REGRA_COND values ('0004', 'CONDICIONA INCREMENTO POR CID EXCLUSIVOS',\n"
"  'Quando registrado com os CID A00 ou J18 o procedimento recebe o incremento.');\n"
"insert into TB_REGRA_COND values ('0006', 'CONDICIONA A REJEI\xC7""\xC3""O DA AIH - ORTOPEDIA', 'Duplicidade de AIH na mesma compet\xEA""ncia.');\n"
"insert into TB_PROC_REGRA_COND values ('0301010072', '0004');\n"
"insert into TB_PROC_REGRA_COND values ('0301010072', '0006');\n"
"\n"
"insert into TB_EXCECAO_COMP values ('0301010072', '0401010015', '02', '0702010016', '02', '1', null, '202206');\n"
"insert into TB_EXCECAO_COMP values ('0301010072', '0401010023', '02', '0702099999', '02', '1', null, '202206');\n"
"";

} // namespace

void runScript(kdb::Connection& db, const std::string& script)
{
    kdb::Transaction tr(db);
    kdb::Query q(db, tr);
    for (const std::string& statement : kdb::splitScript(script)) {
        q.setSql(statement);
        q.execute();
    }
    tr.commit();
}

std::string createFixtureDatabase(const TempDir& dir, const Fixture& options)
{
    const std::string path = createSchemaDatabase(dir);
    kdb::Connection db;
    db.open(path, kCredentials);
    runScript(db, kRows);
    runScript(db, kLaterRows);
    if (options.versao) runScript(db, "insert into VERSAO values ('06/2022')");
    db.close();
    return path;
}

} // namespace ktest
