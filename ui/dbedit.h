#pragma once
// A read-only edit box that shows one field of a data set's current row.

#include "data/recordset.h"

#include <QColor>
#include <QLineEdit>
#include <QPointer>

#include <functional>
#include <optional>

namespace kui {

class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(const QString& name, QWidget* parent = nullptr);

    void bind(kdata::RecordSet* dataSet, const QString& field);

    // Another text in another colour shown instead of the value.
    struct Mark {
        QString text;
        QColor color;
    };
    // Asked at every refresh: a mark to show, or none, and the value is shown
    // in black.
    void setMarkRule(std::function<std::optional<Mark>()> rule);
    // A text wider than the box is drawn in a smaller font (down to a
    // floor) rather than cut: a clerk reads the whole age or financing name.
    void setShrinkToFit(bool shrink);
    const QString& fieldName() const { return field_; }

    // Shows another text in another colour until the bound value is shown
    // again (the next move of the data set, or refresh()).
    void showMark(const QString& text, const QColor& color);
    void setTextColor(const QColor& color);
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QPointer<kdata::RecordSet> dataSet_;
    QString field_;
    std::function<std::optional<Mark>()> markRule_;
    void fit();
    bool shrink_ = false;
    bool fitting_ = false;
    QFont designFont_;
};

} // namespace kui
