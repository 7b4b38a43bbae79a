#include "releasegen.h"

#include "releasegen_parts.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace korvane {
namespace releasegen {

// The eight groups of the table, subgroups and forms under them.
void Generator::writeHierarchy()
{
    const std::vector<std::string> groupNames = words(
        "Ações de promoção e prevenção em saúde|Procedimentos com finalidade diagnóstica|Procedimentos clínicos|"
        "Procedimentos cirúrgicos|Transplantes de orgãos, tecidos e células|Medicamentos|"
        "Órteses, próteses e materiais especiais|Ações complementares da atenção à saúde");
    FileWriter g = file("tb_grupo.txt");
    FileWriter s = file("tb_sub_grupo.txt");
    FileWriter f = file("tb_forma_organizacao.txt");
    for (int gi = 1; gi <= 8; ++gi) {
        g.begin();
        g.text("CO_GRUPO", twoDigits(gi));
        g.text("NO_GRUPO", groupNames[static_cast<std::size_t>(gi - 1)]);
        g.text("DT_COMPETENCIA", cmpt_);
        g.end();
        const int subs = static_cast<int>(rng_.range(5, 10));
        for (int si = 1; si <= subs; ++si) {
            s.begin();
            s.text("CO_GRUPO", twoDigits(gi));
            s.text("CO_SUB_GRUPO", twoDigits(si));
            s.text("NO_SUB_GRUPO", capitalised(rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds)));
            s.text("DT_COMPETENCIA", cmpt_);
            s.end();
            const int fos = static_cast<int>(rng_.range(3, 10));
            for (int fi = 1; fi <= fos; ++fi) {
                forms_.push_back({gi, si, fi});
                f.begin();
                f.text("CO_GRUPO", twoDigits(gi));
                f.text("CO_SUB_GRUPO", twoDigits(si));
                f.text("CO_FORMA_ORGANIZACAO", twoDigits(fi));
                f.text("NO_FORMA_ORGANIZACAO",
                       capitalised(rng_.pick(w_.acts) + " de " + rng_.pick(w_.parts) + " " + rng_.pick(w_.kinds)));
                f.text("DT_COMPETENCIA", cmpt_);
                f.end();
            }
        }
    }
    g.finish();
    s.finish();
    f.finish();
}

// Procedure codes under the forms: about a tenth are OPM materials (group 07).
void Generator::makeProcedures()
{
    const std::size_t procCount = scaled(5000, 40);
    if (procCount > forms_.size() * 900) throw std::runtime_error("the scale is too large for the code space");
    std::vector<std::size_t> formsOf07, formsOther;
    for (std::size_t i = 0; i < forms_.size(); ++i) (forms_[i].group == 7 ? formsOf07 : formsOther).push_back(i);
    procs_.reserve(procCount);
    for (std::size_t i = 0; i < procCount; ++i) {
        const bool material = i < 4 || rng_.chance(0.1);
        const std::vector<std::size_t>& pool = material ? formsOf07 : formsOther;
        Form* form = nullptr;
        do form = &forms_[pool[rng_.below(pool.size())]];
        while (form->used >= 999);
        ++form->used;
        procs_.push_back({twoDigits(form->group) + twoDigits(form->sub) + twoDigits(form->fo) + digits(form->used, 3) +
                              digits(static_cast<std::int64_t>(rng_.below(10)), 1),
                          form->group});
    }
    std::sort(procs_.begin(), procs_.end(), [](const Procedure& a, const Procedure& b) { return a.code < b.code; });
    for (std::size_t i = 0; i < procs_.size(); ++i) {
        if (procs_[i].group == 7) materials_.push_back(i);
        else if (procs_[i].group == 3 || procs_[i].group == 4 || procs_[i].group == 5) principals_.push_back(i);
    }
    if (principals_.empty())
        for (std::size_t i = 0; i < procs_.size(); ++i)
            if (procs_[i].group != 7) principals_.push_back(i);
}

void Generator::writeProcedures()
{
    FileWriter f = file("tb_procedimento.txt");
    const int cCod = f.col("CO_PROCEDIMENTO"), cNo = f.col("NO_PROCEDIMENTO"), cCx = f.col("TP_COMPLEXIDADE"),
              cSx = f.col("TP_SEXO"), cQm = f.col("QT_MAXIMA_EXECUCAO"), cQd = f.col("QT_DIAS_PERMANENCIA"),
              cQp = f.col("QT_PONTOS"), cImin = f.col("VL_IDADE_MINIMA"), cImax = f.col("VL_IDADE_MAXIMA"),
              cSh = f.col("VL_SH"), cSa = f.col("VL_SA"), cSp = f.col("VL_SP"), cFin = f.col("CO_FINANCIAMENTO"),
              cRub = f.col("CO_RUBRICA"), cTp = f.col("QT_TEMPO_PERMANENCIA"), cDt = f.col("DT_COMPETENCIA");
    static const char* const sexes[] = {"I", "I", "I", "M", "F", "N"};
    for (const Procedure& p : procs_) {
        f.begin();
        f.text(cCod, p.code);
        std::string name = p.group == 7
                               ? rng_.pick(w_.materials) + " de " + rng_.pick(w_.parts) + " " + rng_.pick(w_.kinds)
                               : rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds) + " de " + rng_.pick(w_.parts);
        if (rng_.chance(0.2)) name += " com " + rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds);
        f.text(cNo, upper1252(name));
        // High complexity ("3") in about one procedure of six.
        f.text(cCx, rng_.chance(0.17) ? "3" : (rng_.chance(0.5) ? "1" : "2"));
        f.text(cSx, sexes[rng_.below(6)]);
        f.number(cQm, rng_.chance(0.5) ? 9999 : rng_.range(1, 99));
        f.number(cQd, rng_.chance(0.6) ? 9999 : rng_.range(0, 30));
        f.number(cQp, rng_.range(0, 1000));
        f.number(cImin, rng_.chance(0.7) ? 0 : rng_.range(1, 240));
        f.number(cImax, rng_.chance(0.4) ? 9999 : (rng_.chance(0.5) ? 1571 : rng_.range(12, 1560)));
        f.number(cSh, rng_.chance(0.55) ? 0 : rng_.range(1, 2500000));
        f.number(cSa, rng_.chance(0.3) ? 0 : rng_.range(1, 300000));
        f.number(cSp, rng_.chance(0.5) ? 0 : rng_.range(1, 800000));
        f.text(cFin, rng_.pick(financing_));
        if (rng_.chance(0.3)) f.text(cRub, digits(rng_.range(1, 999999), 6));
        f.number(cTp, 9999);
        f.text(cDt, cmpt_);
        f.end();
    }
    f.finish();
}

void Generator::writeCids()
{
    const std::size_t cidCount = std::min<std::size_t>(scaled(14000, 60), 26000);
    FileWriter f = file("tb_cid.txt");
    static const char* const sexes[] = {"I", "I", "I", "M", "F"};
    for (std::size_t i = 0; i < cidCount; ++i) {
        // Spread the codes over the letters A..Z as the classification does.
        const std::size_t perLetter = (cidCount + 25) / 26;
        std::string code(1, static_cast<char>('A' + i / perLetter));
        code += digits(static_cast<std::int64_t>((i % perLetter) * 1000 / perLetter), 3);
        cids_.push_back(code);
        f.begin();
        f.text("CO_CID", code);
        f.text("NO_CID", capitalised(rng_.pick(w_.acts) + " de " + rng_.pick(w_.parts) + " " + rng_.pick(w_.kinds)));
        f.text("TP_AGRAVO", "0");
        f.text("TP_SEXO", sexes[rng_.below(5)]);
        f.number("VL_CAMPOS_IRRADIADOS", 0);
        f.end();
    }
    f.finish();
}

void Generator::writeCbos()
{
    const std::size_t cboCount = scaled(2600, 20);
    FileWriter f = file("tb_ocupacao.txt");
    const std::size_t stride = std::max<std::size_t>(1, 899999 / cboCount);
    for (std::size_t i = 0; i < cboCount; ++i) {
        const std::string code = digits(static_cast<std::int64_t>(100000 + i * stride + rng_.below(stride)), 6);
        cbos_.push_back(code);
        f.begin();
        f.text("CO_OCUPACAO", code);
        f.text("NO_OCUPACAO", capitalised(rng_.pick(w_.trades) + " " + rng_.pick(w_.fields)));
        f.end();
    }
    f.finish();
}

void Generator::linkCidsAndCbos()
{
    linkFile("rl_procedimento_cid.txt", scaled(80000, 100), cids_.size(),
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_CID", cids_[t]);
                 f.text("ST_PRINCIPAL", rng_.chance(0.3) ? "S" : "N");
                 f.text("DT_COMPETENCIA", cmpt_);
             });
    linkFile("rl_procedimento_ocupacao.txt", scaled(190000, 200), cbos_.size(),
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_OCUPACAO", cbos_[t]);
                 f.text("DT_COMPETENCIA", cmpt_);
             });
}

// OPM materials as secondaries of clinical and surgical procedures.
void Generator::writeCompatibilities()
{
    FileWriter f = file("rl_procedimento_compativel.txt");
    const std::vector<std::size_t> counts = spread(rng_, principals_.size(), scaled(12000, 20), materials_.size());
    for (std::size_t i = 0; i < principals_.size(); ++i)
        distinct(rng_, materials_.size(), counts[i], [&](std::size_t t) {
            f.begin();
            f.text("CO_PROCEDIMENTO_PRINCIPAL", procs_[principals_[i]].code);
            f.text("CO_REGISTRO_PRINCIPAL", rng_.chance(0.7) ? "03" : "06");
            f.text("CO_PROCEDIMENTO_COMPATIVEL", procs_[materials_[t]].code);
            f.text("CO_REGISTRO_COMPATIVEL", rng_.chance(0.7) ? "04" : "07");
            f.text("TP_COMPATIBILIDADE", "1");
            f.number("QT_PERMITIDA", rng_.range(1, 20));
            f.text("DT_COMPETENCIA", cmpt_);
            f.end();
        });
    f.finish();
}

// The other links of a procedure.
void Generator::linkTheRest()
{
    auto numbered = [&](const char* col) {
        return [&, col](FileWriter& f, const Procedure& p, std::size_t t) {
            f.text("CO_PROCEDIMENTO", p.code);
            f.text(col, twoDigits(static_cast<int>(t + 1)));
            f.text("DT_COMPETENCIA", cmpt_);
        };
    };
    linkFile("rl_procedimento_leito.txt", scaled(4100, 10), kBedTypes, numbered("CO_TIPO_LEITO"));
    linkFile("rl_procedimento_incremento.txt", scaled(2300, 10), habs_.size(),
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_HABILITACAO", habs_[t]);
                 f.number("VL_PERCENTUAL_SH", rng_.chance(0.5) ? 0 : rng_.range(1, 30000));
                 f.number("VL_PERCENTUAL_SA", rng_.chance(0.8) ? 0 : rng_.range(1, 30000));
                 f.number("VL_PERCENTUAL_SP", rng_.chance(0.5) ? 0 : rng_.range(1, 30000));
                 f.text("DT_COMPETENCIA", cmpt_);
             });
    linkFile("rl_procedimento_modalidade.txt", scaled(7500, 10), modalidades_.size(), numbered("CO_MODALIDADE"));
    linkFile("rl_procedimento_registro.txt", scaled(7000, 10), registros_.size(), numbered("CO_REGISTRO"));
    linkFile("rl_procedimento_servico.txt", scaled(3600, 10), classes_.size(),
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_SERVICO", classes_[t].first);
                 f.text("CO_CLASSIFICACAO", classes_[t].second);
                 f.text("DT_COMPETENCIA", cmpt_);
             });
    linkFile("rl_procedimento_habilitacao.txt", scaled(5900, 10), habs_.size(),
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_HABILITACAO", habs_[t]);
                 if (rng_.chance(0.3)) f.text("NU_GRUPO_HABILITACAO", rng_.pick(habGroups_));
                 f.text("DT_COMPETENCIA", cmpt_);
             });
    linkFile("rl_procedimento_detalhe.txt", scaled(7400, 10), kDetails,
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_DETALHE", digits(static_cast<std::int64_t>(t + 1), 3));
                 f.text("DT_COMPETENCIA", cmpt_);
             });
}

// Descriptive texts: at most one per procedure, up to 4,000 characters,
// accents and case as written.
void Generator::writeDescriptions()
{
    FileWriter f = file("tb_descricao.txt");
    const std::size_t count = std::min(scaled(4000, 10), procs_.size());
    std::vector<std::size_t> chosen;
    distinct(rng_, procs_.size(), count, [&](std::size_t t) { chosen.push_back(t); });
    std::sort(chosen.begin(), chosen.end());
    for (std::size_t i : chosen) {
        const std::size_t length = rng_.chance(0.1) ? 4000 : static_cast<std::size_t>(rng_.range(40, 3999));
        f.begin();
        f.text("CO_PROCEDIMENTO", procs_[i].code);
        f.text("DS_PROCEDIMENTO", longText(length));
        f.text("DT_COMPETENCIA", cmpt_);
        f.end();
    }
    f.finish();
}

// Sentences of filler words, exactly length bytes.
std::string Generator::longText(std::size_t length)
{
    std::string text;
    bool sentence = true;
    while (text.size() < length) {
        std::string word = rng_.pick(w_.filler);
        if (sentence) word = capitalised(word);
        text += word;
        sentence = rng_.chance(0.08);
        text += sentence ? ". " : " ";
    }
    text.resize(length);
    if (text.back() == ' ') text.back() = '.';
    return text;
}

} // namespace releasegen

ReleaseSummary generateRelease(const std::string& folder, const ReleaseOptions& o)
{
    if (!(o.scale > 0)) throw std::runtime_error("the scale must be above 0");
    if (o.competencia.size() != 6) throw std::runtime_error("the competência must be six characters (AAAAMM)");
    std::filesystem::create_directories(folder);
    return releasegen::Generator(folder, o).run();
}

} // namespace korvane
