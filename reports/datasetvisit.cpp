#include "datasetvisit.h"

namespace kreports {

DataSetVisit::DataSetVisit(kdata::RecordSet& set)
    : set_(set), wasOpen_(set.isOpen()), filter_(set.filter()), row_(set.currentRow())
{
    set_.disableControls();
    try {
        if (!wasOpen_) set_.open();
        set_.first();
    } catch (...) {
        restore();
        throw;
    }
}

DataSetVisit::~DataSetVisit() { restore(); }

void DataSetVisit::setFilter(const QString& expression)
{
    filterChanged_ = true;
    set_.setFilter(expression);
    set_.first();
}

void DataSetVisit::clearFilter()
{
    if (filterChanged_) {
        set_.setFilter(filter_);
        filterChanged_ = false;
    }
    set_.first();
}

void DataSetVisit::restore() noexcept
{
    try {
        // The filter first: row numbers count the rows it lets through.
        if (filterChanged_ && set_.filter() != filter_) set_.setFilter(filter_);
        if (!wasOpen_) {
            set_.close();
        } else if (row_ >= 0) {
            set_.moveTo(static_cast<std::size_t>(row_));
        }
    } catch (...) {
        // Handing the set back must not hide the error that ended the run.
    }
    set_.enableControls();
}

} // namespace kreports
