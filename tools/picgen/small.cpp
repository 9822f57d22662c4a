// The lesson background, the pointing-hand pointer and the program icon.
#include "tools/picgen/art.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <stdexcept>

namespace picgen {

namespace {

// A linear gradient through three colours, the middle one at `mid`.
QLinearGradient threeColours(QPointF from, QPointF to, QColor first, qreal mid, QColor middle, QColor last) {
    QLinearGradient g(from, to);
    g.setColorAt(0, first);
    g.setColorAt(mid, middle);
    g.setColorAt(1, last);
    return g;
}

}  // namespace

QImage drawLessonBackground(const Fonts& f) {
    QImage img(650, 530, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.fillRect(QRect(0, 464, 650, 66), colour::kMenuBlue);
    // A quiet course signature in the band's middle, clear of "Menu" (x 8..57)
    // and "Quitter" (x 560..617).
    QFont sig = latinFont(f, 11, true);
    sig.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    drawTextCentred(p, sig, QColor(0x8E, 0xA2, 0xD6), QRectF(160, 502, 330, 20),
                    kPackage + QStringLiteral("  ·  ") + kCourseWord);
    drawCloseMark(p, QPoint(625, 498), Qt::white, QColor(0x2B, 0x3C, 0x6E));
    return img;
}

namespace {

// The pointer, pixel by pixel: K outline #040404, W white, R red rays,
// D dark-red rays, '.' transparent. The fingertip's top row is y = 9.
constexpr const char* kHand[32] = {
    "................................",  // 0
    "................................", "................................", "................................",
    "............DD..................",  // 4
    ".......D..........D.............", "............RR..................", ".........R......R...............",
    "................................",
    "............KK..................",  // 9
    ".......D.R.KWWK.R.D.............", "...........KWWK.................", "...........KWWK.................",
    "...........KWWK.................",
    "...........KWWKKKK..............",  // 14
    "...........KWWKWWWKKKK..........",
    "...........KWWKWWWKWWWKKK.......",  // 16
    "...........KWWKWWWKWWWKWWK......", ".......KKKKKWWKWWWKWWWKWWK......", "......KWWWWKWWKWWWKWWWKWWK......",
    "......KWWWWWWWWWWWWWWWWWWK......",  // 20
    ".......KWWWWWWWWWWWWWWWWWK......", ".......KWWWWWWWWWWWWWWWWWK......", "........KWWWWWWWWWWWWWWWWK......",
    "........KWWWWWWWWWWWWWWWK.......",
    ".........KWWWWWWWWWWWWWWK.......",  // 25
    "..........KWWWWWWWWWWWWK........", "..........KKKKKKKKKKKKKK........", "..........KWWWWWWWWWWWWK........",
    "..........KWWWWWWWWWWWWK........",
    "..........KKKKKKKKKKKKKK........",  // 30
    "................................",
};

}  // namespace

QImage drawHandCursor() {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            QRgb c = 0;
            switch (kHand[y][x]) {
            case 'K': c = qRgb(0x04, 0x04, 0x04); break;
            case 'W': c = qRgb(0xFF, 0xFF, 0xFF); break;
            case 'R': c = qRgb(0xFF, 0x00, 0x00); break;
            case 'D': c = qRgb(0xA5, 0x00, 0x21); break;
            case '.': continue;
            default: throw std::logic_error("unknown pixel code in the hand pointer");
            }
            img.setPixel(x, y, c);
        }
    return img;
}

QImage drawAppIcon(int side) {
    QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(side / 64.0, side / 64.0);  // drawn on a 64-unit grid

    const QColor outline(0x3B, 0x1F, 0x6E);
    // Body: a violet cloak widening downwards.
    QPainterPath body;
    body.moveTo(24, 26);
    body.cubicTo(14, 34, 12, 50, 14, 60);
    body.lineTo(46, 60);
    body.cubicTo(48, 48, 44, 34, 36, 26);
    body.closeSubpath();
    QLinearGradient cloak(12, 26, 48, 60);
    cloak.setColorAt(0, QColor(0x8A, 0x63, 0xCF));
    cloak.setColorAt(1, QColor(0x4E, 0x2A, 0x8C));
    p.setPen(QPen(outline, 1.6));
    p.setBrush(cloak);
    p.drawPath(body);
    // Head in lavender.
    QRadialGradient face(QPointF(28, 17), 10);
    face.setColorAt(0, QColor(0xE0, 0xD8, 0xF7));
    face.setColorAt(1, QColor(0xA0, 0x82, 0xDB));
    p.setBrush(face);
    p.drawEllipse(QPointF(30, 19), 8, 8);
    // The grey ball on top.
    QRadialGradient ball(QPointF(29, 5), 5);
    ball.setColorAt(0, QColor(0xEC, 0xEE, 0xF0));
    ball.setColorAt(1, QColor(0x58, 0x5E, 0x66));
    p.setPen(QPen(QColor(0x58, 0x5E, 0x66), 1.0));
    p.setBrush(ball);
    p.drawEllipse(QPointF(30, 7), 4.5, 4.5);

    // The pencil, from the lower left to the upper right, across the figure.
    p.save();
    p.translate(32, 38);
    p.rotate(-45);
    const qreal half = 5.5;
    const QLinearGradient wood = threeColours(QPointF(0, -half), QPointF(0, half), QColor(0xFF, 0xE0, 0x4A), 0.5,
                                              QColor(0xF7, 0xC8, 0x1E), QColor(0xB8, 0x82, 0x08));
    p.setPen(QPen(QColor(0x8A, 0x5E, 0x0A), 1.2));
    p.setBrush(wood);
    p.drawRect(QRectF(-17, -half, 36, 2 * half));
    // Sharpened point at the lower end.
    QPainterPath cone;
    cone.moveTo(-17, -half);
    cone.lineTo(-30, 0);
    cone.lineTo(-17, half);
    cone.closeSubpath();
    p.setBrush(QColor(0xF2, 0xC9, 0x9A));
    p.drawPath(cone);
    QPainterPath lead;
    lead.moveTo(-25.5, -1.8);
    lead.lineTo(-30, 0);
    lead.lineTo(-25.5, 1.8);
    lead.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x4A, 0x40, 0x38));
    p.drawPath(lead);
    // The red gem crowning the upper end.
    QPainterPath gem;
    gem.moveTo(19, -half - 1.5);
    gem.lineTo(26, -half - 1.5);
    gem.lineTo(31, 0);
    gem.lineTo(26, half + 1.5);
    gem.lineTo(19, half + 1.5);
    gem.closeSubpath();
    const QLinearGradient ruby = threeColours(QPointF(19, -half), QPointF(31, half), QColor(0xFF, 0x8A, 0x90), 0.45,
                                              QColor(0xE8, 0x2B, 0x35), QColor(0xB5, 0x12, 0x20));
    p.setPen(QPen(QColor(0x7A, 0x0A, 0x14), 1.0));
    p.setBrush(ruby);
    p.drawPath(gem);
    p.restore();

    // Lavender hands holding the pencil.
    p.setPen(QPen(outline, 1.2));
    p.setBrush(QColor(0xCB, 0xBD, 0xF0));
    p.drawEllipse(QPointF(22, 47), 4.2, 4.2);
    p.drawEllipse(QPointF(41, 29), 4.2, 4.2);
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace picgen
