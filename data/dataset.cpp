#include "dataset.h"

#include "rowtable.h"

namespace kdata {

DataSet::DataSet(const QString& name, kdb::Connection& connection, kdb::Transaction& transaction, QObject* parent)
    : RecordSet(name, parent), query_(std::make_unique<kdb::Query>(connection, transaction))
{
}

DataSet::~DataSet() = default;

void DataSet::setSql(std::string sql)
{
    const bool wasOpen = isOpen();
    query_->setSql(std::move(sql));
    if (wasOpen) rowsReplaced();
}

void DataSet::open()
{
    try {
        query_->open();
    } catch (...) {
        rowsReplaced();
        throw;
    }
    try {
        rowsReplaced();
    } catch (...) {
        // The filter names a field the result lacks.
        query_->close();
        rowsReplaced();
        throw;
    }
}

void DataSet::close()
{
    const bool wasOpen = isOpen();
    query_->close();
    if (wasOpen) rowsReplaced();
}

std::vector<QString> DataSet::storedFields() const
{
    std::vector<QString> names;
    for (std::size_t i = 0; i < query_->fieldCount(); ++i)
        names.push_back(QString::fromStdString(query_->fieldInfo(i).name));
    return names;
}

int DataSet::displayChars(const QString& name) const
{
    const int i = query_->fieldIndex(name.toUpper().toStdString());
    if (i < 0) return RecordSet::displayChars(name);
    return displayCharsOf(query_->fieldInfo(static_cast<std::size_t>(i)));
}

int DataSet::storedIndex(const QString& upperName) const { return query_->fieldIndex(upperName.toStdString()); }

kdb::Value DataSet::storedValue(std::size_t row, int index) const
{
    return query_->value(row, static_cast<std::size_t>(index));
}

} // namespace kdata
