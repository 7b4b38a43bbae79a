// The first load of a database as the program runs it (its own attachment):
// its pages left to the system while nothing kept can be lost, the file
// written through and set to forced writes again however the load ends,
// and a later load that finds forced writes off setting them again; its
// tables committed one by one yet out of sight until the release is in,
// and taken out again when the load fails or is cut short.

#include "support/updaterun.h"

#include "update/firstload.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The file of the release with the most lines: the table a first load
// stores on its second attachment.
std::string largestFile(const std::string& folder)
{
    std::string largest;
    std::size_t most = 0;
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) {
        const std::filesystem::path file = std::filesystem::path(folder) / l.fileName;
        if (!std::filesystem::exists(file)) continue;
        const std::size_t n = linesOf(folder, l.fileName).size();
        if (n > most) {
            most = n;
            largest = l.fileName;
        }
    }
    return largest;
}

TEST_F(UpdateRun, WhatAFirstLoadHasCommittedStaysOutOfSightUntilItsEnd)
{
    const std::string db = emptyHistoryDatabase(dir);
    const korvane::TableLayout& last = korvane::releaseLayouts().back();
    std::string committed, shown, kept, versao;
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&](int step) {
        if (step != last.step) return;
        committed = scalar(db, "select count(*) from H_TB_PROC");
        shown = scalar(db, "select count(*) from TB_PROC");
        kept = scalar(db, "select count(*) from HIST_RELEASE where CMPT <> '000000'");
        versao = scalar(db, "select count(*) from VERSAO where VERSAO is not null");
    };
    ASSERT_EQ(runUpdate(db, releaseB, hooks), "");
    const std::string procedures = std::to_string(linesOf(releaseB, "tb_procedimento.txt").size());
    // The rows were in, committed, and another attachment saw none of them.
    EXPECT_EQ(committed, procedures);
    EXPECT_EQ(shown, "0");
    EXPECT_EQ(kept, "0");
    EXPECT_EQ(versao, "0");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), procedures);
    EXPECT_EQ(scalar(db, "select list(CMPT) from HIST_RELEASE"), "202402");
}

TEST_F(UpdateRun, AFirstLoadWhoseLargestTableFailsLeavesNothing)
{
    const std::string db = emptyHistoryDatabase(dir);
    const std::string folder = copyOfB();
    const std::string largest = largestFile(folder);
    std::vector<std::string> lines = linesOf(folder, largest);
    ASSERT_GT(lines.size(), 10u);
    lines.insert(lines.begin() + 6, lines[5]);
    writeLines(folder, largest, lines);
    const std::string error = runUpdate(db, folder);
    EXPECT_NE(error.find(folder + "/" + largest + ", line 7"), std::string::npos) << error;
    EXPECT_TRUE(forcedWrites(db));
    for (const char* table : {"H_TB_PROC", "H_TB_PROC_CBO", "H_TB_CID_PROC", "H_TB_DESCRICAO_DETALHE"})
        EXPECT_EQ(scalar(db, std::string("select count(*) from ") + table), "0") << table;
    EXPECT_EQ(scalar(db, "select count(*) from HIST_RELEASE"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from rdb$indices where rdb$index_inactive = 1"), "0");
    ASSERT_EQ(runUpdate(db, releaseB), "");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), std::to_string(linesOf(releaseB, "tb_procedimento.txt").size()));
}

// The release is read and checked while the database is readied for it: a
// file its checks refuse (the last one read) stops the load before any
// table, and what the readying did is undone, first load or not.
TEST_F(UpdateRun, AReleaseItsChecksRefuseLeavesTheDatabaseAsItWas)
{
    const std::string folder = copyOfB();
    const std::string lastFile = korvane::releaseLayouts().back().fileName;
    std::vector<std::string> lines = linesOf(folder, lastFile);
    ASSERT_GT(lines.size(), 2u);
    lines[1] += std::string(5000, 'X');
    writeLines(folder, lastFile, lines);
    const auto refused = [&](const std::string& error) {
        return error.find(lastFile + "\", linha 2") != std::string::npos;
    };

    const std::string db = emptyHistoryDatabase(dir);
    const std::string error = runUpdate(db, folder);
    EXPECT_TRUE(refused(error)) << error;
    EXPECT_TRUE(forcedWrites(db));
    EXPECT_EQ(scalar(db, "select count(*) from HIST_RELEASE"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from rdb$indices where rdb$index_inactive = 1"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from H_TB_PROC"), "0");

    // Over a kept release, which stays whole.
    ASSERT_EQ(runUpdate(db, releaseA), "");
    const Fingerprint before = fingerprint(db, "202401");
    EXPECT_TRUE(refused(runUpdate(db, folder)));
    EXPECT_EQ(fingerprint(db, "202401"), before);
    EXPECT_EQ(scalar(db, "select list(CMPT) from HIST_RELEASE"), "202401");
    EXPECT_TRUE(forcedWrites(db));

    // A database that cannot be opened says so, whatever the release.
    const std::string missing = (dir.path() / "NONE.GDB").string();
    const std::string unopened = runUpdate(missing, folder);
    EXPECT_FALSE(refused(unopened)) << unopened;
    EXPECT_NE(unopened, "");
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(UpdateRun, TheNextLoadClearsAFirstLoadCutShort)
{
    // A crash just before a first load's last commit: every table of A in,
    // the release not kept, the mark of the load still there.
    const std::string db = emptyHistoryDatabase(dir);
    ASSERT_EQ(runUpdate(db, releaseA), "");
    {
        kdb::Connection c;
        c.open(db, ktest::kCredentials);
        kdb::Transaction tr(c);
        kdb::Query q(c, tr);
        q.setSql("delete from HIST_RELEASE");
        q.execute();
        tr.commit();
        korvane::markFirstLoad(c);
        EXPECT_TRUE(korvane::unfinishedFirstLoad(c));
        EXPECT_FALSE(korvane::keepsAnyRelease(c));
    }
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), "0");
    EXPECT_NE(scalar(db, "select count(*) from H_TB_PROC"), "0");

    // The next load, of another month, finds only its own rows.
    ASSERT_EQ(runUpdate(db, releaseB), "");
    ktest::TempDir other;
    const std::string fresh = emptyHistoryDatabase(other);
    ASSERT_EQ(runUpdate(fresh, releaseB), "");
    EXPECT_EQ(fingerprint(db, "202402"), fingerprint(fresh, "202402"));
    for (const char* table : {"H_TB_PROC", "H_TB_PROC_CBO", "H_TB_CID_PROC"}) {
        const std::string sql = std::string("select count(*) || ' ' || min(HIST_INI) from ") + table;
        EXPECT_EQ(scalar(db, sql), scalar(fresh, sql)) << table;
    }
    EXPECT_EQ(scalar(db, "select list(CMPT) from HIST_RELEASE"), "202402");
}

} // namespace
