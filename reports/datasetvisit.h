#pragma once
// The engine's stay in a record set: from the first row to the last with
// the bound controls and handlers kept out, and the set handed back as it
// was found: open or closed, its filter, its current row.

#include "data/recordset.h"

namespace kreports {

class DataSetVisit {
public:
    // Opens the set if it is closed and moves to its first row.
    explicit DataSetVisit(kdata::RecordSet& set);
    ~DataSetVisit();
    DataSetVisit(const DataSetVisit&) = delete;
    DataSetVisit& operator=(const DataSetVisit&) = delete;

    kdata::RecordSet& set() const { return set_; }
    // A filter for the time of the visit (the set's own comes back after).
    void setFilter(const QString& expression);
    // Back to the set's own filter, on the first row.
    void clearFilter();

private:
    void restore() noexcept;

    kdata::RecordSet& set_;
    bool wasOpen_;
    QString filter_;
    long row_;
    bool filterChanged_ = false;
};

} // namespace kreports
