#include "dbedit.h"

#include <QPainter>
#include <QPalette>

namespace kui {

DBEdit::DBEdit(const QString& name, QWidget* parent) : QLineEdit(parent)
{
    setObjectName(name);
    setReadOnly(true);
    // A plain box drawn below: the style's rounded, smoothed frame cost
    // more than the text in the eleven boxes that change at every keystroke.
    setFrame(false);
    setTextMargins(2, 1, 2, 1);
}

void DBEdit::paintEvent(QPaintEvent* event)
{
    QLineEdit::paintEvent(event);
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(r);
    if (hasFocus()) {
        p.setPen(palette().color(QPalette::Highlight));
        p.drawRect(r.adjusted(1, 1, -1, -1));
    }
}

void DBEdit::bind(kdata::RecordSet* dataSet, const QString& field)
{
    dataSet_ = dataSet;
    field_ = field;
    connect(dataSet, &kdata::RecordSet::currentChanged, this, &DBEdit::refresh);
    connect(dataSet, &kdata::RecordSet::rowsReset, this, &DBEdit::refresh);
    refresh();
}

void DBEdit::setMarkRule(std::function<std::optional<Mark>()> rule)
{
    markRule_ = std::move(rule);
    refresh();
}

void DBEdit::refresh()
{
    if (markRule_) {
        if (const std::optional<Mark> mark = markRule_()) {
            showMark(mark->text, mark->color);
            return;
        }
        setTextColor(Qt::black);
    }
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
