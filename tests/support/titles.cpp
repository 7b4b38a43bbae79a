// Shows each window of the program on a real X display and prints the
// caption the window system holds for it (what a clerk reads on the title
// bar), one "name<TAB>caption" line per window, as xprop reads it.
//
//   korvane_titles DATABASE

#include "app/uAtualizar.h"
#include "app/uKorvane.h"
#include "lookup/uCbos.h"
#include "lookup/uCid10.h"
#include "ui/application.h"

#include <QProcess>
#include <QTest>

#include <cstdio>

namespace {

QString caption(QWidget& w)
{
    w.show();
    QTest::qWait(200);
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(w.winId()), QStringLiteral("_NET_WM_NAME")});
    xprop.waitForFinished(10000);
    // _NET_WM_NAME(UTF8_STRING) = "KORVANE  NORTEVIA"
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const int open = out.indexOf(QLatin1Char('"'));
    return open < 0 ? out : out.mid(open + 1, out.lastIndexOf(QLatin1Char('"')) - open - 1);
}

void print(const char* name, const QString& text) { std::printf("%s\t%s\n", name, text.toUtf8().constData()); }

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    kui::Application app(argc, argv);
    TfrmKorvane main(argv[1]);
    print("frmKorvane", caption(main));
    TfrmCbos cbos(main.dtbDados(), [](const QString&) {}, &main);
    print("frmCbos", caption(cbos));
    cbos.close();
    TfrmCid10 cid(main.dtbDados(), [](const QString&) {}, &main);
    print("frmCid10", caption(cid));
    cid.close();
    TfrmAtualizar update(main.dtbDados(), &main);
    print("frmAtualizar", caption(update));
    update.close();
    return 0;
}
