// Two real months: what the history says changed between them is what
// differs between their files, table by table.

#include "support/tempdb.h"
#include "update/historydiff.h"
#include "update/layouts.h"
#include "update/releasesource.h"
#include "update/updaterun.h"

#include "db/connection.h"
#include "db/transaction.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace {

namespace fs = std::filesystem;

const fs::path kShared = fs::path(KORVANE_SHARED_DIR);

// The lines of a release file as what they say: without the line end, the
// trailing blanks and the competência the file stamps on every line.
std::multiset<std::string> linesSaying(const korvane::ReleaseSource& source, const std::string& file, const std::string& cmpt)
{
    std::multiset<std::string> out;
    for (std::string_view l : source.read(file).lines) {
        std::string s(l);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
        if (const auto at = s.rfind(cmpt); at != std::string::npos) s.erase(at, cmpt.size());
        if (!s.empty()) out.insert(s);
    }
    return out;
}

std::size_t onlyIn(const std::multiset<std::string>& a, const std::multiset<std::string>& b)
{
    std::vector<std::string> d;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(d));
    return d.size();
}

TEST(HistoryOfRealReleases, TheDiffOfTwoMonthsIsTheDifferenceOfTheirFiles)
{
    const fs::path may = kShared / "TabelaUnificada_202605_v2605210940.zip";
    const fs::path june = kShared / "TabelaUnificada_202606_v2606091427.zip";
    if (!fs::exists(may) || !fs::exists(june)) GTEST_SKIP() << "the real releases are not in " << kShared;

    ktest::TempDir dir;
    const std::string db = ktest::createSchemaDatabase(dir);
    {
        kdb::Connection c;
        c.open(db, ktest::kCredentials);
        korvane::UpdateProgress progress;
        korvane::updateTables(c, may.string(), progress);
        korvane::updateTables(c, june.string(), progress);
        c.close();
    }
    kdb::Connection c;
    c.open(db, ktest::kCredentials);
    kdb::Transaction tr(c, kdb::Transaction::Access::ReadOnly);
    const std::vector<korvane::RowChange> changes = korvane::diffCompetencias(c, tr, "202605", "202606");
    tr.commit();

    // Per file: rows that went, rows that came, rows changed (counted once however many fields).
    std::map<std::string, std::size_t> gone, came;
    std::map<std::string, std::set<std::string>> changed;
    for (const korvane::RowChange& ch : changes) {
        if (ch.mudanca == korvane::Mudanca::Excluido) ++gone[ch.arquivo];
        else if (ch.mudanca == korvane::Mudanca::Incluido) ++came[ch.arquivo];
        else changed[ch.arquivo].insert(ch.codigo + "/" + ch.chave);
    }
    const auto before = korvane::openReleaseSource(may.string());
    const auto after = korvane::openReleaseSource(june.string());
    std::size_t differing = 0;
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) {
        std::string arquivo = l.fileName;
        arquivo.erase(arquivo.size() - 4);
        const auto a = linesSaying(*before, l.fileName, "202605");
        const auto b = linesSaying(*after, l.fileName, "202606");
        const std::size_t altered = changed[arquivo].size();
        EXPECT_EQ(onlyIn(a, b), gone[arquivo] + altered) << arquivo;
        EXPECT_EQ(onlyIn(b, a), came[arquivo] + altered) << arquivo;
        differing += onlyIn(b, a);
    }
    // Two real months differ somewhere: a diff that found nothing would pass the above too.
    EXPECT_GT(differing, 0u);
    EXPECT_GT(changes.size(), 0u);
}

} // namespace
