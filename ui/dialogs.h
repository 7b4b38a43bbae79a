#pragma once
// The program's message boxes, behind one seam so tests can answer them.

#include <QString>

#include <exception>
#include <functional>

class QWidget;

namespace kui {

inline const QString kApplicationTitle = QStringLiteral("KORVANE");

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The general error report: the text, a stop icon, the application title.
    virtual void error(QWidget* parent, const QString& text);
    // A message with only an OK button, captioned with the application title.
    virtual void information(QWidget* parent, const QString& text);
    // OK and Cancel; true for OK.
    virtual bool confirm(QWidget* parent, const QString& caption, const QString& text);
};

Dialogs& dialogs();
// Installs another implementation (tests); nullptr restores the real boxes.
void setDialogs(Dialogs* d);

// The text of an exception as the user should read it: our own texts are
// UTF-8; texts that carry release or engine bytes may be Windows-1252. A
// database failure we know gets, above the engine's text, a sentence that
// says what happened and what to do.
QString errorText(const std::exception& e);

// Runs a handler; an exception ends it and goes to the general error report.
// Returns false when the handler failed.
bool guarded(QWidget* parent, const std::function<void()>& handler);

// A slot that runs the handler guarded: for connect().
inline std::function<void()> guardedSlot(QWidget* parent, std::function<void()> handler)
{
    return [parent, handler = std::move(handler)] { guarded(parent, handler); };
}

} // namespace kui
