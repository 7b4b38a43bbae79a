// A release that would load wrong is refused before it replaces a good one:
// lines that do not fit the layout in use, competências that are no month or
// differ between files, files saved as UTF-8, files cut or empty. Every
// refusal names the file, and the line where there is one; the database
// keeps the release it had.

#include "support/updaterun.h"
#include "support/zips.h"
#include "core/text.h"
#include "update/releasetext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

using namespace ktest::update;

namespace {

class Checks : public UpdateRun {
protected:
    // The run's error; the tables must not have been touched.
    std::string refused(const std::string& folder)
    {
        bool touched = false;
        korvane::UpdateHooks hooks;
        hooks.beforeStep = [&](int) { touched = true; };
        const std::string error = update(loadedA, folder, nullptr, hooks);
        EXPECT_FALSE(touched) << error;
        EXPECT_EQ(fingerprint(loadedA), *before) << error;
        return error;
    }

    static std::string at(const std::string& folder, const std::string& file, int line)
    {
        return "Arquivo \"" + folder + "/" + file + "\", linha " + std::to_string(line) + ": ";
    }

    // The tables as release B loads into the database holding A.
    Fingerprint loadedB()
    {
        const std::string db = dir.file("b.gdb");
        fs::copy_file(loadedA, db);
        EXPECT_EQ(update(db, releaseB), "");
        return fingerprint(db);
    }

    static std::string bytes(const std::string& folder, const std::string& file)
    {
        return ktest::zips::bytesOf(fs::path(folder) / file);
    }
};

bool startsWith(const std::string& s, const std::string& start) { return s.rfind(start, 0) == 0; }

// --- the layout in use --------------------------------------------------------------

TEST_F(Checks, A2025ReleaseWithoutItsLayoutFilesIsRefusedAtItsFirstLine)
{
    const std::string folder =
        generate(dir.path() / "Y", 13, 0.02, "202503", korvane::ReleaseOptions::Layout::Y2025, false);
    const std::string error = refused(folder);
    EXPECT_EQ(error, at(folder, "tb_procedimento.txt", 1) +
                         "a linha tem 336 caracteres, mas o layout em uso (as posições fixas, sem "
                         "tb_procedimento_layout.txt) tem 330; faltam os arquivos *_layout.txt desta versão?");
}

TEST_F(Checks, ALineLongerThanTheLayoutFileSaysIsRefused)
{
    const std::string folder =
        generate(dir.path() / "L", 12, 0.02, "202402", korvane::ReleaseOptions::Layout::Fixed, true);
    std::vector<std::string> lines = linesOf(folder, "rl_procedimento_servico.txt");
    lines[4] += "0";
    writeLines(folder, "rl_procedimento_servico.txt", lines);
    EXPECT_EQ(refused(folder), at(folder, "rl_procedimento_servico.txt", 5) +
                                   "a linha tem 23 caracteres, mas o layout em uso (o de \"" + folder +
                                   "/rl_procedimento_servico_layout.txt\") tem 22");
}

TEST_F(Checks, ALineCutBeforeItsCompetenciaIsRefused)
{
    // A download broken off inside the last procedure line.
    const std::string folder = copyOfB();
    const std::string text = bytes(folder, "tb_procedimento.txt");
    const std::size_t lastLine = text.rfind("\r\n", text.size() - 3) + 2;
    ktest::writeFile(fs::path(folder) / "tb_procedimento.txt", text.substr(0, lastLine + 10));   // its code only
    const std::size_t lineNo = linesOf(folder, "tb_procedimento.txt").size();
    const std::string error = refused(folder);
    EXPECT_EQ(error, at(folder, "tb_procedimento.txt", static_cast<int>(lineNo)) +
                         "a linha tem 10 caracteres e termina antes da competência, que o layout em uso (as "
                         "posições fixas, sem tb_procedimento_layout.txt) põe nos caracteres 325 a 330; a linha "
                         "está cortada ou o layout não é o desta versão");
}

TEST_F(Checks, BlanksEndingALineAndFilesWithoutACompetenciaStillLoad)
{
    const std::string folder = copyOfB();
    std::vector<std::string> lines = linesOf(folder, "rl_procedimento_cid.txt");
    for (std::string& l : lines) l += "  \t";
    writeLines(folder, "rl_procedimento_cid.txt", lines);
    // A name file trimmed by an editor: its lines end where the name does.
    lines = linesOf(folder, "tb_ocupacao.txt");
    for (std::string& l : lines) l = korvane::trimmedCopy(l);
    writeLines(folder, "tb_ocupacao.txt", lines);
    const std::string db = copyOfLoadedA();
    EXPECT_EQ(update(db, folder), "");
    EXPECT_EQ(fingerprint(db), loadedB());
}

// --- the competência ------------------------------------------------------------------

TEST_F(Checks, ACompetenciaThatIsNoMonthIsRefused)
{
    for (const std::string bad : {"202413", "202400", "2024-2", "0000 1", "ABCDEF"}) {
        const std::string folder = copyOfB();
        std::vector<std::string> lines = linesOf(folder, "rl_procedimento_leito.txt");
        ASSERT_EQ(lines[2].size(), 18u);
        lines[2].replace(12, 6, bad);
        writeLines(folder, "rl_procedimento_leito.txt", lines);
        EXPECT_EQ(refused(folder), at(folder, "rl_procedimento_leito.txt", 3) + "a competência \"" + bad +
                                       "\" (caracteres 13 a 18) não é um mês válido (AAAAMM)");
        fs::remove_all(folder);
    }
}

TEST_F(Checks, FilesOfTwoCompetenciasAreRefused)
{
    const std::string folder = copyOfB();
    fs::copy_file(fs::path(releaseA) / "tb_grupo.txt", fs::path(folder) / "tb_grupo.txt",
                  fs::copy_options::overwrite_existing);
    EXPECT_EQ(refused(folder), at(folder, "tb_grupo.txt", 1) + "a competência 202401 difere da 202402 de \"" +
                                   folder + "/rl_procedimento_cid.txt\", linha 1: os arquivos são de versões diferentes");

    // One line of another month inside a file is caught at that line.
    fs::copy_file(fs::path(releaseB) / "tb_grupo.txt", fs::path(folder) / "tb_grupo.txt",
                  fs::copy_options::overwrite_existing);
    std::vector<std::string> lines = linesOf(folder, "rl_procedimento_detalhe.txt");
    lines.back().replace(13, 6, "202403");
    writeLines(folder, "rl_procedimento_detalhe.txt", lines);
    EXPECT_TRUE(startsWith(refused(folder), at(folder, "rl_procedimento_detalhe.txt", static_cast<int>(lines.size())) +
                                                "a competência 202403 difere da 202402"));
}

// --- the character set -------------------------------------------------------------------

TEST_F(Checks, AReleaseSavedAsUtf8LoadsAsTheWindows1252OneDoes)
{
    const std::string folder = copyOfB();
    std::size_t accented = 0;
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) {
        const std::string win1252 = bytes(folder, l.fileName);
        const QByteArray utf8 = korvane::fromWin1252(win1252).toUtf8();
        accented += static_cast<std::size_t>(utf8.size()) != win1252.size();
        // Some editors mark the file as UTF-8 too.
        const std::string mark = l.step % 2 == 0 ? "\xEF\xBB\xBF" : "";
        ktest::writeFile(fs::path(folder) / l.fileName, mark + utf8.toStdString());
    }
    ASSERT_GE(accented, 3u);   // names and texts with accents, so the conversion is put to work
    const std::string db = copyOfLoadedA();
    EXPECT_EQ(update(db, folder), "");
    EXPECT_EQ(fingerprint(db), loadedB());
}

TEST_F(Checks, AMarkBeforeTheFirstKeyIsNoPartOfIt)
{
    const std::string folder = copyOfB();
    const std::string cid = bytes(folder, "rl_procedimento_cid.txt");
    ktest::writeFile(fs::path(folder) / "rl_procedimento_cid.txt", "\xEF\xBB\xBF" + cid);
    const std::string db = copyOfLoadedA();
    EXPECT_EQ(update(db, folder), "");
    EXPECT_EQ(scalar(db, "select count(*) from TB_CID_PROC where CP_PROC not similar to '[0-9]{10}'"), "0");
    EXPECT_EQ(fingerprint(db), loadedB());
}

TEST_F(Checks, Utf8ThatWindows1252CannotHoldIsRefused)
{
    const std::string folder = copyOfB();
    std::string utf8;
    const std::vector<std::string> lines = linesOf(folder, "tb_ocupacao.txt");
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string line = korvane::fromWin1252(lines[n]).toUtf8().toStdString();
        if (n == 3) line.insert(6, "\xE2\x9C\x93");   // U+2713, a check mark, in the name
        utf8 += line + "\r\n";
    }
    ktest::writeFile(fs::path(folder) / "tb_ocupacao.txt", utf8);
    EXPECT_EQ(refused(folder), at(folder, "tb_ocupacao.txt", 4) +
                                   "o arquivo está em UTF-8 e o caractere '\xE2\x9C\x93' (U+2713) não existe em "
                                   "Windows-1252; use os arquivos como o DATASUS os publica");

    // Marked as UTF-8 but written in Windows-1252: neither reading is sure.
    const std::string win1252 = bytes(releaseB, "tb_ocupacao.txt");
    ASSERT_TRUE(std::any_of(win1252.begin(), win1252.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
    ktest::writeFile(fs::path(folder) / "tb_ocupacao.txt", "\xEF\xBB\xBF" + win1252);
    const std::string error = refused(folder);
    EXPECT_TRUE(startsWith(error, "Arquivo \"" + folder + "/tb_ocupacao.txt\", linha ")) << error;
    EXPECT_NE(error.find("começa com a marca de UTF-8, mas não é UTF-8 válido"), std::string::npos) << error;
}

TEST(ReleaseText, Windows1252TextIsNeverTakenForUtf8)
{
    const auto converted = [](std::string text) {
        const bool utf8 = korvane::convertFromUtf8(text, "f.txt");
        return std::make_pair(utf8, text);
    };
    using R = std::pair<bool, std::string>;
    EXPECT_EQ(converted("M\xC9" "DICO CL\xCD" "NICO\r\n"), (R{false, "M\xC9" "DICO CL\xCD" "NICO\r\n"}));
    EXPECT_EQ(converted("M\xC3\x89" "DICO CL\xC3\x8D" "NICO\r\n"), (R{true, "M\xC9" "DICO CL\xCD" "NICO\r\n"}));
    // One sequence that reads as UTF-8 beside a byte that cannot: Windows-1252.
    EXPECT_EQ(converted("\xC3\xA9 e \xE9"), (R{false, "\xC3\xA9 e \xE9"}));
    // Overlong forms and surrogates are no UTF-8 either.
    EXPECT_EQ(converted("\xC0\xA9"), (R{false, "\xC0\xA9"}));
    EXPECT_EQ(converted("\xED\xA0\x80"), (R{false, "\xED\xA0\x80"}));
    // The euro sign and the dashes have Windows-1252 bytes of their own.
    EXPECT_EQ(converted("\xE2\x82\xAC \xE2\x80\x93"), (R{true, "\x80 \x96"}));
    EXPECT_EQ(converted("\xEF\xBB\xBF" "ABC"), (R{true, "ABC"}));
    EXPECT_EQ(converted("ABC"), (R{false, "ABC"}));
}

// --- files cut or empty ---------------------------------------------------------------------

TEST_F(Checks, AnEmptyProcedureFileIsRefused)
{
    const std::string folder = copyOfB();
    for (const std::string& empty : {std::string(), std::string("\r\n  \r\n\r\n"), std::string(4096, '\0')}) {
        ktest::writeFile(fs::path(folder) / "tb_procedimento.txt", empty);
        EXPECT_EQ(refused(folder), "Arquivo \"" + folder +
                                       "/tb_procedimento.txt\" está vazio: uma versão sem procedimentos não é carregada");
    }
}

TEST_F(Checks, ANulWithLinesBehindItIsRefused)
{
    const std::string folder = copyOfB();
    std::string text = bytes(folder, "tb_procedimento.txt");
    const std::size_t third = text.find("\r\n", text.find("\r\n") + 2) + 2;
    text[third + 40] = '\0';
    ktest::writeFile(fs::path(folder) / "tb_procedimento.txt", text);
    EXPECT_EQ(refused(folder), at(folder, "tb_procedimento.txt", 3) +
                                   "um byte NUL no meio do arquivo, com mais linhas depois dele: o arquivo está "
                                   "cortado ou danificado; obtenha-o de novo");
}

TEST_F(Checks, WhatFollowsARealEndOfFileIsStillDropped)
{
    const std::string folder = copyOfB();
    const std::string text = bytes(folder, "tb_procedimento.txt");
    // Zeros where a copy left the end unwritten; leftovers of a longer file.
    ktest::writeFile(fs::path(folder) / "tb_procedimento.txt", text + std::string(500, '\0'));
    const std::string detalhe = bytes(folder, "rl_procedimento_detalhe.txt");
    ktest::writeFile(fs::path(folder) / "rl_procedimento_detalhe.txt", detalhe + '\0' + "030101007200" + "\r\n\0\0");
    const std::string db = copyOfLoadedA();
    EXPECT_EQ(update(db, folder), "");
    EXPECT_EQ(fingerprint(db), loadedB());
}

TEST_F(Checks, AnEmptyLinkFileIsRefusedWhereThePreviousReleaseHadRows)
{
    const std::string folder = copyOfB();
    ktest::writeFile(fs::path(folder) / "rl_procedimento_cid.txt", "\r\n");
    const std::string error = refused(folder);
    EXPECT_EQ(error, "Arquivo \"" + folder + "/rl_procedimento_cid.txt\" está vazio, mas a competência 01/2024 "
                     "carregada tem linhas em TB_CID_PROC: uma versão sempre as traz, então esta está incompleta e "
                     "não é carregada");

    // A first load has nothing to compare with: the file empties nothing.
    const std::string fresh = ktest::createSchemaDatabase(dir);
    EXPECT_EQ(update(fresh, folder), "");
    EXPECT_EQ(scalar(fresh, "select count(*) from TB_CID_PROC"), "0");
    EXPECT_NE(scalar(fresh, "select count(*) from TB_PROC"), "0");
    // Nor do the files of the tables that are no links.
    const std::string db = copyOfLoadedA();
    ktest::writeFile(fs::path(folder) / "rl_procedimento_cid.txt", bytes(releaseB, "rl_procedimento_cid.txt"));
    ktest::writeFile(fs::path(folder) / "tb_detalhe.txt", "");
    EXPECT_EQ(update(db, folder), "");
    EXPECT_EQ(scalar(db, "select count(*) from TB_DETALHE"), "0");
}

// --- the real releases --------------------------------------------------------------------

std::vector<std::string> realReleases()
{
    std::vector<std::string> out;
    const std::string folder = ktest::sharedRelease();
    if (folder.empty()) return out;
    out.push_back(folder);
    for (const fs::directory_entry& e : fs::directory_iterator(fs::path(folder).parent_path()))
        if (e.path().extension() == ".zip") out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(RealReleases, PassTheChecksAndRefuseToLoseTheirLayoutFiles)
{
    const std::vector<std::string> releases = realReleases();
    if (releases.empty()) GTEST_SKIP() << "the shared releases are absent";
    for (const std::string& release : releases) {
        const korvane::CheckedRelease checked = korvane::CheckedRelease::read(release);
        EXPECT_EQ(checked.entries().size(), korvane::releaseLayouts().size()) << release;
    }
    // The newest zip, unpacked without its layout files, is the 2025 layout
    // read at the fixed positions.
    const std::unique_ptr<korvane::ReleaseSource> zip = korvane::openReleaseSource(releases.back());
    ktest::TempDir dir;
    for (const korvane::TableLayout& l : korvane::releaseLayouts())
        ktest::writeFile(dir.path() / l.fileName, zip->read(l.fileName).content);
    try {
        korvane::CheckedRelease::read(dir.path().string());
        ADD_FAILURE() << "read";
    } catch (const korvane::UpdateError& e) {
        EXPECT_TRUE(startsWith(e.what(), "Arquivo \"" + dir.path().string() + "/tb_procedimento.txt\", linha 1: a linha "
                                         "tem 336 caracteres"))
            << e.what();
    }
}

} // namespace
