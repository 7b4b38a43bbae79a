// Latency of the lookup windows: from a keystroke in the upper search box to
// both lists refreshed, for a CBO and a CID-10 search sequence. Prints
// figures; asserts nothing.
//
// bench_lookups [--database PATH]

#include "app/uKorvane.h"
#include "bench/stats.h"
#include "korvane_config.h"
#include "lookup/uCbos.h"
#include "lookup/uCid10.h"
#include "ui/application.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

kbench::Summary typeInto(LookupWindow& w, const std::vector<QString>& sequence, int rounds)
{
    std::vector<double> times;
    // Per text typed and per character, to show which searches cost.
    std::vector<std::vector<std::vector<double>>> each(sequence.size());
    for (int round = 0; round < rounds; ++round)
        for (std::size_t t = 0; t < sequence.size(); ++t) {
            const QString& text = sequence[t];
            each[t].resize(static_cast<std::size_t>(text.size()));
            w.findChild<QLineEdit*>(QStringLiteral("edtPesquise"))->clear();
            QApplication::processEvents();
            for (int i = 0; i < text.size(); ++i) {
                const auto t0 = std::chrono::steady_clock::now();
                QTest::keyClick(w.findChild<QLineEdit*>(QStringLiteral("edtPesquise")), text[i].toLatin1());
                QApplication::processEvents();
                times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
                each[t][static_cast<std::size_t>(i)].push_back(times.back());
            }
        }
    for (std::size_t t = 0; t < sequence.size(); ++t) {
        std::printf("  %-22s", qPrintable(QLatin1Char('"') + sequence[t] + QLatin1Char('"')));
        for (std::size_t i = 0; i < each[t].size(); ++i) std::printf(" %.1f", kbench::summarize(each[t][i]).p50);
        std::printf("  (ms per character, median)\n");
    }
    const kbench::Summary s = kbench::summarize(times);
    std::printf("%s: %zu keystrokes  p50 %.2f ms  p95 %.2f ms  max %.2f ms\n", qPrintable(w.objectName()),
                times.size(), s.p50, s.p95, s.max);
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    std::string database = KORVANE_DATABASE_FILE;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--database") == 0 && i + 1 < argc) database = argv[++i];
    qputenv("QT_QPA_PLATFORM", "offscreen");
    kui::Application app(argc, argv);
    kui::loadBundledFonts();
    TfrmKorvane main(database);
    std::printf("database %s\n", database.c_str());

    const auto ignore = [](const QString&) {};
    TfrmCbos cbos(main.dtbDados(), ignore);
    cbos.show();
    QApplication::setActiveWindow(&cbos);
    cbos.findChild<QLineEdit*>(QStringLiteral("edtPesquise"))->setFocus();
    const kbench::Summary cbo =
        typeInto(cbos, {QStringLiteral("225125"), QStringLiteral("MEDICO CLINICO"), QStringLiteral("ENFERMEIRO"),
                        QStringLiteral("3222"), QStringLiteral("TECNICO DE ENFERMAGEM"), QStringLiteral("CIRURGIAO")},
                 3);
    cbos.close();

    TfrmCid10 cid(main.dtbDados(), ignore);
    cid.show();
    QApplication::setActiveWindow(&cid);
    cid.findChild<QLineEdit*>(QStringLiteral("edtPesquise"))->setFocus();
    const kbench::Summary c =
        typeInto(cid, {QStringLiteral("J18"), QStringLiteral("PNEUMONIA"), QStringLiteral("A0"),
                       QStringLiteral("DIABETES"), QStringLiteral("C50"), QStringLiteral("FRATURA DO FEMUR")},
                 3);
    cid.close();
    std::printf("RESULT cbo_p95_ms=%.2f cid_p95_ms=%.2f\n", cbo.p95, c.p95);
    return 0;
}
