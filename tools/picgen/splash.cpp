// The splash screen's background: publisher strip, the grey panel with the
// mechanical assembly and the course title, the notice, the language tiles.
#include "tools/picgen/art.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace picgen {
namespace {

constexpr int kWidth = 508;
constexpr int kHeight = 294;
const QRectF kPanel(6, 44, 496, 178);

QLinearGradient steel(QPointF from, QPointF to) {
    QLinearGradient g(from, to);
    g.setColorAt(0.0, QColor(0x4E, 0x57, 0x62));
    g.setColorAt(0.35, QColor(0xE9, 0xEE, 0xF3));
    g.setColorAt(0.55, QColor(0xB7, 0xC0, 0xCB));
    g.setColorAt(1.0, QColor(0x3F, 0x47, 0x51));
    return g;
}

QPainterPath gearPath(QPointF centre, qreal outer, qreal root, int teeth) {
    QPainterPath path;
    const qreal step = 2 * M_PI / teeth;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = i * step;
        const qreal pts[4][2] = {
            {a - step * 0.30, root}, {a - step * 0.16, outer}, {a + step * 0.16, outer}, {a + step * 0.30, root}};
        for (const auto& pt : pts) {
            const QPointF q = centre + QPointF(std::cos(pt[0]) * pt[1], std::sin(pt[0]) * pt[1]);
            if (path.elementCount() == 0)
                path.moveTo(q);
            else
                path.lineTo(q);
        }
    }
    path.closeSubpath();
    return path;
}

void hatch(QPainter& p, const QPainterPath& area, const QColor& base) {
    // Section faces: a warm fill crossed by thin diagonal lines, as a drawing
    // marks where the cut passes through material.
    p.save();
    p.fillPath(area, base);
    p.setClipPath(area, Qt::IntersectClip);
    p.setPen(QPen(base.darker(160), 0.8));
    const QRectF b = area.boundingRect();
    for (qreal x = b.left() - b.height(); x < b.right(); x += 3.5)
        p.drawLine(QPointF(x, b.bottom()), QPointF(x + b.height(), b.top()));
    p.restore();
}

// A gearbox cut open on its front-upper quarter: housing, shaft running
// through two bearings, a spur gear on the shaft, a pulley outside.
void drawAssembly(QPainter& p, QPointF origin) {
    p.save();
    p.translate(origin);
    p.setRenderHint(QPainter::Antialiasing, true);

    // Ground shadow.
    QRadialGradient shadow(QPointF(92, 150), 90);
    shadow.setColorAt(0, QColor(0, 0, 0, 70));
    shadow.setColorAt(1, QColor(0, 0, 0, 0));
    p.save();
    p.scale(1, 0.18);
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(QPointF(92, 150 / 0.18), 92, 60);
    p.restore();

    const QRectF housing(26, 28, 132, 112);
    const qreal axisY = 86;
    // The housing's outer skin.
    QLinearGradient skin(housing.topLeft(), housing.bottomRight());
    skin.setColorAt(0, QColor(0xC9, 0xD3, 0xDF));
    skin.setColorAt(0.5, QColor(0x8D, 0x9B, 0xAD));
    skin.setColorAt(1, QColor(0x55, 0x61, 0x71));
    // Depth: the housing's top and right faces, seen from above right.
    const QPointF depth(12, -9);
    QPainterPath top;
    top.moveTo(housing.left() + 12, housing.top());
    top.lineTo(housing.left() + 12 + depth.x(), housing.top() + depth.y());
    top.lineTo(housing.right() + depth.x() - 4, housing.top() + depth.y());
    top.lineTo(housing.right() + depth.x(), housing.top() + depth.y() + 6);
    top.lineTo(housing.right() + depth.x(), housing.bottom() + depth.y() - 4);
    top.lineTo(housing.right(), housing.bottom() - 8);
    top.lineTo(housing.right(), housing.top() + 12);
    top.lineTo(housing.right() - 12, housing.top());
    top.closeSubpath();
    // The cut removes the top face left of the cutting plane x = 104 too.
    QPainterPath removed;
    removed.moveTo(housing.left() - 20, housing.top() + 1);
    removed.lineTo(104, housing.top() + 1);
    removed.lineTo(104 + 2 * depth.x(), housing.top() + 2 * depth.y());
    removed.lineTo(housing.left() - 20, housing.top() + 2 * depth.y());
    removed.closeSubpath();
    top = top.subtracted(removed);
    QLinearGradient faces(housing.topLeft() + depth, housing.bottomRight());
    faces.setColorAt(0, QColor(0xE4, 0xEA, 0xF0));
    faces.setColorAt(1, QColor(0x6A, 0x76, 0x86));
    p.setPen(QPen(QColor(0x33, 0x3B, 0x46), 1.0));
    p.setBrush(faces);
    p.drawPath(top);
    QPainterPath body;
    body.addRoundedRect(housing, 12, 12);
    p.setPen(QPen(QColor(0x33, 0x3B, 0x46), 1.2));
    p.setBrush(skin);
    p.drawPath(body);
    // Flange and bolts along the bottom.
    p.setBrush(QColor(0x6B, 0x77, 0x87));
    p.drawRoundedRect(QRectF(16, 132, 152, 12), 3, 3);
    for (qreal x : {28.0, 66.0, 118.0, 156.0}) {
        QRadialGradient bolt(QPointF(x - 1, 137), 4);
        bolt.setColorAt(0, QColor(0xF2, 0xF4, 0xF7));
        bolt.setColorAt(1, QColor(0x4A, 0x52, 0x5C));
        p.setBrush(bolt);
        p.drawEllipse(QPointF(x, 138), 3.6, 3.6);
    }

    // The cut: everything left of x = 104 and above the axis is removed.
    QPainterPath window;
    window.addRect(QRectF(housing.left() - 1, housing.top() - 1, 104 - housing.left() + 1, axisY - housing.top() + 1));
    window = window.intersected(body);
    const qreal wall = 8;
    QPainterPath inner;
    inner.addRoundedRect(housing.adjusted(wall, wall, -wall, -wall), 6, 6);
    const QPainterPath cavity = window.intersected(inner);
    const QPainterPath walls = window.subtracted(inner);

    p.save();
    p.setClipPath(cavity);
    QLinearGradient dark(0, housing.top(), 0, axisY);
    dark.setColorAt(0, QColor(0x2A, 0x30, 0x3A));
    dark.setColorAt(1, QColor(0x4B, 0x55, 0x63));
    p.fillPath(cavity, dark);
    // The gear, visible through the cut.
    QRadialGradient bronze(QPointF(62, 74), 48);
    bronze.setColorAt(0, QColor(0xFF, 0xE7, 0x9A));
    bronze.setColorAt(0.6, QColor(0xD9, 0xA7, 0x3A));
    bronze.setColorAt(1, QColor(0x8A, 0x5E, 0x12));
    p.setPen(QPen(QColor(0x5A, 0x3C, 0x08), 0.8));
    p.setBrush(bronze);
    p.drawPath(gearPath(QPointF(72, axisY), 44, 38, 20));
    p.setBrush(QColor(0xB7, 0x86, 0x26));
    p.drawEllipse(QPointF(72, axisY), 24, 24);
    p.setBrush(QColor(0xE4, 0xBE, 0x62));
    p.drawEllipse(QPointF(72, axisY), 14, 14);
    p.restore();
    hatch(p, walls, QColor(0xE9, 0x7A, 0x4C));
    p.setPen(QPen(QColor(0x33, 0x3B, 0x46), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(window);

    // The shaft, running through the whole housing and out on both sides.
    const QRectF shaft(0, axisY - 7, 184, 14);
    p.setPen(QPen(QColor(0x2E, 0x34, 0x3C), 0.8));
    p.setBrush(steel(shaft.topLeft(), shaft.bottomLeft()));
    p.drawRoundedRect(shaft, 3, 3);
    // Bearings where the shaft crosses the walls (the left one is cut open).
    for (qreal x : {housing.left() + 1, housing.right() - wall - 1}) {
        const QRectF race(x - 1, axisY - 13, wall + 2, 26);
        p.setBrush(QColor(0x7E, 0x89, 0x96));
        p.drawRect(race);
        p.setBrush(QColor(0xF4, 0xF6, 0xF8));
        p.drawEllipse(QPointF(x + wall / 2, axisY - 10), 2.6, 2.6);
        p.drawEllipse(QPointF(x + wall / 2, axisY + 10), 2.6, 2.6);
    }
    // The shaft again over the bearings, then the key on the gear's hub.
    p.setBrush(steel(shaft.topLeft(), shaft.bottomLeft()));
    p.drawRect(QRectF(housing.left() - 2, axisY - 7, wall + 4, 14));
    p.setBrush(QColor(0x3A, 0x40, 0x48));
    p.drawRect(QRectF(64, axisY - 9, 16, 3));
    // Pulley on the right end.
    QLinearGradient pulley(0, axisY - 24, 0, axisY + 24);
    pulley.setColorAt(0, QColor(0x35, 0x5C, 0x9A));
    pulley.setColorAt(0.4, QColor(0x9E, 0xC2, 0xF0));
    pulley.setColorAt(1, QColor(0x22, 0x3E, 0x6E));
    p.setBrush(pulley);
    p.drawRoundedRect(QRectF(166, axisY - 24, 12, 48), 3, 3);
    p.setBrush(QColor(0x1D, 0x33, 0x5A));
    p.drawRect(QRectF(170, axisY - 22, 4, 44));
    p.restore();
}

void drawTile(QPainter& p, int left, const QColor& c, const QString& label, const QFont& font, bool arabic) {
    const QRect tile(left, 261, 57, 32);
    p.fillRect(tile, c);
    if (label.isEmpty()) return;
    if (arabic) {
        const qreal w = arabicWidth(font, label);
        drawArabicRight(p, font, Qt::white, tile.left() + (tile.width() + w) / 2.0, 281, label);
    } else {
        drawTextCentred(p, font, Qt::white, QRectF(tile).adjusted(0, 0, 0, -1), label);
    }
}

}  // namespace

QImage drawSplashBackground(const Fonts& f) {
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // Top strip: publisher, its address, and the two-line word mark.
    drawPublisherMark(p, f, QPointF(10, 10), 0.9);
    QFont web = latinFont(f, 9, true);
    web.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    drawTextCentred(p, web, colour::kTileBlue, QRectF(150, 12, 250, 20), kPublisherWeb);
    p.setFont(latinFont(f, 14, true));
    p.setPen(colour::kTileGreen);
    const QString line1 = QStringLiteral("cours");
    const QString line2 = QStringLiteral("INTERACTIFS");
    p.drawText(QPointF(498 - QFontMetricsF(p.font()).horizontalAdvance(line1), 20), line1);
    QFont small = latinFont(f, 9, true);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    p.setFont(small);
    p.setPen(colour::kTileOrange);
    p.drawText(QPointF(498 - QFontMetricsF(small).horizontalAdvance(line2), 33), line2);

    // The grey panel.
    QLinearGradient grey(0, kPanel.top(), 0, kPanel.bottom());
    grey.setColorAt(0, QColor(0xEE, 0xEF, 0xF2));
    grey.setColorAt(1, QColor(0xC8, 0xCC, 0xD3));
    p.setPen(QPen(QColor(0xB0, 0xB5, 0xBD), 1));
    p.setBrush(grey);
    p.drawRoundedRect(kPanel.adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
    drawAssembly(p, QPointF(18, 56));

    // Course title on the right of the panel.
    const qreal textLeft = 232;
    QFont big = latinFont(f, 50, true);
    big.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    p.setFont(big);
    p.setPen(QColor(0x80, 0x85, 0x8E));
    p.drawText(QPointF(textLeft - 2, 110), kPackage);
    p.setFont(latinFont(f, 12, false));
    p.setPen(QColor(0x3C, 0x42, 0x4B));
    p.drawText(QPointF(textLeft, 131), QString::fromUtf8("La conception 3D, pas à pas."));
    p.setFont(latinFont(f, 8, false));
    p.setPen(QColor(0x5C, 0x62, 0x6B));
    p.drawText(QPointF(textLeft, 146), QString::fromUtf8("Pièces · Assemblages · Mises en plan · Rendu réaliste"));
    p.save();
    p.setPen(QPen(colour::kTileOrange, 1.5));
    p.setBrush(Qt::white);
    const QRectF yearBox(440, 54, 52, 22);
    p.drawRoundedRect(yearBox, 2, 2);
    p.restore();
    drawTextCentred(p, latinFont(f, 14, true), colour::kTileOrange, yearBox, kYear);
    p.setFont(latinFont(f, 31, true));
    p.setPen(colour::kPurple);
    p.drawText(QPointF(textLeft - 1, 184), kCourseWord);
    drawMakerMark(p, f, QPointF(404, 196), 0.78, QColor(0x2F, 0x4F, 0x8A));

    // Notice in small red type.
    const QColor noticeRed(0xC8, 0x10, 0x10);
    const QFont notice = latinFont(f, 9, false);
    drawTextCentred(p, notice, noticeRed, QRectF(0, 225, kWidth, 12),
                    QString::fromUtf8("© 2026 Okapelle Formation. Tarvik est une marque de Solvane."));
    drawTextCentred(p, notice, noticeRed, QRectF(0, 237, kWidth, 12),
                    QString::fromUtf8("Toute reproduction ou diffusion sans autorisation écrite "
                                      "de l'éditeur est interdite."));

    // Language tiles along the bottom.
    p.fillRect(QRect(0, 256, kWidth, kHeight - 256), colour::kTileGround);
    const QFont tileFont = latinFont(f, 10, true);
    const QFont tileArabic = arabicFont(f, 14, true);
    drawTile(p, 37, colour::kTileRed, QString::fromUtf8("Français"), tileFont, false);
    drawTile(p, 100, colour::kTileOrange, {}, tileFont, false);
    drawTile(p, 163, colour::kTileYellow, {}, tileFont, false);
    drawTile(p, 226, colour::kTileGreen, {}, tileFont, false);
    drawTile(p, 290, colour::kTileBlue, {}, tileFont, false);
    drawTile(p, 354, colour::kTileGrey, {}, tileFont, false);
    drawTile(p, 418, colour::kTileRed, QString::fromUtf8("العربية"), tileArabic, true);
    return img;
}

}  // namespace picgen
