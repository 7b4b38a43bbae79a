#include "releasegen_parts.h"

#include "core/text.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>

namespace korvane::releasegen {

std::vector<FileDef> fileDefs(ReleaseOptions::Layout layout)
{
    const int money = layout == ReleaseOptions::Layout::Y2025 ? 12 : 10;
    return {
        {"rl_procedimento_cid.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_CID", 4, "VARCHAR2"}, {"ST_PRINCIPAL", 1, "CHAR"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_ocupacao.txt", {{"CO_OCUPACAO", 6, "CHAR"}, {"NO_OCUPACAO", 150, "VARCHAR2"}}},
        {"rl_procedimento_ocupacao.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_OCUPACAO", 6, "CHAR"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"rl_procedimento_compativel.txt", {{"CO_PROCEDIMENTO_PRINCIPAL", 10, "VARCHAR2"}, {"CO_REGISTRO_PRINCIPAL", 2, "VARCHAR2"}, {"CO_PROCEDIMENTO_COMPATIVEL", 10, "VARCHAR2"}, {"CO_REGISTRO_COMPATIVEL", 2, "VARCHAR2"}, {"TP_COMPATIBILIDADE", 1, "VARCHAR2"}, {"QT_PERMITIDA", 4, "NUMBER"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_procedimento.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"NO_PROCEDIMENTO", 250, "VARCHAR2"}, {"TP_COMPLEXIDADE", 1, "VARCHAR2"}, {"TP_SEXO", 1, "VARCHAR2"}, {"QT_MAXIMA_EXECUCAO", 4, "NUMBER"}, {"QT_DIAS_PERMANENCIA", 4, "NUMBER"}, {"QT_PONTOS", 4, "NUMBER"}, {"VL_IDADE_MINIMA", 4, "NUMBER"}, {"VL_IDADE_MAXIMA", 4, "NUMBER"}, {"VL_SH", money, "NUMBER"}, {"VL_SA", money, "NUMBER"}, {"VL_SP", money, "NUMBER"}, {"CO_FINANCIAMENTO", 2, "VARCHAR2"}, {"CO_RUBRICA", 6, "VARCHAR2"}, {"QT_TEMPO_PERMANENCIA", 4, "NUMBER"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"rl_procedimento_leito.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_TIPO_LEITO", 2, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"rl_procedimento_incremento.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_HABILITACAO", 4, "VARCHAR2"}, {"VL_PERCENTUAL_SH", 7, "NUMBER"}, {"VL_PERCENTUAL_SA", 7, "NUMBER"}, {"VL_PERCENTUAL_SP", 7, "NUMBER"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"rl_procedimento_modalidade.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_MODALIDADE", 2, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"rl_procedimento_registro.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_REGISTRO", 2, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"rl_procedimento_servico.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_SERVICO", 3, "VARCHAR2"}, {"CO_CLASSIFICACAO", 3, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_registro.txt", {{"CO_REGISTRO", 2, "VARCHAR2"}, {"NO_REGISTRO", 50, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_servico.txt", {{"CO_SERVICO", 3, "VARCHAR2"}, {"NO_SERVICO", 120, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_servico_classificacao.txt", {{"CO_SERVICO", 3, "VARCHAR2"}, {"CO_CLASSIFICACAO", 3, "VARCHAR2"}, {"NO_CLASSIFICACAO", 150, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_grupo.txt", {{"CO_GRUPO", 2, "VARCHAR2"}, {"NO_GRUPO", 100, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_sub_grupo.txt", {{"CO_GRUPO", 2, "VARCHAR2"}, {"CO_SUB_GRUPO", 2, "VARCHAR2"}, {"NO_SUB_GRUPO", 100, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_forma_organizacao.txt", {{"CO_GRUPO", 2, "VARCHAR2"}, {"CO_SUB_GRUPO", 2, "VARCHAR2"}, {"CO_FORMA_ORGANIZACAO", 2, "VARCHAR2"}, {"NO_FORMA_ORGANIZACAO", 100, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_tipo_leito.txt", {{"CO_TIPO_LEITO", 2, "VARCHAR2"}, {"NO_TIPO_LEITO", 60, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_habilitacao.txt", {{"CO_HABILITACAO", 4, "VARCHAR2"}, {"NO_HABILITACAO", 150, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_modalidade.txt", {{"CO_MODALIDADE", 2, "VARCHAR2"}, {"NO_MODALIDADE", 100, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_descricao.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"DS_PROCEDIMENTO", 4000, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"rl_procedimento_habilitacao.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_HABILITACAO", 4, "VARCHAR2"}, {"NU_GRUPO_HABILITACAO", 4, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_grupo_habilitacao.txt", {{"NU_GRUPO_HABILITACAO", 4, "VARCHAR2"}, {"NO_GRUPO_HABILITACAO", 20, "VARCHAR2"}, {"DS_GRUPO_HABILITACAO", 250, "VARCHAR2"}}},
        {"tb_detalhe.txt", {{"CO_DETALHE", 3, "VARCHAR2"}, {"NO_DETALHE", 100, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"rl_procedimento_detalhe.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_DETALHE", 3, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_cid.txt", {{"CO_CID", 4, "VARCHAR2"}, {"NO_CID", 100, "VARCHAR2"}, {"TP_AGRAVO", 1, "CHAR"}, {"TP_SEXO", 1, "CHAR"}, {"TP_ESTADIO", 1, "CHAR"}, {"VL_CAMPOS_IRRADIADOS", 4, "NUMBER"}}},
        {"tb_financiamento.txt", {{"CO_FINANCIAMENTO", 2, "VARCHAR2"}, {"NO_FINANCIAMENTO", 100, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        // The later files, laid out as in 06/2022 and since.
        {"tb_tuss.txt", {{"CO_TUSS", 10, "VARCHAR2"}, {"NO_TUSS", 450, "VARCHAR2"}}},
        {"rl_procedimento_tuss.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_TUSS", 10, "VARCHAR2"}}},
        {"tb_renases.txt", {{"CO_RENASES", 10, "VARCHAR2"}, {"NO_RENASES", 150, "VARCHAR2"}}},
        {"rl_procedimento_renases.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_RENASES", 10, "VARCHAR2"}}},
        {"tb_rede_atencao.txt", {{"CO_REDE_ATENCAO", 3, "VARCHAR2"}, {"NO_REDE_ATENCAO", 50, "VARCHAR2"}}},
        {"tb_componente_rede.txt", {{"CO_COMPONENTE_REDE", 10, "VARCHAR2"}, {"NO_COMPONENTE_REDE", 150, "VARCHAR2"}, {"CO_REDE_ATENCAO", 3, "VARCHAR2"}}},
        {"rl_procedimento_comp_rede.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_COMPONENTE_REDE", 10, "VARCHAR2"}}},
        {"rl_procedimento_origem.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_PROCEDIMENTO_ORIGEM", 10, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_regra_condicionada.txt", {{"CO_REGRA_CONDICIONADA", 4, "VARCHAR2"}, {"NO_REGRA_CONDICIONADA", 150, "VARCHAR2"}, {"DS_REGRA_CONDICIONADA", 4000, "VARCHAR2"}}},
        {"rl_procedimento_regra_cond.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_REGRA_CONDICIONADA", 4, "VARCHAR2"}}},
        {"rl_excecao_compatibilidade.txt", {{"CO_PROCEDIMENTO_RESTRICAO", 10, "VARCHAR2"}, {"CO_PROCEDIMENTO_PRINCIPAL", 10, "VARCHAR2"}, {"CO_REGISTRO_PRINCIPAL", 2, "VARCHAR2"}, {"CO_PROCEDIMENTO_COMPATIVEL", 10, "VARCHAR2"}, {"CO_REGISTRO_COMPATIVEL", 2, "VARCHAR2"}, {"TP_COMPATIBILIDADE", 1, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_sia_sih.txt", {{"CO_PROCEDIMENTO_SIA_SIH", 10, "VARCHAR2"}, {"NO_PROCEDIMENTO_SIA_SIH", 100, "VARCHAR2"}, {"TP_PROCEDIMENTO", 1, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"rl_procedimento_sia_sih.txt", {{"CO_PROCEDIMENTO", 10, "VARCHAR2"}, {"CO_PROCEDIMENTO_SIA_SIH", 10, "VARCHAR2"}, {"TP_PROCEDIMENTO", 1, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_rubrica.txt", {{"CO_RUBRICA", 6, "VARCHAR2"}, {"NO_RUBRICA", 100, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
        {"tb_descricao_detalhe.txt", {{"CO_DETALHE", 3, "VARCHAR2"}, {"DS_DETALHE", 4000, "VARCHAR2"}, {"DT_COMPETENCIA", 6, "CHAR"}}},
    };
}

FileWriter::FileWriter(const std::string& folder, const FileDef& def, bool layoutFile, ReleaseSummary& summary)
    : def_(def), summary_(summary)
{
    int at = 0;
    for (const Col& c : def.cols) {
        offsets_.push_back(at);
        at += c.size;
    }
    width_ = static_cast<std::size_t>(at);
    path_ = (std::filesystem::path(folder) / def.name).string();
    out_ = std::fopen(path_.c_str(), "wb");
    if (!out_) throw std::runtime_error("cannot write " + path_);
    if (layoutFile) writeLayout(folder);
}

FileWriter::~FileWriter()
{
    if (out_) std::fclose(out_);
}

int FileWriter::col(const char* name) const
{
    for (std::size_t i = 0; i < def_.cols.size(); ++i)
        if (std::string_view(def_.cols[i].name) == name) return static_cast<int>(i);
    throw std::logic_error(std::string("no column ") + name + " in " + def_.name);
}

void FileWriter::text(int c, std::string_view v)
{
    const std::size_t n = std::min<std::size_t>(v.size(), static_cast<std::size_t>(def_.cols[c].size));
    line_.replace(static_cast<std::size_t>(offsets_[c]), n, v.data(), n);
}

void FileWriter::number(int c, std::int64_t v)
{
    const int size = def_.cols[c].size;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", size, static_cast<long long>(v));
    text(c, std::string_view(buf, static_cast<std::size_t>(size)));
}

void FileWriter::finish()
{
    flush();
    if (std::fclose(out_) != 0) {
        out_ = nullptr;
        throw std::runtime_error("cannot write " + path_);
    }
    out_ = nullptr;
    summary_.lines[def_.name] = count_;
}

void FileWriter::flush()
{
    if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), out_) != buf_.size())
        throw std::runtime_error("cannot write " + path_);
    summary_.bytes += buf_.size();
    buf_.clear();
}

void FileWriter::writeLayout(const std::string& folder)
{
    std::string name = def_.name;
    name.replace(name.size() - 4, 4, "_layout.txt");
    std::string text = "Coluna,Tamanho,Inicio,Fim,Tipo\r\n";
    for (std::size_t i = 0; i < def_.cols.size(); ++i) {
        const Col& c = def_.cols[i];
        text += std::string(c.name) + "," + std::to_string(c.size) + "," + std::to_string(offsets_[i] + 1) + "," +
                std::to_string(offsets_[i] + c.size) + "," + c.type + "\r\n";
    }
    const std::string path = (std::filesystem::path(folder) / name).string();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0)
        throw std::runtime_error("cannot write " + path);
}

// --- words and numbers ---------------------------------------------------------

std::vector<std::string> words(const char* utf8List, bool upper)
{
    std::vector<std::string> out;
    for (const QString& w : QString::fromUtf8(utf8List).split(QLatin1Char('|')))
        out.push_back(toWin1252(upper ? w.toUpper() : w));
    return out;
}

Words::Words()
    : acts(words("consulta|avaliação|cirurgia|tratamento|exame|curativo|punção|biópsia|"
                 "ressecção|reconstrução|artroplastia|drenagem|sutura|ultrassonografia|"
                 "tomografia|ressonância|radiografia|atendimento|acompanhamento|aplicação|"
                 "coleta|administração|dosagem|análise|correção|retirada|instalação")),
      kinds(words("médica|clínica|cirúrgica|especializada|básica|ambulatorial|hospitalar|"
                  "de urgência|eletiva|bilateral|unilateral|videolaparoscópica|endoscópica|"
                  "percutânea|domiciliar|pediátrica|em atenção primária|por via oral")),
      parts(words("coração|pulmão|fígado|rim|mão|pé|joelho|quadril|coluna|crânio|tórax|"
                  "abdômen|útero|próstata|mama|tireóide|córnea|músculo|osso|pele|"
                  "vértebra|intestino|estômago|esôfago|bexiga|ouvido|nariz|laringe|"
                  "artéria|veia|órbita|cotovelo|punho|tendão")),
      materials(words("prótese|órtese|placa|parafuso|stent|cateter|cânula|fio guia|"
                      "enxerto|válvula|haste|lente intra-ocular|marcapasso|tela|"
                      "cimento ortopédico|fixador externo|espaçador")),
      trades(words("médico|enfermeiro|técnico de enfermagem|fisioterapeuta|"
                   "cirurgião-dentista|farmacêutico|psicólogo|nutricionista|"
                   "fonoaudiólogo|assistente social|auxiliar de saúde bucal|biomédico|"
                   "terapeuta ocupacional|agente comunitário de saúde|técnico em radiologia")),
      fields(words("clínico|cardiologista|ortopedista|pediatra|obstetra|anestesiologista|"
                   "oftalmologista|neurologista|urologista|em saúde da família|"
                   "intensivista|do trabalho|hospitalar|sanitarista|geriatra|psiquiatra")),
      filler(words("o|a|de|do|da|em|com|para|por|paciente|procedimento|indicado|"
                   "realizado|sob|anestesia|local|geral|conforme|avaliação|clínica|"
                   "critérios|técnicos|definidos|pelo|serviço|inclui|exames|prévios|"
                   "materiais|medicamentos|acompanhamento|pós-operatório|diária|"
                   "internação|não|órgão|função|saúde|atenção|crianças|idosos|gestantes|"
                   "mínimo|máximo|horas|sessões|ação|ações|é|à|às|também"))
{
}

std::string upper1252(std::string s)
{
    return toWin1252(fromWin1252(s).toUpper());
}

std::string capitalised(std::string s)
{
    QString q = fromWin1252(s);
    if (!q.isEmpty()) q[0] = q[0].toUpper();
    return toWin1252(q);
}

std::string twoDigits(int n)
{
    char b[8];
    std::snprintf(b, sizeof b, "%02d", n);
    return b;
}

std::string digits(std::int64_t n, int width)
{
    char b[32];
    std::snprintf(b, sizeof b, "%0*lld", width, static_cast<long long>(n));
    return b;
}

std::vector<std::size_t> spread(Rng& rng, std::size_t owners, std::size_t total, std::size_t cap)
{
    std::vector<std::size_t> counts(owners, 0);
    std::size_t left = total;
    for (std::size_t i = 0; i < owners && left > 0; ++i) {
        const std::size_t remainingOwners = owners - i;
        const double avg = static_cast<double>(left) / static_cast<double>(remainingOwners);
        std::size_t c = remainingOwners == 1 ? left
                                             : static_cast<std::size_t>(std::floor(avg * 2.0 * (static_cast<double>(rng.next() >> 11) * 0x1.0p-53) + 0.5));
        c = std::min({c, cap, left});
        counts[i] = c;
        left -= c;
    }
    return counts;
}

} // namespace korvane::releasegen
