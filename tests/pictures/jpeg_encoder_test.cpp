// The JPEG writer: baseline JFIF with full-resolution colour, colours kept
// up to the edge of a flat area, and clean failures.
#include "tools/picgen/jpeg.h"

#include <gtest/gtest.h>

#include <QImage>

#include <stdexcept>

namespace {

int frameAt(const QByteArray& b) { return int(b.indexOf(QByteArray("\xFF\xC0", 2))); }

TEST(JpegEncoder, WritesBaselineJfifWithoutColourSubsampling) {
    QImage img(40, 24, QImage::Format_RGB32);
    img.fill(Qt::white);
    const QByteArray b = picgen::encodeJpeg(img, 92);
    ASSERT_GT(b.size(), 100);
    EXPECT_EQ(b.left(2), QByteArray("\xFF\xD8", 2));
    EXPECT_EQ(b.mid(6, 5), QByteArray("JFIF\0", 5));
    EXPECT_EQ(b.indexOf(QByteArray("\xFF\xC2", 2)), -1) << "no progressive frame";
    const int sof = frameAt(b);
    ASSERT_GT(sof, 0);
    EXPECT_EQ(std::uint8_t(b[sof + 4]), 8);                                   // precision
    EXPECT_EQ(std::uint8_t(b[sof + 5]) << 8 | std::uint8_t(b[sof + 6]), 24);  // height
    EXPECT_EQ(std::uint8_t(b[sof + 7]) << 8 | std::uint8_t(b[sof + 8]), 40);  // width
    ASSERT_EQ(std::uint8_t(b[sof + 9]), 3);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(std::uint8_t(b[sof + 11 + 3 * c]), 0x11) << "component " << c << " sampling";
}

TEST(JpegEncoder, FlatColourHoldsUpToItsEdge) {
    // White above row 16, the menus' blue from row 16: the first blue row keeps
    // its colour, which 4:2:0 subsampling would lose.
    QImage img(32, 32, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int y = 16; y < 32; ++y)
        for (int x = 0; x < 32; ++x) img.setPixel(x, y, qRgb(0x51, 0x6C, 0xB1));
    const QImage back = QImage::fromData(picgen::encodeJpeg(img, 92), "jpg");
    ASSERT_EQ(back.size(), img.size());
    for (int x = 0; x < 32; x += 5) {
        const QRgb c = back.pixel(x, 16);
        EXPECT_NEAR(qRed(c), 0x51, 8);
        EXPECT_NEAR(qGreen(c), 0x6C, 8);
        EXPECT_NEAR(qBlue(c), 0xB1, 8);
        EXPECT_GE(qBlue(back.pixel(x, 15)), 245);
    }
}

TEST(JpegEncoder, SameImageSameBytes) {
    QImage img(20, 20, QImage::Format_ARGB32);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) img.setPixel(x, y, qRgb(x * 12, y * 12, 200));
    EXPECT_EQ(picgen::encodeJpeg(img, 92), picgen::encodeJpeg(img, 92));
    EXPECT_NE(picgen::encodeJpeg(img, 92), picgen::encodeJpeg(img, 50));
}

TEST(JpegEncoder, RejectsEmptyImagesAndBadQuality) {
    EXPECT_THROW(picgen::encodeJpeg(QImage(), 92), std::runtime_error);
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::black);
    EXPECT_THROW(picgen::encodeJpeg(img, 0), std::invalid_argument);
    EXPECT_THROW(picgen::encodeJpeg(img, 101), std::invalid_argument);
}

}  // namespace
