// A user's first start, and the paths an installed program finds at run
// time: the database made in the user's own folder from the release that
// ships with the program; nothing half-made left when that fails.

#include "core/settingpath.h"
#include "core/termination.h"
#include "support/process.h"
#include "support/updaterun.h"
#include "update/firststart.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace {

using namespace ktest::update;
namespace fs = std::filesystem;

class FirstStart : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        shared = new ktest::TempDir;
        release = generate(shared->path() / "shipped", 31, 0.02, "202606");
    }
    static void TearDownTestSuite() { delete shared; }

    std::string userDatabase() const { return dir.file("home/.local/share/korvane/KORVANE.GDB"); }

    ktest::TempDir dir;
    inline static ktest::TempDir* shared = nullptr;
    inline static std::string release;
};

TEST_F(FirstStart, MakesTheUsersFolderAndDatabaseFromTheShippedRelease)
{
    const std::string db = userDatabase();
    ASSERT_TRUE(korvane::needsFirstDatabase(db, release));
    korvane::UpdateProgress progress;
    korvane::makeFirstDatabase(db, release, progress);
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "06/2026");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), std::to_string(linesOf(release, "tb_procedimento.txt").size()));
    EXPECT_NE(scalar(db, "select count(*) from TB_CID"), "0");
    // Made once: from now on the start opens it.
    EXPECT_FALSE(korvane::needsFirstDatabase(db, release));
}

TEST_F(FirstStart, NotForAServerNorWithoutAShippedRelease)
{
    EXPECT_FALSE(korvane::needsFirstDatabase("officeserver:/var/lib/firebird/3.0/data/KORVANE.GDB", release));
    EXPECT_FALSE(korvane::needsFirstDatabase("127.0.0.1/3051:/srv/KORVANE.GDB", release));
    EXPECT_FALSE(korvane::needsFirstDatabase(userDatabase(), ""));
}

TEST_F(FirstStart, AFailedOrStoppedFirstStartLeavesNoFileAndTheNextOneTriesAgain)
{
    const std::string db = userDatabase();
    // A release that makes the database but cannot be loaded into it.
    const fs::path spoiled = dir.path() / "spoiled";
    fs::copy(release, spoiled);
    fs::remove(spoiled / "tb_grupo.txt");
    korvane::UpdateProgress progress;
    EXPECT_THROW(korvane::makeFirstDatabase(db, spoiled.string(), progress), std::exception);
    EXPECT_FALSE(fs::exists(db));

    // The person logs out while it loads.
    korvane::requestStop(SIGTERM);
    try {
        korvane::makeFirstDatabase(db, release, progress);
        ADD_FAILURE() << "a stopped first start went on";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("interrompida"), std::string::npos) << e.what();
    }
    korvane::clearStopRequest();
    EXPECT_FALSE(fs::exists(db));

    ASSERT_TRUE(korvane::needsFirstDatabase(db, release));
    korvane::makeFirstDatabase(db, release, progress);
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "06/2026");
}

TEST_F(FirstStart, TheProgramMakesTheDatabaseAndOpensOnIt)
{
    const std::string db = userDatabase();
    ktest::Child program({KORVANE_ON_EXE, db, release}, {"QT_QPA_PLATFORM=offscreen"});
    ASSERT_TRUE(program.waitFor("shown")) << program.out() << program.err();
    program.signal(SIGTERM);
    const int status = program.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << ktest::describeStatus(status) << program.err();
    EXPECT_EQ(program.out().find("error: "), std::string::npos) << program.out();
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "06/2026");
}

// An installed tree names its files from the folder of the programs, and the
// data folder from the user's home, so it works wherever it was unpacked and
// for whoever runs it.
TEST(SettingPath, FollowsTheUserAndTheFolderOfTheProgram)
{
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    setenv("HOME", "/home/clerk", 1);
    EXPECT_EQ(korvane::settingPath("~/.local/share/korvane/KORVANE.GDB"), "/home/clerk/.local/share/korvane/KORVANE.GDB");
    setenv("HOME", savedHome.c_str(), 1);

    const fs::path program = fs::read_symlink("/proc/self/exe").parent_path();
    EXPECT_EQ(korvane::settingPath("../share/korvane/RELATORIOS"),
              (program.parent_path() / "share/korvane/RELATORIOS").string());
    EXPECT_EQ(korvane::settingPath("/srv/korvane/KORVANE.GDB"), "/srv/korvane/KORVANE.GDB");
    EXPECT_EQ(korvane::settingPath("officeserver:/var/lib/firebird/3.0/data/KORVANE.GDB"),
              "officeserver:/var/lib/firebird/3.0/data/KORVANE.GDB");
    EXPECT_EQ(korvane::settingPath(""), "");
}

} // namespace
