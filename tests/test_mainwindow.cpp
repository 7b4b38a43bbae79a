// The main window driven as a person would: start-up, caption, keys, clock,
// status bar, and a database that cannot be opened.

#include "app/startup.h"
#include "app/uKorvane.h"
#include "ui/dbgrid.h"
#include "ui/dbedit.h"
#include "support/fixture.h"
#include "support/syntheticprocs.h"
#include "support/tempdb.h"
#include "support/widgets.h"

#include <QApplication>
#include <QDate>
#include <QLocale>
#include <QMenu>
#include <QStatusBar>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <filesystem>

#include "update/history.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

class MainWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ktest::ensureApplication(); }

    std::unique_ptr<TfrmKorvane> open(const ktest::Fixture& f = {})
    {
        path = ktest::createFixtureDatabase(dir, f);
        auto w = std::make_unique<TfrmKorvane>(path);
        w->resize(1366, 768);
        w->show();
        QApplication::setActiveWindow(w.get());
        QTest::qWait(20);
        return w;
    }

    QWidget* focused() const { return QApplication::focusWidget(); }

    ktest::TempDir dir;
    std::string path;
    ktest::RecordingDialogs dialogs;
};

TEST_F(MainWindow, CaptionCarriesTheLoadedCompetencia)
{
    auto w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("KORVANE  NORTEVIA   -   06/2022"));
    EXPECT_EQ(ktest::control<QTabWidget>(*w, "PageControl1")->currentIndex(), 0);
    EXPECT_EQ(ktest::control<QTabWidget>(*w, "PageControl1")->tabText(0), QStringLiteral("Cid10 do Proc."));
    EXPECT_EQ(focused(), ktest::control<QLineEdit>(*w, "edtPesquise"));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindow, CaptionWithoutVersaoRowOrWithAnEmptyOne)
{
    auto w = open({.versao = false});
    EXPECT_EQ(w->windowTitle(), QStringLiteral("KORVANE  NORTEVIA   -   "));
    w.reset();

    kdb::Connection db;
    db.open(path, ktest::kCredentials);
    ktest::runScript(db, "insert into VERSAO values (null)");
    db.close();
    TfrmKorvane again(path);
    again.show();
    EXPECT_EQ(again.windowTitle(), QStringLiteral("KORVANE  NORTEVIA   -   "));
}

TEST_F(MainWindow, InitialListHoldsProceduresThatHaveAFinancingRow)
{
    auto w = open();
    kdata::RecordSet* list = w->model().qryTbProc();
    list->fetchAll();
    EXPECT_EQ(list->recordCount(), 10u);   // eleven procedures, one without a financing row
    bool sawUnfinanced = false;
    for (std::size_t r = 0; r < list->recordCount(); ++r)
        sawUnfinanced |= list->value(r, QStringLiteral("PROC_COD")).asText() == "0301010099";
    EXPECT_FALSE(sawUnfinanced);
    EXPECT_EQ(ktest::control<kui::DBGrid>(*w, "dbgProcs")->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("CÓDIGO"));
    EXPECT_EQ(ktest::control<kui::DBGrid>(*w, "dbgProcs")->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("DESCRIÇÃO"));
    EXPECT_EQ(ktest::control<kui::DBGrid>(*w, "dbgProcs")->columnWidth(1), 1500);
}

TEST_F(MainWindow, EnterMovesThroughTheFocusOrder)
{
    auto w = open();
    const char* order[] = {"dblGrupo", "dblSubGrupo", "dblFo", "edtPesquise", "btnLimpar", "btnFicha",
                           "btnCid10", "btnCbos",  "dbgProcs", "DBEdit10",   "DBEdit11"};
    w->findChild<QWidget*>(QStringLiteral("dblGrupo"))->setFocus();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(focused(), Qt::Key_Return);
        ASSERT_TRUE(focused());
        EXPECT_EQ(focused()->objectName(), QString::fromLatin1(order[i])) << "after " << order[i - 1];
    }
    // Enter in the search box only moves on: the search ran as the text changed.
    ktest::control<QLineEdit>(*w, "edtPesquise")->setFocus();
    QTest::keyClick(ktest::control<QLineEdit>(*w, "edtPesquise"), Qt::Key_Enter);
    EXPECT_EQ(focused()->objectName(), QStringLiteral("btnLimpar"));
}

// Keys that come faster than the searches answer wait behind the search that
// runs: the list then follows the last text, and only its search runs.
TEST_F(MainWindow, FastTypingSearchesTheLastTextOnly)
{
    auto w = open();
    auto* box = ktest::control<QLineEdit>(*w, "edtPesquise");
    kdata::RecordSet* list = w->model().qryTbProc();
    int searches = 0;
    QObject::connect(list, &kdata::RecordSet::rowsReset, box, [&] { ++searches; });
    const auto listed = [&] {
        std::set<std::string> codes;
        list->fetchAll();
        for (std::size_t r = 0; r < list->recordCount(); ++r) codes.insert(list->value(r, QStringLiteral("PROC_COD")).toString());
        return codes;
    };
    box->setFocus();
    ktest::typeKeys(box, QStringLiteral("tratamento"));
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(box->text(), QStringLiteral("TRATAMENTO"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0303010037", "0303010045"}));

    // Enter before the loop comes round: the text typed is searched first,
    // and the focus moves on with its rows.
    box->clear();
    QApplication::processEvents();
    searches = 0;
    for (const char c : std::string("0301010072")) QTest::keyClick(box, c);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(focused()->objectName(), QStringLiteral("btnLimpar"));
    EXPECT_EQ(searches, 1);
    EXPECT_EQ(listed(), (std::set<std::string>{"0301010072"}));
    QApplication::processEvents();
    EXPECT_EQ(searches, 1);

    // A page box is kept up with the typing too.
    auto* cid = ktest::control<QLineEdit>(*w, "edtPesquiseCid");
    kdata::RecordSet* page = w->model().qryProccid10();
    int pageSearches = 0;
    QObject::connect(page, &kdata::RecordSet::rowsReset, box, [&] { ++pageSearches; });
    cid->setText(QStringLiteral("J"));
    QApplication::processEvents();
    const int perSearch = pageSearches;
    ASSERT_GT(perSearch, 0);
    cid->clear();
    QApplication::processEvents();
    pageSearches = 0;
    cid->setFocus();
    ktest::typeKeys(cid, QStringLiteral("J189"));
    EXPECT_EQ(pageSearches, perSearch);
    EXPECT_EQ(w->model().pageText(korvane::PageSearch::Cid10), QStringLiteral("J189"));
    EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(MainWindow, EscapeClosesTheWindowFromAnyControl)
{
    auto w = open();
    QWidget* grid = ktest::control<kui::DBGrid>(*w, "dbgProcs");
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->dtbDados().isOpen());
    EXPECT_FALSE(w->model().qryTbProc()->isOpen());
}

TEST_F(MainWindow, StatusBarShowsDateTimeAndPublisher)
{
    auto w = open();
    auto* date = w->findChild<QLabel*>(QStringLiteral("StatusPanel1"));
    auto* time = w->findChild<QLabel*>(QStringLiteral("StatusPanel2"));
    auto* publisher = w->findChild<QLabel*>(QStringLiteral("StatusPanel3"));
    ASSERT_TRUE(date && time && publisher);
    EXPECT_EQ(date->width(), 80);
    EXPECT_EQ(time->width(), 80);
    EXPECT_EQ(date->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
    const QString before = time->text();
    EXPECT_FALSE(before.isEmpty());
    QTest::qWait(1100);
    EXPECT_NE(time->text(), before);   // the clock ticks
    EXPECT_FALSE(publisher->text().trimmed().isEmpty());
    EXPECT_GT(publisher->width(), 300);
}

TEST_F(MainWindow, StatusBarMenuOffersTheUpdate)
{
    auto w = open();
    auto* menu = w->findChild<QMenu*>(QStringLiteral("PopupActionBar1"));
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions().front()->text(), QStringLiteral("ATUALIZAÇÃO TABELAS"));
    EXPECT_EQ(menu->actions().front()->objectName(), QStringLiteral("ATUALIZAOTABELAS1"));
    EXPECT_EQ(menu->actions().at(1)->text(), QStringLiteral("VERIFICAR"));
    EXPECT_EQ(menu->actions().at(1)->objectName(), QStringLiteral("VERIFICAR1"));
    EXPECT_EQ(menu->actions().back()->text(), QStringLiteral("O QUE MUDOU"));
    EXPECT_EQ(menu->actions().back()->objectName(), QStringLiteral("mnuMudancas"));
    QStatusBar* bar = w->statusBar();
    emit bar->customContextMenuRequested(QPoint(10, 5));
    EXPECT_TRUE(menu->isVisible());
    menu->hide();
}

TEST_F(MainWindow, ADatabaseThatCannotBeOpenedStopsTheStart)
{
    const std::string missing = dir.file("NOPE.GDB");
    auto w = startMainWindow(missing);
    EXPECT_FALSE(w);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("NOPE.GDB"))) << dialogs.errors[0].toStdString();
    for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_FALSE(qobject_cast<TfrmKorvane*>(top) && top->isVisible());
}

// A file cut short (a copy stopped half-way, a full disk): the engine attaches,
// since the pages it reads first are whole, and fails only when the first
// result sets reach the lost half. That is a database that cannot be opened.
TEST_F(MainWindow, ADatabaseCutToHalfItsSizeStopsTheStart)
{
    path = ktest::createSchemaDatabase(dir);
    {
        kdb::Connection db;
        db.open(path, ktest::kCredentials);
        ktest::insertSyntheticProcs(db, ktest::makeSyntheticProcs(20000));
        db.close();
    }
    std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2);
    auto w = startMainWindow(path);
    EXPECT_FALSE(w);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    // Which page the engine reaches first decides its own text; the message says what it means.
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("danificado"))) << dialogs.errors[0].toStdString();
    for (QWidget* top : QApplication::topLevelWidgets()) EXPECT_FALSE(qobject_cast<TfrmKorvane*>(top) && top->isVisible());
    // Nothing of it holds the file: another program may open it to repair it.
    std::filesystem::remove(path);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(MainWindow, AnEngineErrorIsReportedAndTheWindowStaysUsable)
{
    path = ktest::createFixtureDatabase(dir);
    {
        kdb::Connection db;
        db.open(path, ktest::kCredentials);
        // A VERSAO the engine cannot read (a missing one the next start
        // would make again from the schema).
        korvane::convertToHistory(db);
        db.executeImmediate("recreate view VERSAO (VERSAO) as select cast(1 / 0 as varchar(10)) from rdb$database");
        db.close();
    }
    TfrmKorvane w(path);
    w.show();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("divide by zero"))) << dialogs.errors[0].toStdString();
    // The rest of the window works.
    EXPECT_TRUE(w.model().qryTbProc()->isOpen());
    EXPECT_FALSE(w.model().qryTbProc()->isEmpty());
}

} // namespace
