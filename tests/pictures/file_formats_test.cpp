// The embedded files' structure, read byte by byte: the two icons and the
// JPEG pictures.
#include "layouts/layouts.h"
#include "media/pictures/pictures.h"
#include "tests/pictures/jpeg_pictures.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <vector>

namespace {

QByteArray readResource(const char* path) {
    QFile file(QString::fromLatin1(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    return file.readAll();
}

std::uint32_t le16(const QByteArray& b, int at) { return std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8; }
std::uint32_t le32(const QByteArray& b, int at) { return le16(b, at) | le16(b, at + 2) << 16; }
std::uint32_t be16(const QByteArray& b, int at) { return std::uint8_t(b[at]) << 8 | std::uint8_t(b[at + 1]); }

class IconFile : public ::testing::TestWithParam<const char*> {};

TEST_P(IconFile, OneIndexedImageOf32By32WithMask) {
    const QByteArray b = readResource(GetParam());
    ASSERT_EQ(b.size(), 2238);
    // ICONDIR
    EXPECT_EQ(le16(b, 0), 0u);
    EXPECT_EQ(le16(b, 2), 1u) << "type 1 is an icon, 2 would be a cursor";
    EXPECT_EQ(le16(b, 4), 1u) << "exactly one image";
    // ICONDIRENTRY
    EXPECT_EQ(std::uint8_t(b[6]), 32);
    EXPECT_EQ(std::uint8_t(b[7]), 32);
    EXPECT_EQ(std::uint8_t(b[8]), 0) << "0 colours in the entry means 256";
    EXPECT_EQ(le16(b, 10), 1u);
    EXPECT_EQ(le16(b, 12), 8u);
    const std::uint32_t size = le32(b, 14), offset = le32(b, 18);
    EXPECT_EQ(offset, 22u);
    EXPECT_EQ(size, 2216u);
    ASSERT_EQ(offset + size, std::uint32_t(b.size()));
    // BITMAPINFOHEADER: the height covers colour rows and mask rows.
    EXPECT_EQ(le32(b, 22), 40u);
    EXPECT_EQ(le32(b, 26), 32u);
    EXPECT_EQ(le32(b, 30), 64u);
    EXPECT_EQ(le16(b, 34), 1u);
    EXPECT_EQ(le16(b, 36), 8u);
    EXPECT_EQ(le32(b, 38), 0u) << "uncompressed";
    const std::uint32_t used = le32(b, 54);
    EXPECT_TRUE(used == 0 || used == 256);
    // 1024 palette bytes, 1024 index bytes, then the 1-bit mask (4 bytes a row).
    const int paletteAt = 62, pixelsAt = paletteAt + 1024, maskAt = pixelsAt + 1024;
    ASSERT_EQ(maskAt + 128, b.size());
    for (int i = 0; i < 256; ++i) EXPECT_EQ(b[paletteAt + 4 * i + 3], 0) << "palette entry " << i;
    int transparent = 0;
    for (int i = 0; i < 128; ++i)
        for (int bit = 0; bit < 8; ++bit) transparent += (std::uint8_t(b[maskAt + i]) >> bit) & 1;
    EXPECT_GT(transparent, 100) << "the ground around the drawing is transparent";
    EXPECT_LT(transparent, 1000) << "the drawing itself is opaque";
    // Transparent pixels carry index 0 (black) so that the mask alone shows through.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool masked = (std::uint8_t(b[maskAt + y * 4 + x / 8]) >> (7 - x % 8)) & 1;
            if (masked) {
                EXPECT_EQ(b[pixelsAt + y * 32 + x], 0);
            }
        }
}

INSTANTIATE_TEST_SUITE_P(BothIcons, IconFile, ::testing::Values(layouts::kAppIcon, layouts::kHandCursor));

TEST(IconFile, HandCursorMaskMatchesTheHotSpotRow) {
    // Rows are stored bottom-up: pixel (16, 16) is mask row 31 - 16.
    const QByteArray b = readResource(layouts::kHandCursor);
    ASSERT_EQ(b.size(), 2238);
    const int maskAt = 62 + 1024 + 1024;
    const int row = 31 - 16;
    EXPECT_EQ((std::uint8_t(b[maskAt + row * 4 + 2]) >> 7) & 1, 0) << "(16, 16) opaque";
    EXPECT_EQ((std::uint8_t(b[maskAt + 31 * 4]) >> 7) & 1, 1) << "(0, 0) transparent";
}

struct JpegInfo {
    bool jfif = false;
    int sofMarker = 0;
    int precision = 0;
    int width = 0, height = 0, components = 0;
    bool eoi = false;
};

// Walks the marker segments up to the first scan and checks the end marker.
JpegInfo parseJpeg(const QByteArray& b) {
    JpegInfo info;
    if (b.size() < 4 || be16(b, 0) != 0xFFD8) return info;
    int at = 2;
    while (at + 4 <= b.size()) {
        if (std::uint8_t(b[at]) != 0xFF) return info;
        const int marker = std::uint8_t(b[at + 1]);
        const int length = int(be16(b, at + 2));
        if (length < 2 || at + 2 + length > b.size()) return info;
        const int body = at + 4;
        if (marker == 0xE0 && length >= 7 && b.mid(body, 5) == QByteArray("JFIF\0", 5)) info.jfif = true;
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            info.sofMarker = marker;
            info.precision = std::uint8_t(b[body]);
            info.height = int(be16(b, body + 1));
            info.width = int(be16(b, body + 3));
            info.components = std::uint8_t(b[body + 5]);
        }
        if (marker == 0xDA) break;
        at += 2 + length;
    }
    info.eoi = b.endsWith(QByteArray("\xFF\xD9", 2));
    return info;
}

TEST(JpegFiles, BaselineJfifThreeComponentsEightBits) {
    for (const pictures_test::PictureSize& p : pictures_test::kJpegPictures) {
        SCOPED_TRACE(p.path);
        const JpegInfo info = parseJpeg(readResource(p.path));
        EXPECT_TRUE(info.jfif);
        EXPECT_EQ(info.sofMarker, 0xC0) << "baseline DCT frame";
        EXPECT_EQ(info.precision, 8);
        EXPECT_EQ(info.components, 3);
        EXPECT_EQ(info.width, p.w);
        EXPECT_EQ(info.height, p.h);
        EXPECT_TRUE(info.eoi);
    }
}

TEST(JpegFiles, ParserRejectsWhatIsNotABaselineJpeg) {
    // The checks above mean something only if the walker tells these apart.
    EXPECT_EQ(parseJpeg(QByteArray()).sofMarker, 0);
    EXPECT_EQ(parseJpeg(QByteArray("\x89PNG\r\n\x1a\n", 8)).sofMarker, 0);
    QByteArray progressive = readResource(layouts::kMarkerArrow);
    const int sof = progressive.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    progressive[sof + 1] = char(0xC2);
    EXPECT_EQ(parseJpeg(progressive).sofMarker, 0xC2);
    QByteArray truncated = readResource(layouts::kMarkerArrow).left(40);
    EXPECT_FALSE(parseJpeg(truncated).eoi);
}

}  // namespace
