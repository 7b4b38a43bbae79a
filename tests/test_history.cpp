// Every competência kept: the history does not depend on the order releases
// are loaded in, the diff of two competências says exactly what was changed
// between their files, a procedure's history tells its runs, and the
// browser and the command line show any kept competência.

#include "model/browser.h"
#include "model/diffmodel.h"
#include "model/historymodel.h"
#include "support/historydump.h"
#include "support/process.h"
#include "support/updaterun.h"
#include "support/widgets.h"
#include "update/flatkeys.h"
#include "update/history.h"
#include "update/historykeys.h"
#include "update/historyparts.h"
#include "update/layouts.h"
#include "update/releasefile.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <stdexcept>

#include <sys/wait.h>

namespace {

using namespace ktest::update;
namespace fs = std::filesystem;

// The same generated release, written for another competência.
std::string release(const fs::path& folder, const std::string& competencia)
{
    return generate(folder, 21, 0.02, competencia);
}

std::string replaced(std::string line, std::size_t start, const std::string& text)
{
    line.replace(start - 1, text.size(), text);
    return line;
}

// A month after `base`: one value and one name changed, one procedure
// removed, one CID link added and one removed.
struct Edited {
    std::string changedValue, changedName, removed, cidAdded, cidRemovedProc, cidRemovedCid;
};

Edited editMonth(const std::string& folder)
{
    Edited e;
    std::vector<std::string> procs = linesOf(folder, "tb_procedimento.txt");
    e.changedValue = procs[1].substr(0, 10);
    procs[1] = replaced(procs[1], 293, "0000123456");   // VL_SA 1234,56
    e.changedName = procs[2].substr(0, 10);
    procs[2] = replaced(procs[2], 11, "PROCEDIMENTO COM NOME NOVO");
    e.removed = procs[3].substr(0, 10);
    procs.erase(procs.begin() + 3);
    writeLines(folder, "tb_procedimento.txt", procs);

    std::vector<std::string> cids = linesOf(folder, "rl_procedimento_cid.txt");
    e.cidRemovedProc = cids[0].substr(0, 10);
    e.cidRemovedCid = cids[0].substr(10, 4);
    cids.erase(cids.begin());
    // A link of a kept procedure to a CID it had no link to.
    std::string added = cids[0];
    added = replaced(added, 1, e.changedValue);
    added = replaced(added, 11, "Z999");
    e.cidAdded = e.changedValue;
    cids.push_back(added);
    writeLines(folder, "rl_procedimento_cid.txt", cids);
    return e;
}

class History : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        shared = new ktest::TempDir;
        jan = release(shared->path() / "jan", "202401");
        feb = release(shared->path() / "feb", "202402");
        edits = new Edited(editMonth(feb));
        mar = release(shared->path() / "mar", "202403");   // back as in January
        loaded = ktest::createSchemaDatabase(*shared);
        for (const std::string& r : {jan, feb, mar}) ASSERT_EQ(update(loaded, r), "") << r;
    }
    static void TearDownTestSuite()
    {
        delete edits;
        delete shared;
    }

    static std::vector<korvane::RowChange> diff(const std::string& from, const std::string& to,
                                                const korvane::DiffRequest& narrowing = {})
    {
        kdb::Connection c;
        c.open(loaded, ktest::kCredentials);
        kdb::Transaction tr(c, kdb::Transaction::Access::ReadOnly);
        korvane::DiffRequest r = narrowing;
        r.from = from;
        r.to = to;
        auto out = korvane::runDiff(c, tr, r);
        tr.commit();
        return out;
    }

    ktest::TempDir dir;
    inline static ktest::TempDir* shared = nullptr;
    inline static std::string jan, feb, mar, loaded;
    inline static Edited* edits = nullptr;
};

TEST(FlatKeys, EveryKeyKeepsItsValueThroughGrowthZeroAndCollisionsIncluded)
{
    // Sized for few, then given many: the table grows under the keys. Keys
    // equal in their high bits land in one slot and probe on.
    korvane::FlatKeyMap<std::uint32_t> map(2);
    std::vector<std::uint64_t> keys = {0, 1, ~0ULL};
    for (std::uint64_t i = 1; i < 5000; ++i) keys.push_back(i << 40);
    for (std::uint64_t i = 1; i < 5000; ++i) keys.push_back(i * 0x9e3779b97f4a7c15ULL);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto [value, fresh] = map.emplace(keys[i], static_cast<std::uint32_t>(i));
        EXPECT_TRUE(fresh) << i;
        EXPECT_EQ(*value, i);
    }
    EXPECT_EQ(map.size(), keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        ASSERT_NE(map.find(keys[i]), nullptr) << i;
        EXPECT_EQ(*map.find(keys[i]), i);
        const auto again = map.emplace(keys[i], 7);
        EXPECT_FALSE(again.second);
        EXPECT_EQ(*again.first, i);
    }
    EXPECT_FALSE(map.contains(2));
    EXPECT_FALSE(map.contains(5000ULL << 40));

    // Sized for what it gets and given exactly that: filled as full as it
    // goes without growing, an absent key is still answered.
    for (std::size_t n : {12u, 13u, 96u, 97u, 3000u}) {
        korvane::FlatKeyMap<std::uint32_t> full(n);
        for (std::size_t i = 0; i < n; ++i) full.emplace((i + 1) * 0x9e3779b97f4a7c15ULL, static_cast<std::uint32_t>(i));
        for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(*full.find((i + 1) * 0x9e3779b97f4a7c15ULL), i) << n;
        EXPECT_FALSE(full.contains(12345)) << n;
    }
}

// The keys of a file's lines, as a load takes them; `atLine` the line its
// failure names, 0 when there is none.
struct Keyed {
    std::vector<std::uint64_t> keys;
    std::string error;
    std::size_t atLine = 0;
};

Keyed keyed(const korvane::TableLayout& layout, const std::vector<std::string>& lines)
{
    const ktest::TempDir dir;
    writeLines(dir.path().string(), "f.txt", lines);
    const korvane::ReleaseFile file = korvane::readReleaseFile(dir.path().string(), "f.txt");
    const std::string cmpt = korvane::competenciaColumn(layout);
    Keyed out;
    try {
        out.keys = korvane::lineKeys(korvane::fixedLayout(layout), file, cmpt.empty() ? -1 : layout.insertIndex(cmpt),
                                     nullptr, out.atLine);
    } catch (const std::exception& e) {
        out.error = e.what();
    }
    return out;
}

const korvane::TableLayout& layoutNamed(const char* table)
{
    for (const korvane::TableLayout& l : korvane::releaseLayouts())
        if (std::string(l.table) == table) return l;
    throw std::logic_error(table);
}

// A CBO link of procedure p to occupation c, as the release writes it.
std::string cboLink(std::size_t p, std::size_t c)
{
    const korvane::TableLayout& layout = layoutNamed("TB_PROC_CBO");
    char s[32];
    std::snprintf(s, sizeof s, "%010zu%06zu", 301010000 + p, 225000 + c);
    std::string line = s;
    line += std::string(korvane::fixedRecord(layout).competencia - 1u - line.size(), ' ') + "202402";
    return line;
}

TEST(LineKeys, ALargeFileNamesTheFirstLineThatRepeatsAKeyOrFailsInFileOrder)
{
    // Thousands of lines go to the key maps in groups; what is named must
    // still be the first line of the file, whichever group it lies in.
    const korvane::TableLayout& layout = layoutNamed("TB_PROC_CBO");
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < 20000; ++i) lines.push_back(cboLink(i / 40, i % 40));
    const Keyed clean = keyed(layout, lines);
    ASSERT_EQ(clean.error, "");
    EXPECT_EQ(std::set<std::uint64_t>(clean.keys.begin(), clean.keys.end()).size(), lines.size());

    std::mt19937 random(7);
    std::vector<std::size_t> repeats;
    for (int i = 0; i < 30; ++i) repeats.push_back(3000 + random() % 16000);
    std::vector<std::string> repeated = lines;
    for (std::size_t at : repeats) repeated[at] = lines[at - 1 - random() % 2000];
    const std::size_t first = *std::min_element(repeats.begin(), repeats.end());
    const Keyed r = keyed(layout, repeated);
    EXPECT_EQ(r.atLine, first + 1) << r.error;
    EXPECT_EQ(r.error.rfind("violation of PRIMARY or UNIQUE KEY constraint \"PK_TB_PROC_CBO\"", 0), 0u) << r.error;
    const std::string shown = repeated[first].substr(0, 10) + ", " + repeated[first].substr(10, 6);
    EXPECT_NE(r.error.find("(" + shown + ")"), std::string::npos) << r.error;

    // A line that cannot be built before the first repeat is named instead;
    // one after it leaves the repeat named.
    for (const std::size_t bad : {first - 1, first + 1}) {
        std::vector<std::string> broken = repeated;
        broken[bad] = broken[bad].substr(0, 10);
        const Keyed b = keyed(layout, broken);
        EXPECT_EQ(b.atLine, std::min(bad, first) + 1) << b.error;
        EXPECT_EQ(b.error.find("violation") == 0, bad > first) << b.error;
    }
}

TEST(LineKeys, LinesThatSayTheSameAreToldApartByTheirCountBeforeThem)
{
    // A table with no key of its own may hold a line twice: each copy is a
    // version of its own, its key set by the copies before it, not by the
    // other lines around them.
    const korvane::TableLayout* layout = nullptr;
    for (const korvane::TableLayout& l : korvane::releaseLayouts())
        if (!layout && korvane::definitionOf(l).key.empty()) layout = &l;
    ASSERT_NE(layout, nullptr);
    const std::size_t width = korvane::fixedRecord(*layout).length;
    const auto lineOf = [&](std::size_t i) {
        std::string digits = std::to_string(1000000000 + i);
        std::string line;
        while (line.size() < width) line += digits;
        return line.substr(0, width);
    };
    std::vector<std::string> lines;
    std::vector<std::size_t> copies;   // how many copies of line i
    for (std::size_t i = 0; i < 9000; ++i) {
        copies.push_back(i % 97 == 0 ? 3 : i % 13 == 0 ? 2 : 1);
        for (std::size_t c = 0; c < copies.back(); ++c) lines.push_back(lineOf(i));
    }
    std::shuffle(lines.begin(), lines.end(), std::mt19937(11));
    const Keyed all = keyed(*layout, lines);
    ASSERT_EQ(all.error, "");
    EXPECT_EQ(std::set<std::uint64_t>(all.keys.begin(), all.keys.end()).size(), lines.size());
    // The copies of one line alone get the keys they get among the others.
    for (const std::size_t i : {0u, 13u, 194u, 8924u}) {
        const Keyed alone = keyed(*layout, std::vector<std::string>(copies[i], lineOf(i)));
        ASSERT_EQ(alone.error, "");
        std::set<std::uint64_t> among;
        for (std::size_t n = 0; n < lines.size(); ++n)
            if (lines[n] == lineOf(i)) among.insert(all.keys[n]);
        EXPECT_EQ(among, std::set<std::uint64_t>(alone.keys.begin(), alone.keys.end())) << i;
    }
}

TEST_F(History, IsTheSameWhateverOrderTheReleasesAreLoadedIn)
{
    const std::multiset<std::string> inOrder = historyDump(loaded);
    for (const std::vector<std::string>& order : {std::vector<std::string>{mar, jan, feb}, {feb, mar, jan, feb}}) {
        const std::string db = ktest::createSchemaDatabase(dir);
        for (const std::string& r : order) ASSERT_EQ(update(db, r), "");
        EXPECT_EQ(historyDump(db), inOrder);
        // A load after every kept competência meets only the open versions:
        // whatever the order, no run ends in the newest kept.
        for (const korvane::TableLayout& l : korvane::releaseLayouts())
            EXPECT_EQ(scalar(db, "select count(*) from H_" + std::string(l.table) +
                                     " where HIST_FIM = (select max(CMPT) from HIST_RELEASE)"),
                      "0")
                << l.table;
        fs::remove(db);
    }
    // A row unchanged over the three months is kept once; one changed in
    // February once per run.
    const auto versions = [&](const std::string& code) {
        return scalar(loaded, "select count(*) from H_TB_PROC where PROC_COD = '" + code + "'");
    };
    EXPECT_EQ(versions(edits->changedName), "3");
    EXPECT_EQ(versions(linesOf(jan, "tb_procedimento.txt")[10].substr(0, 10)), "1");
}

TEST_F(History, DiffSaysExactlyWhatChangedBetweenTwoMonths)
{
    std::set<std::string> said;
    for (const korvane::RowChange& c : diff("202401", "202402"))
        said.insert(c.arquivo + " " + korvane::mudancaName(c.mudanca) + " " + c.codigo + " " + c.chave + " " + c.campo);
    const std::set<std::string> expected = {
        "tb_procedimento alterado " + edits->changedValue + "  VL_SA",
        "tb_procedimento alterado " + edits->changedName + "  NO_PROCEDIMENTO",
        "tb_procedimento excluido " + edits->removed + "  ",
        "rl_procedimento_cid excluido " + edits->cidRemovedProc + " " + edits->cidRemovedCid + " ",
        "rl_procedimento_cid incluido " + edits->cidAdded + " Z999 ",
    };
    EXPECT_EQ(said, expected);
    // Back again: the same changes the other way round.
    std::set<std::string> back;
    for (const korvane::RowChange& c : diff("202402", "202403"))
        back.insert(c.arquivo + " " + korvane::mudancaName(c.mudanca) + " " + c.codigo);
    EXPECT_EQ(back.count("tb_procedimento incluido " + edits->removed), 1u);
    EXPECT_EQ(back.count("rl_procedimento_cid excluido " + edits->cidAdded), 1u);
    EXPECT_TRUE(diff("202401", "202403").empty());
}

TEST_F(History, DiffNarrowedToCodesKeepsOnlyTheirRows)
{
    korvane::DiffRequest r;
    r.codes = {edits->changedValue};
    const auto changes = diff("202401", "202402", r);
    ASSERT_FALSE(changes.empty());
    for (const korvane::RowChange& c : changes) EXPECT_EQ(c.codigo, edits->changedValue) << c.arquivo;
    r.codes.clear();
    r.prefix = "99";   // no procedure of the generated release starts so
    EXPECT_TRUE(diff("202401", "202402", r).empty());
    EXPECT_THROW(diff("202401", "209912"), std::invalid_argument);
}

TEST_F(History, AProcedureRemovedAndBackSaysSo)
{
    kdb::Connection c;
    c.open(loaded, ktest::kCredentials);
    kdb::Transaction tr(c, kdb::Transaction::Access::ReadOnly);
    const auto runs = korvane::procedureHistory(c, tr, edits->removed);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(korvane::situacaoOf(runs, 0), "na tabela");
    EXPECT_EQ(korvane::situacaoOf(runs, 1), "excluído");
    EXPECT_EQ(korvane::situacaoOf(runs, 2), "voltou");

    const auto value = korvane::procedureHistory(c, tr, edits->changedValue);
    ASSERT_EQ(value.size(), 3u);
    bool sa = false, cid = false;
    for (const korvane::RowChange& ch : value[1].changes) {
        sa = sa || (ch.campo == "VL_SA" && ch.depois == "1234.56");
        cid = cid || (ch.arquivo == "rl_procedimento_cid" && ch.mudanca == korvane::Mudanca::Incluido && ch.chave == "Z999");
    }
    EXPECT_TRUE(sa);
    EXPECT_TRUE(cid);
    EXPECT_EQ(korvane::situacaoOf(value, 1), "alterado");

    // Unchanged all along: one run over the three months.
    const auto still = korvane::procedureHistory(c, tr, linesOf(jan, "tb_procedimento.txt")[10].substr(0, 10));
    ASSERT_EQ(still.size(), 1u);
    EXPECT_EQ(korvane::runShown(still[0]), "01/2024 a 03/2024");
    tr.commit();
}

TEST_F(History, TheBrowserShowsTheCompetenciaChosen)
{
    ktest::ensureApplication();
    korvane::BrowserModel m(loaded);
    m.open();
    ASSERT_EQ(m.competencias().size(), 3u);
    EXPECT_EQ(m.competencia(), "202403");
    const auto valueOf = [&] {
        m.setSearchText(QString::fromStdString(edits->changedValue));
        m.search();
        return m.qryTbProc()->field(QStringLiteral("PROC_VL_SA")).toString();
    };
    const std::string march = valueOf();
    m.setCompetencia("02/2024");
    EXPECT_EQ(m.competencia(), "202402");
    EXPECT_EQ(m.versao(), QStringLiteral("02/2024"));
    EXPECT_EQ(valueOf(), "1234.56");
    m.setSearchText(QString::fromStdString(edits->removed));
    m.search();
    EXPECT_EQ(m.qryTbProc()->recordCount(), 0u);
    EXPECT_THROW(m.setCompetencia("202405"), std::invalid_argument);
    EXPECT_EQ(m.competencia(), "202402");
    m.setCompetencia("");
    EXPECT_EQ(valueOf(), march);
    m.close();
}

TEST_F(History, TheCommandLineTakesACompetenciaAndWritesTheDiff)
{
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {KORVANE_CLI_EXE, "--database", loaded});
        return ktest::run(args);
    };
    const auto old = run({"--competencia", "202402", "--json", "show", edits->changedValue});
    ASSERT_EQ(old.status, 0) << old.err;
    EXPECT_NE(old.out.find(":1234.56"), std::string::npos) << old.out;
    const auto now = run({"--json", "show", edits->changedValue});
    EXPECT_EQ(now.out.find(":1234.56"), std::string::npos) << now.out;
    const auto absent = run({"--competencia", "202312", "show", edits->changedValue});
    EXPECT_TRUE(WIFEXITED(absent.status) && WEXITSTATUS(absent.status) == 1) << ktest::describeStatus(absent.status);
    EXPECT_NE(absent.err.find("01/2024, 02/2024, 03/2024"), std::string::npos) << absent.err;

    const auto csv = run({"--csv", "diff", "202401", "202402"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')), "arquivo;mudanca;codigo;chave;campo;antes;depois");
    EXPECT_NE(csv.out.find("rl_procedimento_cid;incluido;" + edits->cidAdded + ";Z999;;;"), std::string::npos) << csv.out;
    EXPECT_NE(csv.out.find("tb_procedimento;alterado;" + edits->changedValue + ";;VL_SA;"), std::string::npos);

    const auto history = run({"history", edits->removed});
    ASSERT_EQ(history.status, 0) << history.err;
    EXPECT_NE(history.out.find("02/2024  excluído"), std::string::npos) << history.out;
    EXPECT_NE(history.out.find("03/2024  voltou"), std::string::npos) << history.out;
}

} // namespace
