// The report engine on its own: reading project files, and what a run does
// to the record sets it reads. The layout's own tests are in
// test_reports_layout.cpp.

#include "db/error.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/reportengine.h"
#include "data/dataset.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace ktest::engine;

namespace {

// --- project files -------------------------------------------------------------

const char* const kSmallReport =
    "report R\n"
    "  section RvT\n"
    "    band detail height=5\n"
    "      field x=0 y=0 w=50 h=5 source=CODE\n"
    "    end\n"
    "  end\n"
    "end\n";

TEST_F(EngineTest, AMissingFileIsNamedAndTheNextRunReadsItOnceItIsThere)
{
    table(QStringLiteral("T"), 3);
    const QString path = QString::fromStdString(dir.file("RELATORIOS/TabelaGeral.rav"));
    TRvProject p(QStringLiteral("RvTabelaGeral"));
    p.setProjectFile(path);
    const std::string message = errorOf([&] { p.render(); });
    EXPECT_NE(message.find(path.toStdString()), std::string::npos) << message;
    EXPECT_NE(message.find("cannot be opened"), std::string::npos) << message;
    EXPECT_FALSE(p.isLoaded());

    std::filesystem::create_directory(dir.path() / "RELATORIOS");
    write(std::string(kHead) + kSmallReport, "RELATORIOS/TabelaGeral.rav");
    EXPECT_EQ(allWords(p.render()), (QStringList{"R000", "R001", "R002"}));
    EXPECT_TRUE(p.isLoaded());

    // Loaded once, kept: a later change of the file is not seen.
    std::filesystem::remove(dir.path() / "RELATORIOS/TabelaGeral.rav");
    EXPECT_EQ(p.render().pageCount(), 1);
    // Another file is read anew.
    p.setProjectFile(path + QStringLiteral(".other"));
    EXPECT_FALSE(p.isLoaded());
    EXPECT_THROW(p.render(), std::runtime_error);
}

struct Malformed {
    const char* text;
    int line;
    const char* says;
};

TEST_F(EngineTest, AMalformedFileIsReportedWithFileAndLine)
{
    const Malformed cases[] = {
        {"", 1, "empty"},
        {"<?xml version='1.0'?>\n", 1, "not a Korvane report project"},
        {"korvane-report 2\n", 1, "version 2"},
        {"korvane-report 1\n# a comment\nreport R\n  section RvT\n    band detail height=5\n"
         "      text x=0 y=0 w=10 h=5 colour=#fff value=\"a\"\n",
         6, "unknown attribute 'colour' for text"},
        {"korvane-report 1\nreport R\n  section RvT\n    band detail height=5\n    end\n  end\n", 2, "has no 'end'"},
        {"korvane-report 1\nreport R\n  band detail height=5\n", 3, "belongs inside a section"},
        {"korvane-report 1\nreport R\n  section RvT\n    band pageheader height=5\n", 4, "belongs to the report"},
        {"korvane-report 1\nreport R\n  section RvT\n    band detail height=abc\n", 4, "must be a number"},
        {"korvane-report 1\nreport R\n  section RvT\n    band detail height=5\n      field x=0 y=0 w=9 h=5 source=V format=\",0.000\"\n",
         5, "unknown display format"},
        {"korvane-report 1\nreport R\n  band pageheader height=5\n    field x=0 y=0 w=9 h=5 source=CODE\n", 4,
         "must name its connection"},
        {"korvane-report 1\nreport R\n  section RvT\n    band title height=5\n    end\n  end\nend\n", 3, "no detail band"},
        {"korvane-report 1\nreport R\n  section RvT\n    band detail height=5\n      text x=0 y=0 w=9 h=5 value=\"open\n",
         5, "unclosed quoted text"},
        {"korvane-report 1\nreport R\n  section RvT\n    band detail height=5\n      text x=0 y=0 w=9 h=5 value=\"{CODE\"\n",
         5, "'{' without '}'"},
        {"korvane-report 1\nreport R\n  section RvT\n    band detail height=5\n    end\n    band detail height=4\n", 6,
         "a second detail band (the first is on line 4)"},
        {"korvane-report 1\nreport R\n  section RvT\n    band detail height=5\n      field x=0 y=0 w=9 h=5\n", 5,
         "'source' is missing"},
        {"korvane-report 1\nend\n", 2, "'end' without an open block"},
        {"korvane-report 1\nreport R\n  page orientation=sideways\n", 3, "portrait or landscape"},
    };
    for (const Malformed& c : cases) {
        const QString path = write(c.text);
        const std::string message = errorOf([&] { kreports::loadProject(path); });
        const std::string where = "\"" + path.toStdString() + "\", line " + std::to_string(c.line) + ":";
        EXPECT_NE(message.find(where), std::string::npos) << "for:\n" << c.text << "\ngot: " << message;
        EXPECT_NE(message.find(c.says), std::string::npos) << "for:\n" << c.text << "\ngot: " << message;
    }
}

TEST_F(EngineTest, ConnectionsAndFieldsAreCheckedAtTheRunAgainstWhatExists)
{
    const QString path = write(std::string(kHead) + kSmallReport);
    TRvProject p(QStringLiteral("RvTest"));
    p.setProjectFile(path);
    std::string message = errorOf([&] { p.render(); });
    EXPECT_NE(message.find("line 3: there is no data connection named \"RvT\""), std::string::npos) << message;

    tables.push_back(std::make_unique<kdata::MemoryTable>(QStringLiteral("t"),
                                                        std::vector<kdata::MemoryTable::ColumnDef>{{"OTHER", 3}}));
    TRvDataSetConnection conn(QStringLiteral("rvt"), tables.back().get());   // names are case-insensitive
    message = errorOf([&] { p.render(); });
    EXPECT_NE(message.find("line 5: the data connection \"RvT\" has no field \"CODE\""), std::string::npos) << message;
    EXPECT_FALSE(tables.back()->controlsDisabled());
    EXPECT_FALSE(tables.back()->isOpen());   // opened to learn its fields, closed again

    EXPECT_THROW(TRvDataSetConnection(QStringLiteral("RVT"), nullptr), std::invalid_argument);
}

// --- the record sets it reads --------------------------------------------------------

const char* const kBySex = "report R\n  section RvT%s\n    band detail height=5\n"
                           "      field x=0 y=0 w=20 h=5 source=CODE\n      field x=20 y=0 w=20 h=5 source=SEX\n"
                           "    end\n  end\nend\n";

std::string bySex(const char* sectionOptions)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, kBySex, sectionOptions);
    return buf;
}

TEST_F(EngineTest, TheSetComesBackAsItWasAndListenersSeeNoRowOfTheRun)
{
    kdata::MemoryTable& t = table(QStringLiteral("T"), 20);
    t.setFilter(QStringLiteral("SEX = 'F'"));
    ASSERT_EQ(t.recordCount(), 10u);
    t.moveTo(7);
    int moves = 0;
    QObject::connect(&t, &kdata::RecordSet::currentChanged, [&] { ++moves; });

    // The set's own filter holds for a section without one.
    Document doc = run(bySex(""));
    EXPECT_EQ(allWords(doc).count(QStringLiteral("F")), 10);
    EXPECT_EQ(allWords(doc).count(QStringLiteral("M")), 0);
    // A section's filter replaces it for the run.
    doc = run(bySex(" filter=\"SEX = 'M'\""));
    EXPECT_EQ(allWords(doc).count(QStringLiteral("M")), 10);
    EXPECT_EQ(allWords(doc).count(QStringLiteral("F")), 0);

    EXPECT_EQ(moves, 0);
    EXPECT_EQ(t.filter(), QStringLiteral("SEX = 'F'"));
    EXPECT_EQ(t.recordCount(), 10u);
    EXPECT_EQ(t.currentRow(), 7);
    EXPECT_FALSE(t.controlsDisabled());

    // A closed set is opened for the run and closed after it.
    t.close();
    moves = 0;
    doc = run(bySex(" filter=\"SEX = 'M'\""));
    EXPECT_FALSE(t.isOpen());
    EXPECT_EQ(moves, 0);
}

TEST_F(EngineTest, EachSectionOverTheSameSetHasItsOwnFilter)
{
    table(QStringLiteral("T"), 6);
    const Document doc = run("report R\n"
                             "  section RvT filter=\"SEX = 'M'\"\n    band detail height=5\n"
                             "      field x=0 y=0 w=20 h=5 source=CODE\n    end\n  end\n"
                             "  section RvT\n    band detail height=5\n"
                             "      field x=0 y=0 w=20 h=5 source=NAME\n    end\n  end\n"
                             "end\n");
    EXPECT_EQ(allWords(doc), (QStringList{"R000", "R002", "R004", "NAME 0", "NAME 1", "NAME 2", "NAME 3", "NAME 4", "NAME 5"}));
}

TEST_F(EngineTest, AnErrorWhileSteppingStillHandsTheSetBack)
{
    kdata::MemoryTable& t = table(QStringLiteral("T"), 10);
    t.addCalculatedField(QStringLiteral("FRAGILE"), [](const kdata::RecordSet& s, std::size_t row) -> kdb::Value {
        // Rows count as the filter shows them: the fourth 'M' row.
        if (row == 3) throw kdb::Error("cannot compute row 3");
        return s.value(row, QStringLiteral("CODE"));
    });
    t.moveTo(3);
    const std::string message = errorOf([&] {
        run("report R\n  section RvT filter=\"SEX = 'M'\"\n    band detail height=5\n"
            "      field x=0 y=0 w=20 h=5 source=FRAGILE\n    end\n  end\nend\n");
    });
    EXPECT_EQ(message, "cannot compute row 3");
    EXPECT_EQ(t.currentRow(), 3);
    EXPECT_TRUE(t.filter().isEmpty());
    EXPECT_EQ(t.recordCount(), 10u);
    EXPECT_FALSE(t.controlsDisabled());
}

// A query's data set, fetched lazily and closed or open.
class EngineDbTest : public EngineTest {
protected:
    void SetUp() override
    {
        db.open(ktest::createSchemaDatabase(dir), ktest::kCredentials);
        tr = std::make_unique<kdb::Transaction>(db);
        kdb::Query ins(db, *tr);
        ins.setSql("insert into TB_CID (CID_COD, CID_DESCR, CID_RESTRSEXO) values (:c, :d, :s)");
        for (int i = 0; i < 700; ++i) {
            char code[8];
            std::snprintf(code, sizeof code, "A%03d", i);
            ins.setParam("c", code);
            ins.setParam("d", "DIAGNOSTICO " + std::to_string(i));
            ins.setParam("s", i % 7 == 0 ? "F" : "I");
            ins.execute();
        }
        tr->commit();
        cids = std::make_unique<kdata::DataSet>(QStringLiteral("qryCid10Geral"), db, *tr);
        cids->setSql("select * from TB_CID order by CID_COD");
        conn = std::make_unique<TRvDataSetConnection>(QStringLiteral("RvDataSetConnection11"), cids.get());
    }
    void TearDown() override
    {
        conn.reset();
        cids.reset();
        tr.reset();
        db.close();
    }

    kdb::Connection db;
    std::unique_ptr<kdb::Transaction> tr;
    std::unique_ptr<kdata::DataSet> cids;
    std::unique_ptr<TRvDataSetConnection> conn;
};

const char* const kCids = "report R\n  section RvDataSetConnection11%s\n    band detail height=5\n"
                          "      field x=0 y=0 w=20 h=5 source=CID_COD\n    end\n  end\nend\n";

std::string cidReport(const char* options)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, kCids, options);
    return buf;
}

TEST_F(EngineDbTest, AClosedQueryIsOpenedReadWholeAndClosedAgain)
{
    int moves = 0;
    QObject::connect(cids.get(), &kdata::RecordSet::currentChanged, [&] { ++moves; });
    const Document doc = run(cidReport(""));
    EXPECT_EQ(allWords(doc).size(), 700);
    EXPECT_EQ(allWords(doc).back(), QStringLiteral("A699"));
    EXPECT_FALSE(cids->isOpen());
    EXPECT_EQ(moves, 0);
}

TEST_F(EngineDbTest, AnOpenQueryKeepsItsRowAndItsGridHearsOnlyOfTheNewRows)
{
    cids->open();
    cids->moveTo(5);
    ASSERT_LT(cids->recordCount(), 700u);   // not all fetched yet
    int moves = 0, resets = 0;
    QObject::connect(cids.get(), &kdata::RecordSet::currentChanged, [&] { ++moves; });
    QObject::connect(cids.get(), &kdata::RecordSet::rowsReset, [&] { ++resets; });
    const Document doc = run(cidReport(" filter=\"CID_RESTRSEXO = 'F'\""));
    EXPECT_EQ(allWords(doc).size(), 100);
    EXPECT_EQ(allWords(doc).front(), QStringLiteral("A000"));
    EXPECT_EQ(allWords(doc).back(), QStringLiteral("A693"));
    EXPECT_TRUE(cids->isOpen());
    EXPECT_EQ(cids->currentRow(), 5);
    EXPECT_EQ(cids->currentText(QStringLiteral("CID_COD")), QStringLiteral("A005"));
    EXPECT_TRUE(cids->filter().isEmpty());
    EXPECT_EQ(cids->recordCount(), 700u);
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(resets, 1);   // once, after the run: the rows fetched meanwhile
}

} // namespace
