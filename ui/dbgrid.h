#pragma once
// A read-only grid bound to a data set: whole-row selection that follows the
// data set's current row and moves it, titles, a row indicator, and on the
// right button "Exportar…" of what it shows (ui/gridexport.h).

#include "datasetmodel.h"

#include <QTableView>

namespace kui {

class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(const QString& name, QWidget* parent = nullptr);

    void bind(kdata::RecordSet* dataSet, std::vector<Column> columns);
    kdata::RecordSet* dataSet() const { return model_ ? model_->dataSet() : nullptr; }
    DataSetModel* dataModel() const { return model_; }
    void setStriped(bool striped);
    // What an export calls the table: the file's suggested name and the
    // sheet's (the control name until a window gives one).
    void setExportName(const QString& name) { exportName_ = name; }
    const QString& exportName() const { return exportName_; }

    // The width a column takes when neither the grid nor the field sets one:
    // the field's display width in digits, or its title, whichever is wider.
    int defaultColumnWidth(int column) const;

signals:
    void dblClick();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void followDataSet();
    void applyWidths();

    DataSetModel* model_ = nullptr;
    bool syncing_ = false;
    bool widthsApplied_ = false;
    QString exportName_;
};

} // namespace kui
