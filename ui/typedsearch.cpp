#include "typedsearch.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace kui {

TypedSearch::TypedSearch(QLineEdit* box, std::function<void(const QString&)> search)
    : QObject(box), box_(box), search_(std::move(search))
{
    connect(box, &QLineEdit::textChanged, this, [this] { changed(); });
    box->installEventFilter(this);
}

void TypedSearch::changed()
{
    if (stopped_) return;
    if (!typing_) {
        // Set by the program: searched at once, as the caller expects.
        due_ = true;
        flush();
        return;
    }
    if (due_) return;
    due_ = true;
    QMetaObject::invokeMethod(this, [this] { flush(); }, Qt::QueuedConnection);
}

void TypedSearch::flush()
{
    if (!due_) return;
    due_ = false;
    if (!stopped_) search_(box_->text());
}

bool TypedSearch::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress: {
        // Keys that act on the result rather than edit the text.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab ||
            key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown)
            flush();
        typing_ = true;
        break;
    }
    case QEvent::InputMethod: typing_ = true; break;
    case QEvent::KeyRelease: typing_ = false; break;
    case QEvent::FocusOut:
        typing_ = false;
        flush();
        break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kui
