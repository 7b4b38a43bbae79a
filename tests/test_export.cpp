// Tables to CSV and XLSX and back: the CSV a Brazilian sheet reads, the XLSX
// read back as a zip apart from the program's reader, the cells of lists
// people bring, the codes found in them, what changed between two rows of a
// code, and the columns the list report prints.

#include "export/csv.h"
#include "export/sheetfile.h"
#include "export/xlsx.h"
#include "model/codelist.h"
#include "model/competence.h"
#include "reports/definition.h"
#include "reports/reportcolumns.h"
#include "data/memorytable.h"
#include "support/tempdb.h"
#include "support/xlsxsheet.h"

#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using Kind = kdata::ExtractColumn::Kind;

// A table as a grid would show it: a code, a name, a count and two amounts.
kdata::Extract sampleTable(kdata::MemoryTable& t)
{
    t.createDataSet();
    t.setFieldDef({QStringLiteral("CODIGO"), QStringLiteral("Código"), -1, kdata::DisplayFormat::Plain});
    t.setFieldDef({QStringLiteral("NOME"), QStringLiteral("Nome; completo"), -1, kdata::DisplayFormat::Plain});
    t.setFieldDef({QStringLiteral("VALOR"), QStringLiteral("Valor SH"), -1, kdata::DisplayFormat::Money});
    t.setFieldDef({QStringLiteral("TOTAL"), QStringLiteral("Total"), -1, kdata::DisplayFormat::Money});
    const auto row = [&](const char* code, const char* name, kdb::Value qtd, kdb::Value valor, kdb::Value total) {
        t.append();
        t.set(QStringLiteral("CODIGO"), kdb::Value(code));
        t.set(QStringLiteral("NOME"), kdb::Value(name));
        t.set(QStringLiteral("QTD"), qtd);
        t.set(QStringLiteral("VALOR"), valor);
        t.set(QStringLiteral("TOTAL"), total);
        t.post();
    };
    row("0301010072", "CONSULTA M\xC9" "DICA", kdb::Value(12), kdb::Value(kdb::Decimal(123450, 2)),
        kdb::Value(kdb::Decimal(-5, 2)));
    row("0211030100", "A \"B\"; C\nD & <E>", kdb::Value(), kdb::Value(kdb::Decimal(0, 2)), kdb::Value());
    return kdata::extract(t, {QStringLiteral("CODIGO"), QStringLiteral("NOME"), QStringLiteral("QTD"), QStringLiteral("VALOR"),
                              QStringLiteral("TOTAL")});
}

class Export : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    kdata::MemoryTable memory{QStringLiteral("t"), {{QStringLiteral("CODIGO"), 10}, {QStringLiteral("NOME"), 40},
                                                    {QStringLiteral("QTD"), 4}, {QStringLiteral("VALOR"), 12},
                                                    {QStringLiteral("TOTAL"), 12}}};
    ktest::TempDir dir;
};

TEST_F(Export, CsvIsWhatABrazilianSheetReads)
{
    const kdata::Extract t = sampleTable(memory);
    ASSERT_EQ(t.columns[2].kind, Kind::Integer);
    ASSERT_EQ(t.columns[3].kind, Kind::Money);
    const QByteArray file = kexport::csvFile(t);
    ASSERT_TRUE(file.startsWith("\xEF\xBB\xBF"));
    const QString text = QString::fromUtf8(file.mid(3));
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 4) << text.toStdString();   // header, two rows (one spans a line break), the last CR LF
    EXPECT_EQ(lines[0], QStringLiteral("Código;\"Nome; completo\";QTD;Valor SH;Total"));
    // Codes keep their zeros; amounts have a decimal comma and no grouping,
    // whatever the grid's grouping shows ("1.234,50").
    EXPECT_EQ(lines[1], QStringLiteral("0301010072;CONSULTA MÉDICA;12;1234,50;-0,05"));
    EXPECT_EQ(lines[2], QStringLiteral("0211030100;\"A \"\"B\"\"; C\nD & <E>\";;0,00;"));
    EXPECT_TRUE(lines[3].isEmpty());
    EXPECT_EQ(t.shown[0][3], QStringLiteral("1.234,50"));
}

TEST_F(Export, CsvReadsBackCellForCell)
{
    const kdata::Extract t = sampleTable(memory);
    const auto rows = kexport::parseCsv(kexport::csvFile(t));
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t i = 0; i < t.columns.size(); ++i) EXPECT_EQ(rows[0][i], t.columns[i].title);
    for (std::size_t r = 0; r < t.values.size(); ++r)
        for (std::size_t i = 0; i < t.columns.size(); ++i)
            EXPECT_EQ(rows[r + 1][i], kexport::csvCell(t.values[r][i], t.columns[i].kind, t.shown[r][i])) << r << "," << i;
    EXPECT_EQ(rows[2][1], QStringLiteral("A \"B\"; C\nD & <E>"));
}

TEST_F(Export, CsvOfOtherProgramsIsReadToo)
{
    // Commas, a tab, the region's old code page, blank lines, no final break.
    using Rows = std::vector<std::vector<QString>>;
    EXPECT_EQ(kexport::parseCsv("a,b\n\n\"c,d\",e"), (Rows{{"a", "b"}, {"c,d", "e"}}));
    EXPECT_EQ(kexport::parseCsv("a\tb\tc;d\r\n1\t2\t3;4\r\n"), (Rows{{"a", "b", "c;d"}, {"1", "2", "3;4"}}));
    EXPECT_EQ(kexport::parseCsv("M\xC9" "DICA;x\n"), (Rows{{QStringLiteral("MÉDICA"), "x"}}));
    EXPECT_EQ(kexport::parseCsv("0301010072\n0211030100\n"), (Rows{{"0301010072"}, {"0211030100"}}));
    EXPECT_EQ(kexport::parseCsv("\"\";x\n"), (Rows{{"", "x"}}));
    EXPECT_TRUE(kexport::parseCsv("").empty());
}

TEST_F(Export, XlsxHasTypedCellsAFrozenHeaderAndWidths)
{
    const kdata::Extract t = sampleTable(memory);
    const std::string path = dir.file("t.xlsx");
    kexport::writeXlsx(t, QString::fromStdString(path), QStringLiteral("Serviço / Classificação: [x]"));
    const ktest::XlsxSheet sheet = ktest::readXlsxSheet(path);
    ASSERT_TRUE(sheet.opened);
    ASSERT_EQ(sheet.rows.size(), 3u);
    for (std::size_t i = 0; i < t.columns.size(); ++i) {
        EXPECT_EQ(sheet.rows[0][i].text, t.columns[i].title);
        EXPECT_TRUE(sheet.rows[0][i].isText());
    }
    const auto& first = sheet.rows[1];
    EXPECT_EQ(first[0].text, QStringLiteral("0301010072"));
    EXPECT_TRUE(first[0].isText());
    EXPECT_EQ(first[0].numFormat, QStringLiteral("@"));
    EXPECT_EQ(first[1].text, QStringLiteral("CONSULTA MÉDICA"));
    EXPECT_TRUE(first[2].type.isEmpty() || first[2].type == QLatin1String("n"));
    EXPECT_EQ(first[2].text, QStringLiteral("12"));
    EXPECT_EQ(first[3].text.toDouble(), 1234.5);
    EXPECT_EQ(first[3].numFormat, QStringLiteral("#,##0.00"));
    EXPECT_EQ(first[4].text.toDouble(), -0.05);
    const auto& second = sheet.rows[2];
    EXPECT_EQ(second[1].text, QStringLiteral("A \"B\"; C\nD & <E>"));
    EXPECT_TRUE(second[2].text.isEmpty());   // NULL: no value
    EXPECT_EQ(second[3].text, QStringLiteral("0"));
    EXPECT_EQ(second.size(), 4u);            // the last NULL is no cell at all

    const QString xml = QString::fromUtf8(sheet.sheetXml);
    EXPECT_TRUE(xml.contains(QRegularExpression(QStringLiteral("<pane [^>]*ySplit=\"1\"[^>]*state=\"frozen\""))))
        << xml.toStdString();
    const std::vector<int> widths = kexport::xlsxWidths(t);
    EXPECT_GE(widths[1], QStringLiteral("A \"B\"; C\nD & <E>").size());
    EXPECT_GE(widths[3], QStringLiteral("Valor SH").size());
    EXPECT_TRUE(xml.contains(QStringLiteral("<col min=\"2\" max=\"2\" width=\"%1").arg(widths[1])));
    const QString book = QString::fromUtf8(sheet.members.at(QStringLiteral("xl/workbook.xml")));
    EXPECT_TRUE(book.contains(QStringLiteral("name=\"Serviço  Classificação x\""))) << book.toStdString();

    // The program's own reader sees the same cells.
    const auto back = kexport::readXlsx(QString::fromStdString(path));
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[1][0].text, QStringLiteral("0301010072"));
    EXPECT_FALSE(back[1][0].number);
    EXPECT_TRUE(back[1][3].number);
    EXPECT_EQ(back[2][1].text, second[1].text);
}

TEST_F(Export, FilesOfEitherTypeAndTheirFaults)
{
    EXPECT_EQ(kexport::fileTypeOf(QStringLiteral("a/b.CSV")), kexport::FileType::Csv);
    EXPECT_EQ(kexport::fileTypeOf(QStringLiteral("b.xlsx")), kexport::FileType::Xlsx);
    EXPECT_FALSE(kexport::fileTypeOf(QStringLiteral("b.xls")));
    EXPECT_EQ(kexport::withExtension(QStringLiteral("lista"), kexport::FileType::Csv), QStringLiteral("lista.csv"));
    EXPECT_EQ(kexport::withExtension(QStringLiteral("lista.xlsx"), kexport::FileType::Xlsx), QStringLiteral("lista.xlsx"));
    EXPECT_EQ(kexport::sheetName(QString(40, QLatin1Char('a'))).size(), 31);
    EXPECT_EQ(kexport::sheetName(QStringLiteral("//")), QStringLiteral("Planilha1"));

    const kdata::Extract t = sampleTable(memory);
    // A sheet is known by its content, whatever the name says.
    const QString disguised = QString::fromStdString(dir.file("codigos.txt"));
    kexport::writeTable(t, disguised, kexport::FileType::Xlsx, QStringLiteral("x"));
    EXPECT_EQ(kexport::readTable(disguised)[1][0], QStringLiteral("0301010072"));
    const QString csv = QString::fromStdString(dir.file("codigos.csv"));
    kexport::writeTable(t, csv, kexport::FileType::Csv, QString());
    EXPECT_EQ(kexport::readTable(csv)[1][3], QStringLiteral("1234,50"));

    const QString nowhere = QString::fromStdString(dir.file("none/x"));
    for (auto type : {kexport::FileType::Csv, kexport::FileType::Xlsx}) {
        try {
            kexport::writeTable(t, nowhere, type, QString());
            ADD_FAILURE() << "wrote into a missing folder";
        } catch (const std::runtime_error& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(nowhere)) << e.what();
        }
    }
    EXPECT_THROW(kexport::readTable(nowhere), std::runtime_error);
    QFile broken(QString::fromStdString(dir.file("broken.xlsx")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("PK\x03\x04 not a zip");
    broken.close();
    EXPECT_THROW(kexport::readTable(broken.fileName()), std::runtime_error);
}

TEST(CodeList, CodesInAnyMaskAndSeparation)
{
    const auto codes = korvane::codesInText(
        QStringLiteral("03.01.01.007-2, 0211030100;301010030\n  0301010072\t0401.01.001-5 12345 CONSULTA 03010100"));
    std::vector<std::string> got;
    for (const auto& c : codes) got.push_back(c.code);
    // A code given twice is listed once; a code of eight digits is listed as
    // typed without a code; a short number and a word are no codes.
    EXPECT_EQ(got, (std::vector<std::string>{"0301010072", "0211030100", "0301010030", "0401010015", ""}));
    EXPECT_EQ(codes[0].typed, QStringLiteral("03.01.01.007-2"));
    EXPECT_EQ(codes.back().typed, QStringLiteral("03010100"));
    EXPECT_TRUE(korvane::codesInText(QStringLiteral("  \n ;; ,")).empty());
}

TEST(CodeList, CellsOfAnExportedListGiveItsCodes)
{
    // The list's own CSV read back: titles, names and amounts are no codes.
    const std::vector<std::vector<QString>> rows = {
        {QStringLiteral("Código"), QStringLiteral("Procedimento"), QStringLiteral("Valor SH"), QStringLiteral("Qt.")},
        {QStringLiteral("0301010072"), QStringLiteral("CONSULTA 2"), QStringLiteral("123456,78"), QStringLiteral("12")},
        {QStringLiteral("301010030"), QString(), QStringLiteral("1.234,50"), QString()},
        {QStringLiteral("0211030100, 0401010015"), QStringLiteral("X")},
    };
    std::vector<std::string> got;
    for (const auto& c : korvane::codesInCells(rows)) got.push_back(c.code);
    EXPECT_EQ(got, (std::vector<std::string>{"0301010072", "0301010030", "0211030100", "0401010015"}));
}

TEST(Competence, ChangesBetweenTwoRowsOfACode)
{
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    korvane::CodeRow before, now;
    before.found = now.found = true;
    before.code = now.code = "0301010072";
    before.name = now.name = QStringLiteral("CONSULTA");
    before.sh = kdb::Value(kdb::Decimal(1200, 2));
    now.sh = kdb::Value(kdb::Decimal(12, 0));   // the same amount at another scale
    before.sp = kdb::Value(kdb::Decimal(500, 2));
    now.sp = kdb::Value(kdb::Decimal(123456, 2));
    before.instruments = QStringLiteral("BPA (Consolidado)");
    EXPECT_EQ(korvane::rowChanges(before, now),
              (std::vector<QString>{QStringLiteral("Valor SP: de 5,00 para 1.234,56"),
                                    QStringLiteral("Instrumentos: de BPA (Consolidado) para —")}));
    EXPECT_TRUE(korvane::rowChanges(before, before).empty());
    korvane::CodeRow absent;
    EXPECT_EQ(korvane::rowChanges(absent, now), std::vector<QString>{QStringLiteral("incluído")});
    EXPECT_EQ(korvane::rowChanges(now, absent), std::vector<QString>{QStringLiteral("excluído")});
    EXPECT_TRUE(korvane::rowChanges(absent, absent).empty());

    EXPECT_EQ(korvane::competenciaShown(QStringLiteral("202606")), QStringLiteral("06/2026"));
    EXPECT_EQ(korvane::competenciaOf(QStringLiteral(" 06/2026 ")), QStringLiteral("202606"));
    EXPECT_EQ(korvane::competenciaOf(QStringLiteral("202606")), QStringLiteral("202606"));
    QLocale::setDefault(QLocale::c());
}

TEST(ReportColumns, TheListsColumnsComeFromTheProject)
{
    const auto project = kreports::loadProject(QStringLiteral(KORVANE_REPORT_PROJECTS_DIR "/TabelaGeral.rav"));
    const kreports::Section* s = kreports::sectionOf(project->defaultReport(), QStringLiteral("rvdtsimpprocgeral"));
    ASSERT_TRUE(s);
    const auto columns = kreports::reportColumns(*s);
    ASSERT_EQ(columns.size(), 13u);
    EXPECT_EQ(columns[0].field, QStringLiteral("PROC_COD"));
    EXPECT_EQ(columns[0].title, QStringLiteral("Código"));
    EXPECT_EQ(columns[5].field, QStringLiteral("PROC_QTD_MAX"));
    EXPECT_EQ(columns[5].title, QStringLiteral("Qt. máxima"));   // two lines of the header, top first
    EXPECT_EQ(columns[12].field, QStringLiteral("PROC_VL_SP"));
    EXPECT_FALSE(kreports::sectionOf(project->defaultReport(), QStringLiteral("nada")));
}

} // namespace
