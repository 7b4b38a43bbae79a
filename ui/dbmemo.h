#pragma once
// A read-only memo that shows one (long) field of a data set's current row.

#include "recordset.h"

#include <QPlainTextEdit>
#include <QPointer>

namespace kui {

class DBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DBMemo(const QString& name, QWidget* parent = nullptr);
    void bind(RecordSet* dataSet, const QString& field);
    void refresh();

private:
    QPointer<RecordSet> dataSet_;
    QString field_;
};

} // namespace kui
