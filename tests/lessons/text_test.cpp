#include "lessons/kit/text.h"

#include <gtest/gtest.h>

using namespace lessons;

namespace {
bool contoursClose(const GlyphOutline& g) {
    for (const Contour& c : g.contours)
        if (c.segs.empty() || !(c.segs.back().to == c.start)) return false;
    return true;
}
}  // namespace

TEST(Glyphs, FrenchLettersHaveClosedOutlines) {
    FontBank& fb = FontBank::standard();
    for (char32_t c : std::u32string(U"éèàçÉùâêîôœ«»’…")) {
        for (bool bold : {false, true}) {
            ASSERT_TRUE(fb.hasGlyph(bold, c)) << int(c);
            const GlyphOutline g = fb.outline(bold, c);
            EXPECT_FALSE(g.contours.empty()) << int(c);
            EXPECT_TRUE(contoursClose(g)) << int(c);
            EXPECT_GT(g.advance, 100) << int(c);
            EXPECT_LT(g.advance, 1400) << int(c);
        }
    }
}

TEST(Glyphs, CurvesStayQuadraticAndInsideTheEm) {
    const GlyphOutline o = FontBank::standard().outline(false, U'o');
    int curves = 0;
    for (const Contour& c : o.contours)
        for (const Seg& s : c.segs) {
            curves += s.curve;
            // y grows downwards from the baseline: the letter sits above it.
            EXPECT_LT(s.to.y, 30);
            EXPECT_GT(s.to.y, -800);
        }
    EXPECT_EQ(o.contours.size(), 2u);  // outside and the counter
    EXPECT_GE(curves, 8);
    EXPECT_TRUE(FontBank::standard().outline(false, U' ').contours.empty());
}

TEST(Glyphs, BoldIsWiderAndWidthScalesWithSize) {
    FontBank& fb = FontBank::standard();
    const std::u32string s = U"Extrusion";
    EXPECT_GT(fb.width(true, s, 12), fb.width(false, s, 12));
    EXPECT_NEAR(fb.width(false, s, 24), 2 * fb.width(false, s, 12), 1e-9);
    EXPECT_LT(fb.width(false, U"ii", 12), fb.width(false, U"MM", 12));
}

TEST(Glyphs, MissingFontFileIsATypedError) {
    EXPECT_THROW(FontBank("/nonexistent/a.ttf", "/nonexistent/b.ttf"), std::runtime_error);
}

TEST(Utf, RoundTripsAccents) {
    const std::string s = "Étape 3 : « Congé » à 45°";
    EXPECT_EQ(utf8(utf32(s)), s);
    EXPECT_EQ(utf32("é").size(), 1u);
}

TEST(Paragraph, WrapsWithinTheWidth) {
    TextBlock t;
    const std::string text = "Avec l'outil Cotation, cliquez sur l'arête du bas et tapez soixante millimètres.";
    const int lines = layoutParagraph(t, {RichPiece{text, false, {}}}, 10, 50, 150, 12, 15);
    EXPECT_GE(lines, 3);
    FontBank& fb = FontBank::standard();
    for (const TextRun& r : t.runs) {
        EXPECT_LE(r.x + fb.width(r.bold, r.text, r.size), 10 + 150 + 1e-6) << utf8(r.text);
        EXPECT_GE(r.x, 10);
    }
    EXPECT_DOUBLE_EQ(t.runs.back().y, 50 + 15.0 * (lines - 1));
    // Every word is kept, in order.
    std::u32string all;
    for (const TextRun& r : t.runs) all += r.text + U" ";
    EXPECT_NE(all.find(U"millimètres."), std::u32string::npos);
}

TEST(Paragraph, NoBreakBeforeFrenchPunctuationAndStylesKeepTheirRuns) {
    TextBlock t;
    // Narrow enough that "3 :" would fall apart if breaking were allowed there.
    layoutParagraph(t, {RichPiece{"Étape 3 : ", true, rgb(0xaa0000)}, RichPiece{"cliquez « OK » ici", false, {}}}, 0, 0,
                    75, 13, 15);
    ASSERT_FALSE(t.runs.empty());
    for (const TextRun& r : t.runs) {
        EXPECT_NE(r.text.front(), U':');
        EXPECT_NE(r.text.front(), U'\u00bb');
    }
    EXPECT_TRUE(t.runs.front().bold);
    EXPECT_EQ(t.runs.front().colour, rgb(0xaa0000));
    bool plain = false;
    for (const TextRun& r : t.runs) plain = plain || !r.bold;
    EXPECT_TRUE(plain);
}

TEST(Paragraph, CentredLinesShareTheMiddle) {
    TextBlock t;
    layoutParagraph(t, {RichPiece{"Créer une coque", true, {}}}, 100, 20, 400, 20, 24, true);
    ASSERT_EQ(t.runs.size(), 1u);
    const double w = FontBank::standard().width(true, t.runs[0].text, 20);
    EXPECT_NEAR(t.runs[0].x + w / 2, 300, 0.01);
}
