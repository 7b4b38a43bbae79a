// A monthly load goes by the summaries of what each table holds in the
// newest kept competência: it must write the history a load reading every
// version writes, rows written by hand must not leave a summary believed,
// and a database made before the summaries gets them at its next opening.

#include "support/historydump.h"
#include "support/updaterun.h"
#include "update/historydigest.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <regex>

namespace {

using namespace ktest::update;
namespace fs = std::filesystem;

std::string replaced(std::string line, std::size_t start, const std::string& text)
{
    line.replace(start - 1, text.size(), text);
    return line;
}

// A month that changes a share of nearly every bucket: a value of every
// fourth procedure, every seventh CID link and every ninth CBO link gone.
void editWidely(const std::string& folder)
{
    std::vector<std::string> procs = linesOf(folder, "tb_procedimento.txt");
    for (std::size_t i = 0; i < procs.size(); i += 4) {
        char value[24];
        std::snprintf(value, sizeof value, "%010zu", 100000 + i);
        procs[i] = replaced(procs[i], 293, std::string(value).substr(0, 10));
    }
    writeLines(folder, "tb_procedimento.txt", procs);
    for (const auto& [file, step] : {std::pair<const char*, std::size_t>{"rl_procedimento_cid.txt", 7},
                                     {"rl_procedimento_ocupacao.txt", 9}}) {
        std::vector<std::string> lines = linesOf(folder, file), kept;
        for (std::size_t i = 0; i < lines.size(); ++i)
            if (i % step != 0) kept.push_back(lines[i]);
        writeLines(folder, file, kept);
    }
}

void execute(const std::string& db, const std::vector<std::string>& statements)
{
    kdb::Connection c;
    c.open(db, ktest::kCredentials);
    kdb::Transaction tr(c);
    for (const std::string& s : statements) {
        kdb::Query q(c, tr);
        q.setSql(s);
        q.execute();
    }
    tr.commit();
}

class Summaries : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        shared = new ktest::TempDir;
        jan = generate(shared->path() / "jan", 33, 0.05, "202401");
        feb = generate(shared->path() / "feb", 33, 0.05, "202402");
        editWidely(feb);
        mar = generate(shared->path() / "mar", 33, 0.05, "202403");   // back as in January
    }
    static void TearDownTestSuite() { delete shared; }

    // The months loaded in order, with the summaries or, where `without`,
    // deleted before each load so that it reads every version.
    std::string loaded(const std::vector<std::string>& months, bool without)
    {
        const std::string db = ktest::createSchemaDatabase(*dirs.emplace_back(std::make_unique<ktest::TempDir>()));
        for (const std::string& m : months) {
            // The first load makes the history, summaries with it.
            if (without && m != months.front()) execute(db, {"delete from HIST_DIGEST"});
            EXPECT_EQ(update(db, m), "") << m;
        }
        return db;
    }

    ktest::TempDir dir;
    std::vector<std::unique_ptr<ktest::TempDir>> dirs;
    inline static ktest::TempDir* shared = nullptr;
    inline static std::string jan, feb, mar;
};

TEST(KeyBuckets, EachKeyFallsInTheRangeOfItsBucketAndDamagedBytesAreRefused)
{
    std::mt19937_64 random(7);
    std::vector<std::uint64_t> keys = {0, 1, ~0ULL, 1ULL << 63, (1ULL << 63) - 1};
    for (int i = 0; i < 2000; ++i) keys.push_back(random());
    const korvane::KeyBuckets b = korvane::KeyBuckets::of(keys);
    EXPECT_EQ(b.size(), 256u);   // about 8 keys a bucket
    for (std::uint64_t k : keys) {
        const std::size_t at = b.bucketOf(k);
        EXPECT_LE(b.lowest(at), static_cast<std::int64_t>(k)) << k;
        EXPECT_GE(b.highest(at), static_cast<std::int64_t>(k)) << k;
    }
    EXPECT_TRUE(b.sameHalf(0, b.size() / 2 - 1));
    EXPECT_FALSE(b.sameHalf(b.size() / 2 - 1, b.size() / 2));

    const std::string bytes = b.bytes();
    const auto back = korvane::KeyBuckets::parse(bytes);
    ASSERT_TRUE(back.has_value());
    for (std::size_t i = 0; i < b.size(); ++i) EXPECT_TRUE(back->sameAt(b, i)) << i;
    // One key more changes its bucket's sum and no other.
    std::vector<std::uint64_t> more = keys;
    more.push_back(12345);
    const korvane::KeyBuckets m = korvane::KeyBuckets::of(more, b.bits());
    for (std::size_t i = 0; i < b.size(); ++i) EXPECT_EQ(m.sameAt(b, i), i != b.bucketOf(12345)) << i;

    EXPECT_FALSE(korvane::KeyBuckets::parse(bytes.substr(0, bytes.size() - 1)));
    EXPECT_FALSE(korvane::KeyBuckets::parse(""));
    std::string otherBits = bytes;
    otherBits[4] = 9;
    EXPECT_FALSE(korvane::KeyBuckets::parse(otherBits));
    std::string otherForm = bytes;
    otherForm[0] = 'X';
    EXPECT_FALSE(korvane::KeyBuckets::parse(otherForm));
}

TEST_F(Summaries, AMonthlyLoadWritesWhatReadingEveryVersionWrites)
{
    const std::string with = loaded({jan, feb, mar}, false), without = loaded({jan, feb, mar}, true);
    EXPECT_EQ(historyDump(with), historyDump(without));
    // Each table's summary is of the newest.
    EXPECT_EQ(scalar(with, "select count(*) from HIST_DIGEST where CMPT = '202403'"),
              std::to_string(korvane::releaseLayouts().size()));
    // The widely edited month wrote what it changed and no more.
    EXPECT_EQ(scalar(with, "select count(*) from H_TB_PROC where HIST_FIM is null"),
              std::to_string(linesOf(mar, "tb_procedimento.txt").size()));
}

TEST_F(Summaries, AMonthAmongTheKeptLeavesNoSummaryToBelieve)
{
    const std::string db = loaded({jan, mar}, false);
    ASSERT_EQ(update(db, feb), "");
    EXPECT_EQ(scalar(db, "select count(*) from HIST_DIGEST"), "0");
    const std::string again = loaded({jan, feb, mar}, true);
    EXPECT_EQ(historyDump(db), historyDump(again));
}

TEST_F(Summaries, TheSummaryIsWhatTheMonthlyLoadGoesBy)
{
    // A version taken out behind the history's back (only a damaged database
    // does so) is not looked for where its bucket's summary says nothing changed.
    const std::string db = loaded({jan}, false);
    const std::string code = linesOf(jan, "tb_procedimento.txt")[1].substr(0, 10);
    execute(db, {"delete from H_TB_PROC where PROC_COD = '" + code + "'"});
    const std::string next = generate(dir.path() / "feb", 33, 0.05, "202402");   // January's rows again
    ASSERT_EQ(update(db, next), "");
    EXPECT_EQ(scalar(db, "select count(*) from H_TB_PROC where PROC_COD = '" + code + "'"), "0");
    // Loaded again, the newest is read whole and the row is back.
    ASSERT_EQ(update(db, next), "");
    EXPECT_EQ(scalar(db, "select count(*) from H_TB_PROC where PROC_COD = '" + code + "' and HIST_INI = '202402'"), "1");

    // A load of the newest by a version that writes no summaries stamps
    // its competência anew: the summaries it left are not believed.
    const std::string other = loaded({jan}, false);
    execute(other, {"delete from H_TB_PROC where PROC_COD = '" + code + "'",
                    "update HIST_RELEASE set CARREGADA = dateadd(1 second to CARREGADA) where CMPT = '202401'"});
    ASSERT_EQ(update(other, next), "");
    EXPECT_EQ(scalar(other, "select count(*) from H_TB_PROC where PROC_COD = '" + code + "' and HIST_INI = '202402'"),
              "1");
}

TEST_F(Summaries, RowsWrittenByHandDeleteTheTablesSummary)
{
    const std::vector<std::string> procs = linesOf(jan, "tb_procedimento.txt");
    const std::string added = "9999999999", removed = procs[2].substr(0, 10), renamed = procs[3].substr(0, 10);
    const std::string link = linesOf(jan, "rl_procedimento_cid.txt")[0];
    const std::vector<std::string> byHand = {
        "insert into TB_PROC (PROC_COD, PROC_DESCR) values ('" + added + "', 'FEITO A MAO')",
        "delete from TB_PROC where PROC_COD = '" + removed + "'",
        "update TB_PROC set PROC_DESCR = 'RENOMEADO A MAO' where PROC_COD = '" + renamed + "'",
        "delete from TB_CID_PROC where CP_PROC = '" + link.substr(0, 10) + "' and CP_CID = '" + link.substr(10, 4) + "'",
    };
    const std::string with = loaded({jan}, false), without = loaded({jan}, false);
    for (const std::string& db : {with, without}) execute(db, byHand);
    EXPECT_EQ(scalar(with, "select count(*) from HIST_DIGEST where TABELA in ('H_TB_PROC', 'H_TB_CID_PROC')"), "0");
    EXPECT_EQ(scalar(with, "select count(*) from HIST_DIGEST"), std::to_string(korvane::releaseLayouts().size() - 2));
    execute(without, {"delete from HIST_DIGEST"});
    for (const std::string& db : {with, without}) ASSERT_EQ(update(db, feb), "");
    EXPECT_EQ(historyDump(with), historyDump(without));
    // February holds what its file says: not the row added by hand, and
    // the row removed by hand again.
    EXPECT_EQ(scalar(with, "select count(*) from H_TB_PROC where PROC_COD = '" + added + "' and HIST_FIM is null"), "0");
    EXPECT_EQ(scalar(with, "select count(*) from H_TB_PROC where PROC_COD = '" + removed + "' and HIST_FIM is null"), "1");
}

TEST_F(Summaries, ADatabaseMadeBeforeThemGetsThemAtItsNextOpening)
{
    const std::string db = loaded({jan}, false);
    // As the earlier version left it: triggers that write no summary, no
    // index on the keys, no summaries.
    std::vector<std::string> earlier;
    {
        kdb::Connection c;
        c.open(db, ktest::kCredentials);
        kdb::Transaction tr(c, kdb::Transaction::Access::ReadOnly);
        kdb::Query q(c, tr);
        q.setSql("select trim(rdb$trigger_name), trim(rdb$relation_name), rdb$trigger_type, rdb$trigger_source "
                 "from rdb$triggers where rdb$trigger_name starting with 'HX_'");
        static const char* const kinds[] = {"", "before insert", "", "before update", "", "before delete"};
        const std::regex summary(" delete from HIST_DIGEST where TABELA = '[A-Z_]+';");
        q.stream([&](const std::vector<kdb::Value>& row) {
            earlier.push_back("create or alter trigger " + row[0].toString() + " for " + row[1].toString() + " " +
                              kinds[row[2].asInteger()] + " " + std::regex_replace(row[3].asText(), summary, ""));
            return true;
        });
        tr.commit();
    }
    ASSERT_FALSE(earlier.empty());
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) earlier.push_back("drop index " + korvane::keyIndex(l));
    execute(db, earlier);
    execute(db, {"drop table HIST_DIGEST"});

    ASSERT_EQ(update(db, feb), "");
    EXPECT_EQ(scalar(db, "select count(*) from HIST_DIGEST where CMPT = '202402'"),
              std::to_string(korvane::releaseLayouts().size()));
    EXPECT_EQ(scalar(db, "select count(*) from rdb$indices where trim(rdb$index_name) like 'HX\\_%\\_CHAVE' escape '\\' "
                         "and coalesce(rdb$index_inactive, 0) = 0"),
              std::to_string(korvane::releaseLayouts().size()));
    // The triggers now keep the summary true: a row removed by hand is
    // back in the next month that holds it.
    const std::string code = linesOf(feb, "tb_procedimento.txt")[5].substr(0, 10);
    execute(db, {"delete from TB_PROC where PROC_COD = '" + code + "'"});
    EXPECT_EQ(scalar(db, "select count(*) from HIST_DIGEST where TABELA = 'H_TB_PROC'"), "0");
    ASSERT_EQ(update(db, mar), "");
    EXPECT_EQ(scalar(db, "select count(*) from H_TB_PROC where PROC_COD = '" + code + "' and HIST_FIM is null"), "1");
}

} // namespace
