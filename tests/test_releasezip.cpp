// A release read from its zip: the same rows as from its folder, names found
// whatever their case or folder, every kind of bad zip refused with the
// loaded release left as it was, a zip changed under a run, which release
// a zip or folder holds, and the real release the project ships.

#include "support/updaterun.h"
#include "support/zips.h"
#include "update/databasecreation.h"
#include "update/releaseinfo.h"
#include "update/releasezip.h"

#include <gtest/gtest.h>

#include <ctime>
#include <functional>

namespace fs = std::filesystem;

using namespace ktest::update;
using korvane::ZipMember;

namespace {

std::string upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The time_t of a local date and time, as a zip's member times are kept.
std::int64_t localTime(int year, int month, int day, int hour, int minute)
{
    std::tm tm {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

class ZipRelease : public UpdateRun {
protected:
    // A copy of the database holding A under a name of its own.
    std::string loadedCopy(const std::string& name)
    {
        const std::string to = dir.file(name);
        fs::copy_file(loadedA, to);
        return to;
    }
    std::string zipOf(const std::string& folder, const std::string& name)
    {
        const std::string zip = dir.file(name);
        korvane::packRelease(folder, zip);
        return zip;
    }
    std::string zipOf(const std::vector<ZipMember>& members, const std::string& name = "release.zip")
    {
        const std::string zip = dir.file(name);
        korvane::writeZip(zip, members);
        return zip;
    }
};

TEST_F(ZipRelease, LoadsTheSameRowsAsItsFolder)
{
    const std::string fromFolder = loadedCopy("folder.gdb");
    ASSERT_EQ(update(fromFolder, releaseB), "");
    const std::string fromZip = loadedCopy("zip.gdb");
    ASSERT_EQ(update(fromZip, zipOf(releaseB, "TabelaUnificada_202402_v2403011200.zip")), "");
    EXPECT_EQ(fingerprint(fromZip), fingerprint(fromFolder));
    EXPECT_EQ(scalar(fromZip, "select VERSAO from VERSAO"), "02/2024");
    EXPECT_NE(fingerprint(fromZip), *before);
}

// Upper-case names in a folder of the zip, layout files included: the 2025
// positions come from those layout files or the values would be wrong.
TEST_F(ZipRelease, FindsItsFilesWhateverTheirCaseAndFolder)
{
    const std::string folder =
        generate(dir.path() / "Y", 14, 0.02, "202504", korvane::ReleaseOptions::Layout::Y2025, true);
    std::vector<ZipMember> members = korvane::folderMembers(folder);
    for (ZipMember& m : members) m.name = "TabelaUnificada_202504/" + upper(m.name);
    members.push_back({"TabelaUnificada_202504/", "", true});
    const std::string fromFolder = loadedCopy("folder.gdb");
    ASSERT_EQ(update(fromFolder, folder), "");
    const std::string fromZip = loadedCopy("zip.gdb");
    const std::string zip = zipOf(members);
    ASSERT_EQ(update(fromZip, zip), "");
    EXPECT_EQ(fingerprint(fromZip), fingerprint(fromFolder));

    // Messages name the member as the zip does.
    const korvane::CheckedRelease checked = korvane::CheckedRelease::read(zip);
    EXPECT_EQ(checked.entries()[4].path, zip + "/TabelaUnificada_202504/TB_PROCEDIMENTO.TXT");
    EXPECT_EQ(checked.entries()[4].layout.layoutFilePath, zip + "/TabelaUnificada_202504/TB_PROCEDIMENTO_LAYOUT.TXT");
}

struct BadZip {
    const char* name;
    // Writes the zip from the members of release B; returns its path.
    std::function<std::string(const std::vector<ZipMember>& members, const fs::path& dir)> make;
    const char* says;
};

class RefusedZip : public ZipRelease, public ::testing::WithParamInterface<BadZip> {};

TEST_P(RefusedZip, LeavesTheLoadedReleaseAsItWas)
{
    const std::string zip = GetParam().make(korvane::folderMembers(releaseB), dir.path());
    bool touched = false;
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&](int) { touched = true; };
    const std::string error = update(loadedA, zip, nullptr, hooks);
    EXPECT_EQ(error.rfind("Arquivo \"" + zip + "\": ", 0), 0u) << error;
    EXPECT_NE(error.find(GetParam().says), std::string::npos) << error;
    EXPECT_FALSE(touched);
    EXPECT_EQ(fingerprint(loadedA), *before);
}

std::string written(const fs::path& dir, const std::vector<ZipMember>& members)
{
    const std::string zip = (dir / "bad.zip").string();
    korvane::writeZip(zip, members);
    return zip;
}

// One member stored as it is, so that a byte of it can be found and spoiled.
std::string withStoredMember(const fs::path& dir, std::vector<ZipMember> members, const std::string& name)
{
    for (ZipMember& m : members) m.stored = m.name == name;
    return written(dir, members);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, RefusedZip,
    ::testing::Values(
        BadZip{"MissingAFile",
               [](auto& m, auto& d) { return written(d, ktest::zips::without(m, "tb_grupo.txt")); },
               "falta o arquivo tb_grupo.txt"},
        BadZip{"MemberNotMatchingItsCrc",
               [](auto& m, auto& d) {
                   const std::string zip = withStoredMember(d, m, "tb_grupo.txt");
                   ktest::zips::flipFirst(zip, ktest::zips::member(m, "tb_grupo.txt").bytes.substr(0, 12));
                   return zip;
               },
               "tb_grupo.txt: o conteúdo não confere com o CRC"},
        BadZip{"DeflatedMemberNotMatchingItsCrc",
               [](auto& m, auto& d) {
                   const std::string zip = written(d, m);
                   ktest::zips::claimCrc(zip, "tb_grupo.txt", 0x12345678);
                   return zip;
               },
               "tb_grupo.txt: o conteúdo não confere com o CRC"},
        BadZip{"DeflatedMemberUndecodable",
               [](auto& m, auto& d) {
                   const std::string zip = written(d, m);
                   ktest::zips::spoilDeflated(zip, "rl_procedimento_cid.txt");
                   return zip;
               },
               "rl_procedimento_cid.txt: o zip está danificado ou incompleto"},
        BadZip{"DamagedMemberOutsideTheTables",
               [](auto& m, auto& d) {
                   std::vector<ZipMember> more = m;
                   more.push_back({"LEIA_ME.TXT", std::string(3000, 'x') + "fim", true});
                   const std::string zip = written(d, more);
                   ktest::zips::flipFirst(zip, "xxxxxxfim");
                   return zip;
               },
               "LEIA_ME.TXT: o conteúdo não confere com o CRC"},
        BadZip{"CutShort",
               [](auto& m, auto& d) {
                   const std::string zip = written(d, m);
                   const std::string bytes = ktest::zips::bytesOf(zip);
                   ktest::zips::writeBytes(zip, bytes.substr(0, bytes.size() / 2));
                   return zip;
               },
               "o zip está danificado ou incompleto"},
        BadZip{"MemberOver200MB",
               [](auto& m, auto& d) {
                   const std::string zip = written(d, m);
                   ktest::zips::claimSize(zip, "tb_descricao.txt", 201u << 20);
                   return zip;
               },
               "tb_descricao.txt teria 201 MB descompactado; o limite é 200 MB"},
        BadZip{"MemberHoldingMoreThanItClaims",
               [](auto& m, auto& d) {
                   const std::string zip = written(d, m);
                   ktest::zips::claimSize(zip, "tb_descricao.txt", 1000);
                   return zip;
               },
               "tb_descricao.txt: o zip está danificado ou incompleto"},
        BadZip{"ZipOfAnotherKind",
               [](auto&, auto& d) { return written(d, {{"foto.jpg", std::string(500, 'j')}, {"leia.txt", "oi"}}); },
               "não é uma versão da Tabela Unificada"},
        BadZip{"NotAZip",
               [](auto&, auto& d) {
                   const std::string path = (d / "TabelaUnificada_202402_v2403011200.zip").string();
                   ktest::zips::writeBytes(path, "isto não é um zip\r\n");
                   return path;
               },
               "não é um arquivo zip"}),
    [](const ::testing::TestParamInfo<BadZip>& info) { return std::string(info.param.name); });

// The run keeps the zip open and reads each member again at its step: a zip
// written over meanwhile stops the run, and the run is undone.
TEST_F(ZipRelease, ZipWrittenOverDuringTheRunStopsItAndIsUndone)
{
    const std::string zip = zipOf(releaseB, "b.zip");
    const std::string other = ktest::zips::bytesOf(zipOf(releaseA, "a.zip"));
    korvane::UpdateHooks hooks;
    hooks.beforeStep = [&](int step) {
        if (step == 1) ktest::zips::writeBytes(zip, other);
    };
    EXPECT_NE(update(loadedA, zip, nullptr, hooks), "");
    EXPECT_EQ(fingerprint(loadedA), *before);
}

TEST_F(ZipRelease, CreatesADatabaseAsItsFolderDoes)
{
    const korvane::CreationCounts fromFolder = korvane::createKorvaneDatabase(dir.file("f.gdb"), releaseB);
    const korvane::CreationCounts fromZip =
        korvane::createKorvaneDatabase(dir.file("z.gdb"), zipOf(releaseB, "b.zip"));
    EXPECT_GT(fromZip.cid, 0u);
    EXPECT_EQ(fromZip.cid, fromFolder.cid);
    EXPECT_EQ(fromZip.financiamento, fromFolder.financiamento);
    EXPECT_EQ(scalar(dir.file("z.gdb"), "select count(*) from TB_CID"), std::to_string(fromFolder.cid));
    EXPECT_THROW(korvane::createKorvaneDatabase(dir.file("x.gdb"),
                                                zipOf(ktest::zips::without(korvane::folderMembers(releaseB), "tb_cid.txt"))),
                 std::runtime_error);
    EXPECT_FALSE(fs::exists(dir.file("x.gdb")));
}

TEST(ReleaseName, IsReadFromDatasusNamesOnly)
{
    const auto name = korvane::parseReleaseName("/home/x/Downloads/TabelaUnificada_202606_v2606091427.zip");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->competencia, "202606");
    EXPECT_EQ(name->stamp, "2606091427");
    EXPECT_TRUE(korvane::parseReleaseName("TABELAUNIFICADA_202512_V2512011200.ZIP"));
    for (const char* other : {"TabelaUnificada_202613_v2606091427.zip", "TabelaUnificada_202606_v2613091427.zip",
                              "TabelaUnificada_202606_v26060914.zip", "TabelaUnificada_202606_v2606091427.zip.part",
                              "TabelaUnificada_202606_2606091427.zip", "Tabela_202606_v2606091427.zip", "", "a/b/"})
        EXPECT_FALSE(korvane::parseReleaseName(other)) << other;

    EXPECT_EQ(korvane::competenciaShown("202606"), "06/2026");
    EXPECT_EQ(korvane::competenciaOfVersao("06/2026"), "202606");
    EXPECT_EQ(korvane::competenciaOfVersao(" 06/2026 "), "202606");
    EXPECT_EQ(korvane::competenciaOfVersao("6/2026"), "");
    EXPECT_EQ(korvane::competenciaShown("2026"), "");
    EXPECT_EQ(korvane::publishedShown("2606091427"), "09/06/2026 14:27");
    EXPECT_EQ(korvane::publishedShown("26060914"), "");
}

// The name tells when there is one; otherwise the procedure file's
// competência and its time in the zip or the folder.
TEST_F(ZipRelease, TellsWhichReleaseItHolds)
{
    const std::int64_t when = localTime(2024, 3, 1, 12, 0);
    std::vector<ZipMember> members = korvane::folderMembers(releaseB);
    for (ZipMember& m : members) m.mtime = when;
    const korvane::ReleaseInfo named =
        korvane::describeRelease(korvane::ZipSource(zipOf(members, "TabelaUnificada_202402_v2403051730.zip")));
    EXPECT_EQ(named.competencia, "202402");
    EXPECT_EQ(named.published, "2403051730");
    EXPECT_TRUE(named.publishedFromName);

    const korvane::ReleaseInfo renamed = korvane::describeRelease(korvane::ZipSource(zipOf(members, "tabela.zip")));
    EXPECT_EQ(renamed.competencia, "202402");
    EXPECT_EQ(renamed.published, "2403011200");
    EXPECT_FALSE(renamed.publishedFromName);

    const std::string folder = copyOfB();
    fs::last_write_time(fs::path(folder) / "tb_procedimento.txt",
                        std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(when))));
    const korvane::ReleaseInfo inFolder = korvane::describeRelease(korvane::FolderSource(folder));
    EXPECT_EQ(inFolder.competencia, "202402");
    EXPECT_EQ(inFolder.published, "2403011200");

    fs::remove(fs::path(folder) / "tb_detalhe.txt");
    EXPECT_THROW(korvane::describeRelease(korvane::FolderSource(folder)), std::runtime_error);
    EXPECT_THROW(korvane::describeRelease(korvane::ZipSource(zipOf(ktest::zips::without(members, "tb_detalhe.txt")))),
                 std::runtime_error);
}

// The release the first start loads: real, whole, and what its name says.
TEST(ShippedRelease, LoadsWholeFromItsZip)
{
    const std::string zip = KORVANE_SOURCE_DIR "/data/TabelaUnificada_202606_v2606091427.zip";
    ktest::TempDir dir;
    const korvane::ReleaseInfo info = korvane::describeRelease(korvane::ZipSource(zip));
    EXPECT_EQ(info.competencia, "202606");
    EXPECT_EQ(info.published, "2606091427");
    const korvane::CheckedRelease checked = korvane::CheckedRelease::read(zip);
    const std::string db = dir.file("K.GDB");
    korvane::createKorvaneDatabase(db, zip);
    ASSERT_EQ(update(db, zip), "");
    EXPECT_EQ(scalar(db, "select VERSAO from VERSAO"), "06/2026");
    EXPECT_EQ(scalar(db, "select count(*) from TB_PROC"), std::to_string(checked.entries()[4].lines));
    EXPECT_GT(checked.entries()[4].lines, 4000u);
    EXPECT_EQ(scalar(db, "select PROC_DESCR from TB_PROC where PROC_COD = '0407020039'"), "APENDICECTOMIA");
    EXPECT_NE(scalar(db, "select count(*) from TB_CID"), "0");
    EXPECT_EQ(scalar(db, "select count(*) from TB_DESCRICOES"), std::to_string(checked.entries()[19].lines));
}

} // namespace
