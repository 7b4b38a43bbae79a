// korvane-cli as a script runs it, on a database made by korvane-cli from a
// generated release: the consultation in the three output formats, the
// older command names, and an exit status and a message for every fault.

#include "data/extract.h"
#include "cli/output.h"
#include "support/tempdb.h"
#include "tools/releasegen.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

struct Outcome {
    int status = -1;
    QString out, err;
};

Outcome run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The first line of a generated file, as the release wrote it.
std::string firstLine(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::getline(in, line);
    return line;
}

class Cli : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new ktest::TempDir;
        release = dir->file("release");
        korvane::ReleaseOptions o;
        o.seed = 5;
        o.scale = 0.05;
        o.laterFiles = true;
        korvane::generateRelease(release, o);
        db = dir->file("KORVANE.GDB");
        created = run(QStringLiteral(KORVANE_CLI_EXE), {"--database", QString::fromStdString(db), "createdb",
                                                        QString::fromStdString(release)});
        loaded = run(QStringLiteral(KORVANE_CLI_EXE), {"--database", QString::fromStdString(db), "update",
                                                       QString::fromStdString(release)});
    }
    static void TearDownTestSuite() { delete dir; }

    Outcome cli(QStringList args) const
    {
        args.prepend(QString::fromStdString(db));
        args.prepend(QStringLiteral("--database"));
        return run(QStringLiteral(KORVANE_CLI_EXE), args);
    }

    static std::string procedureCode() { return firstLine(release + "/tb_procedimento.txt").substr(0, 10); }

    static ktest::TempDir* dir;
    static std::string release, db;
    static Outcome created, loaded;
};
ktest::TempDir* Cli::dir = nullptr;
std::string Cli::release, Cli::db;
Outcome Cli::created, Cli::loaded;

TEST_F(Cli, MakesTheDatabaseAndLoadsTheRelease)
{
    EXPECT_EQ(created.status, 0) << created.err.toStdString();
    EXPECT_TRUE(created.out.startsWith(QStringLiteral("created "))) << created.out.toStdString();
    EXPECT_EQ(loaded.status, 0) << loaded.err.toStdString();
    EXPECT_TRUE(loaded.out.contains(QStringLiteral("loaded "))) << loaded.out.toStdString();
    EXPECT_TRUE(loaded.err.contains(QStringLiteral("step 39/39"))) << loaded.err.toStdString();
    EXPECT_FALSE(loaded.out.contains(QStringLiteral("not in this release"))) << loaded.out.toStdString();
}

TEST_F(Cli, AnOlderReleaseLoadsAndSaysWhichFilesItLacks)
{
    const std::string older = dir->file("older");
    std::filesystem::copy(release, older);
    for (const char* f : {"rl_procedimento_tuss.txt", "tb_rubrica.txt"}) std::filesystem::remove(older + "/" + f);
    const std::string copy = dir->file("OLDER.GDB");
    std::filesystem::copy_file(db, copy);
    const Outcome o = run(QStringLiteral(KORVANE_CLI_EXE),
                          {"--database", QString::fromStdString(copy), "update", QString::fromStdString(older)});
    ASSERT_EQ(o.status, 0) << o.err.toStdString();
    EXPECT_TRUE(o.out.contains(QStringLiteral("not in this release: rl_procedimento_tuss.txt (TB_PROC_TUSS left empty)\n")))
        << o.out.toStdString();
    EXPECT_TRUE(o.out.contains(QStringLiteral("not in this release: tb_rubrica.txt (TB_RUBRICA left empty)\n")));
    EXPECT_EQ(o.out.count(QStringLiteral("not in this release")), 2);
}

TEST_F(Cli, ShowListsTheLaterPages)
{
    // A procedure with a TUSS code, as the release links them.
    const std::string link = firstLine(release + "/rl_procedimento_tuss.txt");
    const QString code = QString::fromStdString(link.substr(0, 10));
    const QString tuss = QString::fromStdString(link.substr(10, 8));
    const Outcome page = cli({"--csv", "show", code, "--page", "tuss"});
    ASSERT_EQ(page.status, 0) << page.err.toStdString();
    EXPECT_TRUE(page.out.startsWith(QStringLiteral("TUSS;Descrição\r\n")) || page.out.startsWith(QStringLiteral("TUSS;Descrição\n")))
        << page.out.toStdString();
    EXPECT_TRUE(page.out.contains(tuss)) << page.out.toStdString();
    // By caption as well as by key, and every later page in the JSON of the procedure.
    EXPECT_EQ(cli({"--csv", "show", code, "--page", "Exceções de Compatibilidade"}).status, 0);
    const QJsonObject o = QJsonDocument::fromJson(cli({"--json", "show", code}).out.toUtf8()).object();
    for (const char* key : {"tuss", "renases", "redes", "origem", "regras_condicionadas", "excecoes_compatibilidade"})
        EXPECT_TRUE(o.value(QString::fromLatin1(key)).isArray()) << key;
    EXPECT_FALSE(o.value(QStringLiteral("tuss")).toArray().isEmpty());
}

TEST_F(Cli, SearchListsCodesAndNamesInEachFormat)
{
    const QString code = QString::fromStdString(procedureCode());
    const Outcome human = cli({"search", code});
    ASSERT_EQ(human.status, 0) << human.err.toStdString();
    const QStringList lines = human.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("CÓDIGO")));
    EXPECT_TRUE(lines[1].startsWith(code));

    const Outcome csv = cli({"--csv", "search", code.left(6)});
    ASSERT_EQ(csv.status, 0);
    const QStringList rows = csv.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(rows.front(), QStringLiteral("CÓDIGO;DESCRIÇÃO"));
    ASSERT_GE(rows.size(), 2);
    for (int i = 1; i < rows.size(); ++i) EXPECT_TRUE(rows[i].startsWith(code.left(6))) << rows[i].toStdString();

    const Outcome json = cli({"--json", "search", code.left(6)});
    ASSERT_EQ(json.status, 0);
    const QJsonArray list = QJsonDocument::fromJson(json.out.toUtf8()).array();
    ASSERT_EQ(list.size(), rows.size() - 1);
    EXPECT_EQ(list.first().toObject().value(QStringLiteral("proc_cod")).toString(), rows[1].section(QLatin1Char(';'), 0, 0));
}

TEST_F(Cli, SearchNarrowsToTheHierarchyAsTheWindowDoes)
{
    const std::string code = procedureCode();
    const QString g = QString::fromStdString(code.substr(0, 2)), s = QString::fromStdString(code.substr(2, 2)),
                  f = QString::fromStdString(code.substr(4, 2));
    const Outcome all = cli({"--csv", "search", QString()});
    const Outcome narrowed = cli({"--csv", "search", QString(), "--grupo", g, "--subgrupo", s, "--forma", f});
    ASSERT_EQ(narrowed.status, 0) << narrowed.err.toStdString();
    const QStringList rows = narrowed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(rows.size(), 2);
    EXPECT_LT(rows.size(), all.out.count(QLatin1Char('\n')));
    for (int i = 1; i < rows.size(); ++i) EXPECT_TRUE(rows[i].startsWith(g + s + f)) << rows[i].toStdString();

    EXPECT_EQ(cli({"search", "X", "--grupo", "99"}).status, 1);
    EXPECT_EQ(cli({"search", "X", "--forma", f}).status, 2);   // a form needs its subgroup
}

TEST_F(Cli, ShowGivesValuesLimitsAndEveryList)
{
    const std::string code = procedureCode();
    const QString masked = QString::fromStdString(code.substr(0, 2) + "." + code.substr(2, 2) + "." + code.substr(4, 2) +
                                                  "." + code.substr(6, 3) + "-" + code.substr(9, 1));
    const Outcome human = cli({"show", masked});
    ASSERT_EQ(human.status, 0) << human.err.toStdString();
    for (const char* label : {"Código:", "Sexo:", "Idade Mínima:", "Idade Máxima:", "Valor SA:", "Total",
                              "Financiamento:", "Complexidade:", "Cid10 do Proc.", "Serviço / Classificação"})
        EXPECT_TRUE(human.out.contains(QString::fromUtf8(label))) << label;
    // The ages as the release means them: months under a year, years above,
    // "—" for no limit; never the rounded years (833 for 9999 months).
    for (const QString& line : human.out.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("Idade")))
            EXPECT_TRUE(line.contains(QRegularExpression(QStringLiteral(": +(—|\\d+ (mês|meses|ano|anos)( e \\d+ (mês|meses))?)$"))))
                << line.toStdString();

    const Outcome json = cli({"--json", "show", QString::fromStdString(code)});
    ASSERT_EQ(json.status, 0);
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(o.value(QStringLiteral("proc_cod")).toString().toStdString(), code);
    EXPECT_TRUE(o.value(QStringLiteral("cid10")).isArray());
    EXPECT_TRUE(o.value(QStringLiteral("proc_vl_sh")).isDouble());

    const Outcome page = cli({"--csv", "show", QString::fromStdString(code), "--page", "cbos"});
    ASSERT_EQ(page.status, 0);
    EXPECT_TRUE(page.out.startsWith(QStringLiteral("Cbo;Descrição"))) << page.out.toStdString();
    EXPECT_EQ(cli({"show", QString::fromStdString(code), "--page", "nada"}).status, 2);
    const Outcome missing = cli({"show", "9999999999"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("não encontrado"))) << missing.err.toStdString();
}

TEST_F(Cli, LookupsFindCodesAndNames)
{
    const std::string cid = firstLine(release + "/tb_cid.txt").substr(0, 4);
    const Outcome byCode = cli({"--csv", "cid", QString::fromStdString(cid)});
    ASSERT_EQ(byCode.status, 0) << byCode.err.toStdString();
    EXPECT_TRUE(byCode.out.startsWith(QStringLiteral("CID10;Descrição;Sexo")));
    EXPECT_TRUE(byCode.out.contains(QString::fromStdString(cid)));
    const std::string cbo = firstLine(release + "/tb_ocupacao.txt").substr(0, 6);
    const Outcome occupation = cli({"--json", "cbo", QString::fromStdString(cbo)});
    ASSERT_EQ(occupation.status, 0);
    const QJsonArray list = QJsonDocument::fromJson(occupation.out.toUtf8()).array();
    ASSERT_GE(list.size(), 1);
    EXPECT_EQ(list.first().toObject().value(QStringLiteral("cbo_cod")).toString().toStdString(), cbo);
}

TEST_F(Cli, EveryFaultHasAMessageAndAStatus)
{
    EXPECT_EQ(cli({}).status, 2);
    const Outcome unknown = cli({"voar"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("comando desconhecido")));
    EXPECT_EQ(cli({"search"}).status, 2);
    EXPECT_EQ(cli({"search", "A", "B"}).status, 2);
    EXPECT_EQ(cli({"search", "A", "--nada", "1"}).status, 2);
    const Outcome noDatabase = run(QStringLiteral(KORVANE_CLI_EXE), {"--database", QString::fromStdString(dir->file("NONE.GDB")), "search", "X"});
    EXPECT_EQ(noDatabase.status, 1);
    EXPECT_FALSE(noDatabase.err.isEmpty());
    const Outcome help = run(QStringLiteral(KORVANE_CLI_EXE), {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("search TEXTO")));
    // The older names still work, with their own usage line.
    EXPECT_EQ(run(QStringLiteral(KORVANE_UPDATE_EXE), {}).status, 2);
    EXPECT_EQ(run(QStringLiteral(KORVANE_UPDATE_EXE), {"--database", QString::fromStdString(db), dir->file("nowhere").c_str()}).status, 1);
}

TEST(CliOutput, CsvAndJsonQuoteWhatNeedsIt)
{
    EXPECT_EQ(cli::csvField(QStringLiteral("plain")), QStringLiteral("plain"));
    EXPECT_EQ(cli::csvField(QStringLiteral("a;b")), QStringLiteral("\"a;b\""));
    EXPECT_EQ(cli::csvField(QStringLiteral("D\"OLIVA")), QStringLiteral("\"D\"\"OLIVA\""));
    EXPECT_EQ(cli::csvField(QStringLiteral("two\nlines")), QStringLiteral("\"two\nlines\""));
    EXPECT_EQ(cli::jsonString(QStringLiteral("a\"b\\c\n\x01")), QStringLiteral("\"a\\\"b\\\\c\\n\\u0001\""));
    using Kind = kdata::ExtractColumn::Kind;
    EXPECT_EQ(cli::jsonValue(kdb::Value(kdb::Decimal(1234567, 2)), Kind::Money, QString()), QStringLiteral("12345.67"));
    EXPECT_EQ(cli::jsonValue(kdb::Value(), Kind::Money, QString()), QStringLiteral("null"));
    EXPECT_EQ(cli::jsonValue(kdb::Value("0301   "), Kind::Text, QString()), QStringLiteral("\"0301\""));
}

} // namespace
