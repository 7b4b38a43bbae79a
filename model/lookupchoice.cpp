#include "lookupchoice.h"

namespace korvane {

LookupChoice::LookupChoice(const QString& name, kdata::RecordSet* list, const QString& field, QObject* parent)
    : QObject(parent), list_(list), field_(field)
{
    setObjectName(name);
}

long LookupChoice::shownRow() const
{
    if (state_ != State::Entry || !list_ || !list_->isOpen() || !list_->hasField(field_)) return -1;
    // The lists behind lookups are short: groups, subgroups, forms.
    for (std::size_t r = 0; r < list_->recordCount(); ++r)
        if (list_->displayText(r, field_) == key_) return static_cast<long>(r);
    return -1;
}

QString LookupChoice::shownText() const { return shownRow() >= 0 ? key_ : QString(); }

void LookupChoice::choose(std::size_t row)
{
    if (!list_ || row >= list_->recordCount()) return;
    const QString key = list_->displayText(row, field_);
    list_->moveTo(row);
    set(State::Entry, key);
}

void LookupChoice::setEmptyText() { set(State::EmptyText, {}); }

void LookupChoice::clearValue() { set(State::NoValue, {}); }

void LookupChoice::fetchAllRows()
{
    if (!list_) return;
    list_->last();
    list_->first();
    clearValue();
}

void LookupChoice::set(State state, QString key)
{
    state_ = state;
    key_ = std::move(key);
    emit changed();
}

} // namespace korvane
