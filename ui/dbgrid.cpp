#include "dbgrid.h"

#include "dialogs.h"
#include "gridexport.h"

#include <QAction>
#include <QCache>
#include <QHeaderView>
#include <QStaticText>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

namespace kui {

namespace {

// Cells drawn as a grid of a data set needs them: background, one line of
// text cut at the cell's edge. The general delegate lays each cell's text
// out for wrapping and eliding, which makes moving along a list visibly
// slower.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // A cell's text shaped once and drawn as often as the grid repaints it:
    // moving along a list repaints rows whose texts have not changed.
    const QStaticText& prepared(const QString& text, const QFont& font) const
    {
        if (font != cacheFont_) {
            cache_.clear();
            cacheFont_ = font;
        }
        if (QStaticText* hit = cache_.object(text)) return *hit;
        auto* s = new QStaticText(text);
        s->setTextFormat(Qt::PlainText);
        s->setPerformanceHint(QStaticText::AggressiveCaching);
        s->prepare(QTransform(), font);
        cache_.insert(text, s);
        return *s;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        QColor background;
        if (selected) background = pal.color(QPalette::Highlight);
        else if (const QVariant b = index.data(Qt::BackgroundRole); b.isValid()) background = b.value<QColor>();
        if (background.isValid()) painter->fillRect(option.rect, background);
        const QString text = index.data(Qt::DisplayRole).toString();
        if (text.isEmpty()) return;
        painter->save();
        painter->setClipRect(option.rect);
        painter->setFont(option.font);
        painter->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QVariant align = index.data(Qt::TextAlignmentRole);
        const int flags = align.isValid() ? align.toInt() : int(Qt::AlignLeft | Qt::AlignVCenter);
        const QRect box = option.rect.adjusted(3, 0, -3, 0);
        const QStaticText& shaped = prepared(text, option.font);
        const QSizeF size = shaped.size();
        const int y = box.top() + static_cast<int>((box.height() - size.height()) / 2);
        int x = box.left();
        if (flags & Qt::AlignRight) x = box.right() + 1 - static_cast<int>(size.width());
        else if (flags & Qt::AlignHCenter) x = box.left() + static_cast<int>((box.width() - size.width()) / 2);
        painter->drawStaticText(QPoint(x, y), shaped);
        painter->restore();
    }

private:
    mutable QCache<QString, QStaticText> cache_{2000};
    mutable QFont cacheFont_;
};

// The row indicator column is as wide as the grid says, whatever its rows
// hold; asking every row for its size at each reload costs more than the rows.
class IndicatorHeader : public QHeaderView {
public:
    IndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}
    QSize sizeHint() const override { return {minimumWidth(), defaultSectionSize()}; }
};

} // namespace


DBGrid::DBGrid(const QString& name, QWidget* parent) : QTableView(parent)
{
    setObjectName(name);
    exportName_ = name;
    auto* exportAction = new QAction(QStringLiteral("Exportar…"), this);
    exportAction->setObjectName(QStringLiteral("actExportar"));
    addAction(exportAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(exportAction, &QAction::triggered, this, guardedSlot(this, [this] { exportGrid(*this, exportName_); }));
    setVerticalHeader(new IndicatorHeader(this));
    verticalHeader()->setSectionsClickable(false);
    setItemDelegate(new CellDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    setAlternatingRowColors(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setHighlightSections(false);
    const int rowHeight = fontMetrics().height() + 4;
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setMinimumSectionSize(rowHeight);
    // Silver titles and indicator through the palette: a style sheet would
    // route every cell of the grid through the slower style-sheet painter.
    for (QHeaderView* h : {horizontalHeader(), verticalHeader()}) {
        QPalette p = h->palette();
        p.setColor(QPalette::Button, QColor(192, 192, 192));
        p.setColor(QPalette::Window, QColor(192, 192, 192));
        p.setColor(QPalette::ButtonText, Qt::black);
        h->setPalette(p);
    }
}

void DBGrid::bind(kdata::RecordSet* dataSet, std::vector<Column> columns)
{
    model_ = new DataSetModel(dataSet, std::move(columns), this);
    setModel(model_);
    connect(dataSet, &kdata::RecordSet::currentChanged, this, &DBGrid::followDataSet);
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        applyWidths();
        followDataSet();
    });
    applyWidths();
    followDataSet();
}

void DBGrid::setStriped(bool striped)
{
    if (model_) model_->setStriped(striped);
    viewport()->update();
}

int DBGrid::defaultColumnWidth(int column) const
{
    const QFontMetrics fm(font());
    const int titleWidth = fm.horizontalAdvance(model_->columnTitle(column)) + 8;
    const QString& field = model_->columns().at(static_cast<std::size_t>(column)).field;
    const int chars = model_->dataSet()->displayChars(field);
    // The whole run of digits is measured: a digit's advance is fractional,
    // and a width of ten rounded advances cut the last digit of a code.
    return std::max(titleWidth, fm.horizontalAdvance(QString(chars, QLatin1Char('0'))) + 8);
}

void DBGrid::applyWidths()
{
    if (!model_) return;
    const bool haveFields = !model_->dataSet()->storedFields().empty();
    if (widthsApplied_ && haveFields) return;
    for (int c = 0; c < model_->columnCount(); ++c) {
        const int w = model_->columnWidth(c);
        setColumnWidth(c, w > 0 ? w : defaultColumnWidth(c));
    }
    widthsApplied_ = haveFields;
}

void DBGrid::followDataSet()
{
    if (!model_ || syncing_) return;
    const long row = model_->dataSet()->currentRow();
    syncing_ = true;
    if (row < 0 || row >= model_->rowCount()) {
        selectionModel()->clear();
    } else if (currentIndex().row() != row) {
        const int col = currentIndex().isValid() ? currentIndex().column() : 0;
        setCurrentIndex(model_->index(static_cast<int>(row), col));
    } else if (!selectionModel()->isRowSelected(static_cast<int>(row), {})) {
        selectRow(static_cast<int>(row));
    }
    syncing_ = false;
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (syncing_ || !model_ || !current.isValid()) return;
    kdata::RecordSet* ds = model_->dataSet();
    if (ds->currentRow() != current.row()) {
        syncing_ = true;
        ds->moveTo(static_cast<std::size_t>(current.row()));
        syncing_ = false;
    }
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit dblClick();
}

} // namespace kui
