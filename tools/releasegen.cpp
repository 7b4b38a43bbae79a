#include "releasegen.h"

#include "core/text.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <stdexcept>
#include <vector>

namespace korvane {
namespace {

// splitmix64: small, fast and the same on every machine.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    std::uint64_t next()
    {
        std::uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(next() % n); }
    std::int64_t range(std::int64_t lo, std::int64_t hi) { return lo + static_cast<std::int64_t>(below(static_cast<std::size_t>(hi - lo + 1))); }
    bool chance(double p) { return static_cast<double>(next() >> 11) * 0x1.0p-53 < p; }
    template <class V> const auto& pick(const V& v) { return v[below(v.size())]; }

private:
    std::uint64_t s_;
};

// --- the files as the release's own layout files describe them -------------

struct Col {
    const char* name;
    int size;
    const char* type;   // VARCHAR2, CHAR or NUMBER
};

struct FileDef {
    const char* name;
    std::vector<Col> cols;
};

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
    };
}

// One file being written: fixed-width records, blank-padded texts,
// zero-padded numbers, CRLF after every record.
class FileWriter {
public:
    FileWriter(const std::string& folder, const FileDef& def, bool layoutFile, ReleaseSummary& summary)
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
    ~FileWriter()
    {
        if (out_) std::fclose(out_);
    }

    int col(const char* name) const
    {
        for (std::size_t i = 0; i < def_.cols.size(); ++i)
            if (std::string_view(def_.cols[i].name) == name) return static_cast<int>(i);
        throw std::logic_error(std::string("no column ") + name + " in " + def_.name);
    }

    void begin() { line_.assign(width_, ' '); }
    void text(int c, std::string_view v)
    {
        const std::size_t n = std::min<std::size_t>(v.size(), static_cast<std::size_t>(def_.cols[c].size));
        line_.replace(static_cast<std::size_t>(offsets_[c]), n, v.data(), n);
    }
    void text(const char* name, std::string_view v) { text(col(name), v); }
    void number(int c, std::int64_t v)
    {
        const int size = def_.cols[c].size;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%0*lld", size, static_cast<long long>(v));
        text(c, std::string_view(buf, static_cast<std::size_t>(size)));
    }
    void number(const char* name, std::int64_t v) { number(col(name), v); }
    void end()
    {
        buf_ += line_;
        buf_ += "\r\n";
        ++count_;
        if (buf_.size() > (1u << 20)) flush();
    }

    void finish()
    {
        flush();
        if (std::fclose(out_) != 0) {
            out_ = nullptr;
            throw std::runtime_error("cannot write " + path_);
        }
        out_ = nullptr;
        summary_.lines[def_.name] = count_;
    }

private:
    void flush()
    {
        if (!buf_.empty() && std::fwrite(buf_.data(), 1, buf_.size(), out_) != buf_.size())
            throw std::runtime_error("cannot write " + path_);
        summary_.bytes += buf_.size();
        buf_.clear();
    }

    void writeLayout(const std::string& folder)
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

    const FileDef& def_;
    ReleaseSummary& summary_;
    std::vector<int> offsets_;
    std::size_t width_ = 0;
    std::string path_;
    FILE* out_ = nullptr;
    std::string line_, buf_;
    std::size_t count_ = 0;
};

// --- words -------------------------------------------------------------------

std::vector<std::string> words(const char* utf8List, bool upper = false)
{
    std::vector<std::string> out;
    for (const QString& w : QString::fromUtf8(utf8List).split(QLatin1Char('|')))
        out.push_back(toWin1252(upper ? w.toUpper() : w));
    return out;
}

struct Words {
    std::vector<std::string> acts = words("consulta|avaliação|cirurgia|tratamento|exame|curativo|punção|biópsia|"
                                          "ressecção|reconstrução|artroplastia|drenagem|sutura|ultrassonografia|"
                                          "tomografia|ressonância|radiografia|atendimento|acompanhamento|aplicação|"
                                          "coleta|administração|dosagem|análise|correção|retirada|instalação");
    std::vector<std::string> kinds = words("médica|clínica|cirúrgica|especializada|básica|ambulatorial|hospitalar|"
                                           "de urgência|eletiva|bilateral|unilateral|videolaparoscópica|endoscópica|"
                                           "percutânea|domiciliar|pediátrica|em atenção primária|por via oral");
    std::vector<std::string> parts = words("coração|pulmão|fígado|rim|mão|pé|joelho|quadril|coluna|crânio|tórax|"
                                           "abdômen|útero|próstata|mama|tireóide|córnea|músculo|osso|pele|"
                                           "vértebra|intestino|estômago|esôfago|bexiga|ouvido|nariz|laringe|"
                                           "artéria|veia|órbita|cotovelo|punho|tendão");
    std::vector<std::string> materials = words("prótese|órtese|placa|parafuso|stent|cateter|cânula|fio guia|"
                                               "enxerto|válvula|haste|lente intra-ocular|marcapasso|tela|"
                                               "cimento ortopédico|fixador externo|espaçador");
    std::vector<std::string> trades = words("médico|enfermeiro|técnico de enfermagem|fisioterapeuta|"
                                            "cirurgião-dentista|farmacêutico|psicólogo|nutricionista|"
                                            "fonoaudiólogo|assistente social|auxiliar de saúde bucal|biomédico|"
                                            "terapeuta ocupacional|agente comunitário de saúde|técnico em radiologia");
    std::vector<std::string> fields = words("clínico|cardiologista|ortopedista|pediatra|obstetra|anestesiologista|"
                                            "oftalmologista|neurologista|urologista|em saúde da família|"
                                            "intensivista|do trabalho|hospitalar|sanitarista|geriatra|psiquiatra");
    std::vector<std::string> filler = words("o|a|de|do|da|em|com|para|por|paciente|procedimento|indicado|"
                                            "realizado|sob|anestesia|local|geral|conforme|avaliação|clínica|"
                                            "critérios|técnicos|definidos|pelo|serviço|inclui|exames|prévios|"
                                            "materiais|medicamentos|acompanhamento|pós-operatório|diária|"
                                            "internação|não|órgão|função|saúde|atenção|crianças|idosos|gestantes|"
                                            "mínimo|máximo|horas|sessões|ação|ações|é|à|às|também");
};

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

// Per-owner counts around an average, adding up to about total, none above cap.
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

// count distinct indexes below n, in a scattered order.
template <class F>
void distinct(Rng& rng, std::size_t n, std::size_t count, F&& each)
{
    if (n == 0) return;
    std::size_t step = 1;
    for (std::size_t s : {7919u, 104729u, 31u, 13u, 7u, 3u})
        if (std::gcd(s, n) == 1 && s < n) {
            step = s;
            break;
        }
    std::size_t at = rng.below(n);
    for (std::size_t j = 0; j < count && j < n; ++j) {
        each(at);
        at = (at + step) % n;
    }
}

struct Procedure {
    std::string code;
    int group;
};

struct Form {
    int group, sub, fo;
    int used = 0;
};

} // namespace

ReleaseSummary generateRelease(const std::string& folder, const ReleaseOptions& o)
{
    if (!(o.scale > 0)) throw std::runtime_error("the scale must be above 0");
    if (o.competencia.size() != 6) throw std::runtime_error("the competência must be six characters (AAAAMM)");
    std::filesystem::create_directories(folder);
    const Words w;
    Rng rng(o.seed);
    ReleaseSummary summary;
    const std::vector<FileDef> defs = fileDefs(o.layout);
    auto def = [&](const char* name) -> const FileDef& {
        for (const FileDef& d : defs)
            if (std::string_view(d.name) == name) return d;
        throw std::logic_error(name);
    };
    auto scaled = [&](double n, std::size_t least) {
        return std::max(least, static_cast<std::size_t>(std::llround(n * o.scale)));
    };
    const std::string& cmpt = o.competencia;

    // Hierarchy: the eight groups of the table, subgroups and forms under them.
    const std::vector<std::string> groupNames = words(
        "Ações de promoção e prevenção em saúde|Procedimentos com finalidade diagnóstica|Procedimentos clínicos|"
        "Procedimentos cirúrgicos|Transplantes de orgãos, tecidos e células|Medicamentos|"
        "Órteses, próteses e materiais especiais|Ações complementares da atenção à saúde");
    std::vector<std::pair<int, int>> subgroups;
    std::vector<Form> forms;
    {
        FileWriter g(folder, def("tb_grupo.txt"), o.layoutFiles, summary);
        FileWriter s(folder, def("tb_sub_grupo.txt"), o.layoutFiles, summary);
        FileWriter f(folder, def("tb_forma_organizacao.txt"), o.layoutFiles, summary);
        for (int gi = 1; gi <= 8; ++gi) {
            g.begin();
            g.text("CO_GRUPO", twoDigits(gi));
            g.text("NO_GRUPO", groupNames[static_cast<std::size_t>(gi - 1)]);
            g.text("DT_COMPETENCIA", cmpt);
            g.end();
            const int subs = static_cast<int>(rng.range(5, 10));
            for (int si = 1; si <= subs; ++si) {
                subgroups.emplace_back(gi, si);
                s.begin();
                s.text("CO_GRUPO", twoDigits(gi));
                s.text("CO_SUB_GRUPO", twoDigits(si));
                s.text("NO_SUB_GRUPO", capitalised(rng.pick(w.acts) + " " + rng.pick(w.kinds)));
                s.text("DT_COMPETENCIA", cmpt);
                s.end();
                const int fos = static_cast<int>(rng.range(3, 10));
                for (int fi = 1; fi <= fos; ++fi) {
                    forms.push_back({gi, si, fi});
                    f.begin();
                    f.text("CO_GRUPO", twoDigits(gi));
                    f.text("CO_SUB_GRUPO", twoDigits(si));
                    f.text("CO_FORMA_ORGANIZACAO", twoDigits(fi));
                    f.text("NO_FORMA_ORGANIZACAO",
                           capitalised(rng.pick(w.acts) + " de " + rng.pick(w.parts) + " " + rng.pick(w.kinds)));
                    f.text("DT_COMPETENCIA", cmpt);
                    f.end();
                }
            }
        }
        g.finish();
        s.finish();
        f.finish();
    }

    // Procedures: about a tenth are OPM materials (group 07).
    const std::size_t procCount = scaled(5000, 40);
    if (procCount > forms.size() * 900) throw std::runtime_error("the scale is too large for the code space");
    std::vector<std::size_t> formsOf07, formsOther;
    for (std::size_t i = 0; i < forms.size(); ++i) (forms[i].group == 7 ? formsOf07 : formsOther).push_back(i);
    std::vector<Procedure> procs;
    procs.reserve(procCount);
    for (std::size_t i = 0; i < procCount; ++i) {
        const bool material = i < 4 || rng.chance(0.1);
        const std::vector<std::size_t>& pool = material ? formsOf07 : formsOther;
        Form* form = nullptr;
        do form = &forms[pool[rng.below(pool.size())]];
        while (form->used >= 999);
        ++form->used;
        procs.push_back({twoDigits(form->group) + twoDigits(form->sub) + twoDigits(form->fo) + digits(form->used, 3) +
                             digits(static_cast<std::int64_t>(rng.below(10)), 1),
                         form->group});
    }
    std::sort(procs.begin(), procs.end(), [](const Procedure& a, const Procedure& b) { return a.code < b.code; });
    std::vector<std::size_t> materials, principals;
    for (std::size_t i = 0; i < procs.size(); ++i) {
        if (procs[i].group == 7) materials.push_back(i);
        else if (procs[i].group == 3 || procs[i].group == 4 || procs[i].group == 5) principals.push_back(i);
    }
    if (principals.empty())
        for (std::size_t i = 0; i < procs.size(); ++i)
            if (procs[i].group != 7) principals.push_back(i);

    const std::vector<std::string> financing = {"01", "02", "04", "05", "06", "07"};
    {
        FileWriter f(folder, def("tb_procedimento.txt"), o.layoutFiles, summary);
        const int cCod = f.col("CO_PROCEDIMENTO"), cNo = f.col("NO_PROCEDIMENTO"), cCx = f.col("TP_COMPLEXIDADE"),
                  cSx = f.col("TP_SEXO"), cQm = f.col("QT_MAXIMA_EXECUCAO"), cQd = f.col("QT_DIAS_PERMANENCIA"),
                  cQp = f.col("QT_PONTOS"), cImin = f.col("VL_IDADE_MINIMA"), cImax = f.col("VL_IDADE_MAXIMA"),
                  cSh = f.col("VL_SH"), cSa = f.col("VL_SA"), cSp = f.col("VL_SP"), cFin = f.col("CO_FINANCIAMENTO"),
                  cRub = f.col("CO_RUBRICA"), cTp = f.col("QT_TEMPO_PERMANENCIA"), cDt = f.col("DT_COMPETENCIA");
        static const char* const sexes[] = {"I", "I", "I", "M", "F", "N"};
        for (const Procedure& p : procs) {
            f.begin();
            f.text(cCod, p.code);
            std::string name = p.group == 7
                                   ? rng.pick(w.materials) + " de " + rng.pick(w.parts) + " " + rng.pick(w.kinds)
                                   : rng.pick(w.acts) + " " + rng.pick(w.kinds) + " de " + rng.pick(w.parts);
            if (rng.chance(0.2)) name += " com " + rng.pick(w.acts) + " " + rng.pick(w.kinds);
            f.text(cNo, upper1252(name));
            // High complexity ("3") in about one procedure of six.
            f.text(cCx, rng.chance(0.17) ? "3" : (rng.chance(0.5) ? "1" : "2"));
            f.text(cSx, sexes[rng.below(6)]);
            f.number(cQm, rng.chance(0.5) ? 9999 : rng.range(1, 99));
            f.number(cQd, rng.chance(0.6) ? 9999 : rng.range(0, 30));
            f.number(cQp, rng.range(0, 1000));
            f.number(cImin, rng.chance(0.7) ? 0 : rng.range(1, 240));
            f.number(cImax, rng.chance(0.4) ? 9999 : (rng.chance(0.5) ? 1571 : rng.range(12, 1560)));
            f.number(cSh, rng.chance(0.55) ? 0 : rng.range(1, 2500000));
            f.number(cSa, rng.chance(0.3) ? 0 : rng.range(1, 300000));
            f.number(cSp, rng.chance(0.5) ? 0 : rng.range(1, 800000));
            f.text(cFin, rng.pick(financing));
            if (rng.chance(0.3)) f.text(cRub, digits(rng.range(1, 999999), 6));
            f.number(cTp, 9999);
            f.text(cDt, cmpt);
            f.end();
        }
        f.finish();
    }

    // CID-10 and CBO codes, and their links to procedures.
    const std::size_t cidCount = std::min<std::size_t>(scaled(14000, 60), 26000);
    std::vector<std::string> cids;
    {
        FileWriter f(folder, def("tb_cid.txt"), o.layoutFiles, summary);
        static const char* const sexes[] = {"I", "I", "I", "M", "F"};
        for (std::size_t i = 0; i < cidCount; ++i) {
            // Spread the codes over the letters A..Z as the classification does.
            const std::size_t perLetter = (cidCount + 25) / 26;
            std::string code(1, static_cast<char>('A' + i / perLetter));
            code += digits(static_cast<std::int64_t>((i % perLetter) * 1000 / perLetter), 3);
            cids.push_back(code);
            f.begin();
            f.text("CO_CID", code);
            f.text("NO_CID", capitalised(rng.pick(w.acts) + " de " + rng.pick(w.parts) + " " + rng.pick(w.kinds)));
            f.text("TP_AGRAVO", "0");
            f.text("TP_SEXO", sexes[rng.below(5)]);
            f.number("VL_CAMPOS_IRRADIADOS", 0);
            f.end();
        }
        f.finish();
    }
    const std::size_t cboCount = scaled(2600, 20);
    std::vector<std::string> cbos;
    {
        FileWriter f(folder, def("tb_ocupacao.txt"), o.layoutFiles, summary);
        const std::size_t stride = std::max<std::size_t>(1, 899999 / cboCount);
        for (std::size_t i = 0; i < cboCount; ++i) {
            const std::string code = digits(static_cast<std::int64_t>(100000 + i * stride + rng.below(stride)), 6);
            cbos.push_back(code);
            f.begin();
            f.text("CO_OCUPACAO", code);
            f.text("NO_OCUPACAO", capitalised(rng.pick(w.trades) + " " + rng.pick(w.fields)));
            f.end();
        }
        f.finish();
    }
    auto linkFile = [&](const char* name, std::size_t total, std::size_t targets, const std::vector<std::size_t>& owners,
                        auto&& write) {
        FileWriter f(folder, def(name), o.layoutFiles, summary);
        const std::vector<std::size_t> counts = spread(rng, owners.size(), total, targets);
        for (std::size_t i = 0; i < owners.size(); ++i)
            distinct(rng, targets, counts[i], [&](std::size_t t) {
                f.begin();
                write(f, procs[owners[i]], t);
                f.end();
            });
        f.finish();
    };
    std::vector<std::size_t> everyProc(procs.size());
    std::iota(everyProc.begin(), everyProc.end(), std::size_t{0});

    linkFile("rl_procedimento_cid.txt", scaled(80000, 100), cids.size(), everyProc,
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_CID", cids[t]);
                 f.text("ST_PRINCIPAL", rng.chance(0.3) ? "S" : "N");
                 f.text("DT_COMPETENCIA", cmpt);
             });
    linkFile("rl_procedimento_ocupacao.txt", scaled(190000, 200), cbos.size(), everyProc,
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_OCUPACAO", cbos[t]);
                 f.text("DT_COMPETENCIA", cmpt);
             });
    // Compatibilities: OPM materials as secondaries of clinical and surgical procedures.
    {
        FileWriter f(folder, def("rl_procedimento_compativel.txt"), o.layoutFiles, summary);
        const std::vector<std::size_t> counts = spread(rng, principals.size(), scaled(12000, 20), materials.size());
        for (std::size_t i = 0; i < principals.size(); ++i)
            distinct(rng, materials.size(), counts[i], [&](std::size_t t) {
                f.begin();
                f.text("CO_PROCEDIMENTO_PRINCIPAL", procs[principals[i]].code);
                f.text("CO_REGISTRO_PRINCIPAL", rng.chance(0.7) ? "03" : "06");
                f.text("CO_PROCEDIMENTO_COMPATIVEL", procs[materials[t]].code);
                f.text("CO_REGISTRO_COMPATIVEL", rng.chance(0.7) ? "04" : "07");
                f.text("TP_COMPATIBILIDADE", "1");
                f.number("QT_PERMITIDA", rng.range(1, 20));
                f.text("DT_COMPETENCIA", cmpt);
                f.end();
            });
        f.finish();
    }

    // Reference tables.
    const std::vector<std::string> registros = words(
        "BPA (Consolidado)|BPA (Individualizado)|AIH (Proc. Principal)|AIH (Proc. Especial)|"
        "AIH (Proc. Secundário)|APAC (Proc. Principal)|APAC (Proc. Secundário)|RAAS (Atenção Domiciliar)|"
        "RAAS (Psicossocial)|e-SUS APS");
    {
        FileWriter f(folder, def("tb_registro.txt"), o.layoutFiles, summary);
        for (std::size_t i = 0; i < registros.size(); ++i) {
            f.begin();
            f.text("CO_REGISTRO", twoDigits(static_cast<int>(i + 1)));
            f.text("NO_REGISTRO", registros[i]);
            f.text("DT_COMPETENCIA", cmpt);
            f.end();
        }
        f.finish();
    }
    const std::vector<std::string> modalidades =
        words("Ambulatorial|Hospitalar|Hospital Dia|Atenção Domiciliar|Atenção Psicossocial|Teleatendimento");
    {
        FileWriter f(folder, def("tb_modalidade.txt"), o.layoutFiles, summary);
        for (std::size_t i = 0; i < modalidades.size(); ++i) {
            f.begin();
            f.text("CO_MODALIDADE", twoDigits(static_cast<int>(i + 1)));
            f.text("NO_MODALIDADE", modalidades[i]);
            f.text("DT_COMPETENCIA", cmpt);
            f.end();
        }
        f.finish();
    }
    const std::size_t leitos = 41;
    {
        FileWriter f(folder, def("tb_tipo_leito.txt"), o.layoutFiles, summary);
        for (std::size_t i = 0; i < leitos; ++i) {
            f.begin();
            f.text("CO_TIPO_LEITO", twoDigits(static_cast<int>(i + 1)));
            std::string name = capitalised(rng.pick(w.kinds) + " " + rng.pick(w.fields));
            // Some names run past the 40 characters the table keeps.
            while (rng.chance(0.15) && name.size() < 60) name += " " + rng.pick(w.parts);
            f.text("NO_TIPO_LEITO", name);
            f.text("DT_COMPETENCIA", cmpt);
            f.end();
        }
        f.finish();
    }
    std::vector<std::string> habs;
    {
        FileWriter f(folder, def("tb_habilitacao.txt"), o.layoutFiles, summary);
        for (int i = 0; i < 280; ++i) {
            const std::string code = twoDigits(1 + i / 12) + twoDigits(1 + i % 12);
            habs.push_back(code);
            f.begin();
            f.text("CO_HABILITACAO", code);
            f.text("NO_HABILITACAO", capitalised("unidade de " + rng.pick(w.acts) + " " + rng.pick(w.kinds) + " de " +
                                                 rng.pick(w.parts)));
            f.text("DT_COMPETENCIA", cmpt);
            f.end();
        }
        f.finish();
    }
    std::vector<std::string> habGroups;
    {
        FileWriter f(folder, def("tb_grupo_habilitacao.txt"), o.layoutFiles, summary);
        for (int i = 0; i < 100; ++i) {
            const std::string code = digits(100 + i * 3, 4);
            habGroups.push_back(code);
            f.begin();
            f.text("NU_GRUPO_HABILITACAO", code);
            f.text("NO_GRUPO_HABILITACAO", rng.pick(habs) + " e " + rng.pick(habs));
            f.text("DS_GRUPO_HABILITACAO", capitalised("grupo de " + rng.pick(w.acts) + " " + rng.pick(w.kinds)));
            f.end();
        }
        f.finish();
    }
    std::vector<std::pair<std::string, std::string>> classes;
    {
        FileWriter s(folder, def("tb_servico.txt"), o.layoutFiles, summary);
        FileWriter c(folder, def("tb_servico_classificacao.txt"), o.layoutFiles, summary);
        for (int i = 0; i < 73; ++i) {
            const std::string serv = digits(100 + i, 3);
            s.begin();
            s.text("CO_SERVICO", serv);
            s.text("NO_SERVICO", capitalised("serviço de " + rng.pick(w.acts) + " " + rng.pick(w.kinds)));
            s.text("DT_COMPETENCIA", cmpt);
            s.end();
            const int n = static_cast<int>(rng.range(1, 10));
            for (int k = 1; k <= n; ++k) {
                classes.emplace_back(serv, digits(k, 3));
                c.begin();
                c.text("CO_SERVICO", serv);
                c.text("CO_CLASSIFICACAO", digits(k, 3));
                c.text("NO_CLASSIFICACAO", capitalised(rng.pick(w.acts) + " de " + rng.pick(w.parts)));
                c.text("DT_COMPETENCIA", cmpt);
                c.end();
            }
        }
        s.finish();
        c.finish();
    }
    const std::size_t detalhes = 38;
    {
        FileWriter f(folder, def("tb_detalhe.txt"), o.layoutFiles, summary);
        for (std::size_t i = 0; i < detalhes; ++i) {
            f.begin();
            f.text("CO_DETALHE", digits(static_cast<std::int64_t>(i + 1), 3));
            f.text("NO_DETALHE", capitalised("exige " + rng.pick(w.acts) + " " + rng.pick(w.kinds)));
            f.text("DT_COMPETENCIA", cmpt);
            f.end();
        }
        f.finish();
    }
    {
        static const char* const names[] = {"Atenção Básica (PAB)", "Assistência Farmacêutica",
                                            "Fundo de Ações Estratégicas e Compensações (FAEC)", "Incentivo - MAC",
                                            "Média e Alta Complexidade (MAC)", "Vigilância em Saúde"};
        FileWriter f(folder, def("tb_financiamento.txt"), o.layoutFiles, summary);
        for (std::size_t i = 0; i < financing.size(); ++i) {
            f.begin();
            f.text("CO_FINANCIAMENTO", financing[i]);
            f.text("NO_FINANCIAMENTO", toWin1252(QString::fromUtf8(names[i])));
            f.text("DT_COMPETENCIA", cmpt);
            f.end();
        }
        f.finish();
    }

    // The other links of a procedure.
    linkFile("rl_procedimento_leito.txt", scaled(4100, 10), leitos, everyProc,
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_TIPO_LEITO", twoDigits(static_cast<int>(t + 1)));
                 f.text("DT_COMPETENCIA", cmpt);
             });
    linkFile("rl_procedimento_incremento.txt", scaled(2300, 10), habs.size(), everyProc,
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_HABILITACAO", habs[t]);
                 f.number("VL_PERCENTUAL_SH", rng.chance(0.5) ? 0 : rng.range(1, 30000));
                 f.number("VL_PERCENTUAL_SA", rng.chance(0.8) ? 0 : rng.range(1, 30000));
                 f.number("VL_PERCENTUAL_SP", rng.chance(0.5) ? 0 : rng.range(1, 30000));
                 f.text("DT_COMPETENCIA", cmpt);
             });
    linkFile("rl_procedimento_modalidade.txt", scaled(7500, 10), modalidades.size(), everyProc,
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_MODALIDADE", twoDigits(static_cast<int>(t + 1)));
                 f.text("DT_COMPETENCIA", cmpt);
             });
    linkFile("rl_procedimento_registro.txt", scaled(7000, 10), registros.size(), everyProc,
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_REGISTRO", twoDigits(static_cast<int>(t + 1)));
                 f.text("DT_COMPETENCIA", cmpt);
             });
    linkFile("rl_procedimento_servico.txt", scaled(3600, 10), classes.size(), everyProc,
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_SERVICO", classes[t].first);
                 f.text("CO_CLASSIFICACAO", classes[t].second);
                 f.text("DT_COMPETENCIA", cmpt);
             });
    linkFile("rl_procedimento_habilitacao.txt", scaled(5900, 10), habs.size(), everyProc,
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_HABILITACAO", habs[t]);
                 if (rng.chance(0.3)) f.text("NU_GRUPO_HABILITACAO", rng.pick(habGroups));
                 f.text("DT_COMPETENCIA", cmpt);
             });
    linkFile("rl_procedimento_detalhe.txt", scaled(7400, 10), detalhes, everyProc,
             [&](FileWriter& f, const Procedure& p, std::size_t t) {
                 f.text("CO_PROCEDIMENTO", p.code);
                 f.text("CO_DETALHE", digits(static_cast<std::int64_t>(t + 1), 3));
                 f.text("DT_COMPETENCIA", cmpt);
             });

    // Descriptive texts: at most one per procedure, up to 4,000 characters,
    // accents and case as written.
    {
        FileWriter f(folder, def("tb_descricao.txt"), o.layoutFiles, summary);
        const std::size_t count = std::min(scaled(4000, 10), procs.size());
        std::vector<std::size_t> chosen;
        distinct(rng, procs.size(), count, [&](std::size_t t) { chosen.push_back(t); });
        std::sort(chosen.begin(), chosen.end());
        std::string text;
        for (std::size_t i : chosen) {
            const std::size_t length = rng.chance(0.1) ? 4000 : static_cast<std::size_t>(rng.range(40, 3999));
            text.clear();
            bool sentence = true;
            while (text.size() < length) {
                std::string word = rng.pick(w.filler);
                if (sentence) word = capitalised(word);
                text += word;
                sentence = rng.chance(0.08);
                text += sentence ? ". " : " ";
            }
            text.resize(length);
            if (text.back() == ' ') text.back() = '.';
            f.begin();
            f.text("CO_PROCEDIMENTO", procs[i].code);
            f.text("DS_PROCEDIMENTO", text);
            f.text("DT_COMPETENCIA", cmpt);
            f.end();
        }
        f.finish();
    }
    return summary;
}

} // namespace korvane
