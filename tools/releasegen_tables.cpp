// The reference tables of a release: registros, modalidades, bed types,
// habilitações, services, details and financing.

#include "releasegen_parts.h"

#include "core/text.h"

#include <QString>

namespace korvane::releasegen {

void Generator::writeNumbered(const char* name, const char* codeCol, const char* nameCol,
                              const std::vector<std::string>& names)
{
    FileWriter f = file(name);
    for (std::size_t i = 0; i < names.size(); ++i) {
        f.begin();
        f.text(codeCol, twoDigits(static_cast<int>(i + 1)));
        f.text(nameCol, names[i]);
        f.text("DT_COMPETENCIA", cmpt_);
        f.end();
    }
    f.finish();
}

void Generator::writeRegistros()
{
    registros_ = words("BPA (Consolidado)|BPA (Individualizado)|AIH (Proc. Principal)|AIH (Proc. Especial)|"
                       "AIH (Proc. Secundário)|APAC (Proc. Principal)|APAC (Proc. Secundário)|RAAS (Atenção Domiciliar)|"
                       "RAAS (Psicossocial)|e-SUS APS");
    writeNumbered("tb_registro.txt", "CO_REGISTRO", "NO_REGISTRO", registros_);
}

void Generator::writeModalidades()
{
    modalidades_ = words("Ambulatorial|Hospitalar|Hospital Dia|Atenção Domiciliar|Atenção Psicossocial|Teleatendimento");
    writeNumbered("tb_modalidade.txt", "CO_MODALIDADE", "NO_MODALIDADE", modalidades_);
}

void Generator::writeBedTypes()
{
    FileWriter f = file("tb_tipo_leito.txt");
    for (std::size_t i = 0; i < kBedTypes; ++i) {
        f.begin();
        f.text("CO_TIPO_LEITO", twoDigits(static_cast<int>(i + 1)));
        std::string name = capitalised(rng_.pick(w_.kinds) + " " + rng_.pick(w_.fields));
        // Some names run past the 40 characters the table keeps.
        while (rng_.chance(0.15) && name.size() < 60) name += " " + rng_.pick(w_.parts);
        f.text("NO_TIPO_LEITO", name);
        f.text("DT_COMPETENCIA", cmpt_);
        f.end();
    }
    f.finish();
}

// The habilitações and their groups.
void Generator::writeHabilitacoes()
{
    FileWriter h = file("tb_habilitacao.txt");
    for (int i = 0; i < 280; ++i) {
        const std::string code = twoDigits(1 + i / 12) + twoDigits(1 + i % 12);
        habs_.push_back(code);
        h.begin();
        h.text("CO_HABILITACAO", code);
        h.text("NO_HABILITACAO", capitalised("unidade de " + rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds) + " de " +
                                             rng_.pick(w_.parts)));
        h.text("DT_COMPETENCIA", cmpt_);
        h.end();
    }
    h.finish();
    FileWriter g = file("tb_grupo_habilitacao.txt");
    for (int i = 0; i < 100; ++i) {
        const std::string code = digits(100 + i * 3, 4);
        habGroups_.push_back(code);
        g.begin();
        g.text("NU_GRUPO_HABILITACAO", code);
        g.text("NO_GRUPO_HABILITACAO", rng_.pick(habs_) + " e " + rng_.pick(habs_));
        g.text("DS_GRUPO_HABILITACAO", capitalised("grupo de " + rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds)));
        g.end();
    }
    g.finish();
}

// Services and their classifications.
void Generator::writeServices()
{
    FileWriter s = file("tb_servico.txt");
    FileWriter c = file("tb_servico_classificacao.txt");
    for (int i = 0; i < 73; ++i) {
        const std::string serv = digits(100 + i, 3);
        s.begin();
        s.text("CO_SERVICO", serv);
        s.text("NO_SERVICO", capitalised("serviço de " + rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds)));
        s.text("DT_COMPETENCIA", cmpt_);
        s.end();
        const int n = static_cast<int>(rng_.range(1, 10));
        for (int k = 1; k <= n; ++k) {
            classes_.emplace_back(serv, digits(k, 3));
            c.begin();
            c.text("CO_SERVICO", serv);
            c.text("CO_CLASSIFICACAO", digits(k, 3));
            c.text("NO_CLASSIFICACAO", capitalised(rng_.pick(w_.acts) + " de " + rng_.pick(w_.parts)));
            c.text("DT_COMPETENCIA", cmpt_);
            c.end();
        }
    }
    s.finish();
    c.finish();
}

void Generator::writeDetails()
{
    FileWriter f = file("tb_detalhe.txt");
    for (std::size_t i = 0; i < kDetails; ++i) {
        f.begin();
        f.text("CO_DETALHE", digits(static_cast<std::int64_t>(i + 1), 3));
        f.text("NO_DETALHE", capitalised("exige " + rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds)));
        f.text("DT_COMPETENCIA", cmpt_);
        f.end();
    }
    f.finish();
}

void Generator::writeFinancing()
{
    static const char* const names[] = {"Atenção Básica (PAB)", "Assistência Farmacêutica",
                                        "Fundo de Ações Estratégicas e Compensações (FAEC)", "Incentivo - MAC",
                                        "Média e Alta Complexidade (MAC)", "Vigilância em Saúde"};
    FileWriter f = file("tb_financiamento.txt");
    for (std::size_t i = 0; i < financing_.size(); ++i) {
        f.begin();
        f.text("CO_FINANCIAMENTO", financing_[i]);
        f.text("NO_FINANCIAMENTO", toWin1252(QString::fromUtf8(names[i])));
        f.text("DT_COMPETENCIA", cmpt_);
        f.end();
    }
    f.finish();
}

} // namespace korvane::releasegen
