#include "uListaCodigos.h"

#include "core/text.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/gridexport.h"
#include "ui/reportoutput.h"
#include "ui/style.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kNoComparison = QStringLiteral("(sem comparação)");

} // namespace

TfrmListaCodigos::TfrmListaCodigos(kdb::Connection& connection, std::function<void(const QString&)> handBack,
                                   QWidget* parent)
    : QDialog(parent), batch_(std::make_unique<korvane::LoadedRelease>(connection)), report_(batch_),
      handBack_(std::move(handBack))
{
    setObjectName(QStringLiteral("frmListaCodigos"));
    setWindowTitle(QStringLiteral("KORVANE  NORTEVIA"));
    setModal(true);
    setFont(kui::tahoma(12));
    resize(1350, 640);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(kui::navyBanner(QStringLiteral("LISTA DE CÓDIGOS"), QStringLiteral("Panel1"),
                                 kui::pixelFont(QStringLiteral("Times New Roman"), 32)));
    v->addWidget(buildEntry());
    v->addWidget(buildCompetencia());
    dbgCodigos = new kui::DBGrid(QStringLiteral("dbgCodigos"));
    std::vector<kui::Column> columns;
    for (const QString& f : korvane::CodeBatch::columns()) columns.emplace_back(f);
    dbgCodigos->bind(batch_.cdsCodigos(), std::move(columns));
    dbgCodigos->setExportName(QStringLiteral("Lista de códigos"));
    dbgCodigos->setStriped(true);
    v->addWidget(dbgCodigos, 1);
    v->addWidget(buildButtons());
    kui::installWindowKeys(this);

    kui::guarded(this, [this] {
        batch_.open();
        lblCompetencia->setText(QStringLiteral("Competência: %1").arg(korvane::competenciaShown(batch_.competencia())));
        for (const QString& c : batch_.earlier()) cmbComparar->addItem(korvane::competenciaShown(c), c);
        cmbComparar->setEnabled(batch_.canCompare());
        lblComparacao->setText(batch_.comparisonNote());
        showCounts();
    });
}

TfrmListaCodigos::~TfrmListaCodigos() = default;

QWidget* TfrmListaCodigos::buildEntry()
{
    QFrame* band = kui::sunkenBand(118, QStringLiteral("Panel2"));
    auto* h = new QHBoxLayout(band);
    h->setContentsMargins(6, 4, 6, 4);
    auto* label = new QLabel(QStringLiteral("CÓDIGOS:"));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    memCodigos = new QPlainTextEdit;
    memCodigos->setObjectName(QStringLiteral("memCodigos"));
    memCodigos->setPlaceholderText(
        QStringLiteral("Cole os códigos aqui, em qualquer máscara: um por linha, ou separados por espaços, vírgulas ou ponto e vírgula"));
    label->setBuddy(memCodigos);
    auto* buttons = new QVBoxLayout;
    btnConsultar = new QPushButton(QStringLiteral("Consultar"));
    btnConsultar->setObjectName(QStringLiteral("btnConsultar"));
    btnAbrir = new QPushButton(QStringLiteral("Abrir arquivo..."));
    btnAbrir->setObjectName(QStringLiteral("btnAbrir"));
    for (QPushButton* b : {btnConsultar, btnAbrir}) {
        b->setAutoDefault(false);
        b->setFixedWidth(130);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    h->addWidget(label);
    h->addWidget(memCodigos, 1);
    h->addLayout(buttons);
    connect(btnConsultar, &QPushButton::clicked, this, kui::guardedSlot(this, [this] { btnConsultarClick(); }));
    connect(btnAbrir, &QPushButton::clicked, this, kui::guardedSlot(this, [this] { btnAbrirClick(); }));
    return band;
}

QWidget* TfrmListaCodigos::buildCompetencia()
{
    QFrame* band = kui::sunkenBand(34, QStringLiteral("Panel3"));
    auto* h = new QHBoxLayout(band);
    h->setContentsMargins(6, 2, 6, 2);
    lblCompetencia = new QLabel;
    lblCompetencia->setObjectName(QStringLiteral("lblCompetencia"));
    lblCompetencia->setFont(kui::tahoma(12, true));
    auto* compare = new QLabel(QStringLiteral("Comparar com:"));
    cmbComparar = new QComboBox;
    cmbComparar->setObjectName(QStringLiteral("cmbComparar"));
    cmbComparar->addItem(kNoComparison, QString());
    cmbComparar->setMinimumWidth(140);
    compare->setBuddy(cmbComparar);
    lblComparacao = new QLabel;
    lblComparacao->setObjectName(QStringLiteral("lblComparacao"));
    h->addWidget(lblCompetencia);
    h->addSpacing(24);
    h->addWidget(compare);
    h->addWidget(cmbComparar);
    h->addWidget(lblComparacao, 1);
    connect(cmbComparar, &QComboBox::currentIndexChanged, this, kui::guardedSlot(this, [this] { cmbCompararChange(); }));
    return band;
}

QWidget* TfrmListaCodigos::buildButtons()
{
    QFrame* band = kui::sunkenBand(41, QStringLiteral("Panel4"));
    auto* h = new QHBoxLayout(band);
    h->setContentsMargins(6, 2, 4, 2);
    lblContagem = new QLabel;
    lblContagem->setObjectName(QStringLiteral("lblContagem"));
    btnExportar = new QPushButton(QStringLiteral("Exportar..."));
    btnExportar->setObjectName(QStringLiteral("btnExportar"));
    btnImprimir = new QPushButton(QStringLiteral("Imprimir..."));
    btnImprimir->setObjectName(QStringLiteral("btnImprimir"));
    BitBtn1 = kui::exitButton();
    BitBtn1->setFixedSize(95, 37);
    h->addWidget(lblContagem, 1);
    for (QPushButton* b : {btnExportar, btnImprimir}) {
        b->setAutoDefault(false);
        b->setFixedHeight(37);
        h->addWidget(b);
    }
    h->addWidget(BitBtn1);
    connect(btnExportar, &QPushButton::clicked, this, kui::guardedSlot(this, [this] { btnExportarClick(); }));
    connect(btnImprimir, &QPushButton::clicked, this, kui::guardedSlot(this, [this] { btnImprimirClick(); }));
    connect(dbgCodigos, &kui::DBGrid::dblClick, this, kui::guardedSlot(this, [this] { dbgCodigosDblClick(); }));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::close);
    return band;
}

void TfrmListaCodigos::showCounts()
{
    const std::size_t n = batch_.codes().size();
    lblContagem->setText(n == 0 ? QString()
                                : QStringLiteral("%1 código(s); %2 não encontrado(s) nesta competência")
                                      .arg(n)
                                      .arg(batch_.notFound()));
}

void TfrmListaCodigos::btnConsultarClick()
{
    batch_.setText(memCodigos->toPlainText());
    showCounts();
}

void TfrmListaCodigos::btnAbrirClick()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Abrir lista de códigos"), QString(),
                                                      QStringLiteral("Listas (*.xlsx *.csv *.txt);;Todos os arquivos (*)"));
    if (path.isEmpty()) return;
    batch_.openFile(path);
    QStringList typed;
    for (const korvane::GivenCode& c : batch_.codes()) typed << c.typed;
    memCodigos->setPlainText(typed.join(QLatin1Char('\n')));
    showCounts();
}

void TfrmListaCodigos::cmbCompararChange()
{
    batch_.compareWith(cmbComparar->currentData().toString());
}

void TfrmListaCodigos::btnExportarClick() { kui::exportGrid(*dbgCodigos, dbgCodigos->exportName()); }

void TfrmListaCodigos::btnImprimirClick() { kui::runReport(*report_.RvListaCodigos(), this); }

void TfrmListaCodigos::dbgCodigosDblClick()
{
    const QString code = korvane::trimmedText(batch_.cdsCodigos()->currentText(QStringLiteral("CODIGO")));
    // Only a code the competência has can be searched.
    if (code.isEmpty() || batch_.cdsCodigos()->currentText(QStringLiteral("NOME")).isEmpty()) return;
    handBack_(code);
    close();
}
