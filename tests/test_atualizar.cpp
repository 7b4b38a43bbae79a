// The update window driven offscreen as a person would: its controls, its
// refusals, a run watched step by step, a failed run, the run's own
// attachment, keys and the folder chooser, and its opening from the main
// window's status-bar menu.

#include "app/uKorvane.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/fixture.h"
#include "support/updaterun.h"
#include "support/updatewindow.h"
#include "support/tempdb.h"
#include "support/widgets.h"
#include "ui/keypreview.h"
#include "tools/releasegen.h"
#include "update/layouts.h"
#include "update/releasefile.h"
#include "app/uAtualizar.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Also notes where the bars stood when each message came up.
struct Dialogs : ktest::RecordingDialogs {
    TfrmAtualizar* window = nullptr;
    std::vector<std::pair<int, int>> progressAtMessage;   // pbProgresso value, maximum
    void information(QWidget* parent, const QString& text) override
    {
        if (window) progressAtMessage.emplace_back(window->pbProgresso->value(), window->pbProgresso->maximum());
        ktest::RecordingDialogs::information(parent, text);
    }
};

std::string versao(kdb::Connection& db)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select VERSAO from VERSAO");
    q.open();
    const std::string v = q.isEmpty() ? "<no row>" : q.field(0).toString();
    q.close();
    tr.commit();
    return v;
}

class UpdateWindow : public ktest::UpdateWindowTest<Dialogs> {
protected:
    static void SetUpTestSuite()
    {
        ktest::ensureApplication();
        shared = new ktest::TempDir;
        korvane::ReleaseOptions o;
        o.seed = 21;
        o.scale = 0.03;
        o.competencia = "202405";
        o.laterFiles = true;
        release = (shared->path() / "R").string();
        korvane::generateRelease(release, o);
        totalLines = 0;
        for (const korvane::TableLayout& l : korvane::releaseLayouts())
            totalLines += static_cast<int>(korvane::readReleaseFile(release, l.fileName).lines.size());
    }
    static void TearDownTestSuite() { delete shared; }

    static ktest::TempDir* shared;
    static std::string release;
    static int totalLines;
};
ktest::TempDir* UpdateWindow::shared = nullptr;
std::string UpdateWindow::release;
int UpdateWindow::totalLines = 0;

TEST_F(UpdateWindow, OpensEmptyWithItsControlsInPlace)
{
    EXPECT_EQ(w->windowTitle(), QStringLiteral("KORVANE  NORTEVIA  "));
    EXPECT_EQ(w->size(), QSize(556, 265));
    EXPECT_EQ(w->Panel1->text(), QStringLiteral("ATUALIZAÇÃO  DAS  TABELAS  BASEADA  NA  SIGTAP"));
    EXPECT_EQ(w->Panel1->height(), 41);
    EXPECT_EQ(w->Panel1->font().pixelSize(), 21);
    EXPECT_EQ(w->Panel3->height(), 54);
    EXPECT_EQ(w->lblCaminho->text(), QStringLiteral("CAMINHO  DOS  ARQs   .TXT  PARA  IMPORTAÇÃO:"));
    EXPECT_EQ(w->edtCaminho->width(), 448);
    EXPECT_TRUE(w->edtCaminho->text().isEmpty());
    EXPECT_EQ(w->btnImportar->text(), QStringLiteral("ATUALIZAR"));
    EXPECT_EQ(w->btnImportar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(w->btnImportar->width(), 95);
    EXPECT_GE(w->btnImportar->height(), w->Panel3->height() - 4);
    EXPECT_EQ(w->gbTabela->title(), QStringLiteral("  IMPORTANDO  TABELA . . .  "));
    EXPECT_EQ(w->gbTabela->height(), 73);
    EXPECT_TRUE(w->lblTabela->text().isEmpty());
    EXPECT_EQ(w->lblTabela->x(), 100);
    EXPECT_EQ(w->pbTabela->y() + w->pbTabela->height(), w->gbTabela->height() - 5);
    EXPECT_TRUE(w->lblTabela->font().bold() && w->lblTabela->font().italic());
    EXPECT_EQ(w->pbTabela->height(), 30);
    EXPECT_EQ(w->gbProgresso->title(), QStringLiteral("  PROGRESSO  DA  ATUALIZAÇÃO  "));
    EXPECT_GE(w->gbProgresso->height(), 50);
    EXPECT_EQ(w->Panel2->height(), 41);
    EXPECT_EQ(w->BitBtn1->text(), QStringLiteral("SAIR"));
    EXPECT_EQ(w->BitBtn1->width(), 95);
    EXPECT_TRUE(w->BitBtn1->font().bold());
    EXPECT_EQ(w->BitBtn1->font().pixelSize(), 16);
    EXPECT_FALSE(w->BitBtn1->icon().isNull());
    EXPECT_FALSE(w->btnImportar->icon().isNull());
    for (QProgressBar* b : {w->pbTabela, w->pbProgresso}) {
        EXPECT_EQ(b->minimum(), 0);
        EXPECT_EQ(b->maximum(), 100);
        EXPECT_EQ(b->value(), 0);
    }
    // Tab order: SAIR, the folder field, ATUALIZAR.
    EXPECT_EQ(QApplication::focusWidget(), w->BitBtn1);
    kui::focusNext(w.get());
    EXPECT_EQ(QApplication::focusWidget(), w->edtCaminho);
    kui::focusNext(w.get());
    EXPECT_EQ(QApplication::focusWidget(), w->btnImportar);
    kui::focusNext(w.get());
    EXPECT_EQ(QApplication::focusWidget(), w->BitBtn1);
    // Its bands follow the width.
    w->resize(800, 300);
    QTest::qWait(10);
    EXPECT_EQ(w->Panel1->width(), 800);
    EXPECT_GT(w->pbProgresso->width(), 700);
    EXPECT_GE(w->btnImportar->mapTo(w.get(), QPoint(w->btnImportar->width(), 0)).x(), 800 - 4);
    EXPECT_GE(w->BitBtn1->mapTo(w.get(), QPoint(w->BitBtn1->width(), 0)).x(), 800 - 4);
    EXPECT_GT(w->pbTabela->width(), 700);
}

TEST_F(UpdateWindow, BlankFolderIsRefusedWithoutAsking)
{
    typeFolder(" \t  ");
    w->BitBtn1->setFocus();
    QTest::mouseClick(w->btnImportar, Qt::LeftButton);
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_EQ(dialogs.informations[0], QStringLiteral("CAMINHO INVÁLIDO !"));
    EXPECT_TRUE(dialogs.confirmations.empty());
    EXPECT_EQ(QApplication::focusWidget(), w->edtCaminho);
    EXPECT_TRUE(w->isVisible());
}

TEST_F(UpdateWindow, CancelLeavesEverythingAsItWas)
{
    typeFolder(release);
    dialogs.answers.push_back(false);
    QTest::mouseClick(w->btnImportar, Qt::LeftButton);
    ASSERT_EQ(dialogs.confirmations.size(), 1u);
    EXPECT_EQ(dialogs.confirmations[0].caption, QStringLiteral("ATUALIZAÇÃO. . ."));
    EXPECT_EQ(dialogs.confirmations[0].text, QStringLiteral("TEM CERTEZA DA ATUALIZAÇÃO DAS TABELAS ?"));
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_TRUE(w->lblTabela->text().isEmpty());
    EXPECT_EQ(w->pbProgresso->maximum(), 100);
    EXPECT_EQ(w->pbProgresso->value(), 0);
    EXPECT_EQ(versao(db), "06/2022");
    EXPECT_TRUE(w->isVisible());
}

TEST_F(UpdateWindow, MissingFolderFailsAtTheFirstFileAndChangesNothing)
{
    const std::string missing = dir.file("nowhere");
    typeFolder("  " + missing + "  ");
    QTest::mouseClick(w->btnImportar, Qt::LeftButton);
    EXPECT_EQ(dialogs.confirmations.size(), 1u);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], QString::fromStdString("Cannot open file \"" + missing +
                                                        "/rl_procedimento_cid.txt\". No such file or directory"));
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->running());
    EXPECT_EQ(versao(db), "06/2022");
}

// Each step waits until the window shows its label, so every table is seen
// on screen; meanwhile the window is poked and must not react.
TEST_F(UpdateWindow, RunShowsEveryTableAndBothBarsThenCloses)
{
    typeFolder(release);
    std::atomic<int> shownStep{0};
    std::vector<QString> labels;
    std::vector<int> runValues;
    bool poked = false, stayedOpen = false;
    int tableMaxAtStep3 = -1;
    w->runHooks.beforeStep = [&](int step) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (shownStep.load() < step && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    QTimer sampler;
    sampler.setInterval(5);
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!w->running()) return;
        const QString label = w->lblTabela->text();
        if (labels.empty() || labels.back() != label) labels.push_back(label);
        runValues.push_back(w->pbProgresso->value());
        int step = 0;
        for (const korvane::TableLayout& l : korvane::releaseLayouts())
            if (label == QLatin1String(l.label)) step = l.step;
        if (step == 3 && !poked) {
            poked = true;
            tableMaxAtStep3 = w->pbTabela->maximum();
            QTest::keyClick(w->edtCaminho, Qt::Key_Escape);
            QTest::mouseClick(w->BitBtn1, Qt::LeftButton);
            w->close();
            QTest::keyClicks(w->edtCaminho, QStringLiteral("xyz"));
            stayedOpen = w->isVisible() && w->running();
        }
        if (step > shownStep.load()) shownStep.store(step);
    });
    sampler.start();
    QTest::mouseClick(w->btnImportar, Qt::LeftButton);
    sampler.stop();

    EXPECT_TRUE(dialogs.errors.empty()) << (dialogs.errors.empty() ? "" : dialogs.errors[0].toStdString());
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_EQ(dialogs.informations[0], QStringLiteral("ATUALIZAÇÃO CONCLUÍDA COM SUCESSO !"));
    // The bar reached its end exactly with the last line.
    ASSERT_EQ(dialogs.progressAtMessage.size(), 1u);
    EXPECT_EQ(dialogs.progressAtMessage[0], std::make_pair(totalLines, totalLines));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), QDialog::Accepted);

    std::vector<QString> expected;
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) expected.push_back(QLatin1String(l.label));
    std::erase(labels, QString());
    EXPECT_EQ(labels, expected);
    EXPECT_TRUE(std::is_sorted(runValues.begin(), runValues.end()));
    EXPECT_GE(std::set<int>(runValues.begin(), runValues.end()).size(), 20u);
    EXPECT_TRUE(poked);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(tableMaxAtStep3, static_cast<int>(korvane::readReleaseFile(release, "rl_procedimento_ocupacao.txt").lines.size()));
    EXPECT_EQ(w->edtCaminho->text(), QString::fromStdString(release));   // typing during the run went nowhere
    EXPECT_EQ(versao(db), "05/2024");
}

TEST_F(UpdateWindow, FailedRunStaysOpenWhereItStoppedAndCanRunAgain)
{
    const fs::path bad = dir.path() / "bad";
    fs::copy(release, bad);
    {
        std::string text;
        for (std::string_view l : korvane::readReleaseFile(bad.string(), "tb_grupo.txt").lines) {
            text += std::string(l) + "\r\n";
            if (text.size() < 120) text += "  \r\n";   // a blank line after the first
        }
        ktest::writeFile(bad / "tb_grupo.txt", text);
    }
    typeFolder(bad.string());
    QTest::mouseClick(w->btnImportar, Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0],
              QString::fromStdString("'' is not a valid integer value\n" + bad.string() + "/tb_grupo.txt, line 2"));
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->lblTabela->text(), QStringLiteral("TB_GRUPO"));
    EXPECT_EQ(w->pbTabela->value(), 1);
    EXPECT_GT(w->pbProgresso->value(), 0);
    EXPECT_LT(w->pbProgresso->value(), w->pbProgresso->maximum());
    EXPECT_EQ(versao(db), "06/2022");

    typeFolder(release);
    QTest::mouseClick(w->btnImportar, Qt::LeftButton);
    EXPECT_EQ(dialogs.errors.size(), 1u);
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(versao(db), "05/2024");
}

// Attachments to the window's database other than the one asked on, the
// engine's own (garbage collector, cache writer) left out.
std::int64_t otherAttachments(kdb::Connection& db)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select count(*) from mon$attachments "
             "where mon$attachment_id <> current_connection and coalesce(mon$system_flag, 0) = 0");
    q.open();
    const std::int64_t n = q.field(std::size_t{0}).asInteger();
    q.close();
    tr.commit();
    return n;
}

// While the run waits inside a step, the window's connection answers a query
// on this thread: the run's transaction is not on that attachment, and an
// attachment of the run's own is open beside it, closed when the run ends.
TEST_F(UpdateWindow, RunLoadsThroughAnAttachmentOfItsOwn)
{
    typeFolder(release);
    ASSERT_EQ(otherAttachments(db), 0);
    const std::thread::id gui = std::this_thread::get_id();
    std::thread::id runThread;
    std::atomic<bool> inStep{false}, probed{false};
    w->runHooks.beforeStep = [&](int step) {
        if (step != 3) return;
        runThread = std::this_thread::get_id();
        inStep.store(true);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!probed.load() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    std::int64_t transactionsHere = -1, others = -1;
    QTimer probe;
    probe.setInterval(5);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!inStep.load() || probed.load()) return;
        others = otherAttachments(db);
        kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
        kdb::Query q(db, tr);
        q.setSql("select count(*) from mon$transactions where mon$attachment_id = current_connection");
        q.open();
        transactionsHere = q.field(std::size_t{0}).asInteger();
        q.close();
        tr.commit();
        probed.store(true);
    });
    probe.start();
    QTest::mouseClick(w->btnImportar, Qt::LeftButton);
    probe.stop();

    ASSERT_TRUE(probed.load());
    EXPECT_NE(runThread, gui);
    EXPECT_EQ(transactionsHere, 1);   // the probe's own
    EXPECT_EQ(others, 1);             // the run's
    EXPECT_TRUE(dialogs.errors.empty()) << (dialogs.errors.empty() ? "" : dialogs.errors[0].toStdString());
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_EQ(dialogs.informations[0], QStringLiteral("ATUALIZAÇÃO CONCLUÍDA COM SUCESSO !"));
    EXPECT_EQ(versao(db), "05/2024");
    EXPECT_EQ(otherAttachments(db), 0);
}

TEST_F(UpdateWindow, ExceptionFromAStepEndsTheRunInTheErrorBoxAndChangesNothing)
{
    const ktest::update::Fingerprint before = ktest::update::fingerprint(path);
    typeFolder(release);
    w->runHooks.beforeStep = [](int step) {
        if (step == 5) throw std::runtime_error("the step broke");
    };
    QTest::mouseClick(w->btnImportar, Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0],
              QString::fromStdString("the step broke\n" + release + "/" + korvane::releaseLayouts()[4].fileName));
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->running());
    EXPECT_EQ(otherAttachments(db), 0);
    EXPECT_EQ(versao(db), "06/2022");
    EXPECT_EQ(ktest::update::fingerprint(path), before);
}

TEST_F(UpdateWindow, EnterMovesOnFromTheFolderFieldAndEscapeCloses)
{
    typeFolder("/some/folder");
    QTest::keyClick(w->edtCaminho, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), w->btnImportar);
    EXPECT_EQ(w->edtCaminho->text(), QStringLiteral("/some/folder"));
    EXPECT_TRUE(dialogs.confirmations.empty());
    QTest::keyClick(w->btnImportar, Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(UpdateWindow, EnterPressesTheFocusedButton)
{
    typeFolder("   ");
    w->btnImportar->setFocus();
    QTest::keyClick(w->btnImportar, Qt::Key_Return);
    ASSERT_EQ(dialogs.informations.size(), 1u);   // ATUALIZAR was pressed: the blank folder is refused
    w->BitBtn1->setFocus();
    QTest::keyClick(w->BitBtn1, Qt::Key_Enter);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(UpdateWindow, FolderButtonFillsTheField)
{
    QString offered;
    w->chooseFolder = [&](QWidget*, const QString& current) {
        offered = current;
        return QStringLiteral("/chosen/folder");
    };
    typeFolder("/start");
    const QList<QAction*> actions = w->edtCaminho->actions();
    ASSERT_EQ(actions.size(), 1);
    actions[0]->trigger();
    EXPECT_EQ(offered, QStringLiteral("/start"));
    EXPECT_EQ(w->edtCaminho->text(), QStringLiteral("/chosen/folder"));
    // Dismissing the chooser keeps what was there.
    w->chooseFolder = [](QWidget*, const QString&) { return QString(); };
    actions[0]->trigger();
    EXPECT_EQ(w->edtCaminho->text(), QStringLiteral("/chosen/folder"));
}

TEST(UpdateFromMainWindow, StatusBarMenuOpensTheWindowModallyEachTimeEmpty)
{
    ktest::ensureApplication();
    ktest::TempDir dir;
    ktest::RecordingDialogs dialogs;
    const std::string path = ktest::createFixtureDatabase(dir);
    korvane::ReleaseOptions o;
    o.seed = 22;
    o.scale = 0.01;
    o.competencia = "202406";
    const std::string folder = (dir.path() / "R").string();
    korvane::generateRelease(folder, o);

    TfrmKorvane main(path);
    main.show();
    QApplication::setActiveWindow(&main);
    auto* item = main.findChild<QAction*>(QStringLiteral("ATUALIZAOTABELAS1"));
    ASSERT_TRUE(item);

    QPointer<TfrmAtualizar> first;
    QTimer::singleShot(50, [&] {
        first = qobject_cast<TfrmAtualizar*>(QApplication::activeModalWidget());
        ASSERT_TRUE(first);
        first->edtCaminho->setText(QString::fromStdString(folder));
        QTest::mouseClick(first->btnImportar, Qt::LeftButton);
    });
    item->trigger();
    EXPECT_TRUE(first.isNull());   // closed and destroyed after the run
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_EQ(dialogs.informations[0], QStringLiteral("ATUALIZAÇÃO CONCLUÍDA COM SUCESSO !"));
    EXPECT_EQ(versao(main.dtbDados()), "06/2024");

    bool empty = false;
    QTimer::singleShot(50, [&] {
        auto* again = qobject_cast<TfrmAtualizar*>(QApplication::activeModalWidget());
        ASSERT_TRUE(again);
        empty = again->edtCaminho->text().isEmpty() && again->lblTabela->text().isEmpty() &&
                again->pbProgresso->value() == 0;
        QTest::keyClick(again->edtCaminho, Qt::Key_Escape);
    });
    item->trigger();
    EXPECT_TRUE(empty);
    EXPECT_FALSE(QApplication::activeModalWidget());
}

} // namespace
