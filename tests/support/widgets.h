#pragma once
// Support for tests that drive windows offscreen.

#include "ui/dialogs.h"

#include <QObject>
#include <QWidget>

#include <QString>

#include <deque>
#include <vector>

namespace ktest {

// A control of a window, found by its name as a person finds it by sight;
// null (and the test fails at its use) when the window has none.
template <class T = QWidget>
T* control(const QObject& window, const char* name)
{
    return window.findChild<T*>(QString::fromLatin1(name));
}

// The one application object of a test program (offscreen, fonts loaded).
void ensureApplication();

// Types the text into the widget key by key, accented letters included
// (the test library's own typing takes plain ASCII only). The keys arrive
// together, as when they come faster than the window answers; then the
// event loop comes round once, as it does when the typing pauses.
void typeKeys(QWidget* widget, const QString& text);

// Records every message box instead of showing it and answers confirmations
// from a queue (OK when the queue is empty). Installed while it lives.
struct RecordingDialogs : kui::Dialogs {
    struct Confirmation {
        QString caption, text;
    };
    RecordingDialogs();
    ~RecordingDialogs() override;
    void error(QWidget* parent, const QString& text) override;
    void information(QWidget* parent, const QString& text) override;
    bool confirm(QWidget* parent, const QString& caption, const QString& text) override;

    std::vector<QString> errors;
    std::vector<QString> informations;
    std::vector<Confirmation> confirmations;
    std::deque<bool> answers;
};

} // namespace ktest
