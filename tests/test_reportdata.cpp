// The data behind the printed reports: the list statement from the lookups'
// states, the packing of codes into rows, the sheet's calculated fields.

#include "model/limits.h"
#include "model/reportdata.h"
#include "data/memorytable.h"

#include <gtest/gtest.h>

namespace {

using korvane::ListOrder;

TEST(ListStatement, EachLevelThatFiltersAddsItsCondition)
{
    EXPECT_EQ(korvane::procedureListSql({}, ListOrder::ByDescription),
              "select * from tb_proc where proc_cod<>'' order by proc_descr");
    EXPECT_EQ(korvane::procedureListSql({"03", "", ""}, ListOrder::ByCode),
              "select * from tb_proc where proc_cod<>'' and substring(proc_cod from 1 for 2)='03' order by proc_cod");
    EXPECT_EQ(korvane::procedureListSql({"03", "01", ""}, ListOrder::ByDescription),
              "select * from tb_proc where proc_cod<>'' and substring(proc_cod from 1 for 2)='03' and "
              "substring(proc_cod from 3 for 2)='01' order by proc_descr");
    EXPECT_EQ(korvane::procedureListSql({"03", "01", "06"}, ListOrder::ByCode),
              "select * from tb_proc where proc_cod<>'' and substring(proc_cod from 1 for 2)='03' and "
              "substring(proc_cod from 3 for 2)='01' and substring(proc_cod from 5 for 2)='06' order by proc_cod");
}

TEST(ListStatement, TheFilterAcceptsTheCodesOfItsBranch)
{
    const korvane::HierarchyFilter f{"03", "01", ""};
    EXPECT_TRUE(f.accepts("0301010072"));
    EXPECT_FALSE(f.accepts("0302010072"));
    EXPECT_FALSE(f.accepts("0401010072"));
    EXPECT_TRUE(korvane::HierarchyFilter{}.accepts("X"));
}

// A source of n codes "C1", "C2", ... in a memory table of one column.
std::unique_ptr<kdata::MemoryTable> codes(int n)
{
    auto t = std::make_unique<kdata::MemoryTable>(QStringLiteral("src"), std::vector<kdata::MemoryTable::ColumnDef>{{"CODE", 6}});
    t->createDataSet();
    for (int i = 1; i <= n; ++i) {
        t->append();
        t->set(QStringLiteral("CODE"), kdb::Value("C" + std::to_string(i)));
        t->post();
    }
    return t;
}

kdata::MemoryTable packed(const std::vector<QString>& columns)
{
    std::vector<kdata::MemoryTable::ColumnDef> defs;
    for (const QString& c : columns) defs.push_back({c, 4});
    return kdata::MemoryTable(QStringLiteral("cds"), defs);
}

TEST(Packing, CidCodesGoEighteenToARowSkippingCid13)
{
    const auto columns = korvane::cid10Columns();
    ASSERT_EQ(columns.size(), 18u);
    EXPECT_EQ(columns[11], QStringLiteral("cid12"));
    EXPECT_EQ(columns[12], QStringLiteral("cid14"));
    EXPECT_EQ(columns[17], QStringLiteral("cid19"));
    for (const auto& [n, rows] : std::vector<std::pair<int, std::size_t>>{{0, 0}, {18, 1}, {19, 2}, {37, 3}}) {
        auto src = codes(n);
        src->first();
        auto table = packed(columns);
        korvane::packCodes(*src, QStringLiteral("CODE"), table);
        ASSERT_EQ(table.recordCount(), rows) << n;
        EXPECT_EQ(table.currentRow(), rows ? 0 : -1);
        if (n == 18) {
            EXPECT_EQ(table.value(0, QStringLiteral("cid12")).toString(), "C12");
            EXPECT_EQ(table.value(0, QStringLiteral("cid14")).toString(), "C13");
            EXPECT_EQ(table.value(0, QStringLiteral("cid15")).toString(), "C14");
            EXPECT_EQ(table.value(0, QStringLiteral("cid19")).toString(), "C18");
        }
        if (n == 19) {
            EXPECT_EQ(table.value(1, QStringLiteral("cid")).toString(), "C19");
            EXPECT_TRUE(table.value(1, QStringLiteral("cid2")).isNull());
        }
        if (n == 37) {
            EXPECT_EQ(table.value(2, QStringLiteral("cid")).toString(), "C37");
        }
        EXPECT_EQ(src->currentRow(), n ? 0 : -1) << "source back on its first row";
    }
}

TEST(Packing, CboCodesGoFourteenToARow)
{
    for (const auto& [n, rows] : std::vector<std::pair<int, std::size_t>>{{14, 1}, {15, 2}}) {
        auto src = codes(n);
        auto table = packed(korvane::cboColumns());
        korvane::packCodes(*src, QStringLiteral("CODE"), table);
        ASSERT_EQ(table.recordCount(), rows);
        EXPECT_EQ(table.value(0, QStringLiteral("cbo14")).toString(), "C14");
        if (n == 15) {
            EXPECT_EQ(table.value(1, QStringLiteral("cbo1")).toString(), "C15");
            EXPECT_TRUE(table.value(1, QStringLiteral("cbo2")).isNull());
        }
    }
    // Packing again replaces what was there.
    auto table = packed(korvane::cboColumns());
    korvane::packCodes(*codes(15), QStringLiteral("CODE"), table);
    korvane::packCodes(*codes(3), QStringLiteral("CODE"), table);
    EXPECT_EQ(table.recordCount(), 1u);
}

TEST(AgeLimits, AreShownAsTheReleaseMeansThem)
{
    using korvane::ageShown;
    const kdb::Value none;
    EXPECT_EQ(ageShown(kdb::Value(9999), kdb::Value(833)), QStringLiteral("—"));   // no limit
    EXPECT_EQ(ageShown(kdb::Value(0), kdb::Value(0)), QStringLiteral("0 meses"));
    EXPECT_EQ(ageShown(kdb::Value(1), kdb::Value(0)), QStringLiteral("1 mês"));
    EXPECT_EQ(ageShown(kdb::Value(6), kdb::Value(1)), QStringLiteral("6 meses"));   // not the 1 year it was rounded to
    EXPECT_EQ(ageShown(kdb::Value(12), kdb::Value(1)), QStringLiteral("1 ano"));
    EXPECT_EQ(ageShown(kdb::Value(18), kdb::Value(2)), QStringLiteral("1 ano e 6 meses"));
    EXPECT_EQ(ageShown(kdb::Value(25), kdb::Value(2)), QStringLiteral("2 anos e 1 mês"));
    EXPECT_EQ(ageShown(kdb::Value(1571), kdb::Value(131)), QStringLiteral("130 anos e 11 meses"));
    EXPECT_EQ(ageShown(kdb::Value(1560), kdb::Value(130)), QStringLiteral("130 anos"));
    // A database loaded before the months were kept: the years it has.
    EXPECT_EQ(ageShown(none, kdb::Value(13)), QStringLiteral("13 anos"));
    EXPECT_EQ(ageShown(none, kdb::Value(1)), QStringLiteral("1 ano"));
    EXPECT_EQ(ageShown(none, kdb::Value(833)), QStringLiteral("—"));
    EXPECT_EQ(ageShown(none, none), QString());
}

TEST(SheetFields, ComplexityAndTotal)
{
    EXPECT_EQ(korvane::complexidade(kdb::Value("3")), "ALTA COMPLEXIDADE");
    EXPECT_EQ(korvane::complexidade(kdb::Value("3 ")), "ALTA COMPLEXIDADE");
    EXPECT_EQ(korvane::complexidade(kdb::Value("2")), "M\xC9" "DIA COMPLEXIDADE");
    EXPECT_EQ(korvane::complexidade(kdb::Value("1")), "ATEN\xC7\xC3O B\xC1SICA");
    EXPECT_EQ(korvane::complexidade(kdb::Value("0")), "N\xC3O SE APLICA");
    for (const char* c : {" ", "4", "A", "31"}) EXPECT_EQ(korvane::complexidade(kdb::Value(c)), "") << c;
    EXPECT_EQ(korvane::complexidade(kdb::Value()), "");
    // SA never enters the sheet's total.
    EXPECT_EQ(korvane::totalShSpSheet(kdb::Decimal(0, 2), kdb::Decimal(550, 2)).toString(), "5.50");
    EXPECT_EQ(korvane::totalShSpSheet(kdb::Value(), kdb::Value()).toString(), "0.00");
    // The largest values the columns hold add up exactly.
    EXPECT_EQ(korvane::totalShSpSheet(*kdb::Decimal::parse("9999999999999999.99"),
                                      *kdb::Decimal::parse("9999999999999999.99"))
                  .toString(),
              "19999999999999999.98");
}

} // namespace
