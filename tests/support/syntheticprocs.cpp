#include "syntheticprocs.h"

#include "db/query.h"
#include "db/transaction.h"

#include <cstdio>
#include <random>

namespace ktest {

namespace {
const char* const kWords[] = {
    "TRATAMENTO", "CIRURGICO", "DE", "FRATURA", "DA", "DIAFISE", "DO", "UMERO", "CONSULTA", "MEDICA", "EM",
    "ATENCAO", "ESPECIALIZADA", "RESSECCAO", "ENDOSCOPICA", "LESAO", "VIDEOLAPAROSCOPIA", "ARTROPLASTIA",
    "TOTAL", "PRIMARIA", "JOELHO", "QUADRIL", "EXAME", "ANATOMO-PATOLOGICO", "PARA", "CONGELAMENTO", "BIOPSIA",
    "PELE", "IMPLANTE", "DENTARIO", "OSTEOINTEGRADO", "ACOMPANHAMENTO", "PACIENTE", "POS-TRANSPLANTE", "RIM",
    "FIGADO", "PULMAO", "ADMINISTRACAO", "MEDICAMENTOS", "NA", "BASICA", "POR", "RADIOTERAPIA", "COM",
    "ACELERADOR", "LINEAR", "FOTONS", "CAMPO", "DOSAGEM", "HEMOGLOBINA", "GLICOSILADA", "INSTALACAO",
    "CATETER", "DUPLO-J", "UNILATERAL", "BILATERAL", "OU", "E", "SEM", "ANESTESIA", "GERAL", "PEDIATRIA",
    "OBSTETRICA", "CESARIANA", "PARTO", "NORMAL", "HOSPITAL", "AMIGO", "CRIANCA", "INTERNACAO", "UTI", "TIPO",
    "II", "III", "ADULTO", "NEONATAL", "DIARIA", "ACOMPANHANTE", "IDOSO", "PROTESE", "ORTESE", "MATERIAL",
    "ESPECIAL", "SEGMENTO", "CERVICAL", "TORACICO", "LOMBAR", "COLUNA", "VERTEBRAL", "ARTRODESE", "VIA",
    "ANTERIOR", "POSTERIOR", "RECONSTRUCAO", "LIGAMENTO", "CRUZADO", "MAMOGRAFIA", "RASTREAMENTO"};
constexpr int kWordCount = sizeof(kWords) / sizeof(kWords[0]);
} // namespace

std::vector<SyntheticProc> makeSyntheticProcs(int count, unsigned seed)
{
    std::mt19937 rng(seed);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<SyntheticProc> out;
    out.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        SyntheticProc p;
        char code[16];
        std::snprintf(code, sizeof code, "%02d%02d%02d%03d%d", 1 + i % 8, 1 + (i / 8) % 10, 1 + (i / 80) % 10,
                      (i / 800) % 1000, i % 10);
        p.code = code;
        // Mostly names of one printed line, some of two or three.
        const int words = pick(0, 9) < 7 ? pick(3, 9) : pick(10, 36);
        for (int w = 0; w < words; ++w) {
            if (!p.name.empty()) p.name += ' ';
            p.name += kWords[pick(0, kWordCount - 1)];
        }
        if (p.name.size() > 250) p.name.resize(250);
        while (!p.name.empty() && p.name.back() == ' ') p.name.pop_back();
        p.complexity = std::to_string(pick(0, 3));
        p.sex = std::string(1, "MFIN"[pick(0, 3)]);
        p.qtdMax = pick(1, 9999);
        p.days = pick(0, 99);
        p.points = pick(0, 9999);
        p.ageMin = pick(0, 17);
        p.ageMax = pick(p.ageMin, 130);
        p.sa = kdb::Decimal(pick(0, 3) == 0 ? 0 : pick(1, 5000000), 2);
        p.sh = kdb::Decimal(pick(0, 2) == 0 ? 0 : pick(1, 9999999), 2);
        p.sp = kdb::Decimal(pick(0, 2) == 0 ? 0 : pick(1, 999999), 2);
        p.financing = "0" + std::to_string(pick(1, 6));
        out.push_back(std::move(p));
    }
    return out;
}

void insertSyntheticProcs(kdb::Connection& db, const std::vector<SyntheticProc>& procs)
{
    kdb::Transaction tr(db);
    kdb::Query count(db, tr);
    count.setSql("select count(*) from TB_FINANCIAMENTO");
    count.open();
    if (count.field(std::size_t{0}).asInteger() == 0) {
        kdb::Query fin(db, tr);
        fin.setSql("insert into TB_FINANCIAMENTO (FINANC_COD, FINANC_DESCR) values (:c, :d)");
        const char* names[] = {"ATENCAO BASICA (PAB)", "ASSISTENCIA FARMACEUTICA", "FUNDO DE ACOES ESTRATEGICAS E COMPENSACOES FAEC",
                               "INCENTIVO - MAC", "MEDIA E ALTA COMPLEXIDADE (MAC)", "VIGILANCIA EM SAUDE"};
        for (int i = 0; i < 6; ++i) {
            fin.setParam("c", "0" + std::to_string(i + 1));
            fin.setParam("d", names[i]);
            fin.execute();
        }
    }
    count.close();
    kdb::Query ins(db, tr);
    ins.setSql("insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_COMPLEX, PROC_SEXO, PROC_QTD_MAX, PROC_QTD_DIAS, "
               "PROC_QTD_PONTOS, PROC_IDADE_MIN, PROC_IDADE_MAX, PROC_VL_SA, PROC_VL_SH, PROC_VL_SP, PROC_CMPT_INI, "
               "PROC_CMPT_FIM, PROC_CO_FINANC, PROC_CO_RUBRICA) values (:cod, :descr, :cx, :sexo, :qmax, :dias, :pts, "
               ":imin, :imax, :sa, :sh, :sp, '202201', '202206', :fin, '')");
    for (const SyntheticProc& p : procs) {
        ins.setParam("cod", p.code);
        ins.setParam("descr", p.name);
        ins.setParam("cx", p.complexity);
        ins.setParam("sexo", p.sex);
        ins.setParam("qmax", p.qtdMax);
        ins.setParam("dias", p.days);
        ins.setParam("pts", p.points);
        ins.setParam("imin", p.ageMin);
        ins.setParam("imax", p.ageMax);
        ins.setParam("sa", p.sa);
        ins.setParam("sh", p.sh);
        ins.setParam("sp", p.sp);
        ins.setParam("fin", p.financing);
        ins.execute();
    }
    tr.commit();
}

} // namespace ktest
