#include "uKorvane.h"

#include "model/procsearch.h"
#include "model/statements.h"
#include "core/text.h"
#include "korvane_config.h"
#include "lookup/uCbos.h"
#include "lookup/uCid10.h"
#include "ui/dialogs.h"
#include "ui/keypreview.h"
#include "ui/pictures.h"
#include "app/uAtualizar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QStatusBar>
#include <QTime>
#include <QVBoxLayout>

namespace st = korvane::statements;
using kdata::DisplayFormat;
using kdata::FieldDef;

namespace {

const QString kCaption = QStringLiteral("KORVANE  NORTEVIA");
const QString kPublisher =
    QStringLiteral("  Korvane — consulta à Tabela Unificada de Procedimentos do SUS (SIGTAP)   ·   "
                   "Nortevia Sistemas   ·   suporte@nortevia.com.br   ·   (92) 3000-0000");

QFont tahoma(int pixels, bool bold = false, bool italic = false)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

QToolButton* bigButton(const QString& name, const QString& caption, const QPixmap& picture, int iconSize)
{
    auto* b = new QToolButton;
    b->setObjectName(name);
    b->setText(caption);
    b->setIcon(QIcon(picture));
    b->setIconSize(QSize(iconSize, iconSize));
    b->setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextUnderIcon);
    b->setFixedSize(90, 100);
    b->setFocusPolicy(Qt::StrongFocus);
    QFont f(QStringLiteral("Lucida Handwriting"));
    f.setPixelSize(13);
    f.setBold(true);
    b->setFont(f);
    b->setAutoRaise(false);
    return b;
}

} // namespace

TfrmKorvane::TfrmKorvane(const std::string& databasePath, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmKorvane"));
    // Before anything else: a window without its database is no use.
    dtbDados_.open(databasePath, {KORVANE_DB_USER, KORVANE_DB_PASSWORD});

    setWindowTitle(kCaption);
    setFont(tahoma(13));
    resize(1354, 666 + 20);

    qryVersao = makeQuery(QStringLiteral("qryVersao"), st::kVersao);
    qryGrupo = makeQuery(QStringLiteral("qryGrupo"), st::kGrupo);
    qrySubGrupo = makeQuery(QStringLiteral("qrySubGrupo"), st::kSubGrupo);
    qryFo = makeQuery(QStringLiteral("qryFo"), st::kFo);
    qryTbProc = makeQuery(QStringLiteral("qryTbProc"), st::kTbProcInitial);
    qryProccid10 = makeQuery(QStringLiteral("qryProccid10"), st::kProccid10);
    qryProccbos = makeQuery(QStringLiteral("qryProccbos"), st::kProccbos);
    qryProcespecialidades = makeQuery(QStringLiteral("qryProcespecialidades"), st::kProcespecialidades);
    qryProcopm = makeQuery(QStringLiteral("qryProcopm"), st::kProcopm);
    qryProcmodalidade = makeQuery(QStringLiteral("qryProcmodalidade"), st::kProcmodalidade);
    qryProcregistro = makeQuery(QStringLiteral("qryProcregistro"), st::kProcregistro);
    qryAtributoComplentar = makeQuery(QStringLiteral("qryAtributoComplentar"), st::kAtributoComplentar);
    qryProcdetalhe = makeQuery(QStringLiteral("qryProcdetalhe"), st::kProcdetalhe);
    qryProchabilitacao = makeQuery(QStringLiteral("qryProchabilitacao"), st::kProchabilitacao);
    qryProcsDaOpm = makeQuery(QStringLiteral("qryProcsDaOpm"), st::kProcsDaOpm);
    qryProc_Habilitacao = makeQuery(QStringLiteral("qryProc_Habilitacao"), st::kProc_Habilitacao);
    qryProcServicoClassificacao =
        makeQuery(QStringLiteral("qryProcServicoClassificacao"), st::kProcServicoClassificacao);
    qryDescricoes = makeQuery(QStringLiteral("qryDescricoes"), st::kDescricoes);
    qryCid10Geral = makeQuery(QStringLiteral("qryCid10Geral"), st::kCid10Geral);
    // The one list that shares another's transaction.
    qryProcsCid10Geral = makeQuery(QStringLiteral("qryProcsCid10Geral"), st::kProcsCid10Geral,
                                   &qryGrupo->query().transaction());
    qryCbosGeral = makeQuery(QStringLiteral("qryCbosGeral"), st::kCbosGeral);
    qryCadastroDetalhes = makeQuery(QStringLiteral("qryCadastroDetalhes"), st::kCadastroDetalhes);
    qryFinanciamento = makeQuery(QStringLiteral("qryFinanciamento"), st::kFinanciamento);

    // Titles and formats the windows show.
    const auto money = [](kdata::RecordSet* ds, const char* field, const char* title) {
        ds->setFieldDef({QString::fromLatin1(field), QString::fromUtf8(title), -1, DisplayFormat::Money});
    };
    const auto title = [](kdata::RecordSet* ds, const char* field, const char* text, int width = -1) {
        ds->setFieldDef({QString::fromLatin1(field), QString::fromUtf8(text), width, DisplayFormat::Plain});
    };
    title(qryTbProc, "PROC_COD", "CÓDIGO");
    title(qryTbProc, "PROC_DESCR", "DESCRIÇÃO", 1500);
    money(qryTbProc, "PROC_VL_SA", "Valor SA:");
    money(qryTbProc, "PROC_VL_SH", "Valor SH:");
    money(qryTbProc, "PROC_VL_SP", "Valor SP:");
    money(qryTbProc, "SOMASHSP", "TOTAL SH + SP");
    qryTbProc->addCalculatedField(QStringLiteral("SOMASHSP"), [](const kdata::RecordSet& ds, std::size_t row) {
        const auto money = [&](const char* f) -> std::optional<kdb::Decimal> {
            const kdb::Value v = ds.value(row, QString::fromLatin1(f));
            if (v.isNull()) return std::nullopt;
            return v.asDecimal();
        };
        const auto total = korvane::totalShSp(money("PROC_VL_SA"), money("PROC_VL_SH"), money("PROC_VL_SP"));
        return total ? kdb::Value(*total) : kdb::Value();
    });

    title(qryProccid10, "CP_CID", "Cid10");
    title(qryProccid10, "CID_DESCR", "Descrição", 1200);
    title(qryProccid10, "CID_RESTRSEXO", "Sexo");
    title(qryProccbos, "PCBO_CBO", "Cbo");
    title(qryProccbos, "CBO_DESCR", "Descrição", 1200);
    title(qryProcespecialidades, "PE_ESPEC", "Clínica");
    title(qryProcespecialidades, "CL_DESCR", "Descrição", 522);
    title(qryProcopm, "PC_PROC_SEC", "Procedimento");
    title(qryProcopm, "PROC_DESCR", "Descrição", 993);
    title(qryProcopm, "PROC_QTD_MAX", "Máximo");
    title(qryProcopm, "PC_QT_PERMITIDA", "Permitido");
    qryProcopm->setFieldDef({QStringLiteral("PROC_VL_SH"), QStringLiteral("Valor"), 74, DisplayFormat::Money});
    title(qryProcmodalidade, "PM_MOD", "Código");
    title(qryProcmodalidade, "MOD_DESCR", "Descrição");
    title(qryProcregistro, "PR_REG", "Código");
    title(qryProcregistro, "REG_DESCR", "Descrição", 910);
    title(qryAtributoComplentar, "DETALHE", "Código", 42);
    title(qryAtributoComplentar, "DESCRICAO", "Descrição");
    title(qryProcdetalhe, "CH_COD", "Código");
    title(qryProcdetalhe, "CL_DESCR", "Descrição", 1200);
    title(qryProchabilitacao, "INCR_CODIGO", "Código");
    title(qryProchabilitacao, "HAB_DESCRICAO", "Descrição", 800);
    money(qryProchabilitacao, "INCR_PERC_SH", "% SH");
    money(qryProchabilitacao, "INCR_PERC_SP", "% SP");
    title(qryProcsDaOpm, "PC_PROC_PRINC", "Código");
    title(qryProcsDaOpm, "PROC_DESCR", "Descrição", 1076);
    qryProcsDaOpm->setFieldDef({QStringLiteral("PROC_VL_SH"), QStringLiteral("Valor SH"), 76, DisplayFormat::Money});
    qryProcsDaOpm->setFieldDef({QStringLiteral("PROC_VL_SP"), QStringLiteral("Valor SP"), 76, DisplayFormat::Money});
    title(qryProc_Habilitacao, "HABILITACAO", "Código");
    title(qryProc_Habilitacao, "HAB_DESCRICAO", "Habilitação", 1246);
    title(qryProcServicoClassificacao, "PS_SERVICO", "Serviço");
    title(qryProcServicoClassificacao, "SERV_DESCR", "Descrição Serviço", 590);
    title(qryProcServicoClassificacao, "PS_CLASSIF", "Classificação", 75);
    title(qryProcServicoClassificacao, "DESC_CLASSIF", "Descrição Classificação", 590);
    title(qryCid10Geral, "CID_COD", "Cid10");
    title(qryCid10Geral, "CID_DESCR", "Descrição");
    title(qryCid10Geral, "CID_RESTRSEXO", "Sexo");
    title(qryProcsCid10Geral, "CP_PROC", "Procedimento");
    title(qryProcsCid10Geral, "DESC_PROC", "Descrição");

    buildLayout();
    setTabOrder();
    connectBrowser();
    buildReports();

    new kui::KeyPreview(this, [this](QKeyEvent* e) { return FormKeyPress(e); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TfrmKorvane::Timer1Timer);
    Timer1->start();
    Timer1Timer();

    kui::guarded(this, [this] { FormCreate(); });
}

TfrmKorvane::~TfrmKorvane()
{
    // Result sets first: their statements belong to the connection.
    for (kdata::RecordSet* r : resultSets_) delete r;
    resultSets_.clear();
    transactions_.clear();
    try {
        dtbDados_.close();
    } catch (...) {
    }
}

kdata::DataSet* TfrmKorvane::makeQuery(const QString& name, const std::string& sql, kdb::Transaction* shared)
{
    kdb::Transaction* tr = shared;
    if (!tr) {
        transactions_.push_back(std::make_unique<kdb::Transaction>(dtbDados_, kdb::Transaction::Access::ReadOnly));
        tr = transactions_.back().get();
    }
    auto* ds = new kdata::DataSet(name, dtbDados_, *tr, this);
    ds->setSql(sql);
    resultSets_.push_back(ds);
    return ds;
}

void TfrmKorvane::buildLayout()
{
    auto* central = new QWidget;
    auto* v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(buildTopPanel());
    v->addWidget(buildDetailPanel());
    buildTabs();
    v->addWidget(PageControl1, 1);
    setCentralWidget(central);
    buildStatusBar();
}

QWidget* TfrmKorvane::buildTopPanel()
{
    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("pnlTopo"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFixedHeight(104);
    auto* h = new QHBoxLayout(panel);
    h->setContentsMargins(2, 2, 2, 2);
    h->setSpacing(6);

    auto* image = new QLabel;
    image->setObjectName(QStringLiteral("Image1"));
    image->setFixedSize(149, 100);
    image->setPixmap(kui::pictures::logo(149, 100));
    image->setScaledContents(true);
    h->addWidget(image);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    const auto addRow = [&](int row, const char* labelName, const QString& caption, QWidget* control) {
        auto* label = new QLabel(caption);
        label->setObjectName(QString::fromLatin1(labelName));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setBuddy(control);
        control->setFixedWidth(650);
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row, 1);
    };
    dblGrupo = new kui::DBLookupCombo(QStringLiteral("dblGrupo"));
    dblGrupo->setMaxVisibleItems(8);
    dblGrupo->bind(qryGrupo, QStringLiteral("GRUPO_DESCR"));
    dblSubGrupo = new kui::DBLookupCombo(QStringLiteral("dblSubGrupo"));
    dblSubGrupo->setMaxVisibleItems(15);
    dblSubGrupo->bind(qrySubGrupo, QStringLiteral("SG_DESCR"));
    dblFo = new kui::DBLookupCombo(QStringLiteral("dblFo"));
    dblFo->setMaxVisibleItems(15);
    dblFo->bind(qryFo, QStringLiteral("FO_DESCR"));
    edtPesquise = new kui::UpperCaseEdit(QStringLiteral("edtPesquise"));
    addRow(0, "Label1", QStringLiteral("Grupo:"), dblGrupo);
    addRow(1, "Label2", QStringLiteral("Sub Grupo:"), dblSubGrupo);
    addRow(2, "Label3", QStringLiteral("Forma de Organização:"), dblFo);
    addRow(3, "Label4", QStringLiteral("Procedimento / Descrição:"), edtPesquise);
    h->addLayout(grid);
    h->addStretch(1);

    btnLimpar = bigButton(QStringLiteral("btnLimpar"), QString(), kui::pictures::broom(64), 64);
    btnLimpar->setToolTip(QStringLiteral("Limpar filtros e pesquisa"));
    btnCbos = bigButton(QStringLiteral("btnCbos"), QStringLiteral("CBOs"), kui::pictures::occupations(48), 48);
    btnCid10 = bigButton(QStringLiteral("btnCid10"), QStringLiteral("CID10"), kui::pictures::diagnoses(48), 48);
    btnFicha = bigButton(QStringLiteral("btnFicha"), QString(), kui::pictures::printer(64), 64);
    btnFicha->setToolTip(QStringLiteral("Imprimir"));
    for (QToolButton* b : {btnLimpar, btnCbos, btnCid10, btnFicha}) h->addWidget(b);
    connect(btnCbos, &QToolButton::clicked, this, [this] { kui::guarded(this, [this] { btnCbosClick(); }); });
    connect(btnCid10, &QToolButton::clicked, this, [this] { kui::guarded(this, [this] { btnCid10Click(); }); });
    connect(btnFicha, &QToolButton::clicked, this, [this] { kui::guarded(this, [this] { btnFichaClick(); }); });
    return panel;
}

QWidget* TfrmKorvane::buildDetailPanel()
{
    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("pnlDetalhe"));
    panel->setFixedHeight(337);
    auto* v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);

    dbgProcs = new kui::DBGrid(QStringLiteral("dbgProcs"));
    dbgProcs->setFixedHeight(175);
    dbgProcs->bind(qryTbProc, {{QStringLiteral("PROC_COD")}, {QStringLiteral("PROC_DESCR")}});
    dbgProcs->setStriped(true);
    v->addWidget(dbgProcs);

    auto* box = new QGroupBox(QStringLiteral("  Detalhes  do  Procedimento  "));
    box->setObjectName(QStringLiteral("GroupBox1"));
    box->setFixedHeight(90);
    box->setFont(tahoma(13, true, true));
    auto* bl = new QVBoxLayout(box);
    bl->setContentsMargins(4, 2, 4, 4);
    dbmDescricoes = new kui::DBMemo(QStringLiteral("dbmDescricoes"));
    dbmDescricoes->setFont(tahoma(11, false, true));
    dbmDescricoes->setFocusPolicy(Qt::ClickFocus);
    dbmDescricoes->bind(qryDescricoes, QStringLiteral("DETALHES"));
    bl->addWidget(dbmDescricoes);
    v->addWidget(box);

    struct Box {
        const char* name;
        const char* label;
        const char* field;
        int width;   // 0: takes the rest of the row
    };
    const Box boxes[] = {
        {"DBEdit1", "Sexo:", "PROC_SEXO", 52},
        {"DBEdit2", "Qt. Máxima:", "PROC_QTD_MAX", 96},
        {"DBEdit3", "Tempo:", "PROC_QTD_DIAS", 70},
        {"DBEdit4", "Pontos do ato:", "PROC_QTD_PONTOS", 112},
        {"DBEdit5", "Idade Mínima:", "PROC_IDADE_MIN", 112},
        {"DBEdit6", "Idade Máxima:", "PROC_IDADE_MAX", 112},
        {"DBEdit7", "Valor SA:", "PROC_VL_SA", 112},
        {"DBEdit8", "Valor SH:", "PROC_VL_SH", 112},
        {"DBEdit9", "Valor SP:", "PROC_VL_SP", 112},
        {"DBEdit11", "Total", "SOMASHSP", 112},
        {"DBEdit10", "Financiamento:", "FINANC_DESCR", 0},
    };
    auto* row = new QHBoxLayout;
    row->setContentsMargins(4, 0, 4, 2);
    row->setSpacing(6);
    const QFont labelFont = tahoma(16);
    const QFont valueFont = tahoma(16, true);
    int n = 0;
    for (const Box& b : boxes) {
        ++n;
        auto* cell = new QVBoxLayout;
        cell->setSpacing(1);
        auto* label = new QLabel(QString::fromUtf8(b.label));
        label->setObjectName(QStringLiteral("lblValor%1").arg(n));
        label->setFont(labelFont);
        QPalette blue = label->palette();
        blue.setColor(QPalette::WindowText, Qt::blue);
        label->setPalette(blue);
        auto* edit = new kui::DBEdit(QString::fromLatin1(b.name));
        edit->setFont(valueFont);
        edit->bind(qryTbProc, QString::fromLatin1(b.field));
        const QString field = QString::fromLatin1(b.field);
        // The nine plain values are skipped by Tab; total and financing take the focus.
        const bool tabStop = field == QLatin1String("SOMASHSP") || field == QLatin1String("FINANC_DESCR");
        edit->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
        if (field.startsWith(QLatin1String("PROC_VL")) || field == QLatin1String("SOMASHSP"))
            edit->setAlignment(Qt::AlignRight);
        if (b.width > 0) edit->setFixedWidth(b.width);
        label->setBuddy(edit);
        cell->addWidget(label);
        cell->addWidget(edit);
        row->addLayout(cell, b.width > 0 ? 0 : 1);
        if (field == QLatin1String("FINANC_DESCR")) DBEdit10 = edit;
        if (field == QLatin1String("SOMASHSP")) DBEdit11 = edit;
    }
    v->addLayout(row);
    v->addStretch(1);
    return panel;
}

void TfrmKorvane::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setFixedHeight(20);
    bar->setSizeGripEnabled(false);
    statusDate_ = new QLabel;
    statusDate_->setObjectName(QStringLiteral("StatusPanel1"));
    statusDate_->setFixedWidth(80);
    statusTime_ = new QLabel;
    statusTime_->setObjectName(QStringLiteral("StatusPanel2"));
    statusTime_->setFixedWidth(80);
    statusPublisher_ = new QLabel(kPublisher);
    statusPublisher_->setObjectName(QStringLiteral("StatusPanel3"));
    for (QLabel* l : {statusDate_, statusTime_, statusPublisher_}) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
    }
    bar->addWidget(statusDate_);
    bar->addWidget(statusTime_);
    bar->addWidget(statusPublisher_, 1);

    PopupActionBar1 = new QMenu(this);
    PopupActionBar1->setObjectName(QStringLiteral("PopupActionBar1"));
    ATUALIZAOTABELAS1 = PopupActionBar1->addAction(QStringLiteral("ATUALIZAÇÃO TABELAS"));
    ATUALIZAOTABELAS1->setObjectName(QStringLiteral("ATUALIZAOTABELAS1"));
    connect(ATUALIZAOTABELAS1, &QAction::triggered, this,
            [this] { kui::guarded(this, [this] { ATUALIZAOTABELAS1Click(); }); });
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this,
            [this, bar](const QPoint& pos) { PopupActionBar1->popup(bar->mapToGlobal(pos)); });
}

void TfrmKorvane::setTabOrder()
{
    QWidget* order[] = {dblGrupo, dblSubGrupo, dblFo, edtPesquise, btnLimpar, btnFicha, btnCid10, btnCbos,
                        dbgProcs, DBEdit10, DBEdit11, PageControl1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);
}

void TfrmKorvane::FormCreate()
{
    qryCbosGeral->open();
    qryCid10Geral->open();
    qryTbProc->open();
    qryGrupo->open();
}

void TfrmKorvane::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) kui::guarded(this, [this] { FormShow(); });
}

void TfrmKorvane::FormShow()
{
    qryVersao->close();
    qryVersao->open();
    qryVersao->first();
    const QString versao = korvane::fromWin1252(qryVersao->field(QStringLiteral("VERSAO")).toString());
    setWindowTitle(kCaption + QStringLiteral("   -   ") + versao);
    PageControl1->setCurrentIndex(0);
    edtPesquise->setFocus(Qt::OtherFocusReason);
}

bool TfrmKorvane::FormKeyPress(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        kui::focusNext(this);
        return true;
    }
    if (event->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return false;
}

void TfrmKorvane::Timer1Timer()
{
    const QLocale locale;
    statusDate_->setText(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    // The long format may carry a time-zone name, which the panel has no room for.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    statusTime_->setText(QTime::currentTime().toString(format.trimmed()));
}

void TfrmKorvane::btnCbosClick()
{
    TfrmCbos frmCbos(dtbDados_, [this](const QString& code) { handBack(code); }, this);
    frmCbos.exec();
}

void TfrmKorvane::btnCid10Click()
{
    TfrmCid10 frmCid10(dtbDados_, [this](const QString& code) { handBack(code); }, this);
    frmCid10.exec();
}

void TfrmKorvane::handBack(const QString& code)
{
    // The search must have run with this text, also when the box held it already.
    if (edtPesquise->text() == code) procedureSearch();
    else setSearchText(code);
}

void TfrmKorvane::ATUALIZAOTABELAS1Click()
{
    {
        TfrmAtualizar frmAtualizar(dtbDados_, this);
        frmAtualizar.exec();
    }
    // Nothing is re-read now: the lists keep what they show until the next
    // search or move. But those runs must plan against the new tables.
    for (kdata::RecordSet* r : resultSets_)
        if (auto* ds = qobject_cast<kdata::DataSet*>(r)) ds->query().replanOnNextOpen();
    procedureCodes_.reset();
}


void TfrmKorvane::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TfrmKorvane::FormClose()
{
    if (closing_) return;
    closing_ = true;
    Timer1->stop();
    for (kdata::RecordSet* r : resultSets_) r->close();
    for (auto& t : transactions_) t->rollback();
    dtbDados_.close();
    qApp->quit();
}
