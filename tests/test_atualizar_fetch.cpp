// The update window with a zip and with BAIXAR DA INTERNET, and the main
// window's start-up notice of a newer competência: the competência shown
// as soon as the field names a release, a zip loaded and a bad one refused,
// a download from an FTP server on 127.0.0.1 shown in the bars and loaded
// after the usual confirmation, and the notice following the settings.

#include "app/releasenotice.h"
#include "app/uAtualizar.h"
#include "app/uKorvane.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/fixture.h"
#include "support/releaseserver.h"
#include "support/tempdb.h"
#include "support/updaterun.h"
#include "support/updatewindow.h"
#include "support/widgets.h"
#include "support/zips.h"
#include "update/releasesettings.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

using Protocol = ktest::ReleaseServer::Protocol;

// Where the bars stood when the confirmation came up.
struct Dialogs : ktest::RecordingDialogs {
    TfrmAtualizar* window = nullptr;
    std::pair<int, int> barAtConfirmation{-1, -1};
    bool confirm(QWidget* parent, const QString& caption, const QString& text) override
    {
        if (window) barAtConfirmation = {window->pbProgresso->value(), window->pbProgresso->maximum()};
        return ktest::RecordingDialogs::confirm(parent, caption, text);
    }
};

// The user's settings go to a folder of the test's own.
void keepSettingsIn(const ktest::TempDir& dir, const QString& address, bool notice)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.file("settings")));
    QSettings s(QStringLiteral("Nortevia"), QStringLiteral("Korvane"));
    s.setValue(QStringLiteral("download/address"), address);
    s.setValue(QStringLiteral("download/newReleaseNotice"), notice);
    s.sync();
}

class FetchWindow : public ktest::UpdateWindowTest<Dialogs> {
protected:
    static void SetUpTestSuite()
    {
        ktest::ensureApplication();
        shared = new ktest::TempDir;
        release = ktest::update::generate(shared->path() / "R", 41, 0.03, "202405",
                                          korvane::ReleaseOptions::Layout::Fixed, false, true);
        zip = shared->file("TabelaUnificada_202405_v2406031015.zip");
        korvane::packRelease(release, zip);
    }
    static void TearDownTestSuite() { delete shared; }

    // Nothing the window reads in the settings may lead off the machine.
    void SetUp() override
    {
        keepSettingsIn(dir, QStringLiteral("ftp://127.0.0.1:%1/").arg(ktest::closedPort()), false);
        ktest::UpdateWindowTest<Dialogs>::SetUp();
    }

    std::string versao() { return ktest::update::scalar(path, "select VERSAO from VERSAO"); }

    inline static ktest::TempDir* shared = nullptr;
    inline static std::string release, zip;
};

TEST_F(FetchWindow, ShowsTheCompetenciaOfWhatTheFieldNamesThenLoadsTheZip)
{
    EXPECT_TRUE(w->lblVersao->text().isEmpty());
    typeFolder(zip);
    QTest::qWait(400);   // shown once typing pauses
    EXPECT_EQ(w->lblVersao->text(), QStringLiteral("COMPETÊNCIA 05/2024\nPUBLICADA EM 03/06/2024 10:15"));
    typeFolder(dir.file("nothing-here"));
    QTest::qWait(400);
    EXPECT_TRUE(w->lblVersao->text().isEmpty());
    typeFolder("  " + release + " ");
    QTest::qWait(400);
    EXPECT_TRUE(w->lblVersao->text().startsWith(QStringLiteral("COMPETÊNCIA 05/2024\nARQUIVOS DE ")))
        << w->lblVersao->text().toStdString();
    EXPECT_EQ(w->lblVersao->text().count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(w->lblVersao->toolTip().isEmpty());
    // An older release: the files it lacks are named before the load.
    const std::string older = ktest::update::generate(dir.path() / "older", 42, 0.01, "202206");
    typeFolder(older);
    QTest::qWait(400);
    EXPECT_TRUE(w->lblVersao->text().endsWith(QStringLiteral("\nSEM 15 ARQUIVO(S) DAS TABELAS NOVAS: FICAM VAZIAS")))
        << w->lblVersao->text().toStdString();
    EXPECT_TRUE(w->lblVersao->toolTip().startsWith(QStringLiteral("tb_tuss.txt\nrl_procedimento_tuss.txt\n")))
        << w->lblVersao->toolTip().toStdString();

    typeFolder(zip);
    QTest::mouseClick(w->btnImportar, Qt::LeftButton);
    EXPECT_EQ(w->lblVersao->text(), QStringLiteral("COMPETÊNCIA 05/2024\nPUBLICADA EM 03/06/2024 10:15"));
    ASSERT_EQ(dialogs.confirmations.size(), 1u);
    EXPECT_TRUE(dialogs.errors.empty()) << (dialogs.errors.empty() ? "" : dialogs.errors[0].toStdString());
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_EQ(dialogs.informations[0], QStringLiteral("ATUALIZAÇÃO CONCLUÍDA COM SUCESSO !"));
    EXPECT_EQ(versao(), "05/2024");
}

TEST_F(FetchWindow, DamagedZipEndsInTheErrorBoxAndChangesNothing)
{
    const std::string bad = dir.file("TabelaUnificada_202405_v2406031015.zip");
    const std::string bytes = ktest::zips::bytesOf(zip);
    ktest::zips::writeBytes(bad, bytes.substr(0, bytes.size() - 100));
    typeFolder(bad);
    QTest::mouseClick(w->btnImportar, Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], QString::fromStdString("Arquivo \"" + bad + "\": o zip está danificado ou incompleto"));
    EXPECT_TRUE(dialogs.informations.empty());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(versao(), "06/2022");
}

TEST_F(FetchWindow, BaixarFetchesIntoTheReleasesFolderThenLoadsOnceConfirmed)
{
    const fs::path root = dir.path() / "served";
    fs::create_directories(root);
    fs::copy_file(zip, root / "TabelaUnificada_202405_v2406031015.zip");
    fs::copy_file(zip, root / "TabelaUnificada_202404_v2405020800.zip");
    ktest::ReleaseServer server(Protocol::Ftp, root, dir.path());
    if (!server.started()) GTEST_SKIP() << "no python3 with pyftpdlib here";
    keepSettingsIn(dir, QString::fromStdString(server.url()), false);
    openWindow();   // which reads the settings as it opens
    EXPECT_EQ(w->downloadOptions.address, server.url());
    EXPECT_EQ(w->downloadOptions.folder, (dir.path() / "releases").string());

    dialogs.answers.push_back(false);   // first: not now
    QTest::mouseClick(w->btnBaixar, Qt::LeftButton);
    const std::string kept = (dir.path() / "releases" / "TabelaUnificada_202405_v2406031015.zip").string();
    EXPECT_TRUE(dialogs.errors.empty()) << (dialogs.errors.empty() ? "" : dialogs.errors[0].toStdString());
    ASSERT_EQ(dialogs.confirmations.size(), 1u);
    const int kilobytes = static_cast<int>(fs::file_size(zip) / 1024);
    EXPECT_EQ(dialogs.barAtConfirmation, std::make_pair(kilobytes, kilobytes));
    EXPECT_EQ(w->edtCaminho->text().toStdString(), kept);
    EXPECT_EQ(w->lblVersao->text(), QStringLiteral("COMPETÊNCIA 05/2024\nPUBLICADA EM 03/06/2024 10:15"));
    EXPECT_EQ(ktest::zips::bytesOf(kept), ktest::zips::bytesOf(zip));
    EXPECT_EQ(versao(), "06/2022");
    EXPECT_TRUE(w->isVisible());

    // Again: the zip is there already, so nothing is fetched, and this time it loads.
    QTest::mouseClick(w->btnBaixar, Qt::LeftButton);
    EXPECT_EQ(server.count("RETR "), 1u);
    ASSERT_EQ(dialogs.informations.size(), 1u);
    EXPECT_EQ(dialogs.informations[0], QStringLiteral("ATUALIZAÇÃO CONCLUÍDA COM SUCESSO !"));
    EXPECT_EQ(versao(), "05/2024");
    EXPECT_FALSE(w->isVisible());
}

TEST_F(FetchWindow, BaixarWithoutAnAnswerSaysSoAndChangesNothing)
{
    w->downloadOptions.address = "ftp://127.0.0.1:" + std::to_string(ktest::closedPort()) + "/";
    QTest::mouseClick(w->btnBaixar, Qt::LeftButton);
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].startsWith(QString::fromStdString("Não foi possível listar " + w->downloadOptions.address)))
        << dialogs.errors[0].toStdString();
    EXPECT_TRUE(dialogs.confirmations.empty());
    EXPECT_TRUE(w->edtCaminho->text().isEmpty());
    EXPECT_TRUE(w->lblTabela->text().isEmpty());
    EXPECT_FALSE(w->running());
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(versao(), "06/2022");
}

// The notice looks at the settings' folder, aside, and speaks only of a
// competência newer than the loaded one (06/2022 in the fixture).
TEST(NewReleaseNotice, SpeaksOfANewerCompetenciaOnlyAndOnlyWhenOn)
{
    ktest::ensureApplication();
    ktest::TempDir dir;
    ktest::RecordingDialogs dialogs;
    const fs::path root = dir.path() / "served";
    fs::create_directories(root);
    ktest::zips::writeBytes(root / "TabelaUnificada_202207_v2207051200.zip", "listed only");
    ktest::zips::writeBytes(root / "TabelaUnificada_202112_v2112011200.zip", "listed only");
    ktest::ReleaseServer server(Protocol::Ftp, root, dir.path());
    if (!server.started()) GTEST_SKIP() << "no python3 with pyftpdlib here";
    const std::string path = ktest::createFixtureDatabase(dir);

    auto look = [&](const QString& address, bool on) {
        keepSettingsIn(dir, address, on);
        auto main = std::make_unique<TfrmKorvane>(path);
        main->show();
        QSignalSpy checked(&main->releaseNotice(), &ReleaseNotice::checked);
        main->checkForNewRelease();
        checked.wait(on ? 10000 : 1500);
        auto* label = main->findChild<QLabel*>(QStringLiteral("lblNovaVersao"));
        const QString said = label && label->isVisible() ? label->text() : QString();
        return std::make_pair(static_cast<int>(checked.count()), said);
    };
    const auto [looked, said] = look(QString::fromStdString(server.url()), true);
    EXPECT_EQ(looked, 1);
    EXPECT_TRUE(said.contains(QStringLiteral("COMPETÊNCIA 07/2022 PUBLICADA NO DATASUS"))) << said.toStdString();

    const std::size_t listings = server.count("NLST");
    EXPECT_EQ(look(QString::fromStdString(server.url()), false), std::make_pair(0, QString()));
    EXPECT_EQ(server.count("NLST"), listings);   // off: the folder is not even asked

    fs::remove(root / "TabelaUnificada_202207_v2207051200.zip");
    EXPECT_EQ(look(QString::fromStdString(server.url()), true), std::make_pair(1, QString()));
    EXPECT_EQ(look(QStringLiteral("ftp://127.0.0.1:%1/").arg(ktest::closedPort()), true), std::make_pair(1, QString()));
}

} // namespace
