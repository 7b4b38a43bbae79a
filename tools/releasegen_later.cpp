// The files later releases carry: TUSS and RENASES codes, care networks,
// origins, conditioned rules, compatibility exceptions, SIA/SIH codes,
// rubricas and the long texts of the complementary attributes.

#include "releasegen_parts.h"

namespace korvane::releasegen {

// count codes of width digits from first on, stride apart, each with a name.
std::vector<std::string> Generator::writeCoded(const char* name, const char* codeCol, const char* nameCol,
                                               std::size_t count, int width, std::int64_t first, std::int64_t stride)
{
    std::vector<std::string> codes;
    FileWriter f = file(name);
    for (std::size_t i = 0; i < count; ++i) {
        codes.push_back(digits(first + static_cast<std::int64_t>(i) * stride, width));
        f.begin();
        f.text(codeCol, codes.back());
        f.text(nameCol, capitalised(rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds) + " de " + rng_.pick(w_.parts)));
        if (def(name).cols.back().name == std::string_view("DT_COMPETENCIA")) f.text("DT_COMPETENCIA", cmpt_);
        f.end();
    }
    f.finish();
    return codes;
}

void Generator::writeLaterFiles()
{
    const std::vector<std::string> tuss =
        writeCoded("tb_tuss.txt", "CO_TUSS", "NO_TUSS", scaled(5766, 20), 8, 10101012, 1733);
    linkFile("rl_procedimento_tuss.txt", scaled(5000, 20), tuss.size(), [&](FileWriter& f, const Procedure& p, std::size_t t) {
        f.text("CO_PROCEDIMENTO", p.code);
        f.text("CO_TUSS", tuss[t]);
    });
    const std::vector<std::string> renases = writeCoded("tb_renases.txt", "CO_RENASES", "NO_RENASES", 201, 3, 1, 1);
    linkFile("rl_procedimento_renases.txt", scaled(5400, 20), renases.size(),
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_RENASES", renases[t]);
             });
    const std::vector<std::string> redes = writeCoded("tb_rede_atencao.txt", "CO_REDE_ATENCAO", "NO_REDE_ATENCAO", 5, 3, 92, 1);
    std::vector<std::string> components;
    FileWriter c = file("tb_componente_rede.txt");
    for (std::size_t i = 0; i < 20; ++i) {
        const std::string& rede = redes[i / 4];
        components.push_back(rede.substr(1) + "." + twoDigits(static_cast<int>(i % 4 + 1)));
        c.begin();
        c.text("CO_COMPONENTE_REDE", components.back());
        c.text("NO_COMPONENTE_REDE", capitalised(rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds)));
        c.text("CO_REDE_ATENCAO", rede);
        c.end();
    }
    c.finish();
    linkFile("rl_procedimento_comp_rede.txt", scaled(60, 10), components.size(),
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_COMPONENTE_REDE", components[t]);
             });
    FileWriter o = file("rl_procedimento_origem.txt");
    distinct(rng_, procs_.size(), scaled(40, 4), [&](std::size_t i) {
        o.begin();
        o.text("CO_PROCEDIMENTO", procs_[i].code);
        o.text("CO_PROCEDIMENTO_ORIGEM", procs_[(i + 1) % procs_.size()].code);
        o.text("DT_COMPETENCIA", cmpt_);
        o.end();
    });
    o.finish();

    FileWriter r = file("tb_regra_condicionada.txt");
    std::vector<std::string> rules;
    for (std::size_t i = 0; i < 14; ++i) {
        rules.push_back(digits(static_cast<std::int64_t>(i + 1), 4));
        r.begin();
        r.text("CO_REGRA_CONDICIONADA", rules.back());
        r.text("NO_REGRA_CONDICIONADA", upper1252("condiciona " + rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds)));
        // One rule as long as the field, the others as long as the release's.
        r.text("DS_REGRA_CONDICIONADA", longText(i == 0 ? 4000 : static_cast<std::size_t>(rng_.range(60, 340))));
        r.end();
    }
    r.finish();
    linkFile("rl_procedimento_regra_cond.txt", scaled(3349, 10), rules.size(),
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_REGRA_CONDICIONADA", rules[t]);
             });
    FileWriter e = file("rl_excecao_compatibilidade.txt");
    distinct(rng_, principals_.size(), std::min(scaled(20, 3), principals_.size()), [&](std::size_t i) {
        e.begin();
        e.text("CO_PROCEDIMENTO_RESTRICAO", procs_[principals_[i]].code);
        e.text("CO_PROCEDIMENTO_PRINCIPAL", procs_[rng_.pick(principals_)].code);
        e.text("CO_REGISTRO_PRINCIPAL", "04");
        e.text("CO_PROCEDIMENTO_COMPATIVEL", procs_[rng_.pick(materials_)].code);
        e.text("CO_REGISTRO_COMPATIVEL", "04");
        e.text("TP_COMPATIBILIDADE", "2");
        e.text("DT_COMPETENCIA", cmpt_);
        e.end();
    });
    e.finish();
    writeSiaSihAndTheRest();
}

// The old SIA/SIH codes a procedure replaced, the rubricas and the texts of
// the details.
void Generator::writeSiaSihAndTheRest()
{
    FileWriter s = file("tb_sia_sih.txt");
    std::vector<std::pair<std::string, char>> old;
    for (std::size_t i = 0; i < scaled(8383, 20); ++i) {
        // Each code is both a hospital and an outpatient one, as some are in the release.
        old.emplace_back(digits(1002015 + static_cast<std::int64_t>(i / 2) * 8, 8), i % 2 ? 'A' : 'H');
        s.begin();
        s.text("CO_PROCEDIMENTO_SIA_SIH", old.back().first);
        s.text("NO_PROCEDIMENTO_SIA_SIH", upper1252(rng_.pick(w_.acts) + " " + rng_.pick(w_.kinds)));
        s.text("TP_PROCEDIMENTO", std::string(1, old.back().second));
        s.text("DT_COMPETENCIA", cmpt_);
        s.end();
    }
    s.finish();
    linkFile("rl_procedimento_sia_sih.txt", scaled(5400, 20), old.size(),
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_PROCEDIMENTO_SIA_SIH", old[t].first);
                 f.text("TP_PROCEDIMENTO", std::string(1, old[t].second));
                 f.text("DT_COMPETENCIA", cmpt_);
             });
    writeCoded("tb_rubrica.txt", "CO_RUBRICA", "NO_RUBRICA", 43, 6, 40009, 4);
    FileWriter d = file("tb_descricao_detalhe.txt");
    for (std::size_t i = 0; i < kDetails; ++i) {
        d.begin();
        d.text("CO_DETALHE", digits(static_cast<std::int64_t>(i + 1), 3));
        d.text("DS_DETALHE", upper1252(longText(i == 0 ? 4000 : static_cast<std::size_t>(rng_.range(80, 600)))));
        d.text("DT_COMPETENCIA", cmpt_);
        d.end();
    }
    d.finish();
}

} // namespace korvane::releasegen
