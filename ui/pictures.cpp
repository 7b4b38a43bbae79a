#include "pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace kui::pictures {
namespace {

QPixmap canvas(int w, int h)
{
    QPixmap p(w, h);
    p.fill(Qt::transparent);
    return p;
}

void prepare(QPainter& g, int size, qreal design = 48.0)
{
    g.setRenderHint(QPainter::Antialiasing);
    g.scale(size / design, size / design);
}

} // namespace

QPixmap logo(int width, int height)
{
    QPixmap pm = canvas(width, height);
    QPainter g(&pm);
    g.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, height);
    bg.setColorAt(0, QColor(0, 51, 128));
    bg.setColorAt(1, QColor(0, 92, 170));
    g.setPen(Qt::NoPen);
    g.setBrush(bg);
    g.drawRoundedRect(QRectF(1, 1, width - 2, height - 2), 8, 8);

    // A white health cross over a page of the table.
    const qreal s = height * 0.46;
    const QRectF page(width * 0.5 - s * 0.55, height * 0.1, s * 1.1, s * 1.25);
    g.setBrush(QColor(255, 255, 255, 60));
    g.drawRoundedRect(page, 3, 3);
    g.setPen(QPen(QColor(255, 255, 255, 140), 1.5));
    for (int i = 1; i <= 4; ++i) {
        const qreal y = page.top() + page.height() * i / 5.0;
        g.drawLine(QPointF(page.left() + 4, y), QPointF(page.right() - 4, y));
    }
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(220, 30, 40));
    const QPointF c(page.center());
    const qreal arm = s * 0.42, thick = s * 0.16;
    g.drawRect(QRectF(c.x() - thick, c.y() - arm, thick * 2, arm * 2));
    g.drawRect(QRectF(c.x() - arm, c.y() - thick, arm * 2, thick * 2));

    QFont f(QStringLiteral("Tahoma"));
    f.setBold(true);
    f.setPixelSize(qMax(10, height / 6));
    g.setFont(f);
    g.setPen(Qt::white);
    g.drawText(QRectF(0, height * 0.72, width, height * 0.26), Qt::AlignCenter, QStringLiteral("KORVANE"));
    return pm;
}

QPixmap broom(int size)
{
    QPixmap pm = canvas(size, size);
    QPainter g(&pm);
    prepare(g, size);
    // Handle.
    g.setPen(QPen(QColor(120, 72, 30), 4, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(QPointF(36, 4), QPointF(22, 28));
    // Binding.
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(200, 40, 40));
    QPainterPath band;
    band.moveTo(17, 26);
    band.lineTo(28, 32);
    band.lineTo(26, 36);
    band.lineTo(14, 30);
    band.closeSubpath();
    g.drawPath(band);
    // Bristles.
    QPainterPath bristles;
    bristles.moveTo(14, 30);
    bristles.lineTo(26, 36);
    bristles.lineTo(22, 46);
    bristles.lineTo(2, 40);
    bristles.closeSubpath();
    g.setBrush(QColor(230, 190, 80));
    g.drawPath(bristles);
    g.setPen(QPen(QColor(170, 130, 40), 1));
    for (int i = 0; i < 5; ++i) g.drawLine(QPointF(15 - i * 2.5, 31 + i * 0.8), QPointF(20 - i * 4, 45 - i * 1.2));
    return pm;
}

QPixmap printer(int size)
{
    QPixmap pm = canvas(size, size);
    QPainter g(&pm);
    prepare(g, size);
    g.setPen(QPen(QColor(60, 60, 60), 1.5));
    // Paper in.
    g.setBrush(Qt::white);
    g.drawRect(QRectF(13, 4, 22, 16));
    // Body.
    QLinearGradient body(0, 18, 0, 36);
    body.setColorAt(0, QColor(200, 200, 205));
    body.setColorAt(1, QColor(130, 130, 140));
    g.setBrush(body);
    g.drawRoundedRect(QRectF(4, 18, 40, 18), 3, 3);
    g.setBrush(QColor(60, 200, 80));
    g.drawEllipse(QPointF(38, 23), 1.8, 1.8);
    // Paper out.
    g.setBrush(Qt::white);
    g.drawRect(QRectF(12, 30, 24, 14));
    g.setPen(QPen(QColor(120, 120, 120), 1));
    for (int y = 34; y <= 41; y += 3) g.drawLine(QPointF(15, y), QPointF(33, y));
    return pm;
}

QPixmap occupations(int size)
{
    QPixmap pm = canvas(size, size);
    QPainter g(&pm);
    prepare(g, size);
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(40, 90, 170));
    g.drawEllipse(QPointF(24, 14), 9, 9);
    QPainterPath body;
    body.moveTo(6, 46);
    body.cubicTo(6, 26, 42, 26, 42, 46);
    body.closeSubpath();
    g.drawPath(body);
    g.setBrush(Qt::white);
    g.drawRoundedRect(QRectF(27, 33, 10, 7), 1.5, 1.5);
    return pm;
}

QPixmap diagnoses(int size)
{
    QPixmap pm = canvas(size, size);
    QPainter g(&pm);
    prepare(g, size);
    g.setPen(QPen(QColor(90, 60, 30), 1.5));
    g.setBrush(QColor(190, 140, 80));
    g.drawRoundedRect(QRectF(8, 6, 32, 40), 3, 3);
    g.setBrush(Qt::white);
    g.drawRect(QRectF(12, 11, 24, 31));
    g.setBrush(QColor(150, 150, 155));
    g.drawRoundedRect(QRectF(17, 3, 14, 7), 2, 2);
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(220, 30, 40));
    g.drawRect(QRectF(21, 17, 6, 18));
    g.drawRect(QRectF(15, 23, 18, 6));
    return pm;
}

QPixmap exitDoor(int size)
{
    QPixmap pm = canvas(size, size);
    QPainter g(&pm);
    prepare(g, size, 24.0);
    // Frame and the open blue door.
    g.setPen(QPen(QColor(80, 80, 80), 1));
    g.setBrush(QColor(235, 235, 235));
    g.drawRect(QRectF(11, 2, 11, 20));
    QPolygonF door;
    door << QPointF(11, 2) << QPointF(17, 4) << QPointF(17, 23) << QPointF(11, 22);
    g.setBrush(QColor(40, 90, 200));
    g.drawPolygon(door);
    // The red arrow going in.
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(210, 20, 20));
    QPolygonF arrow;
    arrow << QPointF(1, 10) << QPointF(8, 10) << QPointF(8, 6.5) << QPointF(14, 12) << QPointF(8, 17.5)
          << QPointF(8, 14) << QPointF(1, 14);
    g.drawPolygon(arrow);
    return pm;
}

} // namespace kui::pictures
