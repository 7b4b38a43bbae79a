#include "historypage.h"

#include "model/browser.h"
#include "model/historymodel.h"
#include "ui/dbgrid.h"

#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

HistoryPage::HistoryPage(korvane::BrowserModel& model, QWidget* parent)
    : QWidget(parent), model_(model),
      history_(std::make_unique<korvane::HistoryModel>(model.connection(), model.readTransaction()))
{
    setObjectName(QStringLiteral("TabSheetHistorico"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    dbgHistorico = new kui::DBGrid(QStringLiteral("dbgHistorico"));
    std::vector<kui::Column> runs = {
        {QStringLiteral("COMPETENCIAS"), QStringLiteral("Competências"), 130},
        {QStringLiteral("SITUACAO"), QStringLiteral("Situação"), 110},
        {QStringLiteral("PROC_DESCR"), QStringLiteral("Procedimento"), 300},
        {QStringLiteral("VL_SA"), QStringLiteral("SA"), 70},
        {QStringLiteral("VL_SH"), QStringLiteral("SH"), 70},
        {QStringLiteral("VL_SP"), QStringLiteral("SP"), 70},
        {QStringLiteral("VL_TOTAL"), QStringLiteral("Total"), 70},
        {QStringLiteral("FINANCIAMENTO"), QStringLiteral("Fin."), 34},
        {QStringLiteral("COMPLEXIDADE"), QStringLiteral("Complexidade"), 150},
        {QStringLiteral("SEXO"), QStringLiteral("Sexo"), 36},
        {QStringLiteral("IDADE_MINIMA"), QStringLiteral("Idade mín."), 110},
        {QStringLiteral("IDADE_MAXIMA"), QStringLiteral("Idade máx."), 110},
        {QStringLiteral("QT_MAXIMA"), QStringLiteral("Qtd máx."), 56},
    };
    for (const korvane::CountedList& l : korvane::countedLists())
        runs.push_back({QString::fromLatin1(l.column), QString::fromUtf8(l.title), 52});
    dbgHistorico->bind(history_->qryHistorico(), std::move(runs));

    auto* changes = new QLabel(QStringLiteral("O que mudou no começo de cada período:"));
    changes->setObjectName(QStringLiteral("lblMudancas"));
    dbgMudancas = new kui::DBGrid(QStringLiteral("dbgMudancas"));
    dbgMudancas->bind(history_->qryMudancas(), {{QStringLiteral("COMPETENCIA"), QStringLiteral("Desde"), 64},
                                                {QStringLiteral("ARQUIVO"), QStringLiteral("Arquivo"), 190},
                                                {QStringLiteral("MUDANCA"), QStringLiteral("Mudança"), 70},
                                                {QStringLiteral("CHAVE"), QStringLiteral("Chave"), 120},
                                                {QStringLiteral("CAMPO"), QStringLiteral("Campo"), 140},
                                                {QStringLiteral("ANTES"), QStringLiteral("Antes"), 260},
                                                {QStringLiteral("DEPOIS"), QStringLiteral("Depois"), 260}});
    layout->addWidget(dbgHistorico, 1);
    layout->addWidget(changes);
    layout->addWidget(dbgMudancas, 1);
}

HistoryPage::~HistoryPage() = default;

void HistoryPage::follow()
{
    if (!isVisible()) return;
    const std::string code = model_.currentProcedureCode();
    if (code == history_->code() && !history_->runs().empty()) return;
    history_->show(code);
}

void HistoryPage::releaseLoaded()
{
    history_->show(std::string());
    follow();
}

void HistoryPage::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    follow();
}
