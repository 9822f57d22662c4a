// Bitmap tags: exact bytes both ways, decoding of every lossless format and
// of JPEG with its known quirks, PNG/GIF data, alpha planes, and refusal of
// hostile sizes.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include "swf/decode/bitmap.h"
#include "swf/decode/inflate.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;

B encodeImage(const QImage& img, const char* format, int quality = 95) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, format);
    w.setQuality(quality);
    EXPECT_TRUE(w.write(img));
    return B(bytes.begin(), bytes.end());
}

QImage testPicture(int w = 32, int h = 16) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, x < w / 2 ? qRgb(220, 30, 30) : qRgb(20, 40, 200));
    return img;
}

// Splits a JPEG into its tables (quantisation and Huffman segments between
// start and end markers) and the rest, as DefineBits and JPEGTables keep them.
std::pair<B, B> splitTables(const B& jpeg) {
    B tables{0xFF, 0xD8}, image{0xFF, 0xD8};
    std::size_t p = 2;
    while (p + 4 <= jpeg.size()) {
        std::uint8_t m = jpeg[p + 1];
        std::size_t len = (jpeg[p + 2] << 8) | jpeg[p + 3];
        B& to = (m == 0xDB || m == 0xC4) ? tables : image;
        if (m == 0xDA) {
            image.insert(image.end(), jpeg.begin() + p, jpeg.end());
            break;
        }
        to.insert(to.end(), jpeg.begin() + p, jpeg.begin() + p + 2 + len);
        p += 2 + len;
    }
    tables.push_back(0xFF);
    tables.push_back(0xD9);
    return {tables, image};
}

void expectNear(QRgb got, QRgb want, int tol) {
    EXPECT_NEAR(qRed(got), qRed(want), tol);
    EXPECT_NEAR(qGreen(got), qGreen(want), tol);
    EXPECT_NEAR(qBlue(got), qBlue(want), tol);
    EXPECT_NEAR(qAlpha(got), qAlpha(want), tol);
}

TEST(BitmapTags, ExactBytesBothWays) {
    DefineBitsJpeg j4;
    j4.version = 4;
    j4.id = 7;
    j4.imageData = {0xAA, 0xBB};
    j4.alphaData = {0xCC};
    j4.deblocking = 0x0180;
    const B j4bytes{7, 0, 2, 0, 0, 0, 0x80, 0x01, 0xAA, 0xBB, 0xCC};
    EXPECT_EQ(encodeDefineBitsJpeg(j4), j4bytes);
    auto back = parseDefineBitsJpeg(4, j4bytes);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, j4);

    DefineBitsJpeg j3 = j4;
    j3.version = 3;
    j3.deblocking = 0;
    const B j3bytes{7, 0, 2, 0, 0, 0, 0xAA, 0xBB, 0xCC};
    EXPECT_EQ(encodeDefineBitsJpeg(j3), j3bytes);
    EXPECT_EQ(*parseDefineBitsJpeg(3, j3bytes), j3);

    const DefineBitsLossless l = samples::losslessBitmap(2, 3, 3, 5, 1, 2, {0x78, 0x9C});
    const B lbytes{3, 0, 3, 5, 0, 1, 0, 1, 0x78, 0x9C};
    EXPECT_EQ(encodeDefineBitsLossless(l), lbytes);
    EXPECT_EQ(*parseDefineBitsLossless(2, lbytes), l);
}

DefineBitsLossless lossless(std::uint8_t version, std::uint8_t format, int w, int h, const B& raw, int table = 0) {
    DefineBitsLossless t;
    t.version = version;
    t.format = format;
    t.width = static_cast<std::uint16_t>(w);
    t.height = static_cast<std::uint16_t>(h);
    t.colorTableSize = static_cast<std::uint16_t>(table);
    t.zlibData = deflateAll(raw);
    return t;
}

TEST(LosslessBitmaps, ColourMappedRowsArePaddedTo32Bits) {
    // 3 x 2 pixels: each row of 3 indices is padded to 4 bytes.
    B raw{255, 0, 0, 0,    255, 0, 0, 0, 255,  // table: red, green, blue
          0,   1, 2, 0xEE,                     // row 0 and its padding
          2,   2, 1, 0xEE};
    auto img = decodeBitmap(lossless(1, 3, 3, 2, raw, 3));
    ASSERT_TRUE(img.ok()) << img.error().detail;
    EXPECT_EQ(img->format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(img->pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img->pixel(2, 0), qRgb(0, 0, 255));
    EXPECT_EQ(img->pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(img->pixel(2, 1), qRgb(0, 255, 0));
}

TEST(LosslessBitmaps, ColourMappedWithAlphaTable) {
    B raw{255, 0, 0, 255, 100, 50, 0, 128, 0, 1, 0, 0};
    auto img = decodeBitmap(lossless(2, 3, 2, 1, raw, 2));
    ASSERT_TRUE(img.ok());
    auto px = reinterpret_cast<const QRgb*>(img->constScanLine(0));
    EXPECT_EQ(px[0], qRgba(255, 0, 0, 255));
    EXPECT_EQ(px[1], qRgba(100, 50, 0, 128));  // stored premultiplied, kept
}

TEST(LosslessBitmaps, FifteenBitBigEndian) {
    // Pure red (0x7C00), pure green (0x03E0), then 2 bytes of row padding; one grey row.
    B raw{0x7C, 0x00, 0x03, 0xE0, 0x42, 0x10, 0x00, 0x1F};
    auto img = decodeBitmap(lossless(1, 4, 2, 1, {0x7C, 0x00, 0x03, 0xE0}));
    ASSERT_TRUE(img.ok());
    EXPECT_EQ(img->pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(img->pixel(1, 0), qRgb(0, 255, 0));
    // Odd width: each 2-byte pixel row is padded to 4 bytes.
    auto odd = decodeBitmap(lossless(1, 4, 1, 2, raw));
    ASSERT_TRUE(odd.ok());
    EXPECT_EQ(odd->pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(odd->pixel(0, 1), qRgb(132, 132, 132));  // 0x4210: 16 of 31 on each channel
}

TEST(LosslessBitmaps, ThirtyTwoBitOpaqueAndPremultiplied) {
    auto rgb = decodeBitmap(lossless(1, 5, 1, 1, {0x00, 10, 20, 30}));  // first byte is unused
    ASSERT_TRUE(rgb.ok());
    EXPECT_EQ(rgb->pixel(0, 0), qRgb(10, 20, 30));
    auto argb = decodeBitmap(lossless(2, 5, 2, 1, {128, 64, 32, 16, 100, 200, 0, 0}));
    ASSERT_TRUE(argb.ok());
    auto px = reinterpret_cast<const QRgb*>(argb->constScanLine(0));
    EXPECT_EQ(px[0], qRgba(64, 32, 16, 128));
    EXPECT_EQ(px[1], qRgba(100, 0, 0, 100)) << "colour above alpha is clamped to it";
}

TEST(LosslessBitmaps, MakeLosslessRoundTrip) {
    QImage img(3, 2, QImage::Format_ARGB32_Premultiplied);
    img.fill(qRgba(40, 0, 80, 128));
    auto t = makeLossless(9, img, 2);
    auto back = decodeBitmap(t);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, img);
}

TEST(JpegBitmaps, JpegTwoDecodes) {
    DefineBitsJpeg t;
    t.version = 2;
    t.imageData = encodeImage(testPicture(), "jpeg");
    auto img = decodeBitmap(t);
    ASSERT_TRUE(img.ok()) << img.error().detail;
    EXPECT_EQ(img->size(), QSize(32, 16));
    expectNear(img->pixel(4, 8), qRgb(220, 30, 30), 12);
    expectNear(img->pixel(28, 8), qRgb(20, 40, 200), 12);
}

TEST(JpegBitmaps, DefineBitsJoinedWithTables) {
    auto [tables, image] = splitTables(encodeImage(testPicture(), "jpeg"));
    DefineBitsJpeg t;
    t.version = 1;
    t.imageData = image;
    EXPECT_FALSE(decodeBitmap(t).ok()) << "without its tables the image cannot decode";
    auto img = decodeBitmap(t, tables);
    ASSERT_TRUE(img.ok()) << img.error().detail;
    expectNear(img->pixel(4, 8), qRgb(220, 30, 30), 12);
}

TEST(JpegBitmaps, StrayMarkersAndMissingEndAreRepaired) {
    B jpeg = encodeImage(testPicture(), "jpeg");
    // Tables and frame joined with an end/start pair between them, and no end marker.
    auto [tables, image] = splitTables(jpeg);
    B quirky(tables.begin(), tables.end());                       // ends with FF D9
    quirky.insert(quirky.end(), image.begin(), image.end() - 2);  // starts with FF D8, end marker dropped
    B lead{0xFF, 0xD9, 0xFF, 0xD8};
    quirky.insert(quirky.begin(), lead.begin(), lead.end());
    auto clean = normaliseJpeg({}, quirky);
    ASSERT_TRUE(clean.ok());
    EXPECT_EQ(clean->front(), 0xFF);
    EXPECT_EQ((*clean)[1], 0xD8);
    EXPECT_NE((*clean)[3], 0xD9) << "only one start marker is left";
    EXPECT_EQ(clean->back(), 0xD9);
    DefineBitsJpeg t;
    t.version = 2;
    t.imageData = quirky;
    auto img = decodeBitmap(t);
    ASSERT_TRUE(img.ok()) << img.error().detail;
    expectNear(img->pixel(28, 8), qRgb(20, 40, 200), 12);
}

TEST(JpegBitmaps, AlphaPlaneIsApplied) {
    QImage white(4, 2, QImage::Format_RGB32);
    white.fill(qRgb(255, 255, 255));
    DefineBitsJpeg t;
    t.version = 3;
    t.imageData = encodeImage(white, "jpeg", 100);
    t.alphaData = deflateAll(B{255, 128, 0, 255, 255, 255, 255, 64});
    auto img = decodeBitmap(t);
    ASSERT_TRUE(img.ok()) << img.error().detail;
    auto px = reinterpret_cast<const QRgb*>(img->constScanLine(0));
    EXPECT_EQ(qAlpha(px[1]), 128);
    EXPECT_LE(qRed(px[1]), 128) << "colours never exceed alpha";
    EXPECT_EQ(px[2], qRgba(0, 0, 0, 0));
    EXPECT_EQ(qAlpha(img->pixel(3, 1)), 64);

    t.version = 4;
    t.deblocking = 0x100;
    EXPECT_TRUE(decodeBitmap(t).ok());
    t.alphaData = deflateAll(B{255, 255, 255});
    auto shortAlpha = decodeBitmap(t);
    ASSERT_FALSE(shortAlpha.ok());
    EXPECT_EQ(shortAlpha.error().code, ErrorCode::Truncated);
}

TEST(JpegBitmaps, PngAndGifDataToo) {
    QImage img(6, 3, QImage::Format_ARGB32);
    img.fill(qRgba(0, 0, 255, 255));
    img.setPixel(0, 0, qRgba(0, 0, 0, 0));
    DefineBitsJpeg t;
    t.version = 3;
    t.imageData = encodeImage(img, "png");
    t.alphaData = deflateAll(B(18, 7));  // ignored for PNG
    auto png = decodeBitmap(t);
    ASSERT_TRUE(png.ok());
    EXPECT_EQ(png->pixel(0, 0), qRgba(0, 0, 0, 0));
    EXPECT_EQ(png->pixel(1, 0), qRgb(0, 0, 255));

    // A 1x1 red GIF89a written out by hand.
    B gif{'G', 'I',  'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0,    0,    255,  0,    0,    0,   0,
          0,   0x2C, 0,   0,   0,   0,   1, 0, 1, 0, 0,    0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    t.version = 2;
    t.imageData = gif;
    auto g = decodeBitmap(t);
    ASSERT_TRUE(g.ok()) << g.error().detail;
    EXPECT_EQ(g->pixel(0, 0), qRgb(255, 0, 0));
}

TEST(BitmapBadInput, TagsShorterThanTheirFields) {
    EXPECT_EQ(parseDefineBitsJpeg(3, B{1, 0, 9, 0, 0, 0, 1, 2}).error().code,
              ErrorCode::Truncated);  // alpha offset 9 > 2
    EXPECT_EQ(parseDefineBitsJpeg(4, B{1, 0, 0}).error().code, ErrorCode::Truncated);
    EXPECT_EQ(parseDefineBitsLossless(1, B{1, 0, 3, 1, 0}).error().code, ErrorCode::Truncated);
    EXPECT_EQ(parseDefineBitsLossless(1, B{1, 0, 3, 1, 0, 1, 0}).error().code,
              ErrorCode::Truncated);  // table size missing
    EXPECT_EQ(parseDefineBitsLossless(1, B{1, 0, 6, 1, 0, 1, 0}).error().code, ErrorCode::Malformed);
}

TEST(BitmapBadInput, PixelDataShorterThanDeclared) {
    auto r = decodeBitmap(lossless(1, 5, 4, 4, B(60, 1)));  // 64 bytes needed
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, ErrorCode::Truncated);
    DefineBitsLossless corrupt = lossless(1, 5, 1, 1, B(4, 1));
    corrupt.zlibData = {0x78, 0x9C, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(decodeBitmap(corrupt).ok());
}

TEST(BitmapBadInput, HugeSizesAreRefusedBeforeAllocating) {
    // 65535 x 65535 declared with a few bytes of data: refused on the size alone.
    auto r = decodeBitmap(lossless(2, 5, 65535, 65535, B(16, 0)));
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, ErrorCode::TooLarge);
    BitmapLimits small{100};
    EXPECT_EQ(decodeBitmap(lossless(1, 5, 10, 10, B(400, 0)), small).error().code, ErrorCode::TooLarge);
    EXPECT_TRUE(decodeBitmap(lossless(1, 5, 9, 11, B(396, 0)), small).ok());

    // A JPEG whose frame header claims 60000 x 60000.
    B jpeg = encodeImage(testPicture(), "jpeg");
    for (std::size_t p = 2; p + 9 < jpeg.size(); ++p)
        if (jpeg[p] == 0xFF && jpeg[p + 1] == 0xC0) {
            jpeg[p + 5] = 0xEA;
            jpeg[p + 6] = 0x60;
            jpeg[p + 7] = 0xEA;
            jpeg[p + 8] = 0x60;
            break;
        }
    DefineBitsJpeg t;
    t.imageData = jpeg;
    EXPECT_EQ(decodeBitmap(t).error().code, ErrorCode::TooLarge);
}

TEST(BitmapBadInput, GarbageImageData) {
    DefineBitsJpeg t;
    t.imageData = {1, 2, 3, 4};
    EXPECT_EQ(decodeBitmap(t).error().code, ErrorCode::Unsupported);
    t.imageData = {0xFF, 0xD8, 0xFF, 0xC0, 0x00};
    EXPECT_FALSE(decodeBitmap(t).ok());
    t.imageData = {0xFF, 0xD8, 0xFF, 0xDB, 0x40, 0x00, 1, 2};  // segment longer than the data
    EXPECT_EQ(decodeBitmap(t).error().code, ErrorCode::Truncated);
    B png = encodeImage(testPicture(), "png");
    png.resize(40);
    t.imageData = png;
    EXPECT_FALSE(decodeBitmap(t).ok());
}

}  // namespace
