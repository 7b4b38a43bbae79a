#include "competence.h"

#include "update/history.h"

#include <algorithm>

#include "core/money.h"
#include "core/text.h"
#include "model/procsearch.h"
#include "model/reportdata.h"
#include "model/statements.h"

#include "db/query.h"
#include "db/transaction.h"

#include <QRegularExpression>
#include <QStringList>

#include <stdexcept>

namespace korvane {
namespace {

namespace st = statements;

QString moneyText(const kdb::Value& v) { return v.isNull() ? QStringLiteral("—") : formatMoney(v.asDecimal()); }

QString plain(const QString& s) { return s.isEmpty() ? QStringLiteral("—") : s; }

std::optional<kdb::Decimal> decimalOf(const kdb::Value& v)
{
    if (v.isNull()) return std::nullopt;
    return v.asDecimal();
}

// Equal amounts at different scales are the same amount.
bool sameMoney(const kdb::Value& a, const kdb::Value& b)
{
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    return a.asDecimal() == b.asDecimal();
}

} // namespace

std::vector<QString> rowChanges(const CodeRow& earlier, const CodeRow& now)
{
    if (!earlier.found && !now.found) return {};
    if (!earlier.found) return {QStringLiteral("incluído")};
    if (!now.found) return {QStringLiteral("excluído")};
    std::vector<QString> out;
    const auto text = [&](const char* what, const QString& a, const QString& b) {
        if (a != b) out.push_back(QStringLiteral("%1: de %2 para %3").arg(QString::fromUtf8(what), plain(a), plain(b)));
    };
    const auto money = [&](const char* what, const kdb::Value& a, const kdb::Value& b) {
        if (!sameMoney(a, b))
            out.push_back(QStringLiteral("%1: de %2 para %3").arg(QString::fromUtf8(what), moneyText(a), moneyText(b)));
    };
    text("Nome", earlier.name, now.name);
    money("Valor SA", earlier.sa, now.sa);
    money("Valor SH", earlier.sh, now.sh);
    money("Valor SP", earlier.sp, now.sp);
    money("Total", earlier.total, now.total);
    text("Financiamento", earlier.financing, now.financing);
    text("Complexidade", earlier.complexity, now.complexity);
    text("Instrumentos", earlier.instruments, now.instruments);
    return out;
}

QString competenciaShown(const QString& aaaamm)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4})(\\d{2})$"));
    const auto m = form.match(aaaamm);
    return m.hasMatch() ? m.captured(2) + QLatin1Char('/') + m.captured(1) : aaaamm;
}

QString competenciaOf(const QString& shown)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{2})/(\\d{4})$"));
    const auto m = form.match(shown.trimmed());
    return m.hasMatch() ? m.captured(2) + m.captured(1) : shown.trimmed();
}

LoadedRelease::LoadedRelease(kdb::Connection& connection)
    : connection_(connection),
      transaction_(std::make_unique<kdb::Transaction>(connection, kdb::Transaction::Access::ReadOnly))
{
    procedure_ = std::make_unique<kdb::Query>(connection_, *transaction_);
    procedure_->setSql(st::kImpProcIndi.sql);
    instruments_ = std::make_unique<kdb::Query>(connection_, *transaction_);
    instruments_->setSql(st::kProcregistro.sql);
    versao_ = std::make_unique<kdb::Query>(connection_, *transaction_);
    versao_->setSql(st::kVersao);
}

LoadedRelease::~LoadedRelease()
{
    // The statements before the transaction they run in.
    procedure_.reset();
    instruments_.reset();
    versao_.reset();
}

std::vector<QString> LoadedRelease::competencias()
{
    if (keepsHistory(connection_)) {
        // The one consulted first, then the others, newest first.
        kdb::Transaction tr(connection_, kdb::Transaction::Access::ReadOnly);
        const std::vector<KeptRelease> kept = keptReleases(connection_, tr);
        const std::string consulted = consultedCompetencia(connection_, tr);
        tr.commit();
        std::vector<QString> out;
        if (!consulted.empty()) out.push_back(QString::fromStdString(consulted));
        for (auto it = kept.rbegin(); it != kept.rend(); ++it)
            if (it->competencia != consulted) out.push_back(QString::fromStdString(it->competencia));
        return out;
    }
    versao_->close();
    versao_->open();
    if (versao_->isEmpty()) return {};
    return {competenciaOf(fromWin1252(trimmed(versao_->field("VERSAO").toString())))};
}

CodeRow LoadedRelease::read(const std::string& code)
{
    CodeRow row;
    row.code = code;
    procedure_->close();
    procedure_->setParam(st::kImpProcIndi.param, code);
    procedure_->open();
    if (procedure_->isEmpty()) return row;
    row.found = true;
    row.name = fromWin1252(trimmed(procedure_->field("PROC_DESCR").toString()));
    row.sa = procedure_->field("PROC_VL_SA");
    row.sh = procedure_->field("PROC_VL_SH");
    row.sp = procedure_->field("PROC_VL_SP");
    if (auto total = totalShSp(decimalOf(row.sa), decimalOf(row.sh), decimalOf(row.sp))) row.total = kdb::Value(*total);
    row.financing = fromWin1252(trimmed(procedure_->field("FINANC_DESCR").toString()));
    row.complexity = fromWin1252(complexidade(procedure_->field("PROC_COMPLEX")));
    instruments_->close();
    instruments_->setParam(st::kProcregistro.param, code);
    instruments_->open();
    instruments_->fetchAll();
    QStringList names;
    for (std::size_t r = 0; r < instruments_->rowCount(); ++r)
        names << fromWin1252(trimmed(instruments_->value(r, static_cast<std::size_t>(instruments_->fieldIndex("REG_DESCR"))).toString()));
    row.instruments = names.join(QStringLiteral(" / "));
    return row;
}

std::vector<CodeRow> LoadedRelease::rows(const QString& competencia, const std::vector<std::string>& codes)
{
    const std::vector<QString> kept = competencias();
    if (std::find(kept.begin(), kept.end(), competencia) == kept.end())
        throw std::runtime_error("a competência " + competenciaShown(competencia).toStdString() +
                                 " não está neste banco");
    const ConsultedFor consulted(connection_, competencia.toStdString());
    std::vector<CodeRow> out;
    out.reserve(codes.size());
    for (const std::string& c : codes) out.push_back(read(c));
    return out;
}

} // namespace korvane
