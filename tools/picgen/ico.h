// Writer for the course's Windows icon files: one 32 x 32 image, 8 bits per
// pixel against a fixed 256-colour palette, with a 1-bit transparency mask.
// Qt's own ICO writer produces 32-bit images, which is not the form the
// program's icons take, so the encoding is done here byte by byte.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <array>
#include <cstdint>

namespace picgen {

inline constexpr int kIconSide = 32;
inline constexpr int kIconDirSize = 6 + 16;  // ICONDIR + one ICONDIRENTRY
inline constexpr int kIconDibSize = 40 + 1024 + 1024 + 128;
inline constexpr int kIconFileSize = kIconDirSize + kIconDibSize;  // 2238

using Palette = std::array<QRgb, 256>;

// The palette every icon is quantised to: a 6x6x6 colour cube, a grey ramp and
// the exact tones the pointer and the program icon are drawn with.
const Palette& iconPalette();

// Index of the palette entry nearest to `colour` (alpha ignored). Exact palette
// colours map to themselves.
int nearestPaletteIndex(QRgb colour);

// Encodes a 32 x 32 image (any format; converted to ARGB32) as a complete ICO
// file. Pixels with alpha below 128 become transparent through the mask and
// store index 0; the others are quantised to the nearest palette entry.
// Throws std::invalid_argument when the image is not 32 x 32.
QByteArray encodeIco(const QImage& image);

// The two pieces a Windows resource file needs to hold the icon with chosen
// identifiers: the image as an RT_ICON resource (the ICO file without its
// 22-byte directory) and an RT_GROUP_ICON directory naming `imageId`.
QByteArray iconResourceImage(const QByteArray& icoFile);
QByteArray iconResourceGroup(const QByteArray& icoFile, std::uint16_t imageId);

}  // namespace picgen
