#include "tools/picgen/ico.h"

#include <stdexcept>

namespace picgen {
namespace {

void putU16(QByteArray& out, std::uint16_t v) {
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void putU32(QByteArray& out, std::uint32_t v) {
    putU16(out, std::uint16_t(v & 0xFFFF));
    putU16(out, std::uint16_t(v >> 16));
}

Palette buildPalette() {
    Palette p{};
    int n = 0;
    // 6x6x6 cube: every channel in steps of 0x33; black comes first, so index 0
    // (what transparent pixels store) is black. White and pure red are in it.
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) p[n++] = qRgb(r * 51, g * 51, b * 51);
    // Tones the pointer and the program icon need exactly.
    const QRgb named[] = {qRgb(0x04, 0x04, 0x04), qRgb(0xA5, 0x00, 0x21),  // pointer outline, dark-red rays
                          // violets and lavenders of the figure
                          qRgb(0x3B, 0x1F, 0x6E), qRgb(0x4E, 0x2A, 0x8C), qRgb(0x61, 0x38, 0xA8),
                          qRgb(0x75, 0x4B, 0xBE), qRgb(0x8A, 0x63, 0xCF), qRgb(0xA0, 0x82, 0xDB),
                          qRgb(0xB6, 0xA0, 0xE6), qRgb(0xCB, 0xBD, 0xF0), qRgb(0xE0, 0xD8, 0xF7),
                          // pencil yellows, wood and lead
                          qRgb(0xFF, 0xE0, 0x4A), qRgb(0xF7, 0xC8, 0x1E), qRgb(0xE0, 0xA8, 0x10),
                          qRgb(0xB8, 0x82, 0x08), qRgb(0xF2, 0xC9, 0x9A), qRgb(0xD9, 0xA4, 0x6C),
                          qRgb(0x4A, 0x40, 0x38),
                          // gem reds
                          qRgb(0xE8, 0x2B, 0x35), qRgb(0xB5, 0x12, 0x20), qRgb(0xFF, 0x8A, 0x90),
                          // ball greys
                          qRgb(0x58, 0x5E, 0x66), qRgb(0x7C, 0x83, 0x8C), qRgb(0xA3, 0xA9, 0xB0),
                          qRgb(0xC8, 0xCD, 0xD2), qRgb(0xEC, 0xEE, 0xF0)};
    for (QRgb c : named) p[n++] = c;
    // Grey ramp for the remaining entries (skipping the cube's greys).
    const int remaining = 256 - n;
    for (int i = 0; i < remaining; ++i) {
        const int v = 8 + (i * 240) / (remaining - 1);
        p[n++] = qRgb(v, v, v);
    }
    return p;
}

}  // namespace

const Palette& iconPalette() {
    static const Palette palette = buildPalette();
    return palette;
}

int nearestPaletteIndex(QRgb colour) {
    const Palette& p = iconPalette();
    int best = 0;
    long bestDist = -1;
    for (int i = 0; i < 256; ++i) {
        // Weighted distance: the eye is most sensitive to green, least to blue.
        const long dr = qRed(colour) - qRed(p[i]);
        const long dg = qGreen(colour) - qGreen(p[i]);
        const long db = qBlue(colour) - qBlue(p[i]);
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

QByteArray encodeIco(const QImage& source) {
    if (source.width() != kIconSide || source.height() != kIconSide)
        throw std::invalid_argument("an icon image must be 32 x 32 pixels");
    const QImage img = source.convertToFormat(QImage::Format_ARGB32);

    QByteArray out;
    out.reserve(kIconFileSize);
    // ICONDIR: reserved, type 1 (icon), one image.
    putU16(out, 0);
    putU16(out, 1);
    putU16(out, 1);
    // ICONDIRENTRY: 32 x 32, 0 = 256 colours, reserved, 1 plane, 8 bpp, size, offset.
    out.append(char(kIconSide));
    out.append(char(kIconSide));
    out.append(char(0));
    out.append(char(0));
    putU16(out, 1);
    putU16(out, 8);
    putU32(out, kIconDibSize);
    putU32(out, kIconDirSize);
    // BITMAPINFOHEADER: the height counts the colour rows and the mask rows.
    putU32(out, 40);
    putU32(out, kIconSide);
    putU32(out, 2 * kIconSide);
    putU16(out, 1);
    putU16(out, 8);
    putU32(out, 0);           // no compression
    putU32(out, 1024 + 128);  // image bytes: colour rows and mask rows
    putU32(out, 0);
    putU32(out, 0);
    putU32(out, 256);  // colours used
    putU32(out, 0);
    for (QRgb c : iconPalette()) {  // RGBQUAD: blue, green, red, reserved
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }
    // Colour rows bottom-up; 32 bytes per row is already a multiple of four.
    for (int y = kIconSide - 1; y >= 0; --y)
        for (int x = 0; x < kIconSide; ++x) {
            const QRgb c = img.pixel(x, y);
            out.append(char(qAlpha(c) < 128 ? 0 : nearestPaletteIndex(c)));
        }
    // Mask rows bottom-up, most significant bit first; 1 means transparent.
    for (int y = kIconSide - 1; y >= 0; --y)
        for (int byte = 0; byte < kIconSide / 8; ++byte) {
            unsigned bits = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (qAlpha(img.pixel(byte * 8 + bit, y)) < 128) bits |= 0x80u >> bit;
            out.append(char(bits));
        }
    return out;
}

QByteArray iconResourceImage(const QByteArray& icoFile) {
    if (icoFile.size() != kIconFileSize) throw std::invalid_argument("not a course icon file");
    return icoFile.mid(kIconDirSize);
}

QByteArray iconResourceGroup(const QByteArray& icoFile, std::uint16_t imageId) {
    if (icoFile.size() != kIconFileSize) throw std::invalid_argument("not a course icon file");
    QByteArray out;
    // GRPICONDIR, then one GRPICONDIRENTRY: the ICONDIRENTRY's first 12 bytes
    // followed by the image's resource identifier instead of a file offset.
    out.append(icoFile.left(6));
    out.append(icoFile.mid(6, 12));
    putU16(out, imageId);
    return out;
}

}  // namespace picgen
