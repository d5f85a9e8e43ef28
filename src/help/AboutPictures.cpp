#include "AboutPictures.h"

#include <QPainter>
#include <QPainterPath>

QImage bandsPicture()
{
    QImage image(80, 45, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    // Both corners belong to a band, as the bands were laid out: rows 15..30 and 31..45.
    p.fillRect(QRect(QPoint(0, 15), QPoint(79, 30)), QColor(0, 0, 255));
    p.fillRect(QRect(QPoint(0, 31), QPoint(79, 45)), QColor(255, 0, 0));
    return image;
}

namespace {

const QColor kInk(0, 0, 128);
const QColor kBlue(0, 64, 176);
const QColor kRed(200, 24, 24);
const QColor kPaper(252, 252, 244);
const QColor kRule(150, 160, 190);

void drawCard(QPainter &p)
{
    const QRectF card(4.5, 4.5, 62, 86);
    QPainterPath outline;
    outline.addRoundedRect(card, 6, 6);

    p.fillPath(outline, kPaper);
    p.save();
    p.setClipPath(outline);
    p.fillRect(QRectF(card.left(), card.top(), card.width(), 13), kBlue); // the card's title strip
    p.restore();

    // The owner of the card: head and shoulders.
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(22, 32), 6.5, 6.5);
    QPainterPath shoulders;
    shoulders.moveTo(10, 53);
    shoulders.cubicTo(10, 39, 34, 39, 34, 53);
    shoulders.closeSubpath();
    p.drawPath(shoulders);

    // The owner's particulars beside, the purchases below.
    p.setPen(QPen(kRule, 2, Qt::SolidLine, Qt::RoundCap));
    for (const int y : {29, 37, 45})
        p.drawLine(QPointF(40, y), QPointF(59, y));
    for (const int y : {61, 69, 77})
        p.drawLine(QPointF(12, y), QPointF(59, y));

    p.setPen(QPen(kInk, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
}

void drawBag(QPainter &p)
{
    // Handle first, so that the bag's rim covers its ends.
    p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(25, 72, 21, 24), 0, 180 * 16);

    QPainterPath bag;
    bag.moveTo(16, 84);
    bag.lineTo(55, 84);
    bag.lineTo(60, 121);
    bag.lineTo(11, 121);
    bag.closeSubpath();
    p.setPen(QPen(kInk, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(kRed);
    p.drawPath(bag);

    // The purchase is recorded: a white tick on the bag.
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(25, 102), QPointF(32, 109), QPointF(46, 94)}));
}

} // namespace

QImage emblemPicture()
{
    QImage image(71, 126, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawCard(p);
    drawBag(p);
    return image;
}
