#include "rowtable.h"

#include "db/transaction.h"

namespace kdata {

std::shared_ptr<const RowTable> RowTable::read(kdb::Connection& connection, kdb::Transaction& transaction,
                                               const std::string& sql)
{
    auto table = std::make_shared<RowTable>();
    kdb::Query q(connection, transaction);
    q.setSql(sql);
    q.open();
    q.fetchAll();
    for (std::size_t f = 0; f < q.fieldCount(); ++f) table->fields_.push_back(q.fieldInfo(f));
    table->rows_.reserve(q.rowCount());
    for (std::size_t r = 0; r < q.rowCount(); ++r) {
        std::vector<kdb::Value> row;
        row.reserve(q.fieldCount());
        for (std::size_t f = 0; f < q.fieldCount(); ++f) row.push_back(q.value(r, f));
        table->rows_.push_back(std::move(row));
    }
    q.close();
    return table;
}

int RowTable::fieldIndex(std::string_view upperName) const
{
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i].name == upperName) return static_cast<int>(i);
    return -1;
}

int displayCharsOf(const kdb::FieldInfo& f)
{
    using T = kdb::FieldInfo::Type;
    switch (f.type) {
    case T::SmallInt: return f.scale ? 7 : 6;
    case T::Integer: return f.scale ? 12 : 11;
    case T::BigInt: return f.scale ? 20 : 15;
    case T::Char:
    case T::VarChar: return static_cast<int>(f.length);
    default: return 10;
    }
}

Selection::Selection(const QString& name, QObject* parent) : RecordSet(name, parent) {}

void Selection::setTable(std::shared_ptr<const RowTable> table)
{
    close();
    table_ = std::move(table);
    rows_.clear();
}

void Selection::show(std::vector<std::size_t> rows)
{
    rows_ = std::move(rows);
    open_ = table_ != nullptr;
    rowsReplaced();
}

std::size_t Selection::tableRow(std::size_t row) const { return rows_.at(row); }

void Selection::open()
{
    if (open_ || !table_) return;
    open_ = true;
    rowsReplaced();
}

void Selection::close()
{
    if (!open_) return;
    open_ = false;
    rowsReplaced();
}

std::vector<QString> Selection::storedFields() const
{
    std::vector<QString> names;
    if (table_)
        for (const kdb::FieldInfo& f : table_->fields()) names.push_back(QString::fromStdString(f.name));
    return names;
}

int Selection::displayChars(const QString& name) const
{
    const int i = table_ ? table_->fieldIndex(name.toUpper().toStdString()) : -1;
    if (i < 0) return RecordSet::displayChars(name);
    return displayCharsOf(table_->fields()[static_cast<std::size_t>(i)]);
}

int Selection::storedIndex(const QString& upperName) const
{
    return table_ ? table_->fieldIndex(upperName.toStdString()) : -1;
}

kdb::Value Selection::storedValue(std::size_t row, int index) const
{
    return table_->value(rows_[row], static_cast<std::size_t>(index));
}

} // namespace kdata
