// Tool button pictures. Each is drawn on a 16 x 16 grid and rendered at 1x and 2x so that it
// stays sharp on high-density screens. One palette for all: green for running, blue for
// stepping and pausing, red for stop, dark grey for the view tools.
#include "ui/window/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace kinetra::ui {

namespace {

const QColor kOutline(40, 40, 40);
const QColor kGreen(30, 150, 50);
const QColor kBlue(40, 90, 190);
const QColor kRed(200, 40, 40);
const QColor kGrey(70, 70, 70);

void Triangle(QPainter& p, bool right, double left, const QColor& fill) {
    QPolygonF poly;
    if (right)
        poly << QPointF(left, 3) << QPointF(left + 9, 8) << QPointF(left, 13);
    else
        poly << QPointF(left + 9, 3) << QPointF(left, 8) << QPointF(left + 9, 13);
    p.setPen(QPen(fill.darker(140), 1));
    p.setBrush(fill);
    p.drawPolygon(poly);
}

void Magnifier(QPainter& p, bool plus) {
    p.setPen(QPen(kGrey, 1.6));
    p.setBrush(QColor(225, 240, 255));
    p.drawEllipse(QPointF(6.5, 6.5), 4.6, 4.6);
    p.setPen(QPen(kGrey, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
    p.setPen(QPen(kOutline, 1.4));
    p.drawLine(QPointF(4.3, 6.5), QPointF(8.7, 6.5));
    if (plus) p.drawLine(QPointF(6.5, 4.3), QPointF(6.5, 8.7));
}

void Paint(QPainter& p, TToolIcon kind) {
    switch (kind) {
        case TToolIcon::Open: {
            p.setPen(QPen(QColor(150, 110, 20), 1));
            p.setBrush(QColor(240, 200, 80));
            QPolygonF back;
            back << QPointF(1.5, 3.5) << QPointF(6, 3.5) << QPointF(7.5, 5) << QPointF(13.5, 5)
                 << QPointF(13.5, 13.5) << QPointF(1.5, 13.5);
            p.drawPolygon(back);
            p.setBrush(QColor(252, 222, 120));
            QPolygonF front;
            front << QPointF(1.5, 13.5) << QPointF(4, 7.5) << QPointF(15, 7.5) << QPointF(13.5, 13.5);
            p.drawPolygon(front);
            break;
        }
        case TToolIcon::Save: {
            p.setPen(QPen(kBlue.darker(150), 1));
            p.setBrush(kBlue);
            p.drawRect(QRectF(2.5, 2.5, 11, 11));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 2.5, 7, 4.5));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(5, 9.5, 6, 4));
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue.darker(150));
            p.drawRect(QRectF(9, 3.5, 1.5, 2.5));
            break;
        }
        case TToolIcon::Run:
            Triangle(p, true, 4, kGreen);
            break;
        case TToolIcon::RunBack:
            Triangle(p, false, 3, kGreen);
            break;
        case TToolIcon::Step:
            Triangle(p, true, 2.5, kBlue);
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue.darker(130));
            p.drawRect(QRectF(11.5, 3, 2.5, 10));
            break;
        case TToolIcon::StepBack:
            Triangle(p, false, 4.5, kBlue);
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue.darker(130));
            p.drawRect(QRectF(2, 3, 2.5, 10));
            break;
        case TToolIcon::Pause:
            p.setPen(QPen(kBlue.darker(140), 1));
            p.setBrush(kBlue);
            p.drawRect(QRectF(4, 3, 3, 10));
            p.drawRect(QRectF(9, 3, 3, 10));
            break;
        case TToolIcon::Stop:
            p.setPen(QPen(kRed.darker(140), 1));
            p.setBrush(kRed);
            p.drawRect(QRectF(3.5, 3.5, 9, 9));
            break;
        case TToolIcon::Toggle: {
            // Two axes with arrow heads and a turning arrow between them.
            p.setPen(QPen(kGrey, 1.4));
            p.drawLine(QPointF(3, 13), QPointF(3, 2.5));
            p.drawLine(QPointF(3, 13), QPointF(13.5, 13));
            p.setPen(Qt::NoPen);
            p.setBrush(kGrey);
            p.drawPolygon(QPolygonF() << QPointF(3, 1) << QPointF(5.2, 4.5) << QPointF(0.8, 4.5));
            p.drawPolygon(QPolygonF() << QPointF(15, 13) << QPointF(11.5, 10.8) << QPointF(11.5, 15.2));
            QPainterPath arc;
            arc.moveTo(11.5, 8);
            arc.arcTo(QRectF(2.5, 3.5, 9, 9), 0, 90);
            p.setPen(QPen(kGreen, 1.4));
            p.setBrush(Qt::NoBrush);
            p.drawPath(arc);
            p.setPen(Qt::NoPen);
            p.setBrush(kGreen);
            p.drawPolygon(QPolygonF() << QPointF(6.2, 1.8) << QPointF(9, 3.5) << QPointF(6.2, 5.4));
            break;
        }
        case TToolIcon::ZoomIn:
            Magnifier(p, true);
            break;
        case TToolIcon::ZoomOut:
            Magnifier(p, false);
            break;
        case TToolIcon::AddParticle:
            // A body with a plus beside it.
            p.setPen(QPen(kBlue.darker(150), 1));
            p.setBrush(kBlue);
            p.drawEllipse(QPointF(6, 10), 4.5, 4.5);
            p.setPen(QPen(kGreen.darker(120), 2.2, Qt::SolidLine, Qt::FlatCap));
            p.drawLine(QPointF(12, 1.5), QPointF(12, 8.5));
            p.drawLine(QPointF(8.5, 5), QPointF(15.5, 5));
            break;
    }
}

QPixmap Render(TToolIcon kind, int scale) {
    QPixmap pixmap(16 * scale, 16 * scale);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(scale, scale);
    Paint(p, kind);
    p.end();
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

}  // namespace

QIcon ToolIcon(TToolIcon kind) {
    QIcon icon;
    icon.addPixmap(Render(kind, 1));
    icon.addPixmap(Render(kind, 2));
    return icon;
}

QIcon ProgramIcon() {
    // The same picture as ui/icons/kinetra.svg: two bodies on crossing orbits.
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(24, 38, 74));
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(120, 170, 255), 2.5));
        p.drawEllipse(QPointF(32, 32), 24, 11);
        p.setPen(QPen(QColor(255, 190, 90), 2.5));
        p.save();
        p.translate(32, 32);
        p.rotate(60);
        p.drawEllipse(QPointF(0, 0), 24, 11);
        p.restore();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 230, 120));
        p.drawEllipse(QPointF(32, 32), 6, 6);
        p.setBrush(QColor(255, 80, 80));
        p.drawEllipse(QPointF(56, 32), 4.5, 4.5);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace kinetra::ui
