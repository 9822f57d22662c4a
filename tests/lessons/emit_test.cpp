#include "lessons/kit/emit.h"

#include "lessons/kit/composer.h"
#include "swf/format/reader.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace lessons;

namespace {

int layersOf(const swf::Shape& s) {
    int n = 1;
    for (const auto& r : s.records)
        if (auto* sc = std::get_if<swf::StyleChange>(&r); sc && sc->newStyles) ++n;
    return n;
}

// Sum of edge deltas from each move: a closed contour comes back to its start.
void expectContoursClose(const swf::Shape& s) {
    long dx = 0, dy = 0;
    bool open = false;
    for (const auto& r : s.records) {
        if (auto* sc = std::get_if<swf::StyleChange>(&r); sc && sc->moveX) {
            if (open) {
                EXPECT_EQ(dx, 0);
                EXPECT_EQ(dy, 0);
            }
            dx = dy = 0;
            open = true;
        } else if (auto* e = std::get_if<swf::StraightEdge>(&r)) {
            dx += e->dx, dy += e->dy;
        } else if (auto* c = std::get_if<swf::CurvedEdge>(&r)) {
            dx += c->controlDx + c->anchorDx, dy += c->controlDy + c->anchorDy;
        }
    }
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);
}

}  // namespace

TEST(ShapeOf, FillsAfterLinesOpenANewLayer) {
    Drawing d;
    d.rect(0, 0, 10, 10, rgb(0xff0000));
    d.rect(5, 5, 10, 10, rgb(0x00ff00));  // same layer: fills only so far
    d.line({0, 0}, {20, 20}, 1, rgb(0x000000));
    d.rect(8, 8, 4, 4, rgb(0x0000ff));  // must cover the line: new layer
    const swf::Shape s = shapeOf(d);
    EXPECT_EQ(layersOf(s), 2);
    EXPECT_EQ(s.fills.size(), 2u);  // one style per filled element, never shared
    EXPECT_EQ(s.lines.size(), 1u);
}

TEST(ShapeOf, CoordinatesAreTwipsAndFilledContoursClose) {
    Drawing d;
    d.polygon({{1, 1}, {11.05, 1}, {6, 9.5}}, rgb(0x123456));
    d.circle({50, 50}, 7, rgb(0x654321));
    const swf::Shape s = shapeOf(d);
    const auto& first = std::get<swf::StyleChange>(s.records.front());
    EXPECT_EQ(*first.moveX, 20);
    EXPECT_EQ(*first.moveY, 20);
    EXPECT_EQ(*first.fill1, 1u);
    expectContoursClose(s);
    int curves = 0;
    for (const auto& r : s.records) curves += std::holds_alternative<swf::CurvedEdge>(r);
    EXPECT_EQ(curves, 8);
}

TEST(ShapeOf, GradientMapsTheGradientSquareOntoItsSegment) {
    Drawing d;
    d.vgradientRect(0, 100, 50, 200, rgb(0x000000), rgb(0xffffff));
    const swf::Shape s = shapeOf(d);
    ASSERT_EQ(s.fills.size(), 1u);
    const swf::FillStyle& f = s.fills[0];
    EXPECT_EQ(f.type, swf::FillType::LinearGradient);
    // Vertical: the gradient's x axis turns onto y, 4000 twips long over 32768 units.
    const double k = 4000.0 / 32768 * 65536;
    EXPECT_NEAR(f.matrix.rotateSkew0, k, 2);
    EXPECT_NEAR(f.matrix.rotateSkew1, -k, 2);
    EXPECT_NEAR(f.matrix.scaleX, 0, 2);
    EXPECT_EQ(f.matrix.translateY, 4000);  // the middle of 2000..6000 twips
}

TEST(GlyphShape, LetterOutlinesCloseInEmUnits) {
    const swf::Shape g = glyphShape(FontBank::standard().outline(false, U'é'));
    EXPECT_TRUE(g.fills.empty());
    EXPECT_FALSE(g.records.empty());
    expectContoursClose(g);
    for (const auto& r : g.records)
        if (auto* sc = std::get_if<swf::StyleChange>(&r); sc && sc->moveY) {
            EXPECT_GT(*sc->moveY, -1100);  // em units, not twips
        }
}

namespace {
Timeline smallTimeline() {
    Timeline t;
    Drawing box;
    box.rect(10, 10, 50, 20, rgb(0x336699));
    TextBlock label;
    label.add("Congé à 45°", 12, 24, 12, rgb(0x000000));
    label.add("Étape", 12, 40, 12, rgb(0x000000), true);
    const int b = t.shape(box), l = t.text(label);
    Frame f1;
    f1.label = "titre";
    f1.layers[1] = {b, 0, 0, 1, 1};
    f1.layers[2] = {l, 0, 0, 1, 1};
    Frame f2 = f1;
    f2.label.clear();
    f2.layers[1].tx = 5;       // moved
    f2.layers[2].alpha = 0.5;  // faded
    Frame f3;
    f3.layers[1] = f2.layers[1];  // the text is gone
    t.frames = {f1, f2, f3};
    return t;
}
}  // namespace

TEST(ToMovie, DefinesOnceAndPlacesOnlyChanges) {
    const swf::MovieData m = toMovie(smallTimeline());
    EXPECT_EQ(m.header.frameCount, 3);
    EXPECT_EQ(m.header.frame.xmax, 14100);
    EXPECT_EQ(m.header.frame.ymax, 9620);
    EXPECT_EQ(m.header.frameRate, 12 << 8);
    std::set<std::uint16_t> defined;
    int frame = 0, places = 0, moves = 0, removes = 0;
    for (const swf::Tag& t : m.tags) {
        if (auto* s = std::get_if<swf::DefineShape>(&t))
            EXPECT_TRUE(defined.insert(s->id).second);
        else if (auto* x = std::get_if<swf::DefineText>(&t))
            EXPECT_TRUE(defined.insert(x->id).second);
        else if (auto* p = std::get_if<swf::PlaceObject>(&t)) {
            if (p->characterId) {
                EXPECT_TRUE(defined.count(*p->characterId)) << "placed before its definition";
            }
            if (p->move) {
                ++moves;
                EXPECT_FALSE(p->characterId);  // the same character, moved or faded
                if (p->depth == 1) {
                    EXPECT_EQ(p->matrix->translateX, 100);
                }
                if (p->depth == 2) {
                    EXPECT_EQ(p->colorTransform->multA, 128);
                }
            } else {
                ++places;
                EXPECT_EQ(frame, 0);
            }
        } else if (auto* r = std::get_if<swf::RemoveObject>(&t)) {
            ++removes;
            EXPECT_EQ(frame, 2);
            EXPECT_EQ(r->depth, 2);
        } else if (std::holds_alternative<swf::ShowFrame>(t)) {
            ++frame;
        }
    }
    EXPECT_EQ(places, 2);
    EXPECT_EQ(moves, 2);
    EXPECT_EQ(removes, 1);
    EXPECT_EQ(frame, 3);
}

TEST(ToMovie, FontsHoldExactlyTheGlyphsUsedInCodeOrder) {
    const swf::MovieData m = toMovie(smallTimeline());
    std::map<std::uint16_t, const swf::DefineFont*> fonts;
    for (const swf::Tag& t : m.tags)
        if (auto* f = std::get_if<swf::DefineFont>(&t)) fonts[f->id] = f;
    ASSERT_EQ(fonts.size(), 2u);
    const swf::DefineFont& reg = *fonts.at(kFontRegular);
    // "Congé à 45°": C o n g é space à 4 5 ° → 10 distinct characters.
    EXPECT_EQ(reg.codes.size(), 10u);
    EXPECT_TRUE(std::is_sorted(reg.codes.begin(), reg.codes.end()));
    EXPECT_EQ(reg.glyphs.size(), reg.codes.size());
    EXPECT_EQ(reg.advances.size(), reg.codes.size());
    EXPECT_TRUE(fonts.at(kFontBold)->bold);
    EXPECT_EQ(fonts.at(kFontBold)->codes.size(), 5u);  // É t a p e
    // The text's glyph indices point at the right codes.
    for (const swf::Tag& t : m.tags)
        if (auto* x = std::get_if<swf::DefineText>(&t)) {
            const swf::TextRecord& r = x->records[0];
            ASSERT_EQ(r.glyphs.size(), 11u);
            EXPECT_EQ(reg.codes[r.glyphs[4].index], u'é');
            EXPECT_EQ(*r.fontId, kFontRegular);
            EXPECT_EQ(r.height, 240);
            EXPECT_EQ(*r.yOffset, 480);
        }
}

TEST(WriteMovie, ReadsBackAsWrittenAndCompressed) {
    const Timeline t = smallTimeline();
    const std::vector<std::uint8_t> bytes = writeMovie(t);
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(bytes[0], 'C');
    const swf::ReadResult r = swf::read(bytes);
    ASSERT_TRUE(r.ok()) << r.error->detail;
    EXPECT_FALSE(r.partial);
    EXPECT_EQ(r.compression, swf::Compression::Zlib);
    EXPECT_EQ(*r.movie, toMovie(t));
    EXPECT_EQ(writeMovie(t), bytes);  // the same timeline gives the same bytes
}
