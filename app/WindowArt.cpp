#include "app/WindowArt.h"

#include "display/LcdGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace {

QPixmap Canvas(int w, int h) {
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void Arrow(QPainter& p, bool left, double x, double y, double size) {
    QPainterPath path;
    if (left) {
        path.moveTo(x + size, y);
        path.lineTo(x, y + size / 2);
        path.lineTo(x + size, y + size);
    } else {
        path.moveTo(x, y);
        path.lineTo(x + size, y + size / 2);
        path.lineTo(x, y + size);
    }
    path.closeSubpath();
    p.fillPath(path, QColor(30, 70, 160));
}

void Page(QPainter& p, QColor fill) {
    QPainterPath sheet;
    sheet.moveTo(3.5, 1.5);
    sheet.lineTo(10.5, 1.5);
    sheet.lineTo(13.5, 4.5);
    sheet.lineTo(13.5, 14.5);
    sheet.lineTo(3.5, 14.5);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(fill);
    p.drawPath(sheet);
}

void Floppy(QPainter& p) {
    p.setPen(QPen(QColor(30, 40, 90), 1));
    p.setBrush(QColor(60, 90, 170));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(210, 210, 210));
    p.drawRect(QRectF(3.5, 9.5, 9, 5));
}

} // namespace

QIcon DrawToolIcon(TToolIcon which) {
    QPixmap pixmap = Canvas(16, 16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case TToolIcon::New:
        Page(p, Qt::white);
        break;
    case TToolIcon::CloseData:
        Page(p, Qt::white);
        p.setPen(QPen(QColor(190, 30, 30), 2));
        p.drawLine(QPointF(5, 6), QPointF(12, 13));
        p.drawLine(QPointF(12, 6), QPointF(5, 13));
        break;
    case TToolIcon::Open:
        p.setPen(QPen(QColor(120, 90, 20), 1));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(1.5, 4.5, 12, 9));
        p.setBrush(QColor(250, 225, 130));
        p.drawPolygon(QPolygonF(
            {QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
        break;
    case TToolIcon::Save:
        Floppy(p);
        break;
    case TToolIcon::Picture:
        Floppy(p);
        p.setPen(QPen(QColor(200, 40, 40), 1.4));
        p.drawPolyline(
            QPolygonF({QPointF(4, 13), QPointF(7, 10.5), QPointF(9, 12), QPointF(12, 9.5)}));
        break;
    case TToolIcon::Print:
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(170, 170, 170));
        p.drawRoundedRect(QRectF(1.5, 6.5, 13, 6), 1, 1);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 10.5, 7, 4));
        break;
    case TToolIcon::First:
        p.fillRect(QRectF(2, 3, 2, 10), QColor(30, 70, 160));
        Arrow(p, true, 5, 3, 10);
        break;
    case TToolIcon::Previous:
        Arrow(p, true, 4, 3, 10);
        break;
    case TToolIcon::Next:
        Arrow(p, false, 2, 3, 10);
        break;
    case TToolIcon::Last:
        Arrow(p, false, 1, 3, 10);
        p.fillRect(QRectF(12, 3, 2, 10), QColor(30, 70, 160));
        break;
    case TToolIcon::Fit: // a trace squeezed between two bars that close in on it
        p.fillRect(QRectF(1, 2, 14, 1.5), QColor(30, 70, 160));
        p.fillRect(QRectF(1, 12.5, 14, 1.5), QColor(30, 70, 160));
        p.setPen(QPen(Qt::blue, 1.3));
        p.drawPolyline(QPolygonF({QPointF(1, 9), QPointF(5, 5), QPointF(9, 10), QPointF(15, 6)}));
        break;
    case TToolIcon::Overview: // a dense trace drawn as a band
        p.setPen(QPen(QColor(30, 70, 160), 1));
        for (int x = 1; x < 15; ++x) {
            const double top = 6 + 3 * std::sin(x * 0.7), depth = 2 + (x % 3);
            p.drawLine(QPointF(x + 0.5, top), QPointF(x + 0.5, top + depth));
        }
        break;
    }
    return QIcon(pixmap);
}

QPixmap DrawLinkImage(bool lit) {
    QPixmap pixmap = Canvas(25, 24);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(10.5, 9.5), 11);
    if (lit) {
        glow.setColorAt(0, QColor(190, 255, 170));
        glow.setColorAt(1, QColor(20, 150, 30));
    } else {
        glow.setColorAt(0, QColor(200, 120, 120));
        glow.setColorAt(1, QColor(110, 20, 20));
    }
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(glow);
    p.drawEllipse(QRectF(2.5, 2, 19, 19));
    return pixmap;
}

QIcon DrawWindowIcon() {
    QPixmap pixmap = Canvas(32, 32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(60, 70, 80));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    p.setBrush(QColor(200, 214, 190));
    p.drawRoundedRect(QRectF(4, 6, 24, 16), 2, 2);
    TGlyphStyle style;
    style.pixelSize = 15;
    DrawGlyphText(p, QRectF(6, 8, 22, 12), "47", style, Qt::AlignHCenter | Qt::AlignVCenter);
    p.setBrush(QColor(230, 120, 40));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(12, 24, 8, 5));
    return QIcon(pixmap);
}
