// The procedure browser of the main window: the hierarchy lookups and the
// search, the refresh of everything tied to the current procedure, and the
// related-table pages with their own searches.

#include "uKorvane.h"

#include "model/procsearch.h"
#include "core/text.h"
#include "ui/dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using korvane::PageSearch;
using korvane::SearchColumn;
using korvane::fromWin1252;
using korvane::toWin1252;

namespace {

// A flag set for a scope and put back however the scope ends.
class FlagScope {
public:
    explicit FlagScope(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = was_; }

private:
    bool& flag_;
    bool was_;
};

// A field of the current row as stored; the empty text when there is no row.
std::string textOf(const kdata::RecordSet* ds, const char* field)
{
    if (ds->currentRow() < 0) return {};
    return ds->field(QString::fromLatin1(field)).toString();
}

} // namespace

// --- layout of the pages --------------------------------------------------

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

kui::DBGrid* TfrmKorvane::addGrid(QWidget* page, const QString& name, kdata::DataSet* dataSet,
                                 std::vector<kui::Column> columns)
{
    auto* grid = new kui::DBGrid(name);
    grid->setFont(font());
    grid->bind(dataSet, std::move(columns));
    page->layout()->addWidget(grid);
    return grid;
}

void TfrmKorvane::buildTabs()
{
    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    const char* captions[] = {"Cid10 do Proc.", "CBOs do Proc.", "Clínicas", "Compatível",
                              "Modalidade", "Registro", "Atributo Complementar", "Detalhes",
                              "Incremento", "Procs. do Material OPM", "Habilitação",
                              "Serviço / Classificação"};
    std::vector<QWidget*> pages;
    for (const char* caption : captions) {
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("TabSheet%1").arg(pages.size() + 1));
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        PageControl1->addTab(page, QString::fromUtf8(caption));
        pages.push_back(page);
    }
    using C = kui::Column;
    const auto f = [](const char* name) { return C(QString::fromLatin1(name)); };

    pages[0]->layout()->addWidget(buildSearchStrip(edtPesquiseCid, QStringLiteral("edtPesquiseCid"), 199));
    addGrid(pages[0], QStringLiteral("dbgCid10"), qryProccid10, {f("CP_CID"), f("CID_DESCR"), f("CID_RESTRSEXO")});
    pages[1]->layout()->addWidget(buildSearchStrip(edtPesquiseCbo, QStringLiteral("edtPesquiseCbo"), 197));
    addGrid(pages[1], QStringLiteral("DBGrid1"), qryProccbos, {f("PCBO_CBO"), f("CBO_DESCR")});
    addGrid(pages[2], QStringLiteral("DBGrid2"), qryProcespecialidades, {f("PE_ESPEC"), f("CL_DESCR")});

    // "Compatível": the search box above, the grid keeps 172 pixels at the bottom.
    pages[3]->layout()->addWidget(buildSearchStrip(edtPesquiseCompa, QStringLiteral("edtPesquiseCompa"), 239));
    static_cast<QVBoxLayout*>(pages[3]->layout())->addStretch(1);
    DBGrid3 = addGrid(pages[3], QStringLiteral("DBGrid3"), qryProcopm,
                      {f("PC_PROC_SEC"), f("PROC_DESCR"), f("PROC_QTD_MAX"), f("PC_QT_PERMITIDA"), f("PROC_VL_SH")});
    DBGrid3->setFixedHeight(172);

    addGrid(pages[4], QStringLiteral("DBGrid6"), qryProcmodalidade, {f("PM_MOD"), f("MOD_DESCR")});
    addGrid(pages[5], QStringLiteral("DBGrid4"), qryProcregistro, {f("PR_REG"), f("REG_DESCR")});
    addGrid(pages[6], QStringLiteral("dbgAtributoComplementar"), qryAtributoComplentar, {f("DETALHE"), f("DESCRICAO")});
    addGrid(pages[7], QStringLiteral("DBGrid5"), qryProcdetalhe, {f("CH_COD"), f("CL_DESCR")});
    addGrid(pages[8], QStringLiteral("DBGrid7"), qryProchabilitacao,
            {f("INCR_CODIGO"), f("HAB_DESCRICAO"), f("INCR_PERC_SH"), f("INCR_PERC_SP")});
    addGrid(pages[9], QStringLiteral("DBGrid8"), qryProcsDaOpm,
            {f("PC_PROC_PRINC"), f("PROC_DESCR"), f("PROC_VL_SH"), f("PROC_VL_SP")});
    addGrid(pages[10], QStringLiteral("dbgHabilitacao"), qryProc_Habilitacao, {f("HABILITACAO"), f("HAB_DESCRICAO")});
    addGrid(pages[11], QStringLiteral("dbgServicoClassificacao"), qryProcServicoClassificacao,
            {f("PS_SERVICO"), f("SERV_DESCR"), f("PS_CLASSIF"), f("DESC_CLASSIF")});
}

// --- wiring -----------------------------------------------------------------

void TfrmKorvane::connectBrowser()
{
    const auto handler = [this](void (TfrmKorvane::*h)()) {
        return [this, h] { kui::guarded(this, [this, h] { (this->*h)(); }); };
    };
    connect(edtPesquise, &QLineEdit::textChanged, this, handler(&TfrmKorvane::edtPesquiseChange));

    struct Level {
        kui::DBLookupCombo* lookup;
        void (TfrmKorvane::*step)();
        void (TfrmKorvane::*enter)();
    };
    for (const Level& l : {Level{dblGrupo, &TfrmKorvane::dblGrupoClick, &TfrmKorvane::dblGrupoEnter},
                           Level{dblSubGrupo, &TfrmKorvane::dblSubGrupoClick, &TfrmKorvane::dblSubGrupoEnter},
                           Level{dblFo, &TfrmKorvane::dblFoClick, &TfrmKorvane::dblFoEnter}}) {
        // Choosing an entry and leaving the lookup run the same step.
        connect(l.lookup, &kui::DBLookupCombo::clicked, this, handler(l.step));
        connect(l.lookup, &kui::DBLookupCombo::exited, this, handler(l.step));
        connect(l.lookup, &kui::DBLookupCombo::entered, this, handler(l.enter));
        kui::DBLookupCombo* lookup = l.lookup;
        connect(lookup, &kui::DBLookupCombo::keyDown, this, [lookup](int key, Qt::KeyboardModifiers) {
            if (key == Qt::Key_Delete || key == Qt::Key_Backspace) lookup->setEmptyText();
        });
    }
    connect(btnLimpar, &QToolButton::clicked, this, handler(&TfrmKorvane::btnLimparClick));

    // Connected after the value boxes, so the complexity mark is laid over
    // what the financing box has just shown.
    connect(qryTbProc, &kdata::RecordSet::currentChanged, this, handler(&TfrmKorvane::dtsTbProcDataChange));
    connect(qryCid10Geral, &kdata::RecordSet::currentChanged, this, handler(&TfrmKorvane::dtsCid10GeralDataChange));

    connect(edtPesquiseCid, &QLineEdit::textChanged, this, handler(&TfrmKorvane::edtPesquiseCidChange));
    connect(edtPesquiseCbo, &QLineEdit::textChanged, this, handler(&TfrmKorvane::edtPesquiseCboChange));
    connect(edtPesquiseCompa, &QLineEdit::textChanged, this, handler(&TfrmKorvane::edtPesquiseCompaChange));
    connect(DBGrid3, &kui::DBGrid::dblClick, this, handler(&TfrmKorvane::DBGrid3DblClick));
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (index == 3) kui::guarded(this, [this] { TabSheet4Show(); });
    });
}

// --- procedure filter and search -------------------------------------------

std::string TfrmKorvane::shownCode(kui::DBLookupCombo* lookup) const
{
    return korvane::trimmedCopy(toWin1252(lookup->shownText()));
}

std::string TfrmKorvane::currentProcedureCode() const
{
    if (!qryTbProc->isOpen() || qryTbProc->currentRow() < 0) return {};
    return textOf(qryTbProc, "PROC_COD");
}

void TfrmKorvane::edtPesquiseChange() { procedureSearch(); }

bool TfrmKorvane::runProcedureStatement(const std::string& sql)
{
    qryTbProc->close();
    qryTbProc->setSql(sql);
    qryTbProc->open();
    return !qryTbProc->isEmpty();
}

bool TfrmKorvane::codesMayContain(const std::string& T)
{
    // The code scan is the slowest part of a keystroke, and most texts typed
    // are in no code at all.
    if (!procedureCodes_)
        procedureCodes_ = korvane::CodeSet::read(dtbDados(), qryTbProc->query().transaction(), "TB_PROC", "PROC_COD", 10);
    return procedureCodes_->mayContain(T);
}

void TfrmKorvane::procedureSearch()
{
    const std::string T = korvane::trimmedCopy(toWin1252(edtPesquise->text()));
    bool found = false;
    if (codesMayContain(T)) {
        // A first statement that finds nothing is replaced at once; only the
        // list that stays gets the detail refresh.
        FlagScope quiet(suppressDetail_);
        found = runProcedureStatement(korvane::procedureSearchSql(shownCode(dblGrupo), shownCode(dblSubGrupo),
                                                                  shownCode(dblFo), SearchColumn::Code, T));
    }
    if (found) {
        dtsTbProcDataChange();
        return;
    }
    runProcedureStatement(korvane::procedureSearchSql(shownCode(dblGrupo), shownCode(dblSubGrupo), shownCode(dblFo),
                                                      SearchColumn::Description, T));
}

void TfrmKorvane::setSearchText(const QString& text) { edtPesquise->setText(text); }

void TfrmKorvane::dblGrupoClick()
{
    if (shownCode(dblGrupo).empty()) return;
    // A subgroup or form chosen under the previous group would keep
    // filtering the new group's list on their positions: empty them first.
    dblSubGrupo->clearValue();
    dblFo->clearValue();
    qryFo->close();
    const QString grupo = fromWin1252(textOf(qryGrupo, "CODIGO"));
    setSearchText(QString());
    setSearchText(grupo);
    procedureSearch();
    qrySubGrupo->close();
    qrySubGrupo->setParam("sg_cod_gr", qryGrupo->field(QStringLiteral("GRUPO_COD_GR")));
    qrySubGrupo->open();
    dblSubGrupo->fetchAllRows();
}

void TfrmKorvane::dblSubGrupoClick()
{
    if (shownCode(dblSubGrupo).empty()) return;
    dblFo->clearValue();
    const std::string grupo = textOf(qryGrupo, "CODIGO");
    const std::string subgrupo = textOf(qrySubGrupo, "SUBGRUPO");
    setSearchText(QString());
    setSearchText(fromWin1252(grupo + subgrupo));
    procedureSearch();
    qryFo->close();
    qryFo->setParam("grupo", grupo);
    qryFo->setParam("subgrupo", subgrupo);
    qryFo->open();
    dblFo->fetchAllRows();
}

void TfrmKorvane::dblFoClick()
{
    if (shownCode(dblFo).empty()) return;
    setSearchText(QString());
    setSearchText(fromWin1252(textOf(qryGrupo, "CODIGO") + textOf(qrySubGrupo, "SUBGRUPO") + textOf(qryFo, "FO")));
    procedureSearch();
}

void TfrmKorvane::dblGrupoEnter() { dblGrupo->fetchAllRows(); }

void TfrmKorvane::dblSubGrupoEnter()
{
    if (!shownCode(dblGrupo).empty() && qrySubGrupo->isOpen()) dblSubGrupo->fetchAllRows();
}

void TfrmKorvane::dblFoEnter()
{
    if (!shownCode(dblGrupo).empty() && qryFo->isOpen()) dblFo->fetchAllRows();
}

void TfrmKorvane::btnLimparClick()
{
    // Clearing a box is a change of its text even when it was empty already:
    // its search runs again either way.
    for (auto [box, search] : {std::pair{edtPesquiseCid, &TfrmKorvane::edtPesquiseCidChange},
                               std::pair{edtPesquiseCbo, &TfrmKorvane::edtPesquiseCboChange}}) {
        if (box->text().isEmpty()) (this->*search)();
        else box->clear();
    }
    dblGrupo->setEmptyText();
    dblSubGrupo->setEmptyText();
    qrySubGrupo->close();
    dblFo->setEmptyText();
    qryFo->close();
    if (edtPesquise->text().isEmpty()) procedureSearch();
    else edtPesquise->clear();
    PageControl1->setCurrentIndex(0);
    edtPesquise->setFocus(Qt::OtherFocusReason);
}

// --- detail of the current procedure ---------------------------------------

void TfrmKorvane::dtsTbProcDataChange()
{
    // A closed list (a failed search) refreshes nothing: the pages keep what they showed.
    if (suppressDetail_ || !qryTbProc->isOpen()) return;
    const std::string C = currentProcedureCode();
    const auto reopen = [&C](kdata::DataSet* ds, const char* param) {
        ds->close();
        ds->setParam(param, C);
        ds->open();
    };
    if (C.compare(0, 2, "07") == 0) reopen(qryProcsDaOpm, "pc_proc_sec");
    else qryProcsDaOpm->close();
    reopen(qryProchabilitacao, "incr_proc");
    reopen(qryProcmodalidade, "pm_proc");
    reopen(qryProcdetalhe, "ch_proc");
    reopen(qryProcregistro, "pr_proc");
    reopen(qryProcopm, "pc_proc_princ");
    reopen(qryProcespecialidades, "pe_proc");
    reopen(qryProccbos, "pcbo_proc");
    reopen(qryProccid10, "cp_proc");
    reopen(qryProc_Habilitacao, "procedimento");
    reopen(qryProcServicoClassificacao, "ps_proc");
    reopen(qryDescricoes, "procedimento");
    const bool high = qryTbProc->currentRow() >= 0 &&
                      korvane::trimmed(textOf(qryTbProc, "PROC_COMPLEX")) == std::string_view("3");
    if (high) {
        DBEdit10->clear();
        DBEdit10->showMark(QStringLiteral("ALTA COMPLEXIDADE"), QColor(255, 0, 0));
    } else {
        DBEdit10->setTextColor(Qt::black);
        DBEdit10->refresh();
    }
    reopen(qryAtributoComplentar, "procedimento");
}

void TfrmKorvane::dtsCid10GeralDataChange()
{
    if (!qryCid10Geral->isOpen()) return;
    qryProcsCid10Geral->close();
    qryProcsCid10Geral->setParam("cp_cid", textOf(qryCid10Geral, "CID_COD"));
    qryProcsCid10Geral->open();
}

// --- related-table pages ----------------------------------------------------

void TfrmKorvane::pageSearch(PageSearch which, kdata::DataSet* dataSet, QLineEdit* box)
{
    const std::string T = korvane::trimmedCopy(toWin1252(box->text()));
    const std::string C = currentProcedureCode();
    for (bool second : {false, true}) {
        dataSet->close();
        dataSet->setSql(korvane::pageSearchSql(which, second, T));
        dataSet->setParam(korvane::pageSearchParam(which), C);
        dataSet->open();
        if (!dataSet->isEmpty()) return;
    }
}

void TfrmKorvane::edtPesquiseCidChange() { pageSearch(PageSearch::Cid10, qryProccid10, edtPesquiseCid); }

void TfrmKorvane::edtPesquiseCboChange() { pageSearch(PageSearch::Cbos, qryProccbos, edtPesquiseCbo); }

void TfrmKorvane::edtPesquiseCompaChange() { pageSearch(PageSearch::Compativel, qryProcopm, edtPesquiseCompa); }

void TfrmKorvane::DBGrid3DblClick()
{
    const QString code = fromWin1252(textOf(qryProcopm, "PC_PROC_SEC"));
    setSearchText(QString());
    setSearchText(code);
    procedureSearch();
}

void TfrmKorvane::TabSheet4Show() { edtPesquiseCompa->setFocus(Qt::OtherFocusReason); }
