#include "recordset.h"

#include "core/money.h"
#include "core/text.h"
#include "db/error.h"

#include <algorithm>
#include <optional>

namespace kdata {

QString formatValue(const kdb::Value& value, DisplayFormat format)
{
    if (value.isNull()) return {};
    if (format == DisplayFormat::Money &&
        (value.kind() == kdb::Value::Kind::Fixed || value.kind() == kdb::Value::Kind::Integer))
        return korvane::formatMoney(value.asDecimal());
    return korvane::fromWin1252(value.toString());
}

RecordSet::RecordSet(const QString& name, QObject* parent) : QObject(parent) { setObjectName(name); }

std::size_t RecordSet::recordCount() const { return filterOn_ ? visible_.size() : storedCount(); }

std::size_t RecordSet::fetchMore(std::size_t rows)
{
    const std::size_t before = storedCount();
    const std::size_t added = fetchRows(rows);
    if (added) rowsAdded(before);
    return added;
}

void RecordSet::fetchAll()
{
    const std::size_t before = storedCount();
    while (!allFetched())
        if (fetchRows(256) == 0) break;
    if (storedCount() > before) rowsAdded(before);
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
        const std::size_t visibleBefore = recordCount();
        while (row >= recordCount() && !allFetched()) {
            const std::size_t storedBefore = storedCount();
            // Under a filter the row wanted may lie further on than the count says.
            if (fetchRows(std::max<std::size_t>(row + 1 - recordCount(), filterOn_ ? 64 : 1)) == 0) break;
            indexFrom(storedBefore);
        }
        notifyAdded(visibleBefore);
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
    return storedValue(stored(row), i);
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
    visible_.clear();
    try {
        if (filterOn_) {
            indexFrom(0);
            // A set shows a row as soon as it has one: fetch until the
            // filter lets one through or nothing is left.
            while (visible_.empty() && !allFetched()) {
                const std::size_t before = storedCount();
                if (fetchRows(64) == 0) break;
                indexFrom(before);
            }
        }
    } catch (...) {
        // A filter naming a field the new rows lack: show no row rather than
        // half an index, and say why.
        visible_.clear();
        current_ = -1;
        if (disabled_) missedReset_ = true;
        else {
            emit rowsReset();
            emit currentChanged();
        }
        throw;
    }
    current_ = recordCount() > 0 ? 0 : -1;
    if (disabled_) {
        missedReset_ = true;
        return;
    }
    emit rowsReset();
    emit currentChanged();
}

void RecordSet::rowsAdded(std::size_t storedBefore)
{
    const std::size_t visibleBefore = filterOn_ ? visible_.size() : storedBefore;
    indexFrom(storedBefore);
    notifyAdded(visibleBefore);
}

void RecordSet::notifyAdded(std::size_t visibleBefore)
{
    if (recordCount() <= visibleBefore) return;
    if (disabled_) {
        missedReset_ = true;
        return;
    }
    emit rowsAppended(visibleBefore, recordCount() - 1);
}

void RecordSet::setCurrent(long row)
{
    if (row == current_) return;
    current_ = row;
    if (!disabled_) emit currentChanged();
}

long RecordSet::visibleRow(std::size_t storedRow) const
{
    if (!filterOn_) return storedRow < storedCount() ? static_cast<long>(storedRow) : -1;
    const auto it = std::lower_bound(visible_.begin(), visible_.end(), storedRow);
    return it != visible_.end() && *it == storedRow ? static_cast<long>(it - visible_.begin()) : -1;
}

// --- filter ------------------------------------------------------------------

namespace {

std::string_view rtrimBlanks(std::string_view s)
{
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::optional<kdb::Decimal> asNumber(const kdb::Value& v)
{
    switch (v.kind()) {
    case kdb::Value::Kind::Integer:
    case kdb::Value::Kind::Fixed: return v.asDecimal();
    case kdb::Value::Kind::Text: return kdb::Decimal::parse(korvane::trimmed(v.asText()));
    default: return std::nullopt;
    }
}

bool sameValue(const kdb::Value& stored, const kdb::Value& literal)
{
    if (literal.kind() == kdb::Value::Kind::Text) {
        // NULL reads as the empty text, as a bound control shows it.
        return rtrimBlanks(stored.toString()) == rtrimBlanks(literal.asText());
    }
    const auto n = asNumber(stored);
    return n && *n == literal.asDecimal();
}

} // namespace

void RecordSet::setFilter(const QString& expression)
{
    std::vector<Condition> conditions;
    const QString text = expression.trimmed();
    qsizetype i = 0;
    auto fail = [&](const char* what) {
        throw kdb::Error("Invalid filter '" + expression.toStdString() + "': " + what + " at position " +
                         std::to_string(i + 1));
    };
    auto skipBlanks = [&] {
        while (i < text.size() && text[i].isSpace()) ++i;
    };
    while (i < text.size()) {
        Condition c;
        skipBlanks();
        const qsizetype start = i;
        while (i < text.size() && (text[i].isLetterOrNumber() || text[i] == u'_' || text[i] == u'$')) ++i;
        if (i == start || text[start].isDigit()) fail("field name expected");
        c.field = text.mid(start, i - start).toUpper();
        skipBlanks();
        if (text.mid(i, 2) == QStringLiteral("<>")) {
            c.equal = false;
            i += 2;
        } else if (i < text.size() && text[i] == u'=') {
            ++i;
        } else {
            fail("'=' or '<>' expected");
        }
        skipBlanks();
        if (i < text.size() && text[i] == u'\'') {
            QString lit;
            for (++i;; ++i) {
                if (i >= text.size()) fail("unclosed quote");
                if (text[i] == u'\'') {
                    if (i + 1 < text.size() && text[i + 1] == u'\'') {
                        lit += u'\'';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                lit += text[i];
            }
            c.literal = kdb::Value::text(korvane::toWin1252(lit));
        } else {
            const qsizetype numStart = i;
            if (i < text.size() && text[i] == u'-') ++i;
            while (i < text.size() && (text[i].isDigit() || text[i] == u'.')) ++i;
            const auto d = kdb::Decimal::parse(text.mid(numStart, i - numStart).toStdString());
            if (!d) fail("quoted text or number expected");
            c.literal = kdb::Value::fixed(*d);
        }
        conditions.push_back(std::move(c));
        skipBlanks();
        if (i >= text.size()) break;
        if (text.mid(i, 3).compare(QStringLiteral("and"), Qt::CaseInsensitive) != 0 ||
            (i + 3 < text.size() && !text[i + 3].isSpace()))
            fail("'and' expected");
        i += 3;
        skipBlanks();
        if (i >= text.size()) fail("condition expected");
    }
    if (isOpen())
        for (const Condition& c : conditions)
            if (storedIndex(c.field) < 0)
                throw kdb::Error("Field '" + c.field.toStdString() + "' not found");
    filterText_ = expression;
    conditions_ = std::move(conditions);
    filterOn_ = !conditions_.empty();
    rowsReplaced();
}

bool RecordSet::accepts(std::size_t storedRow) const
{
    for (const Condition& c : conditions_) {
        const int index = storedIndex(c.field);
        if (index < 0) throw kdb::Error("Field '" + c.field.toStdString() + "' not found");
        if (sameValue(storedValue(storedRow, index), c.literal) != c.equal) return false;
    }
    return true;
}

void RecordSet::indexFrom(std::size_t storedBefore)
{
    if (!filterOn_) return;
    for (std::size_t r = storedBefore; r < storedCount(); ++r)
        if (accepts(r)) visible_.push_back(r);
}

} // namespace kdata
