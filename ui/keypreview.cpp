#include "keypreview.h"

#include <QApplication>
#include <QKeyEvent>

namespace kui {

KeyPreview::KeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler)
    : QObject(window), window_(window), handler_(std::move(handler))
{
    qApp->installEventFilter(this);
}

KeyPreview::~KeyPreview()
{
    if (qApp) qApp->removeEventFilter(this);
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !window_) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w) return false;
    // A key travels from the focused control up its parents and passes this
    // filter at each step: take it only at its first stop.
    QWidget* focus = QApplication::focusWidget();
    if (focus ? w != focus : w != window_) return false;
    if (w->window() != window_) return false;
    return handler_(static_cast<QKeyEvent*>(event));
}

void focusNext(QWidget* window)
{
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != window) return;
    QWidget* next = focus->nextInFocusChain();
    // Skip what cannot take the focus by Tab, as Tab itself does.
    while (next && next != focus &&
           (!(next->focusPolicy() & Qt::TabFocus) || !next->isEnabled() || !next->isVisibleTo(window) ||
            next->window() != window || next->focusProxy()))
        next = next->nextInFocusChain();
    if (next && next != focus) next->setFocus(Qt::TabFocusReason);
}

} // namespace kui
