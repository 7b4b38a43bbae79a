// Text helpers, row building and layout files, without a database.

#include "core/text.h"
#include "update/layoutfile.h"
#include "update/layouts.h"
#include "update/rowbuilder.h"
#include "update/uFuncoes.h"
#include "update/releasefile.h"
#include "support/tempdb.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>

using korvane::FoldAccents;
using korvane::RowBuilder;
using korvane::RowError;
using korvane::ZeroPad;

namespace {

// --- text helpers --------------------------------------------------------------

TEST(Trimmed, CutsBlanksAndControlBytesAtBothEndsHoweverLongThePadding)
{
    // Padding of every length around the eight-byte steps, with a tab or a
    // control byte among the spaces, and no text at all.
    for (std::size_t pad : {0u, 1u, 7u, 8u, 9u, 16u, 17u, 250u}) {
        const std::string spaces(pad, ' ');
        EXPECT_EQ(korvane::trimmed(" \tab c" + spaces), "ab c") << pad;
        EXPECT_EQ(korvane::trimmed("ab\t" + spaces), "ab") << pad;
        EXPECT_EQ(korvane::trimmed("ab" + spaces + "\x01" + spaces), "ab") << pad;
        EXPECT_EQ(korvane::trimmed("x" + spaces + "y" + spaces), "x" + spaces + "y") << pad;
        EXPECT_EQ(korvane::trimmed(spaces), "") << pad;
        EXPECT_EQ(korvane::trimmed("\x7f" + spaces), "\x7f") << pad;   // DEL is no blank
    }
}

TEST(FoldAccents, ExamplesKeepLengthAndCase)
{
    EXPECT_EQ(FoldAccents(""), "");
    EXPECT_EQ(FoldAccents("A\xC7\xC3O"), "ACAO");                 // AÇÃO
    EXPECT_EQ(FoldAccents("S\xE3o Jo\xE3o"), "Sao Joao");         // São João
    EXPECT_EQ(FoldAccents("\xC6"), "\xC6");                       // Æ stays
    EXPECT_EQ(FoldAccents("  \xE9 x "), "  e x ");                // no trim, no case change
}

TEST(FoldAccents, EveryByteMapsAsTheLetterTableSays)
{
    struct Span {
        int from, to;
        char letter;
    };
    const Span spans[] = {{0xC0, 0xC4, 'A'}, {0xC7, 0xC7, 'C'}, {0xC8, 0xCB, 'E'}, {0xCC, 0xCF, 'I'}, {0xD1, 0xD1, 'N'},
                          {0xD2, 0xD6, 'O'}, {0xD9, 0xDC, 'U'}, {0xE0, 0xE4, 'a'}, {0xE7, 0xE7, 'c'}, {0xE8, 0xEB, 'e'},
                          {0xEC, 0xEF, 'i'}, {0xF1, 0xF1, 'n'}, {0xF2, 0xF6, 'o'}, {0xF9, 0xFC, 'u'}};
    for (int b = 0; b < 256; ++b) {
        char expected = static_cast<char>(b);
        for (const Span& s : spans)
            if (b >= s.from && b <= s.to) expected = s.letter;
        const std::string in(1, static_cast<char>(b));
        EXPECT_EQ(FoldAccents(in), std::string(1, expected)) << "byte " << b;
    }
}

TEST(ZeroPad, PadsWithZerosOrFillsWithAsterisks)
{
    EXPECT_EQ(ZeroPad(3, 2), "03");
    EXPECT_EQ(ZeroPad(0, 2), "00");
    EXPECT_EQ(ZeroPad(12, 2), "12");
    EXPECT_EQ(ZeroPad(123, 2), "**");
    EXPECT_EQ(ZeroPad(7, 4), "0007");
    EXPECT_EQ(ZeroPad(-5, 3), "0-5");
    EXPECT_EQ(ZeroPad(-5, 2), "-5");
    EXPECT_EQ(ZeroPad(-5, 1), "*");
    EXPECT_EQ(ZeroPad(42, 0), "");
    EXPECT_EQ(ZeroPad(INT_MIN, 11), "-2147483648");
    EXPECT_EQ(ZeroPad(INT_MIN, 10), "**********");
    EXPECT_EQ(ZeroPad(1, 255).size(), 255u);
    EXPECT_EQ(ZeroPad(1, 255).back(), '1');
}

// --- row building ------------------------------------------------------------------

const korvane::TableLayout& layoutOf(int step) { return korvane::releaseLayouts()[static_cast<std::size_t>(step - 1)]; }

// A line with each field at its fixed place; fields not given stay blank.
std::string lineOf(int step, const std::vector<std::pair<const char*, std::string>>& values, std::size_t length = 0)
{
    std::string line(length, ' ');
    for (const auto& [column, text] : values)
        for (const korvane::FieldSpec& f : layoutOf(step).fields)
            if (std::string_view(f.column) == column) {
                if (line.size() < f.start - 1u + text.size()) line.resize(f.start - 1u + text.size(), ' ');
                line.replace(f.start - 1u, text.size(), text);
            }
    return line;
}

struct Built {
    RowBuilder builder;
    explicit Built(int step) : builder(korvane::fixedLayout(layoutOf(step))) {}
    const kdb::Value& operator[](const char* column) const
    {
        const int i = builder.layout().insertIndex(column);
        EXPECT_GE(i, 0) << column;
        return builder.values().at(static_cast<std::size_t>(i));
    }
};

std::string errorOf(int step, const std::string& line)
{
    Built b(step);
    try {
        b.builder.build(line);
    } catch (const RowError& e) {
        return e.what();
    }
    return "no error";
}

TEST(RowBuilder, InsertStatementNamesEveryColumnAsItsParameter)
{
    EXPECT_EQ(layoutOf(1).insertStatement(),
              "insert into TB_CID_PROC (CP_CID, CP_CMPT_FIM, CP_CMPT_INI, CP_PROC, CP_ST_PRINCIPAL) values (:CP_CID, "
              ":CP_CMPT_FIM, :CP_CMPT_INI, :CP_PROC, :CP_ST_PRINCIPAL)");
    int step = 0;
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) {
        EXPECT_EQ(l.step, ++step);
        for (const korvane::FieldSpec& f : l.fields) EXPECT_GE(l.insertIndex(f.column), 0) << l.table << "." << f.column;
    }
    EXPECT_STREQ(layoutOf(20).label, "TB_DESCRICAO");
    EXPECT_STREQ(layoutOf(20).table, "TB_DESCRICOES");
}

TEST(RowBuilder, ProcedureLineGivesEveryColumn)
{
    Built b(5);
    b.builder.build(lineOf(5, {{"PROC_COD", "0301010072"},
                               {"PROC_DESCR", "Cirurgia de m\xE3o \xDF\xE6 \xE7"},
                               {"PROC_COMPLEX", "3"},
                               {"PROC_SEXO", "I"},
                               {"PROC_QTD_MAX", "0004"},
                               {"PROC_QTD_DIAS", "9999"},
                               {"PROC_QTD_PONTOS", "0000"},
                               {"PROC_IDADE_MIN", "0006"},
                               {"PROC_IDADE_MAX", "9999"},
                               {"PROC_VL_SH", "0000012345"},
                               {"PROC_VL_SA", "0000000000"},
                               {"PROC_VL_SP", "0000000001"},
                               {"PROC_CO_FINANC", "06"},
                               {"PROC_CMPT_FIM", "200907"}}));
    EXPECT_EQ(b["PROC_COD"].asText(), "0301010072");
    // Folded and raised; 0xDF and 0xE6 are not letters of the table and stay as they are.
    EXPECT_EQ(b["PROC_DESCR"].asText(), "CIRURGIA DE MAO \xDF\xE6 C");
    EXPECT_EQ(b["PROC_COMPLEX"].asText(), "3");
    EXPECT_EQ(b["PROC_QTD_MAX"].asInteger(), 4);
    EXPECT_EQ(b["PROC_QTD_DIAS"].asInteger(), 9999);
    EXPECT_EQ(b["PROC_QTD_PONTOS"].asInteger(), 0);
    EXPECT_EQ(b["PROC_IDADE_MIN"].asInteger(), 1);
    EXPECT_EQ(b["PROC_IDADE_MAX"].asInteger(), 833);
    EXPECT_EQ(b["PROC_VL_SH"].asDecimal().toString(), "123.45");
    EXPECT_EQ(b["PROC_VL_SA"].asDecimal().toString(), "0.00");
    EXPECT_EQ(b["PROC_VL_SP"].asDecimal().toString(), "0.01");
    EXPECT_EQ(b["PROC_CO_FINANC"].asText(), "06");
    EXPECT_TRUE(b["PROC_CO_RUBRICA"].isNull());   // blank: NULL, not an empty text
    EXPECT_EQ(b["PROC_CMPT_FIM"].asText(), "200907");
    EXPECT_TRUE(b["PROC_CMPT_INI"].isNull());
    EXPECT_TRUE(b["COD_REDUZIDO"].isNull());
    EXPECT_EQ(b.builder.competencia(lineOf(5, {{"PROC_CMPT_FIM", "200907"}})), "07/2009");
}

TEST(RowBuilder, AgesBecomeYearsExceptForMaterials)
{
    auto ages = [](const std::string& code, const std::string& lo, const std::string& hi) {
        Built b(5);
        b.builder.build(lineOf(5, {{"PROC_COD", code}, {"PROC_IDADE_MIN", lo}, {"PROC_IDADE_MAX", hi}}));
        return std::make_pair(b["PROC_IDADE_MIN"].asInteger(), b["PROC_IDADE_MAX"].asInteger());
    };
    EXPECT_EQ(ages("0701010010", "0240", "0360"), std::make_pair(std::int64_t{0}, std::int64_t{130}));
    EXPECT_EQ(ages("0701010010", "    ", "    "), std::make_pair(std::int64_t{0}, std::int64_t{130}));
    EXPECT_EQ(ages("0301010072", "0000", "9999"), std::make_pair(std::int64_t{0}, std::int64_t{833}));
    EXPECT_EQ(ages("0301010072", "0018", "0030"), std::make_pair(std::int64_t{2}, std::int64_t{3}));
    EXPECT_EQ(ages("0301010072", "0005", "0017"), std::make_pair(std::int64_t{0}, std::int64_t{1}));
    EXPECT_EQ(ages("0301010072", "    ", "    "), std::make_pair(std::int64_t{0}, std::int64_t{0}));
    EXPECT_EQ(ages("0031010072", "0012", "0024"), std::make_pair(std::int64_t{1}, std::int64_t{2}));   // "00" is not "07"
    EXPECT_EQ(korvane::monthsToYears(-6), -1);
    EXPECT_EQ(korvane::monthsToYears(-5), 0);
    // An age text that is no number fails even for a material.
    EXPECT_EQ(errorOf(5, lineOf(5, {{"PROC_COD", "0701010010"}, {"PROC_IDADE_MIN", "12a4"}})),
              "'12a4' is not a valid integer value for field 'PROC_IDADE_MIN'");
}

TEST(RowBuilder, ShortLineStoresNullAndZeroMoneyButRequiredColumnsStop)
{
    Built b(5);
    b.builder.build("0301010072CONSULTA");
    EXPECT_EQ(b["PROC_DESCR"].asText(), "CONSULTA");
    EXPECT_TRUE(b["PROC_COMPLEX"].isNull());
    EXPECT_TRUE(b["PROC_QTD_MAX"].isNull());
    EXPECT_EQ(b["PROC_VL_SH"].asDecimal().toString(), "0.00");
    EXPECT_EQ(b["PROC_VL_SP"].asDecimal().toString(), "0.00");
    EXPECT_TRUE(b["PROC_CMPT_FIM"].isNull());
    EXPECT_EQ(b.builder.competencia("0301010072CONSULTA"), "/");

    // A link line cut after the procedure code lacks its second key.
    EXPECT_EQ(errorOf(3, "0301010072"), "Field 'PCBO_CBO' must have a value");
    // A line cut inside a field keeps what it has.
    Built c(3);
    c.builder.build("0301010072225125202");
    EXPECT_EQ(c["PCBO_CBO"].asText(), "225125");
    EXPECT_EQ(c["PCBO_CMPT_FIM"].asText(), "202");
}

TEST(RowBuilder, BlankLineStopsAtTheFirstColumnOrEarlierInTheHierarchyFiles)
{
    for (const korvane::TableLayout& l : korvane::releaseLayouts()) {
        const std::string err = errorOf(l.step, "");
        if (l.step >= 14 && l.step <= 16) EXPECT_EQ(err, "'' is not a valid integer value") << l.fileName;
        else if (l.step == 20 || l.step == 24) EXPECT_EQ(err, "no error") << l.fileName;
        else EXPECT_EQ(err, std::string("Field '") + l.fields[0].column + "' must have a value") << l.fileName;
    }
    Built d(20);
    d.builder.build("   ");
    EXPECT_TRUE(d["PROCEDIMENTO"].isNull());
    EXPECT_TRUE(d["DETALHES"].isNull());
}

TEST(RowBuilder, ConversionFailsBeforeRequiredColumnsAreChecked)
{
    // No principal code (required) and a bad quantity: the quantity is reported.
    EXPECT_EQ(errorOf(4, lineOf(4, {{"PC_QT_PERMITIDA", "1 2"}})),
              "'1 2' is not a valid integer value for field 'PC_QT_PERMITIDA'");
    EXPECT_EQ(errorOf(4, lineOf(4, {{"PC_PROC_PRINC", "0301010072"}, {"PC_REG_PRINC", "01"}, {"PC_PROC_SEC", "0702010010"},
                                    {"PC_REG_SEC", "02"}, {"PC_TP_COMPAT", "1"}})),
              "Field 'PC_QT_PERMITIDA' must have a value");
    EXPECT_EQ(errorOf(5, lineOf(5, {{"PROC_COD", "0301010072"}, {"PROC_VL_SA", "00001,50"}})),
              "'00001,50' is not a valid floating point value for field 'PROC_VL_SA'");
    // Release bytes in a message are shown as the characters they are.
    EXPECT_EQ(errorOf(7, lineOf(7, {{"INCR_PROC", "0301010072"}, {"INCR_CODIGO", "0101"}, {"INCR_PERC_SH", "0\xE7"}})),
              "'0\xC3\xA7' is not a valid floating point value for field 'INCR_PERC_SH'");
    // A control byte inside a field would cut the message short.
    EXPECT_EQ(errorOf(7, lineOf(7, {{"INCR_PROC", "0301010072"}, {"INCR_CODIGO", "0101"},
                                    {"INCR_PERC_SH", std::string("1\0" "2", 3)}})),
              "'1?2' is not a valid floating point value for field 'INCR_PERC_SH'");
}

TEST(RowBuilder, MoneyCountsHundredths)
{
    auto money = [](const std::string& text) {
        Built b(7);
        b.builder.build(lineOf(7, {{"INCR_PROC", "0301010072"}, {"INCR_CODIGO", "0101"}, {"INCR_PERC_SH", text}}));
        return b["INCR_PERC_SH"].asDecimal();
    };
    EXPECT_EQ(money("0012345").toString(), "123.45");
    EXPECT_EQ(money("0000000").toString(), "0.00");
    EXPECT_EQ(money("       ").toString(), "0.00");
    EXPECT_EQ(money("9999999").toString(), "99999.99");
    EXPECT_EQ(money("   -150").toString(), "-1.50");
    EXPECT_EQ(money("    1.5").toString(), "0.02");   // 0.015, half away from zero
    EXPECT_EQ(money("0012345").scale(), 2);
}

TEST(RowBuilder, IncrementCompetenciaComesAfterTheThreePercentages)
{
    Built b(7);
    // As in a real release: SH 15-21, SA 22-28, SP 29-35, competência 36-41.
    b.builder.build("02010105691720000000000060000000000202206");
    EXPECT_EQ(b["INCR_PROC"].asText(), "0201010569");
    EXPECT_EQ(b["INCR_CODIGO"].asText(), "1720");
    EXPECT_EQ(b["INCR_PERC_SH"].asDecimal().toString(), "0.00");
    EXPECT_EQ(b["INCR_PERC_SP"].asDecimal().toString(), "0.00");
    EXPECT_EQ(b["INCR_CMPT_FIM"].asText(), "202206");
    b.builder.build("02010105691720000500000000000007500202206");
    EXPECT_EQ(b["INCR_PERC_SH"].asDecimal().toString(), "50.00");
    EXPECT_EQ(b["INCR_PERC_SP"].asDecimal().toString(), "75.00");
}

TEST(RowBuilder, HierarchyCodesAndComposedDescriptions)
{
    Built g(14);
    g.builder.build("03Procedimentos cl\xEDnicos");
    EXPECT_EQ(g["GRUPO_COD_GR"].asInteger(), 3);
    EXPECT_EQ(g["CODIGO"].asText(), "03");
    EXPECT_EQ(g["GRUPO_DESCR"].asText(), "03 - Procedimentos clinicos");
    g.builder.build("3 Nome");
    EXPECT_EQ(g["CODIGO"].asText(), "03");
    EXPECT_EQ(g["GRUPO_DESCR"].asText(), "03 - Nome");
    // The longest name the file holds, 100 characters, makes 105: kept whole.
    const std::string longName(99, 'x');
    g.builder.build("04" + longName + "Z");
    EXPECT_EQ(g["GRUPO_DESCR"].asText(), "04 - " + longName + "Z");
    EXPECT_EQ(errorOf(14, "A1Nome"), "'A1' is not a valid integer value for field 'GRUPO_COD_GR'");

    Built s(15);
    s.builder.build("0301Consultas / Atendimentos");
    EXPECT_EQ(s["SG_COD_GR"].asInteger(), 3);
    EXPECT_EQ(s["SG_COD_SUB"].asInteger(), 1);
    EXPECT_EQ(s["GRUPO"].asText(), "03");
    EXPECT_EQ(s["SUBGRUPO"].asText(), "01");
    EXPECT_EQ(s["SG_DESCR"].asText(), "01 - Consultas / Atendimentos");

    Built f(16);
    f.builder.build("010101Educa\xE7\xE3o em sa\xFA" "de");
    EXPECT_EQ(f["FO_COD_FO"].asInteger(), 1);
    EXPECT_EQ(f["FO"].asText(), "01");
    EXPECT_EQ(f["FO_DESCR"].asText(), "01 - Educacao em saude");
    // No name: the description is the code and the joint.
    f.builder.build("010102");
    EXPECT_EQ(f["FO_DESCR"].asText(), "02 - ");
}

TEST(RowBuilder, TextsAreStoredWholeOrTheLineFails)
{
    Built c(17);
    const std::string name60 = "Cl\xEDnica " + std::string(52, 'y');
    ASSERT_EQ(name60.size(), 60u);
    c.builder.build("01" + name60 + "202206");
    EXPECT_EQ(c["CL_DESCR"].asText(), "Clinica " + std::string(52, 'y'));

    Built cbo(2);
    cbo.builder.build("225125m\xE9" "dico cl\xEDnico");
    EXPECT_EQ(cbo["CBO_DESCR"].asText(), "MEDICO CLINICO");

    // The descriptive text keeps accents and case, up to 4,000 characters.
    std::string text = "Consulta m\xE9" "dica. ";
    text += std::string(4000 - text.size(), 'a');
    Built d(20);
    d.builder.build("0301010072" + text + "EXTRA202206");
    EXPECT_EQ(d["DETALHES"].asText(), text);
    EXPECT_EQ(d["PROCEDIMENTO"].asText(), "0301010072");
}

// --- layout files ----------------------------------------------------------------

TEST(ReleaseFile, TrimsTheWholeContentAndSplitsAtEveryLineEnd)
{
    ktest::TempDir dir;
    ktest::writeFile(dir.path() / "a.txt", "\r\n \r\nA1\r\nB2\n\nC3\rD4\r\n\r\n   \r\n");
    korvane::ReleaseFile f = korvane::readReleaseFile("  " + dir.path().string() + " ", "a.txt");
    ASSERT_EQ(f.lines.size(), 5u);
    EXPECT_EQ(f.lines[0], "A1");
    EXPECT_EQ(f.lines[1], "B2");
    EXPECT_EQ(f.lines[2], "");   // a blank line inside is a record
    EXPECT_EQ(f.lines[3], "C3");
    EXPECT_EQ(f.lines[4], "D4");
    EXPECT_EQ(f.path, dir.path().string() + "/a.txt");

    ktest::writeFile(dir.path() / "n.txt", std::string("X1\r\nX2\0X3\r\n", 10));
    f = korvane::readReleaseFile(dir.path().string() + "/", "n.txt");
    ASSERT_EQ(f.lines.size(), 2u);
    EXPECT_EQ(f.lines[1], "X2");
    EXPECT_EQ(f.path, dir.path().string() + "//n.txt");   // the separator already there stays

    // A CR before a CR LF ends a line of its own, an empty one follows.
    ktest::writeFile(dir.path() / "c.txt", "A\r\r\nB\n\rC");
    f = korvane::readReleaseFile(dir.path().string(), "c.txt");
    EXPECT_EQ(f.lines, (std::vector<std::string_view>{"A", "", "B", "", "C"}));

    ktest::writeFile(dir.path() / "e.txt", " \r\n\t\r\n");
    EXPECT_TRUE(korvane::readReleaseFile(dir.path().string(), "e.txt").lines.empty());
    // Moving a file keeps its lines pointing into its own bytes.
    korvane::ReleaseFile small = korvane::readReleaseFile(dir.path().string(), "a.txt");
    korvane::ReleaseFile moved = std::move(small);
    EXPECT_EQ(moved.lines[4], "D4");
    EXPECT_GE(moved.lines[4].data(), moved.content.data());

    // A file of thousands of lines handed on twice, the first holder gone,
    // and one whose lines end at lone CRs only.
    std::string big, crs;
    for (int i = 0; i < 3000; ++i) {
        big += "LINE" + std::to_string(i) + "\r\n";
        crs += "CR" + std::to_string(i) + "\r";
    }
    ktest::writeFile(dir.path() / "big.txt", big);
    ktest::writeFile(dir.path() / "cr.txt", crs);
    korvane::ReleaseFile last;
    {
        korvane::ReleaseFile first = korvane::readReleaseFile(dir.path().string(), "big.txt");
        korvane::ReleaseFile second(std::move(first));
        last = std::move(second);
    }
    const korvane::ReleaseFile lone = korvane::readReleaseFile(dir.path().string(), "cr.txt");
    ASSERT_EQ(last.lines.size(), 3000u);
    ASSERT_EQ(lone.lines.size(), 3000u);
    for (int i = 0; i < 3000; i += 7) {
        EXPECT_EQ(last.lines[static_cast<std::size_t>(i)], "LINE" + std::to_string(i));
        EXPECT_EQ(lone.lines[static_cast<std::size_t>(i)], "CR" + std::to_string(i));
    }
    EXPECT_EQ(last.lines.back().data() + last.lines.back().size(), last.content.data() + last.content.size());
}

// --- fuzz ----------------------------------------------------------------------------

// Random and cut lines raise only the texts a release can cause, never
// anything else, in every layout.
TEST(RowBuilderFuzz, RandomAndTruncatedLinesRaiseOnlyReleaseErrors)
{
    const std::regex known(
        "'[\\s\\S]*' is not a valid integer value for field '[A-Z_]+'|"
        "'[\\s\\S]*' is not a valid floating point value for field '[A-Z_]+'|"
        "'[\\s\\S]*' is not a valid integer value|"
        "Field '[A-Z_]+' must have a value");
    std::mt19937_64 rng(20220601);
    const std::string alphabet = std::string("0123456789      -+.,ABCXYZabcxyz\xE7\xE3\xC9\x80\xFF\t\x01", 46);
    std::map<std::string, int> seen;
    for (const korvane::TableLayout& layout : korvane::releaseLayouts()) {
        RowBuilder b(korvane::fixedLayout(layout));
        std::size_t width = 0;
        for (const korvane::FieldSpec& f : layout.fields) width = std::max<std::size_t>(width, f.start - 1u + f.length);
        for (int i = 0; i < 1500; ++i) {
            std::string line;
            const int kind = static_cast<int>(rng() % 3);
            if (kind == 0) {   // random bytes of any length
                line.resize(rng() % (width + 20));
                for (char& c : line) c = static_cast<char>(rng() % 256);
            } else {   // digits where numbers go, then cut or spoiled at random
                line.assign(width, '0');
                for (char& c : line) c = alphabet[rng() % 10];
                line.resize(rng() % (width + 1));
                if (kind == 2)
                    for (int k = 0; k < 3 && !line.empty(); ++k) line[rng() % line.size()] = alphabet[rng() % alphabet.size()];
            }
            try {
                b.build(line);
                for (const kdb::Value& v : b.values()) {
                    if (v.kind() == kdb::Value::Kind::Text) {
                        EXPECT_FALSE(v.asText().empty()) << layout.fileName;
                    }
                }
                ++seen["ok"];
            } catch (const RowError& e) {
                const std::string what = e.what();
                EXPECT_TRUE(std::regex_match(what, known)) << layout.fileName << ": " << what;
                ++seen[what.find("floating") != std::string::npos ? "money"
                       : what.find("for field") != std::string::npos ? "integer"
                       : what.find("must have") != std::string::npos ? "required"
                                                                     : "two-digit code"];
            }
        }
    }
    // Both outcomes occur, so the fuzz exercised the error paths and the good ones.
    EXPECT_GT(seen["ok"], 1000);
    EXPECT_EQ(seen.size(), 5u);
}

} // namespace
