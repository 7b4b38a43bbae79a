#pragma once
// A window that sees every key before its focused control does.

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

class QKeyEvent;

namespace kui {

class KeyPreview : public QObject {
    Q_OBJECT
public:
    // handler returns true to consume the key. Keys meant for a drop-down's
    // list or for another window never reach it.
    KeyPreview(QWidget* window, std::function<bool(QKeyEvent*)> handler);
    ~KeyPreview() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    std::function<bool(QKeyEvent*)> handler_;
};

// Moves the focus on as Tab would, from the window's focused control.
void focusNext(QWidget* window);

} // namespace kui
