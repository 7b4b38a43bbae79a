#include "uMudancas.h"

#include "core/text.h"
#include "model/browser.h"
#include "model/diffmodel.h"
#include "reports/diffreport.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/reportoutput.h"
#include "update/releaseinfo.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmMudancas::TfrmMudancas(korvane::BrowserModel& browser, QWidget* parent)
    : QDialog(parent), browser_(browser),
      diff_(std::make_unique<korvane::DiffModel>(browser.connection(), browser.readTransaction()))
{
    setObjectName(QStringLiteral("frmMudancas"));
    setWindowTitle(QStringLiteral("O QUE MUDOU"));
    report_ = new kreports::DiffReport(*diff_, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildChoices());
    lblResumo = new QLabel;
    lblResumo->setObjectName(QStringLiteral("lblResumo"));
    layout->addWidget(lblResumo);
    dbgMudancas = new kui::DBGrid(QStringLiteral("dbgMudancas"));
    dbgMudancas->bind(diff_->qryDiferencas(), {{QStringLiteral("ARQUIVO"), QStringLiteral("Arquivo"), 190},
                                               {QStringLiteral("MUDANCA"), QStringLiteral("Mudança"), 70},
                                               {QStringLiteral("CODIGO"), QStringLiteral("Código"), 86},
                                               {QStringLiteral("PROC_DESCR"), QStringLiteral("Procedimento"), 320},
                                               {QStringLiteral("CHAVE"), QStringLiteral("Chave"), 110},
                                               {QStringLiteral("CAMPO"), QStringLiteral("Campo"), 140},
                                               {QStringLiteral("ANTES"), QStringLiteral("Antes"), 200},
                                               {QStringLiteral("DEPOIS"), QStringLiteral("Depois"), 200}});
    layout->addWidget(dbgMudancas, 1);
    resize(1280, 720);
}

TfrmMudancas::~TfrmMudancas() = default;

QWidget* TfrmMudancas::buildChoices()
{
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    cmbDe = new QComboBox;
    cmbDe->setObjectName(QStringLiteral("cmbDe"));
    cmbPara = new QComboBox;
    cmbPara->setObjectName(QStringLiteral("cmbPara"));
    const std::vector<korvane::KeptRelease> kept = browser_.competencias();
    const std::string consulted = browser_.competencia();
    int at = -1;
    for (const korvane::KeptRelease& k : kept) {
        const QString shown = QString::fromStdString(korvane::competenciaShown(k.competencia));
        cmbDe->addItem(shown, QString::fromStdString(k.competencia));
        cmbPara->addItem(shown, QString::fromStdString(k.competencia));
        if (k.competencia == consulted) at = cmbPara->count() - 1;
    }
    if (at < 0) at = cmbPara->count() - 1;
    cmbPara->setCurrentIndex(at);
    cmbDe->setCurrentIndex(std::max(0, at - 1));

    const korvane::HierarchyFilter f = browser_.hierarchyFilter();
    edtNivel = new QLineEdit(QString::fromStdString(f.grupo + f.subgrupo + f.fo));
    edtNivel->setObjectName(QStringLiteral("edtNivel"));
    edtNivel->setPlaceholderText(QStringLiteral("grupo, subgrupo ou forma: 2, 4 ou 6 dígitos"));
    edtCodigos = new QPlainTextEdit;
    edtCodigos->setObjectName(QStringLiteral("edtCodigos"));
    edtCodigos->setPlaceholderText(QStringLiteral("códigos de procedimentos, um por linha ou separados por espaço, vírgula ou ponto e vírgula"));
    edtCodigos->setFixedHeight(52);
    edtCodigos->setTabChangesFocus(true);
    btnComparar = new QPushButton(QStringLiteral("COMPARAR"));
    btnComparar->setObjectName(QStringLiteral("btnComparar"));
    btnComparar->setDefault(true);
    btnImprimir = new QPushButton(QStringLiteral("IMPRIMIR"));
    btnImprimir->setObjectName(QStringLiteral("btnImprimir"));
    connect(btnComparar, &QPushButton::clicked, this, kui::guardedSlot(this, [this] { btnCompararClick(); }));
    connect(btnImprimir, &QPushButton::clicked, this, kui::guardedSlot(this, [this] { btnImprimirClick(); }));

    grid->addWidget(new QLabel(QStringLiteral("De:")), 0, 0);
    grid->addWidget(cmbDe, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Para:")), 0, 2);
    grid->addWidget(cmbPara, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Parte da tabela:")), 0, 4);
    grid->addWidget(edtNivel, 0, 5);
    grid->addWidget(btnComparar, 0, 6);
    grid->addWidget(btnImprimir, 0, 7);
    grid->addWidget(new QLabel(QStringLiteral("Códigos:")), 1, 0);
    grid->addWidget(edtCodigos, 1, 1, 1, 7);
    grid->setColumnStretch(5, 1);
    return box;
}

void TfrmMudancas::btnCompararClick()
{
    korvane::DiffRequest request;
    request.from = cmbDe->currentData().toString().toStdString();
    request.to = cmbPara->currentData().toString().toStdString();
    const QString nivel = edtNivel->text().remove(QLatin1Char('.')).trimmed();
    if (!nivel.isEmpty() && (nivel.size() % 2 != 0 || nivel.size() > 6 ||
                             !std::all_of(nivel.begin(), nivel.end(), [](QChar c) { return c.isDigit(); })))
        throw std::invalid_argument("A parte da tabela é um código de grupo (2 dígitos), subgrupo (4) ou forma (6).");
    request.prefix = nivel.toStdString();
    std::vector<QString> refused;
    request.codes = korvane::parseCodes(edtCodigos->toPlainText(), &refused);
    if (!refused.empty()) throw std::invalid_argument("Não é um código de procedimento: " + refused.front().toStdString());
    diff_->run(request);
    lblResumo->setText(title() + QStringLiteral(":  ") + diff_->summary());
}

QString TfrmMudancas::title() const
{
    QString t = QStringLiteral("De ") + cmbDe->currentText() + QStringLiteral(" para ") + cmbPara->currentText();
    if (!edtNivel->text().trimmed().isEmpty()) t += QStringLiteral(", parte ") + edtNivel->text().trimmed();
    if (!edtCodigos->toPlainText().trimmed().isEmpty()) t += QStringLiteral(", códigos escolhidos");
    return t;
}

void TfrmMudancas::btnImprimirClick()
{
    if (!diff_->qryDiferencas()->isOpen()) btnCompararClick();
    report_->run(QStringLiteral("O que mudou: ") + title(), diff_->summary(),
                 [this](kreports::TRvProject& p) { kui::runReport(p, this); });
}
