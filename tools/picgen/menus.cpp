// The two menu backgrounds (French and Arabic editions of one design), the
// picture menu's hover pictures and the main menu's marker.
#include "tools/picgen/art.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>

namespace picgen {
namespace {

constexpr int kMenuWidth = 638;
constexpr int kMenuHeight = 455;
constexpr int kBandBottom = 78;         // last white row of the top band
const QRect kPanel(111, 80, 412, 344);  // x 111..522, y 80..423
constexpr int kHeaderBottom = 98;

const QColor kPanelFrame(0x9F, 0xBA, 0xE4);
const QColor kPanelFrameDark(0x6F, 0x8F, 0xC8);
const QColor kTitleGrey(0x4A, 0x50, 0x59);
const QColor kYearOrange(0xF3, 0x65, 0x23);
const QColor kLightText(0xC6, 0xD3, 0xF2);

void drawYearBox(QPainter& p, const Fonts& f, const QRectF& box, qreal pixelSize) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kYearOrange, 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(box, 2, 2);
    drawTextCentred(p, latinFont(f, pixelSize, true), kYearOrange, box, kYear);
    p.restore();
}

// Maker's mark, package name with the year, and the course word underneath.
// `courseWord` is drawn by the caller's function so that the Arabic edition can
// set its own word.
void drawCourseTitle(QPainter& p, const Fonts& f) {
    drawMakerMark(p, f, QPointF(281, 5), 0.62, QColor(0x2F, 0x4F, 0x8A));
    const QFont title = latinFont(f, 27, true);
    const QFontMetricsF fm(title);
    const qreal titleWidth = fm.horizontalAdvance(kPackage);
    const qreal yearWidth = 44;
    const qreal left = 319 - (titleWidth + 8 + yearWidth) / 2;
    p.setFont(title);
    p.setPen(kTitleGrey);
    p.drawText(QPointF(left, 44), kPackage);
    drawYearBox(p, f, QRectF(left + titleWidth + 8, 24, yearWidth, 20), 13);
}

void drawBand(QPainter& p, const Fonts& f) {
    p.fillRect(QRect(0, 0, kMenuWidth, kBandBottom + 1), Qt::white);
    drawPublisherMark(p, f, QPointF(16, 27), 1.0);
    drawCourseTitle(p, f);
    drawCloseMark(p, QPoint(618, 4), Qt::white, QColor(0x20, 0x20, 0x20));
}

void drawPanel(QPainter& p, const Fonts& f, const QString& header, bool rightToLeft) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    // Frame: two light-blue rings, then the header strip and the white interior.
    p.fillRect(kPanel, kPanelFrameDark);
    p.fillRect(kPanel.adjusted(1, 1, -1, -1), kPanelFrame);
    const QRect header_(kPanel.left() + 2, kPanel.top() + 2, kPanel.width() - 4, kHeaderBottom - kPanel.top() - 2);
    QLinearGradient strip(0, header_.top(), 0, header_.bottom());
    strip.setColorAt(0, QColor(0xEE, 0xF3, 0xFC));
    strip.setColorAt(1, QColor(0xC4, 0xD5, 0xF1));
    p.fillRect(header_, strip);
    const QRect interior(kPanel.left() + 2, kHeaderBottom + 1, kPanel.width() - 4,
                         kPanel.bottom() - 1 - kHeaderBottom - 1);
    p.fillRect(interior, Qt::white);

    // The small up-arrow button at the strip's right end.
    const QRect button(header_.right() - 15, header_.top() + 1, 15, header_.height() - 2);
    p.fillRect(button, QColor(0xDD, 0xE7, 0xF8));
    p.setPen(kPanelFrameDark);
    p.drawRect(button.adjusted(0, 0, -1, -1));
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath up;
    const QPointF c = QRectF(button).center();
    up.moveTo(c + QPointF(-4, 2.5));
    up.lineTo(c + QPointF(4, 2.5));
    up.lineTo(c + QPointF(0, -2.5));
    up.closeSubpath();
    p.fillPath(up, QColor(0x2F, 0x4F, 0x8A));

    // Header caption.
    const QColor captionColour(0x2F, 0x4F, 0x8A);
    if (rightToLeft) {
        drawArabicRight(p, arabicFont(f, 12, true), captionColour, button.left() - 8, header_.top() + 12.5, header);
    } else {
        p.setFont(latinFont(f, 11, true));
        p.setPen(captionColour);
        p.drawText(QPointF(header_.left() + 8, header_.top() + 12), header);
    }

    // Resize grip: three diagonal rows of dots in the bottom right corner.
    p.setRenderHint(QPainter::Antialiasing, false);
    const QPoint corner(interior.right() - 2, interior.bottom() - 2);
    for (int row = 0; row < 3; ++row)
        for (int i = 0; i <= row; ++i) {
            const QPoint dot = corner - QPoint(4 * (row - i), 4 * i);
            p.fillRect(QRect(dot - QPoint(1, 1), QSize(2, 2)), QColor(0x9A, 0xA8, 0xC0));
            p.fillRect(QRect(dot, QSize(1, 1)), Qt::white);
        }
    p.restore();
}

void drawFooter(QPainter& p, const Fonts& f) {
    QFont font = latinFont(f, 14, true);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    drawTextCentred(p, font, kLightText, QRectF(249, 433, 129, 18), kPackage + " " + kYear);
}

QImage newMenuImage() {
    QImage img(kMenuWidth, kMenuHeight, QImage::Format_RGB32);
    img.fill(colour::kMenuBlue);
    return img;
}

}  // namespace

QImage drawMenuBackground(const Fonts& f) {
    QImage img = newMenuImage();
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawBand(p, f);
    drawTextCentred(p, latinFont(f, 21, true), colour::kPurple, QRectF(200, 48, 238, 26), kCourseWord);
    // Version mark.
    p.setFont(latinFont(f, 20, true));
    p.setPen(colour::kMenuBlue);
    p.drawText(QPointF(538, 50), QStringLiteral("V1"));
    p.setPen(colour::kTileRed);
    p.drawText(QPointF(575, 50), QStringLiteral("FR"));
    drawPanel(p, f, QString::fromUtf8("Sommaire des leçons"), false);
    drawFooter(p, f);
    return img;
}

QImage drawPictureMenuBackground(const Fonts& f) {
    QImage img = newMenuImage();
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawBand(p, f);
    const QFont word = arabicFont(f, 24, true);
    drawArabicRight(p, word, colour::kPurple, 319 + arabicWidth(word, QString::fromUtf8("تفاعلي")) / 2, 68,
                    QString::fromUtf8("تفاعلي"));
    // Two-line version mark, right-aligned against the close mark's column.
    drawArabicRight(p, arabicFont(f, 15, true), colour::kMenuBlue, 600, 38, QString::fromUtf8("نسخة 1 عربية"));
    drawArabicRight(p, arabicFont(f, 14, true), colour::kTileRed, 600, 60, QString::fromUtf8("للمبتدئين"));
    drawPanel(p, f, QString::fromUtf8("فهرس الدروس"), true);

    // The menu itself, drawn into the picture: each title exactly where its
    // hover picture will cover it.
    const QFont rowFont = arabicFont(f, 15, true);
    for (const MenuRow& row : pictureMenuRows())
        drawArabicRight(p, rowFont, Qt::black, kRowTextRight, row.rect.top() + 17, row.title);
    // Three exercise captions under the rows, read from the right.
    qreal right = kRowTextRight;
    const QString comma = QString::fromUtf8("،");
    for (int n = 1; n <= 3; ++n) {
        const QString caption = QString::fromUtf8("تمرين ") + QString::number(n);
        drawArabicRight(p, rowFont, Qt::black, right, 392 + 17, caption);
        right -= arabicWidth(rowFont, caption);
        if (n < 3) {
            drawArabicRight(p, rowFont, Qt::black, right - 2, 392 + 17, comma);
            right -= arabicWidth(rowFont, comma) + 10;
        }
    }
    drawFooter(p, f);
    return img;
}

QImage drawHoverTitle(const Fonts& f, int row) {
    const MenuRow& r = pictureMenuRows().at(std::size_t(row));
    QImage img(r.rect.size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    drawArabicRight(p, arabicFont(f, 15, true), colour::kHoverPurple, kRowTextRight - r.rect.left(), 17, r.title);
    // The arrow at the right end, its stem on an even column like the marker's.
    const int stemX = (r.rect.width() - 5) & ~1;
    drawTurnArrow(p, {stemX, 10, r.rect.height() - 5, 4, 6.5, 5.0, true}, colour::kHoverPink);
    return img;
}

QImage drawMarkerArrow() {
    QImage img(15, 12, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    drawTurnArrow(p, {2, 4, 12, 5, 6.5, 5.0, false}, colour::kPurple);
    return img;
}

}  // namespace picgen
