#include "ui/reportpreview.h"

#include "ui/gridexport.h"
#include "ui/reportoutput.h"

#include "ui/dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include <array>

namespace kui {

namespace {

constexpr std::array<int, 9> kZoomSteps{25, 50, 75, 100, 125, 150, 200, 300, 400};
// Items of the zoom list: the two fits, then the steps from 50%.
constexpr int kFitWidthItem = 0;
constexpr int kFitPageItem = 1;

QString percentText(int p) { return QStringLiteral("%1%").arg(p); }

} // namespace

// --- PageView --------------------------------------------------------------------

PageView::PageView(std::shared_ptr<const kreports::Document> doc, QWidget* parent) : QWidget(parent), doc_(std::move(doc))
{
    setObjectName(QStringLiteral("pgvPage"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageView::setPage(int page)
{
    page_ = page;
    update();
}

void PageView::setPixelsPerMm(double scale)
{
    scale_ = scale;
    resize(sizeHint());
    updateGeometry();
    update();
}

QSize PageView::sizeHint() const
{
    return QSize(qCeil(doc_->paperMm.width() * scale_) + 2 * kDesk, qCeil(doc_->paperMm.height() * scale_) + 2 * kDesk);
}

void PageView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0x80, 0x80, 0x80));
    const QRectF paper(kDesk, kDesk, doc_->paperMm.width() * scale_, doc_->paperMm.height() * scale_);
    p.fillRect(paper.translated(3, 3), QColor(0x50, 0x50, 0x50));
    p.fillRect(paper, Qt::white);
    p.translate(paper.topLeft());
    p.setClipRect(QRectF(QPointF(0, 0), paper.size()));
    kreports::paintPage(p, *doc_, page_, scale_);
}

// --- PreviewDialog ---------------------------------------------------------------

PreviewDialog::PreviewDialog(std::shared_ptr<const kreports::Document> doc, QWidget* parent)
    : QDialog(parent), doc_(std::move(doc))
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(QStringLiteral("%1 - Visualização").arg(doc_->title));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    buildPageControls();
    buildZoomControls();
    buildOutputButtons();
    buildPageArea();
    layOutControls();
    connectControls();
    sizeToScreen();
    applyZoom();
    updateControls();
}

QToolButton* PreviewDialog::toolButton(const char* name, QStyle::StandardPixmap icon, const QString& tip)
{
    auto* b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setIcon(style()->standardIcon(icon));
    b->setToolTip(tip);
    b->setAutoRaise(true);
    return b;
}

void PreviewDialog::buildPageControls()
{
    btnFirst_ = toolButton("btnFirst", QStyle::SP_MediaSkipBackward, QStringLiteral("Primeira página"));
    btnPrior_ = toolButton("btnPrior", QStyle::SP_MediaSeekBackward, QStringLiteral("Página anterior"));
    btnNext_ = toolButton("btnNext", QStyle::SP_MediaSeekForward, QStringLiteral("Próxima página"));
    btnLast_ = toolButton("btnLast", QStyle::SP_MediaSkipForward, QStringLiteral("Última página"));

    spnPage_ = new QSpinBox(this);
    spnPage_->setObjectName(QStringLiteral("spnPage"));
    spnPage_->setRange(1, std::max(pageCount(), 1));
    spnPage_->setKeyboardTracking(false);
    spnPage_->setToolTip(QStringLiteral("Ir para a página"));
    lblPageCount_ = new QLabel(QStringLiteral("de %1").arg(pageCount()), this);
    lblPageCount_->setObjectName(QStringLiteral("lblPageCount"));
}

void PreviewDialog::buildZoomControls()
{
    cmbZoom_ = new QComboBox(this);
    cmbZoom_->setObjectName(QStringLiteral("cmbZoom"));
    cmbZoom_->addItem(QStringLiteral("Largura da página"));
    cmbZoom_->addItem(QStringLiteral("Página inteira"));
    for (int p : kZoomSteps) cmbZoom_->addItem(percentText(p), p);
    btnZoomOut_ = new QToolButton(this);
    btnZoomOut_->setObjectName(QStringLiteral("btnZoomOut"));
    btnZoomOut_->setText(QStringLiteral("−"));
    btnZoomOut_->setToolTip(QStringLiteral("Reduzir"));
    btnZoomIn_ = new QToolButton(this);
    btnZoomIn_->setObjectName(QStringLiteral("btnZoomIn"));
    btnZoomIn_->setText(QStringLiteral("+"));
    btnZoomIn_->setToolTip(QStringLiteral("Ampliar"));
}

void PreviewDialog::buildOutputButtons()
{
    btnPrint_ = new QPushButton(style()->standardIcon(QStyle::SP_FileDialogDetailedView), QStringLiteral("Imprimir..."), this);
    btnPrint_->setObjectName(QStringLiteral("btnPrint"));
    btnSavePdf_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Salvar PDF..."), this);
    btnSavePdf_->setObjectName(QStringLiteral("btnSavePdf"));
    btnSaveXlsx_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogSaveButton), QStringLiteral("Salvar XLSX..."), this);
    btnSaveXlsx_->setObjectName(QStringLiteral("btnSaveXlsx"));
    // Only a report that lists rows under columns has a table to give.
    btnSaveXlsx_->setVisible(doc_->table != nullptr);
    btnClose_ = new QPushButton(QStringLiteral("Fechar"), this);
    btnClose_->setObjectName(QStringLiteral("btnClose"));
    for (QPushButton* b : {btnPrint_, btnSavePdf_, btnSaveXlsx_, btnClose_}) b->setAutoDefault(false);
}

void PreviewDialog::buildPageArea()
{
    lblPage_ = new QLabel(this);
    lblPage_->setObjectName(QStringLiteral("lblPage"));

    pgvPage_ = new PageView(doc_, this);
    scrPreview_ = new QScrollArea(this);
    scrPreview_->setObjectName(QStringLiteral("scrPreview"));
    scrPreview_->setWidget(pgvPage_);
    scrPreview_->setWidgetResizable(false);
    scrPreview_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scrPreview_->setBackgroundRole(QPalette::Dark);
}

// The controls in one row over the page, the page count under it.
void PreviewDialog::layOutControls()
{
    auto* bar = new QHBoxLayout;
    bar->addWidget(btnFirst_);
    bar->addWidget(btnPrior_);
    bar->addWidget(spnPage_);
    bar->addWidget(lblPageCount_);
    bar->addWidget(btnNext_);
    bar->addWidget(btnLast_);
    bar->addSpacing(16);
    bar->addWidget(btnZoomOut_);
    bar->addWidget(cmbZoom_);
    bar->addWidget(btnZoomIn_);
    bar->addStretch(1);
    bar->addWidget(btnPrint_);
    bar->addWidget(btnSavePdf_);
    bar->addWidget(btnSaveXlsx_);
    bar->addWidget(btnClose_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(bar);
    layout->addWidget(scrPreview_, 1);
    layout->addWidget(lblPage_);
}

void PreviewDialog::connectControls()
{
    connect(btnFirst_, &QToolButton::clicked, this, &PreviewDialog::first);
    connect(btnPrior_, &QToolButton::clicked, this, &PreviewDialog::prior);
    connect(btnNext_, &QToolButton::clicked, this, &PreviewDialog::next);
    connect(btnLast_, &QToolButton::clicked, this, &PreviewDialog::last);
    connect(spnPage_, &QSpinBox::valueChanged, this, [this](int v) { setPage(v - 1); });
    connect(cmbZoom_, &QComboBox::activated, this, [this](int index) {
        if (index == kFitWidthItem) setZoomMode(ZoomMode::FitWidth);
        else if (index == kFitPageItem) setZoomMode(ZoomMode::FitPage);
        else setZoomPercent(cmbZoom_->itemData(index).toInt());
    });
    connect(btnZoomIn_, &QToolButton::clicked, this, &PreviewDialog::zoomIn);
    connect(btnZoomOut_, &QToolButton::clicked, this, &PreviewDialog::zoomOut);
    connect(btnPrint_, &QPushButton::clicked, this, &PreviewDialog::print);
    connect(btnSavePdf_, &QPushButton::clicked, this, &PreviewDialog::savePdf);
    connect(btnSaveXlsx_, &QPushButton::clicked, this, &PreviewDialog::saveSheet);
    connect(btnClose_, &QPushButton::clicked, this, &QDialog::accept);
}

void PreviewDialog::sizeToScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        resize(std::min(1000, avail.width() * 9 / 10), avail.height() * 9 / 10);
    } else {
        resize(1000, 800);
    }
}

void PreviewDialog::setPage(int page)
{
    page = std::clamp(page, 0, std::max(pageCount() - 1, 0));
    if (page != page_) {
        page_ = page;
        pgvPage_->setPage(page);
        scrPreview_->verticalScrollBar()->setValue(0);
    }
    updateControls();
}

double PreviewDialog::realSizePixelsPerMm() const { return logicalDpiX() / 25.4; }

void PreviewDialog::setZoomMode(ZoomMode mode)
{
    mode_ = mode;
    applyZoom();
    updateControls();
}

void PreviewDialog::setZoomPercent(int percent)
{
    mode_ = ZoomMode::Percent;
    percent_ = std::clamp(percent, kZoomSteps.front(), kZoomSteps.back());
    applyZoom();
    updateControls();
}

int PreviewDialog::zoomPercent() const { return qRound(pgvPage_->pixelsPerMm() / realSizePixelsPerMm() * 100); }

void PreviewDialog::zoomIn()
{
    const int now = zoomPercent();
    for (int p : kZoomSteps)
        if (p > now) return setZoomPercent(p);
    setZoomPercent(kZoomSteps.back());
}

void PreviewDialog::zoomOut()
{
    const int now = zoomPercent();
    for (auto it = kZoomSteps.rbegin(); it != kZoomSteps.rend(); ++it)
        if (*it < now) return setZoomPercent(*it);
    setZoomPercent(kZoomSteps.front());
}

void PreviewDialog::applyZoom()
{
    const QSize view = scrPreview_->viewport()->size();
    const double room = 2.0 * PageView::kDesk;
    const double fitWidth = std::max(view.width() - room, 50.0) / doc_->paperMm.width();
    const double fitHeight = std::max(view.height() - room, 50.0) / doc_->paperMm.height();
    double scale = realSizePixelsPerMm() * percent_ / 100.0;
    if (mode_ == ZoomMode::FitWidth) scale = fitWidth;
    else if (mode_ == ZoomMode::FitPage) scale = std::min(fitWidth, fitHeight);
    pgvPage_->setPixelsPerMm(scale);
}

void PreviewDialog::updateControls()
{
    const int n = pageCount();
    btnFirst_->setEnabled(page_ > 0);
    btnPrior_->setEnabled(page_ > 0);
    btnNext_->setEnabled(page_ + 1 < n);
    btnLast_->setEnabled(page_ + 1 < n);
    {
        const QSignalBlocker block(spnPage_);
        spnPage_->setValue(page_ + 1);
    }
    lblPage_->setText(QStringLiteral("Página %1 de %2").arg(n ? page_ + 1 : 0).arg(n));
    {
        const QSignalBlocker block(cmbZoom_);
        if (mode_ == ZoomMode::FitWidth) cmbZoom_->setCurrentIndex(kFitWidthItem);
        else if (mode_ == ZoomMode::FitPage) cmbZoom_->setCurrentIndex(kFitPageItem);
        else cmbZoom_->setCurrentIndex(cmbZoom_->findData(percent_));
    }
    btnZoomIn_->setEnabled(zoomPercent() < kZoomSteps.back());
    btnZoomOut_->setEnabled(zoomPercent() > kZoomSteps.front());
}

void PreviewDialog::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(doc_->pageLayout());
    printer.setDocName(doc_->title);
    printer.setFromTo(1, std::max(pageCount(), 1));
    if (!outputDialogs().choosePrinter(printer, pageCount(), this)) return;
    guarded(this, [&] { kreports::printDocument(*doc_, printer, page_); });
}

void PreviewDialog::savePdf()
{
    QString name = doc_->title;
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_') c = u'_';
    const QString suggestion = QDir::home().filePath(name + QStringLiteral(".pdf"));
    const QString path = outputDialogs().choosePdfFile(this, suggestion);
    if (path.isEmpty()) return;
    guarded(this, [&] { kreports::writePdf(*doc_, path); });
}

void PreviewDialog::saveSheet()
{
    if (!doc_->table) return;
    guarded(this, [&] { exportTable(*doc_->table, this, doc_->title); });
}

void PreviewDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (mode_ != ZoomMode::Percent) {
        applyZoom();
        updateControls();
    }
}

void PreviewDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    applyZoom();
    updateControls();
}

void PreviewDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageDown: next(); return;
    case Qt::Key_PageUp: prior(); return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) return first();
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) return last();
        break;
    case Qt::Key_Plus: zoomIn(); return;
    case Qt::Key_Minus: zoomOut(); return;
    default: break;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kui
