#pragma once
// A drop-down lookup: shows a lookup choice and its list, keyed on and
// showing one column; the user's pick of an entry goes to the choice.

#include "model/lookupchoice.h"

#include <QComboBox>
#include <QPointer>

namespace kui {

class DBLookupCombo : public QComboBox {
    Q_OBJECT
public:
    using State = korvane::LookupChoice::State;

    explicit DBLookupCombo(const QString& name, QWidget* parent = nullptr);

    void bind(korvane::LookupChoice* choice);
    korvane::LookupChoice* choice() const { return choice_; }

    State state() const { return choice_ ? choice_->state() : State::NoValue; }
    // The text shown: the entry's description while its list is open and
    // holds it, otherwise nothing.
    QString shownText() const;

signals:
    void clicked();   // the user chose an entry: drop-down, arrow keys or typing
    void entered();   // the focus came in
    void exited();    // the focus left
    void keyDown(int key, Qt::KeyboardModifiers modifiers);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void repopulate();
    void showState();
    void userChose(int index);

    QPointer<korvane::LookupChoice> choice_;
    bool populating_ = false;
};

} // namespace kui
