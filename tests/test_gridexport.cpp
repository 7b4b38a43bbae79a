// "Exportar…" of the windows' grids and the list of codes: the files written
// are read back (CSV parsed, XLSX opened as a zip) and compared cell for cell
// with what the grid shows, under the search and filters of the moment.

#include "app/reportmenu.h"
#include "app/uListaCodigos.h"
#include "export/csv.h"
#include "lookup/uCid10.h"
#include "reports/project.h"
#include "ui/gridexport.h"
#include "ui/reportoutput.h"
#include "ui/reportpreview.h"
#include "support/browserfixture.h"
#include "support/gridshown.h"
#include "support/pdftext.h"
#include "support/xlsxsheet.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <filesystem>

namespace {

using ktest::Grid;

// Stands in for the save dialog: the next file and type, and what was offered.
struct ChosenFile : kui::ExportDialogs {
    QString path;
    kexport::FileType type = kexport::FileType::Csv;
    QString offered;
    int asked = 0;
    QString chooseExportFile(QWidget*, const QString& suggestion, kexport::FileType& chosen) override
    {
        ++asked;
        offered = suggestion;
        chosen = type;
        return path;
    }
};

using ktest::shownBy;

// A money cell as the grid draws it ("1.234,50") from the file's number.
QString asShown(const QString& fileText, bool money)
{
    if (!money || fileText.isEmpty()) return fileText;
    return QLocale().toString(QLocale::c().toDouble(QString(fileText).replace(QLatin1Char(','), QLatin1Char('.'))), 'f', 2);
}

Grid csvRead(const QString& path, const std::vector<bool>& money)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    Grid rows = kexport::parseCsv(bytes);
    for (std::size_t r = 1; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size() && c < money.size(); ++c) rows[r][c] = asShown(rows[r][c], money[c]);
    return rows;
}

Grid xlsxRead(const QString& path, std::size_t columns)
{
    const ktest::XlsxSheet sheet = ktest::readXlsxSheet(path.toStdString());
    EXPECT_TRUE(sheet.opened) << path.toStdString();
    Grid rows;
    for (const auto& row : sheet.rows) {
        rows.emplace_back();
        for (std::size_t c = 0; c < columns; ++c) {
            const ktest::XlsxCell cell = c < row.size() ? row[c] : ktest::XlsxCell{};
            const bool money = cell.numFormat == QLatin1String("#,##0.00");
            if (money) EXPECT_FALSE(cell.isText());   // a number, not a text
            rows.back().push_back(money ? QLocale().toString(cell.text.toDouble(), 'f', 2) : cell.text);
        }
    }
    return rows;
}

class GridExport : public ktest::Browser {
protected:
    void SetUp() override
    {
        ktest::Browser::SetUp();
        kui::setExportDialogs(&chosen);
    }
    void TearDown() override
    {
        kui::setExportDialogs(nullptr);
        ktest::Browser::TearDown();
    }

    // The grid's "Exportar…", as its right button offers it, to a file of the type.
    QString exportFrom(kui::DBGrid* grid, kexport::FileType type, const char* name)
    {
        chosen.type = type;
        chosen.path = QString::fromStdString(dir.file(name));
        EXPECT_EQ(grid->contextMenuPolicy(), Qt::ActionsContextMenu);
        auto* action = grid->findChild<QAction*>(QStringLiteral("actExportar"));
        EXPECT_TRUE(action && action->text() == QStringLiteral("Exportar…"));
        if (action) action->trigger();
        return chosen.path;
    }

    // Both files against the grid.
    void expectBothMatch(kui::DBGrid* grid, const std::vector<bool>& money)
    {
        const Grid shown = shownBy(grid);
        EXPECT_EQ(csvRead(exportFrom(grid, kexport::FileType::Csv, "grid.csv"), money), shown);
        EXPECT_EQ(xlsxRead(exportFrom(grid, kexport::FileType::Xlsx, "grid.xlsx"), shown[0].size()), shown);
        EXPECT_TRUE(dialogs.errors.empty()) << (dialogs.errors.empty() ? "" : dialogs.errors[0].toStdString());
    }

    ChosenFile chosen;
};

TEST_F(GridExport, TheProcedureListAsSearched)
{
    auto* grid = child<kui::DBGrid>("dbgProcs");
    type(child<QLineEdit>("edtPesquise"), QStringLiteral("CONSULTA"));
    const Grid shown = shownBy(grid);
    ASSERT_EQ(shown.size(), 4u);   // the titles and the three consultations
    EXPECT_EQ(shown[0], (std::vector<QString>{QStringLiteral("CÓDIGO"), QStringLiteral("DESCRIÇÃO")}));
    expectBothMatch(grid, {false, false});
    EXPECT_TRUE(chosen.offered.endsWith(QStringLiteral("/Procedimentos.xlsx"))) << chosen.offered.toStdString();
    // Its right button also opens the list of codes, as Ctrl+L does.
    const auto actions = grid->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[1]->text(), QStringLiteral("LISTA DE CÓDIGOS"));
    EXPECT_EQ(actions[1]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
}

TEST_F(GridExport, APageUnderItsOwnSearchWithMoney)
{
    moveTo("0301010072");
    auto* cids = child<kui::DBGrid>("dbgCid10");
    ASSERT_EQ(shownBy(cids).size(), 4u);
    type(child<QLineEdit>("edtPesquiseCid"), QStringLiteral("J18"));
    ASSERT_EQ(shownBy(cids).size(), 2u);   // the page's search narrows what is exported too
    expectBothMatch(cids, {false, false, false});

    moveTo("0401010015");
    auto* compatible = child<kui::DBGrid>("DBGrid3");
    const Grid shown = shownBy(compatible);
    ASSERT_EQ(shown.size(), 3u);
    expectBothMatch(compatible, {false, false, false, false, true});
    EXPECT_TRUE(chosen.offered.endsWith(QStringLiteral("/Compatível.xlsx"))) << chosen.offered.toStdString();
}

TEST_F(GridExport, GivingUpWritesNothing)
{
    chosen.path.clear();
    auto* action = child<kui::DBGrid>("dbgProcs")->findChild<QAction*>(QStringLiteral("actExportar"));
    ASSERT_TRUE(action);
    action->trigger();
    EXPECT_EQ(chosen.asked, 1);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "") || !std::filesystem::exists(dir.file("grid.csv")));
    EXPECT_TRUE(dialogs.errors.empty());
    // A file that cannot be written is said, and the window goes on.
    chosen.path = QString::fromStdString(dir.file("none/grid.csv"));
    action->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_TRUE(dialogs.errors[0].contains(chosen.path)) << dialogs.errors[0].toStdString();
}

TEST_F(GridExport, TheLookupWindowsGrids)
{
    TfrmCid10 window(w->dtbDados(), [](const QString&) {});
    window.show();
    auto* box = window.findChild<QLineEdit*>(QStringLiteral("edtPesquise"));
    box->setFocus();
    ktest::typeKeys(box, QStringLiteral("A0"));
    auto* codes = window.findChild<kui::DBGrid*>(QStringLiteral("DBGrid1"));
    ASSERT_TRUE(codes);
    ASSERT_EQ(shownBy(codes).size(), 3u);   // A00 and A01
    expectBothMatch(codes, {false, false, false});
    EXPECT_TRUE(chosen.offered.endsWith(QStringLiteral("/CID10.xlsx"))) << chosen.offered.toStdString();
    expectBothMatch(window.findChild<kui::DBGrid*>(QStringLiteral("DBGrid2")), {false, false});
}

class CodeListWindow : public GridExport {
protected:
    void SetUp() override
    {
        GridExport::SetUp();
        window = std::make_unique<TfrmListaCodigos>(w->dtbDados(), [this](const QString& c) { handedBack = c; });
        window->report().RvListaCodigos()->setProjectFile(QStringLiteral(KORVANE_REPORT_PROJECTS_DIR "/ListaCodigos.rav"));
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        GridExport::TearDown();
    }

    void consult(const QString& text)
    {
        auto* box = window->findChild<QPlainTextEdit*>(QStringLiteral("memCodigos"));
        box->setPlainText(text);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnConsultar")), Qt::LeftButton);
    }

    std::unique_ptr<TfrmListaCodigos> window;
    QString handedBack;
};

TEST_F(CodeListWindow, OneRowEachCodeFoundOrNot)
{
    consult(QStringLiteral("03.01.01.007-2; 9999999999\n301010030 0301 12345678"));
    auto* grid = window->findChild<kui::DBGrid*>(QStringLiteral("dbgCodigos"));
    const Grid shown = shownBy(grid);
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_EQ(shown[0], (std::vector<QString>{"Código", "Procedimento", "Valor SA", "Valor SH", "Valor SP", "Total",
                                              "Financiamento", "Complexidade", "Instrumentos de registro", "Situação"}));
    EXPECT_EQ(shown[1], (std::vector<QString>{"0301010072", "CONSULTA MEDICA EM ATENCAO ESPECIALIZADA", "10,00", "0,00",
                                              "0,00", "10,00", QStringLiteral("Média e Alta Complexidade (MAC)"),
                                              QStringLiteral("MÉDIA COMPLEXIDADE"), "BPA (Individualizado)",
                                              QStringLiteral("válido")}));
    EXPECT_EQ(shown[2][0], QStringLiteral("9999999999"));
    EXPECT_EQ(shown[2][9], QStringLiteral("não está nesta competência"));
    EXPECT_TRUE(shown[2][1].isEmpty());
    EXPECT_EQ(shown[3][0], QStringLiteral("0301010030"));   // its leading zero back
    EXPECT_EQ(shown[4][0], QStringLiteral("12345678"));
    EXPECT_EQ(shown[4][9], QStringLiteral("código inválido"));
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblContagem"))->text(),
              QStringLiteral("4 código(s); 2 não encontrado(s) nesta competência"));

    // One competência kept: nothing to compare with, and the window says why.
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblCompetencia"))->text(), QStringLiteral("Competência: 06/2022"));
    EXPECT_FALSE(window->findChild<QComboBox*>(QStringLiteral("cmbComparar"))->isEnabled());
    EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("lblComparacao"))->text(),
              QStringLiteral("A comparação pede mais de uma competência guardada; este banco guarda só 06/2022."));

    expectBothMatch(grid, {false, false, true, true, true, true, false, false, false, false});
    chosen.path = QString::fromStdString(dir.file("lista.xlsx"));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnExportar")), Qt::LeftButton);
    EXPECT_EQ(xlsxRead(chosen.path, 10), shown);
}

TEST_F(CodeListWindow, ListsOpenedFromASheetPrintAndHandBack)
{
    // A sheet of codes, typed by someone whose sheet dropped the zeros.
    const QString sheet = QString::fromStdString(dir.file("codigos.xlsx"));
    kdata::MemoryTable t(QStringLiteral("t"), {{QStringLiteral("COD"), 10}});
    t.createDataSet();
    for (long long code : {401010015LL, 301010072LL}) {
        t.append();
        t.set(QStringLiteral("COD"), kdb::Value(static_cast<std::int64_t>(code)));
        t.post();
    }
    kexport::writeTable(kdata::extract(t, {QStringLiteral("COD")}), sheet, kexport::FileType::Xlsx, QStringLiteral("x"));
    window->batch().openFile(sheet);
    const Grid shown = shownBy(window->findChild<kui::DBGrid*>(QStringLiteral("dbgCodigos")));
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[1][0], QStringLiteral("0401010015"));
    EXPECT_EQ(shown[2][0], QStringLiteral("0301010072"));

    const QString pdf = QString::fromStdString(dir.file("lista.pdf"));
    kui::PdfFileOutput output(pdf);
    kui::setReportOutput(&output);
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnImprimir")), Qt::LeftButton);
    kui::setReportOutput(nullptr);
    const QString text = ktest::pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Lista de códigos")));
    EXPECT_LT(text.indexOf(QStringLiteral("0401010015")), text.indexOf(QStringLiteral("0301010072")));
    EXPECT_TRUE(text.contains(QStringLiteral("Total de códigos: 2"))) << text.toStdString();
    ASSERT_TRUE(output.last() && output.last()->table);
    EXPECT_EQ(output.last()->table->values.size(), 2u);

    window->batch().cdsCodigos()->moveTo(1);
    window->dbgCodigosDblClick();
    EXPECT_EQ(handedBack, QStringLiteral("0301010072"));
}

TEST_F(GridExport, TheProcedureListReportToASheet)
{
    const auto reports = dir.path() / "RELATORIOS";
    w->reports().RvTabelaGeral()->setProjectFile(QStringLiteral(KORVANE_REPORT_PROJECTS_DIR "/TabelaGeral.rav"));
    kui::ModelessPreviewOutput output;
    kui::setReportOutput(&output);
    w->findChild<QAction*>(QStringLiteral("SintticoNumrico1"))->trigger();
    kui::setReportOutput(nullptr);
    kui::PreviewDialog* preview = output.last();
    ASSERT_TRUE(preview);
    auto* save = preview->findChild<QPushButton*>(QStringLiteral("btnSaveXlsx"));
    ASSERT_TRUE(save && save->isVisible());
    chosen.type = kexport::FileType::Xlsx;
    chosen.path = QString::fromStdString(dir.file("lista.xlsx"));
    QTest::mouseClick(save, Qt::LeftButton);
    const ktest::XlsxSheet sheet = ktest::readXlsxSheet(chosen.path.toStdString());
    ASSERT_EQ(sheet.rows.size(), ktest::kAll.size() + 1);   // the titles, every procedure (one without financing too)
    EXPECT_EQ(sheet.rows[0][5].text, QStringLiteral("Qt. máxima"));
    EXPECT_EQ(sheet.rows[1][0].text, QStringLiteral("0211030100"));   // in code order, as printed
    EXPECT_TRUE(sheet.rows[1][0].isText());
    EXPECT_EQ(sheet.rows[1][12].numFormat, QStringLiteral("#,##0.00"));
    delete preview;

    // The sheet of one procedure has no rows under columns to give.
    type(child<QLineEdit>("edtPesquise"), QStringLiteral("0301010072"));
    w->reports().RvTabelaAnalitica()->setProjectFile(QStringLiteral(KORVANE_REPORT_PROJECTS_DIR "/TabelaAnalitica.rav"));
    kui::setReportOutput(&output);
    w->findChild<QAction*>(QStringLiteral("Analtico1"))->trigger();
    kui::setReportOutput(nullptr);
    ASSERT_TRUE(output.last());
    EXPECT_FALSE(output.last()->findChild<QPushButton*>(QStringLiteral("btnSaveXlsx"))->isVisible());
    delete output.last();
}

} // namespace
