// Layout files: the positions of a release's fields read from its own
// *_layout.txt, and the faults of such a file.

#include "update/layoutfile.h"
#include "update/layouts.h"
#include "update/rowbuilder.h"
#include "support/tempdb.h"

#include <gtest/gtest.h>

using korvane::RowBuilder;

namespace {

const korvane::TableLayout& layoutOf(int step) { return korvane::releaseLayouts()[static_cast<std::size_t>(step - 1)]; }

class LayoutFiles : public ::testing::Test {
protected:
    void write(const std::string& name, const std::string& text) { ktest::writeFile(dir.path() / name, text); }
    std::string error(int step)
    {
        try {
            korvane::resolveLayout(layoutOf(step), dir.path().string());
        } catch (const std::exception& e) {
            return e.what();
        }
        return "no error";
    }
    ktest::TempDir dir;
};

TEST_F(LayoutFiles, PositionsComeFromTheFileByColumnName)
{
    // The 2025 widening of the three values, rows in another order, quotes
    // and a type with a comma in it.
    write("tb_procedimento_layout.txt",
          "\xEF\xBB\xBF" "Coluna,Tamanho,Inicio,Fim,Tipo\r\n"
          "CO_PROCEDIMENTO,10,1,10,VARCHAR2\r\nNO_PROCEDIMENTO,250,11,260,VARCHAR2\r\n"
          "TP_COMPLEXIDADE,1,261,261,VARCHAR2\r\nTP_SEXO,1,262,262,VARCHAR2\r\n"
          "QT_MAXIMA_EXECUCAO,4,263,266,NUMBER\r\nQT_DIAS_PERMANENCIA,4,267,270,NUMBER\r\n"
          "QT_PONTOS,4,271,274,NUMBER\r\nVL_IDADE_MINIMA,4,275,278,NUMBER\r\nVL_IDADE_MAXIMA,4,279,282,NUMBER\r\n"
          "VL_SP,12,307,318,\"NUMBER(12,2)\"\r\nVL_SH,12,283,294,NUMBER\r\nvl_sa,12,295,306,NUMBER\r\n"
          "CO_FINANCIAMENTO,2,319,320,VARCHAR2\r\nCO_RUBRICA,6,321,326,VARCHAR2\r\n"
          "QT_TEMPO_PERMANENCIA,4,327,330,NUMBER\r\n\"DT_COMPETENCIA\",6,331,336,CHAR\r\n");
    const korvane::ResolvedLayout r = korvane::resolveLayout(layoutOf(5), dir.path().string());
    EXPECT_EQ(r.layoutFilePath, (dir.path() / "tb_procedimento_layout.txt").string());
    RowBuilder b(r);
    std::string line(336, ' ');
    line.replace(0, 10, "0301010072");
    line.replace(282, 12, "001234567890");
    line.replace(294, 12, "000000001000");
    line.replace(306, 12, "000000000001");
    line.replace(318, 2, "06");
    line.replace(330, 6, "202503");
    b.build(line);
    const auto& l = layoutOf(5);
    EXPECT_EQ(b.values()[static_cast<std::size_t>(l.insertIndex("PROC_VL_SH"))].asDecimal().toString(), "12345678.90");
    EXPECT_EQ(b.values()[static_cast<std::size_t>(l.insertIndex("PROC_VL_SA"))].asDecimal().toString(), "10.00");
    EXPECT_EQ(b.values()[static_cast<std::size_t>(l.insertIndex("PROC_VL_SP"))].asDecimal().toString(), "0.01");
    EXPECT_EQ(b.values()[static_cast<std::size_t>(l.insertIndex("PROC_CO_FINANC"))].asText(), "06");
    EXPECT_EQ(b.values()[static_cast<std::size_t>(l.insertIndex("PROC_CMPT_FIM"))].asText(), "202503");
    EXPECT_EQ(b.competencia(line), "03/2025");
}

TEST_F(LayoutFiles, ATextLongerThanItsColumnStopsTheLine)
{
    // A release whose layout gives a name more room than the column has:
    // the name is not stored cut, the line fails naming the field.
    write("tb_tipo_leito_layout.txt", "Coluna,Tamanho,Inicio,Fim,Tipo\r\nCO_TIPO_LEITO,2,1,2,VARCHAR2\r\n"
                                      "NO_TIPO_LEITO,80,3,82,VARCHAR2\r\nDT_COMPETENCIA,6,83,88,CHAR\r\n");
    RowBuilder b(korvane::resolveLayout(layoutOf(17), dir.path().string()));
    b.build("01" + std::string(60, 'y') + std::string(20, ' ') + "202206");
    EXPECT_EQ(b.values()[static_cast<std::size_t>(b.layout().insertIndex("CL_DESCR"))].asText(), std::string(60, 'y'));
    try {
        b.build("01" + std::string(61, 'y') + std::string(19, ' ') + "202206");
        FAIL() << "stored a name cut";
    } catch (const korvane::RowError& e) {
        EXPECT_STREQ(e.what(), "a text of 61 characters does not fit field 'CL_DESCR' (60)");
    }
}

TEST_F(LayoutFiles, AbsentFileKeepsTheFixedPositions)
{
    const korvane::ResolvedLayout r = korvane::resolveLayout(layoutOf(5), dir.path().string());
    EXPECT_TRUE(r.layoutFilePath.empty());
    EXPECT_EQ(r.cuts[9].offset, 282u);
    EXPECT_EQ(r.cuts[9].length, 10u);
    EXPECT_EQ(r.competenciaOffset, 324u);
}

TEST_F(LayoutFiles, FaultsNameTheFileAndTheColumn)
{
    const std::string path = (dir.path() / "tb_grupo_layout.txt").string();
    write("tb_grupo_layout.txt", "Coluna,Tamanho,Inicio,Fim,Tipo\r\nCO_GRUPO,2,1,2,VARCHAR2\r\n");
    EXPECT_EQ(error(14), "Column 'NO_GRUPO' not found in layout file \"" + path + "\"");

    write("tb_grupo_layout.txt", "Coluna,Tamanho,Inicio,Fim,Tipo\r\nCO_GRUPO,2,1,2\r\nNO_GRUPO,100,3,103,VARCHAR2\r\n");
    EXPECT_EQ(error(14), "Layout file \"" + path +
                             "\", line 3: Inicio 3, Fim 103 and Tamanho 100 of column 'NO_GRUPO' do not agree");
    write("tb_grupo_layout.txt", "Coluna,Tamanho,Inicio,Fim,Tipo\r\nCO_GRUPO,dois,1,2,VARCHAR2\r\n");
    EXPECT_EQ(error(14), "Layout file \"" + path + "\", line 2: 'dois' is not a valid Tamanho for column 'CO_GRUPO'");
    write("tb_grupo_layout.txt", "Coluna,Tamanho,Inicio,Fim,Tipo\r\nCO_GRUPO,2,0,1,VARCHAR2\r\n");
    EXPECT_EQ(error(14), "Layout file \"" + path + "\", line 2: '0' is not a valid Inicio for column 'CO_GRUPO'");
    write("tb_grupo_layout.txt", "CO_GRUPO,2,1,2,VARCHAR2\r\n");
    EXPECT_EQ(error(14), "Layout file \"" + path + "\", line 1: the header is not \"Coluna,Tamanho,Inicio,Fim,Tipo\"");
    write("tb_grupo_layout.txt", "\r\n");
    EXPECT_EQ(error(14), "Layout file \"" + path + "\" is empty");
    write("tb_grupo_layout.txt", "Coluna,Tamanho,Inicio,Fim,Tipo\r\nCO_GRUPO,2,1,2,A\r\nco_grupo,2,1,2,B\r\n");
    EXPECT_EQ(error(14), "Layout file \"" + path + "\", line 3: column 'CO_GRUPO' appears twice");

    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_EQ(error(14), "Cannot open file \"" + path + "\". Is a directory");
}

// --- reading a release file -------------------------------------------------------

} // namespace
