#include "dbmemo.h"

namespace kui {

DBMemo::DBMemo(const QString& name, QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(name);
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void DBMemo::bind(kdata::RecordSet* dataSet, const QString& field)
{
    dataSet_ = dataSet;
    field_ = field;
    connect(dataSet, &kdata::RecordSet::currentChanged, this, &DBMemo::refresh);
    connect(dataSet, &kdata::RecordSet::rowsReset, this, &DBMemo::refresh);
    refresh();
}

void DBMemo::refresh()
{
    QString text;
    if (dataSet_ && dataSet_->isOpen() && dataSet_->currentRow() >= 0 && dataSet_->hasField(field_))
        text = dataSet_->currentText(field_);
    if (text != toPlainText()) setPlainText(text);
}

} // namespace kui
