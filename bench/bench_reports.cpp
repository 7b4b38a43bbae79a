// How long the alphabetical procedure list takes from the open of its data
// set to a finished PDF, through the shipped project.
//
//   bench_reports [--database PATH] [--project PATH] [--runs N] [--keep PDF]
//
// The database defaults to the program's own. When it is missing or holds
// no procedure, a temporary database with 4,700 made-up procedures is used
// instead (the given one is never written), and the output says so.

#include "reports/connection.h"
#include "reports/layout.h"
#include "reports/project.h"

#include "db/connection.h"
#include "db/query.h"
#include "db/schema.h"
#include "db/transaction.h"
#include "korvane_config.h"
#include "support/syntheticprocs.h"
#include "data/dataset.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kSyntheticProcedures = 4700;
const char* const kListSql = "select * from tb_proc where proc_cod<>'' order by proc_descr";

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

long long procedureCount(kdb::Connection& db)
{
    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdb::Query q(db, tr);
    q.setSql("select count(*) from tb_proc");
    q.open();
    return q.field(std::size_t{0}).asInteger();
}

struct Options {
    std::string database = KORVANE_DATABASE_FILE;
    QString project = QStringLiteral(KORVANE_REPORTS_DIR "/TabelaGeral.rav");
    QString keep;
    int runs = 5;
};

// False on an unknown argument; exits at once when a value is missing.
bool parseArguments(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--database") o.database = value();
        else if (a == "--project") o.project = QString::fromStdString(value());
        else if (a == "--runs") o.runs = std::max(1, std::stoi(value()));
        else if (a == "--keep") o.keep = QString::fromStdString(value());
        else return false;
    }
    return true;
}

// Opens the database given, or a temporary one with synthetic procedures
// in temp when it is missing or empty; returns the path opened.
std::string openDatabase(kdb::Connection& db, const std::string& database, const QTemporaryDir& temp)
{
    const kdb::Credentials credentials{KORVANE_DB_USER, KORVANE_DB_PASSWORD};
    const bool remote = database.find(':') != std::string::npos && database.find(':') > 1;
    if (remote || std::filesystem::exists(database)) {
        db.open(database, credentials);
        if (procedureCount(db) > 0) return database;
        db.close();
    }
    std::printf("database %s is missing or has no procedures: using a temporary one with %d synthetic procedures\n",
                database.c_str(), kSyntheticProcedures);
    const std::string synthetic = temp.filePath(QStringLiteral("KORVANE.GDB")).toStdString();
    kdb::createDatabase(db, synthetic, credentials);
    ktest::insertSyntheticProcs(db, ktest::makeSyntheticProcs(kSyntheticProcedures));
    return synthetic;
}

// Runs the list from the open of its data set to the PDF, runs times, and
// prints each run and the medians.
void timeRuns(kdata::DataSet& list, kreports::TRvProject& geral, const QString& pdf, int runs)
{
    std::vector<double> openS, layoutS, writeS, totalS;
    int pages = 0;
    for (int run = 1; run <= runs; ++run) {
        QElapsedTimer t;
        t.start();
        list.close();
        list.setSql(kListSql);
        list.open();
        const qint64 opened = t.nsecsElapsed();
        const kreports::Document doc = geral.render();
        const qint64 laidOut = t.nsecsElapsed();
        kreports::writePdf(doc, pdf);
        const qint64 written = t.nsecsElapsed();
        pages = doc.pageCount();
        openS.push_back(opened / 1e9);
        layoutS.push_back((laidOut - opened) / 1e9);
        writeS.push_back((written - laidOut) / 1e9);
        totalS.push_back(written / 1e9);
        std::printf("run %d: open %.3f s, layout %.3f s (fetch included), pdf %.3f s, total %.3f s, %d pages, %lld bytes\n",
                    run, openS.back(), layoutS.back(), writeS.back(), totalS.back(), pages,
                    static_cast<long long>(QFile(pdf).size()));
        std::fflush(stdout);
    }
    std::printf("median of %d runs: open %.3f s, layout %.3f s, pdf %.3f s\n", runs, median(openS), median(layoutS),
                median(writeS));
    std::printf("RESULT list_pdf_s=%.3f pages=%d\n", median(totalS), pages);
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parseArguments(argc, argv, o)) {
        std::fprintf(stderr, "usage: bench_reports [--database PATH] [--project PATH] [--runs N] [--keep PDF]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir temp;
    kdb::Connection db;
    const std::string database = openDatabase(db, o.database, temp);
    std::printf("database: %s (%lld procedures)\nproject: %s\n", database.c_str(), procedureCount(db),
                o.project.toLocal8Bit().constData());

    kdb::Transaction tr(db, kdb::Transaction::Access::ReadOnly);
    kdata::DataSet list(QStringLiteral("qryImpProcGeral"), db, tr);
    for (const char* f : {"PROC_VL_SH", "PROC_VL_SP"}) list.setFieldDef({QLatin1String(f), {}, -1, kdata::DisplayFormat::Money});
    kreports::TRvDataSetConnection connection(QStringLiteral("RvDtsImpProcGeral"), &list);
    kreports::TRvProject geral(QStringLiteral("RvTabelaGeral"));
    geral.setProjectFile(o.project);
    timeRuns(list, geral, o.keep.isEmpty() ? temp.filePath(QStringLiteral("list.pdf")) : o.keep, o.runs);
    return 0;
}
