#pragma once
// A read-only edit box that shows one field of a data set's current row.

#include "data/recordset.h"

#include <QColor>
#include <QLineEdit>
#include <QPointer>

namespace kui {

class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(const QString& name, QWidget* parent = nullptr);

    void bind(kdata::RecordSet* dataSet, const QString& field);
    const QString& fieldName() const { return field_; }

    // Shows another text in another colour until the bound value is shown
    // again (the next move of the data set, or refresh()).
    void showMark(const QString& text, const QColor& color);
    void setTextColor(const QColor& color);
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<kdata::RecordSet> dataSet_;
    QString field_;
};

} // namespace kui
