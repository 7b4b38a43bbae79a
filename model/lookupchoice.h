#pragma once
// The value chosen in a drop-down lookup whose list is a data set, keyed on
// one column of it. The value is in one of three states: no value, the
// empty text (a value that matches no entry), or an entry. A drop-down
// widget shows it; the browser reads and changes it.

#include "data/recordset.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace korvane {

class LookupChoice : public QObject {
    Q_OBJECT
public:
    enum class State { NoValue, EmptyText, Entry };

    LookupChoice(const QString& name, kdata::RecordSet* list, const QString& field, QObject* parent = nullptr);

    kdata::RecordSet* list() const { return list_; }
    const QString& field() const { return field_; }
    State state() const { return state_; }
    // The text shown: the entry's text while its list is open and holds it,
    // otherwise nothing.
    QString shownText() const;
    // The list row that holds the entry shown; -1 when nothing is shown.
    long shownRow() const;

    // The user chose the entry on this row of the list: the list moves there.
    void choose(std::size_t row);
    void setEmptyText();
    void clearValue();
    // Fetches every row of the list (last, then first). Moving the list to
    // its first row this way takes the value away.
    void fetchAllRows();

signals:
    void changed();   // the state or the entry changed

private:
    void set(State state, QString key);

    QPointer<kdata::RecordSet> list_;
    QString field_;
    State state_ = State::NoValue;
    QString key_;
};

} // namespace korvane
