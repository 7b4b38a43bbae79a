// A consultation driven without any window: the browser model, the lookup
// model and the report data, as the command line and the windows use them.

#include "model/browser.h"
#include "model/lookupmodel.h"
#include "reports/procedurereports.h"
#include "reports/project.h"
#include "support/fixture.h"
#include "support/pdftext.h"
#include "support/tempdb.h"
#include "support/widgets.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <set>

namespace {

using korvane::BrowserModel;
using korvane::Level;
using korvane::LookupChoice;
using korvane::PageSearch;

std::set<std::string> column(kdata::RecordSet* ds, const char* field)
{
    std::set<std::string> out;
    ds->fetchAll();
    for (std::size_t r = 0; r < ds->recordCount(); ++r) out.insert(ds->value(r, QString::fromLatin1(field)).toString());
    return out;
}

long rowOf(kdata::RecordSet* ds, const char* field, const std::string& value)
{
    ds->fetchAll();
    for (std::size_t r = 0; r < ds->recordCount(); ++r)
        if (ds->value(r, QString::fromLatin1(field)).toString().rfind(value, 0) == 0) return static_cast<long>(r);
    return -1;
}

class Model : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ktest::ensureApplication(); }

    void SetUp() override
    {
        m = std::make_unique<BrowserModel>(ktest::createFixtureDatabase(dir));
        m->open();
    }

    // What a person does in a lookup: picks an entry, then the step runs.
    void choose(Level level, const std::string& code)
    {
        LookupChoice& c = m->choice(level);
        c.list()->fetchAll();
        const long row = rowOf(c.list(), level == Level::Grupo ? "GRUPO_DESCR" : level == Level::SubGrupo ? "SG_DESCR" : "FO_DESCR", code);
        ASSERT_GE(row, 0) << code;
        c.choose(static_cast<std::size_t>(row));
        m->levelStep(level);
    }

    std::set<std::string> listed() { return column(m->qryTbProc(), "PROC_COD"); }

    void moveTo(const std::string& code)
    {
        const long row = rowOf(m->qryTbProc(), "PROC_COD", code);
        ASSERT_GE(row, 0) << code;
        m->qryTbProc()->moveTo(static_cast<std::size_t>(row));
    }

    ktest::TempDir dir;
    std::unique_ptr<BrowserModel> m;
};

TEST_F(Model, SearchesByCodeThenByNameAndRefreshesTheDetail)
{
    m->setSearchText(QStringLiteral("0301"));
    EXPECT_EQ(listed().size(), 7u);
    m->setSearchText(QStringLiteral("TRATAMENTO"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0303010037", "0303010045"}));
    m->setSearchText(QStringLiteral("0301010072"));
    EXPECT_EQ(column(m->qryProccid10(), "CP_CID"), (std::set<std::string>{"A00 ", "J18 ", "N40 "}));
    EXPECT_EQ(column(m->qryDescricoes(), "PROCEDIMENTO"), (std::set<std::string>{"0301010072"}));
    EXPECT_FALSE(m->qryProcsDaOpm()->isOpen());
    m->setSearchText(QStringLiteral("0702010016"));
    EXPECT_TRUE(m->qryProcsDaOpm()->isOpen());
    EXPECT_EQ(column(m->qryProcsDaOpm(), "PC_PROC_PRINC"), (std::set<std::string>{"0401010015", "0401010023"}));
}

TEST_F(Model, TheCascadeWritesTheCodesIntoTheSearchText)
{
    m->setSearchText(QStringLiteral("X"));
    QSignalSpy texts(m.get(), &BrowserModel::searchTextChanged);
    choose(Level::Grupo, "03");
    ASSERT_EQ(texts.size(), 2);   // emptied, then the group's code
    EXPECT_EQ(texts[0][0].toString(), QString());
    // An empty text is not emptied again.
    m->setSearchText(QString());
    texts.clear();
    choose(Level::Grupo, "03");
    EXPECT_EQ(texts.size(), 1);
    EXPECT_EQ(m->searchText(), QStringLiteral("03"));
    EXPECT_EQ(m->choice(Level::SubGrupo).state(), LookupChoice::State::NoValue);
    EXPECT_EQ(m->qrySubGrupo()->recordCount(), 2u);
    choose(Level::SubGrupo, "01");
    EXPECT_EQ(m->searchText(), QStringLiteral("0301"));
    choose(Level::Fo, "06");
    EXPECT_EQ(m->searchText(), QStringLiteral("030106"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0301060010"}));
    EXPECT_EQ(m->hierarchyFilter().fo, "06");

    // A new group drops the subgroup and form of the old one.
    choose(Level::Grupo, "04");
    EXPECT_EQ(listed(), (std::set<std::string>{"0401010015", "0401010023"}));
    EXPECT_FALSE(m->qryFo()->isOpen());
    EXPECT_TRUE(m->choice(Level::Fo).shownText().isEmpty());
}

TEST_F(Model, AnEmptiedGroupSearchesWithoutTheHierarchy)
{
    choose(Level::Grupo, "03");
    choose(Level::SubGrupo, "03");
    const auto before = listed();
    m->emptyLevel(Level::Grupo);
    EXPECT_EQ(m->choice(Level::Grupo).state(), LookupChoice::State::EmptyText);
    EXPECT_EQ(listed(), before);   // no search ran
    EXPECT_FALSE(m->choice(Level::SubGrupo).shownText().isEmpty());
    m->setSearchText(QStringLiteral("04"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0401010015", "0401010023", "0303010045"}));
    EXPECT_TRUE(m->hierarchyFilter().grupo.empty());
}

TEST_F(Model, EnteringALookupTakesItsValueAway)
{
    choose(Level::Grupo, "07");
    m->enterLevel(Level::Grupo);
    EXPECT_EQ(m->choice(Level::Grupo).state(), LookupChoice::State::NoValue);
    m->levelStep(Level::Grupo);   // leaving without choosing does nothing
    EXPECT_EQ(m->searchText(), QStringLiteral("07"));
    m->setSearchText(QStringLiteral("0301"));
    EXPECT_EQ(listed().size(), 7u);
}

TEST_F(Model, ClearEmptiesTheLookupsTheTextAndTwoPageTexts)
{
    choose(Level::Grupo, "03");
    m->setPageText(PageSearch::Cid10, QStringLiteral("COLERA"));
    m->setPageText(PageSearch::Compativel, QStringLiteral("0301"));
    QSignalSpy pages(m.get(), &BrowserModel::pageTextChanged);
    m->clear();
    EXPECT_TRUE(m->searchText().isEmpty());
    EXPECT_TRUE(m->pageText(PageSearch::Cid10).isEmpty());
    EXPECT_EQ(m->pageText(PageSearch::Compativel), QStringLiteral("0301"));
    EXPECT_EQ(pages.size(), 1);   // only the CID-10 box held a text to clear
    for (Level l : {Level::Grupo, Level::SubGrupo, Level::Fo})
        EXPECT_EQ(m->choice(l).state(), LookupChoice::State::EmptyText);
    EXPECT_FALSE(m->qrySubGrupo()->isOpen());
    EXPECT_EQ(listed().size(), 11u);
}

TEST_F(Model, PageTextsNarrowTheirListsForEveryLaterProcedure)
{
    m->setSearchText(QStringLiteral("03"));
    moveTo("0301010072");
    m->setPageText(PageSearch::Cbos, QStringLiteral("GINECO"));
    EXPECT_EQ(column(m->qryProccbos(), "PCBO_CBO"), (std::set<std::string>{"225250"}));
    moveTo("0303010037");
    EXPECT_TRUE(m->qryProccbos()->isEmpty());
    m->setPageText(PageSearch::Cbos, QString());
    EXPECT_EQ(column(m->qryProccbos(), "PCBO_CBO"), (std::set<std::string>{"225125"}));
}

TEST_F(Model, ComplexityHandBackAndTheJumpToACompatibleProcedure)
{
    m->setSearchText(QStringLiteral("0401010023"));
    EXPECT_TRUE(m->highComplexity());
    m->setSearchText(QStringLiteral("0401010015"));
    EXPECT_FALSE(m->highComplexity());

    // The same code handed back runs the search again.
    m->qryTbProc()->close();
    m->handBack(QStringLiteral("0401010015"));
    EXPECT_TRUE(m->qryTbProc()->isOpen());

    m->setSearchText(QStringLiteral("0301010072"));
    m->setPageText(PageSearch::Compativel, QStringLiteral("0211"));
    m->jumpToCompatible();
    EXPECT_EQ(m->searchText(), QStringLiteral("0211030100"));
    EXPECT_EQ(listed(), (std::set<std::string>{"0211030100"}));
}

TEST_F(Model, AFailingPageSearchReachesTheCaller)
{
    m->setSearchText(QStringLiteral("0301010072"));
    // No text fails: a word longer than any column is simply not found.
    m->setPageText(PageSearch::Cbos, QString(70000, QLatin1Char('9')));
    EXPECT_TRUE(m->qryProccbos()->isOpen());
    EXPECT_TRUE(m->qryProccbos()->isEmpty());
    EXPECT_EQ(column(m->qryProccid10(), "CP_CID").size(), 3u);
    m->connection().close();
    EXPECT_ANY_THROW(m->setPageText(PageSearch::Cbos, QStringLiteral("GINECO")));
    EXPECT_FALSE(m->qryProccbos()->isOpen());
}

TEST_F(Model, TheLookupsSearchCodesThenNamesAndFollowTheCurrentCode)
{
    korvane::LookupModel cbos(korvane::LookupKind::Cbos, m->connection());
    cbos.open();
    cbos.search(QStringLiteral("2251"));
    EXPECT_EQ(column(cbos.codes(), "CBO_COD"), (std::set<std::string>{"225124", "225125"}));
    EXPECT_EQ(column(cbos.procedures(), "PCBO_PROC"), (std::set<std::string>{"0301060010"}));   // of the first
    cbos.search(QStringLiteral("CLINICO"));
    EXPECT_EQ(column(cbos.codes(), "CBO_COD"), (std::set<std::string>{"225125"}));
    EXPECT_EQ(column(cbos.procedures(), "PCBO_PROC"), (std::set<std::string>{"0301010072", "0303010037"}));
    cbos.searchProcedures(QStringLiteral("TRATAMENTO"));
    EXPECT_EQ(column(cbos.procedures(), "PCBO_PROC"), (std::set<std::string>{"0303010037"}));
    EXPECT_EQ(cbos.chosenProcedure(), QStringLiteral("0303010037"));
    cbos.close();
    EXPECT_FALSE(cbos.procedures()->isOpen());

    korvane::LookupModel cid(korvane::LookupKind::Cid10, m->connection());
    cid.open();
    cid.search(QStringLiteral("PNEUMONIA"));
    EXPECT_EQ(column(cid.codes(), "CID_COD"), (std::set<std::string>{"J18 "}));
    cid.close();
    EXPECT_TRUE(cid.procedures()->isOpen());   // the CID-10 lookup closes only its upper list
}

TEST_F(Model, TheReportsAreMadeFromTheBrowserState)
{
    kreports::ProcedureReports reports(*m);
    choose(Level::Grupo, "03");
    choose(Level::SubGrupo, "01");
    int runs = 0;
    reports.runList(korvane::ListOrder::ByCode, [&](kreports::TRvProject& p) {
        ++runs;
        EXPECT_EQ(&p, reports.RvTabelaGeral());
    });
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(reports.qryImpProcGeral()->sql(), "select * from tb_proc where proc_cod<>'' and substring(proc_cod "
                                                "from 1 for 2)='03' and substring(proc_cod from 3 for 2)='01' order "
                                                "by proc_cod");
    EXPECT_FALSE(reports.runSheet("", [&](kreports::TRvProject&) { ++runs; }));
    EXPECT_EQ(runs, 1);
    // A typed code that is not the one selected prints its own lists.
    m->setSearchText(QStringLiteral("0303"));
    ASSERT_TRUE(reports.runSheet("0301010072", [&](kreports::TRvProject& p) {
        EXPECT_EQ(&p, reports.RvTabelaAnalitica());
    }));
    EXPECT_EQ(reports.qryImpProcIndi()->field(QStringLiteral("PROC_COD")).toString(), "0301010072");
    ASSERT_EQ(reports.cdsCid10()->recordCount(), 1u);
    EXPECT_EQ(reports.cdsCid10()->value(0, QStringLiteral("cid3")).toString(), "N40 ");
}

} // namespace
