// Drawing a laid-out page on any paint device: screen, PDF, printer.

#include "document.h"

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

#include <stdexcept>

namespace kreports {

QPageLayout Document::pageLayout() const
{
    return QPageLayout(QPageSize(pageSize), orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

void paintPage(QPainter& painter, const Document& doc, int page, double pixelsPerMm)
{
    if (page < 0 || page >= doc.pageCount()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const double s = pixelsPerMm / kUnitsPerMm;
    painter.scale(s, s);
    auto units = [](const QRectF& r) {
        return QRectF(r.x() * kUnitsPerMm, r.y() * kUnitsPerMm, r.width() * kUnitsPerMm, r.height() * kUnitsPerMm);
    };
    int currentFont = -1;
    for (const DrawOp& op : doc.pages[static_cast<std::size_t>(page)].ops) {
        if (const auto* t = std::get_if<TextOp>(&op)) {
            if (t->font != currentFont) {
                painter.setFont(doc.fonts[static_cast<std::size_t>(t->font)]);
                currentFont = t->font;
            }
            painter.setPen(t->color);
            // Placed at layout time: no text layout here, only glyphs.
            painter.drawText(t->baseline * kUnitsPerMm, t->text);
        } else if (const auto* l = std::get_if<LineOp>(&op)) {
            QPen pen(l->color, l->width * kUnitsPerMm);
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            painter.drawLine(l->from * kUnitsPerMm, l->to * kUnitsPerMm);
        } else if (const auto* b = std::get_if<BoxOp>(&op)) {
            painter.setPen(b->penWidth > 0 ? QPen(b->penColor, b->penWidth * kUnitsPerMm) : QPen(Qt::NoPen));
            painter.setBrush(b->fill.isValid() ? QBrush(b->fill) : QBrush(Qt::NoBrush));
            painter.drawRect(units(b->rect));
            painter.setBrush(Qt::NoBrush);
        }
    }
    painter.restore();
}

void writePdf(const Document& doc, const QString& path)
{
    {
        // QPdfWriter reports an unwritable file only as a failed begin();
        // opening it first gives the reason.
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly))
            throw std::runtime_error(
                QStringLiteral("Cannot write the PDF file \"%1\": %2").arg(path, probe.errorString()).toStdString());
    }
    QPdfWriter writer(path);
    writer.setResolution(1200);
    writer.setPageLayout(doc.pageLayout());
    writer.setTitle(doc.title);
    writer.setCreator(QStringLiteral("Korvane"));
    QPainter painter;
    if (!painter.begin(&writer))
        throw std::runtime_error(QStringLiteral("Cannot write the PDF file \"%1\"").arg(path).toStdString());
    const double pxPerMm = writer.resolution() / 25.4;
    for (int i = 0; i < doc.pageCount(); ++i) {
        if (i > 0) writer.newPage();
        paintPage(painter, doc, i, pxPerMm);
    }
    if (doc.pages.empty()) painter.drawPoint(0, 0);   // a PDF needs one page; keep it blank
    painter.end();
}

void printDocument(const Document& doc, QPrinter& printer, int currentPage)
{
    printer.setFullPage(true);
    printer.setPageLayout(doc.pageLayout());
    if (printer.docName().isEmpty()) printer.setDocName(doc.title);
    int from = 0, to = doc.pageCount() - 1;
    switch (printer.printRange()) {
    case QPrinter::PageRange:
        from = std::max(printer.fromPage() - 1, 0);
        to = std::min(printer.toPage() - 1, to);
        break;
    case QPrinter::CurrentPage:
        from = to = currentPage;
        break;
    default: break;
    }
    QPainter painter;
    if (!painter.begin(&printer)) throw std::runtime_error("The printer cannot be opened");
    // Full-page mode puts the painter's origin at the paper's corner.
    const double pxPerMm = printer.resolution() / 25.4;
    for (int i = from; i <= to; ++i) {
        if (i > from) printer.newPage();
        paintPage(painter, doc, i, pxPerMm);
    }
    painter.end();
}

} // namespace kreports
