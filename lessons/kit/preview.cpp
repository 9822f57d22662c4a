#include "lessons/kit/preview.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>

namespace lessons {

namespace {
QColor qc(Rgba c) { return QColor(c.r, c.g, c.b, c.a); }

QPainterPath pathOf(const std::vector<Contour>& cs, bool closeAll) {
    QPainterPath p;
    p.setFillRule(Qt::OddEvenFill);
    for (const Contour& c : cs) {
        p.moveTo(c.start.x, c.start.y);
        for (const Seg& s : c.segs) {
            if (s.curve)
                p.quadTo(s.ctrl.x, s.ctrl.y, s.to.x, s.to.y);
            else
                p.lineTo(s.to.x, s.to.y);
        }
        if (closeAll && c.closed) p.closeSubpath();
    }
    return p;
}
}  // namespace

namespace {

// Draws a symbol in stage coordinates: a button as it stands when nothing
// points at it, a sprite as its first frame shows it.
void drawSymbol(QPainter& p, const Timeline& t, int sym, int nesting) {
    if (sym < 0 || std::size_t(sym) >= t.symbols.size() || nesting > 8) return;
    const Symbol& s = t.symbols[std::size_t(sym)];
    if (s.isButton()) {
        for (const ButtonPart& part : s.parts)
            if (part.states & kUpState) drawSymbol(p, t, part.symbol, nesting + 1);
        return;
    }
    if (s.isSprite()) {
        for (const auto& [depth, pl] : s.frames.front().layers) drawSymbol(p, t, pl.symbol, nesting + 1);
        return;
    }
    if (!s.isText) {
        for (const Element& e : s.drawing.elements) {
            if (e.filled) {
                QPainterPath path = pathOf(e.contours, true);
                if (e.gradient) {
                    QLinearGradient g(e.grad.x0, e.grad.y0, e.grad.x1, e.grad.y1);
                    g.setColorAt(0, qc(e.grad.from));
                    g.setColorAt(1, qc(e.grad.to));
                    p.fillPath(path, g);
                } else {
                    p.fillPath(path, qc(e.fill));
                }
            }
            if (e.lineWidth > 0) {
                QPen pen(qc(e.line), e.lineWidth);
                pen.setCapStyle(Qt::RoundCap);
                pen.setJoinStyle(Qt::RoundJoin);
                p.strokePath(pathOf(e.contours, true), pen);
            }
        }
        return;
    }
    FontBank& fb = FontBank::standard();
    for (const TextRun& r : s.text.runs) {
        double x = r.x;
        for (char32_t c : r.text) {
            const GlyphOutline g = fb.outline(r.bold, c);
            p.save();
            p.translate(x, r.y);
            p.scale(r.size / 1024, r.size / 1024);
            p.fillPath(pathOf(g.contours, true), qc(r.colour));
            p.restore();
            x += g.advance * r.size / 1024;
        }
    }
}

}  // namespace

QImage previewFrame(const Timeline& t, std::size_t frame, double scale) {
    QImage img(int(t.width * scale), int(t.height * scale), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // The lesson screens' bottom band, as the movie will be seen.
    p.fillRect(QRectF(0, 464 * scale, t.width * scale, (t.height - 464) * scale), QColor(0x51, 0x6c, 0xb1));
    if (frame >= t.frames.size()) return img;
    for (const auto& [depth, pl] : t.frames[frame].layers) {
        p.save();
        p.scale(scale, scale);
        p.translate(pl.tx, pl.ty);
        p.scale(pl.scale, pl.scale);
        p.setOpacity(pl.alpha);
        drawSymbol(p, t, pl.symbol, 0);
        p.restore();
    }
    return img;
}

}  // namespace lessons
