#include "recordset.h"

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

RecordSet::RecordSet(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }

std::size_t RecordSet::fetchMore(std::size_t rows)
{
    const std::size_t before = recordCount();
    const std::size_t added = fetchRows(rows);
    if (added) rowsAdded(before);
    return added;
}

void RecordSet::fetchAll()
{
    const std::size_t before = recordCount();
    while (!allFetched())
        if (fetchRows(256) == 0) break;
    if (recordCount() > before) rowsAdded(before);
}

bool RecordSet::first()
{
    if (isEmpty()) return false;
    setCurrent(0);
    return true;
}

bool RecordSet::last()
{
    fetchAll();
    if (isEmpty()) return false;
    setCurrent(static_cast<long>(recordCount()) - 1);
    return true;
}

bool RecordSet::next()
{
    if (current_ < 0) return false;
    return moveTo(static_cast<std::size_t>(current_) + 1);
}

bool RecordSet::prior()
{
    if (current_ <= 0) return false;
    setCurrent(current_ - 1);
    return true;
}

bool RecordSet::moveTo(std::size_t row)
{
    if (row >= recordCount() && !allFetched()) {
        const std::size_t before = recordCount();
        while (row >= recordCount() && !allFetched())
            if (fetchRows(row + 1 - recordCount()) == 0) break;
        if (recordCount() > before) rowsAdded(before);
    }
    if (row >= recordCount()) return false;
    setCurrent(static_cast<long>(row));
    return true;
}

bool RecordSet::atLast() const
{
    return isEmpty() || (allFetched() && current_ == static_cast<long>(recordCount()) - 1);
}

std::vector<QString> RecordSet::fieldNames() const
{
    std::vector<QString> names = storedFields();
    for (const auto& c : calculated_) names.push_back(c.first);
    return names;
}

bool RecordSet::hasField(const QString& name) const
{
    const QString up = name.toUpper();
    for (const auto& c : calculated_)
        if (c.first == up) return true;
    return storedIndex(up) >= 0;
}

int RecordSet::displayChars(const QString&) const { return 10; }

kdb::Value RecordSet::value(std::size_t row, const QString& field) const
{
    const QString up = field.toUpper();
    for (const auto& c : calculated_)
        if (c.first == up) return row < recordCount() ? c.second(*this, row) : kdb::Value();
    const int i = storedIndex(up);
    if (i < 0) throw kdb::Error("Field '" + field.toStdString() + "' not found");
    if (row >= recordCount()) return {};
    return storedValue(row, i);
}

kdb::Value RecordSet::field(const QString& name) const
{
    if (current_ < 0) {
        if (!hasField(name)) throw kdb::Error("Field '" + name.toStdString() + "' not found");
        return {};
    }
    return value(static_cast<std::size_t>(current_), name);
}

QString RecordSet::displayText(std::size_t row, const QString& field) const
{
    const FieldDef* def = fieldDef(field);
    return formatValue(value(row, field), def ? def->format : DisplayFormat::Plain);
}

QString RecordSet::currentText(const QString& field) const
{
    if (current_ < 0) return {};
    return displayText(static_cast<std::size_t>(current_), field);
}

void RecordSet::setFieldDef(FieldDef def)
{
    def.name = def.name.toUpper();
    defs_[def.name] = std::move(def);
}

const FieldDef* RecordSet::fieldDef(const QString& name) const
{
    auto it = defs_.find(name.toUpper());
    return it == defs_.end() ? nullptr : &it->second;
}

void RecordSet::addCalculatedField(const QString& name, Calculation calc)
{
    calculated_.emplace_back(name.toUpper(), std::move(calc));
}

void RecordSet::disableControls() { ++disabled_; }

void RecordSet::enableControls()
{
    if (disabled_ == 0 || --disabled_ > 0) return;
    if (missedReset_) {
        missedReset_ = false;
        emit rowsReset();
    }
}

void RecordSet::rowsReplaced()
{
    current_ = recordCount() > 0 ? 0 : -1;
    if (disabled_) {
        missedReset_ = true;
        return;
    }
    emit rowsReset();
    emit currentChanged();
}

void RecordSet::rowsAdded(std::size_t before)
{
    if (disabled_) {
        missedReset_ = true;
        return;
    }
    emit rowsAppended(before, recordCount() - 1);
}

void RecordSet::setCurrent(long row)
{
    if (row == current_) return;
    current_ = row;
    if (!disabled_) emit currentChanged();
}

} // namespace kui
