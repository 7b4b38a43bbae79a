// The main window's widgets: the top panel with the hierarchy lookups, the
// search box and the four buttons; the detail panel with the procedure
// list, the memo and the value boxes; the pages of the related lists.

#include "uKorvane.h"

#include "app/historypage.h"

#include "ui/dbedit.h"
#include "ui/dbgrid.h"
#include "ui/dblookup.h"
#include "ui/dbmemo.h"
#include "ui/pictures.h"
#include "ui/style.h"
#include "ui/upperedit.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <string_view>
#include <utility>

using korvane::Level;

namespace {

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
    b->setFont(kui::pixelFont(QStringLiteral("Lucida Handwriting"), 13, true));
    b->setAutoRaise(false);
    return b;
}

std::vector<kui::Column> columnsOf(const korvane::BrowserPage& page)
{
    std::vector<kui::Column> columns;
    for (const QString& f : page.columns) columns.emplace_back(f);
    return columns;
}

} // namespace

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
    h->addWidget(buildLookups());
    h->addStretch(1);
    h->addWidget(buildButtons());
    return panel;
}

QWidget* TfrmKorvane::buildLookups()
{
    auto* box = new QWidget;
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
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
    const auto lookup = [this](const char* name, Level level, int rows) {
        auto* l = new kui::DBLookupCombo(QString::fromLatin1(name));
        l->setMaxVisibleItems(rows);
        l->bind(&model_->choice(level));
        return l;
    };
    dblGrupo = lookup("dblGrupo", Level::Grupo, 8);
    dblSubGrupo = lookup("dblSubGrupo", Level::SubGrupo, 15);
    dblFo = lookup("dblFo", Level::Fo, 15);
    edtPesquise = new kui::UpperCaseEdit(QStringLiteral("edtPesquise"));
    addRow(0, "Label1", QStringLiteral("Grupo:"), dblGrupo);
    addRow(1, "Label2", QStringLiteral("Sub Grupo:"), dblSubGrupo);
    addRow(2, "Label3", QStringLiteral("Forma de Organização:"), dblFo);
    addRow(3, "Label4", QStringLiteral("Procedimento / Descrição:"), edtPesquise);
    return box;
}

QWidget* TfrmKorvane::buildButtons()
{
    auto* box = new QWidget;
    auto* h = new QHBoxLayout(box);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(6);
    btnLimpar = bigButton(QStringLiteral("btnLimpar"), QString(), kui::pictures::broom(64), 64);
    btnLimpar->setToolTip(QStringLiteral("Limpar filtros e pesquisa"));
    btnCbos = bigButton(QStringLiteral("btnCbos"), QStringLiteral("CBOs"), kui::pictures::occupations(48), 48);
    btnCid10 = bigButton(QStringLiteral("btnCid10"), QStringLiteral("CID10"), kui::pictures::diagnoses(48), 48);
    btnFicha = bigButton(QStringLiteral("btnFicha"), QString(), kui::pictures::printer(64), 64);
    btnFicha->setToolTip(QStringLiteral("Imprimir"));
    for (QToolButton* b : {btnLimpar, btnCbos, btnCid10, btnFicha}) h->addWidget(b);
    return box;
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
    std::vector<kui::Column> listColumns;
    for (const QString& f : korvane::BrowserModel::listColumns()) listColumns.emplace_back(f);
    dbgProcs->bind(model_->qryTbProc(), std::move(listColumns));
    dbgProcs->setStriped(true);
    dbgProcs->setExportName(QStringLiteral("Procedimentos"));
    v->addWidget(dbgProcs);

    auto* box = new QGroupBox(QStringLiteral("  Detalhes  do  Procedimento  "));
    box->setObjectName(QStringLiteral("GroupBox1"));
    box->setFixedHeight(90);
    box->setFont(kui::tahoma(13, true, true));
    auto* bl = new QVBoxLayout(box);
    bl->setContentsMargins(4, 2, 4, 4);
    dbmDescricoes = new kui::DBMemo(QStringLiteral("dbmDescricoes"));
    dbmDescricoes->setFont(kui::tahoma(11, false, true));
    dbmDescricoes->setFocusPolicy(Qt::ClickFocus);
    dbmDescricoes->bind(model_->qryDescricoes(), QStringLiteral("DETALHES"));
    bl->addWidget(dbmDescricoes);
    v->addWidget(box);
    v->addWidget(buildValueBoxes());
    v->addStretch(1);
    return panel;
}

QWidget* TfrmKorvane::buildValueBoxes()
{
    // Pixels each box takes, in the order of the values; the last takes the
    // rest of the row. The ages get room for "130 anos e 11 meses"; the
    // values, for the largest the table holds.
    static const int widths[] = {52, 88, 70, 104, 144, 144, 100, 100, 100, 100, 0};
    auto* strip = new QWidget;
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(4, 0, 4, 2);
    row->setSpacing(6);
    const QFont labelFont = kui::tahoma(16);
    const QFont valueFont = kui::tahoma(16, true);
    int n = 0;
    for (const korvane::DetailValue& b : korvane::BrowserModel::detailValues()) {
        const int width = widths[n];
        auto* cell = new QVBoxLayout;
        cell->setSpacing(1);
        auto* label = new QLabel(QString::fromUtf8(b.label));
        label->setObjectName(QStringLiteral("lblValor%1").arg(++n));
        label->setFont(labelFont);
        QPalette blue = label->palette();
        blue.setColor(QPalette::WindowText, Qt::blue);
        label->setPalette(blue);
        auto* edit = new kui::DBEdit(QString::fromLatin1(b.box));
        edit->setFont(valueFont);
        edit->bind(model_->qryTbProc(), QString::fromLatin1(b.field));
        const QString field = QString::fromLatin1(b.field);
        // The nine plain values are skipped by Tab; total and financing take the focus.
        const bool tabStop = field == QLatin1String("SOMASHSP") || field == QLatin1String("FINANC_DESCR");
        edit->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
        if (field.startsWith(QLatin1String("PROC_VL")) || field == QLatin1String("SOMASHSP"))
            edit->setAlignment(Qt::AlignRight);
        if (width > 0) edit->setFixedWidth(width);
        if (field.startsWith(QLatin1String("IDADE")) || field == QLatin1String("FINANC_DESCR")) edit->setShrinkToFit(true);
        label->setBuddy(edit);
        cell->addWidget(label);
        cell->addWidget(edit);
        row->addLayout(cell, width > 0 ? 0 : 1);
        if (field == QLatin1String("FINANC_DESCR")) DBEdit10 = edit;
        if (field == QLatin1String("SOMASHSP")) DBEdit11 = edit;
    }
    korvane::BrowserModel* m = model_.get();
    DBEdit10->setMarkRule([m]() -> std::optional<kui::DBEdit::Mark> {
        if (!m->highComplexity()) return std::nullopt;
        return kui::DBEdit::Mark{korvane::BrowserModel::kHighComplexityMark, QColor(255, 0, 0)};
    });
    return strip;
}

QWidget* TfrmKorvane::buildSearchStrip(QLineEdit*& box, const QString& name, int width)
{
    auto* strip = new QWidget;
    strip->setFixedHeight(30);
    auto* h = new QHBoxLayout(strip);
    h->setContentsMargins(6, 3, 6, 3);
    auto* label = new QLabel(QStringLiteral("Pesquise:"));
    box = new kui::UpperCaseEdit(name);
    box->setFixedWidth(width);
    label->setBuddy(box);
    h->addWidget(label);
    h->addWidget(box);
    h->addStretch(1);
    return strip;
}

void TfrmKorvane::buildTabs()
{
    // The boxes of the first three pages keep their widths; the others take 240.
    const std::pair<const char*, int> widths[] = {{"edtPesquiseCid", 199}, {"edtPesquiseCbo", 197}, {"edtPesquiseCompa", 239}};
    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    int n = 0;
    for (const korvane::BrowserPage& p : model_->pages()) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("TabSheet%1").arg(++n));
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        PageControl1->addTab(page, QString::fromUtf8(p.caption));
        if (p.searchBox) {
            int width = 240;
            for (const auto& [name, w] : widths)
                if (std::string_view(name) == p.searchBox) width = w;
            QLineEdit*& box = pageBoxes_[static_cast<int>(*p.search)];
            layout->addWidget(buildSearchStrip(box, QString::fromLatin1(p.searchBox), width));
        }
        // "Compatível": the search box above, the grid keeps 172 pixels at the bottom.
        if (n == 4) layout->addStretch(1);
        auto* grid = new kui::DBGrid(QString::fromLatin1(p.grid));
        grid->setFont(font());
        grid->bind(p.dataSet, columnsOf(p));
        grid->setExportName(QString::fromUtf8(p.caption));
        layout->addWidget(grid);
        if (n == 4) {
            DBGrid3 = grid;
            DBGrid3->setFixedHeight(172);
        }
    }
    historyPage_ = new HistoryPage(*model_);
    historyPage_->setFont(font());
    PageControl1->addTab(historyPage_, QStringLiteral("Histórico"));
    edtPesquiseCid = pageBox(korvane::PageSearch::Cid10);
    edtPesquiseCbo = pageBox(korvane::PageSearch::Cbos);
    edtPesquiseCompa = pageBox(korvane::PageSearch::Compativel);
}

void TfrmKorvane::setTabOrder()
{
    QWidget* order[] = {dblGrupo, dblSubGrupo, dblFo, edtPesquise, btnLimpar, btnFicha, btnCid10, btnCbos,
                        dbgProcs, DBEdit10, DBEdit11, PageControl1};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) QWidget::setTabOrder(order[i], order[i + 1]);
}
