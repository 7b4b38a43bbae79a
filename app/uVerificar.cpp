#include "uVerificar.h"

#include "model/checktable.h"
#include "ui/dbgrid.h"
#include "ui/dbmemo.h"
#include "ui/dialogs.h"
#include "ui/style.h"
#include "ui/upperedit.h"
#include "update/releaseinfo.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

[[noreturn]] void unreadable(const char* field, const char* shape)
{
    throw std::runtime_error(std::string("Campo ") + field + ": " + shape);
}

QLabel* caption(const QString& text)
{
    auto* l = new QLabel(text);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QLineEdit* field(const QString& name, const QString& hint, int width = -1)
{
    auto* e = new kui::UpperCaseEdit(name);
    e->setPlaceholderText(hint);
    if (width > 0) e->setFixedWidth(width);
    return e;
}

// The colour of a verdict at the top: green, red, or amber for a look.
QString verdictStyle(korvane::Verdict v)
{
    const char* colour = v == korvane::Verdict::Accepted ? "#1d7a1d" : v == korvane::Verdict::Refused ? "#b00000" : "#a06000";
    return QStringLiteral("color: white; background: %1; font-weight: bold; padding: 4px;").arg(QLatin1String(colour));
}

} // namespace

TfrmVerificar::TfrmVerificar(kdb::Connection& connection, const std::string& procedure, QWidget* parent)
    : QDialog(parent), checker_(connection), rules_(korvane::makeRulesTable())
{
    setObjectName(QStringLiteral("frmVerificar"));
    setWindowTitle(QStringLiteral("KORVANE  NORTEVIA"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(kui::tahoma(13));
    resize(1100, 700);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(kui::navyBanner(QStringLiteral("VERIFICAR"), QStringLiteral("Panel1"),
                                 kui::pixelFont(QStringLiteral("Times New Roman"), 32)));
    v->addWidget(buildFields());
    lblVeredito = new QLabel;
    lblVeredito->setObjectName(QStringLiteral("lblVeredito"));
    lblVeredito->setFont(kui::tahoma(20, true));
    lblVeredito->setAlignment(Qt::AlignCenter);
    v->addWidget(lblVeredito);
    dbgRegras = new kui::DBGrid(QStringLiteral("dbgRegras"));
    dbgRegras->bind(rules_.get(), {kui::Column(QStringLiteral("REGRA"), {}, 210), kui::Column(QStringLiteral("VEREDITO"), {}, 110),
                                   kui::Column(QStringLiteral("MOTIVO"), {}, 560), kui::Column(QStringLiteral("TABELA"), {}, 300)});
    dbgRegras->setStriped(true);
    v->addWidget(dbgRegras, 1);
    dbmMotivo = new kui::DBMemo(QStringLiteral("dbmMotivo"));
    dbmMotivo->bind(rules_.get(), QStringLiteral("DETALHE"));
    dbmMotivo->setFixedHeight(64);
    v->addWidget(dbmMotivo);

    QFrame* bottom = kui::sunkenBand(41, QStringLiteral("Panel2"));
    auto* bh = new QHBoxLayout(bottom);
    bh->setContentsMargins(2, 2, 4, 2);
    btnVerificar = new QPushButton(QStringLiteral("VERIFICAR"));
    btnVerificar->setObjectName(QStringLiteral("btnVerificar"));
    btnVerificar->setFont(kui::tahoma(16, true));
    btnVerificar->setFixedSize(140, 37);
    btnVerificar->setDefault(true);
    bh->addWidget(btnVerificar);
    bh->addStretch(1);
    QPushButton* exit = kui::exitButton();
    exit->setFixedSize(95, 37);
    bh->addWidget(exit);
    v->addWidget(bottom);

    connect(btnVerificar, &QPushButton::clicked, this, kui::guardedSlot(this, [this] { btnVerificarClick(); }));
    connect(edtProcedimento, &QLineEdit::textChanged, this, kui::guardedSlot(this, [this] { showProcedureName(); }));
    kui::installWindowKeys(this);

    kui::guarded(this, [&] {
        edtCompetencia->setText(QString::fromStdString(korvane::competenciaShown(checker_.loadedCompetencia())));
        for (const auto& [code, name] : checker_.instruments())
            cbxInstrumento->addItem(QString::fromStdString(code) + QStringLiteral(" - ") + name, QString::fromStdString(code));
        edtProcedimento->setText(QString::fromStdString(procedure));
    });
    edtProcedimento->setFocus(Qt::OtherFocusReason);
}

TfrmVerificar::~TfrmVerificar() = default;

QWidget* TfrmVerificar::buildFields()
{
    QFrame* band = kui::sunkenBand(0, QStringLiteral("Panel3"));
    band->setMinimumHeight(0);
    band->setMaximumHeight(QWIDGETSIZE_MAX);
    auto* g = new QGridLayout(band);
    g->setContentsMargins(8, 6, 8, 6);
    g->setHorizontalSpacing(6);
    g->setVerticalSpacing(4);
    edtCompetencia = field(QStringLiteral("edtCompetencia"), QStringLiteral("MM/AAAA"), 90);
    cbxInstrumento = new QComboBox;
    cbxInstrumento->setObjectName(QStringLiteral("cbxInstrumento"));
    edtProcedimento = field(QStringLiteral("edtProcedimento"), QStringLiteral("código"), 120);
    lblProcedimento = new QLabel;
    lblProcedimento->setObjectName(QStringLiteral("lblProcedimento"));
    lblProcedimento->setFont(kui::tahoma(13, true));
    edtQuantidade = field(QStringLiteral("edtQuantidade"), QStringLiteral("1"), 60);
    edtIdade = field(QStringLiteral("edtIdade"), QStringLiteral("anos,meses"), 90);
    cbxSexo = new QComboBox;
    cbxSexo->setObjectName(QStringLiteral("cbxSexo"));
    cbxSexo->addItem(QString(), QString());
    cbxSexo->addItem(QStringLiteral("M - Masculino"), QStringLiteral("M"));
    cbxSexo->addItem(QStringLiteral("F - Feminino"), QStringLiteral("F"));
    edtCid = field(QStringLiteral("edtCid"), QStringLiteral("CID-10"), 90);
    edtCidSecundarios = field(QStringLiteral("edtCidSecundarios"), QStringLiteral("códigos separados por espaço"));
    edtCbo = field(QStringLiteral("edtCbo"), QStringLiteral("código"), 90);
    edtHabilitacoes = field(QStringLiteral("edtHabilitacoes"), QStringLiteral("ex.: 0801 0803"));
    edtServicos = field(QStringLiteral("edtServicos"), QStringLiteral("ex.: 121/001 135/003"));
    edtSecundarios = field(QStringLiteral("edtSecundarios"), QStringLiteral("código:quantidade, ex.: 0702010016:2"));

    g->addWidget(caption(QStringLiteral("Competência")), 0, 0);
    g->addWidget(edtCompetencia, 0, 1);
    g->addWidget(caption(QStringLiteral("Instrumento")), 0, 2);
    g->addWidget(cbxInstrumento, 0, 3, 1, 3);
    g->addWidget(caption(QStringLiteral("Procedimento")), 1, 0);
    g->addWidget(edtProcedimento, 1, 1);
    g->addWidget(lblProcedimento, 1, 2, 1, 4);
    g->addWidget(caption(QStringLiteral("Quantidade")), 2, 0);
    g->addWidget(edtQuantidade, 2, 1);
    g->addWidget(caption(QStringLiteral("Idade")), 2, 2);
    g->addWidget(edtIdade, 2, 3);
    g->addWidget(caption(QStringLiteral("Sexo")), 2, 4);
    g->addWidget(cbxSexo, 2, 5);
    g->addWidget(caption(QStringLiteral("CID principal")), 3, 0);
    g->addWidget(edtCid, 3, 1);
    g->addWidget(caption(QStringLiteral("CID secundários")), 3, 2);
    g->addWidget(edtCidSecundarios, 3, 3, 1, 3);
    g->addWidget(caption(QStringLiteral("CBO")), 4, 0);
    g->addWidget(edtCbo, 4, 1);
    g->addWidget(caption(QStringLiteral("Habilitações")), 4, 2);
    g->addWidget(edtHabilitacoes, 4, 3, 1, 3);
    g->addWidget(caption(QStringLiteral("Serviço/classificação")), 5, 0, 1, 2);
    g->addWidget(edtServicos, 5, 2, 1, 4);
    g->addWidget(caption(QStringLiteral("Outros procedimentos")), 6, 0, 1, 2);
    g->addWidget(edtSecundarios, 6, 2, 1, 4);
    g->setColumnStretch(3, 1);
    g->setColumnStretch(5, 1);
    return band;
}

korvane::CheckRecord TfrmVerificar::record() const
{
    korvane::CheckRecord r;
    const auto competencia = korvane::parseCompetencia(edtCompetencia->text());
    if (!competencia) unreadable("Competência", "diga MM/AAAA");
    r.competencia = *competencia;
    r.instrument = cbxInstrumento->currentData().toString().toStdString();
    if (r.instrument.empty()) unreadable("Instrumento", "escolha um instrumento de registro");
    r.procedure = korvane::typedCode(edtProcedimento->text());
    if (r.procedure.size() != 10) unreadable("Procedimento", "diga os 10 dígitos do procedimento");
    if (!edtQuantidade->text().trimmed().isEmpty()) {
        bool ok = false;
        r.quantity = edtQuantidade->text().trimmed().toInt(&ok);
        if (!ok || *r.quantity < 1) unreadable("Quantidade", "diga um número de 1 em diante");
    }
    if (!edtIdade->text().trimmed().isEmpty()) {
        r.ageMonths = korvane::parseAge(edtIdade->text());
        if (!r.ageMonths) unreadable("Idade", "diga anos, ou anos,meses (meses de 0 a 11)");
    }
    r.sex = cbxSexo->currentData().toString().toStdString();
    if (!edtCid->text().trimmed().isEmpty()) r.cids.push_back(korvane::typedCode(edtCid->text()));
    for (const QString& c : korvane::typedList(edtCidSecundarios->text())) r.cids.push_back(korvane::typedCode(c));
    if (!r.cids.empty() && edtCid->text().trimmed().isEmpty()) unreadable("CID principal", "diga o CID principal antes dos secundários");
    r.cbo = korvane::typedCode(edtCbo->text());
    for (const QString& h : korvane::typedList(edtHabilitacoes->text())) r.qualifications.push_back(korvane::typedCode(h));
    for (const QString& s : korvane::typedList(edtServicos->text())) {
        const auto pair = korvane::parseServiceClass(s);
        if (!pair) unreadable("Serviço/classificação", "diga SSS/CCC");
        r.services.push_back(*pair);
    }
    for (const QString& s : korvane::typedList(edtSecundarios->text())) {
        const auto line = korvane::parseSecondary(s);
        if (!line) unreadable("Outros procedimentos", "diga código ou código:quantidade");
        r.secondaries.push_back(*line);
    }
    return r;
}

void TfrmVerificar::btnVerificarClick()
{
    result_ = checker_.check(record());
    korvane::fillRules(*rules_, result_);
    showVerdict();
}

void TfrmVerificar::showProcedureName()
{
    const std::string code = korvane::typedCode(edtProcedimento->text());
    const QString name = code.size() == 10 ? checker_.procedureName(code) : QString();
    lblProcedimento->setText(name.isEmpty() && code.size() == 10 ? QStringLiteral("(não existe na competência)") : name);
}

void TfrmVerificar::showVerdict()
{
    int refused = 0, look = 0;
    for (const korvane::RuleResult& r : result_.rules) {
        refused += r.verdict == korvane::Verdict::Refused;
        look += r.verdict == korvane::Verdict::Confirm || r.verdict == korvane::Verdict::NotChecked;
    }
    QString text = korvane::verdictShown(result_.overall);
    if (result_.overall == korvane::Verdict::Refused) text += QStringLiteral("  —  %1 regra(s) recusam").arg(refused);
    else if (result_.overall == korvane::Verdict::Confirm) text += QStringLiteral("  —  %1 regra(s) a conferir").arg(look);
    lblVeredito->setText(text);
    lblVeredito->setStyleSheet(verdictStyle(result_.overall));
}
