#include "widgets.h"

#include "ui/application.h"

#include <QKeyEvent>
#include <QTest>

#include <cstdlib>

namespace ktest {

void ensureApplication()
{
    if (QApplication::instance()) return;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "korvane-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's per-thread font cache is gone before a
    // static application object would be, and its destructor crashes on it.
    new kui::Application(argc, argv);
    kui::loadBundledFonts();
}

RecordingDialogs::RecordingDialogs() { kui::setDialogs(this); }

RecordingDialogs::~RecordingDialogs() { kui::setDialogs(nullptr); }

void RecordingDialogs::error(QWidget*, const QString& text) { errors.push_back(text); }

void RecordingDialogs::information(QWidget*, const QString& text) { informations.push_back(text); }

bool RecordingDialogs::confirm(QWidget*, const QString& caption, const QString& text)
{
    confirmations.push_back({caption, text});
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}

void typeKeys(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
    QApplication::processEvents();
}

} // namespace ktest
