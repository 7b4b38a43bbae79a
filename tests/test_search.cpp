// The searches in memory against the engine: for the texts a clerk types,
// the procedure list and the lookups' upper lists hold the rows the
// statements give, in the same order, on the fixture and on the real
// release (when the shared folder has it).

#include "model/browser.h"
#include "model/lookupmodel.h"
#include "support/fixture.h"
#include "support/searchoracle.h"
#include "support/tempdb.h"
#include "support/widgets.h"
#include "update/databasecreation.h"
#include "update/updaterun.h"

#include <gtest/gtest.h>

namespace {

using korvane::SearchText;

std::vector<std::string> codesShown(kdata::RecordSet* ds, const char* field)
{
    std::vector<std::string> out;
    ds->fetchAll();
    for (std::size_t r = 0; r < ds->recordCount(); ++r) out.push_back(ds->value(r, QString::fromLatin1(field)).toString());
    return out;
}

TEST(SearchText, ReadsCodesAsPrintedAndWordsAsAPersonReadsThem)
{
    const SearchText masked = SearchText::parse(QStringLiteral(" 03.01.01.007-2 "));
    EXPECT_EQ(masked.code, "0301010072");
    EXPECT_EQ(SearchText::parse(QStringLiteral("J18.9")).code, "J189");
    EXPECT_EQ(SearchText::parse(QStringLiteral("2251-25")).code, "225125");
    EXPECT_EQ(SearchText::parse(QStringLiteral("0301010072")).code, "0301010072");
    // Not a printed code: blanks, or characters a code does not have.
    EXPECT_EQ(SearchText::parse(QStringLiteral("03.01 X")).code, "03.01 X");
    EXPECT_EQ(SearchText::parse(QStringLiteral("D'OLIVA")).code, "D'OLIVA");

    const SearchText words = SearchText::parse(QStringLiteral("  fratura   Fêmur\tção "));
    EXPECT_EQ(words.words, (std::vector<std::string>{"FRATURA", "FEMUR", "CAO"}));
    EXPECT_TRUE(SearchText::parse(QStringLiteral("   ")).words.empty());
    EXPECT_EQ(korvane::searchFolded("\xE6\xF8\xE5 abc \xD7\xF7"), "\xC6\xD8\xC5 ABC \xD7\xF7");   // æøå, ×÷ kept
    EXPECT_TRUE(korvane::holdsEveryWord("FRATURA DO COLO DO FEMUR", {"FEMUR", "FRATURA"}));
    EXPECT_FALSE(korvane::holdsEveryWord("FRATURA DO COLO DO FEMUR", {"FEMUR", "TIBIA"}));
}

// What the browser lists for a text, against the engine, within a part of
// the hierarchy.
void expectProceduresAsTheEngine(korvane::BrowserModel& m, const std::vector<QString>& texts,
                                 const korvane::HierarchyFilter& filter = {})
{
    for (const QString& t : texts) {
        m.handBack(t);   // runs the search also when the text is the one held
        EXPECT_EQ(codesShown(m.qryTbProc(), "PROC_COD"), ktest::engineProcedures(m.connection(), filter, SearchText::parse(t)))
            << t.toStdString();
    }
}

void expectLookupAsTheEngine(korvane::BrowserModel& m, korvane::LookupKind kind, const char* table, const char* code,
                             const char* name, const std::vector<QString>& texts)
{
    korvane::LookupModel lookup(kind, m.connection());
    lookup.open();
    std::string field(code);
    for (char& c : field) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const QString& t : texts) {
        lookup.search(t);
        EXPECT_EQ(codesShown(lookup.codes(), field.c_str()), ktest::engineLookup(m.connection(), table, code, name,
                                                                                 SearchText::parse(t)))
            << t.toStdString();
    }
}

const std::vector<QString> kProcedureTexts = {
    QString(), QStringLiteral("0"), QStringLiteral("03"), QStringLiteral("0301"), QStringLiteral("72"),
    QStringLiteral("0301010072"), QStringLiteral("03.01.01.007-2"), QStringLiteral("CONSULTA"),
    QStringLiteral("consulta medica"), QStringLiteral("MEDICA CONSULTA"), QStringLiteral("MÉDICA"),
    QStringLiteral("D'OLIVA"), QStringLiteral("'"), QStringLiteral("TRATAMENTO DOENCAS"), QStringLiteral("ZZZ"),
    QStringLiteral("%"), QStringLiteral("_"), QStringLiteral("E/OU"), QStringLiteral("C/"),
};

TEST(SearchInMemory, TheFixtureGivesWhatTheEngineGives)
{
    ktest::ensureApplication();
    ktest::TempDir dir;
    korvane::BrowserModel m(ktest::createFixtureDatabase(dir));
    m.open();
    expectProceduresAsTheEngine(m, kProcedureTexts);
    expectLookupAsTheEngine(m, korvane::LookupKind::Cid10, "TB_CID", "cid_cod", "cid_descr",
                            {QString(), QStringLiteral("A"), QStringLiteral("a0"), QStringLiteral("colera"),
                             QStringLiteral("CÓLERA"), QStringLiteral("PRÓSTATA"), QStringLiteral("doenca hiv")});
    expectLookupAsTheEngine(m, korvane::LookupKind::Cbos, "TB_CBO", "cbo_cod", "cbo_descr",
                            {QString(), QStringLiteral("2251"), QStringLiteral("MEDICO"), QStringLiteral("médico clínico"),
                             QStringLiteral("2251-25")});
}

class RealRelease : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const std::string release = ktest::sharedRelease();
        if (release.empty()) return;
        ktest::ensureApplication();
        dir = new ktest::TempDir;
        path = dir->file("REAL.GDB");
        korvane::createKorvaneDatabase(path, release);
        kdb::Connection db;
        db.open(path, ktest::kCredentials);
        korvane::UpdateProgress progress;
        korvane::updateTables(db, release, progress);
        db.close();
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
    void SetUp() override
    {
        if (path.empty()) GTEST_SKIP() << "the shared release is absent";
        m = std::make_unique<korvane::BrowserModel>(path);
        m->open();
    }

    static ktest::TempDir* dir;
    static std::string path;
    std::unique_ptr<korvane::BrowserModel> m;
};
ktest::TempDir* RealRelease::dir = nullptr;
std::string RealRelease::path;

TEST_F(RealRelease, TheProcedureListHoldsWhatTheStatementsGiveInTheirOrder)
{
    expectProceduresAsTheEngine(*m, kProcedureTexts);
    expectProceduresAsTheEngine(*m, {QStringLiteral("FRATURA"), QStringLiteral("FRATURA FEMUR"),
                                     QStringLiteral("FEMUR FRATURA"), QStringLiteral("HEMOGRAMA"),
                                     QStringLiteral("0415"), QStringLiteral("RADIOGRAFIA DE TORAX")});
}

TEST_F(RealRelease, OneWordFindsWhatTheOldStatementFound)
{
    // Names are stored without accents and in capitals: for one word the
    // search in memory is the statement the list ran before.
    for (const char* word : {"CONSULTA", "CIRURGIA", "0301", "TOMOGRAFIA", "ABC"}) {
        m->setSearchText(QString());
        m->setSearchText(QString::fromLatin1(word));
        kdb::Transaction tr(m->connection(), kdb::Transaction::Access::ReadOnly);
        kdb::Query q(m->connection(), tr);
        std::vector<std::string> engine;
        for (auto column : {ktest::SearchColumn::Code, ktest::SearchColumn::Description}) {
            q.close();
            q.setSql(ktest::procedureSearchSql("", "", "", column, word));
            q.open();
            q.fetchAll();
            const auto code = static_cast<std::size_t>(q.fieldIndex("PROC_COD"));
            for (std::size_t r = 0; r < q.rowCount(); ++r) engine.push_back(q.value(r, code).toString());
            if (!engine.empty()) break;
        }
        EXPECT_EQ(codesShown(m->qryTbProc(), "PROC_COD"), engine) << word;
    }
}

TEST_F(RealRelease, TheLookupsHoldWhatTheStatementsGiveInTheirOrder)
{
    expectLookupAsTheEngine(*m, korvane::LookupKind::Cid10, "TB_CID", "cid_cod", "cid_descr",
                            {QString(), QStringLiteral("J18"), QStringLiteral("J18.9"), QStringLiteral("C5"),
                             QStringLiteral("PNEUMONIA"), QStringLiteral("coclea"), QStringLiteral("FRATURA FEMUR"),
                             QStringLiteral("fêmur fratura"), QStringLiteral("NEOPLASIA MALIGNA")});
    expectLookupAsTheEngine(*m, korvane::LookupKind::Cbos, "TB_CBO", "cbo_cod", "cbo_descr",
                            {QString(), QStringLiteral("2251"), QStringLiteral("MEDICO"), QStringLiteral("MÉDICA"),
                             QStringLiteral("TECNICO ENFERMAGEM"), QStringLiteral("2235-05")});
}

} // namespace
