#include "checkfixture.h"

#include "fixture.h"

#include "db/connection.h"
#include "db/schema.h"

#include <cstdio>

namespace ktest {
namespace {

const char* const kRows = R"SQL(
insert into VERSAO values ('06/2026');
insert into TB_REGISTRO values ('01', 'BPA (Consolidado)');
insert into TB_REGISTRO values ('02', 'BPA (Individualizado)');
insert into TB_REGISTRO values ('03', 'AIH (Proc. Principal)');
insert into TB_REGISTRO values ('04', 'AIH (Proc. Especial)');
insert into TB_REGISTRO values ('05', 'AIH (Proc. Secund)SQL" "\xE1" R"SQL(rio)');
insert into TB_REGISTRO values ('06', 'APAC (Proc. Principal)');
insert into TB_REGISTRO values ('07', 'APAC (Proc. Secund)SQL" "\xE1" R"SQL(rio)');
insert into TB_REGISTRO values ('08', 'RAAS (Aten)SQL" "\xE7\xE3" R"SQL(o Domiciliar)');
insert into TB_REGISTRO values ('09', 'RAAS (Aten)SQL" "\xE7\xE3" R"SQL(o Psicossocial)');
insert into TB_REGISTRO values ('10', 'e-SUS APS (Aten)SQL" "\xE7\xE3" R"SQL(o Prim)SQL" "\xE1" R"SQL(ria )SQL" "\xE0" R"SQL( Sa)SQL" "\xFA" R"SQL(de)');

insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES, PROC_CMPT_FIM)
  values ('0303010045', 'TRATAMENTO SO DO SEXO FEMININO', 'F', 1, 216, 722, '202606');
insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES, PROC_CMPT_FIM)
  values ('0301010072', 'CONSULTA MEDICA EM ATENCAO ESPECIALIZADA', 'I', 9999, 9999, 9999, '202606');
insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES, PROC_CMPT_FIM)
  values ('0401010023', 'EXCISAO SO DO SEXO MASCULINO', 'M', 2, 9999, 1200, '202606');
insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES, PROC_CMPT_FIM)
  values ('0406010013', 'CIRURGIA CARDIOVASCULAR', 'I', 1, 0, 1571, '202606');
insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES, PROC_CMPT_FIM)
  values ('0303010037', 'TRATAMENTO DE OUTRAS DOENCAS BACTERIANAS', 'I', 1, 0, 1571, '202606');
insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES, PROC_CMPT_FIM)
  values ('0702010016', 'PLACA DE COMPRESSAO DINAMICA', 'N', 2, 9999, 9999, '202606');
insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES, PROC_CMPT_FIM)
  values ('0702010024', 'PARAFUSO CORTICAL', 'N', 10, 9999, 9999, '202606');
insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES, PROC_CMPT_FIM)
  values ('0211030100', 'EXAME EM SERVICO ESPECIALIZADO', 'I', 9999, 9999, 9999, '202606');
insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, PROC_IDADE_MAX_MESES, PROC_CMPT_FIM)
  values ('0401010015', 'CURATIVO GRAU II', 'I', 1, 9999, 9999, '202606');
insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN, PROC_IDADE_MAX, PROC_CMPT_FIM)
  values ('0301060010', 'ATENDIMENTO DE URGENCIA EM CLINICA PEDIATRICA', 'I', 1, 1, 12, '202606');

insert into TB_PROC_REG values ('0303010045', '03', null, '202606');
insert into TB_PROC_REG values ('0301010072', '01', null, '202606');
insert into TB_PROC_REG values ('0301010072', '02', null, '202606');
insert into TB_PROC_REG values ('0401010023', '03', null, '202606');
insert into TB_PROC_REG values ('0406010013', '03', null, '202606');
insert into TB_PROC_REG values ('0303010037', '03', null, '202606');
insert into TB_PROC_REG values ('0702010016', '04', null, '202606');
insert into TB_PROC_REG values ('0702010024', '04', null, '202606');
insert into TB_PROC_REG values ('0211030100', '01', null, '202606');
insert into TB_PROC_REG values ('0211030100', '02', null, '202606');
insert into TB_PROC_REG values ('0401010015', '03', null, '202606');
insert into TB_PROC_REG values ('0301060010', '01', null, '202606');

insert into TB_CID values ('A00 ', 'Colera', 'I');
insert into TB_CID values ('A01 ', 'Febres tifoide e paratifoide', 'I');
insert into TB_CID values ('J189', 'Pneumonia NE', 'I');
insert into TB_CID_PROC values ('0303010045', 'A00 ', null, '202606', 'S');
insert into TB_CID_PROC values ('0303010045', 'A01 ', null, '202606', 'N');

insert into TB_CBO values ('225125', 'MEDICO CLINICO', null, '202606');
insert into TB_CBO values ('225170', 'MEDICO GENERALISTA', null, '202606');
insert into TB_CBO values ('223505', 'ENFERMEIRO', null, '202606');
insert into TB_PROC_CBO values ('0301010072', '225125', null, '202606');
insert into TB_PROC_CBO values ('0301010072', '225170', null, '202606');

insert into TB_PROC_HABILITACAO values ('0406010013', '3802', null);
insert into TB_PROC_HABILITACAO values ('0406010013', '0801', '0001');
insert into TB_PROC_HABILITACAO values ('0406010013', '0803', '0001');

insert into TB_PROC_SERV_CLASS values ('0211030100', '121', '001', null, '202606');
insert into TB_PROC_SERV_CLASS values ('0211030100', '135', '003', null, '202606');

insert into TB_PROC_COMP values ('0406010013', '03', '0702010016', '04', '1', 2, null, '202606');
insert into TB_PROC_COMP values ('0406010013', '03', '0702010024', '04', '1', 10, null, '202606');
insert into TB_PROC_COMP values ('0303010037', '03', '0702010016', '04', '1', 5, null, '202606');
insert into TB_PROC_COMP values ('0303010037', '03', '0702010024', '04', '1', 5, null, '202606');
insert into TB_PROC_COMP values ('0303010037', '03', '0401010015', '03', '2', 0, null, '202606');
insert into TB_PROC_COMP values ('0303010037', '03', '0401010023', '03', '3', 1, null, '202606');
insert into TB_PROC_COMP values ('0702010016', '04', '0702010024', '04', '2', 0, null, '202606');
)SQL";

// The rows of the later tables: an exception to an incompatibility, a
// conditioned rule and its procedure.
const char* const kLaterRows = R"SQL(
insert into TB_EXCECAO_COMP values ('0406010013', '0702010016', '04', '0702010024', '04', '2', null, '202606');
insert into TB_REGRA_COND values ('0001', 'CONDICIONA REGISTRO EM BPA-I (CEO E PCD)',
  'DEVERA SER REGISTRADO EM BPA-I COM O SERVICO 114 CLASSIFICACAO 007');
insert into TB_PROC_REGRA_COND values ('0211030100', '0001');
)SQL";

std::string perInstrument()
{
    std::string rows;
    for (int i = 1; i <= 10; ++i) {
        char code[11], reg[3];
        std::snprintf(code, sizeof code, "09000000%02d", i);
        std::snprintf(reg, sizeof reg, "%02d", i);
        rows += std::string("insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_SEXO, PROC_QTD_MAX, PROC_IDADE_MIN_MESES, "
                            "PROC_IDADE_MAX_MESES) values ('") +
                code + "', 'PROCEDIMENTO DO INSTRUMENTO " + reg + "', 'I', 9999, 9999, 9999);\n" +
                "insert into TB_PROC_REG values ('" + code + "', '" + reg + "', null, '202606');\n";
    }
    return rows;
}

} // namespace

std::string createCheckDatabase(const TempDir& dir, const CheckFixture& options)
{
    const std::string path = createSchemaDatabase(dir);
    kdb::Connection db;
    db.open(path, kCredentials);
    runScript(db, kRows);
    runScript(db, perInstrument());
    if (options.laterTables) runScript(db, kLaterRows);
    db.close();
    return path;
}

} // namespace ktest
