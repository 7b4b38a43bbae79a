#pragma once
// The search of a box that runs as the user types, kept up with the typing.
// A change of the text only marks the search due; it runs when the event
// loop comes round, with the text the box holds then. Keys that arrive while
// a search runs wait in the event queue behind it and are all delivered
// before the next turn, so however fast the typing, one search runs per
// turn, with the newest text, and the last text typed is the one searched.
// What the user does next with the result (Enter, Tab, an arrow, a click
// elsewhere) first presses a key that is no text or takes the focus from the
// box: a search still due runs then, so it acts on the rows of the text as
// typed.
// A text the program sets (not a key's or the input method's) is searched at
// once; one it writes with the box's signals blocked starts nothing.

#include <QObject>

#include <functional>

class QLineEdit;

namespace kui {

class TypedSearch : public QObject {
public:
    // Lives as long as the box.
    TypedSearch(QLineEdit* box, std::function<void(const QString&)> search);

    // A search due runs now.
    void flush();
    // A search due runs no more (the window is closing).
    void stop() { stopped_ = true; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void changed();

    QLineEdit* box_;
    std::function<void(const QString&)> search_;
    bool due_ = false;
    bool typing_ = false;   // from a key's press to its release
    bool stopped_ = false;
};

} // namespace kui
