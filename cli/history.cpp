#include "history.h"

#include "core/text.h"
#include "model/browser.h"
#include "model/diffmodel.h"
#include "model/historymodel.h"
#include "update/releaseinfo.h"

#include <QFile>

#include <cstdio>

namespace cli {
namespace {

QString procedureCode(const QString& typed)
{
    const std::vector<std::string> codes = korvane::parseCodes(typed);
    if (codes.size() != 1) throw UsageError("diga o código de um procedimento (10 dígitos, com ou sem máscara)");
    return QString::fromStdString(codes.front());
}

void printChange(const korvane::RowChange& c, const char* indent)
{
    QString line = QString::fromLatin1(indent) + QString::fromStdString(c.arquivo) + QStringLiteral("  ") +
                   QString::fromLatin1(korvane::mudancaName(c.mudanca)) + QStringLiteral("  ") + QString::fromStdString(c.codigo);
    if (!c.chave.empty()) line += QStringLiteral("  ") + korvane::fromWin1252(c.chave);
    if (!c.campo.empty())
        line += QStringLiteral("  ") + QString::fromStdString(c.campo) + QStringLiteral(": ") +
                korvane::valueShown(c.campo, c.antes) + QStringLiteral(" → ") + korvane::valueShown(c.campo, c.depois);
    std::printf("%s\n", line.toUtf8().constData());
}

} // namespace

int history(const Context& context, const QStringList& args)
{
    const Words w = split(args, {});
    if (w.positional.size() != 1) throw UsageError("diga o código de um procedimento");
    const QString code = procedureCode(w.positional.front());
    korvane::BrowserModel m(context.database);
    korvane::HistoryModel h(m.connection(), m.readTransaction());
    h.show(code.toStdString());
    if (context.format != Format::Human) {
        std::vector<QString> fields;
        for (const auto& c : h.qryHistorico()->columns()) fields.push_back(c.name);
        std::vector<QString> changeFields;
        for (const auto& c : h.qryMudancas()->columns()) changeFields.push_back(c.name);
        if (context.format == Format::Csv) {
            Writer(context.format, stdout).list(kdata::extract(*h.qryHistorico(), fields));
        } else {
            Writer(context.format, stdout)
                .record({{QStringLiteral("codigo"), QStringLiteral("Código"), code, kdb::Value(code.toStdString())}},
                        {{QStringLiteral("historico"), kdata::extract(*h.qryHistorico(), fields)},
                         {QStringLiteral("mudancas"), kdata::extract(*h.qryMudancas(), changeFields)}});
        }
        return 0;
    }
    const std::vector<korvane::HistoryRun>& runs = h.runs();
    if (runs.empty()) throw std::runtime_error("o banco não guarda nenhuma competência");
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const korvane::HistoryRun& r = runs[i];
        std::printf("%s  %s\n", korvane::runShown(r).c_str(), korvane::situacaoOf(runs, i).c_str());
        if (r.present) {
            QString values;
            for (const auto& [campo, value] : r.fields)
                if (campo != "CO_PROCEDIMENTO") values += QStringLiteral("  ") + QString::fromStdString(campo) + QLatin1Char('=') + korvane::valueShown(campo, value);
            std::printf("   %s\n", values.trimmed().toUtf8().constData());
            QString counts;
            for (const auto& [arquivo, n] : r.counts) counts += QStringLiteral("  %1=%2").arg(QString::fromStdString(arquivo)).arg(n);
            std::printf("   %s\n", counts.trimmed().toUtf8().constData());
        }
        for (const korvane::RowChange& c : r.changes) printChange(c, "   * ");
    }
    return 0;
}

int diff(const Context& context, const QStringList& args)
{
    const Words w = split(args, {QStringLiteral("--grupo"), QStringLiteral("--subgrupo"), QStringLiteral("--forma"),
                                 QStringLiteral("--codigos")});
    if (w.positional.size() != 2) throw UsageError("diga duas competências: diff AAAAMM AAAAMM");
    korvane::DiffRequest request{w.positional[0].toStdString(), w.positional[1].toStdString(), {}, {}};
    for (const char* level : {"--forma", "--subgrupo", "--grupo"})
        if (auto it = w.options.find(QString::fromLatin1(level)); it != w.options.end() && request.prefix.empty())
            request.prefix = it->second.toStdString();
    if (auto it = w.options.find(QStringLiteral("--codigos")); it != w.options.end()) {
        // A file of codes, or the codes themselves.
        QString text = it->second;
        QFile file(text);
        if (file.exists()) {
            if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("não consegui ler " + text.toStdString());
            text = QString::fromUtf8(file.readAll());
        }
        std::vector<QString> refused;
        request.codes = korvane::parseCodes(text, &refused);
        if (!refused.empty()) throw UsageError("não é um código de procedimento: " + refused.front().toStdString());
    }
    korvane::BrowserModel m(context.database);
    const std::vector<korvane::RowChange> changes = korvane::runDiff(m.connection(), m.readTransaction(), request);
    if (context.format != Format::Human) {
        Writer(context.format, stdout).list(korvane::changesExtract(changes));
        return 0;
    }
    for (const korvane::RowChange& c : changes) printChange(c, "");
    std::printf("%zu mudanças\n", changes.size());
    return 0;
}

int competencias(const Context& context, const QStringList& args)
{
    if (!split(args, {}).positional.isEmpty()) throw UsageError("competencias não leva argumentos");
    korvane::BrowserModel m(context.database);
    const std::vector<korvane::KeptRelease> kept = m.competencias();
    kdata::Extract e;
    for (const char* name : {"competencia", "versao", "publicacao"})
        e.columns.push_back({QString::fromLatin1(name).toUpper(), QString::fromLatin1(name), kdata::ExtractColumn::Kind::Text});
    for (const korvane::KeptRelease& k : kept) {
        std::vector<std::string> cells = {k.competencia, k.versao, k.stamp};
        std::vector<kdb::Value> values;
        std::vector<QString> shown;
        for (const std::string& s : cells) {
            values.push_back(s.empty() ? kdb::Value() : kdb::Value(s));
            shown.push_back(QString::fromStdString(s));
        }
        e.values.push_back(std::move(values));
        e.shown.push_back(std::move(shown));
    }
    Writer(context.format, stdout).list(e);
    return 0;
}

} // namespace cli
