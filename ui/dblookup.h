#pragma once
// A drop-down lookup whose list is a data set, keyed on and showing one
// column. Its chosen value is in one of three states: no value, the empty
// text (a value that matches no entry), or an entry.

#include "data/recordset.h"

#include <QComboBox>
#include <QPointer>

namespace kui {

class DBLookupCombo : public QComboBox {
    Q_OBJECT
public:
    enum class State { NoValue, EmptyText, Entry };

    explicit DBLookupCombo(const QString& name, QWidget* parent = nullptr);

    void bind(kdata::RecordSet* list, const QString& field);
    kdata::RecordSet* list() const { return list_; }

    State state() const { return state_; }
    bool holdsValue() const { return state_ != State::NoValue; }
    // The text shown: the entry's description while its list is open and
    // holds it, otherwise nothing.
    QString shownText() const;

    void setEmptyText();
    void clearValue();
    // Fetches every row of the list (last, then first). Moving the list to
    // its first row this way takes the lookup's value away.
    void fetchAllRows();

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

    QPointer<kdata::RecordSet> list_;
    QString field_;
    State state_ = State::NoValue;
    QString key_;
    bool populating_ = false;
};

} // namespace kui
