#pragma once
// A laid-out report: pages of drawing operations in millimetres from the
// paper's top-left corner. Once made it no longer needs its data sets, so a
// preview may outlive the run that made it.

#include "data/extract.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QPageLayout>
#include <QRectF>
#include <QString>

#include <memory>
#include <variant>
#include <vector>

class QPainter;
class QPrinter;

namespace kreports {

struct TextOp {
    QRectF rect;       // the text's box, padding already taken off
    QPointF baseline;  // where the text starts, alignment applied
    int font = 0;      // index into Document::fonts
    QString text;      // one line, already cut to fit
    QColor color;
};

struct LineOp {
    QPointF from, to;
    double width = 0.2;
    QColor color;
};

struct BoxOp {
    QRectF rect;
    double penWidth = 0;   // 0: no outline
    QColor penColor;
    QColor fill;           // invalid: none
};

using DrawOp = std::variant<TextOp, LineOp, BoxOp>;

struct Page {
    std::vector<DrawOp> ops;
};

struct Document {
    QString title;
    QPageSize::PageSizeId pageSize = QPageSize::A4;
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    QSizeF paperMm;                 // as printed, orientation applied
    QDateTime printedAt;
    std::vector<QFont> fonts;       // pixel sizes in hundredths of a millimetre
    std::vector<Page> pages;
    // The report's rows as a table for a sheet, taken at the run; only for
    // reports that list rows under columns (the procedure lists).
    std::shared_ptr<const kdata::Extract> table;

    int pageCount() const { return static_cast<int>(pages.size()); }
    QPageLayout pageLayout() const;
};

// Fonts are sized in this unit so that one metric serves every device.
constexpr double kUnitsPerMm = 100.0;

// Paints one page (0-based) with the paper's corner at the painter's
// origin, at the given device pixels per millimetre.
void paintPage(QPainter& painter, const Document& doc, int page, double pixelsPerMm);

// Writes every page to a PDF file; throws std::runtime_error naming the file
// when it cannot be written.
void writePdf(const Document& doc, const QString& path);

// Prints to a printer the user has set up: the page range it asks for, or all.
void printDocument(const Document& doc, QPrinter& printer, int currentPage = 0);

} // namespace kreports
