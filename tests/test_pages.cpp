// The related-table pages of the browser: their own searches, the filters
// they keep for later procedures, the jump to a compatible procedure.

#include "support/browserfixture.h"

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

} // namespace
