#include "datasetmodel.h"

#include <QApplication>
#include <QPalette>

namespace kui {

namespace {
constexpr std::size_t kFetchBatch = 64;
}

DataSetModel::DataSetModel(kdata::RecordSet* dataSet, std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), dataSet_(dataSet), columns_(std::move(columns))
{
    rows_ = static_cast<int>(dataSet_->recordCount());
    indicatorRow_ = static_cast<int>(dataSet_->currentRow());
    connect(dataSet_, &kdata::RecordSet::rowsReset, this, &DataSetModel::onReset);
    connect(dataSet_, &kdata::RecordSet::rowsAppended, this, &DataSetModel::onAppended);
    connect(dataSet_, &kdata::RecordSet::currentChanged, this, &DataSetModel::onCurrent);
}

QColor DataSetModel::stripeColor() { return QApplication::palette().color(QPalette::Button); }

QString DataSetModel::columnTitle(int column) const
{
    const Column& c = columns_.at(static_cast<std::size_t>(column));
    if (!c.title.isEmpty()) return c.title;
    if (const kdata::FieldDef* d = dataSet_ ? dataSet_->fieldDef(c.field) : nullptr; d && !d->title.isEmpty()) return d->title;
    return c.field;
}

int DataSetModel::columnWidth(int column) const
{
    const Column& c = columns_.at(static_cast<std::size_t>(column));
    if (c.width > 0) return c.width;
    if (const kdata::FieldDef* d = dataSet_ ? dataSet_->fieldDef(c.field) : nullptr; d && d->width > 0) return d->width;
    return -1;
}

int DataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int DataSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !dataSet_ || index.row() >= rows_) return {};
    const auto row = static_cast<std::size_t>(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        const Column& c = columns_[static_cast<std::size_t>(index.column())];
        if (!dataSet_->hasField(c.field)) return {};
        return dataSet_->displayText(row, c.field);
    }
    case Qt::BackgroundRole:
        // Position 1 is the first row: positions 2, 4, 6 ... are the grey ones.
        if (striped_ && (index.row() + 1) % 2 == 0) return stripeColor();
        return {};
    case Qt::TextAlignmentRole: {
        const Column& c = columns_[static_cast<std::size_t>(index.column())];
        const kdata::FieldDef* d = dataSet_->fieldDef(c.field);
        if (d && d->format == kdata::DisplayFormat::Money) return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    default: return {};
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columnCount()) return {};
        return columnTitle(section);
    }
    // The row indicator: an arrow on the current row.
    return section == indicatorRow_ ? QStringLiteral("\u25B6") : QString();
}

bool DataSetModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && dataSet_ && dataSet_->isOpen() && !dataSet_->allFetched();
}

void DataSetModel::fetchMore(const QModelIndex& parent)
{
    if (canFetchMore(parent)) dataSet_->fetchMore(kFetchBatch);
}

void DataSetModel::onReset()
{
    // Most pages of most procedures are empty: an empty list read again for
    // the next procedure changes nothing a view shows, and a reset makes
    // every grid lay its headers out again.
    if (rows_ == 0 && dataSet_->recordCount() == 0) {
        indicatorRow_ = -1;
        return;
    }
    beginResetModel();
    rows_ = static_cast<int>(dataSet_->recordCount());
    indicatorRow_ = static_cast<int>(dataSet_->currentRow());
    endResetModel();
}

void DataSetModel::onAppended(std::size_t first, std::size_t last)
{
    if (static_cast<int>(first) != rows_) {
        onReset();
        return;
    }
    beginInsertRows({}, static_cast<int>(first), static_cast<int>(last));
    rows_ = static_cast<int>(last) + 1;
    endInsertRows();
}

void DataSetModel::onCurrent()
{
    // No headerDataChanged: a header takes it as a reason to lay the whole
    // view out again, which made every row moved repaint the entire grid.
    // The view repaints the indicator's sections itself when its current
    // row follows the data set.
    indicatorRow_ = static_cast<int>(dataSet_->currentRow());
}

} // namespace kui
