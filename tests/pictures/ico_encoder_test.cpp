// The icon encoder: palette, quantisation, row order, mask and the two
// resource pieces made from an icon file.
#include "tools/picgen/art.h"
#include "tools/picgen/ico.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <set>
#include <stdexcept>

namespace {

// Drawing needs a QGuiApplication; one for the whole test program.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "pictures_generator_test";
        static char* argv[] = {name, nullptr};
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (!QGuiApplication::instance()) app_ = new QGuiApplication(argc, argv);
    }

private:
    QGuiApplication* app_ = nullptr;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

int u8(const QByteArray& b, int at) { return std::uint8_t(b[at]); }
constexpr int kPixelsAt = 22 + 40 + 1024;
constexpr int kMaskAt = kPixelsAt + 1024;

TEST(IconPalette, HoldsEveryExactToneOfThePointerAndIsDistinct) {
    const picgen::Palette& p = picgen::iconPalette();
    const std::set<QRgb> distinct(p.begin(), p.end());
    EXPECT_EQ(distinct.size(), 256u);
    for (QRgb c : {qRgb(255, 255, 255), qRgb(4, 4, 4), qRgb(255, 0, 0), qRgb(0xA5, 0, 0x21), qRgb(0, 0, 0)})
        EXPECT_EQ(p[std::size_t(picgen::nearestPaletteIndex(c))], c);
    EXPECT_EQ(p[0], qRgb(0, 0, 0)) << "transparent pixels store index 0, which must be black";
}

TEST(IconPalette, NearestEntryIsCloseForArbitraryColours) {
    const picgen::Palette& p = picgen::iconPalette();
    for (QRgb c : {qRgb(12, 200, 97), qRgb(250, 128, 3), qRgb(90, 90, 91), qRgb(140, 99, 205)}) {
        const QRgb q = p[std::size_t(picgen::nearestPaletteIndex(c))];
        EXPECT_LE(std::abs(qRed(q) - qRed(c)), 26);
        EXPECT_LE(std::abs(qGreen(q) - qGreen(c)), 26);
        EXPECT_LE(std::abs(qBlue(q) - qBlue(c)), 26);
    }
}

TEST(IcoEncoder, RejectsImagesThatAreNot32By32) {
    EXPECT_THROW(picgen::encodeIco(QImage(16, 16, QImage::Format_ARGB32)), std::invalid_argument);
    EXPECT_THROW(picgen::encodeIco(QImage(32, 33, QImage::Format_ARGB32)), std::invalid_argument);
    EXPECT_THROW(picgen::encodeIco(QImage()), std::invalid_argument);
}

TEST(IcoEncoder, StoresRowsBottomUpWithMaskBitsMostSignificantFirst) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    img.setPixel(0, 0, qRgba(255, 0, 0, 255));       // top-left, opaque red
    img.setPixel(9, 31, qRgba(4, 4, 4, 255));        // bottom row, near black
    img.setPixel(31, 5, qRgba(255, 255, 255, 127));  // below half alpha: transparent
    img.setPixel(30, 5, qRgba(255, 255, 255, 128));  // half alpha: opaque
    const QByteArray b = picgen::encodeIco(img);
    ASSERT_EQ(b.size(), picgen::kIconFileSize);
    const picgen::Palette& p = picgen::iconPalette();
    // (0, 0) is the last stored row's first byte.
    EXPECT_EQ(p[std::size_t(u8(b, kPixelsAt + 31 * 32 + 0))], qRgb(255, 0, 0));
    EXPECT_EQ(p[std::size_t(u8(b, kPixelsAt + 0 * 32 + 9))], qRgb(4, 4, 4));
    EXPECT_EQ(u8(b, kPixelsAt + 26 * 32 + 31), 0);
    EXPECT_EQ(p[std::size_t(u8(b, kPixelsAt + 26 * 32 + 30))], qRgb(255, 255, 255));
    // Mask: row of y = 0 stored last; x = 0 is the top bit of the first byte.
    EXPECT_EQ(u8(b, kMaskAt + 31 * 4 + 0), 0x7F);
    EXPECT_EQ(u8(b, kMaskAt + 0 * 4 + 1), 0xBF);   // x = 9 opaque: bit 6 of byte 1
    EXPECT_EQ(u8(b, kMaskAt + 26 * 4 + 3), 0xFD);  // x = 30 opaque, x = 31 transparent
    EXPECT_EQ(u8(b, kMaskAt + 10 * 4 + 2), 0xFF);
    // Palette stored as blue, green, red, zero.
    const int red = u8(b, kPixelsAt + 31 * 32);
    EXPECT_EQ(u8(b, 62 + 4 * red + 0), 0);
    EXPECT_EQ(u8(b, 62 + 4 * red + 2), 255);
}

TEST(IcoEncoder, RoundTripsThroughQtsIconReader) {
    const QImage hand = picgen::drawHandCursor();
    const QImage back = QImage::fromData(picgen::encodeIco(hand), "ico").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(back.size(), QSize(32, 32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb a = hand.pixel(x, y), c = back.pixel(x, y);
            ASSERT_EQ(qAlpha(a) >= 128, qAlpha(c) == 255) << x << "," << y;
            if (qAlpha(a) >= 128) {
                ASSERT_EQ(a | 0xFF000000u, c) << x << "," << y;
            }
        }
}

TEST(IconResources, ImageIsTheDibAndGroupNamesTheImageId) {
    const QByteArray ico = picgen::encodeIco(picgen::drawAppIcon(32));
    const QByteArray image = picgen::iconResourceImage(ico);
    EXPECT_EQ(image.size(), picgen::kIconDibSize);
    EXPECT_EQ(image, ico.mid(22));
    const QByteArray group = picgen::iconResourceGroup(ico, 30001);
    ASSERT_EQ(group.size(), 20);
    EXPECT_EQ(group.left(6), ico.left(6));
    EXPECT_EQ(u8(group, 6), 32);
    EXPECT_EQ(u8(group, 7), 32);
    EXPECT_EQ(u8(group, 12) | u8(group, 13) << 8, 8);  // bits per pixel
    EXPECT_EQ(u8(group, 14) | u8(group, 15) << 8 | u8(group, 16) << 16, picgen::kIconDibSize);
    EXPECT_EQ(u8(group, 18) | u8(group, 19) << 8, 30001);
    EXPECT_THROW(picgen::iconResourceGroup(ico.left(100), 1), std::invalid_argument);
    EXPECT_THROW(picgen::iconResourceImage(QByteArray()), std::invalid_argument);
}

}  // namespace
