// The print button of the main window: its menu, the data each report is
// run over, and the reports as they come out in PDF.

#include "app/uKorvane.h"
#include "ui/dblookup.h"
#include "app/reportmenu.h"
#include "ui/reportoutput.h"
#include "reports/project.h"
#include "support/fixture.h"
#include "support/pdftext.h"
#include "support/tempdb.h"
#include "support/widgets.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QMenu>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QTabWidget>
#include <QRegularExpression>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class PrintMenu : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ktest::ensureApplication(); }

    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        w = std::make_unique<TfrmKorvane>(ktest::createFixtureDatabase(dir));
        w->resize(1366, 768);
        w->show();
        QApplication::setActiveWindow(w.get());
        // The projects of the source tree, from a folder of the test's own.
        const auto reports = dir.path() / "RELATORIOS";
        std::filesystem::create_directory(reports);
        for (const char* f : {"TabelaGeral.rav", "TabelaAnalitica.rav"})
            std::filesystem::copy_file(std::filesystem::path(KORVANE_SOURCE_DIR) / "reports/projects" / f, reports / f);
        w->reports().RvTabelaGeral()->setProjectFile(QString::fromStdString((reports / "TabelaGeral.rav").string()));
        w->reports().RvTabelaAnalitica()->setProjectFile(QString::fromStdString((reports / "TabelaAnalitica.rav").string()));
        pdf = QString::fromStdString(dir.file("out.pdf"));
        output = std::make_unique<kui::PdfFileOutput>(pdf);
        kui::setReportOutput(output.get());
    }

    void TearDown() override
    {
        kui::setReportOutput(nullptr);
        w.reset();
        QLocale::setDefault(QLocale::c());
    }

    void trigger(const char* item)
    {
        std::filesystem::remove(pdf.toStdString());
        auto* a = w->findChild<QAction*>(QString::fromLatin1(item));
        ASSERT_TRUE(a) << item;
        a->trigger();
    }

    void type(const QString& text)
    {
        ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();
        ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
        QTest::keyClicks(ktest::control<QLineEdit>(*w, "edtPesquise"), text);
        QApplication::processEvents();   // the typed text is searched when the event loop comes round
    }

    void choose(kui::DBLookupCombo* lookup, const QString& startsWith)
    {
        lookup->setFocus();
        lookup->showPopup();
        const int row = lookup->findText(startsWith, Qt::MatchStartsWith);
        ASSERT_GE(row, 0);
        lookup->view()->setCurrentIndex(lookup->view()->model()->index(row, 0));
        QTest::keyClick(lookup->view(), Qt::Key_Return);
        QApplication::setActiveWindow(w.get());
        ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();
    }

    ktest::TempDir dir;
    ktest::RecordingDialogs dialogs;
    std::unique_ptr<TfrmKorvane> w;
    QString pdf;
    std::unique_ptr<kui::PdfFileOutput> output;
};

TEST_F(PrintMenu, OffersTheThreeReports)
{
    QTest::mouseClick(w->findChild<QWidget*>(QStringLiteral("btnFicha")), Qt::LeftButton);
    ASSERT_TRUE(w->reports().pmImpressao()->isVisible());
    const auto actions = w->reports().pmImpressao()->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Sintético Alfabético"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Sintético Numérico"));
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3]->text(), QStringLiteral("Analítico"));
    w->reports().pmImpressao()->hide();
}

TEST_F(PrintMenu, ListsFollowTheChosenPartOfTheHierarchy)
{
    trigger("SintticoNumrico1");
    EXPECT_EQ(w->reports().qryImpProcGeral()->sql(), "select * from tb_proc where proc_cod<>'' order by proc_cod");
    EXPECT_EQ(w->reports().qryImpProcGeral()->recordCount() > 0, true);
    QString text = ktest::pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("0301010099")));   // without financing: still listed
    EXPECT_LT(text.indexOf(QStringLiteral("0211030100")), text.indexOf(QStringLiteral("0702010024")));

    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("03"));
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblSubGrupo"), QStringLiteral("01"));
    type(QStringLiteral("ZZZ"));   // the search text plays no part
    trigger("RelatrioSinttico1");
    EXPECT_EQ(w->reports().qryImpProcGeral()->sql(),
              "select * from tb_proc where proc_cod<>'' and substring(proc_cod from 1 for 2)='03' and "
              "substring(proc_cod from 3 for 2)='01' order by proc_descr");
    text = ktest::pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("0301060010")));
    EXPECT_FALSE(text.contains(QStringLiteral("0303010037")));
    // The ages as the release means them, not the years they round to.
    EXPECT_TRUE(text.contains(QStringLiteral("6 meses")));
    EXPECT_FALSE(text.contains(QStringLiteral("833")));
    // By name: CONSULTA DE ... before DIAGNOSTICO ...
    EXPECT_LT(text.indexOf(QStringLiteral("0301010030")), text.indexOf(QStringLiteral("0301060010")));

    // Emptied lookups show nothing and filter nothing.
    QTest::mouseClick(w->findChild<QWidget*>(QStringLiteral("btnLimpar")), Qt::LeftButton);
    trigger("SintticoNumrico1");
    EXPECT_EQ(w->reports().qryImpProcGeral()->sql(), "select * from tb_proc where proc_cod<>'' order by proc_cod");
    w->reports().qryImpProcGeral()->fetchAll();
    EXPECT_EQ(w->reports().qryImpProcGeral()->recordCount(), 11u);
}

TEST_F(PrintMenu, TheSheetNeedsACode)
{
    type(QStringLiteral("   "));
    trigger("Analtico1");
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_EQ(dialogs.informations[0], QStringLiteral("VOCÊ DEVE DIGITAR O CÓDIGO DO PROCEDIMENTO PARA PODER IMPRIMIR !"));
    EXPECT_EQ(QApplication::focusWidget(), ktest::control<QLineEdit>(*w, "edtPesquise"));
    EXPECT_FALSE(std::filesystem::exists(pdf.toStdString()));
}

// A level filters only while its lookup shows it under the entry shown
// above it: the list on screen and the printed list from the same filter.
TEST_F(PrintMenu, StaleLevelsFilterNeitherTheScreenNorThePaper)
{
    auto* grupo = ktest::control<kui::DBLookupCombo>(*w, "dblGrupo");
    auto* subgrupo = ktest::control<kui::DBLookupCombo>(*w, "dblSubGrupo");
    choose(grupo, QStringLiteral("03"));
    choose(subgrupo, QStringLiteral("01"));
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblFo"), QStringLiteral("06"));
    // Entering the subgroup lookup empties it: the form under it no longer filters.
    subgrupo->setFocus();
    ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();
    type(QStringLiteral("TRATAMENTO"));
    EXPECT_EQ(w->model().qryTbProc()->recordCount(), 2u);   // both of group 03, of subgroup 03
    trigger("SintticoNumrico1");
    EXPECT_EQ(w->reports().qryImpProcGeral()->sql(),
              "select * from tb_proc where proc_cod<>'' and substring(proc_cod from 1 for 2)='03' order by proc_cod");

    // An emptied group: no level filters, whatever the others show.
    choose(subgrupo, QStringLiteral("03"));
    grupo->setFocus();
    QTest::keyClick(grupo, Qt::Key_Delete);
    ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();
    type(QStringLiteral("04"));
    EXPECT_EQ(w->model().qryTbProc()->recordCount(), 3u);
    trigger("SintticoNumrico1");
    EXPECT_EQ(w->reports().qryImpProcGeral()->sql(), "select * from tb_proc where proc_cod<>'' order by proc_cod");
}

TEST_F(PrintMenu, TheSheetPrintsTheWholeOrderedListsOfItsProcedure)
{
    type(QStringLiteral(" 0301010072 "));
    QTest::keyClicks(ktest::control<QLineEdit>(*w, "edtPesquiseCid"), QStringLiteral("PNEUMO"));   // narrows the CID-10 page
    QTest::keyClicks(ktest::control<QLineEdit>(*w, "edtPesquiseCbo"), QStringLiteral("GINECO"));
    QApplication::processEvents();
    ASSERT_EQ(w->model().qryProccid10()->recordCount(), 1u);
    trigger("Analtico1");
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(w->reports().qryImpProcIndi()->field(QStringLiteral("PROC_COD")).toString(), "0301010072");
    EXPECT_EQ(w->reports().qryImpProcIndi()->currentText(QStringLiteral("Complexidade")), QStringLiteral("MÉDIA COMPLEXIDADE"));
    EXPECT_EQ(w->reports().qryImpProcIndi()->currentText(QStringLiteral("TOTALSHSP")), QStringLiteral("0,00"));
    // The page searches narrow the screen, never the sheet: every code, in code order.
    ASSERT_EQ(w->reports().cdsCid10()->recordCount(), 1u);
    EXPECT_EQ(w->reports().cdsCid10()->value(0, QStringLiteral("cid")).toString(), "A00 ");
    EXPECT_EQ(w->reports().cdsCid10()->value(0, QStringLiteral("cid2")).toString(), "J18 ");
    EXPECT_EQ(w->reports().cdsCid10()->value(0, QStringLiteral("cid3")).toString(), "N40 ");
    ASSERT_EQ(w->reports().cdsCbos()->recordCount(), 1u);
    EXPECT_EQ(w->reports().cdsCbos()->value(0, QStringLiteral("cbo1")).toString(), "225125");
    EXPECT_EQ(w->reports().cdsCbos()->value(0, QStringLiteral("cbo2")).toString(), "225250");
    const QString text = ktest::pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("0301010072")));
    EXPECT_TRUE(text.contains(QStringLiteral("10,00")));
    EXPECT_LT(text.indexOf(QStringLiteral("A00")), text.indexOf(QStringLiteral("J18")));
    EXPECT_LT(text.indexOf(QStringLiteral("J18")), text.indexOf(QStringLiteral("N40")));
    EXPECT_TRUE(text.contains(QStringLiteral("MÉDIA COMPLEXIDADE")));
    // The same sheet however the code was chosen.
    const QString first = text;
    ktest::control<QLineEdit>(*w, "edtPesquiseCid")->clear();
    type(QStringLiteral("0301"));
    type(QStringLiteral("0301010072"));
    trigger("Analtico1");
    EXPECT_EQ(ktest::pdfText(pdf).remove(QRegularExpression(QStringLiteral("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d(:\\d\\d)?"))),
              QString(first).remove(QRegularExpression(QStringLiteral("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d(:\\d\\d)?"))));
}

TEST_F(PrintMenu, TheSheetShowsAgesAndComplexityAsTheReleaseMeansThem)
{
    type(QStringLiteral("0301060010"));
    trigger("Analtico1");
    QString text = ktest::pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("6 meses")));
    EXPECT_TRUE(text.contains(QStringLiteral("—")));
    EXPECT_FALSE(text.contains(QStringLiteral("833")));
    type(QStringLiteral("0301010030"));   // complexity 1
    trigger("Analtico1");
    text = ktest::pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("ATENÇÃO BÁSICA")));
    EXPECT_FALSE(text.contains(QStringLiteral("MÉDIA COMPLEXIDADE")));
    type(QStringLiteral("0401010023"));   // complexity 3
    trigger("Analtico1");
    EXPECT_TRUE(ktest::pdfText(pdf).contains(QStringLiteral("ALTA COMPLEXIDADE")));
}

TEST_F(PrintMenu, ATypedCodeThatIsNotTheSelectionPrintsItsOwnCodes)
{
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("04"));
    type(QStringLiteral("0301010072"));   // outside group 04: the list is empty
    ASSERT_TRUE(w->model().qryTbProc()->isEmpty());
    trigger("Analtico1");
    EXPECT_EQ(w->reports().qryImpProcIndi()->recordCount(), 1u);
    ASSERT_EQ(w->reports().cdsCid10()->recordCount(), 1u);
    EXPECT_EQ(w->reports().cdsCid10()->value(0, QStringLiteral("cid")).toString(), "A00 ");
    EXPECT_EQ(w->reports().cdsCid10()->value(0, QStringLiteral("cid3")).toString(), "N40 ");
    EXPECT_EQ(w->reports().cdsCbos()->value(0, QStringLiteral("cbo1")).toString(), "225125");
    const QString text = ktest::pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("J18")));
    EXPECT_TRUE(text.contains(QStringLiteral("MEDICO CLINICO")));
}

TEST_F(PrintMenu, AProcedureWithoutAFinancingRowStillPrints)
{
    type(QStringLiteral("0301010099"));
    trigger("Analtico1");
    ASSERT_EQ(w->reports().qryImpProcIndi()->recordCount(), 1u);
    EXPECT_TRUE(w->reports().qryImpProcIndi()->field(QStringLiteral("FINANC_DESCR")).isNull());
    EXPECT_TRUE(ktest::pdfText(pdf).contains(QStringLiteral("CONSULTA SEM FINANCIAMENTO CADASTRADO")));
}

TEST_F(PrintMenu, AMissingProjectIsReportedAndTheNextRunTriesAgain)
{
    const QString file = w->reports().RvTabelaGeral()->projectFile();
    const QString moved = file + QStringLiteral(".away");
    QFile::rename(file, moved);
    trigger("RelatrioSinttico1");
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("TabelaGeral.rav"))) << dialogs.errors[0].toStdString();
    EXPECT_FALSE(std::filesystem::exists(pdf.toStdString()));
    QFile::rename(moved, file);
    trigger("RelatrioSinttico1");
    EXPECT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(pdf.toStdString()));
}

// The lists of the later release files, each under its title, whole and
// whatever their page boxes narrow; a procedure without any prints none.
TEST_F(PrintMenu, TheSheetPrintsTheLaterListsOfItsProcedure)
{
    type(QStringLiteral("0301010072"));
    QTest::keyClicks(ktest::control<QLineEdit>(*w, "edtPesquiseTuss"), QStringLiteral("PRONTO"));
    QApplication::processEvents();
    ASSERT_EQ(w->model().qryProcTuss()->recordCount(), 1u);
    trigger("Analtico1");
    EXPECT_TRUE(dialogs.errors.empty());
    QString text = ktest::pdfText(pdf);
    const QStringList titles = {QStringLiteral("Códigos TUSS"), QStringLiteral("RENASES"), QStringLiteral("Redes de atenção"),
                                QStringLiteral("Procedimentos de origem"), QStringLiteral("Regras condicionadas"),
                                QStringLiteral("Exceções de compatibilidade")};
    int at = 0;
    for (const QString& t : titles) {
        const int found = text.indexOf(t, at);
        EXPECT_GT(found, at) << t.toStdString();
        at = std::max(at, found);
    }
    for (const char* shown : {"10101012", "10101039", "Consulta em pronto socorro", "014", "Cegonha", "Pré-natal",
                              "93.04", "0301010030", "CONDICIONA INCREMENTO", "0006", "0702010016", "0702099999",
                              "PLACA DE COMPRESSAO DINAMICA"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(shown))) << shown;
    EXPECT_LT(text.indexOf(QStringLiteral("10101012")), text.indexOf(QStringLiteral("10101039")));

    // A typed code that is not the selection prints its own lists.
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("04"));
    type(QStringLiteral("0301010072"));
    ASSERT_TRUE(w->model().qryTbProc()->isEmpty());
    trigger("Analtico1");
    EXPECT_EQ(ktest::pdfText(pdf).count(QStringLiteral("Exceções de compatibilidade")), 1);

    type(QStringLiteral("0401010023"));
    trigger("Analtico1");
    text = ktest::pdfText(pdf);
    for (const QString& t : titles) EXPECT_FALSE(text.contains(t)) << t.toStdString();
}

} // namespace
