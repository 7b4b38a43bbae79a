// Fetching releases: the listing read and the release chosen, then real
// transfers from an FTP (and an HTTP) server on 127.0.0.1 serving generated
// release zips: the newest chosen and fetched once, a newer publication
// fetched again, a transfer the server drops resumed, damaged zips refused,
// every failure said, and korvane-cli download end to end.

#include "support/releaseserver.h"
#include "support/tempdb.h"
#include "support/updaterun.h"
#include "support/zips.h"
#include "update/download.h"
#include "update/releaselist.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace fs = std::filesystem;

namespace {

using korvane::PublishedRelease;

TEST(ReleaseList, ReadsTheNamesOfEveryKindOfListing)
{
    const std::string names = "TabelaUnificada_202605_v2605210940.zip\r\n"
                              "TabelaUnificada_202606_v2606091427.zip\r\nLEIAME.txt\r\n";
    const std::string longList =
        "-rw-r--r--   1 ftp ftp  2141359 Jun 09 14:27 TabelaUnificada_202606_v2606091427.zip\r\n"
        "drwxr-xr-x   2 ftp ftp     4096 Jan 01  2020 antigas\r\n";
    const std::string html =
        "<html><body><a href=\"TabelaUnificada_202605_v2605210940.zip\">TabelaUnificada_202605_v2605210940.zip</a>"
        "<a href=\"/pub/TabelaUnificada_202606_v2606091427.zip\">baixar</a>"
        "<a href=\"TabelaUnificada_202606_v2606091427.zip.md5\">md5</a>"
        "<a href=\"XTabelaUnificada_202607_v2607011200.zip\">x</a>"
        "<a href=\"TabelaUnificada_202613_v2607011200.zip\">mês 13</a></body></html>";
    const std::vector<PublishedRelease> fromNames = korvane::publishedReleases(names);
    ASSERT_EQ(fromNames.size(), 2u);
    EXPECT_EQ(fromNames[0], (PublishedRelease{"TabelaUnificada_202605_v2605210940.zip", "202605", "2605210940"}));
    EXPECT_EQ(fromNames[1].competencia, "202606");
    EXPECT_EQ(korvane::publishedReleases(longList).size(), 1u);
    const std::vector<PublishedRelease> fromHtml = korvane::publishedReleases(html);
    ASSERT_EQ(fromHtml.size(), 2u);   // each once; the checksum, the longer name and month 13 are not releases
    EXPECT_EQ(fromHtml[1].name, "TabelaUnificada_202606_v2606091427.zip");
    EXPECT_TRUE(korvane::publishedReleases("").empty());
}

TEST(ReleaseList, ChoosesTheNewestCompetenciaAndItsLatestPublication)
{
    const std::vector<PublishedRelease> listed = korvane::publishedReleases(
        "TabelaUnificada_202605_v2606020800.zip TabelaUnificada_202512_v2512150900.zip "
        "TabelaUnificada_202605_v2605210940.zip TabelaUnificada_202604_v2607011000.zip");
    EXPECT_EQ(korvane::chooseRelease(listed)->name, "TabelaUnificada_202605_v2606020800.zip");
    EXPECT_EQ(korvane::chooseRelease(listed, "202512")->name, "TabelaUnificada_202512_v2512150900.zip");
    EXPECT_FALSE(korvane::chooseRelease(listed, "202606"));
    EXPECT_FALSE(korvane::chooseRelease({}));
}

// Two generated releases as zips, made once; each test serves copies of them
// under DATASUS names from a folder of its own.
class Download : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        shared = new ktest::TempDir;
        for (auto [seed, competencia] : {std::pair{31, "202603"}, std::pair{32, "202605"}}) {
            const fs::path folder = shared->path() / competencia;
            ktest::update::generate(folder, static_cast<std::uint64_t>(seed), 0.05, competencia);
            korvane::packRelease(folder.string(), (shared->path() / (std::string(competencia) + ".zip")).string());
        }
    }
    static void TearDownTestSuite() { delete shared; }

    void SetUp() override { fs::create_directories(root); }

    // Serves the release of a competência under the name given.
    fs::path serve(const std::string& competencia, const std::string& name)
    {
        fs::copy_file(shared->path() / (competencia + ".zip"), root / name);
        return root / name;
    }
    static std::string bytesOf(const fs::path& p) { return ktest::zips::bytesOf(p); }

    korvane::DownloadOptions options(const ktest::ReleaseServer& server)
    {
        korvane::DownloadOptions o;
        o.address = server.url();
        o.folder = (dir.path() / "releases").string();
        o.stallSeconds = 5;
        return o;
    }

    ktest::TempDir dir;
    const fs::path root = dir.path() / "served";
    korvane::DownloadProgress progress;
    inline static ktest::TempDir* shared = nullptr;
};

#define START_SERVER(server, ...)                                                            \
    ktest::ReleaseServer server(__VA_ARGS__);                                                \
    if (!server.started()) GTEST_SKIP() << "no python3 here to serve releases (python3-pyftpdlib)"

using Protocol = ktest::ReleaseServer::Protocol;

TEST_F(Download, FetchesTheNewestOnceAndANewerPublicationAgain)
{
    serve("202603", "TabelaUnificada_202603_v2603101200.zip");
    serve("202605", "TabelaUnificada_202605_v2605011000.zip");
    const fs::path newest = serve("202605", "TabelaUnificada_202605_v2605201500.zip");
    START_SERVER(server, Protocol::Ftp, root, dir.path());
    const korvane::DownloadOptions o = options(server);

    const korvane::DownloadResult first = korvane::downloadRelease(o, progress);
    EXPECT_TRUE(first.fetched);
    EXPECT_EQ(first.release.name, newest.filename().string());
    EXPECT_EQ(first.path, (fs::path(o.folder) / newest.filename()).string());
    EXPECT_EQ(bytesOf(first.path), bytesOf(newest));
    EXPECT_FALSE(fs::exists(first.path + ".part"));
    EXPECT_EQ(progress.done.load(), static_cast<std::int64_t>(fs::file_size(newest)));
    EXPECT_EQ(progress.total.load(), progress.done.load());
    EXPECT_EQ(progress.phase.load(), korvane::DownloadProgress::Done);

    const korvane::DownloadResult again = korvane::downloadRelease(o, progress);
    EXPECT_FALSE(again.fetched);
    EXPECT_EQ(again.path, first.path);
    EXPECT_EQ(server.count("RETR "), 1u);

    // A later stamp of the same competência is another release.
    const fs::path republished = serve("202605", "TabelaUnificada_202605_v2606011200.zip");
    const korvane::DownloadResult later = korvane::downloadRelease(o, progress);
    EXPECT_TRUE(later.fetched);
    EXPECT_EQ(later.release.name, republished.filename().string());
    EXPECT_TRUE(fs::exists(first.path));
    EXPECT_EQ(server.count("RETR "), 2u);
}

TEST_F(Download, FetchesTheCompetenciaAskedFor)
{
    const fs::path march = serve("202603", "TabelaUnificada_202603_v2603101200.zip");
    serve("202605", "TabelaUnificada_202605_v2605011000.zip");
    START_SERVER(server, Protocol::Ftp, root, dir.path());
    korvane::DownloadOptions o = options(server);
    o.competencia = "202603";
    EXPECT_EQ(bytesOf(korvane::downloadRelease(o, progress).path), bytesOf(march));
    o.competencia = "202612";
    try {
        korvane::downloadRelease(o, progress);
        ADD_FAILURE() << "12/2026 is not served";
    } catch (const korvane::DownloadError& e) {
        EXPECT_EQ(std::string(e.what()), "A competência 12/2026 não está em " + server.url());
    }
}

// The server closes both connections after 60000 bytes of the first
// transfer; the download reconnects and asks for the rest only.
TEST_F(Download, ResumesATransferTheServerDropped)
{
    const fs::path zip = serve("202605", "TabelaUnificada_202605_v2605011000.zip");
    ASSERT_GT(fs::file_size(zip), 120000u);
    START_SERVER(server, Protocol::Ftp, root, dir.path(), 60000);
    const korvane::DownloadResult r = korvane::downloadRelease(options(server), progress);
    EXPECT_EQ(bytesOf(r.path), bytesOf(zip));
    EXPECT_EQ(server.count("RETR "), 2u);
    EXPECT_EQ(server.count("REST 60000"), 1u);
}

TEST_F(Download, ContinuesWhatAnEarlierRunLeft)
{
    const fs::path zip = serve("202605", "TabelaUnificada_202605_v2605011000.zip");
    START_SERVER(server, Protocol::Ftp, root, dir.path());
    const korvane::DownloadOptions o = options(server);
    fs::create_directories(o.folder);
    ktest::zips::writeBytes(fs::path(o.folder) / (zip.filename().string() + ".part"), bytesOf(zip).substr(0, 5000));
    const korvane::DownloadResult r = korvane::downloadRelease(o, progress);
    EXPECT_EQ(bytesOf(r.path), bytesOf(zip));
    EXPECT_EQ(server.count("REST 5000"), 1u);
}

TEST_F(Download, DamagedZipIsRefusedAndNotKept)
{
    std::vector<korvane::ZipMember> members = korvane::folderMembers((shared->path() / "202605").string());
    for (korvane::ZipMember& m : members) m.stored = m.name == "tb_grupo.txt";
    const fs::path zip = root / "TabelaUnificada_202605_v2605011000.zip";
    korvane::writeZip(zip.string(), members);
    ktest::zips::flipFirst(zip, ktest::zips::member(members, "tb_grupo.txt").bytes.substr(0, 12));
    START_SERVER(server, Protocol::Ftp, root, dir.path());
    const korvane::DownloadOptions o = options(server);
    try {
        korvane::downloadRelease(o, progress);
        ADD_FAILURE() << "a damaged zip was kept";
    } catch (const korvane::DownloadError& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("O arquivo baixado de " + server.url() + zip.filename().string() + " não serve: ", 0), 0u)
            << text;
        EXPECT_NE(text.find("tb_grupo.txt: o conteúdo não confere com o CRC"), std::string::npos) << text;
    }
    EXPECT_TRUE(fs::is_empty(o.folder));
}

// Each failure is said in words a clerk reads; none leaves a zip behind.
TEST_F(Download, EveryFailureSaysWhatWentWrong)
{
    auto failure = [&](const korvane::DownloadOptions& o) -> std::string {
        try {
            korvane::downloadRelease(o, progress);
        } catch (const korvane::DownloadError& e) {
            return e.what();
        }
        return "no failure";
    };
    START_SERVER(server, Protocol::Ftp, root, dir.path());
    korvane::DownloadOptions o = options(server);
    EXPECT_EQ(failure(o), "Nenhuma versão da tabela em " + server.url());

    // Listed, but gone by the time it is asked for.
    fs::create_symlink(dir.path() / "gone.zip", root / "TabelaUnificada_202605_v2605011000.zip");
    EXPECT_EQ(failure(o), "Não foi possível baixar " + server.url() +
                              "TabelaUnificada_202605_v2605011000.zip: o arquivo não está mais no servidor");
    fs::remove(root / "TabelaUnificada_202605_v2605011000.zip");

    serve("202605", "TabelaUnificada_202605_v2605011000.zip");
    fs::create_directories(o.folder);
    fs::create_symlink("/dev/full", fs::path(o.folder) / "TabelaUnificada_202605_v2605011000.zip.part");
    EXPECT_EQ(failure(o), "Não foi possível gravar " + o.folder +
                              "/TabelaUnificada_202605_v2605011000.zip.part: o disco está cheio");
    EXPECT_FALSE(fs::exists(fs::path(o.folder) / "TabelaUnificada_202605_v2605011000.zip"));

    const std::string host = "127.0.0.1:" + std::to_string(ktest::closedPort());
    o.address = "ftp://" + host;
    o.folder = (dir.path() / "never").string();
    EXPECT_EQ(failure(o), "Não foi possível listar ftp://" + host + "/: " + host + " recusou a conexão ou não respondeu");
    EXPECT_FALSE(fs::exists(o.folder));
    o.address = "nada://127.0.0.1/";
    EXPECT_NE(failure(o).find("o endereço não é ftp:// nem http://"), std::string::npos);
}

TEST_F(Download, ReadsAWebServersIndexToo)
{
    serve("202603", "TabelaUnificada_202603_v2603101200.zip");
    const fs::path newest = serve("202605", "TabelaUnificada_202605_v2605011000.zip");
    START_SERVER(server, Protocol::Http, root, dir.path());
    const korvane::DownloadResult r = korvane::downloadRelease(options(server), progress);
    EXPECT_EQ(r.release.name, newest.filename().string());
    EXPECT_EQ(bytesOf(r.path), bytesOf(newest));
    EXPECT_EQ(server.count("GET /TabelaUnificada_202605_v2605011000.zip"), 1u);
}

struct CliRun {
    int status = -1;
    std::string out, err;
};

CliRun cli(const std::string& args, const ktest::TempDir& dir)
{
    const std::string errFile = dir.file("cli.err");
    FILE* p = ::popen((std::string(KORVANE_CLI_EXE) + " " + args + " 2>" + errFile).c_str(), "r");
    CliRun r;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) r.out.append(buffer, n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = ktest::zips::bytesOf(errFile);
    return r;
}

TEST_F(Download, FromTheCommandLineDownloadsAndLoads)
{
    const fs::path march = serve("202603", "TabelaUnificada_202603_v2603101200.zip");
    serve("202605", "TabelaUnificada_202605_v2605011000.zip");
    START_SERVER(server, Protocol::Ftp, root, dir.path());
    const std::string db = dir.file("K.GDB");
    ASSERT_EQ(cli("--database " + db + " createdb " + march.string(), dir).status, 0);

    const std::string releases = dir.file("releases");
    const CliRun loaded = cli("--database " + db + " download --from " + server.url() + " --to " + releases + " --load", dir);
    EXPECT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(loaded.out.substr(0, loaded.out.find('\n')), releases + "/TabelaUnificada_202605_v2605011000.zip");
    EXPECT_NE(loaded.err.find("TabelaUnificada_202605_v2605011000.zip (competência 05/2026, publicada em "
                              "01/05/2026 10:00) baixado"),
              std::string::npos)
        << loaded.err;
    EXPECT_EQ(ktest::update::scalar(db, "select VERSAO from VERSAO"), "05/2026");

    const std::string nowhere = "ftp://127.0.0.1:" + std::to_string(ktest::closedPort()) + "/";
    const CliRun failed = cli("--database " + db + " download --competencia 202603 --load --from " + nowhere, dir);
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err.rfind("korvane-cli: Não foi possível listar " + nowhere, 0), 0u) << failed.err;
    EXPECT_EQ(ktest::update::scalar(db, "select VERSAO from VERSAO"), "05/2026");

    EXPECT_EQ(cli("--database " + db + " download --competencia 2026", dir).status, 2);
    EXPECT_EQ(cli("--database " + db + " download --para " + releases, dir).status, 2);
}

} // namespace
