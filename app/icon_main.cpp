// korvane-icon SIZE OUT.png: the desktop icon, drawn as the main window
// draws its panel picture, so the two never drift apart. Runs at build time.

#include "ui/application.h"
#include "ui/pictures.h"

#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3 || std::atoi(argv[1]) <= 0) {
        std::fprintf(stderr, "usage: korvane-icon SIZE OUT.png\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    kui::loadBundledFonts();
    const int size = std::atoi(argv[1]);
    if (!kui::pictures::logo(size, size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "korvane-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
