// The related-table pages of the browser: their own searches, the filters
// they keep for later procedures, the jump to a compatible procedure.

#include "support/browserfixture.h"

#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using ktest::Browser;

TEST_F(Browser, PageFiltersStayInForceForLaterProcedures)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("03"));
    moveTo("0301010072");
    type(ktest::control<QLineEdit>(*w, "edtPesquiseCbo"), QStringLiteral("GINECO"));
    EXPECT_EQ(codes(w->model().qryProccbos(), "PCBO_CBO"), (std::set<std::string>{"225250"}));
    moveTo("0303010037");
    EXPECT_TRUE(w->model().qryProccbos()->isEmpty());   // its CBO is filtered out
    ktest::control<QLineEdit>(*w, "edtPesquiseCbo")->clear();
    EXPECT_EQ(codes(w->model().qryProccbos(), "PCBO_CBO"), (std::set<std::string>{"225125"}));

    // A code fragment no description holds falls through to the codes.
    moveTo("0301010072");
    type(ktest::control<QLineEdit>(*w, "edtPesquiseCid"), QStringLiteral("J1"));
    EXPECT_EQ(codes(w->model().qryProccid10(), "CP_CID"), (std::set<std::string>{"J18 "}));
    ktest::control<QLineEdit>(*w, "edtPesquiseCid")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquiseCid"), QStringLiteral("PNEUMO"));
    EXPECT_EQ(codes(w->model().qryProccid10(), "CP_CID"), (std::set<std::string>{"J18 "}));
}

TEST_F(Browser, DoubleClickJumpsToTheCompatibleProcedure)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301010072"));
    ktest::control<QTabWidget>(*w, "PageControl1")->setCurrentIndex(3);
    EXPECT_EQ(QApplication::focusWidget(), ktest::control<QLineEdit>(*w, "edtPesquiseCompa"));
    type(ktest::control<QLineEdit>(*w, "edtPesquiseCompa"), QStringLiteral("0211"));
    ASSERT_EQ(codes(w->model().qryProcopm(), "PC_PROC_SEC"), (std::set<std::string>{"0211030100"}));
    const QRect cell = ktest::control<kui::DBGrid>(*w, "DBGrid3")->visualRect(ktest::control<kui::DBGrid>(*w, "DBGrid3")->model()->index(0, 0));
    QTest::mouseDClick(ktest::control<kui::DBGrid>(*w, "DBGrid3")->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(ktest::control<QLineEdit>(*w, "edtPesquise")->text(), QStringLiteral("0211030100"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0211030100"}));

    // With a group whose codes do not hold it, the list comes out empty.
    choose(ktest::control<kui::DBLookupCombo>(*w, "dblGrupo"), QStringLiteral("03"));
    ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301010072"));
    ktest::control<QLineEdit>(*w, "edtPesquiseCompa")->clear();
    ASSERT_EQ(w->model().qryProcopm()->recordCount(), 2u);
    w->model().qryProcopm()->fetchAll();
    for (std::size_t r = 0; r < w->model().qryProcopm()->recordCount(); ++r)
        if (w->model().qryProcopm()->value(r, QStringLiteral("PC_PROC_SEC")).toString() == "0211030100") w->model().qryProcopm()->moveTo(r);
    w->model().jumpToCompatible();
    EXPECT_TRUE(w->model().qryTbProc()->isEmpty());
}

TEST_F(Browser, QuotesInEveryBoxAreSearchedAsTyped)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("D'OLIVA"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0303010045"}));
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("'"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0303010045"}));
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("\"; --\\"));
    EXPECT_TRUE(w->model().qryTbProc()->isOpen());
    EXPECT_TRUE(w->model().qryTbProc()->isEmpty());
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301010072"));
    for (QLineEdit* box : {ktest::control<QLineEdit>(*w, "edtPesquiseCid"), ktest::control<QLineEdit>(*w, "edtPesquiseCbo"), ktest::control<QLineEdit>(*w, "edtPesquiseCompa")}) {
        type(box, QStringLiteral("' or ''='"));
        box->clear();
    }
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
    EXPECT_EQ(w->model().qryProccid10()->recordCount(), 3u);
}

// The three page boxes read a text as the main box does: accents and case
// aside, in both directions; every word in any order; codes as printed.
TEST_F(Browser, EveryPageBoxReadsWhatAPersonTypes)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301010072"));
    auto* cid = ktest::control<QLineEdit>(*w, "edtPesquiseCid");
    const auto cids = [&](const QString& text) {
        cid->clear();
        type(cid, text);
        return codes(w->model().qryProccid10(), "CP_CID");
    };
    EXPECT_EQ(cids(QStringLiteral("COLERA")), (std::set<std::string>{"A00 "}));   // stored "Cólera"
    EXPECT_EQ(cids(QStringLiteral("cólera")), (std::set<std::string>{"A00 "}));
    EXPECT_EQ(cids(QStringLiteral("MICROORGANISMO PNEUMONIA")), (std::set<std::string>{"J18 "}));
    EXPECT_EQ(cids(QStringLiteral("J18.")), (std::set<std::string>{"J18 "}));
    EXPECT_TRUE(cids(QStringLiteral("PNEUMONIA COLERA")).empty());

    auto* cbo = ktest::control<QLineEdit>(*w, "edtPesquiseCbo");
    type(cbo, QStringLiteral("OBSTETRA MÉDICO"));   // stored "MEDICO GINECOLOGISTA E OBSTETRA"
    EXPECT_EQ(codes(w->model().qryProccbos(), "PCBO_CBO"), (std::set<std::string>{"225250"}));
    cbo->clear();
    type(cbo, QStringLiteral("2252-50"));
    EXPECT_EQ(codes(w->model().qryProccbos(), "PCBO_CBO"), (std::set<std::string>{"225250"}));

    auto* compa = ktest::control<QLineEdit>(*w, "edtPesquiseCompa");
    type(compa, QStringLiteral("02.11.03.010-0"));
    EXPECT_EQ(codes(w->model().qryProcopm(), "PC_PROC_SEC"), (std::set<std::string>{"0211030100"}));
    compa->clear();
    type(compa, QStringLiteral("código meio"));
    EXPECT_EQ(codes(w->model().qryProcopm(), "PC_PROC_SEC"), (std::set<std::string>{"0211030100"}));
    EXPECT_TRUE(dialogs.errors.empty());
}

// The pages of the later release files come after the twelve, follow the
// current procedure, and search as the first pages do.
TEST_F(Browser, LaterPagesListTheRowsOfTheCurrentProcedure)
{
    const std::vector<std::string> captions = {"TUSS", "RENASES", "Redes", "Origem", "Regras Condicionadas",
                                               "Exceções de Compatibilidade"};
    auto* tabs = ktest::control<QTabWidget>(*w, "PageControl1");
    ASSERT_EQ(tabs->count(), 19);   // and "Histórico" last
    for (int i = 0; i < 6; ++i) EXPECT_EQ(tabs->tabText(12 + i).toStdString(), captions[static_cast<std::size_t>(i)]);
    EXPECT_EQ(tabs->tabText(18), QStringLiteral("Histórico"));

    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301010072"));
    korvane::BrowserModel& m = w->model();
    EXPECT_EQ(codes(m.qryProcTuss(), "PT_TUSS"), (std::set<std::string>{"10101012", "10101039"}));
    EXPECT_EQ(codes(m.qryProcRenases(), "PRN_RENASES"), (std::set<std::string>{"014"}));
    EXPECT_EQ(m.qryProcRenases()->recordCount(), 1u);   // the line the release repeats, once
    EXPECT_EQ(codes(m.qryProcRedes(), "PCR_COMPONENTE"), (std::set<std::string>{"92.01", "93.04"}));
    EXPECT_EQ(codes(m.qryProcRedes(), "REDE_DESCR"), (std::set<std::string>{"Cegonha", "Urg\xEAncia e Emerg\xEAncia"}));
    EXPECT_EQ(codes(m.qryProcOrigem(), "PROC_DESCR"),
              (std::set<std::string>{"CONSULTA DE PROFISSIONAIS DE NIVEL SUPERIOR NA ATENCAO PRIMARIA"}));
    EXPECT_EQ(codes(m.qryProcRegrasCond(), "PRC_REGRA"), (std::set<std::string>{"0004", "0006"}));
    // An exception naming a procedure the table lacks keeps its row, the name empty.
    kdata::DataSet* exceptions = m.qryProcExcecoes();
    exceptions->fetchAll();
    ASSERT_EQ(exceptions->recordCount(), 2u);
    for (std::size_t r = 0; r < 2; ++r) {
        const std::string compat = exceptions->value(r, QStringLiteral("EC_PROC_COMP")).toString();
        EXPECT_EQ(exceptions->value(r, QStringLiteral("DESC_COMPAT")).isNull(), compat == "0702099999") << compat;
    }
    // The grids show the titles of the fields.
    auto* grid = ktest::control<kui::DBGrid>(*w, "dbgRedes");
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(grid->model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Descrição Componente"));

    // Another procedure, other rows; one without any, empty pages.
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0211030100"));
    EXPECT_EQ(codes(m.qryProcTuss(), "PT_TUSS"), (std::set<std::string>{"40301010"}));
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0303010037"));
    for (kdata::DataSet* ds : {m.qryProcTuss(), m.qryProcRenases(), m.qryProcRedes(), m.qryProcOrigem(),
                               m.qryProcRegrasCond(), m.qryProcExcecoes()})
        EXPECT_TRUE(ds->isEmpty()) << ds->objectName().toStdString();
}

TEST_F(Browser, LaterPageBoxesSearchByNameOrCodeAndAreCleared)
{
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301010072"));
    korvane::BrowserModel& m = w->model();
    const auto search = [&](const char* box, const QString& text, kdata::DataSet* ds, const char* field) {
        auto* edit = ktest::control<QLineEdit>(*w, box);
        edit->clear();
        type(edit, text);
        return codes(ds, field);
    };
    // Names first, accents and case aside, every word; then codes as printed.
    EXPECT_EQ(search("edtPesquiseTuss", QStringLiteral("pronto"), m.qryProcTuss(), "PT_TUSS"),
              (std::set<std::string>{"10101039"}));
    EXPECT_EQ(search("edtPesquiseTuss", QStringLiteral("CONSULTORIO HORÁRIO"), m.qryProcTuss(), "PT_TUSS"),
              (std::set<std::string>{"10101012"}));
    EXPECT_EQ(search("edtPesquiseTuss", QStringLiteral("1.0101.039"), m.qryProcTuss(), "PT_TUSS"),
              (std::set<std::string>{"10101039"}));
    EXPECT_EQ(search("edtPesquiseRenases", QStringLiteral("ambulatorial"), m.qryProcRenases(), "PRN_RENASES"),
              (std::set<std::string>{"014"}));
    EXPECT_EQ(search("edtPesquiseRedes", QStringLiteral("CEGONHA"), m.qryProcRedes(), "PCR_COMPONENTE"),
              (std::set<std::string>{"92.01"}));
    EXPECT_EQ(search("edtPesquiseRedes", QStringLiteral("estabilizacao"), m.qryProcRedes(), "PCR_COMPONENTE"),
              (std::set<std::string>{"93.04"}));
    EXPECT_EQ(search("edtPesquiseRedes", QStringLiteral("93.04"), m.qryProcRedes(), "PCR_COMPONENTE"),
              (std::set<std::string>{"93.04"}));
    EXPECT_EQ(search("edtPesquiseRegras", QStringLiteral("rejeicao"), m.qryProcRegrasCond(), "PRC_REGRA"),
              (std::set<std::string>{"0006"}));
    // The words of a rule's text find it too.
    EXPECT_EQ(search("edtPesquiseRegras", QStringLiteral("incremento J18"), m.qryProcRegrasCond(), "PRC_REGRA"),
              (std::set<std::string>{"0004"}));
    // The lists of procedures: codes first, then names.
    EXPECT_EQ(search("edtPesquiseOrigem", QStringLiteral("03.01.01.003-0"), m.qryProcOrigem(), "PO_PROC_ORIGEM"),
              (std::set<std::string>{"0301010030"}));
    EXPECT_TRUE(search("edtPesquiseOrigem", QStringLiteral("0401"), m.qryProcOrigem(), "PO_PROC_ORIGEM").empty());
    EXPECT_EQ(search("edtPesquiseExcecoes", QStringLiteral("0702010016"), m.qryProcExcecoes(), "EC_PROC_COMP"),
              (std::set<std::string>{"0702010016"}));
    EXPECT_EQ(search("edtPesquiseExcecoes", QStringLiteral("0401010023"), m.qryProcExcecoes(), "EC_PROC_COMP"),
              (std::set<std::string>{"0702099999"}));
    EXPECT_EQ(search("edtPesquiseExcecoes", QStringLiteral("placa dinamica"), m.qryProcExcecoes(), "EC_PROC_COMP"),
              (std::set<std::string>{"0702010016"}));
    EXPECT_TRUE(search("edtPesquiseExcecoes", QStringLiteral("' or ''='"), m.qryProcExcecoes(), "EC_PROC_COMP").empty());

    // A filter stays for the next procedures until its box changes.
    search("edtPesquiseTuss", QStringLiteral("pronto"), m.qryProcTuss(), "PT_TUSS");
    ktest::control<QLineEdit>(*w, "edtPesquise")->clear();
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0211030100"));
    EXPECT_TRUE(m.qryProcTuss()->isEmpty());   // its one code is not "pronto"
    // The clear button empties these boxes as it does the CID-10 and CBO ones.
    QTest::mouseClick(ktest::control<QToolButton>(*w, "btnLimpar"), Qt::LeftButton);
    for (const char* box : {"edtPesquiseTuss", "edtPesquiseRenases", "edtPesquiseRedes", "edtPesquiseOrigem",
                            "edtPesquiseRegras", "edtPesquiseExcecoes"})
        EXPECT_TRUE(ktest::control<QLineEdit>(*w, box)->text().isEmpty()) << box;
    type(ktest::control<QLineEdit>(*w, "edtPesquise"), QStringLiteral("0301010072"));
    EXPECT_EQ(codes(m.qryProcTuss(), "PT_TUSS").size(), 2u);
    EXPECT_EQ(codes(m.qryProcExcecoes(), "EC_PROC_COMP").size(), 2u);
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front().toStdString();
}

} // namespace
