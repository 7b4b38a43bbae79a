// One database shared by the seats of an office through a Firebird server
// (a path with a host): made and loaded through the server, browsed by two
// programs while a third loads the next release, and an update cut off by
// the server's death. The server is a private one the test starts.

#include "model/browser.h"
#include "support/fbserver.h"
#include "support/process.h"
#include "support/updaterun.h"
#include "support/widgets.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <memory>

namespace {

using namespace ktest::update;

::testing::AssertionResult succeeded(const ktest::Finished& f)
{
    if (WIFEXITED(f.status) && WEXITSTATUS(f.status) == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ktest::describeStatus(f.status) << "\n" << f.err;
}

class OfficeServer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!ktest::FirebirdServer::missing().empty()) return;
        ktest::ensureApplication();
        try {
            server = new ktest::FirebirdServer;
        } catch (const std::exception& e) {
            startFailure = e.what();
            return;
        }
        releaseA = generate(server->files().path() / "A", 41, 0.02, "202401");
        releaseB = generate(server->files().path() / "B", 42, 0.12, "202402");
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        if (const std::string why = ktest::FirebirdServer::missing(); !why.empty()) GTEST_SKIP() << why;
        ASSERT_TRUE(server) << "the server did not start: " << startFailure;
    }

    // A database on the server holding release A, made as an office makes it.
    std::string databaseWithA(const std::string& name)
    {
        const std::string db = server->path((server->files().path() / name).string());
        EXPECT_TRUE(succeeded(cli({"createdb", releaseA}, db)));
        EXPECT_TRUE(succeeded(cli({"update", releaseA}, db)));
        return db;
    }

    static ktest::Finished cli(std::vector<std::string> args, const std::string& db)
    {
        args.insert(args.begin(), {KORVANE_CLI_EXE, "--database", db});
        return ktest::run(std::move(args));
    }

    inline static ktest::FirebirdServer* server = nullptr;
    inline static std::string startFailure;
    inline static std::string releaseA, releaseB;
};

TEST_F(OfficeServer, TheDatabaseIsMadeLoadedAndReadThroughTheServer)
{
    const std::string db = databaseWithA("made.gdb");
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "01/2024");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), std::to_string(linesOf(releaseA, "tb_procedimento.txt").size()));
    const std::string code = linesOf(releaseA, "tb_procedimento.txt").front().substr(0, 10);
    const ktest::Finished show = cli({"show", code}, db);
    ASSERT_TRUE(succeeded(show));
    EXPECT_NE(show.out.find(code), std::string::npos) << show.out;
}

// What a seat shows: the competência in the caption and the procedure list.
struct Seen {
    QString versao;
    std::vector<std::string> list;
    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* os)
{
    *os << "VERSAO " << s.versao.toStdString() << ", " << s.list.size() << " procedures";
    if (!s.list.empty()) *os << " from " << s.list.front();
}

// A search and what it shows. A look the commit falls into (VERSAO read
// before and after it differ) says nothing about either release: looked again.
Seen look(korvane::BrowserModel& seat)
{
    for (;;) {
        Seen s;
        const QString before = seat.versao();
        seat.search();
        kdata::Selection* list = seat.qryTbProc();
        list->fetchAll();
        for (std::size_t r = 0; r < list->recordCount(); ++r)
            s.list.push_back(list->value(r, QStringLiteral("PROC_COD")).toString() + " " +
                             list->value(r, QStringLiteral("PROC_DESCR")).toString());
        s.versao = seat.versao();
        if (s.versao == before) return s;
    }
}

TEST_F(OfficeServer, TwoSeatsBrowseWhileAThirdLoadsTheNextRelease)
{
    const std::string db = databaseWithA("shared.gdb");
    korvane::BrowserModel first(db), second(db);
    first.open();
    second.open();
    const Seen a = look(first);
    ASSERT_EQ(a.versao, QStringLiteral("01/2024"));
    ASSERT_EQ(look(second), a);

    ktest::Child loading({KORVANE_CLI_EXE, "--database", db, "update", releaseB});
    loading.closeInput();
    ASSERT_TRUE(loading.waitFor("step 2/39")) << loading.err();
    // The load is one transaction: until it commits a seat sees release A,
    // whole; once VERSAO says B (written in that same transaction) the list
    // is B's too, and a seat never goes back. And no search fails.
    korvane::BrowserModel* seats[] = {&first, &second};
    bool sawB[] = {false, false};
    std::vector<Seen> seenB;
    int looksAtA = 0;
    while (loading.running()) {
        for (int i = 0; i < 2; ++i) {
            Seen now = look(*seats[i]);
            if (now.versao == a.versao) {
                ASSERT_FALSE(sawB[i]) << "seat " << i << " went back to the previous release";
                ASSERT_EQ(now.list, a.list) << "seat " << i << " shows a list of neither release";
                ++looksAtA;
            } else {
                ASSERT_EQ(now.versao, QStringLiteral("02/2024"));
                sawB[i] = true;
                seenB.push_back(std::move(now));
            }
        }
    }
    ASSERT_EQ(loading.wait(), 0) << loading.err();
    EXPECT_GT(looksAtA, 0);

    // The next search of each seat shows release B, as a seat opened now does.
    korvane::BrowserModel fresh(db);
    fresh.open();
    const Seen b = look(fresh);
    EXPECT_EQ(b.versao, QStringLiteral("02/2024"));
    EXPECT_NE(b.list, a.list);
    for (const Seen& s : seenB) EXPECT_EQ(s.list, b.list) << "a seat showed B's competência over another list";
    EXPECT_EQ(look(first), b);
    EXPECT_EQ(look(second), b);
}

// The same on one machine, without a server: a load through another
// attachment is what the seat's next search shows.
TEST(AnotherProgramsLoad, IsWhatTheNextSearchShows)
{
    ktest::ensureApplication();
    ktest::TempDir dir;
    const std::string db = ktest::createSchemaDatabase(dir);
    const std::string a = generate(dir.path() / "A", 51, 0.02, "202401");
    const std::string b = generate(dir.path() / "B", 52, 0.02, "202402");
    ASSERT_EQ(update(db, a), "");
    korvane::BrowserModel seat(db);
    seat.open();
    const Seen before = look(seat);
    ASSERT_EQ(update(db, b), "");
    korvane::BrowserModel fresh(db);
    fresh.open();
    const Seen after = look(fresh);
    ASSERT_NE(after.list, before.list);
    EXPECT_EQ(look(seat), after);
}

TEST_F(OfficeServer, AnUpdateCutOffByTheServersDeathLeavesThePreviousRelease)
{
    const std::string db = databaseWithA("cutoff.gdb");
    const Fingerprint withA = fingerprint(db);
    ktest::Child loading({KORVANE_CLI_EXE, "--database", db, "update", releaseB});
    loading.closeInput();
    ASSERT_TRUE(loading.waitFor("step 2/39")) << loading.err();
    server->kill();
    const int status = loading.wait();
    server->start();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << ktest::describeStatus(status) << loading.err();
    EXPECT_NE(loading.err().find("A ligação com o banco caiu"), std::string::npos) << loading.err();
    EXPECT_EQ(loading.out(), "");
    EXPECT_EQ(fingerprint(db), withA);
    // And the next load goes in.
    EXPECT_TRUE(succeeded(cli({"update", releaseB}, db)));
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "02/2024");
}

} // namespace
