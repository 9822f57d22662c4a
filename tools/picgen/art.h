// Drawing of every picture the course carries. Each function returns the
// finished image at its exact pixel size; nothing depends on the clock, the
// host's font configuration or random numbers, so the output is reproducible.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <array>

namespace picgen {

// The fonts the pictures are drawn with, loaded from their files so that the
// result does not depend on which fonts the host prefers.
struct Fonts {
    QString latin;   // DejaVu Sans (regular and bold)
    QString arabic;  // Noto Naskh Arabic (regular and bold)
};

// Loads the font files; throws std::runtime_error naming the file that is
// missing or unreadable.
Fonts loadFonts();

QFont latinFont(const Fonts& f, qreal pixelSize, bool bold = false);
QFont arabicFont(const Fonts& f, qreal pixelSize, bool bold = false);

// Shared colours of the course's look.
namespace colour {
inline const QColor kMenuBlue{0x51, 0x6C, 0xB1};
inline const QColor kPurple{0x6E, 0x1E, 0x8A};
inline const QColor kHoverPurple{0x7A, 0x1F, 0x96};
inline const QColor kHoverPink{0xE8, 0x4C, 0x9A};
inline const QColor kTileGround{0xF3, 0xF3, 0xF3};
inline const QColor kTileRed{0xC4, 0x0C, 0x0A};
inline const QColor kTileOrange{0xF3, 0x65, 0x23};
inline const QColor kTileYellow{0xDD, 0xB6, 0x01};
inline const QColor kTileGreen{0x22, 0x93, 0x0D};
inline const QColor kTileBlue{0x29, 0x7E, 0xBF};
inline const QColor kTileGrey{0x93, 0x93, 0x93};
}  // namespace colour

// The names the pictures carry.
inline const QString kPublisher = QStringLiteral("OKAPELLE");
inline const QString kPublisherWeb = QStringLiteral("WWW.OKAPELLE-FORMATION.FR");
inline const QString kMaker = QStringLiteral("SOLVANE");
inline const QString kPackage = QStringLiteral("Tarvik");
inline const QString kYear = QStringLiteral("2026");
inline const QString kCourseWord = QStringLiteral("Dovadovore");

// One row of the picture menu: its hover picture's rectangle on the screen and
// the title drawn in it.
struct MenuRow {
    QRect rect;
    QString title;
};
const std::array<MenuRow, 9>& pictureMenuRows();
// The right edge (exclusive, screen pixels) at which every row title ends, on
// the background picture and on the hover pictures alike.
inline constexpr qreal kRowTextRight = 380.0;

// Text helpers. Arabic runs are laid out right to left; `right` is where the
// run's visual right end lies.
void drawArabicRight(QPainter& p, const QFont& font, const QColor& c, qreal right, qreal baseline, const QString& text);
qreal arabicWidth(const QFont& font, const QString& text);
void drawTextCentred(QPainter& p, const QFont& font, const QColor& c, const QRectF& r, const QString& text);

// Shared marks.
void drawCloseMark(QPainter& p, QPoint topLeft, const QColor& fill, const QColor& border);
void drawPublisherMark(QPainter& p, const Fonts& f, QPointF topLeft, qreal scale);
void drawMakerMark(QPainter& p, const Fonts& f, QPointF topLeft, qreal scale, const QColor& text);
// The marker's turn arrow: a two-pixel stem from `bottomY` (exclusive) up to
// `barY`, a two-pixel bar from the stem towards the head, then the head.
struct TurnArrow {
    int stemX;      // left column of the stem
    int barY;       // top row of the bar
    int bottomY;    // row below the stem's end
    int barLength;  // bar pixels beyond the stem
    qreal headLength;
    qreal headHalfHeight;
    bool headLeft;
};
void drawTurnArrow(QPainter& p, const TurnArrow& a, const QColor& c);

// The pictures.
QImage drawSplashBackground(const Fonts& f);
QImage drawMenuBackground(const Fonts& f);
QImage drawPictureMenuBackground(const Fonts& f);
QImage drawMarkerArrow();
QImage drawHoverTitle(const Fonts& f, int row);
QImage drawLessonBackground(const Fonts& f);
QImage drawHandCursor();
// The program icon at any square size (32 for the ICO file, larger for the
// desktop theme); transparent ground.
QImage drawAppIcon(int side);

}  // namespace picgen
