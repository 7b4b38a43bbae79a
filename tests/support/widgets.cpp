#include "widgets.h"

#include "ui/application.h"

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

} // namespace ktest
