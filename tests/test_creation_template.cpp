// A new database starts as a copy of the empty one the build made: it must
// be the database the schema makes, every definition and setting the same,
// the template itself untouched; a template this engine cannot open, or
// none, leaves the schema to make it.

#include "db/connection.h"
#include "db/query.h"
#include "db/transaction.h"
#include "support/tempdb.h"
#include "update/databasecreation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<std::string> rowsOf(kdb::Connection& db, kdb::Transaction& tr, const std::string& sql)
{
    kdb::Query q(db, tr);
    q.setSql(sql);
    std::vector<std::string> out;
    q.stream([&](const std::vector<kdb::Value>& row) {
        std::string line;
        for (const kdb::Value& v : row) line += (v.isNull() ? std::string("<null>") : v.toString()) + "|";
        out.push_back(std::move(line));
        return true;
    });
    return out;
}

// Every user definition and the settings a database was made with, in a
// fixed order, with the rows of the tables that come with the file.
std::vector<std::string> catalogue(const std::string& path)
{
    kdb::Connection db;
    db.open(path, ktest::kCredentials);
    std::vector<std::string> all;
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    const char* queries[] = {
        "select mon$page_size, mon$ods_major, mon$ods_minor, mon$sql_dialect, mon$forced_writes, mon$read_only, "
        "mon$sweep_interval from mon$database",
        "select rdb$character_set_name from rdb$database",
        "select trim(rdb$relation_name), rdb$relation_type, rdb$view_source from rdb$relations "
        "where coalesce(rdb$system_flag, 0) = 0 order by 1",
        "select trim(r.rdb$relation_name), trim(r.rdb$field_name), r.rdb$field_position, r.rdb$null_flag, "
        "f.rdb$field_type, f.rdb$field_length, f.rdb$field_scale, f.rdb$character_set_id, r.rdb$default_source "
        "from rdb$relation_fields r join rdb$fields f on f.rdb$field_name = r.rdb$field_source "
        "where coalesce(r.rdb$system_flag, 0) = 0 order by 1, 2",
        "select trim(i.rdb$index_name), trim(i.rdb$relation_name), i.rdb$unique_flag, i.rdb$index_inactive, "
        "i.rdb$index_type, (select list(trim(s.rdb$field_name)) from rdb$index_segments s "
        "where s.rdb$index_name = i.rdb$index_name) from rdb$indices i where coalesce(i.rdb$system_flag, 0) = 0 "
        "order by 1",
        "select trim(rdb$trigger_name), trim(rdb$relation_name), rdb$trigger_type, rdb$trigger_inactive, "
        "rdb$trigger_source from rdb$triggers where coalesce(rdb$system_flag, 0) = 0 order by 1",
        "select trim(rdb$function_name), rdb$function_source from rdb$functions "
        "where coalesce(rdb$system_flag, 0) = 0 order by 1",
        "select trim(rdb$procedure_name), rdb$procedure_source from rdb$procedures "
        "where coalesce(rdb$system_flag, 0) = 0 order by 1",
        "select trim(rdb$generator_name), gen_id(HIST_SEQ, 0) from rdb$generators "
        "where coalesce(rdb$system_flag, 0) = 0 order by 1",
        "select trim(rdb$constraint_name), rdb$constraint_type, trim(rdb$relation_name), trim(rdb$index_name) "
        "from rdb$relation_constraints where rdb$relation_name not starting with 'RDB$' "
        "and rdb$relation_name not starting with 'MON$' and rdb$relation_name not starting with 'SEC$' order by 1",
        "select * from TB_CID order by CID_COD",
        "select * from TB_FINANCIAMENTO order by FINANC_COD",
        "select count(*) from HIST_RELEASE",
    };
    for (const char* sql : queries) {
        all.push_back(std::string("-- ") + sql);
        for (std::string& row : rowsOf(db, tr, sql)) all.push_back(std::move(row));
    }
    tr.commit();
    db.close();
    return all;
}

std::string bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CreationTemplate : public ::testing::Test {
protected:
    void SetUp() override
    {
        release = dir.path() / "release";
        fs::create_directory(release);
        std::string cid = "A00 C\xF3lera";
        cid.resize(104, ' ');
        ktest::writeFile(release / "tb_cid.txt", cid + "2IN0000\r\n");
        std::string financ = "06M\xE9" "dia e Alta Complexidade (MAC)";
        financ.resize(102, ' ');
        ktest::writeFile(release / "tb_financiamento.txt", financ + "202206\r\n");
        templatePath = dir.file("TEMPLATE.GDB");
        korvane::makeTemplateDatabase(templatePath);
    }

    ktest::TempDir dir;
    fs::path release;
    std::string templatePath;
};

TEST_F(CreationTemplate, ACopyOfTheTemplateIsTheDatabaseTheSchemaMakes)
{
    const std::string before = bytesOf(templatePath);
    const std::string fromSchema = dir.file("SCHEMA.GDB"), fromCopy = dir.file("COPY.GDB");
    korvane::createKorvaneDatabase(fromSchema, release.string(), "");
    const auto counts = korvane::createKorvaneDatabase(fromCopy, release.string(), templatePath);
    EXPECT_EQ(counts.cid, 1u);
    EXPECT_EQ(counts.financiamento, 1u);
    const std::vector<std::string> made = catalogue(fromSchema);
    EXPECT_GT(made.size(), 1000u);
    EXPECT_EQ(catalogue(fromCopy), made);
    // The copy is its own file; the template stays as the build left it.
    EXPECT_EQ(bytesOf(templatePath), before);
    EXPECT_NE(fs::status(fromCopy).permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(CreationTemplate, TheBuildsTemplateIsTheOneThisCodeMakes)
{
    // A template left from an earlier build of the schema would give new
    // databases the earlier definitions.
    const std::string built = korvane::configuredTemplate();
    ASSERT_FALSE(built.empty());
    ASSERT_TRUE(fs::exists(built)) << built;
    const std::string fromBuilt = dir.file("BUILT.GDB"), fromSchema = dir.file("SCHEMA.GDB");
    korvane::createKorvaneDatabase(fromBuilt, release.string());
    korvane::createKorvaneDatabase(fromSchema, release.string(), "");
    EXPECT_EQ(catalogue(fromBuilt), catalogue(fromSchema));
}

TEST_F(CreationTemplate, ATemplateTheEngineCannotOpenLeavesTheSchemaToMakeIt)
{
    const std::string broken = dir.file("BROKEN.GDB");
    ktest::writeFile(broken, std::string(16384, 'x'));
    const std::string fromBroken = dir.file("A.GDB"), fromSchema = dir.file("B.GDB");
    korvane::createKorvaneDatabase(fromBroken, release.string(), broken);
    korvane::createKorvaneDatabase(fromSchema, release.string(), "");
    EXPECT_EQ(catalogue(fromBroken), catalogue(fromSchema));
    // None at the path named: the same.
    const std::string fromNone = dir.file("C.GDB");
    korvane::createKorvaneDatabase(fromNone, release.string(), dir.file("NONE.GDB"));
    EXPECT_EQ(catalogue(fromNone), catalogue(fromSchema));
}

TEST_F(CreationTemplate, AnExistingFileIsNeverCopiedOver)
{
    const std::string path = dir.file("K.GDB");
    ktest::writeFile(path, "not a database");
    EXPECT_THROW(korvane::createKorvaneDatabase(path, release.string(), templatePath), std::runtime_error);
    EXPECT_EQ(bytesOf(path), "not a database");
    EXPECT_THROW(korvane::makeTemplateDatabase(path), std::runtime_error);
    EXPECT_EQ(bytesOf(path), "not a database");
}

} // namespace
