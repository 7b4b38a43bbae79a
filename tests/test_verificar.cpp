// The VERIFICAR window driven as a clerk drives it, and korvane-cli check
// as a script runs it, over the release of support/checkfixture.h; the
// window opened from the main window with its procedure.

#include "app/uKorvane.h"
#include "app/uVerificar.h"
#include "data/memorytable.h"
#include "support/checkfixture.h"
#include "support/fixture.h"
#include "support/widgets.h"
#include "ui/dbmemo.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class Verificar : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ktest::ensureApplication();
        dir = new ktest::TempDir;
        path = ktest::createCheckDatabase(*dir);
        db = new kdb::Connection;
        db->open(path, ktest::kCredentials);
    }
    static void TearDownTestSuite()
    {
        delete db;
        delete dir;
    }
    static void choose(QComboBox* box, const QString& data)
    {
        const int i = box->findData(data);
        ASSERT_GE(i, 0) << data.toStdString();
        box->setCurrentIndex(i);
    }
    static QString shownRule(kdata::MemoryTable* t, const QString& rule)
    {
        for (std::size_t r = 0; r < t->recordCount(); ++r)
            if (t->displayText(r, QStringLiteral("REGRA")) == rule) return t->displayText(r, QStringLiteral("VEREDITO"));
        return {};
    }

    static inline ktest::TempDir* dir = nullptr;
    static inline std::string path;
    static inline kdb::Connection* db = nullptr;
};

TEST_F(Verificar, ALineAcceptedThenRefused)
{
    TfrmVerificar w(*db, "0303010045");
    w.show();
    EXPECT_EQ(w.edtCompetencia->text(), QStringLiteral("06/2026"));
    EXPECT_EQ(w.cbxInstrumento->count(), 10);
    EXPECT_EQ(w.edtProcedimento->text(), QStringLiteral("0303010045"));
    EXPECT_EQ(w.lblProcedimento->text(), QStringLiteral("TRATAMENTO SO DO SEXO FEMININO"));
    choose(w.cbxInstrumento, QStringLiteral("03"));
    choose(w.cbxSexo, QStringLiteral("F"));
    QTest::keyClicks(w.edtIdade, QStringLiteral("18"));
    QTest::keyClicks(w.edtCid, QStringLiteral("a00"));
    QTest::mouseClick(w.btnVerificar, Qt::LeftButton);
    EXPECT_TRUE(w.lblVeredito->text().startsWith(QStringLiteral("ACEITO"))) << w.lblVeredito->text().toStdString();
    EXPECT_EQ(w.cdsRegras()->recordCount(), w.result().rules.size());
    EXPECT_EQ(shownRule(w.cdsRegras(), QStringLiteral("Sexo")), QStringLiteral("ACEITO"));
    // The memo holds the current rule whole, with its table.
    EXPECT_TRUE(w.dbmMotivo->toPlainText().startsWith(QStringLiteral("Procedimento: "))) << w.dbmMotivo->toPlainText().toStdString();
    EXPECT_TRUE(w.dbmMotivo->toPlainText().contains(QStringLiteral("Tabela: TB_PROC (tb_procedimento)")));

    choose(w.cbxSexo, QStringLiteral("M"));
    w.edtSecundarios->setText(QStringLiteral("04.01.01.001-5:1"));
    QTest::mouseClick(w.btnVerificar, Qt::LeftButton);
    EXPECT_TRUE(w.lblVeredito->text().startsWith(QStringLiteral("RECUSADO"))) << w.lblVeredito->text().toStdString();
    EXPECT_EQ(shownRule(w.cdsRegras(), QStringLiteral("Sexo")), QStringLiteral("RECUSADO"));
    EXPECT_FALSE(shownRule(w.cdsRegras(), QStringLiteral("Compatibilidade 0401010015")).isEmpty());

    w.edtProcedimento->setText(QStringLiteral("0999999999"));
    EXPECT_EQ(w.lblProcedimento->text(), QStringLiteral("(não existe na competência)"));
}

TEST_F(Verificar, FieldsItCannotReadAndAnotherCompetencia)
{
    ktest::RecordingDialogs dialogs;
    TfrmVerificar w(*db, "0301010072");
    w.show();
    w.edtIdade->setText(QStringLiteral("dois"));
    QTest::mouseClick(w.btnVerificar, Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(QStringLiteral("Idade"))) << dialogs.errors[0].toStdString();
    EXPECT_EQ(w.cdsRegras()->recordCount(), 0u);

    w.edtIdade->clear();
    w.edtCompetencia->setText(QStringLiteral("05/2026"));
    QTest::mouseClick(w.btnVerificar, Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_TRUE(dialogs.errors[1].contains(QStringLiteral("05/2026"))) << dialogs.errors[1].toStdString();
}

TEST(VerificarFromTheMainWindow, StatusBarMenuAndF9OpenItOnTheCurrentProcedure)
{
    ktest::ensureApplication();
    ktest::TempDir dir;
    TfrmKorvane main(ktest::createFixtureDatabase(dir));
    main.show();
    QApplication::setActiveWindow(&main);
    auto* item = main.findChild<QAction*>(QStringLiteral("VERIFICAR1"));
    ASSERT_TRUE(item);
    EXPECT_TRUE(ktest::control<QMenu>(main, "PopupActionBar1")->actions().contains(item));
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::Key_F9));
    const std::string current = main.model().currentProcedureCode();
    ASSERT_FALSE(current.empty());

    QString preset;
    QTimer::singleShot(50, [&] {
        auto* w = qobject_cast<TfrmVerificar*>(QApplication::activeModalWidget());
        ASSERT_TRUE(w);
        preset = w->edtProcedimento->text();
        QTest::keyClick(w->edtProcedimento, Qt::Key_Escape);
    });
    QTest::keyClick(ktest::control<QLineEdit>(main, "edtPesquise"), Qt::Key_F9);
    EXPECT_EQ(preset.toStdString(), current);
    EXPECT_FALSE(QApplication::activeModalWidget());
}

// --- korvane-cli check ----------------------------------------------------------
// On a database of its own, which this process never holds open.

class VerificarCli : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new ktest::TempDir;
        path = ktest::createCheckDatabase(*dir);
    }
    static void TearDownTestSuite() { delete dir; }
    static inline ktest::TempDir* dir = nullptr;
    static inline std::string path;
};

struct Outcome {
    int status = -1;
    QString out, err;
};

Outcome cli(const std::string& database, QStringList args)
{
    args.prepend(QString::fromStdString(database));
    args.prepend(QStringLiteral("--database"));
    QProcess p;
    p.start(QStringLiteral(KORVANE_CLI_EXE), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

TEST_F(VerificarCli, JsonHoldsTheVerdictAndEveryRule)
{
    const Outcome json = cli(path, {"--json", "check", "--competencia", "202606", "--instrumento", "3", "--procedimento",
                                    "0303010037", "--secundario", "0702010016:2", "--secundario", "0702010024"});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(o.value(QStringLiteral("veredito")).toString(), QStringLiteral("recusado")) << json.out.toStdString();
    const QJsonArray rules = o.value(QStringLiteral("regras")).toArray();
    ASSERT_FALSE(rules.isEmpty()) << json.out.toStdString();
    bool pairRefused = false;
    for (const QJsonValue& v : rules) {
        const QJsonObject r = v.toObject();
        for (const char* key : {"regra", "veredito", "motivo", "tabela"}) EXPECT_TRUE(r.contains(QLatin1String(key))) << key;
        if (r.value(QStringLiteral("regra")).toString() == QStringLiteral("Incompatibilidade 0702010016 × 0702010024"))
            pairRefused = r.value(QStringLiteral("veredito")).toString() == QStringLiteral("recusado") &&
                          r.value(QStringLiteral("tabela")).toString().contains(QStringLiteral("TB_PROC_COMP"));
    }
    EXPECT_TRUE(pairRefused) << json.out.toStdString();

    const Outcome human = cli(path, {"check", "--competencia", "202606", "--instrumento", "02", "--procedimento",
                                     "0301010072", "--cbo", "225125", "--idade", "40,2", "--sexo", "f"});
    ASSERT_EQ(human.status, 0) << human.err.toStdString();
    EXPECT_TRUE(human.out.contains(QStringLiteral("ACEITO"))) << human.out.toStdString();
    EXPECT_TRUE(human.out.contains(QStringLiteral("TB_PROC_CBO (rl_procedimento_ocupacao)"))) << human.out.toStdString();
}

TEST_F(VerificarCli, FaultsAndCsv)
{
    const Outcome other = cli(path, {"check", "--competencia", "202605", "--instrumento", "01", "--procedimento", "0301010072"});
    EXPECT_EQ(other.status, 1);
    EXPECT_TRUE(other.err.contains(QStringLiteral("05/2026"))) << other.err.toStdString();
    EXPECT_TRUE(other.err.contains(QStringLiteral("06/2026"))) << other.err.toStdString();
    EXPECT_EQ(cli(path, {"check", "--competencia", "202606", "--instrumento", "01"}).status, 2);   // no procedure
    EXPECT_EQ(cli(path, {"check", "--competencia", "202606", "--instrumento", "01", "--procedimento", "0301010072",
                         "--idade", "3,15"}).status, 2);
    EXPECT_EQ(cli(path, {"check", "--competencia", "202606", "--instrumento", "01", "--procedimento", "0301010072",
                         "--sexo", "M", "--sexo", "F"}).status, 2);
    const Outcome csv = cli(path, {"--csv", "check", "--competencia", "06/2026", "--instrumento", "01", "--procedimento",
                                   "0301010072"});
    ASSERT_EQ(csv.status, 0) << csv.err.toStdString();
    EXPECT_TRUE(csv.out.startsWith(QStringLiteral("Regra;Veredito;Motivo;Tabela\n"))) << csv.out.toStdString();
    EXPECT_TRUE(csv.out.contains(QStringLiteral("\nVeredito;"))) << csv.out.toStdString();
}

} // namespace
