#include "dataset.h"

#include "core/money.h"
#include "core/text.h"
#include "db/error.h"

namespace kui {

QString formatValue(const kdb::Value& value, DisplayFormat format)
{
    if (value.isNull()) return {};
    if (format == DisplayFormat::Money &&
        (value.kind() == kdb::Value::Kind::Fixed || value.kind() == kdb::Value::Kind::Integer))
        return korvane::formatMoney(value.asDecimal());
    return korvane::fromWin1252(value.toString());
}

DataSet::DataSet(const QString& name, kdb::Connection& connection, kdb::Transaction& transaction, QObject* parent)
    : QObject(parent), query_(std::make_unique<kdb::Query>(connection, transaction))
{
    setObjectName(name);
}

DataSet::~DataSet() = default;

void DataSet::setSql(std::string sql)
{
    const bool wasOpen = isOpen();
    query_->setSql(std::move(sql));
    if (wasOpen) {
        notifyReset();
        notifyCurrent();
    }
}

void DataSet::open()
{
    try {
        query_->open();
    } catch (...) {
        // A failed open leaves the set closed and empty; the views must say so.
        notifyReset();
        notifyCurrent();
        throw;
    }
    notifyReset();
    notifyCurrent();
}

void DataSet::close()
{
    const bool wasOpen = isOpen();
    query_->close();
    if (wasOpen) {
        notifyReset();
        notifyCurrent();
    }
}

std::size_t DataSet::fetchMore(std::size_t rows)
{
    const std::size_t before = recordCount();
    const std::size_t added = query_->fetchMore(rows);
    if (added) notifyAppended(before);
    return added;
}

void DataSet::fetchAll()
{
    const std::size_t before = recordCount();
    query_->fetchAll();
    if (recordCount() > before) notifyAppended(before);
}

bool DataSet::first()
{
    const long was = currentRow();
    const bool ok = query_->first();
    if (ok && was != currentRow()) notifyCurrent();
    return ok;
}

bool DataSet::last()
{
    const std::size_t before = recordCount();
    const long was = currentRow();
    const bool ok = query_->last();
    if (recordCount() > before) notifyAppended(before);
    if (ok && was != currentRow()) notifyCurrent();
    return ok;
}

bool DataSet::next()
{
    if (currentRow() < 0) return false;
    return moveTo(static_cast<std::size_t>(currentRow()) + 1);
}

bool DataSet::prior()
{
    if (currentRow() <= 0) return false;
    return moveTo(static_cast<std::size_t>(currentRow()) - 1);
}

bool DataSet::moveTo(std::size_t row)
{
    const std::size_t before = recordCount();
    const long was = currentRow();
    const bool ok = query_->moveTo(row);
    if (recordCount() > before) notifyAppended(before);
    if (ok && was != currentRow()) notifyCurrent();
    return ok;
}

bool DataSet::hasField(const QString& name) const
{
    const QString up = name.toUpper();
    for (const auto& c : calculated_)
        if (c.first == up) return true;
    return query_->fieldIndex(up.toStdString()) >= 0;
}

kdb::Value DataSet::value(std::size_t row, const QString& field) const
{
    const QString up = field.toUpper();
    for (const auto& c : calculated_)
        if (c.first == up) return row < recordCount() ? c.second(*this, row) : kdb::Value();
    const int i = query_->fieldIndex(up.toStdString());
    if (i < 0) throw kdb::Error("Field '" + field.toStdString() + "' not found");
    if (row >= recordCount()) return {};
    return query_->value(row, static_cast<std::size_t>(i));
}

kdb::Value DataSet::field(const QString& name) const
{
    const long row = currentRow();
    if (row < 0) {
        if (!hasField(name)) throw kdb::Error("Field '" + name.toStdString() + "' not found");
        return {};
    }
    return value(static_cast<std::size_t>(row), name);
}

QString DataSet::displayText(std::size_t row, const QString& field) const
{
    const FieldDef* def = fieldDef(field);
    return formatValue(value(row, field), def ? def->format : DisplayFormat::Plain);
}

QString DataSet::currentText(const QString& field) const
{
    const long row = currentRow();
    if (row < 0) return {};
    return displayText(static_cast<std::size_t>(row), field);
}

void DataSet::setFieldDef(FieldDef def)
{
    def.name = def.name.toUpper();
    defs_[def.name] = std::move(def);
}

const FieldDef* DataSet::fieldDef(const QString& name) const
{
    auto it = defs_.find(name.toUpper());
    return it == defs_.end() ? nullptr : &it->second;
}

void DataSet::addCalculatedField(const QString& name, Calculation calc)
{
    calculated_.emplace_back(name.toUpper(), std::move(calc));
}

void DataSet::disableControls() { ++disabled_; }

void DataSet::enableControls()
{
    if (disabled_ == 0 || --disabled_ > 0) return;
    if (missedReset_) {
        missedReset_ = false;
        emit rowsReset();
    }
}

void DataSet::notifyCurrent()
{
    if (disabled_) return;
    emit currentChanged();
}

void DataSet::notifyReset()
{
    if (disabled_) {
        missedReset_ = true;
        return;
    }
    emit rowsReset();
}

void DataSet::notifyAppended(std::size_t before)
{
    if (disabled_) {
        missedReset_ = true;
        return;
    }
    emit rowsAppended(before, recordCount() - 1);
}

} // namespace kui
