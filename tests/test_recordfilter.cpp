// Filters on record sets: what they let through, how rows are numbered
// under them, and what the views are told.

#include "db/error.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/widgets.h"
#include "support/tempdb.h"
#include "data/dataset.h"
#include "ui/datasetmodel.h"
#include "data/memorytable.h"

#include <gtest/gtest.h>

namespace {

kdata::MemoryTable makeTable()
{
    return kdata::MemoryTable(QStringLiteral("cds"), {{"CODE", 4}, {"KIND", 2}, {"N", 6}});
}

void add(kdata::MemoryTable& t, kdb::Value code, kdb::Value kind, kdb::Value n)
{
    t.append();
    t.set(QStringLiteral("CODE"), std::move(code));
    t.set(QStringLiteral("KIND"), std::move(kind));
    t.set(QStringLiteral("N"), std::move(n));
    t.post();
}

QStringList codes(const kdata::RecordSet& s)
{
    QStringList out;
    for (std::size_t r = 0; r < s.recordCount(); ++r) out << s.displayText(r, QStringLiteral("CODE"));
    return out;
}

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        t.createDataSet();
        add(t, "A1", "X ", 7);               // CHAR padding as the engine gives it
        add(t, "A2", "Y", kdb::Decimal(700, 2));
        add(t, "B1", "X", "007");            // a number held as text
        add(t, "B2", kdb::Value(), kdb::Value());
        add(t, "C'", "Z", -3);
    }
    kdata::MemoryTable t = makeTable();
};

TEST_F(FilterTest, ConditionsCompareTextWithoutPaddingAndNumbersByValue)
{
    auto with = [&](const char* f) {
        t.setFilter(QString::fromUtf8(f));
        return codes(t);
    };
    EXPECT_EQ(with("KIND = 'X'"), (QStringList{"A1", "B1"}));
    EXPECT_EQ(with("kind='X' AND n = 7"), (QStringList{"A1", "B1"}));
    EXPECT_EQ(with("N = 7.00"), (QStringList{"A1", "A2", "B1"}));
    EXPECT_EQ(with("N <> 7"), (QStringList{"B2", "C'"}));
    EXPECT_EQ(with("N = -3"), (QStringList{"C'"}));
    EXPECT_EQ(with("KIND = ''"), (QStringList{"B2"}));   // NULL reads as the empty text
    EXPECT_EQ(with("CODE = 'C'''"), (QStringList{"C'"}));
    EXPECT_EQ(with("CODE = 'a1'"), QStringList{});        // values keep their case
    EXPECT_EQ(with("  "), (QStringList{"A1", "A2", "B1", "B2", "C'"}));
    EXPECT_EQ(t.filter(), QStringLiteral("  "));
}

TEST_F(FilterTest, AMalformedFilterThrowsAndLeavesTheOldOne)
{
    t.setFilter(QStringLiteral("KIND = 'X'"));
    t.moveTo(1);
    for (const char* bad : {"KIND =", "KIND 'X'", "= 'X'", "KIND = 'X' or N = 7", "KIND = 'X", "KIND = 'X' and",
                            "KIND = X", "1KIND = 'X'", "KIND == 'X'", "UNKNOWN = 'X'"}) {
        EXPECT_THROW(t.setFilter(QString::fromUtf8(bad)), kdb::Error) << bad;
        EXPECT_EQ(t.filter(), QStringLiteral("KIND = 'X'")) << bad;
        EXPECT_EQ(codes(t), (QStringList{"A1", "B1"})) << bad;
        EXPECT_EQ(t.currentRow(), 1) << bad;
    }
}

TEST_F(FilterTest, RowsAreNumberedAsTheFilterShowsThem)
{
    int resets = 0, moves = 0;
    QObject::connect(&t, &kdata::RecordSet::rowsReset, [&] { ++resets; });
    QObject::connect(&t, &kdata::RecordSet::currentChanged, [&] { ++moves; });
    t.last();
    t.setFilter(QStringLiteral("KIND = 'X'"));
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(t.currentRow(), 0);   // a new filter starts on its first row
    EXPECT_EQ(t.recordCount(), 2u);
    EXPECT_EQ(t.value(1, QStringLiteral("CODE")).asText(), "B1");
    EXPECT_TRUE(t.value(2, QStringLiteral("CODE")).isNull());
    EXPECT_TRUE(t.next());
    EXPECT_EQ(t.currentText(QStringLiteral("CODE")), QStringLiteral("B1"));
    EXPECT_FALSE(t.next());
    EXPECT_FALSE(t.moveTo(2));
    EXPECT_TRUE(t.atLast());

    // A posted row the filter hides is kept but not shown; one it shows
    // becomes current and is announced where the view expects it.
    std::vector<std::pair<std::size_t, std::size_t>> appended;
    QObject::connect(&t, &kdata::RecordSet::rowsAppended, [&](std::size_t a, std::size_t b) { appended.emplace_back(a, b); });
    add(t, "D1", "Y", 1);
    EXPECT_EQ(t.recordCount(), 2u);
    EXPECT_EQ(t.currentText(QStringLiteral("CODE")), QStringLiteral("B1"));
    EXPECT_TRUE(appended.empty());
    add(t, "D2", "X", 1);
    EXPECT_EQ(codes(t), (QStringList{"A1", "B1", "D2"}));
    EXPECT_EQ(t.currentRow(), 2);
    ASSERT_EQ(appended.size(), 1u);
    EXPECT_EQ(appended[0], (std::pair<std::size_t, std::size_t>{2, 2}));

    t.setFilter({});
    EXPECT_EQ(codes(t), (QStringList{"A1", "A2", "B1", "B2", "C'", "D1", "D2"}));
    // The filter survives emptying and refilling.
    t.setFilter(QStringLiteral("KIND = 'Z'"));
    t.emptyDataSet();
    EXPECT_EQ(t.currentRow(), -1);
    add(t, "E1", "Z", 0);
    add(t, "E2", "W", 0);
    EXPECT_EQ(codes(t), (QStringList{"E1"}));
}

TEST(FilterOnQuery, FetchesAsFarAsTheRowsAskedForAndViewsAgree)
{
    ktest::ensureApplication();
    ktest::TempDir dir;
    kdb::Connection db;
    db.open(ktest::createSchemaDatabase(dir), ktest::kCredentials);
    {
        kdb::Transaction tr(db);
        kdb::Query ins(db, tr);
        ins.setSql("insert into TB_CBO (CBO_COD, CBO_DESCR) values (:c, :d)");
        for (int i = 0; i < 2000; ++i) {
            char code[8];
            std::snprintf(code, sizeof code, "%06d", i);
            ins.setParam("c", code);
            ins.setParam("d", i % 250 == 249 ? "RARE" : "COMMON");
            ins.execute();
        }
        tr.commit();
        kdata::DataSet cbos(QStringLiteral("qryCbosGeral"), db, tr);
        cbos.setSql("select * from TB_CBO order by CBO_COD");
        // Set before the open: applied to the rows as they come.
        cbos.setFilter(QStringLiteral("CBO_DESCR = 'RARE'"));
        cbos.open();
        // A set with a visible row always shows one, however far it lies.
        ASSERT_EQ(cbos.recordCount(), 1u);
        EXPECT_EQ(cbos.currentText(QStringLiteral("CBO_COD")), QStringLiteral("000249"));
        EXPECT_FALSE(cbos.allFetched());

        kui::DataSetModel model(&cbos, {{QStringLiteral("CBO_COD"), {}, -1}});
        EXPECT_EQ(model.rowCount(), 1);
        EXPECT_TRUE(cbos.moveTo(4));
        EXPECT_EQ(cbos.currentText(QStringLiteral("CBO_COD")), QStringLiteral("001249"));
        EXPECT_EQ(model.rowCount(), 5);
        EXPECT_EQ(model.data(model.index(3, 0), Qt::DisplayRole).toString(), QStringLiteral("000999"));
        EXPECT_TRUE(cbos.last());
        EXPECT_EQ(cbos.recordCount(), 8u);
        EXPECT_EQ(model.rowCount(), 8);
        EXPECT_FALSE(cbos.moveTo(8));

        // None at all: an empty set, fetched to its end to know it.
        cbos.setFilter(QStringLiteral("CBO_DESCR = 'NONE'"));
        EXPECT_TRUE(cbos.isEmpty());
        EXPECT_EQ(cbos.currentRow(), -1);
        EXPECT_EQ(model.rowCount(), 0);

        // A field the new statement lacks: the error says so, no row is shown.
        cbos.close();
        cbos.setSql("select CBO_COD from TB_CBO");
        EXPECT_THROW(cbos.open(), kdb::Error);
        EXPECT_FALSE(cbos.isOpen());
        EXPECT_TRUE(cbos.isEmpty());
        cbos.setFilter({});
        cbos.open();
        EXPECT_FALSE(cbos.isEmpty());
    }
    db.close();
}

} // namespace
