#include "application.h"

#include "dialogs.h"

#include <QFile>
#include <QFontDatabase>

namespace kui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv)
{
    // No display name: the window system would add it to every caption,
    // and each window's caption is its own. Message boxes name the title.
    setApplicationName(kApplicationTitle);
}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        dialogs().error(activeWindow(), errorText(e));
    } catch (...) {
        dialogs().error(activeWindow(), QStringLiteral("Unknown error"));
    }
    return false;
}

void loadBundledFonts()
{
    static bool done = false;
    if (done) return;
    done = true;
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) return;
    for (const char* path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
        if (QFile::exists(QString::fromLatin1(path))) QFontDatabase::addApplicationFont(QString::fromLatin1(path));
}

} // namespace kui
