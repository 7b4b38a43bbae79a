#include "dblookup.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace kui {

DBLookupCombo::DBLookupCombo(const QString& name, QWidget* parent) : QComboBox(parent)
{
    setObjectName(name);
    setEditable(false);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::activated, this, &DBLookupCombo::userChose);
}

void DBLookupCombo::bind(korvane::LookupChoice* choice)
{
    choice_ = choice;
    kdata::RecordSet* list = choice->list();
    connect(list, &kdata::RecordSet::rowsReset, this, &DBLookupCombo::repopulate);
    connect(list, &kdata::RecordSet::rowsAppended, this, &DBLookupCombo::repopulate);
    connect(choice, &korvane::LookupChoice::changed, this, &DBLookupCombo::showState);
    repopulate();
}

QString DBLookupCombo::shownText() const { return choice_ ? choice_->shownText() : QString(); }

void DBLookupCombo::repopulate()
{
    if (populating_ || !choice_) return;
    populating_ = true;
    kdata::RecordSet* list = choice_->list();
    const QString& field = choice_->field();
    // The lists behind lookups are short: the drop-down offers all of them.
    if (list->isOpen() && !list->allFetched()) list->fetchAll();
    const QSignalBlocker block(this);
    clear();
    if (list->isOpen() && list->hasField(field))
        for (std::size_t r = 0; r < list->recordCount(); ++r) addItem(list->displayText(r, field));
    populating_ = false;
    showState();
}

void DBLookupCombo::showState()
{
    const QSignalBlocker block(this);
    setCurrentIndex(choice_ ? static_cast<int>(choice_->shownRow()) : -1);
}

void DBLookupCombo::userChose(int index)
{
    if (index < 0 || !choice_) return;
    choice_->choose(static_cast<std::size_t>(index));
    emit clicked();
}

void DBLookupCombo::focusInEvent(QFocusEvent* event)
{
    QComboBox::focusInEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) emit entered();
}

void DBLookupCombo::focusOutEvent(QFocusEvent* event)
{
    QComboBox::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) emit exited();
}

void DBLookupCombo::keyPressEvent(QKeyEvent* event)
{
    emit keyDown(event->key(), event->modifiers());
    QComboBox::keyPressEvent(event);
}

} // namespace kui
