// Development aid: opens a window on a database and saves a picture of it.
//   korvane_screenshot DATABASE OUT.png [WxH] [SEARCH]          the main window
//   korvane_screenshot DATABASE OUT.png cbos|cid10 [SEARCH]     a lookup window
//   korvane_screenshot DATABASE OUT.pdf list|sheet [SEARCH]     a report as PDF
//   korvane_screenshot DATABASE OUT.png atualizar [running]    the update window
#include "app/uKorvane.h"
#include "lookup/uCbos.h"
#include "lookup/uCid10.h"
#include "ui/reportoutput.h"
#include "ui/application.h"
#include "ui/dblookup.h"
#include "app/uAtualizar.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include <QPixmap>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: korvane_screenshot DATABASE OUT.png [WxH|cbos|cid10|atualizar|list|sheet] [SEARCH] [PAGE]\n");
        return 2;
    }
    kui::Application app(argc, argv);
    kui::loadBundledFonts();
    TfrmKorvane w(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);
    const char* mode = argc > 3 ? argv[3] : "";
    const QString search = argc > 4 ? QString::fromUtf8(argv[4]) : QString();
    if (std::strcmp(mode, "atualizar") == 0) {
        TfrmAtualizar u(w.dtbDados());
        u.show();
        if (argc > 4) {   // how it looks while a table loads
            u.edtCaminho->setText(QStringLiteral("/home/faturamento/SIGTAP/TabelaUnificada_202206"));
            u.lblTabela->setText(QStringLiteral("TB_PROC_CBO"));
            u.pbTabela->setRange(0, 180222);
            u.pbTabela->setValue(120000);
            u.pbProgresso->setRange(0, 321811);
            u.pbProgresso->setValue(205000);
        }
        QTest::qWait(100);
        u.grab().save(out);
        return 0;
    }
    if (std::strcmp(mode, "cbos") == 0 || std::strcmp(mode, "cid10") == 0) {
        std::unique_ptr<LookupWindow> lookup;
        if (mode[1] == 'b') lookup = std::make_unique<TfrmCbos>(w.dtbDados(), [](const QString&) {});
        else lookup = std::make_unique<TfrmCid10>(w.dtbDados(), [](const QString&) {});
        lookup->show();
        QTest::qWait(50);
        if (!search.isEmpty()) QTest::keyClicks(lookup->edtPesquise, search);
        QTest::qWait(50);
        lookup->grab().save(out);
        return 0;
    }
    if (std::strcmp(mode, "list") == 0 || std::strcmp(mode, "sheet") == 0) {
        kui::PdfFileOutput pdf(out);
        kui::setReportOutput(&pdf);
        w.show();
        if (!search.isEmpty()) w.edtPesquise->setText(search);
        w.findChild<QAction*>(QString::fromLatin1(mode[0] == 'l' ? "RelatrioSinttico1" : "Analtico1"))->trigger();
        kui::setReportOutput(nullptr);
        return 0;
    }
    int width = 1366, height = 768;
    std::sscanf(mode, "%dx%d", &width, &height);
    w.resize(width, height);
    w.show();
    QTest::qWait(100);
    // "03/01:WORDS" chooses group 03 and subgroup 01, then types the words.
    QString words = search;
    if (const int colon = search.indexOf(QLatin1Char(':')); colon >= 0) {
        words = search.mid(colon + 1);
        const QStringList levels = search.left(colon).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        kui::DBLookupCombo* lookups[] = {w.dblGrupo, w.dblSubGrupo, w.dblFo};
        for (int i = 0; i < levels.size() && i < 3; ++i) {
            kui::DBLookupCombo* lookup = lookups[i];
            lookup->setFocus();
            QTest::qWait(20);
            lookup->showPopup();
            const int row = lookup->findText(levels[i], Qt::MatchStartsWith);
            if (row < 0) {
                std::fprintf(stderr, "no entry %s\n", qPrintable(levels[i]));
                return 1;
            }
            lookup->view()->setCurrentIndex(lookup->view()->model()->index(row, 0));
            QTest::keyClick(lookup->view(), Qt::Key_Return);
            QTest::qWait(20);
        }
    }
    if (!words.isEmpty()) {
        w.edtPesquise->setFocus();
        w.edtPesquise->selectAll();   // typed over the code a lookup step put there
        QTest::keyClicks(w.edtPesquise, words);
        QTest::qWait(50);
    }
    if (argc > 5) {   // a page of the lower tabs, by its position
        w.PageControl1->setCurrentIndex(std::atoi(argv[5]));
        QTest::qWait(50);
    }
    w.grab().save(out);
    return 0;
}
