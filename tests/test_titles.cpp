// The captions on the title bars, read back from a real X display: each is
// the window's own, with nothing added by the window system.

#include "support/fixture.h"
#include "support/tempdb.h"

#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(Titles, AreExactlyTheWindowsCaptions)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
        GTEST_SKIP() << "xvfb-run and xprop are needed to read captions from an X display";
    ktest::TempDir dir;
    const std::string db = ktest::createFixtureDatabase(dir);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xvfb-run"), {QStringLiteral("-a"), QStringLiteral(KORVANE_TITLES_EXE), QString::fromStdString(db)});
    ASSERT_TRUE(p.waitForFinished(120000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::map<QString, QString> captions;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        captions[line.section(QLatin1Char('\t'), 0, 0)] = line.section(QLatin1Char('\t'), 1);
    EXPECT_EQ(captions[QStringLiteral("frmKorvane")].toStdString(), "KORVANE  NORTEVIA   -   06/2022");
    EXPECT_EQ(captions[QStringLiteral("frmCbos")].toStdString(), "KORVANE  NORTEVIA");
    EXPECT_EQ(captions[QStringLiteral("frmCid10")].toStdString(), "KORVANE  NORTEVIA");
    EXPECT_EQ(captions[QStringLiteral("frmAtualizar")].toStdString(), "KORVANE  NORTEVIA  ");
}

} // namespace
