#include "lookupwindow.h"

#include "ui/dialogs.h"
#include "ui/style.h"
#include "ui/typedsearch.h"
#include "ui/upperedit.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace {

std::vector<kui::Column> columnsOf(const std::vector<kdata::FieldDef>& defs)
{
    std::vector<kui::Column> cols;
    for (const kdata::FieldDef& d : defs) cols.emplace_back(d.name);
    return cols;
}

} // namespace

LookupWindow::LookupWindow(const Design& design, kdb::Connection& connection,
                           std::function<void(const QString&)> handBack, QWidget* parent)
    : QDialog(parent), design_(design), model_(design.kind, connection), handBack_(std::move(handBack))
{
    setObjectName(design.name);
    setWindowTitle(QStringLiteral("KORVANE  NORTEVIA"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(kui::tahoma(design.fontPixels));
    resize(730, 522);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(kui::navyBanner(design.banner, QStringLiteral("Panel1"),
                                 kui::pixelFont(QStringLiteral("Times New Roman"), 32)));
    v->addWidget(buildCodes());
    v->addWidget(buildProcedures(), 1);

    QFrame* bottom = kui::sunkenBand(41, QStringLiteral("Panel2"));
    auto* bh = new QHBoxLayout(bottom);
    bh->setContentsMargins(2, 2, 4, 2);
    bh->addStretch(1);
    BitBtn1 = kui::exitButton();
    BitBtn1->setFixedSize(95, 37);
    bh->addWidget(BitBtn1);
    v->addWidget(bottom);

    QWidget::setTabOrder(BitBtn1, edtPesquise);
    QWidget::setTabOrder(edtPesquise, DBGrid1);
    QWidget::setTabOrder(DBGrid1, edtPesquiseProc);
    QWidget::setTabOrder(edtPesquiseProc, DBGrid2);
    connectModel();
    kui::installWindowKeys(this);

    kui::guarded(this, [this] { model_.open(); });
}

LookupWindow::~LookupWindow()
{
    // The boxes go after the model, and one losing the focus as it goes
    // would search with it.
    for (kui::TypedSearch* s : searches_) s->stop();
}

QWidget* LookupWindow::buildCodes()
{
    auto* box = new QWidget;
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    QWidget* upperBand = searchBand(QStringLiteral("edtPesquise"), edtPesquise, 80, 9);
    upperBand->setObjectName(QStringLiteral("Panel3"));
    v->addWidget(upperBand);
    DBGrid1 = new kui::DBGrid(QStringLiteral("DBGrid1"));
    DBGrid1->setFixedHeight(183);
    DBGrid1->bind(model_.codes(), columnsOf(model_.definition().codeColumns));
    DBGrid1->setExportName(design_.banner);
    v->addWidget(DBGrid1);
    return box;
}

QWidget* LookupWindow::buildProcedures()
{
    auto* group = new QGroupBox(design_.groupCaption);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* gv = new QVBoxLayout(group);
    gv->setContentsMargins(2, 2, 2, 2);
    gv->setSpacing(0);
    QWidget* lowerBand = searchBand(QStringLiteral("edtPesquiseProc"), edtPesquiseProc, 78, 10);
    lowerBand->setObjectName(QStringLiteral("Panel4"));
    gv->addWidget(lowerBand);
    DBGrid2 = new kui::DBGrid(QStringLiteral("DBGrid2"));
    DBGrid2->bind(model_.procedures(), columnsOf(model_.definition().procedureColumns));
    DBGrid2->setExportName(design_.groupCaption.simplified());
    gv->addWidget(DBGrid2);
    return group;
}

QWidget* LookupWindow::searchBand(const QString& name, QLineEdit*& box, int left, int top)
{
    QFrame* f = kui::sunkenBand(41);
    auto* label = new QLabel(QStringLiteral("  PESQUISE:"), f);
    label->setGeometry(2, 0, left - 2, 41);
    box = new kui::UpperCaseEdit(name, f);
    box->setFrame(false);
    box->setGeometry(left, top, 289, design_.boxHeight);
    box->setStyleSheet(QStringLiteral("border: 1px solid gray;"));
    label->setBuddy(box);
    return f;
}

void LookupWindow::connectModel()
{
    korvane::LookupModel* m = &model_;
    // Both boxes keep up with fast typing as the main window's do.
    searches_[0] = new kui::TypedSearch(edtPesquise, [this, m](const QString& text) {
        kui::guarded(this, [&] { m->search(text); });
    });
    searches_[1] = new kui::TypedSearch(edtPesquiseProc, [this, m](const QString& text) {
        kui::guarded(this, [&] { m->searchProcedures(text); });
    });
    connect(m, &korvane::LookupModel::failed, this,
            [this](std::exception_ptr error) { kui::guarded(this, [&] { std::rethrow_exception(error); }); });
    connect(DBGrid2, &kui::DBGrid::dblClick, this, kui::guardedSlot(this, [this] { DBGrid2DblClick(); }));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::close);
}

void LookupWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    edtPesquise->setFocus(Qt::OtherFocusReason);
}

void LookupWindow::DBGrid2DblClick()
{
    handBack_(model_.chosenProcedure());
    close();
}

void LookupWindow::closeEvent(QCloseEvent* event)
{
    for (kui::TypedSearch* s : searches_) s->stop();
    model_.close();
    QDialog::closeEvent(event);
}

void LookupWindow::done(int result)
{
    for (kui::TypedSearch* s : searches_) s->stop();
    model_.close();
    QDialog::done(result);
}
