// How long a 5,000-row export takes: the list report's table (13 columns of
// made-up procedures, as ProcedureReports::listTable takes it) taken out of
// its data set, then written to CSV and to XLSX; and a list of 5,000 codes
// looked up one by one (the "LISTA DE CÓDIGOS" table) and written.
//
//   bench_export [--rows N] [--runs N]
//
// Prints the median and the slowest of the runs for each step.

#include "data/dataset.h"
#include "db/connection.h"
#include "db/schema.h"
#include "db/query.h"
#include "db/transaction.h"
#include "export/sheetfile.h"
#include "korvane_config.h"
#include "model/codebatch.h"
#include "model/limits.h"
#include "support/syntheticprocs.h"
#include "stats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

const std::vector<QString> kListFields = {
    "PROC_COD", "PROC_DESCR", "PROC_COMPLEX", "PROC_CO_FINANC", "PROC_SEXO", "PROC_QTD_MAX", "PROC_QTD_DIAS",
    "PROC_QTD_PONTOS", "IDADE_MINIMA", "IDADE_MAXIMA", "PROC_VL_SA", "PROC_VL_SH", "PROC_VL_SP"};

void report(const char* what, const std::vector<double>& ms, const QString& file = {})
{
    const kbench::Summary s = kbench::summarize(ms);
    std::printf("%-44s median %8.1f ms   max %8.1f ms", what, s.p50, s.max);
    if (!file.isEmpty()) std::printf("   %7.1f KiB", static_cast<double>(QFileInfo(file).size()) / 1024.0);
    std::printf("\n");
}

std::vector<double> timed(int runs, const std::function<void()>& step)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        step();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    int rows = 5000, runs = 7;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--rows")) rows = args[++i].toInt();
        else if (args[i] == QLatin1String("--runs")) runs = args[++i].toInt();
    }
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("BENCH.GDB")).toStdString();
    kdb::Connection db;
    kdb::createDatabase(db, path, {KORVANE_DB_USER, KORVANE_DB_PASSWORD});
    const auto procs = ktest::makeSyntheticProcs(rows, 7);
    ktest::insertSyntheticProcs(db, procs);
    {
        kdb::Transaction w(db);
        kdb::Query versao(db, w);
        versao.setSql("insert into VERSAO values ('06/2026')");
        versao.execute();
        w.commit();
    }
    std::printf("%d made-up procedures, %d runs each\n", rows, runs);

    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdata::DataSet list(QStringLiteral("qryImpProcGeral"), db, tr);
    list.setSql("select * from tb_proc where proc_cod<>'' order by proc_descr");
    korvane::addAgeFields(list);
    kdata::Extract table;
    report("list: open and take the table out", timed(runs, [&] {
               list.close();
               list.open();
               table = kdata::extract(list, kListFields);
           }));
    std::printf("  (%zu rows, %zu columns)\n", table.values.size(), table.columns.size());
    const QString csv = dir.filePath(QStringLiteral("list.csv")), xlsx = dir.filePath(QStringLiteral("list.xlsx"));
    report("list: write CSV", timed(runs, [&] { kexport::writeTable(table, csv, kexport::FileType::Csv, {}); }), csv);
    report("list: write XLSX", timed(runs, [&] { kexport::writeTable(table, xlsx, kexport::FileType::Xlsx, "x"); }), xlsx);

    korvane::CodeBatch batch(std::make_unique<korvane::LoadedRelease>(db));
    batch.open();
    std::vector<korvane::GivenCode> codes;
    for (const auto& p : procs) codes.push_back({QString::fromStdString(p.code), p.code});
    kdata::Extract codeTable;
    report("codes: look each up (one statement pair each)", timed(runs, [&] { batch.setCodes(codes); }));
    std::printf("  (%zu rows, %zu not found)\n", batch.cdsCodigos()->recordCount(), batch.notFound());
    const QString ccsv = dir.filePath(QStringLiteral("codes.csv")), cxlsx = dir.filePath(QStringLiteral("codes.xlsx"));
    report("codes: take out and write CSV", timed(runs, [&] {
               kexport::writeTable(kdata::extract(*batch.cdsCodigos(), korvane::CodeBatch::columns()), ccsv,
                                   kexport::FileType::Csv, {});
           }), ccsv);
    report("codes: take out and write XLSX", timed(runs, [&] {
               kexport::writeTable(kdata::extract(*batch.cdsCodigos(), korvane::CodeBatch::columns()), cxlsx,
                                   kexport::FileType::Xlsx, "x");
           }), cxlsx);
    return 0;
}
