// Latency of the procedure browser: from a keystroke in the search box to
// the list and every related page refreshed, and from a move of one row in
// the procedure list to the same. Prints figures; asserts nothing.
//
// bench_search [--database PATH] [--rounds N]

#include "app/uKorvane.h"
#include "ui/dbgrid.h"
#include "bench/stats.h"
#include "korvane_config.h"
#include "ui/application.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double msSince(std::chrono::steady_clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

} // namespace

int main(int argc, char** argv)
{
    std::string database = KORVANE_DATABASE_FILE;
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--database") == 0 && i + 1 < argc) database = argv[++i];
        else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) rounds = std::atoi(argv[++i]);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    kui::Application app(argc, argv);
    kui::loadBundledFonts();

    TfrmKorvane w(database);
    w.resize(1366, 768);
    w.show();
    QApplication::setActiveWindow(&w);
    QApplication::processEvents();
    w.model().qryTbProc()->fetchAll();
    std::printf("database %s: %zu procedures listed at start\n", database.c_str(), w.model().qryTbProc()->recordCount());

    // What a clerk types: codes digit by digit, words letter by letter, with
    // the corrections in between.
    const std::vector<QString> typed = {
        QStringLiteral("0301010072"), QStringLiteral("0303"),     QStringLiteral("0415"),
        QStringLiteral("CONSULTA MEDICA"), QStringLiteral("TRATAMENTO"), QStringLiteral("CIRURGIA"),
        QStringLiteral("HEMOGRAMA"),  QStringLiteral("0702"),     QStringLiteral("RADIOGRAFIA DE TORAX"),
    };
    std::vector<double> keys, handlerOnly;
    for (int round = 0; round < rounds; ++round)
        for (const QString& text : typed) {
            w.findChild<QLineEdit*>(QStringLiteral("edtPesquise"))->setFocus();
            w.findChild<QLineEdit*>(QStringLiteral("edtPesquise"))->clear();
            QApplication::processEvents();
            for (QChar c : text) {
                const auto t0 = std::chrono::steady_clock::now();
                QTest::keyClick(w.findChild<QLineEdit*>(QStringLiteral("edtPesquise")), c.toLatin1());
                handlerOnly.push_back(msSince(t0));
                QApplication::processEvents();
                keys.push_back(msSince(t0));
            }
            for (int i = 0; i < 3; ++i) {   // and a few corrections
                const auto t0 = std::chrono::steady_clock::now();
                QTest::keyClick(w.findChild<QLineEdit*>(QStringLiteral("edtPesquise")), Qt::Key_Backspace);
                QApplication::processEvents();
                keys.push_back(msSince(t0));
            }
        }

    // Row by row down the whole list.
    w.findChild<QLineEdit*>(QStringLiteral("edtPesquise"))->clear();
    QApplication::processEvents();
    w.findChild<kui::DBGrid*>(QStringLiteral("dbgProcs"))->setFocus();
    QApplication::processEvents();
    std::vector<double> rows;
    // Rows are fetched as the grid scrolls, so the list's length is not known here.
    const int moves = 600;
    for (int i = 0; i < moves; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        QTest::keyClick(w.findChild<kui::DBGrid*>(QStringLiteral("dbgProcs")), Qt::Key_Down);
        QApplication::processEvents();
        rows.push_back(msSince(t0));
    }
    const long reached = w.model().qryTbProc()->currentRow();

    const kbench::Summary k = kbench::summarize(keys);
    const kbench::Summary h = kbench::summarize(handlerOnly);
    std::printf("typed characters, searches and refreshes only (before repainting): p50 %.2f ms  p95 %.2f ms\n", h.p50,
                h.p95);
    const kbench::Summary r = kbench::summarize(rows);
    std::printf("keystrokes: %zu  p50 %.2f ms  p95 %.2f ms  max %.2f ms\n", keys.size(), k.p50, k.p95, k.max);
    std::printf("row moves:  %zu (to row %ld)  p50 %.2f ms  p95 %.2f ms  max %.2f ms\n", rows.size(), reached, r.p50,
                r.p95, r.max);
    std::printf("RESULT key_p50_ms=%.2f key_p95_ms=%.2f row_p50_ms=%.2f row_p95_ms=%.2f\n", k.p50, k.p95, r.p50, r.p95);
    return 0;
}
