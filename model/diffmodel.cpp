#include "diffmodel.h"

#include "core/text.h"
#include "db/query.h"
#include "model/historymodel.h"
#include "update/history.h"
#include "update/releaseinfo.h"

#include <QRegularExpression>

#include <algorithm>
#include <set>
#include <stdexcept>
#include <unordered_map>

namespace korvane {
namespace {

// The names of the procedures the changes name, from either competência.
std::unordered_map<std::string, std::string> namesOf(const std::vector<RowChange>& changes, kdb::Connection& db,
                                                     kdb::Transaction& tr)
{
    std::set<std::string> codes;
    for (const RowChange& c : changes) codes.insert(c.codigo);
    std::unordered_map<std::string, std::string> names;
    kdb::Query q(db, tr);
    q.setSql("select first 1 PROC_DESCR from H_TB_PROC where PROC_COD = :c order by HIST_INI desc");
    for (const std::string& c : codes) {
        if (c.size() != 10) continue;
        q.setParam("c", c);
        q.open();
        if (!q.isEmpty()) names[c] = q.field(std::size_t{0}).isNull() ? std::string() : q.field(std::size_t{0}).toString();
        q.close();
    }
    return names;
}

} // namespace

std::vector<std::string> parseCodes(const QString& text, std::vector<QString>* refused)
{
    std::vector<std::string> codes;
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    for (const QString& word : text.split(separators, Qt::SkipEmptyParts)) {
        QString digits;
        for (QChar c : word)
            if (c.isDigit()) digits += c;
        const bool masked = std::all_of(word.begin(), word.end(), [](QChar c) {
            return c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('/');
        });
        if (masked && digits.size() == 10) codes.push_back(digits.toStdString());
        else if (refused) refused->push_back(word);
    }
    return codes;
}

std::vector<RowChange> runDiff(kdb::Connection& db, kdb::Transaction& tr, const DiffRequest& request)
{
    const std::vector<KeptRelease> kept = keepsHistory(db) ? keptReleases(db, tr) : std::vector<KeptRelease>();
    const std::string from = keptCompetencia(kept, request.from), to = keptCompetencia(kept, request.to);
    ChangeFilter filter;
    if (request.narrowed()) {
        const std::set<std::string> codes(request.codes.begin(), request.codes.end());
        const std::string prefix = request.prefix;
        filter.procedure = [codes, prefix](const std::string& p) {
            return p.rfind(prefix, 0) == 0 && (codes.empty() || codes.count(p) > 0);
        };
    }
    std::vector<RowChange> changes = diffCompetencias(db, tr, from, to, filter);
    if (request.narrowed()) {
        // Tables without a procedure are no part of a procedure's changes.
        static const std::set<std::string> withProcedure = [] {
            std::set<std::string> s{"tb_procedimento", "tb_descricao"};
            for (const CountedList& l : countedLists()) s.insert(l.arquivo);
            return s;
        }();
        changes.erase(std::remove_if(changes.begin(), changes.end(),
                                     [](const RowChange& c) { return !withProcedure.count(c.arquivo); }),
                      changes.end());
    }
    return changes;
}

kdata::Extract changesExtract(const std::vector<RowChange>& changes)
{
    kdata::Extract e;
    for (const char* name : {"arquivo", "mudanca", "codigo", "chave", "campo", "antes", "depois"})
        e.columns.push_back({QString::fromLatin1(name).toUpper(), QString::fromLatin1(name), kdata::ExtractColumn::Kind::Text});
    for (const RowChange& c : changes) {
        const std::vector<std::string> cells = {c.arquivo, mudancaName(c.mudanca), c.codigo, c.chave, c.campo, c.antes, c.depois};
        std::vector<kdb::Value> values;
        std::vector<QString> shown;
        for (const std::string& s : cells) {
            values.push_back(s.empty() ? kdb::Value() : kdb::Value(s));
            shown.push_back(fromWin1252(s));
        }
        e.values.push_back(std::move(values));
        e.shown.push_back(std::move(shown));
    }
    return e;
}

DiffModel::DiffModel(kdb::Connection& db, kdb::Transaction& tr, QObject* parent) : QObject(parent), db_(db), tr_(tr)
{
    table_ = new kdata::MemoryTable(QStringLiteral("qryDiferencas"),
                                    {{"ARQUIVO", 28}, {"MUDANCA", 9}, {"CODIGO", 10}, {"PROC_DESCR", 60},
                                     {"CHAVE", 20}, {"CAMPO", 20}, {"ANTES", 40}, {"DEPOIS", 40}},
                                    this);
    table_->createDataSet();
}

void DiffModel::run(const DiffRequest& request)
{
    changes_ = runDiff(db_, tr_, request);
    const auto names = namesOf(changes_, db_, tr_);
    const kdata::RecordSet::Quiet quiet(*table_);
    table_->emptyDataSet();
    const auto text = [](const std::string& s) { return s.empty() ? kdb::Value() : kdb::Value(s); };
    for (const RowChange& c : changes_) {
        table_->append();
        table_->set(QStringLiteral("ARQUIVO"), kdb::Value(c.arquivo));
        table_->set(QStringLiteral("MUDANCA"), kdb::Value(std::string(mudancaName(c.mudanca))));
        table_->set(QStringLiteral("CODIGO"), text(c.codigo));
        if (auto it = names.find(c.codigo); it != names.end()) table_->set(QStringLiteral("PROC_DESCR"), text(it->second));
        table_->set(QStringLiteral("CHAVE"), text(c.chave));
        table_->set(QStringLiteral("CAMPO"), text(c.campo));
        table_->set(QStringLiteral("ANTES"), text(toWin1252(valueShown(c.campo, c.antes))));
        table_->set(QStringLiteral("DEPOIS"), text(toWin1252(valueShown(c.campo, c.depois))));
        table_->post();
    }
    table_->open();
}

QString DiffModel::summary() const
{
    int added = 0, removed = 0, lists = 0;
    std::set<std::string> changed;
    for (const RowChange& c : changes_) {
        if (c.arquivo != "tb_procedimento") ++lists;
        else if (c.mudanca == Mudanca::Incluido) ++added;
        else if (c.mudanca == Mudanca::Excluido) ++removed;
        else changed.insert(c.codigo);
    }
    return QStringLiteral("%1 procedimentos incluídos, %2 excluídos, %3 alterados; %4 mudanças nas outras tabelas")
        .arg(added).arg(removed).arg(static_cast<int>(changed.size())).arg(lists);
}

} // namespace korvane
