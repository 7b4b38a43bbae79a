// The database layer against a real embedded database in a temporary folder.

#include "db/connection.h"
#include "db/error.h"
#include "db/params.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/tempdb.h"

#include <gtest/gtest.h>

using kdb::Decimal;
using kdb::Query;
using kdb::Transaction;
using kdb::Value;

namespace {

TEST(NamedParams, SameNameTwiceAndColonsInsideLiteralsAndComments)
{
    const auto p = kdb::parseNamedParams(
        "select ':nope', \"a:b\" from t -- :c\n where x = :Alpha and y = :alpha /* :d */ and z=:b_2$");
    EXPECT_EQ(p.positional, "select ':nope', \"a:b\" from t -- :c\n where x = ? and y = ? /* :d */ and z=?");
    ASSERT_EQ(p.names.size(), 3u);
    EXPECT_EQ(p.names[0], "ALPHA");
    EXPECT_EQ(p.names[1], "ALPHA");
    EXPECT_EQ(p.names[2], "B_2$");
}

TEST(NamedParams, DoubledQuoteStaysInsideLiteral)
{
    const auto p = kdb::parseNamedParams("where a = 'it''s :x' and b=:y");
    EXPECT_EQ(p.positional, "where a = 'it''s :x' and b=?");
    ASSERT_EQ(p.names.size(), 1u);
    EXPECT_EQ(p.names[0], "Y");
}

TEST(NamedParams, DoubledColonIsAnExecuteBlockVariable)
{
    const auto p = kdb::parseNamedParams("execute block (a integer = :a) as begin insert into t values (::a, '::b'); end");
    EXPECT_EQ(p.positional, "execute block (a integer = ?) as begin insert into t values (:a, '::b'); end");
    ASSERT_EQ(p.names.size(), 1u);
    EXPECT_EQ(p.names[0], "A");
}

TEST(DecimalValue, ParseRescaleAndPrint)
{
    EXPECT_EQ(Decimal::parse("0000012345")->units(), 12345);
    EXPECT_EQ(Decimal::parse("-1.50")->toString(), "-1.50");
    EXPECT_EQ(Decimal(5, 2).toString(), "0.05");
    EXPECT_EQ(Decimal(-5, 2).toString(), "-0.05");
    EXPECT_FALSE(Decimal::parse("").has_value());
    EXPECT_FALSE(Decimal::parse("1,5").has_value());
    EXPECT_FALSE(Decimal::parse("99999999999999999999").has_value());
    // Half away from zero when going down a scale.
    EXPECT_EQ(Decimal(12345, 4).rescaled(2).units(), 123);
    EXPECT_EQ(Decimal(12350, 4).rescaled(2).units(), 124);
    EXPECT_EQ(Decimal(-12350, 4).rescaled(2).units(), -124);
    EXPECT_TRUE(Decimal(120, 1) == Decimal(1200, 2));
    EXPECT_EQ((Decimal(150, 2) + Decimal(2, 0)).toString(), "3.50");
}

class DbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = ktest::createSchemaDatabase(dir);
        db.open(path, ktest::kCredentials);
        db.executeImmediate("create table T_VALUES (ID integer not null primary key, C4 char(4), V20 varchar(20), "
                            "M numeric(18,2), S smallint, B blob sub_type text)");
    }

    ktest::TempDir dir;
    std::string path;
    kdb::Connection db;
};

TEST_F(DbTest, NullsOfEveryTypeRoundTrip)
{
    Transaction tr(db);
    Query ins(db, tr);
    ins.setSql("insert into T_VALUES (ID, C4, V20, M, S, B) values (:id, :c, :v, :m, :s, :b)");
    ins.setParam("id", 1);
    for (const char* p : {"c", "v", "m", "s", "b"}) ins.setParam(p, Value());
    ins.execute();
    tr.commit();

    Query sel(db, tr);
    sel.setSql("select * from T_VALUES where ID = 1");
    sel.open();
    ASSERT_EQ(sel.rowCount(), 1u);
    for (const char* f : {"C4", "V20", "M", "S", "B"}) EXPECT_TRUE(sel.field(f).isNull()) << f;
    EXPECT_EQ(sel.field("id").asInteger(), 1);   // names are case-insensitive
}

TEST_F(DbTest, MoneyIsExactToTheLastDigit)
{
    Transaction tr(db);
    Query ins(db, tr);
    ins.setSql("insert into T_VALUES (ID, M) values (:id, :m)");
    const Decimal big = *Decimal::parse("1234567890123456.78");
    ins.setParam("id", 1);
    ins.setParam("m", big);
    ins.execute();
    ins.setParam("id", 2);
    ins.setParam("m", *Decimal::parse("-0.01"));
    ins.execute();
    ins.setParam("id", 3);
    ins.setParam("m", Decimal(12345, 4));   // more decimals than the column: the engine rounds
    ins.execute();

    Query sel(db, tr);
    sel.setSql("select M from T_VALUES order by ID");
    sel.open();
    sel.fetchAll();
    ASSERT_EQ(sel.rowCount(), 3u);
    EXPECT_EQ(sel.value(0, 0).kind(), Value::Kind::Fixed);
    EXPECT_EQ(sel.value(0, 0).asDecimal().toString(), "1234567890123456.78");
    EXPECT_EQ(sel.value(1, 0).asDecimal().toString(), "-0.01");
    EXPECT_EQ(sel.value(2, 0).asDecimal().toString(), "1.23");
}

TEST_F(DbTest, HighBytesRoundTripInCharVarcharAndBlob)
{
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b) high.push_back(static_cast<char>(b));
    std::string blob;
    for (int i = 0; i < 200000; ++i) blob.push_back(static_cast<char>(0x20 + i % 0xE0));

    Transaction tr(db);
    Query ins(db, tr);
    ins.setSql("insert into T_VALUES (ID, C4, V20, B) values (:id, :c, :v, :b)");
    for (std::size_t i = 0; i < high.size(); i += 4) {
        ins.setParam("id", static_cast<int>(i));
        ins.setParam("c", high.substr(i, 4));
        ins.setParam("v", high.substr(i, 20));
        ins.setParam("b", i == 0 ? blob : high);
        ins.execute();
    }
    tr.commit();

    Query sel(db, tr);
    sel.setSql("select ID, C4, V20, B from T_VALUES order by ID");
    sel.open();
    sel.fetchAll();
    ASSERT_EQ(sel.rowCount(), high.size() / 4);
    for (std::size_t r = 0; r < sel.rowCount(); ++r) {
        const std::size_t i = r * 4;
        EXPECT_EQ(sel.value(r, 1).asText(), high.substr(i, 4)) << r;
        EXPECT_EQ(sel.value(r, 2).asText(), high.substr(i, 20)) << r;
        EXPECT_EQ(sel.value(r, 3).asText(), i == 0 ? blob : high) << r;
    }
}

TEST_F(DbTest, CharIsPaddedToItsWidthAndNoFurther)
{
    Transaction tr(db);
    Query ins(db, tr);
    ins.setSql("insert into T_VALUES (ID, C4, V20) values (1, :c, :v)");
    ins.setParam("c", "AB");
    ins.setParam("v", "AB ");
    ins.execute();
    Query sel(db, tr);
    sel.setSql("select C4, V20, cast('x' as char(3)) as K from T_VALUES");
    sel.open();
    EXPECT_EQ(sel.field("C4").asText(), "AB  ");
    EXPECT_EQ(sel.field("V20").asText(), "AB ");
    EXPECT_EQ(sel.field("K").asText(), "x  ");
    // System tables hold multi-byte text; their names come back without the
    // extra padding of the byte width.
    Query sys(db, tr);
    sys.setSql("select rdb$relation_name from rdb$relations where rdb$relation_name = 'T_VALUES'");
    sys.open();
    EXPECT_EQ(sys.field(0).asText().size(), 31u);
}

TEST_F(DbTest, SameParameterTwiceAndLiteralColons)
{
    Transaction tr(db);
    Query sel(db, tr);
    sel.setSql("select ':a' as LIT, cast(:x as integer) + cast(:x as integer) as TWICE from rdb$database");
    ASSERT_EQ(sel.paramNames().size(), 1u);
    sel.setParam("X", 21);
    sel.open();
    EXPECT_EQ(sel.field("LIT").asText(), ":a");
    EXPECT_EQ(sel.field("TWICE").asInteger(), 42);
    EXPECT_THROW(sel.setParam("nope", 1), kdb::Error);
}

TEST_F(DbTest, ApostropheInBoundTextIsSearchedAsTyped)
{
    Transaction tr(db);
    Query ins(db, tr);
    ins.setSql("insert into T_VALUES (ID, V20) values (:id, :v)");
    ins.setParam("id", 1);
    ins.setParam("v", "D'AGUA");
    ins.execute();
    ins.setParam("id", 2);
    ins.setParam("v", "DAGUA");
    ins.execute();
    Query sel(db, tr);
    sel.setSql("select ID from T_VALUES where V20 containing :t");
    sel.setParam("t", "d'a");
    sel.open();
    sel.fetchAll();
    ASSERT_EQ(sel.rowCount(), 1u);
    EXPECT_EQ(sel.value(0, 0).asInteger(), 1);
}

TEST_F(DbTest, EngineErrorsCarryTheEngineText)
{
    Transaction tr(db);
    Query q(db, tr);
    q.setSql("select * from NO_SUCH_TABLE");
    try {
        q.open();
        FAIL() << "no error";
    } catch (const kdb::Error& e) {
        EXPECT_NE(std::string(e.what()).find("NO_SUCH_TABLE"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(q.isOpen());

    Query dup(db, tr);
    dup.setSql("insert into T_VALUES (ID) values (7)");
    dup.execute();
    try {
        dup.execute();
        FAIL() << "no error";
    } catch (const kdb::Error& e) {
        EXPECT_NE(std::string(e.what()).find("PRIMARY"), std::string::npos) << e.what();
    }
}

TEST_F(DbTest, ReadCommittedTransactionsSeeEachOthersCommits)
{
    Transaction writer(db);
    Transaction reader(db, Transaction::Access::ReadOnly);
    Query ins(db, writer);
    ins.setSql("insert into T_VALUES (ID) values (:id)");
    Query sel(db, reader);
    sel.setSql("select count(*) from T_VALUES");

    ins.setParam("id", 1);
    ins.execute();
    sel.open();
    EXPECT_EQ(sel.field(0).asInteger(), 0);   // not committed yet: not seen, and no waiting

    writer.commitRetaining();
    sel.open();
    EXPECT_EQ(sel.field(0).asInteger(), 1);

    ins.setParam("id", 2);
    ins.execute();
    writer.rollback();
    sel.open();
    EXPECT_EQ(sel.field(0).asInteger(), 1);
}

TEST_F(DbTest, CommitClosesResultsButCommitRetainingKeepsThem)
{
    Transaction tr(db);
    Query ins(db, tr);
    ins.setSql("insert into T_VALUES (ID) values (:id)");
    for (int i = 0; i < 10; ++i) {
        ins.setParam("id", i);
        ins.execute();
    }
    Query sel(db, tr);
    sel.setSql("select ID from T_VALUES order by ID");
    sel.open();
    tr.commitRetaining();
    EXPECT_TRUE(sel.isOpen());
    EXPECT_TRUE(sel.last());
    EXPECT_EQ(sel.rowCount(), 10u);
    tr.commit();
    EXPECT_FALSE(sel.isOpen());
    EXPECT_EQ(sel.rowCount(), 0u);
}

TEST_F(DbTest, RowsAreFetchedOnDemandAndNavigationFollows)
{
    Transaction tr(db);
    Query ins(db, tr);
    ins.setSql("insert into T_VALUES (ID) values (:id)");
    for (int i = 1; i <= 100; ++i) {
        ins.setParam("id", i);
        ins.execute();
    }
    Query sel(db, tr);
    sel.setSql("select ID from T_VALUES order by ID");
    sel.open();
    EXPECT_EQ(sel.rowCount(), 1u);   // the first row only
    EXPECT_EQ(sel.current(), 0);
    EXPECT_FALSE(sel.allFetched());
    EXPECT_TRUE(sel.moveTo(49));
    EXPECT_EQ(sel.field("ID").asInteger(), 50);
    EXPECT_TRUE(sel.last());
    EXPECT_EQ(sel.rowCount(), 100u);
    EXPECT_TRUE(sel.atEnd());
    EXPECT_FALSE(sel.next());
    EXPECT_TRUE(sel.first());
    EXPECT_FALSE(sel.prior());
    EXPECT_EQ(sel.field("ID").asInteger(), 1);

    Query none(db, tr);
    none.setSql("select ID from T_VALUES where ID < 0");
    none.open();
    EXPECT_TRUE(none.isOpen());
    EXPECT_EQ(none.rowCount(), 0u);
    EXPECT_EQ(none.current(), -1);
    EXPECT_TRUE(none.field("ID").isNull());
    EXPECT_THROW(none.field("NOPE"), kdb::Error);
}

TEST_F(DbTest, StreamingHandsEveryRowOnceAndStopsWhenTold)
{
    Transaction tr(db);
    Query ins(db, tr);
    // An execute block writes many rows in one statement; its body names
    // its own parameters with the doubled colon.
    std::string params, body;
    for (int i = 1; i <= 40; ++i) {
        const std::string n = std::to_string(i);
        params += (i > 1 ? ", " : "") + std::string("I") + n + " integer = :I" + n + ", V" + n + " varchar(20) = :V" + n;
        body += "insert into T_VALUES (ID, V20) values (::I" + n + ", ::V" + n + "); ";
    }
    ins.setSql("execute block (" + params + ") as begin " + body + "end");
    for (int i = 1; i <= 40; ++i) {
        ins.setParam("I" + std::to_string(i), i);
        ins.setParam("V" + std::to_string(i), i % 7 == 0 ? Value() : Value("v" + std::to_string(i)));
    }
    ins.execute();

    Query q(db, tr);
    q.setSql("select ID, V20 from T_VALUES where ID >= :lo order by ID");
    q.setParam("lo", 3);
    std::vector<std::string> seen;
    EXPECT_EQ(q.stream([&](const std::vector<Value>& row) {
                  seen.push_back(std::to_string(row[0].asInteger()) + (row[1].isNull() ? "~" : row[1].asText()));
                  return true;
              }),
              38u);
    ASSERT_EQ(seen.size(), 38u);
    EXPECT_EQ(seen.front(), "3v3");
    EXPECT_EQ(seen[4], "7~");
    EXPECT_EQ(seen.back(), "40v40");
    EXPECT_FALSE(q.isOpen());
    // Stopped early, then run again with another parameter: the statement
    // is whole for the next use.
    std::size_t calls = 0;
    EXPECT_EQ(q.stream([&](const std::vector<Value>&) { return ++calls < 5; }), 5u);
    q.setParam("lo", 39);
    EXPECT_EQ(q.stream([](const std::vector<Value>&) { return true; }), 2u);
    q.open();
    EXPECT_EQ(q.field(std::size_t{0}).asInteger(), 39);
}

TEST_F(DbTest, ReplacingTheTextKeepsValuesOfNamesThatStay)
{
    Transaction tr(db);
    Query q(db, tr);
    q.setSql("select cast(:a as integer) as A from rdb$database");
    q.setParam("a", 5);
    q.setSql("select cast(:a as integer) + 1 as A, cast(:b as integer) as B from rdb$database");
    EXPECT_EQ(q.param("a").asInteger(), 5);
    EXPECT_TRUE(q.param("b").isNull());
    q.open();
    EXPECT_EQ(q.field("A").asInteger(), 6);
}

TEST_F(DbTest, OneStatementRunAgainAndAgainTakesEachRunsValuesWhateverTheirShape)
{
    // The message is laid out again when a value changes its shape (a
    // longer text, a null, a number where text was): every run must still
    // put each value where the engine reads it.
    Transaction tr(db);
    Query ins(db, tr);
    ins.setSql("insert into T_VALUES (ID, C4, V20, M, S) values (:id, :c, :v, :m, :s)");
    struct Row {
        int id;
        Value c, v, m, s;
    };
    const std::vector<Row> rows = {
        {1, Value("A"), Value("short"), Value(Decimal(150, 2)), Value(7)},
        {2, Value("ABCD"), Value("a text of twenty ch."), Value(Decimal(1, 0)), Value(8)},
        {3, Value(), Value("x"), Value(), Value(9)},
        {4, Value("Z"), Value(), Value(Decimal(-12345, 2)), Value()},
        {5, Value("Q"), Value(std::int64_t{42}), Value(Decimal(5, 1)), Value(10)},
    };
    for (const Row& r : rows) {
        ins.setParam("id", r.id);
        ins.setParam("c", r.c);
        ins.setParam("v", r.v);
        ins.setParam("m", r.m);
        ins.setParam("s", r.s);
        if (r.id % 2) ins.run();
        else EXPECT_EQ(ins.execute(), 1u);
    }
    Query upd(db, tr);
    upd.setSql("update T_VALUES set S = coalesce(S, 0) + 1 where ID >= :from");
    upd.setParam("from", 3);
    EXPECT_EQ(upd.execute(), 3u);
    // Another statement in the same query: fewer parameters, other types.
    upd.setSql("delete from T_VALUES where C4 = :c");
    upd.setParam("c", "Q");
    EXPECT_EQ(upd.execute(), 1u);
    tr.commit();

    Query sel(db, tr);
    sel.setSql("select ID, C4, V20, M, S from T_VALUES order by ID");
    sel.open();
    std::vector<std::string> got;
    for (std::size_t i = 0; sel.moveTo(i); ++i) {
        std::string line;
        for (const char* f : {"ID", "C4", "V20", "M", "S"})
            line += (sel.field(f).isNull() ? std::string("-") : sel.field(f).toString()) + "|";
        got.push_back(line);
    }
    EXPECT_EQ(got, (std::vector<std::string>{"1|A   |short|1.50|7|", "2|ABCD|a text of twenty ch.|1.00|8|",
                                             "3|-|x|-|10|", "4|Z   |-|-123.45|1|"}));
}

TEST_F(DbTest, ClosingTheConnectionClosesEverythingOnIt)
{
    Transaction tr(db);
    Query q(db, tr);
    q.setSql("select * from rdb$relations");
    q.open();
    db.close();
    EXPECT_FALSE(q.isOpen());
    EXPECT_FALSE(tr.active());
    EXPECT_THROW(q.open(), kdb::Error);
    // And it can be opened again.
    db.open(path, ktest::kCredentials);
    q.open();
    EXPECT_GT(q.rowCount(), 0u);
}

TEST(DbOpen, MissingFileGivesTheEngineText)
{
    ktest::TempDir dir;
    kdb::Connection c;
    try {
        c.open(dir.file("missing.gdb"), ktest::kCredentials);
        FAIL() << "opened a missing file";
    } catch (const kdb::Error& e) {
        EXPECT_NE(std::string(e.what()).find("missing.gdb"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(c.isOpen());
}

} // namespace
