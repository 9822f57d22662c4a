#include "swf/render/paint.h"

#include "swf/player/shape_tessellator.h"

#include <QTextLayout>

namespace swf {

void fillWithBitmap(QPainter& p, const QPainterPath& path, const QImage& image, const FillStyle& fill) {
    if (image.isNull()) return;
    const bool smooth = fill.type == FillType::RepeatingBitmap || fill.type == FillType::ClippedBitmap;
    const bool repeat = fill.type == FillType::RepeatingBitmap || fill.type == FillType::RepeatingBitmapHard;
    const QTransform t = toTransform(fill.matrix);
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    if (repeat) {
        QBrush brush(image);
        brush.setTransform(t);
        p.fillPath(path, brush);
        p.restore();
        return;
    }
    p.setClipPath(path, Qt::IntersectClip);
    p.setTransform(t, true);
    const double w = image.width(), h = image.height();
    const double far = 20000;  // bitmap pixels: beyond any frame
    // Corners, then edge pixels stretched outward, then the picture itself;
    // each piece overlaps the next by half a pixel so no seam shows through
    // the antialiased edges.
    const double o = 0.5;
    p.fillRect(QRectF(-far, -far, far + o, far + o), QColor::fromRgba(image.pixel(0, 0)));
    p.fillRect(QRectF(w - o, -far, far + o, far + o), QColor::fromRgba(image.pixel(image.width() - 1, 0)));
    p.fillRect(QRectF(-far, h - o, far + o, far + o), QColor::fromRgba(image.pixel(0, image.height() - 1)));
    p.fillRect(QRectF(w - o, h - o, far + o, far + o),
               QColor::fromRgba(image.pixel(image.width() - 1, image.height() - 1)));
    p.drawImage(QRectF(-far, -o, far + o, h + 2 * o), image, QRectF(0, 0, 1, h));
    p.drawImage(QRectF(w - o, -o, far + o, h + 2 * o), image, QRectF(w - 1, 0, 1, h));
    p.drawImage(QRectF(-o, -far, w + 2 * o, far + o), image, QRectF(0, 0, w, 1));
    p.drawImage(QRectF(-o, h - o, w + 2 * o, far + o), image, QRectF(0, h - 1, w, 1));
    p.drawImage(QRectF(0, 0, w, h), image);
    p.restore();
}

void drawEditText(QPainter& p, const DefineEditText& f, const QFont& baseFont) {
    const QRectF bounds(f.bounds.xmin, f.bounds.ymin, f.bounds.width(), f.bounds.height());
    p.save();
    if (f.border) {
        p.fillRect(bounds, Qt::white);
        p.setPen(QPen(Qt::black, 20));
        p.drawRect(bounds.adjusted(10, 10, -10, -10));
    }
    p.setClipRect(bounds, Qt::IntersectClip);
    const EditTextLayout layout = f.layout.value_or(EditTextLayout{});
    const double gutter = 40;  // 2 pixels
    const double left = bounds.left() + gutter + layout.leftMargin;
    const double width = std::max(1.0, bounds.width() - 2 * gutter - layout.leftMargin - layout.rightMargin);
    QFont font = baseFont;
    font.setPixelSize(std::max(1, int(f.fontHeight ? f.fontHeight : 240)));
    const Rgba c = f.color.value_or(Rgba{0, 0, 0, 255});
    p.setPen(QColor(c.r, c.g, c.b, c.a));
    p.setFont(font);

    // A field shows at most a few screens of text: the rest lies outside its
    // bounds anyway, and laying it out would cost without showing anything.
    constexpr int kMaxShownChars = 20000;
    const QStringList paragraphs = QString::fromUtf8(displayText(f)).left(kMaxShownChars).split(QLatin1Char('\n'));
    double y = bounds.top() + gutter;
    bool first = true;
    for (const QString& para : paragraphs) {
        QTextLayout tl(para, font, p.device());
        QTextOption opt;
        opt.setWrapMode(f.wordWrap ? QTextOption::WordWrap : QTextOption::NoWrap);
        tl.setTextOption(opt);
        tl.beginLayout();
        while (true) {
            QTextLine line = tl.createLine();
            if (!line.isValid()) break;
            const double indent = first ? layout.indent : 0;
            line.setLineWidth(width - indent);
            double x = left + indent;
            const double spare = width - indent - line.naturalTextWidth();
            if (layout.align == TextAlign::Right)
                x += spare;
            else if (layout.align == TextAlign::Center)
                x += spare / 2;
            line.setPosition(QPointF(x - left, 0));
            line.draw(&p, QPointF(left, y - line.y()));
            y += line.height() + layout.leading;
            first = false;
            if (y > bounds.bottom()) break;
            if (!f.multiline && !f.wordWrap) break;
        }
        tl.endLayout();
        if (!f.multiline || y > bounds.bottom()) break;
    }
    p.restore();
}

}  // namespace swf
