// The procedure browser driven as a person would: lookups, the search box,
// the list, the detail panel and the related-table pages.

#include "model/procsearch.h"
#include "app/uKorvane.h"
#include "ui/dbgrid.h"
#include "ui/dblookup.h"
#include "ui/dbedit.h"
#include "support/fixture.h"
#include "support/searchoracle.h"
#include "support/tempdb.h"
#include "support/browserfixture.h"
#include "support/widgets.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QScreen>
#include <QLocale>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

namespace {

using ktest::SearchColumn;

using ktest::Browser;
using ktest::kAll;


TEST(SearchStatements, AreBuiltFromTheLookupsAndTheText)
{
    const std::string base = "select tb_proc.*,financ_descr from tb_proc left join tb_financiamento on "
                             "(tb_proc.proc_co_financ=tb_financiamento.financ_cod)";
    EXPECT_EQ(ktest::procedureSearchSql("", "01 - X", "01 - Y", SearchColumn::Code, "0301"),
              base + " where proc_cod containing'0301'");
    EXPECT_EQ(ktest::procedureSearchSql("03 - Clinicos", "01 - Consultas", "", SearchColumn::Description, "D'A"),
              base + " where substring(proc_cod from 1 for 2)='03' and substring(proc_cod from 3 for 2)='01' and "
                     "proc_descr containing'D''A'");
    const korvane::BoundStatement page =
        korvane::pageSearchStatement(korvane::PageSearch::Compativel, true, korvane::SearchText::parse(QStringLiteral("x ÿ")));
    EXPECT_EQ(page.sql, "select tb_proc_comp.*,proc_descr,proc_qtd_max,proc_vl_sh from TB_PROC_COMP,TB_PROC where "
                        "pc_proc_princ =:pc_proc_princ and tb_proc_comp.pc_proc_sec=tb_proc.proc_cod and proc_descr "
                        "collate WIN_PTBR containing cast(:p1 as varchar(32765)) and proc_descr collate WIN_PTBR "
                        "containing cast(:p2 as varchar(32765))");
    ASSERT_EQ(page.params.size(), 2u);
    EXPECT_EQ(page.params[0].second, "X");
}

TEST(Totals, FollowTheFourCasesExactly)
{
    using kdb::Decimal;
    const auto t = [](const char* sa, const char* sh, const char* sp) {
        const auto p = [](const char* s) { return s ? Decimal::parse(s) : std::nullopt; };
        const auto r = korvane::totalShSp(p(sa), p(sh), p(sp));
        return r ? r->toString() : std::string("empty");
    };
    EXPECT_EQ(t("0.00", "100.00", "20.00"), "120.00");
    EXPECT_EQ(t("15.00", "0.00", "3.00"), "18.00");
    EXPECT_EQ(t("10.00", "5.00", "1.00"), "6.00");
    EXPECT_EQ(t(nullptr, nullptr, "2.50"), "2.50");
    EXPECT_EQ(t("-1.00", "5.00", "1.00"), "empty");
    EXPECT_EQ(t("1.00", "-5.00", "1.00"), "empty");
    EXPECT_EQ(t("0.00", "9999999999999999.99", "9999999999999999.99"), "19999999999999999.98");
}

TEST_F(Browser, EmptyBoxWithoutGroupListsEveryProcedure)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("X"));
    QTest::keyClick(ktest::control<QLineEdit>(*w, "edtPesquise"), Qt::Key_Backspace);
    QApplication::processEvents();   // a key is searched when the event loop comes round
    EXPECT_EQ(listed(), kAll);   // the one without a financing row too
    moveTo("0301010099");
    EXPECT_EQ(child<QLineEdit>("DBEdit10")->text(), QString());
}

TEST_F(Browser, DigitsAreFoundAnywhereInTheCodeAndWordsInTheNames)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0211030100", "0301010030", "0301010072", "0301010099", "0301060010",
                                                "0303010037", "0303010045"}));
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("tratamento"));   // typed in lower case, searched in capitals
    EXPECT_EQ(ktest::control<QLineEdit>(*w, "edtPesquise")->text(), QStringLiteral("TRATAMENTO"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0303010037", "0303010045"}));
    EXPECT_EQ(w->model().qryTbProc()->currentRow(), 0);
}

TEST_F(Browser, AGroupRestrictsTheWordSearch)
{
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("03"));
    EXPECT_EQ(ktest::control<QLineEdit>(*w, "edtPesquise")->text(), QStringLiteral("03"));
    EXPECT_EQ(listed().size(), 6u);
    EXPECT_TRUE(ktest::control<kui::DBLookupCombo>(*w, "dblSubGrupo")->shownText().isEmpty());
    EXPECT_EQ(ktest::control<kui::DBLookupCombo>(*w, "dblSubGrupo")->count(), 2);
    // Leaving the lookup runs its step again, which writes the group's code once more.
    ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();
    EXPECT_EQ(ktest::control<QLineEdit>(*w, "edtPesquise")->text(), QStringLiteral("03"));
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("CONSULTA"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0301010030", "0301010072", "0301010099"}));
}

TEST_F(Browser, TheCascadeNarrowsToAFormOfOrganisation)
{
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("03"));
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblSubGrupo"), QStringLiteral("01"));
    EXPECT_EQ(ktest::control<QLineEdit>(*w, "edtPesquise")->text(), QStringLiteral("0301"));
    EXPECT_EQ(ktest::control<kui::DBLookupCombo>(*w, "dblFo")->count(), 2);            // the subgroup's forms
    EXPECT_TRUE(ktest::control<kui::DBLookupCombo>(*w, "dblFo")->shownText().isEmpty());
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblFo"), QStringLiteral("06"));
    EXPECT_EQ(ktest::control<QLineEdit>(*w, "edtPesquise")->text(), QStringLiteral("030106"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0301060010"}));
    EXPECT_EQ(ktest::control<kui::DBLookupCombo>(*w, "dblFo")->state(), kui::DBLookupCombo::State::Entry);
}

TEST_F(Browser, ANewGroupDropsTheFormChosenUnderTheOldOne)
{
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("03"));
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblSubGrupo"), QStringLiteral("01"));
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblFo"), QStringLiteral("06"));
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("04"));
    // Without the form and subgroup of group 03 filtering positions 3-6.
    EXPECT_EQ(listed(), (std::set<std::string>{"0401010015", "0401010023"}));
    EXPECT_TRUE(ktest::control<kui::DBLookupCombo>(*w, "dblFo")->shownText().isEmpty());
    EXPECT_FALSE(w->model().qryFo()->isOpen());
    EXPECT_EQ(ktest::control<kui::DBLookupCombo>(*w, "dblFo")->count(), 0);
}

TEST_F(Browser, DeleteEmptiesALookupWithoutSearching)
{
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("03"));
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblSubGrupo"), QStringLiteral("03"));
    const std::set<std::string> before = listed();
    ktest::control<kui::DBLookupCombo>(*w, "dblGrupo")->setFocus();
    QTest::keyClick(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), Qt::Key_Delete);
    EXPECT_EQ(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo")->state(), kui::DBLookupCombo::State::EmptyText);
    EXPECT_TRUE(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo")->shownText().isEmpty());
    EXPECT_EQ(listed(), before);   // no search ran
    EXPECT_FALSE(ktest::control<kui::DBLookupCombo>(*w, "dblSubGrupo")->shownText().isEmpty());
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("04"));
    // No hierarchy filter, although the subgroup still shows its entry.
    EXPECT_EQ(listed(), (std::set<std::string>{"0401010015", "0401010023", "0303010045"}));
}

TEST_F(Browser, EnteringTheGroupLookupAndLeavingEmptiesIt)
{
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("07"));
    ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();
    const std::set<std::string> before = listed();
    ktest::control<kui::DBLookupCombo>(*w, "dblGrupo")->setFocus();
    ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();   // leaves without choosing
    EXPECT_TRUE(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo")->shownText().isEmpty());
    EXPECT_EQ(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo")->state(), kui::DBLookupCombo::State::NoValue);
    EXPECT_EQ(listed(), before);
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301"));
    EXPECT_EQ(listed().size(), 7u);
}

TEST_F(Browser, ClearResetsEverythingButTheCompatibleBox)
{
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("03"));
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblSubGrupo"), QStringLiteral("01"));
    type(ktest::control<QLineEdit>(*w, "edtPesquiseCid"), QStringLiteral("COLERA"));
    type(ktest::control<QLineEdit>(*w, "edtPesquiseCbo"), QStringLiteral("MEDICO"));
    type(ktest::control<QLineEdit>(*w, "edtPesquiseCompa"), QStringLiteral("0301"));
    ktest::control<QTabWidget>(*w, "PageControl1")->setCurrentIndex(5);
    QTest::mouseClick(child("btnLimpar"), Qt::LeftButton);
    EXPECT_TRUE(ktest::control<QLineEdit>(*w, "edtPesquise")->text().isEmpty());
    EXPECT_TRUE(ktest::control<QLineEdit>(*w, "edtPesquiseCid")->text().isEmpty());
    EXPECT_TRUE(ktest::control<QLineEdit>(*w, "edtPesquiseCbo")->text().isEmpty());
    EXPECT_EQ(ktest::control<QLineEdit>(*w, "edtPesquiseCompa")->text(), QStringLiteral("0301"));
    for (kui::DBLookupCombo* l : {ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), ktest::control<kui::DBLookupCombo>(*w, "dblSubGrupo"), ktest::control<kui::DBLookupCombo>(*w, "dblFo")}) {
        EXPECT_EQ(l->state(), kui::DBLookupCombo::State::EmptyText);
        EXPECT_TRUE(l->shownText().isEmpty());
    }
    EXPECT_FALSE(w->model().qrySubGrupo()->isOpen());
    EXPECT_FALSE(w->model().qryFo()->isOpen());
    EXPECT_EQ(listed(), kAll);
    EXPECT_EQ(ktest::control<QTabWidget>(*w, "PageControl1")->currentIndex(), 0);
    EXPECT_EQ(QApplication::focusWidget(), ktest::control<QLineEdit>(*w, "edtPesquise"));
}

TEST_F(Browser, TheDetailPanelShowsValuesTotalsAndTheComplexityMark)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0"));
    auto* total = child<QLineEdit>("DBEdit11");
    auto* financing = child<QLineEdit>("DBEdit10");
    moveTo("0301060010");
    EXPECT_EQ(total->text(), QStringLiteral("120,00"));
    // Ages as the release means them: 6 months (stored as 1 year), 9999 months no limit.
    EXPECT_EQ(child<QLineEdit>("DBEdit5")->text(), QStringLiteral("6 meses"));
    EXPECT_EQ(child<QLineEdit>("DBEdit6")->text(), QStringLiteral("—"));
    EXPECT_EQ(child<QLineEdit>("DBEdit8")->text(), QStringLiteral("100,00"));
    moveTo("0303010037");
    EXPECT_EQ(total->text(), QStringLiteral("18,00"));
    moveTo("0303010045");
    EXPECT_EQ(child<QLineEdit>("DBEdit8")->text(), QStringLiteral("1.234.567,89"));
    EXPECT_EQ(child<QLineEdit>("DBEdit5")->text(), QStringLiteral("18 anos"));
    EXPECT_EQ(child<QLineEdit>("DBEdit6")->text(), QStringLiteral("60 anos e 2 meses"));
    moveTo("0401010015");
    EXPECT_EQ(total->text(), QStringLiteral("6,00"));
    EXPECT_EQ(financing->text(), QStringLiteral("Média e Alta Complexidade (MAC)"));
    EXPECT_EQ(financing->palette().color(QPalette::Text), QColor(Qt::black));
    moveTo("0401010023");
    EXPECT_EQ(financing->text(), QStringLiteral("ALTA COMPLEXIDADE"));
    EXPECT_EQ(financing->palette().color(QPalette::Text), QColor(255, 0, 0));
    // The mark stays a plain display through a visit of the focus.
    financing->setFocus();
    ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();
    EXPECT_EQ(financing->text(), QStringLiteral("ALTA COMPLEXIDADE"));
    moveTo("0401010015");
    EXPECT_EQ(financing->text(), QStringLiteral("Média e Alta Complexidade (MAC)"));
    EXPECT_EQ(financing->palette().color(QPalette::Text), QColor(Qt::black));
}

TEST_F(Browser, MemoAndPagesFollowTheCurrentProcedure)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301010072"));
    auto* memo = child<QPlainTextEdit>("dbmDescricoes");
    EXPECT_EQ(memo->toPlainText(), QStringLiteral("Consulta clínica realizada por médico especialista."));
    EXPECT_EQ(codes(w->model().qryProccid10(), "CP_CID"), (std::set<std::string>{"A00 ", "J18 ", "N40 "}));
    EXPECT_EQ(w->model().qryProccid10()->value(0, QStringLiteral("CP_CID")).toString(), "A00 ");   // ordered by code
    EXPECT_EQ(codes(w->model().qryProccbos(), "PCBO_CBO"), (std::set<std::string>{"225125", "225250"}));
    EXPECT_EQ(codes(w->model().qryProcespecialidades(), "PE_ESPEC"), (std::set<std::string>{"03"}));
    EXPECT_EQ(codes(w->model().qryProcmodalidade(), "PM_MOD"), (std::set<std::string>{"01"}));
    EXPECT_EQ(codes(w->model().qryProcregistro(), "PR_REG"), (std::set<std::string>{"02"}));
    EXPECT_EQ(codes(w->model().qryAtributoComplentar(), "DETALHE"), (std::set<std::string>{"009", "012"}));
    EXPECT_EQ(codes(w->model().qryProcdetalhe(), "CL_DESCR"), (std::set<std::string>{"Laudo medico"}));
    // The classification of another service does not pair with this one.
    EXPECT_EQ(codes(w->model().qryProcServicoClassificacao(), "PS_CLASSIF"), (std::set<std::string>{"001"}));
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301060010"));
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    EXPECT_EQ(w->model().qryProchabilitacao()->currentText(QStringLiteral("INCR_PERC_SH")), QStringLiteral("30,00"));
    EXPECT_EQ(w->model().qryProchabilitacao()->currentText(QStringLiteral("INCR_PERC_SP")), QStringLiteral("12,50"));
}

TEST_F(Browser, MaterialsOfGroup07ListTheirPrincipals)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0702010016"));
    EXPECT_TRUE(w->model().qryProcsDaOpm()->isOpen());
    EXPECT_EQ(codes(w->model().qryProcsDaOpm(), "PC_PROC_PRINC"), (std::set<std::string>{"0401010015", "0401010023"}));
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0401010015"));
    EXPECT_FALSE(w->model().qryProcsDaOpm()->isOpen());
    EXPECT_EQ(child<kui::DBGrid>("DBGrid8")->model()->rowCount(), 0);
}

TEST_F(Browser, AnEmptyListEmptiesEveryPage)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0401010023"));
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("ZZZ"));
    EXPECT_TRUE(w->model().qryTbProc()->isEmpty());
    for (kdata::DataSet* ds : {w->model().qryProccid10(), w->model().qryProccbos(), w->model().qryProcopm(), w->model().qryDescricoes()})
        EXPECT_TRUE(ds->isEmpty()) << ds->objectName().toStdString();
    EXPECT_TRUE(child<QLineEdit>("DBEdit11")->text().isEmpty());
    EXPECT_TRUE(child<QLineEdit>("DBEdit10")->text().isEmpty());
    EXPECT_EQ(child<QLineEdit>("DBEdit10")->palette().color(QPalette::Text), QColor(Qt::black));
}

TEST_F(Browser, EvenRowsAreGrey)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("03"));
    QAbstractItemModel* m = ktest::control<kui::DBGrid>(*w, "dbgProcs")->model();
    ASSERT_GE(m->rowCount(), 4);
    EXPECT_FALSE(m->index(0, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(m->index(1, 1).data(Qt::BackgroundRole).value<QColor>(), kui::DataSetModel::stripeColor());
    EXPECT_FALSE(m->index(2, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_EQ(m->index(3, 0).data(Qt::BackgroundRole).value<QColor>(), kui::DataSetModel::stripeColor());
}

// What the list shows on screen: every digit of a code, and the row
// indicator drawn on the current row only, also after moving by keyboard.
TEST_F(Browser, TheListShowsWholeCodesAndTheIndicatorOnTheCurrentRow)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("03"));
    QApplication::processEvents();
    const QFontMetrics fm(ktest::control<kui::DBGrid>(*w, "dbgProcs")->font());
    for (const std::string& code : listed())
        EXPECT_LE(fm.horizontalAdvance(QString::fromStdString(code)) + 6, ktest::control<kui::DBGrid>(*w, "dbgProcs")->columnWidth(0)) << code;

    QHeaderView* indicator = ktest::control<kui::DBGrid>(*w, "dbgProcs")->verticalHeader();
    auto marked = [&](int row) {
        // What the window shows, not a fresh rendering: a section not
        // repainted after the move keeps its old arrow here.
        QWidget* vp = indicator->viewport();
        const QPoint at = vp->mapTo(w.get(), QPoint(0, 0));
        const QImage img = w->screen()->grabWindow(w->winId(), at.x(), at.y(), vp->width(), vp->height()).toImage();
        const int top = indicator->sectionViewportPosition(row);
        int dark = 0;
        for (int y = top; y < top + indicator->sectionSize(row) && y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) dark += qGray(img.pixel(x, y)) < 96;
        return dark > 0;
    };
    ktest::control<kui::DBGrid>(*w, "dbgProcs")->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(marked(0));
    EXPECT_FALSE(marked(1));
    QTest::keyClick(ktest::control<kui::DBGrid>(*w, "dbgProcs"), Qt::Key_Down);
    QApplication::processEvents();
    ASSERT_EQ(w->model().qryTbProc()->currentRow(), 1);
    EXPECT_FALSE(marked(0));
    EXPECT_TRUE(marked(1));
}

TEST_F(Browser, AFailingSearchIsReportedAndLeavesTheListClosed)
{
    auto* main = ktest::control<QLineEdit>(*w, "edtPesquise");
    type(main, QStringLiteral("0301010072"));
    // The procedure list is searched in memory: no text, however long, fails.
    main->setMaxLength(100000);
    main->setText(QString(70000, QLatin1Char('9')));
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(w->model().qryTbProc()->isOpen());
    EXPECT_TRUE(w->model().qryTbProc()->isEmpty());
    main->setText(QStringLiteral("0301010072"));
    // A page's statement fails when the engine does: reported, and that page's
    // grid is empty while the list keeps what it showed.
    w->dtbDados().close();
    ktest::control<QLineEdit>(*w, "edtPesquiseCid")->setText(QStringLiteral("J"));
    ASSERT_FALSE(dialogs.errors.empty());
    EXPECT_FALSE(w->model().qryProccid10()->isOpen());
    EXPECT_EQ(ktest::control<kui::DBGrid>(*w, "dbgCid10")->model()->rowCount(), 0);
    EXPECT_EQ(listed(), (std::set<std::string>{"0301010072"}));
}

} // namespace

namespace {

TEST(BrowserCodes, ACodeHoldingLettersIsStillFoundByCodeFirst)
{
    ktest::ensureApplication();
    ktest::TempDir dir;
    const std::string path = ktest::createFixtureDatabase(dir);
    {
        kdb::Connection db;
        db.open(path, ktest::kCredentials);
        ktest::runScript(db, "insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_CO_FINANC) values ('X0301ABC01', 'OUTRO', '06');"
                             "insert into TB_PROC (PROC_COD, PROC_DESCR, PROC_CO_FINANC) values ('0301999999', 'TESTE ABC', '06')");
    }
    ktest::RecordingDialogs dialogs;
    TfrmKorvane w(path);
    w.show();
    ktest::control<QLineEdit>(w, "edtPesquise")->setText(QStringLiteral("ABC"));
    w.model().qryTbProc()->fetchAll();
    ASSERT_EQ(w.model().qryTbProc()->recordCount(), 1u);
    EXPECT_EQ(w.model().qryTbProc()->field(QStringLiteral("PROC_COD")).toString(), "X0301ABC01");
}

} // namespace
