#include "dblookup.h"

#include "core/text.h"

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

void DBLookupCombo::bind(kdata::RecordSet* list, const QString& field)
{
    list_ = list;
    field_ = field;
    connect(list, &kdata::RecordSet::rowsReset, this, &DBLookupCombo::repopulate);
    connect(list, &kdata::RecordSet::rowsAppended, this, &DBLookupCombo::repopulate);
    repopulate();
}

QString DBLookupCombo::shownText() const
{
    return currentIndex() >= 0 ? currentText() : QString();
}

void DBLookupCombo::setEmptyText()
{
    state_ = State::EmptyText;
    key_.clear();
    showState();
}

void DBLookupCombo::clearValue()
{
    state_ = State::NoValue;
    key_.clear();
    showState();
}

void DBLookupCombo::fetchAllRows()
{
    if (!list_) return;
    list_->last();
    list_->first();
    clearValue();
}

void DBLookupCombo::repopulate()
{
    if (populating_ || !list_) return;
    populating_ = true;
    // The lists behind lookups are short: the drop-down offers all of them.
    if (list_->isOpen() && !list_->allFetched()) list_->fetchAll();
    const QSignalBlocker block(this);
    clear();
    if (list_->isOpen() && list_->hasField(field_))
        for (std::size_t r = 0; r < list_->recordCount(); ++r) addItem(list_->displayText(r, field_));
    populating_ = false;
    showState();
}

void DBLookupCombo::showState()
{
    const QSignalBlocker block(this);
    const int index = state_ == State::Entry ? findText(key_, Qt::MatchExactly) : -1;
    setCurrentIndex(index);
}

void DBLookupCombo::userChose(int index)
{
    if (index < 0 || !list_) return;
    state_ = State::Entry;
    key_ = itemText(index);
    list_->moveTo(static_cast<std::size_t>(index));
    showState();
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
