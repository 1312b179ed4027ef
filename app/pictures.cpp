#include "app/pictures.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <functional>

namespace yz {

namespace {

using Painter = std::function<void(QPainter &, qreal size)>;

QPixmap paint(int size, const Painter &draw) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size);
    return pixmap;
}

// Every icon gets the sizes the toolkit asks for most, so nothing is scaled up blurred.
QIcon icon(const Painter &draw) {
    QIcon result;
    for (int size : {16, 24, 32, 48, 64, 128})
        result.addPixmap(paint(size, draw));
    return result;
}

// One film strip: a dark band with sprocket holes along both edges and a light frame.
void filmStrip(QPainter &p, const QRectF &r, const QColor &band) {
    const qreal hole = r.width() * 0.14;
    p.setPen(Qt::NoPen);
    p.setBrush(band);
    p.drawRoundedRect(r, r.width() * 0.08, r.width() * 0.08);
    p.setBrush(QColor(255, 255, 255, 230));
    const int holes = 4;
    const qreal step = r.height() / holes;
    for (int i = 0; i < holes; ++i) {
        const qreal y = r.top() + step * i + (step - hole) / 2;
        p.drawRect(QRectF(r.left() + hole * 0.45, y, hole, hole));
        p.drawRect(QRectF(r.right() - hole * 1.45, y, hole, hole));
    }
    p.setBrush(QColor(160, 210, 255));
    p.drawRect(
        QRectF(r.left() + hole * 2.2, r.top() + r.height() * 0.2, r.width() - hole * 4.4, r.height() * 0.6));
}

void drawStart(QPainter &p, qreal s) {
    p.save();
    p.translate(s * 0.5, s * 0.5);
    p.rotate(-12);
    filmStrip(p, QRectF(-s * 0.44, -s * 0.36, s * 0.42, s * 0.72), QColor(40, 90, 170));
    p.rotate(24);
    filmStrip(p, QRectF(s * 0.02, -s * 0.36, s * 0.42, s * 0.72), QColor(30, 140, 110));
    p.restore();
}

void drawStop(QPainter &p, qreal s) {
    const QRectF r(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
    p.setPen(QPen(QColor(150, 20, 20), s * 0.04));
    p.setBrush(QColor(220, 40, 40));
    p.drawEllipse(r);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(s * 0.2, s * 0.42, s * 0.6, s * 0.16), s * 0.03, s * 0.03);
}

void drawApp(QPainter &p, qreal s) {
    // A boat (舟) on an ink stone (砚): a rounded dark slab with a light sail.
    p.setPen(Qt::NoPen);
    QLinearGradient g(0, 0, 0, s);
    g.setColorAt(0, QColor(52, 120, 220));
    g.setColorAt(1, QColor(20, 60, 140));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(s * 0.04, s * 0.04, s * 0.92, s * 0.92), s * 0.2, s * 0.2);
    QPainterPath hull;
    hull.moveTo(s * 0.18, s * 0.62);
    hull.lineTo(s * 0.82, s * 0.62);
    hull.lineTo(s * 0.7, s * 0.76);
    hull.lineTo(s * 0.3, s * 0.76);
    hull.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(hull);
    QPainterPath sail;
    sail.moveTo(s * 0.5, s * 0.18);
    sail.lineTo(s * 0.5, s * 0.58);
    sail.lineTo(s * 0.26, s * 0.58);
    sail.closeSubpath();
    p.setBrush(QColor(255, 210, 90));
    p.drawPath(sail);
    QPainterPath sail2;
    sail2.moveTo(s * 0.54, s * 0.26);
    sail2.lineTo(s * 0.54, s * 0.58);
    sail2.lineTo(s * 0.74, s * 0.58);
    sail2.closeSubpath();
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawPath(sail2);
}

void drawConvert(QPainter &p, qreal s) {
    // Two arrows chasing each other: one format turned into another.
    QPen pen(QColor(40, 110, 210), s * 0.1, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF r(s * 0.18, s * 0.18, s * 0.64, s * 0.64);
    p.drawArc(r, 30 * 16, 150 * 16);
    pen.setColor(QColor(30, 150, 110));
    p.setPen(pen);
    p.drawArc(r, 210 * 16, 150 * 16);
    p.setPen(Qt::NoPen);
    auto head = [&](QPointF tip, QPointF a, QPointF b, const QColor &c) {
        QPainterPath path;
        path.moveTo(tip);
        path.lineTo(a);
        path.lineTo(b);
        path.closeSubpath();
        p.setBrush(c);
        p.drawPath(path);
    };
    head(QPointF(s * 0.9, s * 0.42), QPointF(s * 0.64, s * 0.36), QPointF(s * 0.84, s * 0.18),
         QColor(40, 110, 210));
    head(QPointF(s * 0.1, s * 0.58), QPointF(s * 0.36, s * 0.64), QPointF(s * 0.16, s * 0.82),
         QColor(30, 150, 110));
}

void drawMerge(QPainter &p, qreal s) {
    // Two clips joined end to end.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 110, 210));
    p.drawRoundedRect(QRectF(s * 0.02, s * 0.2, s * 0.46, s * 0.6), s * 0.08, s * 0.08);
    p.setBrush(QColor(30, 150, 110));
    p.drawRoundedRect(QRectF(s * 0.52, s * 0.2, s * 0.46, s * 0.6), s * 0.08, s * 0.08);
    p.setBrush(Qt::white);
    QPainterPath play;
    play.moveTo(s * 0.16, s * 0.36);
    play.lineTo(s * 0.16, s * 0.64);
    play.lineTo(s * 0.36, s * 0.5);
    play.closeSubpath();
    p.drawPath(play);
    p.drawPath(play.translated(s * 0.5, 0));
    p.setBrush(QColor(255, 170, 40));
    p.setPen(QPen(Qt::white, s * 0.04));
    p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.11, s * 0.11);
}

void drawClip(QPainter &p, qreal s) {
    // Scissors.
    QPen pen(QColor(40, 110, 210), s * 0.08, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(s * 0.28, s * 0.72), s * 0.13, s * 0.13);
    p.drawEllipse(QPointF(s * 0.72, s * 0.72), s * 0.13, s * 0.13);
    pen.setColor(QColor(70, 80, 95));
    p.setPen(pen);
    p.drawLine(QPointF(s * 0.36, s * 0.62), QPointF(s * 0.78, s * 0.1));
    p.drawLine(QPointF(s * 0.64, s * 0.62), QPointF(s * 0.22, s * 0.1));
}

// The picture on a white rounded tile, so it reads the same on a white button and on the
// coloured one of the current page or a start button.
Painter onTile(Painter draw) {
    return [draw](QPainter &p, qreal s) {
        p.setPen(QPen(QColor(0xd5, 0xdd, 0xe8), std::max(1.0, s / 32)));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(s * 0.03, s * 0.03, s * 0.94, s * 0.94), s * 0.22, s * 0.22);
        p.save();
        p.translate(s * 0.1, s * 0.1);
        p.scale(0.8, 0.8);
        draw(p, s);
        p.restore();
    };
}

} // namespace

QIcon startIcon() {
    return icon(onTile(drawStart));
}

QIcon stopIcon() {
    return icon(onTile(drawStop));
}

QIcon appIcon() {
    return icon(drawApp);
}

QIcon convertPageIcon() {
    return icon(onTile(drawConvert));
}

QIcon mergePageIcon() {
    return icon(onTile(drawMerge));
}

QIcon clipPageIcon() {
    return icon(onTile(drawClip));
}

QPixmap initPicture(int size) {
    return paint(size, drawApp);
}

} // namespace yz
