#include "lookupwindow.h"

#include "core/text.h"
#include "ui/dialogs.h"
#include "ui/keypreview.h"
#include "ui/pictures.h"
#include "ui/upperedit.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QFont tahoma(int pixels, bool bold = false)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFrame* band(int height, bool lowered)
{
    auto* f = new QFrame;
    f->setFixedHeight(height);
    if (lowered) {
        f->setFrameShape(QFrame::Panel);
        f->setFrameShadow(QFrame::Sunken);
    }
    return f;
}

std::vector<kui::Column> columnsOf(kdata::RecordSet* ds, const std::vector<kdata::FieldDef>& defs)
{
    std::vector<kui::Column> cols;
    for (const kdata::FieldDef& d : defs) {
        ds->setFieldDef(d);
        cols.emplace_back(d.name);
    }
    return cols;
}

} // namespace

LookupWindow::LookupWindow(const Design& design, kdb::Connection& connection,
                           std::function<void(const QString&)> handBack, QWidget* parent)
    : QDialog(parent), design_(design), handBack_(std::move(handBack)), connection_(connection)
{
    setObjectName(design.name);
    setWindowTitle(QStringLiteral("KORVANE  NORTEVIA"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFont(tahoma(design.fontPixels));
    resize(730, 522);

    using Access = kdb::Transaction::Access;
    codesTransaction_ = std::make_unique<kdb::Transaction>(connection, Access::ReadOnly);
    proceduresTransaction_ = std::make_unique<kdb::Transaction>(connection, Access::ReadOnly);
    codes_ = new kdata::DataSet(design.codesName, connection, *codesTransaction_, this);
    codes_->setSql(design.codesSql);
    procedures_ = new kdata::DataSet(design.proceduresName, connection, *proceduresTransaction_, this);
    procedures_->setSql(design.proceduresSql);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);

    auto* banner = new QLabel(design.banner);
    banner->setObjectName(QStringLiteral("Panel1"));
    banner->setFixedHeight(41);
    banner->setAlignment(Qt::AlignCenter);
    QFont times(QStringLiteral("Times New Roman"));
    times.setPixelSize(32);
    banner->setFont(times);
    banner->setStyleSheet(QStringLiteral("background-color: navy; color: white;"));
    v->addWidget(banner);

    QWidget* upperBand = searchBand(QStringLiteral("edtPesquise"), edtPesquise, 80, 9);
    upperBand->setObjectName(QStringLiteral("Panel3"));
    v->addWidget(upperBand);

    DBGrid1 = new kui::DBGrid(QStringLiteral("DBGrid1"));
    DBGrid1->setFixedHeight(183);
    DBGrid1->bind(codes_, columnsOf(codes_, design.codeColumns));
    v->addWidget(DBGrid1);

    auto* group = new QGroupBox(design.groupCaption);
    group->setObjectName(QStringLiteral("GroupBox1"));
    auto* gv = new QVBoxLayout(group);
    gv->setContentsMargins(2, 2, 2, 2);
    gv->setSpacing(0);
    QWidget* lowerBand = searchBand(QStringLiteral("edtPesquiseProc"), edtPesquiseProc, 78, 10);
    lowerBand->setObjectName(QStringLiteral("Panel4"));
    gv->addWidget(lowerBand);
    DBGrid2 = new kui::DBGrid(QStringLiteral("DBGrid2"));
    DBGrid2->bind(procedures_, columnsOf(procedures_, design.procedureColumns));
    gv->addWidget(DBGrid2);
    v->addWidget(group, 1);

    QFrame* bottom = band(41, true);
    bottom->setObjectName(QStringLiteral("Panel2"));
    auto* bh = new QHBoxLayout(bottom);
    bh->setContentsMargins(2, 2, 4, 2);
    bh->addStretch(1);
    BitBtn1 = new QPushButton(QIcon(kui::pictures::exitDoor(24)), QStringLiteral("SAIR"));
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setIconSize(QSize(24, 24));
    BitBtn1->setFixedSize(95, 37);
    BitBtn1->setFont(tahoma(16, true));
    BitBtn1->setAutoDefault(false);
    bh->addWidget(BitBtn1);
    v->addWidget(bottom);

    QWidget::setTabOrder(BitBtn1, edtPesquise);
    QWidget::setTabOrder(edtPesquise, DBGrid1);
    QWidget::setTabOrder(DBGrid1, edtPesquiseProc);
    QWidget::setTabOrder(edtPesquiseProc, DBGrid2);

    const auto guarded = [this](void (LookupWindow::*h)()) {
        return [this, h] { kui::guarded(this, [this, h] { (this->*h)(); }); };
    };
    connect(edtPesquise, &QLineEdit::textChanged, this, guarded(&LookupWindow::edtPesquiseChange));
    connect(edtPesquiseProc, &QLineEdit::textChanged, this, guarded(&LookupWindow::edtPesquiseProcChange));
    connect(codes_, &kdata::RecordSet::currentChanged, this, guarded(&LookupWindow::codesDataChange));
    connect(DBGrid2, &kui::DBGrid::dblClick, this, guarded(&LookupWindow::DBGrid2DblClick));
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::close);

    new kui::KeyPreview(this, [this](QKeyEvent* e) {
        if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
            kui::focusNext(this);
            return true;
        }
        if (e->key() == Qt::Key_Escape) {
            close();
            return true;
        }
        return false;
    });

    kui::guarded(this, [this] { FormCreate(); });
}

LookupWindow::~LookupWindow()
{
    FormClose();
    // The data sets before the transactions their queries run in.
    delete codes_;
    delete procedures_;
}

QWidget* LookupWindow::searchBand(const QString& name, QLineEdit*& box, int left, int top)
{
    QFrame* f = band(41, true);
    auto* label = new QLabel(QStringLiteral("  PESQUISE:"), f);
    label->setGeometry(2, 0, left - 2, 41);
    box = new kui::UpperCaseEdit(name, f);
    box->setFrame(false);
    box->setGeometry(left, top, 289, design_.boxHeight);
    box->setStyleSheet(QStringLiteral("border: 1px solid gray;"));
    label->setBuddy(box);
    return f;
}

void LookupWindow::FormCreate() { codes_->open(); }

void LookupWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    edtPesquise->setFocus(Qt::OtherFocusReason);
}

void LookupWindow::run(kdata::DataSet* ds, const std::string& sql, bool bind)
{
    ds->close();
    ds->setSql(sql);
    if (bind) ds->setParam(design_.codeParam, currentCode());
    ds->open();
}

std::string LookupWindow::currentCode() const
{
    return codes_->currentRow() < 0 ? std::string() : codes_->field(design_.codeField).toString();
}

void LookupWindow::edtPesquiseChange()
{
    const std::string T = korvane::trimmedCopy(korvane::toWin1252(edtPesquise->text()));
    if (someCodeMayContain(T)) {
        run(codes_, korvane::lookupSearchSql(design_.codes, false, T), false);
        if (!codes_->isEmpty()) return;
    }
    run(codes_, korvane::lookupSearchSql(design_.codes, true, T), false);
}

bool LookupWindow::someCodeMayContain(const std::string& T)
{
    // Read at the first search: the tables cannot change while this modal
    // window is open.
    if (!knownCodes_)
        knownCodes_ = korvane::CodeSet::read(connection_, *codesTransaction_, design_.codes.table,
                                             design_.codes.codeColumn, design_.codes.codeWidth);
    return knownCodes_->mayContain(T);
}

void LookupWindow::edtPesquiseProcChange()
{
    const std::string T = korvane::trimmedCopy(korvane::toWin1252(edtPesquiseProc->text()));
    // The procedures of one code are few: their codes are not worth holding.
    if (korvane::CodeSet::fitsWidth(design_.procedures.codeWidth, T)) {
        run(procedures_, korvane::lookupProceduresSql(design_.procedures, false, T), true);
        if (!procedures_->isEmpty()) return;
    }
    run(procedures_, korvane::lookupProceduresSql(design_.procedures, true, T), true);
}

void LookupWindow::codesDataChange()
{
    // Only a list that is open moves; a closed one (a rejected search) leaves
    // the procedures as they were.
    if (!codes_->isOpen()) return;
    procedures_->close();
    procedures_->setParam(design_.codeParam, currentCode());
    procedures_->open();
}

void LookupWindow::DBGrid2DblClick()
{
    const QString code = procedures_->currentRow() < 0
                             ? QString()
                             : korvane::fromWin1252(procedures_->field(design_.procedureField).toString());
    handBack_(code);
    close();
}

void LookupWindow::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

void LookupWindow::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void LookupWindow::FormClose()
{
    if (closed_) return;
    closed_ = true;
    codes_->close();
    if (design_.closeProceduresOnClose) procedures_->close();
}
