#include "uKorvane.h"

#include "app/competenciachoice.h"
#include "app/historypage.h"
#include "core/text.h"
#include "app/releasenotice.h"
#include "app/reportmenu.h"
#include "app/uAtualizar.h"
#include "app/uVerificar.h"
#include "app/uMudancas.h"
#include "app/uListaCodigos.h"
#include "lookup/uCbos.h"
#include "lookup/uCid10.h"
#include "ui/dblookup.h"
#include "ui/dialogs.h"
#include "ui/keypreview.h"
#include "ui/style.h"
#include "ui/typedsearch.h"
#include "update/releasesettings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QToolButton>

using korvane::Level;
using korvane::PageSearch;

namespace {

const QString kCaption = QStringLiteral("KORVANE  NORTEVIA");
const QString kPublisher =
    QStringLiteral("  Korvane — consulta à Tabela Unificada de Procedimentos do SUS (SIGTAP)   ·   "
                   "Nortevia Sistemas   ·   suporte@nortevia.com.br   ·   (92) 3000-0000");

} // namespace

TfrmKorvane::TfrmKorvane(const std::string& databasePath, QWidget* parent)
    : QMainWindow(parent), model_(std::make_unique<korvane::BrowserModel>(databasePath))
{
    setObjectName(QStringLiteral("frmKorvane"));
    setWindowTitle(kCaption);
    setFont(kui::tahoma(13));
    resize(1354, 666 + 20);

    buildLayout();
    setTabOrder();
    connectBrowser();
    reports_ = new ReportMenu(*this, *model_);

    new kui::KeyPreview(this, [this](QKeyEvent* e) { return FormKeyPress(e); });

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TfrmKorvane::Timer1Timer);
    Timer1->start();
    Timer1Timer();

    // A database whose first result sets cannot be read (a file cut short)
    // cannot be used any more than one that cannot be attached: the start
    // ends here too, and the caller reports it.
    try {
        FormCreate();
    } catch (...) {
        delete reports_;
        reports_ = nullptr;
        throw;
    }
}

TfrmKorvane::~TfrmKorvane()
{
    // The boxes go after the model, and one losing the focus as it goes
    // would search with it.
    closing_ = true;
    // The report data sets read over the browser's connection: they go first.
    delete reports_;
}

QString TfrmKorvane::searchBoxText() const { return edtPesquise->text(); }

void TfrmKorvane::focusSearchBox() { edtPesquise->setFocus(Qt::OtherFocusReason); }

void TfrmKorvane::checkForNewRelease()
{
    if (!korvane::newReleaseNotice()) return;
    kui::guarded(this, [this] { notice_->start(korvane::downloadAddress(), newestVersao()); });
}

// What is published is compared with the newest kept, whichever is consulted.
QString TfrmKorvane::newestVersao()
{
    const std::vector<korvane::KeptRelease> kept = model_->competencias();
    return kept.empty() ? model_->versao() : korvane::fromWin1252(kept.back().versao);
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
    auto* publisher = new QLabel(kPublisher);
    publisher->setObjectName(QStringLiteral("StatusPanel3"));
    for (QLabel* l : {statusDate_, statusTime_, publisher}) {
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
    }
    auto* newRelease = new QLabel;
    newRelease->setObjectName(QStringLiteral("lblNovaVersao"));
    newRelease->setFrameShape(QFrame::Panel);
    newRelease->setFrameShadow(QFrame::Sunken);
    newRelease->setStyleSheet(QStringLiteral("color: #b00000; font-weight: bold;"));
    notice_ = new ReleaseNotice(newRelease, this);
    bar->addWidget(statusDate_);
    bar->addWidget(statusTime_);
    bar->addWidget(newRelease);
    competencia_ = new CompetenciaChoice(*this, *model_, kCaption);
    bar->addWidget(competencia_->box());
    bar->addWidget(publisher, 1);

    PopupActionBar1 = new QMenu(this);
    PopupActionBar1->setObjectName(QStringLiteral("PopupActionBar1"));
    ATUALIZAOTABELAS1 = PopupActionBar1->addAction(QStringLiteral("ATUALIZAÇÃO TABELAS"));
    ATUALIZAOTABELAS1->setObjectName(QStringLiteral("ATUALIZAOTABELAS1"));
    connect(ATUALIZAOTABELAS1, &QAction::triggered, this, kui::guardedSlot(this, [this] { ATUALIZAOTABELAS1Click(); }));
    VERIFICAR1 = PopupActionBar1->addAction(QStringLiteral("VERIFICAR"));
    VERIFICAR1->setObjectName(QStringLiteral("VERIFICAR1"));
    VERIFICAR1->setShortcut(QKeySequence(Qt::Key_F9));
    VERIFICAR1->setShortcutContext(Qt::WindowShortcut);
    addAction(VERIFICAR1);
    connect(VERIFICAR1, &QAction::triggered, this, kui::guardedSlot(this, [this] { VERIFICAR1Click(); }));
    mnuMudancas = PopupActionBar1->addAction(QStringLiteral("O QUE MUDOU"));
    mnuMudancas->setObjectName(QStringLiteral("mnuMudancas"));
    mnuMudancas->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    mnuMudancas->setShortcutContext(Qt::ApplicationShortcut);
    addAction(mnuMudancas);
    connect(mnuMudancas, &QAction::triggered, this, kui::guardedSlot(this, [this] { mnuMudancasClick(); }));
    // The list of codes from the procedure list's right button, beside its
    // "Exportar…", and from Ctrl+L anywhere in the window; the status bar's
    // menu keeps its one item.
    LISTADECODIGOS1 = new QAction(QStringLiteral("LISTA DE CÓDIGOS"), this);
    LISTADECODIGOS1->setObjectName(QStringLiteral("LISTADECODIGOS1"));
    LISTADECODIGOS1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    LISTADECODIGOS1->setShortcutContext(Qt::WindowShortcut);
    addAction(LISTADECODIGOS1);
    dbgProcs->addAction(LISTADECODIGOS1);
    connect(LISTADECODIGOS1, &QAction::triggered, this, kui::guardedSlot(this, [this] { LISTADECODIGOS1Click(); }));
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this,
            [this, bar](const QPoint& pos) { PopupActionBar1->popup(bar->mapToGlobal(pos)); });
}

// --- forwarding what the user does to the browser -------------------------------

void TfrmKorvane::connectLookup(kui::DBLookupCombo* lookup, Level level)
{
    korvane::BrowserModel* m = model_.get();
    // Choosing an entry and leaving the lookup run the same step.
    const auto step = kui::guardedSlot(this, [m, level] { m->levelStep(level); });
    connect(lookup, &kui::DBLookupCombo::clicked, this, step);
    connect(lookup, &kui::DBLookupCombo::exited, this, step);
    connect(lookup, &kui::DBLookupCombo::entered, this, kui::guardedSlot(this, [m, level] { m->enterLevel(level); }));
    connect(lookup, &kui::DBLookupCombo::keyDown, this, [m, level](int key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace) m->emptyLevel(level);
    });
}

void TfrmKorvane::connectPageBox(QLineEdit* box, PageSearch page)
{
    korvane::BrowserModel* m = model_.get();
    new kui::TypedSearch(box, [this, m, page](const QString& text) {
        if (!closing_) kui::guarded(this, [&] { m->setPageText(page, text); });
    });
}

QLineEdit* TfrmKorvane::pageBox(PageSearch page) const { return pageBoxes_[static_cast<int>(page)]; }

void TfrmKorvane::connectBrowser()
{
    korvane::BrowserModel* m = model_.get();
    // Typed faster than it searches, the box searches its newest text once
    // per turn of the event loop instead of falling behind key by key.
    new kui::TypedSearch(edtPesquise, [this, m](const QString& text) {
        if (!closing_) kui::guarded(this, [&] { m->setSearchText(text); });
    });
    // What the browser writes into a box is shown without running its search twice.
    connect(m, &korvane::BrowserModel::searchTextChanged, this, [this](const QString& text) {
        const QSignalBlocker block(edtPesquise);
        edtPesquise->setText(text);
    });
    connect(m, &korvane::BrowserModel::pageTextChanged, this, [this](PageSearch page, const QString& text) {
        QLineEdit* box = pageBox(page);
        const QSignalBlocker block(box);
        box->setText(text);
    });
    connect(m, &korvane::BrowserModel::failed, this,
            [this](std::exception_ptr error) { kui::guarded(this, [&] { std::rethrow_exception(error); }); });
    connectLookup(dblGrupo, Level::Grupo);
    connectLookup(dblSubGrupo, Level::SubGrupo);
    connectLookup(dblFo, Level::Fo);
    connect(btnLimpar, &QToolButton::clicked, this, kui::guardedSlot(this, [this] { btnLimparClick(); }));
    for (const korvane::BrowserPage& p : m->pages())
        if (p.search) connectPageBox(pageBox(*p.search), *p.search);
    connect(DBGrid3, &kui::DBGrid::dblClick, this, kui::guardedSlot(this, [m] { m->jumpToCompatible(); }));
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 3) TabSheet4Show();
    });
    connect(m->qryTbProc(), &kdata::RecordSet::currentChanged, this,
            kui::guardedSlot(this, [this] { historyPage_->follow(); }));
    connect(btnCbos, &QToolButton::clicked, this, kui::guardedSlot(this, [this] { btnCbosClick(); }));
    connect(btnCid10, &QToolButton::clicked, this, kui::guardedSlot(this, [this] { btnCid10Click(); }));
}

// --- the window's own handlers --------------------------------------------------

void TfrmKorvane::FormCreate() { model_->open(); }

void TfrmKorvane::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) kui::guarded(this, [this] { FormShow(); });
}

void TfrmKorvane::FormShow()
{
    competencia_->reload();
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

void TfrmKorvane::btnLimparClick()
{
    model_->clear();
    PageControl1->setCurrentIndex(0);
    edtPesquise->setFocus(Qt::OtherFocusReason);
}

void TfrmKorvane::TabSheet4Show() { edtPesquiseCompa->setFocus(Qt::OtherFocusReason); }

void TfrmKorvane::btnCbosClick()
{
    TfrmCbos frmCbos(dtbDados(), [this](const QString& code) { handBack(code); }, this);
    frmCbos.exec();
}

void TfrmKorvane::btnCid10Click()
{
    TfrmCid10 frmCid10(dtbDados(), [this](const QString& code) { handBack(code); }, this);
    frmCid10.exec();
}

void TfrmKorvane::LISTADECODIGOS1Click()
{
    TfrmListaCodigos frmListaCodigos(dtbDados(), [this](const QString& code) { handBack(code); }, this);
    frmListaCodigos.exec();
}

void TfrmKorvane::handBack(const QString& code) { model_->handBack(code); }

void TfrmKorvane::ATUALIZAOTABELAS1Click()
{
    {
        TfrmAtualizar frmAtualizar(dtbDados(), this);
        frmAtualizar.exec();
    }
    // Nothing is re-read now: the lists keep what they show until the next
    // search or move. But those runs must plan against the new tables.
    model_->releaseLoaded();
    kui::guarded(this, [this] {
        competencia_->reload();
        historyPage_->releaseLoaded();
        notice_->loadedIs(newestVersao());
    });
}

void TfrmKorvane::mnuMudancasClick()
{
    TfrmMudancas frmMudancas(*model_, this);
    frmMudancas.exec();
}

void TfrmKorvane::VERIFICAR1Click()
{
    TfrmVerificar frmVerificar(dtbDados(), model_->currentProcedureCode(), this);
    frmVerificar.exec();
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
    model_->close();
    qApp->quit();
}
