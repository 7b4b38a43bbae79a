// The report engine's banded layout: pages and their headers, bands kept
// whole, headings and summaries kept with their rows, groups, display
// formats, cut and wrapped text, empty sets.

#include "support/reportengine.h"

#include <gtest/gtest.h>

#include <QFontMetricsF>

using namespace ktest::engine;

namespace {

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

} // namespace
