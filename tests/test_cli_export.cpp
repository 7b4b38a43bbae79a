// korvane-cli export and batch against the windows' grids: each file the
// command writes is read back and compared with what the window shows for
// the same search, on the same database. Where LibreOffice is installed, it
// opens the files too.

#include "app/uListaCodigos.h"
#include "export/csv.h"
#include "lookup/uCid10.h"
#include "support/browserfixture.h"
#include "support/gridshown.h"
#include "support/xlsxsheet.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QStandardPaths>

namespace {

using ktest::Grid;

struct Outcome {
    int status = -1;
    QString out, err;
};

using ktest::shownBy;

Grid csvCells(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return kexport::parseCsv(f.readAll());
}

// The sheet's texts; amounts as the grid draws them.
Grid xlsxCells(const QString& path)
{
    Grid out;
    for (const auto& row : ktest::readXlsxSheet(path.toStdString()).rows) {
        out.emplace_back();
        for (const auto& c : row)
            out.back().push_back(c.numFormat == QLatin1String("#,##0.00") ? QLocale().toString(c.text.toDouble(), 'f', 2) : c.text);
    }
    return out;
}

class CliExport : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ktest::ensureApplication(); }
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        db = ktest::createFixtureDatabase(dir);
    }
    void TearDown() override
    {
        w.reset();
        QLocale::setDefault(QLocale::c());
    }

    Outcome cli(QStringList args, const QByteArray& input = {})
    {
        args.prepend(QString::fromStdString(db));
        args.prepend(QStringLiteral("--database"));
        QProcess p;
        p.start(QStringLiteral(KORVANE_CLI_EXE), args);
        if (!input.isEmpty()) p.write(input);
        p.closeWriteChannel();
        p.waitForFinished(120000);
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    QString file(const char* name) const { return QString::fromStdString(dir.file(name)); }

    // Both files of one list, then the window (one process at a time holds
    // the embedded database).
    void exportBoth(const QStringList& list, const char* stem)
    {
        for (const char* type : {"--csv", "--xlsx"}) {
            const Outcome o = cli(QStringList{QStringLiteral("export")} + list +
                                  QStringList{QString::fromLatin1(type), file(stem) + QLatin1Char('.') + QString::fromLatin1(type + 2)});
            ASSERT_EQ(o.status, 0) << o.err.toStdString();
        }
    }
    void openWindow()
    {
        w = std::make_unique<TfrmKorvane>(db);
        w->show();
    }
    void expectFilesShow(const char* stem, const Grid& shown)
    {
        // Money in the CSV is a number with a decimal comma; the grid groups it.
        Grid csv = csvCells(file(stem) + QStringLiteral(".csv"));
        for (auto& row : csv)
            for (QString& c : row)
                if (c.contains(QRegularExpression(QStringLiteral("^-?\\d+,\\d\\d$"))))
                    c = QLocale().toString(QLocale::c().toDouble(QString(c).replace(u',', u'.')), 'f', 2);
        EXPECT_EQ(csv, shown);
        EXPECT_EQ(xlsxCells(file(stem) + QStringLiteral(".xlsx")), shown);
    }

    ktest::TempDir dir;
    std::string db;
    std::unique_ptr<TfrmKorvane> w;
};

TEST_F(CliExport, SearchAndAPageOfShowAreTheWindowsGrids)
{
    exportBoth({"search", "CONSULTA"}, "search");
    exportBoth({"show", "03.01.01.007-2", "--page", "cid10"}, "cid10");
    exportBoth({"show", "0401010015", "--page", QStringLiteral("Compatível")}, "compativel");
    openWindow();
    auto* box = ktest::control<QLineEdit>(*w, "edtPesquise");
    box->setFocus();
    ktest::typeKeys(box, QStringLiteral("CONSULTA"));
    expectFilesShow("search", shownBy(ktest::control<kui::DBGrid>(*w, "dbgProcs")));
    w->model().handBack(QStringLiteral("0301010072"));
    expectFilesShow("cid10", shownBy(ktest::control<kui::DBGrid>(*w, "dbgCid10")));
    w->model().handBack(QStringLiteral("0401010015"));
    const Grid compatible = shownBy(ktest::control<kui::DBGrid>(*w, "DBGrid3"));
    ASSERT_EQ(compatible.size(), 3u);
    expectFilesShow("compativel", compatible);
}

TEST_F(CliExport, LookupsAreTheLookupWindowsGrids)
{
    exportBoth({"cid", "A0"}, "cid");
    openWindow();
    TfrmCid10 window(w->dtbDados(), [](const QString&) {});
    window.show();
    auto* box = window.findChild<QLineEdit*>(QStringLiteral("edtPesquise"));
    box->setFocus();
    ktest::typeKeys(box, QStringLiteral("A0"));
    const Grid shown = shownBy(window.findChild<kui::DBGrid*>(QStringLiteral("DBGrid1")));
    ASSERT_EQ(shown.size(), 3u);
    expectFilesShow("cid", shown);
}

TEST_F(CliExport, BatchIsTheListWindowsGrid)
{
    const QString codes = file("codigos.txt");
    QFile f(codes);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("03.01.01.007-2\n9999999999, 401010015\n");
    f.close();
    exportBoth({"batch", codes}, "batch");
    const Outcome human = cli({"batch", codes});
    ASSERT_EQ(human.status, 0) << human.err.toStdString();
    EXPECT_TRUE(human.err.contains(QStringLiteral("Competência 06/2022: 3 códigos, 1 não encontrados"))) << human.err.toStdString();
    const Outcome piped = cli({"--csv", "batch", "-"}, "0301010072 9999999999 0401010015");
    ASSERT_EQ(piped.status, 0) << piped.err.toStdString();
    EXPECT_TRUE(piped.err.isEmpty());

    openWindow();
    TfrmListaCodigos window(w->dtbDados(), [](const QString&) {});
    window.findChild<QPlainTextEdit*>(QStringLiteral("memCodigos"))->setPlainText(QStringLiteral("0301010072 9999999999 0401010015"));
    window.btnConsultarClick();
    const Grid shown = shownBy(window.findChild<kui::DBGrid*>(QStringLiteral("dbgCodigos")));
    ASSERT_EQ(shown.size(), 4u);
    expectFilesShow("batch", shown);
    // The terminal's CSV is the file's body.
    Grid fromPipe = kexport::parseCsv(piped.out.toUtf8());
    EXPECT_EQ(fromPipe, csvCells(file("batch.csv")));
}

TEST_F(CliExport, EveryFaultHasAMessageAndAStatus)
{
    EXPECT_EQ(cli({"export", "search", "X"}).status, 2);                                  // no file
    EXPECT_EQ(cli({"export", "nada", "X", "--csv", file("a.csv")}).status, 2);             // no such list
    EXPECT_EQ(cli({"export", "show", "0301010072", "--csv", file("a.csv")}).status, 2);    // no page
    EXPECT_EQ(cli({"export", "search", "X", "--csv", file("a.csv"), "--xlsx", file("a.xlsx")}).status, 2);
    const Outcome unwritable = cli({"export", "search", "X", "--csv", file("none/a.csv")});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains(file("none/a.csv"))) << unwritable.err.toStdString();
    const Outcome compare = cli({"batch", "-", "--comparar", "05/2022"}, "0301010072");
    EXPECT_EQ(compare.status, 1);
    EXPECT_TRUE(compare.err.contains(QStringLiteral("mais de uma competência"))) << compare.err.toStdString();
    EXPECT_EQ(cli({"batch", file("none.txt")}).status, 1);
    EXPECT_FALSE(QFile::exists(file("a.csv")));
}

// LibreOffice opens both files: the sheet as it is, the CSV as a Brazilian
// import reads it (';', UTF-8, Portuguese numbers, the code column as text).
TEST_F(CliExport, LibreOfficeOpensBothFiles)
{
    QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) soffice = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    const Outcome o = cli({"export", "search", "", "--xlsx", file("all.xlsx")});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    ASSERT_EQ(cli({"export", "search", "", "--csv", file("all.csv")}).status, 0);
    const QString out = file("lo");
    const auto convert = [&](const QStringList& args) {
        QProcess p;
        p.start(soffice, QStringList{QStringLiteral("--headless"), QStringLiteral("-env:UserInstallation=file://") + file("profile")} +
                             args + QStringList{QStringLiteral("--outdir"), out});
        return p.waitForFinished(180000) && p.exitCode() == 0;
    };
    ASSERT_TRUE(convert({"--convert-to", "csv:Text - txt - csv (StarCalc):59,34,76,1", file("all.xlsx")}));
    const Grid fromSheet = csvCells(out + QStringLiteral("/all.csv"));
    const Grid written = csvCells(file("all.csv"));
    ASSERT_EQ(fromSheet.size(), written.size());
    for (std::size_t r = 0; r < written.size(); ++r) EXPECT_EQ(fromSheet[r].at(0), written[r].at(0));   // codes kept whole
    ASSERT_TRUE(convert({"--infilter=CSV:59,34,76,1,1/2,1046", "--convert-to", "xlsx", file("all.csv")}));
    const ktest::XlsxSheet back = ktest::readXlsxSheet((out + QStringLiteral("/all.xlsx")).toStdString());
    ASSERT_TRUE(back.opened);
    ASSERT_EQ(back.rows.size(), written.size());
    EXPECT_EQ(back.rows[1][0].text, written[1][0]);
}

} // namespace
