// The report engine on its own: reading project files, the banded layout,
// and what it does to the record sets it reads.

#include "reports/connection.h"
#include "reports/layout.h"
#include "reports/project.h"

#include "db/error.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/widgets.h"
#include "support/tempdb.h"
#include "data/dataset.h"
#include "data/memorytable.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFontMetricsF>

#include <filesystem>

using kreports::Document;
using kreports::TextOp;
using kreports::TRvDataSetConnection;
using kreports::TRvProject;

namespace {

const char* const kHead = "korvane-report 1\n";

class EngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ktest::ensureApplication();
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    }
    static void TearDownTestSuite() { QLocale::setDefault(QLocale::c()); }

    QString write(const std::string& text, const char* name = "test.rav")
    {
        ktest::writeFile(dir.path() / name, text);
        return QString::fromStdString(dir.file(name));
    }

    Document run(const std::string& text)
    {
        TRvProject p(QStringLiteral("RvTest"));
        p.setProjectFile(write(kHead + text));
        return p.render();
    }

    // A table T with CODE, NAME, SEX, VALUE and the given rows.
    kdata::MemoryTable& table(const QString& name, int rows)
    {
        tables.push_back(std::make_unique<kdata::MemoryTable>(
            name, std::vector<kdata::MemoryTable::ColumnDef>{{"CODE", 6}, {"NAME", 250}, {"SEX", 1}, {"VALUE", 12}}));
        kdata::MemoryTable& t = *tables.back();
        t.createDataSet();
        for (int i = 0; i < rows; ++i) {
            t.append();
            t.set(QStringLiteral("CODE"), QStringLiteral("R%1").arg(i, 3, 10, QLatin1Char('0')).toStdString());
            t.set(QStringLiteral("NAME"), "NAME " + std::to_string(i));
            t.set(QStringLiteral("SEX"), i % 2 ? "F" : "M");
            t.set(QStringLiteral("VALUE"), kdb::Decimal(i * 100 + 5, 2));
            t.post();
        }
        t.first();
        connections.push_back(std::make_unique<TRvDataSetConnection>(QStringLiteral("Rv") + name, &t));
        return t;
    }

    ktest::TempDir dir;
    std::vector<std::unique_ptr<kdata::MemoryTable>> tables;
    std::vector<std::unique_ptr<TRvDataSetConnection>> connections;
};

std::vector<const TextOp*> texts(const Document& doc, int page)
{
    std::vector<const TextOp*> out;
    for (const auto& op : doc.pages.at(static_cast<std::size_t>(page)).ops)
        if (const auto* t = std::get_if<TextOp>(&op)) out.push_back(t);
    return out;
}

QStringList words(const Document& doc, int page)
{
    QStringList out;
    for (const TextOp* t : texts(doc, page)) out << t->text;
    return out;
}

QStringList allWords(const Document& doc)
{
    QStringList out;
    for (int p = 0; p < doc.pageCount(); ++p) out += words(doc, p);
    return out;
}

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

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

// --- layout ----------------------------------------------------------------------

// A4 portrait, margins 10: header 20, footer 10, column header 10, rows 10.
// Body 297 - 20 - 20 - 10 = 247 mm; 237 under the column header: 23 rows.
const char* const kPaged =
    "report R title=\"Paged\"\n"
    "  page size=A4 margins=10\n"
    "  band pageheader height=20\n"
    "    text x=0 y=0 w=100 h=10 value=\"HEADER {page}\"\n"
    "  end\n"
    "  band pagefooter height=10\n"
    "    text x=0 y=0 w=190 h=10 align=right value=\"Página {page} de {pages}\"\n"
    "  end\n"
    "  section RvT\n"
    "    band columnheader height=10\n"
    "      text x=0 y=0 w=50 h=10 value=\"COLUMNS\"\n"
    "    end\n"
    "    band detail height=10 stripe=#eeeeee\n"
    "      field x=0 y=0 w=50 h=10 source=CODE\n"
    "    end\n"
    "    band summary height=10\n"
    "      text x=0 y=0 w=50 h=10 value=\"TOTAL {count}\"\n"
    "    end\n"
    "  end\n"
    "end\n";

TEST_F(EngineTest, PagesRepeatTheirHeadersAndKnowTheirCount)
{
    table(QStringLiteral("T"), 100);
    const Document doc = run(kPaged);
    ASSERT_EQ(doc.pageCount(), 5);
    EXPECT_EQ(doc.title, QStringLiteral("Paged"));
    const int rowsPerPage[] = {23, 23, 23, 23, 8};
    int next = 0;
    for (int p = 0; p < 5; ++p) {
        const QStringList w = words(doc, p);
        EXPECT_EQ(w.front(), QStringLiteral("HEADER %1").arg(p + 1));
        EXPECT_EQ(w.count(QStringLiteral("COLUMNS")), 1) << "page " << p + 1;
        EXPECT_EQ(w.back(), QStringLiteral("Página %1 de 5").arg(p + 1));
        int rows = 0;
        for (const TextOp* t : texts(doc, p)) {
            if (!t->text.startsWith(u'R')) continue;
            EXPECT_EQ(t->text, QStringLiteral("R%1").arg(next++, 3, 10, QLatin1Char('0')));
            EXPECT_LE(t->rect.bottom(), 297.0 - 10 - 10 + 1e-6) << "row under the footer line on page " << p + 1;
            ++rows;
        }
        EXPECT_EQ(rows, rowsPerPage[p]) << "page " << p + 1;
    }
    EXPECT_TRUE(words(doc, 4).contains(QStringLiteral("TOTAL 100")));
}

TEST_F(EngineTest, AGrownBandIsNeverCutByAPageBreak)
{
    kdata::MemoryTable& t = table(QStringLiteral("T"), 60);
    // Every third name takes several lines.
    t.close();
    t.createDataSet();
    for (int i = 0; i < 60; ++i) {
        t.append();
        t.set(QStringLiteral("CODE"), "C" + std::to_string(i));
        std::string name = "W" + std::to_string(i);
        if (i % 3 == 0)
            for (int k = 0; k < 40; ++k) name += " W" + std::to_string(i);
        t.set(QStringLiteral("NAME"), name);
        t.post();
    }
    const Document doc = run("report R\n  page margins=10\n  section RvT\n"
                             "    band detail height=6\n"
                             "      field x=0 y=0 w=20 h=6 source=CODE\n"
                             "      field x=20 y=0 w=60 h=6 wrap source=NAME\n"
                             "    end\n  end\nend\n");
    ASSERT_GT(doc.pageCount(), 1);
    std::map<QString, int> pageOfWord;
    for (int p = 0; p < doc.pageCount(); ++p) {
        double lastBottom = 0;
        for (const TextOp* op : texts(doc, p)) {
            EXPECT_LE(op->rect.bottom(), 297.0 - 10 + 1e-6);
            lastBottom = std::max(lastBottom, op->rect.bottom());
            const QString word = op->text.section(u' ', 0, 0);
            if (const auto it = pageOfWord.find(word); it != pageOfWord.end()) {
                EXPECT_EQ(it->second, p) << word.toStdString() << " split across pages";
            }
            pageOfWord[word] = p;
        }
        EXPECT_GT(lastBottom, 0);
    }
    // All 60 rows, and a wrapped name gives more lines than one.
    int lines0 = 0;
    for (const QString& w : allWords(doc)) lines0 += w.startsWith(QStringLiteral("W0 ")) || w == QStringLiteral("W0");
    EXPECT_GT(lines0, 2);
    EXPECT_EQ(allWords(doc).count(QStringLiteral("C59")), 1);
}

TEST_F(EngineTest, AHeadingMovesToTheNextPageWithItsFirstRow)
{
    // 27 rows of 10 mm fill 270 of the 277 mm body; the second section's
    // title (5) would fit alone, but not with its column header and a row.
    table(QStringLiteral("A"), 27);
    table(QStringLiteral("B"), 2);
    const Document doc = run("report R\n  page margins=10\n"
                             "  section RvA\n    band detail height=10\n      field x=0 y=0 w=20 h=10 source=CODE\n    end\n  end\n"
                             "  section RvB\n"
                             "    band title height=5\n      text x=0 y=0 w=50 h=5 value=\"SECTION B\"\n    end\n"
                             "    band columnheader height=5\n      text x=0 y=0 w=50 h=5 value=\"COLS B\"\n    end\n"
                             "    band detail height=10\n      field x=0 y=0 w=20 h=10 source=NAME\n    end\n"
                             "  end\nend\n");
    ASSERT_EQ(doc.pageCount(), 2);
    EXPECT_EQ(words(doc, 0).size(), 27);
    EXPECT_EQ(words(doc, 1), (QStringList{"SECTION B", "COLS B", "NAME 0", "NAME 1"}));
}

TEST_F(EngineTest, ASummaryTakesTheLastRowAlongToTheNextPage)
{
    // 27 rows of 10 mm and a 10 mm summary in a 277 mm body: the summary
    // does not fit under the last row, so both go to the second page.
    table(QStringLiteral("T"), 27);
    const Document doc = run("report R\n  page margins=10\n  section RvT\n"
                             "    band detail height=10\n      field x=0 y=0 w=20 h=10 source=CODE\n    end\n"
                             "    band summary height=10\n      text x=0 y=0 w=50 h=10 value=\"TOTAL {count}\"\n    end\n"
                             "  end\nend\n");
    ASSERT_EQ(doc.pageCount(), 2);
    EXPECT_EQ(words(doc, 0).size(), 26);
    EXPECT_EQ(words(doc, 1), (QStringList{"R026", "TOTAL 27"}));
}

TEST_F(EngineTest, GroupBandsOpenAndCloseEachGroup)
{
    kdata::MemoryTable& t = table(QStringLiteral("T"), 0);
    for (const char* code : {"0101", "0102", "0201", "0301", "0302", "0303"}) {
        t.append();
        t.set(QStringLiteral("CODE"), code);
        t.post();
    }
    const Document doc = run("report R\n  section RvT\n"
                             "    band groupheader height=5 field=CODE length=2\n"
                             "      text x=0 y=0 w=50 h=5 value=\"GROUP\"\n    end\n"
                             "    band detail height=5\n      field x=0 y=0 w=20 h=5 source=CODE\n    end\n"
                             "    band groupfooter height=5\n      text x=0 y=0 w=50 h=5 value=\"END {CODE}\"\n    end\n"
                             "  end\nend\n");
    EXPECT_EQ(allWords(doc), (QStringList{"GROUP", "0101", "0102", "END 0102", "GROUP", "0201", "END 0201", "GROUP",
                                          "0301", "0302", "0303", "END 0303"}));
}

TEST_F(EngineTest, ValuesFollowTheirDisplayFormatsInTheUserLocale)
{
    tables.push_back(std::make_unique<kdata::MemoryTable>(
        QStringLiteral("V"), std::vector<kdata::MemoryTable::ColumnDef>{{"M", 12}, {"I", 6}, {"S", 1}, {"D", 12}}));
    kdata::MemoryTable& t = *tables.back();
    t.setFieldDef({QStringLiteral("D"), {}, -1, kdata::DisplayFormat::Money});
    t.createDataSet();
    auto row = [&](kdb::Value m, kdb::Value i, kdb::Value s, kdb::Value d) {
        t.append();
        t.set(QStringLiteral("M"), m);
        t.set(QStringLiteral("I"), i);
        t.set(QStringLiteral("S"), s);
        t.set(QStringLiteral("D"), d);
        t.post();
    };
    row(kdb::Decimal(1234567891, 3), 12345, "M", kdb::Decimal(123456, 2));
    row(kdb::Decimal(-55, 1), -1234, "F", kdb::Value());
    row("TEXT", kdb::Value(), kdb::Value(), kdb::Decimal(0, 4));
    TRvDataSetConnection conn(QStringLiteral("RvV"), &t);
    const Document doc = run("report R\n  section RvV\n    band detail height=5\n"
                             "      field x=0 y=0 w=30 h=5 source=M format=\",0.00\"\n"
                             "      field x=30 y=0 w=20 h=5 source=I format=\",0\"\n"
                             "      field x=50 y=0 w=20 h=5 source=I format=\"0\"\n"
                             "      field x=70 y=0 w=30 h=5 source=S map=\"M=MASCULINO;F=FEMININO\" blank=\"-\"\n"
                             "      field x=100 y=0 w=30 h=5 source=D\n"
                             "      text x=130 y=0 w=60 h=5 value=\"[{M|,0.00}] {{literal}}\"\n"
                             "    end\n  end\nend\n");
    EXPECT_EQ(words(doc, 0),
              (QStringList{"1.234.567,89", "12.345", "12345", "MASCULINO", "1.234,56", "[1.234.567,89] {literal}",   //
                           "-5,50", "-1.234", "-1234", "FEMININO", "[-5,50] {literal}",                            //
                           "TEXT", "-", "0,00", "[TEXT] {literal}"}));
}

TEST_F(EngineTest, ALongTextIsCutToItsBoxUnlessItWraps)
{
    kdata::MemoryTable& t = table(QStringLiteral("T"), 0);
    t.append();
    t.set(QStringLiteral("NAME"), std::string(40, 'X') + " " + std::string(40, 'Y'));
    t.post();
    const Document doc = run("report R\n  section RvT\n    band detail height=5\n"
                             "      field x=0 y=0 w=30 h=5 pad=1 source=NAME\n"
                             "      field x=40 y=0 w=30 h=5 pad=1 wrap source=NAME\n"
                             "    end\n  end\nend\n");
    const auto ops = texts(doc, 0);
    ASSERT_GE(ops.size(), 3u);
    const QFontMetricsF fm(doc.fonts.at(static_cast<std::size_t>(ops[0]->font)));
    EXPECT_TRUE(ops[0]->text.endsWith(QChar(0x2026)));
    EXPECT_LE(fm.horizontalAdvance(ops[0]->text) / kreports::kUnitsPerMm, 28.0 + 1e-6);
    // Wrapped: every character is printed, no line wider than its box.
    QString joined;
    for (std::size_t i = 1; i < ops.size(); ++i) {
        EXPECT_LE(fm.horizontalAdvance(ops[i]->text) / kreports::kUnitsPerMm, 28.0 + 1e-6);
        EXPECT_GT(ops[i]->rect.top(), ops[i - 1]->rect.top() - 1e-9);
        joined += ops[i]->text;
    }
    EXPECT_EQ(joined.count(u'X') + joined.count(u'Y'), 80);
}

TEST_F(EngineTest, EmptySetsPrintTheirNoDataBandAndCountsAndOtherConnectionsAreRead)
{
    table(QStringLiteral("T"), 0);
    kdata::MemoryTable& master = table(QStringLiteral("M"), 2);
    master.last();   // the engine reads from the first row whatever the position
    const Document doc = run("report R\n"
                             "  band pageheader height=5\n    text x=0 y=0 w=90 h=5 value=\"OF {RvM.CODE}\"\n  end\n"
                             "  section RvT\n"
                             "    band title height=5\n      text x=0 y=0 w=90 h=5 value=\"LIST\"\n    end\n"
                             "    band detail height=5\n      field x=0 y=0 w=20 h=5 source=CODE\n    end\n"
                             "    band nodata height=5\n      text x=0 y=0 w=90 h=5 value=\"NOTHING\"\n    end\n"
                             "    band summary height=5\n      text x=0 y=0 w=90 h=5 value=\"{count} ROWS\"\n    end\n"
                             "  end\n"
                             "  section RvM skipempty\n"
                             "    band detail height=5\n      field x=0 y=0 w=20 h=5 source=CODE\n    end\n"
                             "  end\n"
                             "  band summary height=5\n    text x=0 y=0 w=90 h=5 value=\"{count} IN ALL\"\n  end\n"
                             "end\n");
    EXPECT_EQ(allWords(doc), (QStringList{"OF R000", "LIST", "NOTHING", "0 ROWS", "R000", "R001", "2 IN ALL"}));
    EXPECT_EQ(master.currentRow(), 1);
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
