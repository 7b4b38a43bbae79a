// Development aid: opens the main window on a database and saves a picture
// of it. Usage: korvane_screenshot DATABASE OUT.png [WIDTHxHEIGHT] [SEARCH]
#include "app/uKorvane.h"
#include "ui/application.h"

#include <QPixmap>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: korvane_screenshot DATABASE OUT.png [WxH] [SEARCH]\n");
        return 2;
    }
    kui::Application app(argc, argv);
    kui::loadBundledFonts();
    TfrmKorvane w(argv[1]);
    int width = 1366, height = 768;
    if (argc > 3) std::sscanf(argv[3], "%dx%d", &width, &height);
    w.resize(width, height);
    w.show();
    QTest::qWait(100);
    if (argc > 4) {
        w.edtPesquise->setFocus();
        QTest::keyClicks(w.edtPesquise, QString::fromUtf8(argv[4]));
        QTest::qWait(50);
    }
    w.grab().save(QString::fromLocal8Bit(argv[2]));
    return 0;
}
