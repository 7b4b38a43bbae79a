#include "codebatch.h"

#include "core/text.h"
#include "export/sheetfile.h"

#include <QStringList>

#include <algorithm>
#include <stdexcept>

namespace korvane {
namespace {

struct Field {
    const char* name;
    const char* title;
    int size;    // characters
    int width;   // pixels a grid gives it: the whole row fits a 1366-pixel screen
    bool money;
};

const Field kFields[] = {
    {"CODIGO", "Código", 14, 78, false},
    {"NOME", "Procedimento", 60, 300, false},
    {"VALOR_SA", "Valor SA", 12, 68, true},
    {"VALOR_SH", "Valor SH", 12, 68, true},
    {"VALOR_SP", "Valor SP", 12, 68, true},
    {"TOTAL", "Total", 12, 68, true},
    {"FINANCIAMENTO", "Financiamento", 30, 170, false},
    {"COMPLEXIDADE", "Complexidade", 20, 125, false},
    {"INSTRUMENTOS", "Instrumentos de registro", 40, 160, false},
    {"SITUACAO", "Situação", 40, 230, false},
};

std::vector<kdata::MemoryTable::ColumnDef> columnDefs()
{
    std::vector<kdata::MemoryTable::ColumnDef> defs;
    for (const Field& f : kFields) defs.push_back({QString::fromLatin1(f.name), f.size});
    return defs;
}

kdb::Value textValue(const QString& s) { return s.isEmpty() ? kdb::Value() : kdb::Value(toWin1252(s)); }

} // namespace

const QString CodeBatch::kValid = QStringLiteral("válido");
const QString CodeBatch::kNotInCompetencia = QStringLiteral("não está nesta competência");
const QString CodeBatch::kInvalidCode = QStringLiteral("código inválido");

CodeBatch::CodeBatch(std::unique_ptr<CompetenceRows> source, QObject* parent)
    : QObject(parent), source_(std::move(source))
{
    setObjectName(QStringLiteral("codeBatch"));
    cdsCodigos_ = new kdata::MemoryTable(QStringLiteral("cdsCodigos"), columnDefs(), this);
    for (const Field& f : kFields)
        cdsCodigos_->setFieldDef({QString::fromLatin1(f.name), QString::fromUtf8(f.title), f.width,
                                  f.money ? kdata::DisplayFormat::Money : kdata::DisplayFormat::Plain});
    cdsCodigos_->createDataSet();
}

CodeBatch::~CodeBatch() = default;

const std::vector<QString>& CodeBatch::columns()
{
    static const std::vector<QString> names = [] {
        std::vector<QString> out;
        for (const Field& f : kFields) out.push_back(QString::fromLatin1(f.name));
        return out;
    }();
    return names;
}

void CodeBatch::open()
{
    std::vector<QString> kept = source_->competencias();
    if (kept.empty()) throw std::runtime_error("o banco não tem competência carregada");
    competencia_ = kept.front();
    earlier_.assign(kept.begin() + 1, kept.end());
    if (std::find(earlier_.begin(), earlier_.end(), comparedWith_) == earlier_.end()) comparedWith_.clear();
    refresh();
}

QString CodeBatch::comparisonNote() const
{
    if (canCompare()) return {};
    return QStringLiteral("A comparação pede mais de uma competência guardada; este banco guarda só %1.")
        .arg(competenciaShown(competencia_));
}

void CodeBatch::setCodes(std::vector<GivenCode> codes)
{
    codes_ = std::move(codes);
    refresh();
}

void CodeBatch::setText(const QString& text) { setCodes(codesInText(text)); }

void CodeBatch::openFile(const QString& path) { setCodes(codesInCells(kexport::readTable(path))); }

void CodeBatch::compareWith(const QString& competencia)
{
    if (!competencia.isEmpty() && std::find(earlier_.begin(), earlier_.end(), competencia) == earlier_.end())
        throw std::invalid_argument(comparisonNote().isEmpty()
                                        ? "a competência " + competenciaShown(competencia).toStdString() +
                                              " não está guardada neste banco"
                                        : comparisonNote().toStdString());
    comparedWith_ = competencia;
    refresh();
}

QString CodeBatch::status(const GivenCode& given, const CodeRow& now, const CodeRow* earlier) const
{
    if (given.code.empty()) return kInvalidCode;
    const QString base = now.found ? kValid : kNotInCompetencia;
    if (!earlier) return base;
    const QString since = competenciaShown(comparedWith_);
    const std::vector<QString> changes = rowChanges(*earlier, now);
    if (changes.empty())
        return now.found ? QStringLiteral("%1; sem alteração desde %2").arg(base, since) : base;
    QStringList parts(changes.begin(), changes.end());
    return QStringLiteral("%1; alterado desde %2: %3").arg(base, since, parts.join(QStringLiteral("; ")));
}

void CodeBatch::refresh()
{
    std::vector<std::string> wanted;
    for (const GivenCode& g : codes_)
        if (!g.code.empty()) wanted.push_back(g.code);
    std::vector<CodeRow> now, before;
    if (!competencia_.isEmpty() && !wanted.empty()) {
        now = source_->rows(competencia_, wanted);
        if (!comparedWith_.isEmpty()) before = source_->rows(comparedWith_, wanted);
    }
    kdata::RecordSet::Quiet quiet(*cdsCodigos_);
    cdsCodigos_->emptyDataSet();
    notFound_ = 0;
    std::size_t next = 0;
    for (const GivenCode& g : codes_) {
        const CodeRow none;
        const bool valid = !g.code.empty() && next < now.size();
        const CodeRow& row = valid ? now[next] : none;
        const CodeRow* earlier = valid && next < before.size() ? &before[next] : nullptr;
        if (valid) ++next;
        if (!row.found) ++notFound_;
        cdsCodigos_->append();
        cdsCodigos_->set(QStringLiteral("CODIGO"), textValue(g.code.empty() ? g.typed : QString::fromStdString(g.code)));
        cdsCodigos_->set(QStringLiteral("NOME"), textValue(row.name));
        cdsCodigos_->set(QStringLiteral("VALOR_SA"), row.sa);
        cdsCodigos_->set(QStringLiteral("VALOR_SH"), row.sh);
        cdsCodigos_->set(QStringLiteral("VALOR_SP"), row.sp);
        cdsCodigos_->set(QStringLiteral("TOTAL"), row.total);
        cdsCodigos_->set(QStringLiteral("FINANCIAMENTO"), textValue(row.financing));
        cdsCodigos_->set(QStringLiteral("COMPLEXIDADE"), textValue(row.complexity));
        cdsCodigos_->set(QStringLiteral("INSTRUMENTOS"), textValue(row.instruments));
        cdsCodigos_->set(QStringLiteral("SITUACAO"), textValue(status(g, row, earlier)));
        cdsCodigos_->post();
    }
    cdsCodigos_->first();
    emit refreshed();
}

} // namespace korvane
