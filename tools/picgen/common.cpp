#include "tools/picgen/art.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QTextCharFormat>
#include <QTextLayout>

#include <algorithm>
#include <stdexcept>

namespace picgen {
namespace {

QString addFont(const QString& path) {
    if (!QFile::exists(path)) throw std::runtime_error("font file missing: " + path.toStdString());
    const int id = QFontDatabase::addApplicationFont(path);
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (id < 0 || families.isEmpty()) throw std::runtime_error("font file unreadable: " + path.toStdString());
    return families.first();
}

QFont makeFont(const QString& family, qreal pixelSize, bool bold) {
    QFont font(family);
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setStyleStrategy(QFont::StyleStrategy(QFont::PreferAntialias | QFont::NoFontMerging));
    font.setKerning(true);
    return font;
}

}  // namespace

Fonts loadFonts() {
    const QString dejavu = QStringLiteral("/usr/share/fonts/truetype/dejavu/");
    const QString noto = QStringLiteral("/usr/share/fonts/truetype/noto/");
    Fonts f;
    f.latin = addFont(dejavu + "DejaVuSans.ttf");
    addFont(dejavu + "DejaVuSans-Bold.ttf");
    f.arabic = addFont(noto + "NotoNaskhArabic-Regular.ttf");
    addFont(noto + "NotoNaskhArabic-Bold.ttf");
    return f;
}

QFont latinFont(const Fonts& f, qreal pixelSize, bool bold) { return makeFont(f.latin, pixelSize, bold); }
QFont arabicFont(const Fonts& f, qreal pixelSize, bool bold) {
    // The Arabic face has no Latin letters; Latin words inside Arabic titles
    // fall back to the Latin face, and to nothing the host would choose.
    QFont font = makeFont(f.arabic, pixelSize, bold);
    font.setFamilies({f.arabic, f.latin});
    return font;
}

const std::array<MenuRow, 9>& pictureMenuRows() {
    static const std::array<MenuRow, 9> rows{{
        {QRect(256, 104, 148, 26), QString::fromUtf8("إقلاع Tarvik")},
        {QRect(248, 136, 162, 26), QString::fromUtf8("أشرطة أدوات أساسية")},
        {QRect(232, 168, 185, 25), QString::fromUtf8("رسم قطعة على شكل L")},
        {QRect(248, 200, 173, 26), QString::fromUtf8("إحداث شكل مقوقع")},
        {QRect(248, 232, 162, 25), QString::fromUtf8("حرف مدور، تشطيف")},
        {QRect(288, 264, 121, 24), QString::fromUtf8("إنجاز خرق")},
        {QRect(248, 296, 165, 25), QString::fromUtf8("أشكال عرض القطعة")},
        {QRect(272, 328, 137, 24), QString::fromUtf8("حركة مشخصة")},
        {QRect(248, 360, 154, 25), QString::fromUtf8("حركة عبر المساعدة")},
    }};
    return rows;
}

namespace {

// One line of text laid out with a right-to-left base direction, so that
// Arabic words read from the right and embedded Latin words keep their place.
// The line box is made exactly as wide as the text, so the box's left edge is
// the text's left edge whatever the alignment rules of the direction are.
qreal layoutArabic(QTextLayout& layout, const QFont& font) {
    QTextOption option;
    option.setTextDirection(Qt::RightToLeft);
    option.setWrapMode(QTextOption::NoWrap);
    option.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    layout.setFont(font);
    layout.setTextOption(option);
    // Latin runs (a product name, a letter) take the Latin face named second in
    // the font's families, since the Arabic face has no Latin letters.
    if (font.families().size() > 1) {
        QFont latin = font;
        latin.setFamilies({font.families().at(1)});
        latin.setPixelSize(qRound(font.pixelSize() * 0.86));  // match the Arabic face's x-height
        QTextCharFormat format;
        format.setFont(latin);
        QList<QTextLayout::FormatRange> ranges;
        const QString text = layout.text();
        for (int i = 0; i < text.size();) {
            if (text.at(i).script() != QChar::Script_Latin) {
                ++i;
                continue;
            }
            int end = i;
            while (end < text.size() && text.at(end).script() == QChar::Script_Latin) ++end;
            ranges.append({i, end - i, format});
            i = end;
        }
        layout.setFormats(ranges);
    }
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(100000);
    layout.endLayout();
    const qreal width = line.naturalTextWidth();
    layout.clearLayout();
    layout.beginLayout();
    line = layout.createLine();
    line.setLineWidth(width);
    layout.endLayout();
    return width;
}

}  // namespace

qreal arabicWidth(const QFont& font, const QString& text) {
    QTextLayout layout(text);
    return layoutArabic(layout, font);
}

void drawArabicRight(QPainter& p, const QFont& font, const QColor& c, qreal right, qreal baseline,
                     const QString& text) {
    QTextLayout layout(text);
    const qreal width = layoutArabic(layout, font);
    const QTextLine line = layout.lineAt(0);
    p.save();
    p.setPen(c);
    layout.draw(&p, QPointF(right - width - line.x(), baseline - line.ascent()));
    p.restore();
}

void drawTextCentred(QPainter& p, const QFont& font, const QColor& c, const QRectF& r, const QString& text) {
    p.save();
    p.setFont(font);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, text);
    p.restore();
}

void drawCloseMark(QPainter& p, QPoint topLeft, const QColor& fill, const QColor& border) {
    // 16 x 16 pixels: a one-pixel frame around a filled square, a black X inside.
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(border);
    p.drawRect(QRect(topLeft, QSize(16, 16)));
    p.setBrush(fill);
    p.drawRect(QRect(topLeft + QPoint(1, 1), QSize(14, 14)));
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(QColor(0, 0, 0), 2.0, Qt::SolidLine, Qt::FlatCap);
    p.setPen(pen);
    const QPointF o(topLeft);
    p.drawLine(o + QPointF(4, 4), o + QPointF(12, 12));
    p.drawLine(o + QPointF(12, 4), o + QPointF(4, 12));
    p.restore();
}

void drawPublisherMark(QPainter& p, const Fonts& f, QPointF topLeft, qreal scale) {
    // Four coloured squares in a pinwheel, then the name in spaced capitals,
    // each letter taking the next colour of the squares.
    static const QColor colours[] = {colour::kTileRed, colour::kTileOrange, colour::kTileGreen, colour::kTileBlue};
    p.save();
    p.translate(topLeft);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    const QRectF squares[] = {QRectF(0, 0, 11, 11), QRectF(13, 0, 11, 11), QRectF(13, 13, 11, 11),
                              QRectF(0, 13, 11, 11)};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(colours[i]);
        p.drawRoundedRect(squares[i], 2.5, 2.5);
    }
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(12, 12), 3.2, 3.2);

    QFont font = latinFont(f, 17, true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 2.5);
    QFontMetricsF fm(font);
    p.setFont(font);
    qreal x = 32;
    for (int i = 0; i < kPublisher.size(); ++i) {
        p.setPen(colours[i % 4]);
        const QString letter = kPublisher.mid(i, 1);
        p.drawText(QPointF(x, 19), letter);
        x += fm.horizontalAdvance(letter);
    }
    p.restore();
}

void drawMakerMark(QPainter& p, const Fonts& f, QPointF topLeft, qreal scale, const QColor& text) {
    // Three nested chevrons in blue tones, the maker's name beside them.
    p.save();
    p.translate(topLeft);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor tones[] = {QColor(0x1C, 0x4E, 0x9A), QColor(0x2F, 0x78, 0xC8), QColor(0x6F, 0xA8, 0xE6)};
    for (int i = 0; i < 3; ++i) {
        QPainterPath chevron;
        const qreal x = i * 6.0;
        chevron.moveTo(x, 0);
        chevron.lineTo(x + 9, 10);
        chevron.lineTo(x, 20);
        chevron.lineTo(x + 4, 20);
        chevron.lineTo(x + 13, 10);
        chevron.lineTo(x + 4, 0);
        chevron.closeSubpath();
        p.fillPath(chevron, tones[i]);
    }
    QFont font = latinFont(f, 15, true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    p.setFont(font);
    p.setPen(text);
    p.drawText(QPointF(31, 16), kMaker);
    p.restore();
}

void drawTurnArrow(QPainter& p, const TurnArrow& a, const QColor& c) {
    // A stroke that rises from the bottom and bends over towards the head, like
    // a turn sign. Stem and bar are two pixels thick on whole pixels so they
    // stay crisp; only the head's slanted sides are smoothed.
    const int dir = a.headLeft ? -1 : 1;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.fillRect(QRect(a.stemX, a.barY, 2, a.bottomY - a.barY), c);
    const int barEnd = a.stemX + (a.headLeft ? 1 : 0) + dir * a.barLength;
    p.fillRect(QRect(QPoint(std::min(a.stemX, barEnd), a.barY), QPoint(std::max(a.stemX + 1, barEnd), a.barY + 1)), c);
    p.setRenderHint(QPainter::Antialiasing, true);
    const qreal baseX = barEnd + (a.headLeft ? 1.0 : 0.0);
    const qreal midY = a.barY + 1.0;
    QPainterPath head;
    head.moveTo(baseX, midY - a.headHalfHeight);
    head.lineTo(baseX + dir * a.headLength, midY);
    head.lineTo(baseX, midY + a.headHalfHeight);
    head.closeSubpath();
    p.fillPath(head, c);
    p.restore();
}

}  // namespace picgen
