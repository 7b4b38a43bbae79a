// SIGTERM, SIGINT and SIGHUP end the program and the command line the way
// they end by themselves: the window closes (its data sets closed, the
// database detached, status 0); an update in progress rolls back and says it
// was interrupted; an update whose commit has returned is a success. Each
// program runs as a process of its own and gets a real signal.

#include "support/fixture.h"
#include "support/process.h"
#include "support/tempdb.h"
#include "support/updaterun.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <cstring>

namespace {

using namespace ktest::update;

const int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The database is free again: this process, another one, can open it with
// the embedded engine (which lets one process at a time have the file).
::testing::AssertionResult openable(const std::string& path)
{
    try {
        kdb::Connection db;
        db.open(path, ktest::kCredentials);
        db.close();
        return ::testing::AssertionSuccess();
    } catch (const std::exception& e) {
        return ::testing::AssertionFailure() << e.what();
    }
}

TEST(ProgramSignals, EachClosesTheWindowDetachesAndEndsWithZero)
{
    for (const int sig : kSignals) {
        SCOPED_TRACE(strsignal(sig));
        ktest::TempDir dir;
        const std::string db = ktest::createFixtureDatabase(dir);
        ktest::Child program({KORVANE_ON_EXE, db}, {"QT_QPA_PLATFORM=offscreen"});
        ASSERT_TRUE(program.waitFor("shown")) << program.err();
        program.signal(sig);
        const int status = program.wait(120);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ktest::describeStatus(status) << "\n" << program.err();
        EXPECT_TRUE(openable(db));
    }
}

// The start fails at a database another program holds; its message box is
// up when the signal comes, and the program ends with the failure status.
TEST(ProgramSignals, DuringTheStartFailureBoxTheProgramEndsWithAFailure)
{
    ktest::TempDir dir;
    const std::string db = ktest::createFixtureDatabase(dir);
    ktest::Child holder({KORVANE_HOLDDB_EXE, db});
    ASSERT_TRUE(holder.waitFor("open")) << holder.err();
    ktest::Child program({KORVANE_ON_EXE, db}, {"QT_QPA_PLATFORM=offscreen"});
    // The box waits for a person; the signal must end it.
    ASSERT_TRUE(program.waitFor("error: ")) << program.err();
    program.signal(SIGTERM);
    const int status = program.wait(120);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << ktest::describeStatus(status) << "\n" << program.err();
    EXPECT_EQ(program.out().find("shown"), std::string::npos);
    holder.closeInput();
    EXPECT_EQ(holder.wait(), 0);
}

class UpdateSignals : public UpdateRun {
protected:
    static void SetUpTestSuite()
    {
        UpdateRun::SetUpTestSuite();
        big = generate(shared->path() / "big", 14, 0.6, "202403");
    }
    inline static std::string big;
};

TEST_F(UpdateSignals, AnUpdateInProgressRollsBackAndSaysItWasInterrupted)
{
    for (const int sig : kSignals) {
        SCOPED_TRACE(strsignal(sig));
        const std::string db = dir.file(std::string("interrupted-") + std::to_string(sig) + ".gdb");
        std::filesystem::copy_file(loadedA, db);
        ktest::Child update({KORVANE_CLI_EXE, "--database", db, "update", big});
        ASSERT_TRUE(update.waitFor("step 2/39")) << update.err();
        update.signal(sig);
        const int status = update.wait();
        ASSERT_TRUE(WIFEXITED(status)) << ktest::describeStatus(status) << "\n" << update.err();
        EXPECT_EQ(WEXITSTATUS(status), 128 + sig) << update.err();
        EXPECT_NE(update.err().find("interrompida"), std::string::npos) << update.err();
        EXPECT_EQ(update.out(), "");
        ASSERT_TRUE(openable(db));
        EXPECT_EQ(fingerprint(db), *before);
    }
}

// Ctrl-C right after the commit: the client's own handler shuts every
// attachment down, so the statistics and the detach that follow fail. The
// release is in, and the command says so.
TEST_F(UpdateSignals, ASignalAndAShutDownAfterTheCommitStillEndInSuccess)
{
    const std::string db = copyOfLoadedA();
    const ktest::Finished update = ktest::run({KORVANE_SIGNAL_AFTER_COMMIT_EXE, "--database", db, releaseB});
    EXPECT_TRUE(WIFEXITED(update.status) && WEXITSTATUS(update.status) == 0)
        << ktest::describeStatus(update.status) << "\n" << update.err;
    EXPECT_NE(update.out.find("loaded"), std::string::npos) << update.out;
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "02/2024");
    EXPECT_NE(fingerprint(db), *before);
}

} // namespace
