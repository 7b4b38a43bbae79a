#include "historymodel.h"

#include "core/money.h"
#include "core/text.h"
#include "db/decimal.h"
#include "model/limits.h"
#include "model/reportdata.h"
#include "update/history.h"
#include "update/releaseinfo.h"

#include <optional>

namespace korvane {
namespace {

std::string fieldOf(const HistoryRun& run, const char* source)
{
    for (const auto& [name, value] : run.fields)
        if (name == source) return value;
    return {};
}

kdb::Value money(const std::string& text)
{
    const std::optional<kdb::Decimal> d = kdb::Decimal::parse(text);
    return d ? kdb::Value(*d) : kdb::Value();
}

} // namespace

const std::vector<CountedList>& countedLists()
{
    static const std::vector<CountedList> lists = {
        {"rl_procedimento_cid", "N_CID", "CID"},
        {"rl_procedimento_ocupacao", "N_CBO", "CBO"},
        {"rl_procedimento_compativel", "N_COMPATIVEL", "Compat."},
        {"rl_procedimento_leito", "N_LEITO", "Leitos"},
        {"rl_procedimento_registro", "N_REGISTRO", "Instr."},
        {"rl_procedimento_modalidade", "N_MODALIDADE", "Modal."},
        {"rl_procedimento_habilitacao", "N_HABILITACAO", "Habil."},
        {"rl_procedimento_incremento", "N_INCREMENTO", "Incr."},
        {"rl_procedimento_servico", "N_SERVICO", "Serv."},
        {"rl_procedimento_detalhe", "N_DETALHE", "Detalhes"},
        {"tb_descricao", "N_DESCRICAO", "Descr."},
    };
    return lists;
}

std::string runShown(const HistoryRun& run)
{
    const std::string first = competenciaShown(run.first);
    return run.first == run.last ? first : first + " a " + competenciaShown(run.last);
}

std::string situacaoOf(const std::vector<HistoryRun>& runs, std::size_t i)
{
    const HistoryRun& r = runs[i];
    if (i == 0) return r.present ? "na tabela" : "não existe";
    const bool before = runs[i - 1].present;
    bool everBefore = false;
    for (std::size_t j = 0; j < i; ++j) everBefore = everBefore || runs[j].present;
    if (!r.present) return before ? "excluído" : "não existe";
    if (!before) return everBefore ? "voltou" : "incluído";
    for (const RowChange& c : r.changes)
        if (c.arquivo == "tb_procedimento") return "alterado";
    return "listas alteradas";
}

QString valueShown(const std::string& campo, const std::string& value)
{
    if (value.empty()) return {};
    if (campo == "VL_SA" || campo == "VL_SH" || campo == "VL_SP")
        return QString::fromStdString(value).replace(QLatin1Char('.'), QLatin1Char(','));
    if (campo == "VL_IDADE_MINIMA" || campo == "VL_IDADE_MAXIMA")
        return ageShown(kdb::Value(static_cast<std::int64_t>(std::stoll(value))), kdb::Value());
    return fromWin1252(value);
}

HistoryModel::HistoryModel(kdb::Connection& db, kdb::Transaction& tr, QObject* parent) : QObject(parent), db_(db), tr_(tr)
{
    std::vector<kdata::MemoryTable::ColumnDef> runs = {
        {"COMPETENCIAS", 19}, {"SITUACAO", 17}, {"PROC_DESCR", 60},  {"VL_SA", 10},        {"VL_SH", 10},
        {"VL_SP", 10},        {"VL_TOTAL", 10}, {"FINANCIAMENTO", 2}, {"COMPLEXIDADE", 20}, {"SEXO", 1},
        {"IDADE_MINIMA", 18}, {"IDADE_MAXIMA", 18}, {"QT_MAXIMA", 5},
    };
    for (const CountedList& l : countedLists()) runs.push_back({QString::fromLatin1(l.column), 5});
    runsTable_ = new kdata::MemoryTable(QStringLiteral("qryHistorico"), std::move(runs), this);
    changesTable_ = new kdata::MemoryTable(QStringLiteral("qryMudancas"),
                                           {{"COMPETENCIA", 7}, {"ARQUIVO", 28}, {"MUDANCA", 9}, {"CHAVE", 20},
                                            {"CAMPO", 20}, {"ANTES", 40}, {"DEPOIS", 40}},
                                           this);
    runsTable_->createDataSet();
    changesTable_->createDataSet();
}

void HistoryModel::show(const std::string& code)
{
    code_ = code;
    // A database that keeps one release in plain tables has no history yet.
    history_ = code.empty() || !keepsHistory(db_) ? std::vector<HistoryRun>() : procedureHistory(db_, tr_, code);
    fill();
}

void HistoryModel::fill()
{
    const kdata::RecordSet::Quiet quietRuns(*runsTable_);
    const kdata::RecordSet::Quiet quietChanges(*changesTable_);
    runsTable_->emptyDataSet();
    changesTable_->emptyDataSet();
    const auto text = [](const std::string& s) { return s.empty() ? kdb::Value() : kdb::Value(s); };
    for (std::size_t i = 0; i < history_.size(); ++i) {
        const HistoryRun& r = history_[i];
        runsTable_->append();
        runsTable_->set(QStringLiteral("COMPETENCIAS"), kdb::Value(runShown(r)));
        runsTable_->set(QStringLiteral("SITUACAO"), kdb::Value(toWin1252(QString::fromUtf8(situacaoOf(history_, i).c_str()))));
        if (r.present) {
            runsTable_->set(QStringLiteral("PROC_DESCR"), text(fieldOf(r, "NO_PROCEDIMENTO")));
            const kdb::Value sa = money(fieldOf(r, "VL_SA")), sh = money(fieldOf(r, "VL_SH")), sp = money(fieldOf(r, "VL_SP"));
            // Money as the detail boxes show it.
            const auto shown = [](const kdb::Decimal& d) { return kdb::Value(toWin1252(formatMoney(d))); };
            kdb::Decimal total;
            for (const auto& [column, v] : {std::pair{"VL_SA", &sa}, std::pair{"VL_SH", &sh}, std::pair{"VL_SP", &sp}}) {
                if (v->isNull()) continue;
                runsTable_->set(QString::fromLatin1(column), shown(v->asDecimal()));
                total = total + v->asDecimal();
            }
            runsTable_->set(QStringLiteral("VL_TOTAL"), shown(total));
            runsTable_->set(QStringLiteral("FINANCIAMENTO"), text(fieldOf(r, "CO_FINANCIAMENTO")));
            runsTable_->set(QStringLiteral("COMPLEXIDADE"), text(complexidade(text(fieldOf(r, "TP_COMPLEXIDADE")))));
            runsTable_->set(QStringLiteral("SEXO"), text(fieldOf(r, "TP_SEXO")));
            for (const char* age : {"VL_IDADE_MINIMA", "VL_IDADE_MAXIMA"})
                runsTable_->set(QString::fromLatin1(age).mid(3), text(toWin1252(valueShown(age, fieldOf(r, age)))));
            runsTable_->set(QStringLiteral("QT_MAXIMA"), text(fieldOf(r, "QT_MAXIMA_EXECUCAO")));
        }
        for (const CountedList& l : countedLists())
            for (const auto& [arquivo, n] : r.counts)
                if (arquivo == l.arquivo) runsTable_->set(QString::fromLatin1(l.column), kdb::Value(static_cast<std::int64_t>(n)));
        runsTable_->post();
        for (const RowChange& c : r.changes) {
            changesTable_->append();
            changesTable_->set(QStringLiteral("COMPETENCIA"), kdb::Value(competenciaShown(r.first)));
            changesTable_->set(QStringLiteral("ARQUIVO"), kdb::Value(c.arquivo));
            changesTable_->set(QStringLiteral("MUDANCA"), kdb::Value(std::string(mudancaName(c.mudanca))));
            changesTable_->set(QStringLiteral("CHAVE"), text(c.chave));
            changesTable_->set(QStringLiteral("CAMPO"), text(c.campo));
            changesTable_->set(QStringLiteral("ANTES"), text(toWin1252(valueShown(c.campo, c.antes))));
            changesTable_->set(QStringLiteral("DEPOIS"), text(toWin1252(valueShown(c.campo, c.depois))));
            changesTable_->post();
        }
    }
    runsTable_->open();
    changesTable_->open();
}

} // namespace korvane
