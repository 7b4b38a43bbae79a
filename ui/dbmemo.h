#pragma once
// A read-only memo that shows one (long) field of a data set's current row.

#include "data/recordset.h"

#include <QPlainTextEdit>
#include <QPointer>

namespace kui {

class DBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DBMemo(const QString& name, QWidget* parent = nullptr);
    void bind(kdata::RecordSet* dataSet, const QString& field);
    void refresh();

private:
    QPointer<kdata::RecordSet> dataSet_;
    QString field_;
};

} // namespace kui
