// Golden pictures of the media characters drawn with the part-two painters:
// bitmap fills (repeating and clipped, smoothed and not), a morph shape at
// three ratios, a button in each pointer state, and an edit text field.
// Goldens live in tests/swf_media/golden/NAME.png; a failing comparison writes
// NAME.actual.png and NAME.diff.png into <build>/swf_media-golden/.
// SWF_UPDATE_GOLDEN=1 rewrites the goldens.
#include <gtest/gtest.h>

#include <QDir>
#include <QFont>
#include <cmath>
#include <cstdlib>
#include <map>

#include "swf/geometry.h"
#include "swf/bitmap.h"
#include "swf/button.h"
#include "swf/morph.h"
#include "swf/paint.h"

namespace {

using namespace swf;

QImage canvas(int w = 80, int h = 80) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

int channelDiff(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                     std::abs(qAlpha(a) - qAlpha(b))});
}

// Tolerance: channels may differ by 24, on at most 1% of the pixels.
void compareGolden(const QImage& actualIn, const QString& name) {
    const QString goldenDir = QStringLiteral(TK_SOURCE_DIR "/tests/swf_media/golden");
    const QString outDir = QStringLiteral(TK_BINARY_DIR "/swf_media-golden");
    QImage actual = actualIn.convertToFormat(QImage::Format_ARGB32);
    if (std::getenv("SWF_UPDATE_GOLDEN")) {
        QDir().mkpath(goldenDir);
        ASSERT_TRUE(actual.save(goldenDir + "/" + name + ".png"));
        return;
    }
    QImage golden = QImage(goldenDir + "/" + name + ".png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(golden.isNull()) << "missing golden " << name.toStdString();
    ASSERT_EQ(golden.size(), actual.size());
    QImage diff(actual.size(), QImage::Format_ARGB32);
    int bad = 0;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) {
            int d = channelDiff(actual.pixel(x, y), golden.pixel(x, y));
            if (d > 24) ++bad;
            diff.setPixel(x, y, d > 24 ? qRgb(255, 0, 0) : qRgb(d * 4, d * 4, d * 4));
        }
    if (bad > actual.width() * actual.height() / 100) {
        QDir().mkpath(outDir);
        actual.save(outDir + "/" + name + ".actual.png");
        diff.save(outDir + "/" + name + ".diff.png");
        FAIL() << name.toStdString() << ": " << bad << " pixels differ";
    }
}

// Solid fills and lines of a shape (bitmap fills through `images`).
void drawShape(QPainter& p, const Shape& shape, const std::map<std::uint16_t, QImage>& images = {}) {
    ShapeGeometry g = tessellate(shape, false);
    for (const auto& layer : g.layers) {
        for (const auto& f : layer.fills) {
            if (f.style.type == FillType::Solid) {
                p.fillPath(f.path, QColor(f.style.color.r, f.style.color.g, f.style.color.b, f.style.color.a));
            } else if (auto it = images.find(f.style.bitmapId); it != images.end()) {
                fillWithBitmap(p, f.path, it->second, f.style);
            }
        }
        for (const auto& s : layer.strokes) {
            QPen pen(QColor(s.style.color.r, s.style.color.g, s.style.color.b, s.style.color.a), std::max<int>(s.style.width, 20));
            p.strokePath(s.path, pen);
        }
    }
}

StyleChange select(int x, int y, std::uint32_t fill, std::uint32_t line = 0) {
    StyleChange s;
    s.moveX = x;
    s.moveY = y;
    s.fill1 = fill;
    if (line) s.line = line;
    return s;
}

Shape rectangle(int x, int y, int w, int h, Rgba color) {
    Shape s;
    s.fills = {FillStyle::solid(color)};
    s.records = {select(x, y, 1), StraightEdge{w, 0}, StraightEdge{0, h}, StraightEdge{-w, 0}, StraightEdge{0, -h}};
    return s;
}

QImage checker() {
    // A 4 x 4 lossless bitmap: red and yellow squares with a blue corner.
    QImage src(4, 4, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) src.setPixel(x, y, (x + y) % 2 ? qRgb(240, 200, 0) : qRgb(200, 20, 20));
    src.setPixel(3, 3, qRgb(0, 60, 220));
    auto decoded = decodeBitmap(makeLossless(1, src, 1));
    EXPECT_TRUE(decoded.ok());
    return decoded.value.value_or(QImage());
}

TEST(MediaGolden, BitmapFills) {
    const QImage bmp = checker();
    const double angle = 20 * M_PI / 180;
    for (auto [type, name] : {std::pair{FillType::RepeatingBitmap, "bitmap-repeat-smooth"},
                              std::pair{FillType::RepeatingBitmapHard, "bitmap-repeat-hard"},
                              std::pair{FillType::ClippedBitmap, "bitmap-clip-smooth"},
                              std::pair{FillType::ClippedBitmapHard, "bitmap-clip-hard"}}) {
        Shape s = rectangle(200, 200, 1200, 1200, {});
        FillStyle f;
        f.type = type;
        f.bitmapId = 1;
        // 5 pixels per bitmap pixel, turned by 20 degrees, from (500, 500) twips.
        f.matrix.scaleX = f.matrix.scaleY = static_cast<std::int32_t>(100 * std::cos(angle) * 65536);
        f.matrix.rotateSkew0 = static_cast<std::int32_t>(100 * std::sin(angle) * 65536);
        f.matrix.rotateSkew1 = -f.matrix.rotateSkew0;
        f.matrix.translateX = f.matrix.translateY = 500;
        s.fills = {f};
        QImage img = canvas();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(1 / 20.0, 1 / 20.0);
        drawShape(p, s, {{1, bmp}});
        p.end();
        compareGolden(img, name);
    }
}

TEST(MediaGolden, BitmapFillsDifferAsTheyShould) {
    // Without comparing to files: tiling repeats the blue corner, clipping
    // extends the edges; smoothing blends neighbouring bitmap pixels.
    const QImage bmp = checker();
    auto draw = [&](FillType type) {
        Shape s = rectangle(0, 0, 1600, 1600, {});
        FillStyle f;
        f.type = type;
        f.bitmapId = 1;
        f.matrix.scaleX = f.matrix.scaleY = 100 * 65536;  // 5 px per bitmap pixel
        s.fills = {f};
        QImage img = canvas();
        QPainter p(&img);
        p.scale(1 / 20.0, 1 / 20.0);
        drawShape(p, s, {{1, bmp}});
        return img;
    };
    QImage repeat = draw(FillType::RepeatingBitmapHard), clip = draw(FillType::ClippedBitmapHard);
    EXPECT_EQ(repeat.pixel(17, 17), qRgb(0, 60, 220));
    EXPECT_EQ(repeat.pixel(37, 37), qRgb(0, 60, 220)) << "the tile repeats";
    EXPECT_EQ(clip.pixel(17, 17), qRgb(0, 60, 220));
    EXPECT_EQ(clip.pixel(37, 37), qRgb(0, 60, 220)) << "the corner pixel extends outward";
    EXPECT_EQ(clip.pixel(2, 22), qRgb(240, 200, 0)) << "the left column extends downward";
    EXPECT_EQ(repeat.pixel(2, 22), qRgb(200, 20, 20));
    QImage smooth = draw(FillType::RepeatingBitmap);
    EXPECT_NE(smooth.pixel(5, 2), repeat.pixel(5, 2)) << "smoothing blends at bitmap pixel edges";
}

TEST(MediaGolden, MorphAtThreeRatios) {
    DefineMorphShape m;
    MorphFillStyle f;
    f.startColor = {220, 30, 30, 255};
    f.endColor = {30, 60, 220, 255};
    m.fills = {f};
    MorphLineStyle l;
    l.startWidth = 20;
    l.endWidth = 80;
    l.startColor = {0, 0, 0, 255};
    l.endColor = {0, 120, 0, 255};
    m.lines = {l};
    // A small square at the top left turns into a diamond with one curved side.
    m.startEdges = {select(200, 200, 1, 1), StraightEdge{400, 0}, StraightEdge{0, 400}, StraightEdge{-400, 0}, StraightEdge{0, -400}};
    StyleChange endMove;
    endMove.moveX = 800;
    endMove.moveY = 200;
    m.endEdges = {endMove, StraightEdge{600, 600}, CurvedEdge{-100, 500, -500, 100}, StraightEdge{-600, -600}, StraightEdge{600, -600}};
    for (auto [ratio, name] : {std::pair{0, "morph-0"}, std::pair{32768, "morph-half"}, std::pair{65535, "morph-end"}}) {
        QImage img = canvas();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(1 / 20.0, 1 / 20.0);
        drawShape(p, morphShapeAt(m, static_cast<std::uint16_t>(ratio)));
        p.end();
        compareGolden(img, name);
    }
}

TEST(MediaGolden, ButtonInEachState) {
    std::map<std::uint16_t, Shape> shapes{{1, rectangle(0, 0, 800, 800, {160, 160, 160, 255})},
                                          {2, rectangle(0, 0, 800, 800, {40, 120, 230, 255})},
                                          {3, rectangle(100, 100, 600, 600, {20, 40, 120, 255})}};
    DefineButton b;
    auto rec = [](std::uint8_t states, std::uint16_t id, std::uint16_t depth) {
        ButtonRecord r;
        r.states = states;
        r.characterId = id;
        r.depth = depth;
        r.matrix = Matrix::translate(400, 400);
        return r;
    };
    b.records = {rec(0x01 | 0x08, 1, 1), rec(0x02, 2, 1), rec(0x04, 2, 1), rec(0x04, 3, 2)};
    auto draw = [&](ButtonState state) {
        QImage img = canvas();
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(1 / 20.0, 1 / 20.0);
        for (const auto* r : recordsIn(b, state)) {
            p.save();
            p.setTransform(toTransform(r->matrix), true);
            drawShape(p, shapes[r->characterId]);
            p.restore();
        }
        return img;
    };
    auto hit = [&](std::uint16_t id, QPointF local) { return shapes.count(id) && QRectF(0, 0, 800, 800).contains(local); };
    ButtonStateMachine machine;
    compareGolden(draw(machine.shownState()), "button-up");
    QPointF inside(800, 800);
    machine.pointer(hitTest(b, inside, hit), false);
    compareGolden(draw(machine.shownState()), "button-over");
    machine.pointer(hitTest(b, inside, hit), true);
    compareGolden(draw(machine.shownState()), "button-down");
    EXPECT_FALSE(hitTest(b, QPointF(100, 100), hit));
}

TEST(MediaGolden, EditText) {
    DefineEditText t;
    t.bounds = {100, 3100, 100, 1500};
    t.border = true;
    t.multiline = t.wordWrap = true;
    t.html = true;
    t.fontHeight = 260;
    t.color = Rgba{20, 60, 160, 255};
    t.layout = EditTextLayout{TextAlign::Center, 0, 0, 0, 40};
    t.initialText = "<p align=\"center\">Bonjour &amp; bienvenue</p><p>dans la le\xC3\xA7on</p>";
    QImage img = canvas(160, 80);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(1 / 20.0, 1 / 20.0);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleStrategy(QFont::NoSubpixelAntialias);
    drawEditText(p, t, font);
    p.end();
    compareGolden(img, "edit-text");
}

}  // namespace
