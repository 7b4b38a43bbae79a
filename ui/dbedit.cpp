#include "dbedit.h"

#include <QEvent>
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

void DBEdit::setShrinkToFit(bool shrink)
{
    shrink_ = shrink;
    designFont_ = font();
    // The box keeps the height of its design font however small the text gets.
    if (shrink) setFixedHeight(sizeHint().height());
    fit();
}

void DBEdit::fit()
{
    if (!shrink_ || fitting_) return;
    fitting_ = true;
    constexpr int kSmallest = 10;
    QFont f = designFont_;
    const int room = contentsRect().width() - 6;
    while (f.pixelSize() > kSmallest && QFontMetrics(f).horizontalAdvance(text()) > room) f.setPixelSize(f.pixelSize() - 1);
    if (f != font()) setFont(f);
    fitting_ = false;
}

void DBEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    fit();
}

void DBEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    // A font set from outside is the one to shrink from.
    if (event->type() == QEvent::FontChange && !fitting_ && shrink_) {
        designFont_ = font();
        setFixedHeight(sizeHint().height());
        fit();
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
    fit();
}

void DBEdit::showMark(const QString& text, const QColor& color)
{
    setTextColor(color);
    // Moving along the list re-shows most boxes with what they hold already.
    if (text == this->text()) return;
    setText(text);
    setCursorPosition(0);
    fit();
}

void DBEdit::setTextColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::Text, color);
    setPalette(p);
}

} // namespace kui
