#include "dbedit.h"

#include <QPalette>

namespace kui {

DBEdit::DBEdit(const QString& name, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(name);
    setReadOnly(true);
}

void DBEdit::bind(RecordSet* dataSet, const QString& field)
{
    dataSet_ = dataSet;
    field_ = field;
    connect(dataSet, &RecordSet::currentChanged, this, &DBEdit::refresh);
    connect(dataSet, &RecordSet::rowsReset, this, &DBEdit::refresh);
    refresh();
}

void DBEdit::refresh()
{
    QString text;
    if (dataSet_ && dataSet_->isOpen() && dataSet_->currentRow() >= 0 && dataSet_->hasField(field_))
        text = dataSet_->currentText(field_);
    // Moving along the list re-shows most boxes with what they hold already.
    if (text == this->text()) return;
    setText(text);
    setCursorPosition(0);
}

void DBEdit::showMark(const QString& text, const QColor& color)
{
    setTextColor(color);
    // Moving along the list re-shows most boxes with what they hold already.
    if (text == this->text()) return;
    setText(text);
    setCursorPosition(0);
}

void DBEdit::setTextColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::Text, color);
    setPalette(p);
}

} // namespace kui
