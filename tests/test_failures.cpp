// Database failures as the person at the desk reads them: what happened and
// what to do, in Portuguese, above the engine's own text. The failures are
// made for real (a file missing, held by another program, cut short, not a
// database at all, a server that does not answer), so the texts tested are
// the engine's, not copies of them.

#include "app/startup.h"
#include "app/uKorvane.h"
#include "db/error.h"
#include "core/enginefailure.h"
#include "support/fixture.h"
#include "support/process.h"
#include "support/tempdb.h"
#include "support/widgets.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

// The engine's text when opening path fails.
std::string openFailure(const std::string& path)
{
    try {
        kdb::Connection db;
        db.open(path, ktest::kCredentials);
    } catch (const kdb::Error& e) {
        return e.what();
    }
    return {};
}

std::string sentenceFor(const std::string& text)
{
    const char* s = korvane::engineFailureSentence(text);
    return s ? s : "";
}

// A port of this machine where nothing listens.
int closedPort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    close(s);
    return ntohs(a.sin_port);
}

class Failures : public ::testing::Test {
protected:
    ktest::TempDir dir;
};

TEST_F(Failures, EachKnownFailureOfTheEngineGetsItsSentence)
{
    const std::string missing = openFailure(dir.file("NOPE.GDB"));
    EXPECT_NE(sentenceFor(missing).find("não foi encontrado"), std::string::npos) << missing;

    const std::string zeros = dir.file("ZEROS.GDB");
    ktest::writeFile(zeros, std::string(1 << 20, '\0'));
    const std::string invalid = openFailure(zeros);
    EXPECT_NE(sentenceFor(invalid).find("danificado"), std::string::npos) << invalid;

    const std::string cut = ktest::createFixtureDatabase(dir);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    const std::string shortFile = openFailure(cut);
    EXPECT_NE(sentenceFor(shortFile).find("danificado"), std::string::npos) << shortFile;

    const std::string noServer = openFailure("127.0.0.1/" + std::to_string(closedPort()) + ":/tmp/KORVANE.GDB");
    EXPECT_NE(sentenceFor(noServer).find("servidor do banco não responde"), std::string::npos) << noServer;
}

TEST_F(Failures, ADatabaseAnotherProgramHoldsSaysSo)
{
    const std::string db = ktest::createFixtureDatabase(dir);
    ktest::Child holder({KORVANE_HOLDDB_EXE, db});
    ASSERT_TRUE(holder.waitFor("open")) << holder.err();
    const std::string held = openFailure(db);
    holder.closeInput();
    EXPECT_EQ(holder.wait(), 0);
    EXPECT_EQ(sentenceFor(held),
              "O banco está aberto por outro programa (korvane ou korvane-update): feche-o e tente de novo.")
        << held;
}

TEST_F(Failures, AFileTheUserMayNotReadSaysSo)
{
    const std::string db = ktest::createFixtureDatabase(dir);
    std::string denied;
    if (geteuid() != 0) {
        std::filesystem::permissions(db, std::filesystem::perms::none);
        denied = openFailure(db);
    } else {
        // Root reads every file: the clerk is another user, whom the test's
        // folder (mode 0700) keeps out. The engine's lock files go where
        // that user may write.
        if (!std::filesystem::exists("/usr/bin/setpriv")) GTEST_SKIP() << "setpriv is absent";
        ktest::TempDir locks;
        std::filesystem::permissions(locks.path(), std::filesystem::perms::all);
        const ktest::Finished cli =
            ktest::run({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", KORVANE_CLI_EXE,
                        "--database", db, "show", "0301010072"},
                       {"FIREBIRD_LOCK=" + locks.path().string()});
        EXPECT_TRUE(WIFEXITED(cli.status) && WEXITSTATUS(cli.status) == 1) << ktest::describeStatus(cli.status);
        denied = cli.err;
    }
    EXPECT_NE(sentenceFor(denied).find("Sem permissão"), std::string::npos) << denied;
    EXPECT_NE(denied.find("Permission denied"), std::string::npos) << denied;
}

// The same words from elsewhere are not the database's failure: a release
// file that is missing also says "No such file or directory".
TEST_F(Failures, OtherFailuresKeepTheirTextAsItIs)
{
    const std::string release = "Cannot open file \"/x/tb_cid.txt\". No such file or directory";
    EXPECT_EQ(korvane::engineFailureSentence(release), nullptr);
    EXPECT_EQ(korvane::explainedFailure(release), release);
    const std::string syntax = "Dynamic SQL Error\n-SQL error code = -104\n-Token unknown - line 1, column 8";
    EXPECT_EQ(korvane::explainedFailure(syntax), syntax);
}

TEST_F(Failures, TheWindowsShowTheSentenceWithTheEngineTextBelow)
{
    ktest::ensureApplication();
    ktest::RecordingDialogs dialogs;
    const std::string missing = dir.file("NOPE.GDB");
    EXPECT_FALSE(startMainWindow(missing));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    const QStringList lines = dialogs.errors[0].split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("O arquivo do banco não foi encontrado: confira o caminho, ou crie o banco com "
                                       "korvane-cli createdb."));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("I/O error during \"open\" operation for file"))) << lines[1].toStdString();
    EXPECT_TRUE(dialogs.errors[0].contains(QString::fromStdString(missing)));
}

TEST_F(Failures, TheCommandLineWritesTheSentenceWithTheEngineTextBelow)
{
    const std::string missing = dir.file("NOPE.GDB");
    const ktest::Finished cli = ktest::run({KORVANE_CLI_EXE, "--database", missing, "show", "0301010072"});
    EXPECT_TRUE(WIFEXITED(cli.status) && WEXITSTATUS(cli.status) == 1) << ktest::describeStatus(cli.status);
    EXPECT_EQ(cli.out, "");
    EXPECT_TRUE(cli.err.starts_with("korvane-cli: O arquivo do banco não foi encontrado")) << cli.err;
    EXPECT_NE(cli.err.find("\nI/O error during \"open\" operation for file \"" + missing + "\""), std::string::npos)
        << cli.err;
}

} // namespace
