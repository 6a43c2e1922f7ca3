#include "ui/TilePictures.h"

#include "core/history/MachineModels.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <array>

namespace {

const QColor kOutline(0x26, 0x26, 0x26);
const QColor kTyre(0x2b, 0x2b, 0x2b);
const QColor kChassis(0x4a, 0x4f, 0x55);

// Lit from above: the same colour, lighter at the top, so bodies read as rounded shells.
QLinearGradient shell(const QColor& colour, double top, double bottom) {
    QLinearGradient gradient(0, top, 0, bottom);
    gradient.setColorAt(0, colour.lighter(150));
    gradient.setColorAt(0.45, colour);
    gradient.setColorAt(1, colour.darker(135));
    return gradient;
}

void lawn(QPainter& p, double width) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7c, 0xb3, 0x42));
    p.drawRect(QRectF(0, 44, width, 4));
    p.setPen(QPen(QColor(0x55, 0x8b, 0x2f), 1));
    for (double x = 1.5; x < width; x += 3.5)
        p.drawLine(QPointF(x, 44.5), QPointF(x + 1, 42.5));
}

void wheel(QPainter& p, QPointF centre, double radius, const QColor& hub) {
    p.setPen(QPen(kOutline, 1));
    p.setBrush(kTyre);
    p.drawEllipse(centre, radius, radius);
    p.setPen(Qt::NoPen);
    p.setBrush(hub);
    p.drawEllipse(centre, radius * 0.45, radius * 0.45);
}

// A wheel with lugs around it, for the models built for rough ground.
void knobbyWheel(QPainter& p, QPointF centre, double radius, const QColor& hub) {
    p.save();
    p.translate(centre);
    p.setPen(Qt::NoPen);
    p.setBrush(kTyre);
    for (int i = 0; i < 12; ++i) {
        p.drawRect(QRectF(-1.3, -radius - 1.2, 2.6, 2.4));
        p.rotate(30);
    }
    p.restore();
    wheel(p, centre, radius, hub);
}

void body(QPainter& p, const QPainterPath& path, const QColor& colour) {
    const QRectF box = path.boundingRect();
    p.setPen(QPen(colour.darker(170), 1));
    p.setBrush(shell(colour, box.top(), box.bottom()));
    p.drawPath(path);
}

// Compact: a small lime dome with a red stop button.
void drawQC(QPainter& p) {
    lawn(p, 48);
    QPainterPath dome;
    dome.moveTo(6, 36);
    dome.cubicTo(6, 23, 15, 17, 25, 17);
    dome.cubicTo(36, 17, 43, 25, 43, 36);
    dome.closeSubpath();
    body(p, dome, QColor(0x8c, 0xc6, 0x3f));
    p.setPen(Qt::NoPen);
    p.setBrush(kChassis);
    p.drawRect(QRectF(6, 34, 37, 4));
    p.setBrush(QColor(0xd3, 0x2f, 0x2f));
    p.drawEllipse(QPointF(25, 16.5), 3.5, 1.8);
    wheel(p, QPointF(14, 38), 5.5, QColor(0xbd, 0xbd, 0xbd));
    wheel(p, QPointF(37, 40), 3.5, QColor(0xbd, 0xbd, 0xbd));
}

// Flat: a low orange wedge with a hinged lid and a black stop knob.
void drawQF(QPainter& p) {
    lawn(p, 48);
    QPainterPath wedge;
    wedge.moveTo(3, 37);
    wedge.lineTo(3, 27);
    wedge.quadTo(3, 23, 8, 23);
    wedge.lineTo(30, 23);
    wedge.lineTo(46, 31);
    wedge.lineTo(46, 37);
    wedge.closeSubpath();
    body(p, wedge, QColor(0xf3, 0x8b, 0x1c));
    p.setPen(QPen(QColor(0xa8, 0x55, 0x00), 1));
    p.drawLine(QPointF(5, 29.5), QPointF(40, 29.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x21, 0x21, 0x21));
    p.drawRoundedRect(QRectF(16, 20, 8, 3.5), 1.5, 1.5);
    wheel(p, QPointF(12, 38.5), 5.5, QColor(0xf3, 0x8b, 0x1c));
    wheel(p, QPointF(38, 40), 3.8, QColor(0xf3, 0x8b, 0x1c));
}

// The common model: a red pebble on a black skirt, with a small display.
void drawQAE(QPainter& p) {
    lawn(p, 48);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x21, 0x21, 0x21));
    p.drawRoundedRect(QRectF(4, 30, 40, 8), 3, 3);
    QPainterPath pebble;
    pebble.addRoundedRect(QRectF(5, 18, 38, 17), 9, 8);
    body(p, pebble, QColor(0xd6, 0x28, 0x28));
    p.setPen(QPen(QColor(0x11, 0x11, 0x11), 1));
    p.setBrush(QColor(0x3b, 0x44, 0x4b));
    p.drawRoundedRect(QRectF(18, 19.5, 12, 5), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4c, 0xe0, 0x5a));
    p.drawEllipse(QPointF(27.5, 22), 1.1, 1.1);
    wheel(p, QPointF(13, 39), 5, QColor(0x9e, 0x9e, 0x9e));
    wheel(p, QPointF(36, 40.5), 3.5, QColor(0x9e, 0x9e, 0x9e));
}

// Professional: a larger charcoal shell with a yellow stripe and a carrying handle.
void drawQP(QPainter& p) {
    lawn(p, 48);
    p.setPen(QPen(QColor(0x20, 0x20, 0x20), 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(17, 9, 14, 12), 0, 180 * 16);
    QPainterPath shellPath;
    shellPath.moveTo(2, 37);
    shellPath.lineTo(2, 24);
    shellPath.quadTo(4, 16, 12, 16);
    shellPath.lineTo(35, 16);
    shellPath.quadTo(46, 18, 46, 30);
    shellPath.lineTo(46, 37);
    shellPath.closeSubpath();
    body(p, shellPath, QColor(0x3d, 0x44, 0x51));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xc3, 0x00));
    p.drawRect(QRectF(3, 26, 42.5, 3.5));
    wheel(p, QPointF(12, 38), 7, QColor(0xff, 0xc3, 0x00));
    wheel(p, QPointF(39, 40.5), 4, QColor(0xff, 0xc3, 0x00));
}

// Terrain: a blue body riding high on four large lugged wheels.
void drawQTE(QPainter& p) {
    lawn(p, 48);
    QPainterPath high;
    high.addRoundedRect(QRectF(4, 11, 40, 19), 8, 8);
    body(p, high, QColor(0x1e, 0x6f, 0xc0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe3, 0xf2, 0xfd));
    p.drawRoundedRect(QRectF(10, 14, 22, 4), 2, 2);
    p.setBrush(kChassis);
    p.drawRect(QRectF(8, 28, 32, 5));
    knobbyWheel(p, QPointF(12, 35.5), 6.5, QColor(0xb0, 0xbe, 0xc5));
    knobbyWheel(p, QPointF(36, 35.5), 6.5, QColor(0xb0, 0xbe, 0xc5));
}

// Ball collector: a small teal robot pushing a cage of picking discs full of range balls.
void drawQB(QPainter& p) {
    lawn(p, 48);
    // Cage: a drum of discs seen from the side, balls caught between them.
    p.setPen(QPen(QColor(0x60, 0x7d, 0x8b), 1));
    p.setBrush(QColor(0xec, 0xef, 0xf1));
    p.drawRoundedRect(QRectF(2.5, 22.5, 21, 21), 10, 10);
    p.setPen(QPen(QColor(0x78, 0x90, 0x9c), 1.2));
    for (double x = 6; x <= 20; x += 3.5)
        p.drawLine(QPointF(x, 24), QPointF(x, 42));
    const std::array<QPointF, 5> balls = {QPointF(7.8, 28), QPointF(14.8, 27), QPointF(11.3, 33),
                                          QPointF(18.3, 35), QPointF(7.8, 38)};
    p.setPen(QPen(QColor(0x9e, 0x9e, 0x9e), 0.8));
    for (std::size_t i = 0; i < balls.size(); ++i) {
        p.setBrush(i % 2 ? QColor(0xff, 0xee, 0x58) : QColor(0xff, 0xff, 0xff));
        p.drawEllipse(balls[i], 1.9, 1.9);
    }
    // The push frame between cage and robot.
    p.setPen(QPen(kChassis, 2));
    p.drawLine(QPointF(23, 33), QPointF(28, 31));
    QPainterPath robot;
    robot.moveTo(26, 37);
    robot.cubicTo(26, 25, 31, 20, 36, 20);
    robot.cubicTo(42, 20, 46, 26, 46, 37);
    robot.closeSubpath();
    body(p, robot, QColor(0x1a, 0x9e, 0x8f));
    wheel(p, QPointF(31, 39.5), 4, QColor(0xe0, 0xe0, 0xe0));
    wheel(p, QPointF(42.5, 40.5), 3, QColor(0xe0, 0xe0, 0xe0));
}

// Garden family: an egg-shaped shell with a silver cap; tint and band tell the two models apart.
void drawGardenShell(QPainter& p, const QColor& colour, const QColor& cap, const QColor& band) {
    lawn(p, 48);
    QPainterPath egg;
    egg.addEllipse(QRectF(4, 13, 40, 28));
    QPainterPath lower;
    lower.addRect(QRectF(0, 36, 48, 12));
    egg = egg.subtracted(lower);
    body(p, egg, colour);
    p.save();
    p.setClipPath(egg);
    p.setPen(Qt::NoPen);
    p.setBrush(shell(cap, 13, 22));
    p.drawEllipse(QRectF(12, 10, 24, 13));
    p.setBrush(band);
    p.drawRect(QRectF(0, 28, 48, 3));
    p.restore();
    p.setPen(Qt::NoPen);
    p.setBrush(kChassis);
    p.drawRect(QRectF(6, 35, 36, 3));
    wheel(p, QPointF(14, 39), 5.5, cap);
    wheel(p, QPointF(36, 40.5), 3.5, cap);
}

void drawQG(QPainter& p) {
    drawGardenShell(p, QColor(0x2e, 0x7d, 0x32), QColor(0xcf, 0xd8, 0xdc), QColor(0x1b, 0x5e, 0x20));
}

// The second garden model: white shell, green band and a "1" on its flank.
void drawQG1(QPainter& p) {
    drawGardenShell(p, QColor(0xf5, 0xf5, 0xf5), QColor(0x9e, 0xa7, 0xad), QColor(0x43, 0xa0, 0x47));
    p.setPen(QPen(QColor(0x1b, 0x5e, 0x20), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(33, 21), QPointF(33, 27));
    p.drawLine(QPointF(33, 21), QPointF(31.3, 22.6));
}

// The large robots: a tractor body with a hood, big rear wheels, a cutting deck and a sensor mast.
struct Tractor {
    double length;     // rear to front bumper
    double rearRadius; // the driven wheels
    double frontRadius;
    double bodyTop;
    QColor colour;
    QColor beacon;
    int decks; // cutting decks side by side under the body
};

void drawTractor(QPainter& p, const Tractor& t) {
    lawn(p, t.length + 4);
    const double front = t.length;
    const double rearX = 3 + t.rearRadius;
    const double frontX = front - t.frontRadius - 1;
    const double axle = 44 - t.rearRadius;
    // Sensor mast with its beacon, behind the cab.
    p.setPen(QPen(kChassis, 1.5));
    p.drawLine(QPointF(rearX + 2, t.bodyTop), QPointF(rearX + 2, t.bodyTop - 7));
    p.setPen(QPen(t.beacon.darker(150), 0.8));
    p.setBrush(t.beacon);
    p.drawRoundedRect(QRectF(rearX - 0.5, t.bodyTop - 11, 5, 4), 1.5, 1.5);
    // Decks hang between the axles.
    p.setPen(QPen(QColor(0x37, 0x37, 0x37), 1));
    p.setBrush(QColor(0x75, 0x75, 0x75));
    const double deckStart = rearX + t.rearRadius - 1;
    const double deckWidth = (frontX - t.frontRadius - deckStart) / t.decks;
    for (int i = 0; i < t.decks; ++i)
        p.drawRoundedRect(QRectF(deckStart + i * deckWidth + 0.5, 37, deckWidth - 1, 5), 1.5, 1.5);
    // Cab over the rear wheels, sloping hood to the front.
    QPainterPath hull;
    hull.moveTo(2, axle + 2);
    hull.lineTo(2, t.bodyTop + 3);
    hull.quadTo(2, t.bodyTop, 5, t.bodyTop);
    hull.lineTo(rearX + t.rearRadius + 4, t.bodyTop);
    hull.lineTo(rearX + t.rearRadius + 8, t.bodyTop + 6);
    hull.lineTo(front - 3, t.bodyTop + 8);
    hull.quadTo(front, t.bodyTop + 8, front, t.bodyTop + 11);
    hull.lineTo(front, 36);
    hull.lineTo(2, 36);
    hull.closeSubpath();
    body(p, hull, t.colour);
    // Front bumper and headlight.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x21, 0x21, 0x21));
    p.drawRect(QRectF(front - 2, t.bodyTop + 12, 3, 8));
    p.setBrush(QColor(0xff, 0xf5, 0x9d));
    p.drawEllipse(QPointF(front - 4, t.bodyTop + 11.5), 1.5, 1.2);
    // Dark side window of the electronics bay.
    p.setBrush(QColor(0x26, 0x32, 0x38));
    p.drawRoundedRect(QRectF(5, t.bodyTop + 3, t.rearRadius + 2, 5), 1.5, 1.5);
    knobbyWheel(p, QPointF(rearX, axle), t.rearRadius, t.colour.lighter(115));
    wheel(p, QPointF(frontX, 44 - t.frontRadius), t.frontRadius, t.colour.lighter(115));
}

void drawVRN52(QPainter& p) {
    drawTractor(p, {45, 7, 4.5, 19, QColor(0xe7, 0x6f, 0x51), QColor(0xff, 0xb3, 0x00), 1});
}

void drawVRN75(QPainter& p) {
    drawTractor(p, {45, 8.5, 5.5, 16, QColor(0xf2, 0xc1, 0x2e), QColor(0xff, 0x6d, 0x00), 1});
}

void drawVRN210(QPainter& p) {
    drawTractor(p, {77, 9.5, 6, 15, QColor(0x2a, 0x6f, 0x4f), QColor(0xff, 0xa0, 0x00), 2});
}

using Picture = MachineModel::Picture;

struct Drawing {
    int width;
    void (*draw)(QPainter&);
};

Drawing drawingOf(Picture picture) {
    switch (picture) {
    case Picture::QC:
        return {TilePictures::kWidth, drawQC};
    case Picture::VRN210:
        return {TilePictures::kWideWidth, drawVRN210};
    case Picture::QF:
        return {TilePictures::kWidth, drawQF};
    case Picture::QAE:
        return {TilePictures::kWidth, drawQAE};
    case Picture::QP:
        return {TilePictures::kWidth, drawQP};
    case Picture::VRN75:
        return {TilePictures::kWidth, drawVRN75};
    case Picture::QTE:
        return {TilePictures::kWidth, drawQTE};
    case Picture::QB:
        return {TilePictures::kWidth, drawQB};
    case Picture::QG:
        return {TilePictures::kWidth, drawQG};
    case Picture::VRN52:
        return {TilePictures::kWidth, drawVRN52};
    case Picture::QG1:
        return {TilePictures::kWidth, drawQG1};
    }
    return {TilePictures::kWidth, drawQC};
}

QImage render(Picture picture) {
    const Drawing drawing = drawingOf(picture);
    QImage image(drawing.width, TilePictures::kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawing.draw(p);
    return image;
}

} // namespace

QImage TilePictures::forType(std::uint8_t typeCode) {
    const MachineModel* model = MachineModels::find(typeCode);
    if (!model)
        return {};
    // Drawn once per run: a database of hundreds of machines paints each picture many times.
    static std::array<QImage, static_cast<std::size_t>(Picture::QG1) + 1> drawn;
    QImage& image = drawn[static_cast<std::size_t>(model->picture)];
    if (image.isNull())
        image = render(model->picture);
    return image;
}
