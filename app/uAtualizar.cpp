#include "uAtualizar.h"

#include "core/aside.h"
#include "core/text.h"
#include "db/connection.h"
#include "korvane_config.h"
#include "ui/dialogs.h"
#include "ui/keypreview.h"
#include "ui/pictures.h"
#include "ui/style.h"
#include "update/layouts.h"
#include "update/releasesettings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

namespace {

QProgressBar* bar(QWidget* parent, const char* name)
{
    auto* b = new QProgressBar(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setRange(0, 100);
    b->setValue(0);
    b->setTextVisible(false);
    return b;
}

// Qt draws a range of 0 to 0 as a busy indicator; an empty table shows an
// empty bar instead.
void setBar(QProgressBar* b, std::int64_t done, std::int64_t total)
{
    const int max = static_cast<int>(std::max<std::int64_t>(total, 1));
    if (b->maximum() != max || b->minimum() != 0) b->setRange(0, max);
    b->setValue(static_cast<int>(std::min<std::int64_t>(done, max)));
}

bool isInput(QEvent::Type t)
{
    switch (t) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd: return true;
    default: return false;
    }
}

} // namespace

TfrmAtualizar::TfrmAtualizar(kdb::Connection& dtbDados, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      dtbDados_(dtbDados)
{
    setObjectName(QStringLiteral("frmAtualizar"));
    setWindowTitle(QStringLiteral("KORVANE  NORTEVIA  "));
    setFont(kui::tahoma(13));
    setSizeGripEnabled(false);
    resize(556, 265);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    Panel1 = kui::navyBanner(QStringLiteral("ATUALIZAÇÃO  DAS  TABELAS  BASEADA  NA  SIGTAP"), QStringLiteral("Panel1"),
                             kui::pixelFont(QStringLiteral("Times New Roman"), 21), this);
    root->addWidget(Panel1);
    root->addWidget(buildFolderBand());
    root->addWidget(buildTableBox());
    root->addWidget(buildProgressBox(), 1);
    root->addWidget(buildExitBand());

    setTabOrder(BitBtn1, edtCaminho);
    setTabOrder(edtCaminho, btnImportar);
    BitBtn1->setFocus();

    chooseFolder = chooseFolderOrZip;
    downloadOptions.address = korvane::downloadAddress();
    downloadOptions.folder = korvane::releasesFolderFor(dtbDados_.path());
    // What the field names is looked at once typing pauses, not at every key.
    infoDelay_ = new QTimer(this);
    infoDelay_->setSingleShot(true);
    infoDelay_->setInterval(250);
    connect(infoDelay_, &QTimer::timeout, this, &TfrmAtualizar::showReleaseInfo);
    connect(edtCaminho, &QLineEdit::textChanged, infoDelay_, qOverload<>(&QTimer::start));
    new kui::KeyPreview(this, [this](QKeyEvent* e) { return FormKeyPress(e); });

    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

// The folder field with its chooser button, and ATUALIZAR beside them.
QFrame* TfrmAtualizar::buildFolderBand()
{
    Panel3 = kui::sunkenBand(54, QStringLiteral("Panel3"), this);
    auto* h = new QHBoxLayout(Panel3);
    h->setContentsMargins(5, 1, 1, 1);
    h->setSpacing(2);
    auto* v = new QVBoxLayout;
    v->setSpacing(2);
    lblCaminho = new QLabel(QStringLiteral("CAMINHO  DOS  ARQs   .TXT  PARA  IMPORTAÇÃO:"), Panel3);
    lblCaminho->setObjectName(QStringLiteral("lblCaminho"));
    edtCaminho = new QLineEdit(Panel3);
    edtCaminho->setObjectName(QStringLiteral("edtCaminho"));
    edtCaminho->setFixedWidth(448);
    edtCaminho->setFrame(false);
    {
        QPalette p = edtCaminho->palette();
        p.setColor(QPalette::Text, Qt::blue);
        p.setColor(QPalette::Base, Qt::white);
        edtCaminho->setPalette(p);
    }
    QAction* choose = edtCaminho->addAction(QIcon(kui::pictures::folder(16)), QLineEdit::TrailingPosition);
    choose->setObjectName(QStringLiteral("edtCaminhoButton"));
    choose->setToolTip(QStringLiteral("Escolher a pasta ou o zip da Tabela Unificada"));
    connect(choose, &QAction::triggered, this, &TfrmAtualizar::edtCaminhoButtonClick);
    v->addWidget(lblCaminho);
    v->addWidget(edtCaminho);
    v->addStretch();
    h->addLayout(v);
    h->addStretch();
    btnImportar = new QToolButton(Panel3);
    btnImportar->setObjectName(QStringLiteral("btnImportar"));
    btnImportar->setText(QStringLiteral("ATUALIZAR"));
    btnImportar->setIcon(QIcon(kui::pictures::driveImport(24)));
    btnImportar->setIconSize(QSize(24, 24));
    btnImportar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    btnImportar->setFixedWidth(95);
    btnImportar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    btnImportar->setFocusPolicy(Qt::StrongFocus);
    connect(btnImportar, &QToolButton::clicked, this, &TfrmAtualizar::btnImportarClick);
    h->addWidget(btnImportar);
    return Panel3;
}

// The table being loaded: its name and its bar.
QGroupBox* TfrmAtualizar::buildTableBox()
{
    gbTabela = new QGroupBox(QStringLiteral("  IMPORTANDO  TABELA . . .  "), this);
    gbTabela->setObjectName(QStringLiteral("gbTabela"));
    gbTabela->setFixedHeight(73);
    // Placed by hand (see eventFilter): the label stands 100 pixels from
    // the box's left edge, the bar across its bottom.
    gbTabela->installEventFilter(this);
    lblTabela = new QLabel(gbTabela);
    lblTabela->setObjectName(QStringLiteral("lblTabela"));
    lblTabela->setFont(kui::pixelFont(QStringLiteral("Times New Roman"), 13, true, true));
    QPalette p = lblTabela->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    lblTabela->setPalette(p);
    pbTabela = bar(gbTabela, "pbTabela");
    return gbTabela;
}

// The whole run's bar.
QGroupBox* TfrmAtualizar::buildProgressBox()
{
    gbProgresso = new QGroupBox(QStringLiteral("  PROGRESSO  DA  ATUALIZAÇÃO  "), this);
    gbProgresso->setObjectName(QStringLiteral("gbProgresso"));
    gbProgresso->setMinimumHeight(50);
    auto* v = new QVBoxLayout(gbProgresso);
    v->setContentsMargins(6, 2, 6, 6);
    pbProgresso = bar(gbProgresso, "pbProgresso");
    v->addWidget(pbProgresso);
    return gbProgresso;
}

// BAIXAR DA INTERNET and the release's competência at the left of the
// bottom band, SAIR at its right.
QFrame* TfrmAtualizar::buildExitBand()
{
    Panel2 = kui::sunkenBand(41, QStringLiteral("Panel2"), this);
    auto* h = new QHBoxLayout(Panel2);
    h->setContentsMargins(2, 2, 2, 2);
    btnBaixar = new QPushButton(QStringLiteral("&BAIXAR DA INTERNET"), Panel2);
    btnBaixar->setObjectName(QStringLiteral("btnBaixar"));
    btnBaixar->setToolTip(QStringLiteral("Baixa do DATASUS a versão mais nova da tabela e a carrega (Alt+B)"));
    btnBaixar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    // Out of the Tab chain, which stays SAIR, the field, ATUALIZAR; Alt+B reaches it.
    btnBaixar->setFocusPolicy(Qt::ClickFocus);
    connect(btnBaixar, &QPushButton::clicked, this, &TfrmAtualizar::btnBaixarClick);
    h->addWidget(btnBaixar);
    lblVersao = new QLabel(Panel2);
    lblVersao->setObjectName(QStringLiteral("lblVersao"));
    lblVersao->setFont(kui::tahoma(11));
    QPalette p = lblVersao->palette();
    p.setColor(QPalette::WindowText, Qt::blue);
    lblVersao->setPalette(p);
    h->addWidget(lblVersao, 1);
    BitBtn1 = kui::exitButton(Panel2);
    BitBtn1->setFixedWidth(95);
    BitBtn1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    connect(BitBtn1, &QPushButton::clicked, this, &TfrmAtualizar::BitBtn1Click);
    h->addWidget(BitBtn1);
    return Panel2;
}

TfrmAtualizar::~TfrmAtualizar() = default;

bool TfrmAtualizar::FormKeyPress(QKeyEvent* event)
{
    if (running_) return true;
    switch (event->key()) {
    case Qt::Key_Escape: close(); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QWidget* focus = QApplication::focusWidget();
        if (focus == edtCaminho) {
            kui::focusNext(this);
            return true;
        }
        // A focused button is pressed by Enter, as buttons are.
        if (auto* b = qobject_cast<QAbstractButton*>(focus)) {
            b->click();
            return true;
        }
        return false;
    }
    default: return false;
    }
}

void TfrmAtualizar::BitBtn1Click() { close(); }

void TfrmAtualizar::edtCaminhoButtonClick()
{
    if (running_ || !chooseFolder) return;
    const QString picked = chooseFolder(this, edtCaminho->text());
    if (!picked.isEmpty()) edtCaminho->setText(picked);
    edtCaminho->setFocus();
}

void TfrmAtualizar::btnImportarClick()
{
    if (running_) return;
    const QString folder = korvane::trimmedText(edtCaminho->text());
    if (folder.isEmpty()) {
        kui::dialogs().information(this, QStringLiteral("CAMINHO INVÁLIDO !"));
        edtCaminho->setFocus();
        return;
    }
    showReleaseInfo();
    if (!kui::dialogs().confirm(this, QStringLiteral("ATUALIZAÇÃO. . ."),
                                QStringLiteral("TEM CERTEZA DA ATUALIZAÇÃO DAS TABELAS ?")))
        return;
    run(folder);
}

// The run goes to a thread of its own, with an attachment of its own to the
// window's database (a connection is used by one thread at a time, and this
// one keeps the main window's).
void TfrmAtualizar::run(const QString& folder)
{
    const std::string path = QFile::encodeName(folder).toStdString();
    const std::string database = dtbDados_.path();
    progress_.reset();
    const std::exception_ptr failure = runAside(
        [&] { korvane::updateDatabase(database, {KORVANE_DB_USER, KORVANE_DB_PASSWORD}, path, progress_, runHooks); },
        [this] { showProgress(); });
    if (failure) {
        kui::guarded(this, [&] { std::rethrow_exception(failure); });
        return;
    }
    kui::dialogs().information(this, QStringLiteral("ATUALIZAÇÃO CONCLUÍDA COM SUCESSO !"));
    accept();
}

// This thread keeps painting from the work's counters and eats the
// window's input until the work ends.
std::exception_ptr TfrmAtualizar::runAside(const std::function<void()>& work, const std::function<void()>& show)
{
    running_ = true;
    qApp->installEventFilter(this);
    korvane::Aside aside(work);

    QEventLoop loop;
    QTimer poll;
    poll.setInterval(50);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        show();
        if (aside.done()) loop.quit();
    });
    poll.start();
    loop.exec();
    const std::exception_ptr failure = aside.join();
    show();

    qApp->removeEventFilter(this);
    running_ = false;
    return failure;
}

void TfrmAtualizar::showProgress()
{
    if (progress_.filesRead.load(std::memory_order_acquire))
        setBar(pbProgresso, progress_.runDone.load(std::memory_order_relaxed),
               progress_.runTotal.load(std::memory_order_relaxed));
    const int step = progress_.step.load(std::memory_order_acquire);
    if (step <= 0) return;
    const QString label = QString::fromLatin1(korvane::releaseLayouts()[static_cast<std::size_t>(step - 1)].label);
    if (lblTabela->text() != label) {
        lblTabela->setText(label);
        lblTabela->repaint();
    }
    setBar(pbTabela, progress_.tableDone.load(std::memory_order_relaxed),
           progress_.tableTotal.load(std::memory_order_relaxed));
}

void TfrmAtualizar::closeEvent(QCloseEvent* event)
{
    if (running_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmAtualizar::reject()
{
    if (!running_) QDialog::reject();
}

bool TfrmAtualizar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == gbTabela && event->type() == QEvent::Resize) {
        const int w = gbTabela->width(), h = gbTabela->height();
        lblTabela->setGeometry(100, 17, std::max(0, w - 106), 18);
        pbTabela->setGeometry(6, h - 30 - 5, std::max(0, w - 12), 30);
    }
    if (running_ && isInput(event->type())) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && w->window() == this) return true;
    }
    return QDialog::eventFilter(watched, event);
}
