#include "memorytable.h"

#include "db/error.h"

namespace kdata {

MemoryTable::MemoryTable(const QString& name, std::vector<ColumnDef> columns, QObject* parent)
    : RecordSet(name, parent), columns_(std::move(columns))
{
    for (ColumnDef& c : columns_) c.name = c.name.toUpper();
}

void MemoryTable::createDataSet()
{
    rows_.clear();
    editing_ = false;
    open_ = true;
    rowsReplaced();
}

void MemoryTable::emptyDataSet()
{
    rows_.clear();
    editing_ = false;
    rowsReplaced();
}

void MemoryTable::open()
{
    if (open_) return;
    open_ = true;
    rowsReplaced();
}

void MemoryTable::close()
{
    if (!open_) return;
    open_ = false;
    rows_.clear();
    editing_ = false;
    rowsReplaced();
}

void MemoryTable::append()
{
    if (!open_) throw kdb::Error("Dataset not in edit or insert mode: " + objectName().toStdString() + " is closed");
    if (editing_) post();
    pending_.assign(columns_.size(), kdb::Value());
    editing_ = true;
}

void MemoryTable::set(const QString& column, kdb::Value value)
{
    if (!editing_) throw kdb::Error("Dataset not in edit or insert mode");
    const int i = storedIndex(column.toUpper());
    if (i < 0) throw kdb::Error("Field '" + column.toStdString() + "' not found");
    pending_[static_cast<std::size_t>(i)] = std::move(value);
}

void MemoryTable::post()
{
    if (!editing_) return;
    editing_ = false;
    const std::size_t before = rows_.size();
    rows_.push_back(std::move(pending_));
    pending_.clear();
    rowsAdded(before);
    if (const long row = visibleRow(before); row >= 0) setCurrent(row);
}

std::vector<QString> MemoryTable::storedFields() const
{
    std::vector<QString> names;
    for (const ColumnDef& c : columns_) names.push_back(c.name);
    return names;
}

int MemoryTable::displayChars(const QString& name) const
{
    const int i = storedIndex(name.toUpper());
    return i < 0 ? RecordSet::displayChars(name) : columns_[static_cast<std::size_t>(i)].size;
}

int MemoryTable::storedIndex(const QString& upperName) const
{
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].name == upperName) return static_cast<int>(i);
    return -1;
}

kdb::Value MemoryTable::storedValue(std::size_t row, int index) const
{
    return rows_[row][static_cast<std::size_t>(index)];
}

} // namespace kdata
