#include "dbmemo.h"

namespace kui {

DBMemo::DBMemo(const QString& name, QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(name);
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A display only: nothing to undo, and keeping each text for undoing
    // costs at every move along the list.
    document()->setUndoRedoEnabled(false);
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
    // Straight into the document: the edit's own setPlainText also moves a
    // cursor over every word of the text, which a display has no use for.
    if (text != document()->toPlainText()) document()->setPlainText(text);
}

} // namespace kui
