#pragma once
// A read-only table model over a data set: chosen fields as columns, rows
// fetched as the view scrolls.

#include "data/recordset.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>

namespace kui {

struct Column {
    Column(QString f, QString t = {}, int w = -1) : field(std::move(f)), title(std::move(t)), width(w) {}
    QString field;
    QString title;      // empty: the field's title from the data set
    int width = -1;     // -1: the field's width from the data set
};

class DataSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DataSetModel(kdata::RecordSet* dataSet, std::vector<Column> columns, QObject* parent = nullptr);

    kdata::RecordSet* dataSet() const { return dataSet_; }
    const std::vector<Column>& columns() const { return columns_; }
    QString columnTitle(int column) const;
    int columnWidth(int column) const;   // -1 when neither column nor field gives one

    // Even rows (the second, fourth, ...) on the button-face colour.
    void setStriped(bool striped) { striped_ = striped; }
    bool striped() const { return striped_; }
    static QColor stripeColor();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    void onReset();
    void onAppended(std::size_t first, std::size_t last);
    void onCurrent();

    QPointer<kdata::RecordSet> dataSet_;
    std::vector<Column> columns_;
    int rows_ = 0;
    int indicatorRow_ = -1;
    bool striped_ = false;
};

} // namespace kui
