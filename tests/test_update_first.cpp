// The first load of a database as the program runs it (its own attachment):
// its pages left to the system while nothing kept can be lost, the file
// written through and set to forced writes again however the load ends,
// and a later load that finds forced writes off setting them again.

#include "support/updaterun.h"

#include <gtest/gtest.h>

#include <optional>

using namespace ktest::update;

namespace {

bool forcedWrites(const std::string& db)
{
    kdb::Connection c;
    c.open(db, ktest::kCredentials);
    const bool on = c.forcedWrites();
    c.close();
    return on;
}

std::string emptyHistoryDatabase(ktest::TempDir& dir)
{
    const std::string db = ktest::createSchemaDatabase(dir);
    kdb::Connection c;
    c.open(db, ktest::kCredentials);
    korvane::convertToHistory(c);
    c.close();
    return db;
}

// What another attachment of this process sees of the engine's writes
// while the load stores its first table.
korvane::UpdateHooks watchWrites(const std::string& db, std::optional<bool>& during)
{
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&during, db](int step) {
        if (step == 1) during = forcedWrites(db);
    };
    return hooks;
}

std::string runUpdate(const std::string& db, const std::string& folder, const korvane::UpdateHooks& hooks = {})
{
    korvane::UpdateProgress progress;
    try {
        korvane::updateDatabase(db, ktest::kCredentials, folder, progress, hooks);
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

TEST_F(UpdateRun, AFirstLoadDefersItsWritesAndLeavesThemForced)
{
    const std::string db = emptyHistoryDatabase(dir);
    ASSERT_TRUE(forcedWrites(db));
    std::optional<bool> during;
    ASSERT_EQ(runUpdate(db, releaseB, watchWrites(db, during)), "");
    ASSERT_TRUE(during.has_value());
    EXPECT_FALSE(*during);
    EXPECT_TRUE(forcedWrites(db));
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), std::to_string(linesOf(releaseB, "tb_procedimento.txt").size()));
    EXPECT_EQ(scalar(db, "select count(*) from rdb$indices where rdb$index_inactive = 1"), "0");

    // With a release kept, a crash of the machine could take it: the next
    // load writes each page through.
    during.reset();
    ASSERT_EQ(runUpdate(db, releaseA, watchWrites(db, during)), "");
    ASSERT_TRUE(during.has_value());
    EXPECT_TRUE(*during);
    EXPECT_TRUE(forcedWrites(db));
    EXPECT_EQ(scalar(db, "select count(*) from HIST_RELEASE"), "2");
}

TEST_F(UpdateRun, AFailedFirstLoadLeavesNothingAndForcedWrites)
{
    const std::string db = emptyHistoryDatabase(dir);
    const std::string folder = copyOfB();
    std::vector<std::string> lines = linesOf(folder, "tb_descricao_detalhe.txt");
    ASSERT_FALSE(lines.empty());
    lines.insert(lines.begin() + 1, lines[0]);
    writeLines(folder, "tb_descricao_detalhe.txt", lines);
    std::optional<bool> during;
    EXPECT_NE(runUpdate(db, folder, watchWrites(db, during)), "");
    ASSERT_TRUE(during.has_value());
    EXPECT_FALSE(*during);
    EXPECT_TRUE(forcedWrites(db));
    EXPECT_EQ(scalar(db, "select count(*) from H_TB_PROC"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from HIST_RELEASE"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from rdb$indices where rdb$index_inactive = 1"), "0");
    // And the same database then takes the release whole.
    ASSERT_EQ(runUpdate(db, releaseB), "");
    EXPECT_TRUE(forcedWrites(db));
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), std::to_string(linesOf(releaseB, "tb_procedimento.txt").size()));
}

TEST_F(UpdateRun, AFirstLoadBesideTheBrowsersAttachmentEndsLoadedAndForced)
{
    // The update window's first load runs while the main window reads the
    // tables: neither the writes' setting nor the two attachments building
    // the indexes hold it up, and the next opening builds what is left.
    const std::string db = emptyHistoryDatabase(dir);
    kdb::Connection browser;
    browser.open(db, ktest::kCredentials);
    kdb::Transaction tr(browser, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(browser, tr);
    q.setSql("select count(*) from TB_PROC_CBO where PCBO_PROC = :p");
    q.setParam("p", "0301010072");
    q.open();
    ASSERT_EQ(runUpdate(db, releaseB), "");
    EXPECT_TRUE(browser.forcedWrites());
    q.close();
    tr.commit();
    browser.close();
    EXPECT_TRUE(forcedWrites(db));
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), std::to_string(linesOf(releaseB, "tb_procedimento.txt").size()));
    {
        kdb::Connection c;
        c.open(db, ktest::kCredentials);
        korvane::convertToHistory(c);
    }
    EXPECT_EQ(scalar(db, "select count(*) from rdb$indices where rdb$index_inactive = 1"), "0");
}

TEST_F(UpdateRun, ALoadSetsForcedWritesAgainWhereAFirstLoadCutShortLeftThemOff)
{
    // A crash between a first load's commit and the end of its run leaves
    // the release in and forced writes off.
    const std::string db = copyOfLoadedA();
    {
        kdb::Connection c;
        c.openDeferringWrites(db, ktest::kCredentials);
        c.close();
    }
    ASSERT_FALSE(forcedWrites(db));
    std::optional<bool> during;
    ASSERT_EQ(runUpdate(db, releaseB, watchWrites(db, during)), "");
    ASSERT_TRUE(during.has_value());
    EXPECT_TRUE(*during);
    EXPECT_TRUE(forcedWrites(db));
    EXPECT_EQ(fingerprint(db, "202401"), *before);
}

} // namespace
