#include "tests/support/test_movies.h"

#include <array>
#include <cmath>
#include <utility>

#include "swf/format/action_builder.h"

namespace swf::samples {

ShapeRecord moveTo(int x, int y) { return styleChange(x, y, std::nullopt, std::nullopt, std::nullopt); }

StyleChange styles(std::optional<std::uint32_t> fill0, std::optional<std::uint32_t> fill1,
                   std::optional<std::uint32_t> line) {
    return styleChange(std::nullopt, std::nullopt, fill0, fill1, line);
}

StyleChange styleChange(std::optional<int> mx, std::optional<int> my, std::optional<std::uint32_t> f0,
                        std::optional<std::uint32_t> f1, std::optional<std::uint32_t> line) {
    return {.moveX = mx, .moveY = my, .fill0 = f0, .fill1 = f1, .line = line};
}

std::vector<ShapeRecord> rectRecords(int x0, int y0, int x1, int y1, std::uint32_t fill, std::uint32_t line) {
    return {styleChange(x0, y0, 0, fill, line), StraightEdge{x1 - x0, 0}, StraightEdge{0, y1 - y0},
            StraightEdge{x0 - x1, 0}, StraightEdge{0, y0 - y1}};
}

std::vector<ShapeRecord> circleRecords(int cx, int cy, int r, std::uint32_t fill, std::uint32_t line) {
    std::vector<ShapeRecord> out{styleChange(cx + r, cy, 0, fill, line)};
    const double pi = 3.14159265358979323846;
    double k = r / std::cos(pi / 8);
    int px = cx + r, py = cy;
    for (int i = 0; i < 8; ++i) {
        double a0 = i * pi / 4, am = a0 + pi / 8, a1 = a0 + pi / 4;
        int cxp = cx + int(std::lround(k * std::cos(am))), cyp = cy + int(std::lround(k * std::sin(am)));
        int ex = i == 7 ? cx + r : cx + int(std::lround(r * std::cos(a1)));
        int ey = i == 7 ? cy : cy + int(std::lround(r * std::sin(a1)));
        out.push_back(CurvedEdge{cxp - px, cyp - py, ex - cxp, ey - cyp});
        px = ex;
        py = ey;
    }
    return out;
}

DefineShape shapeDef(std::uint16_t id, Rect bounds, std::vector<FillStyle> fills, std::vector<LineStyle> lines,
                     int version) {
    DefineShape d;
    d.version = static_cast<std::uint8_t>(version);
    d.id = id;
    d.bounds = bounds;
    if (version >= 4) d.edgeBounds = bounds;
    d.shape.fills = std::move(fills);
    d.shape.lines = std::move(lines);
    return d;
}

LineStyle lineStyle(std::uint16_t width, Rgba color) {
    LineStyle l;
    l.width = width;
    l.color = color;
    return l;
}

DefineShape rectShape(std::uint16_t id, int x0, int y0, int x1, int y1, FillStyle fill, int version) {
    DefineShape d = shapeDef(id, Rect{x0, x1, y0, y1}, {fill}, {}, version);
    d.shape.records = rectRecords(x0, y0, x1, y1, 1);
    return d;
}

DefineBitsLossless losslessBitmap(std::uint8_t version, std::uint16_t id, std::uint8_t format, std::uint16_t width,
                                  std::uint16_t height, std::uint16_t colorTableSize, Bytes zlibData) {
    return {.version = version,
            .id = id,
            .format = format,
            .width = width,
            .height = height,
            .colorTableSize = colorTableSize,
            .zlibData = std::move(zlibData)};
}

SoundStreamHead streamHead(SoundFormat format, std::uint8_t rate, bool is16Bit, bool stereo,
                           std::uint16_t samplesPerBlock, std::uint8_t version) {
    SoundStreamHead h;
    h.version = version;
    h.playbackRate = h.rate = rate;
    h.playback16Bit = h.is16Bit = is16Bit;
    h.playbackStereo = h.stereo = stereo;
    h.format = format;
    h.samplesPerBlock = samplesPerBlock;
    return h;
}

DefineMorphShape morphShapeDef(std::uint16_t id, Rect startBounds, Rect endBounds, int version) {
    DefineMorphShape d;
    d.version = static_cast<std::uint8_t>(version);
    d.id = id;
    d.startBounds = startBounds;
    d.endBounds = endBounds;
    if (version >= 2) {
        d.startEdgeBounds = startBounds;
        d.endEdgeBounds = endBounds;
    }
    return d;
}

MorphFillStyle morphFill(Rgba from, Rgba to) { return {.startColor = from, .endColor = to}; }

MorphLineStyle morphLine(std::uint16_t startWidth, std::uint16_t endWidth, Rgba from, Rgba to) {
    return {.startWidth = startWidth, .endWidth = endWidth, .startColor = from, .endColor = to};
}

PlaceObject place(std::uint16_t depth, std::uint16_t id, int x, int y) {
    PlaceObject p;
    p.version = 2;
    p.depth = depth;
    p.characterId = id;
    p.matrix = Matrix::translate(x, y);
    return p;
}

PlaceObject moveObject(std::uint16_t depth, int x, int y) {
    PlaceObject p = place(depth, 0, x, y);
    p.characterId.reset();
    p.move = true;
    return p;
}

void showFrame(MovieData& m, std::initializer_list<Tag> tags) {
    m.tags.insert(m.tags.end(), tags.begin(), tags.end());
    m.tags.push_back(ShowFrame{});
}

ButtonRecord buttonRecord(std::uint8_t states, std::uint16_t id, std::uint16_t depth) {
    return {.states = states, .characterId = id, .depth = depth};
}

DefineSprite sprite(std::uint16_t id, std::vector<Tag> tags, std::uint16_t frames) {
    DefineSprite s;
    s.id = id;
    s.frameCount = frames;
    s.tags = std::move(tags);
    return s;
}

DoAction traceAction(const char* text) { return DoAction{ActionBuilder().traceValue(text).bytes()}; }

Gradient gradient(std::vector<GradientRecord> recs, SpreadMode spread, InterpolationMode interpolation) {
    Gradient g;
    g.records = std::move(recs);
    g.spread = spread;
    g.interpolation = interpolation;
    return g;
}

Matrix gradientBox(int x, int y, int w, int h) {
    Matrix m;
    m.scaleX = static_cast<std::int32_t>(std::lround(w / 32768.0 * 65536));
    m.scaleY = static_cast<std::int32_t>(std::lround(h / 32768.0 * 65536));
    m.translateX = x + w / 2;
    m.translateY = y + h / 2;
    return m;
}

namespace {

// Glyphs on a 1024 EM square, baseline at y = 0, ascending to -768.
Shape glyphFromRects(const std::vector<std::array<int, 4>>& rects, bool holeReversed = false) {
    Shape s;
    bool first = true;
    for (const auto& r : rects) {
        auto recs = rectRecords(r[0], r[1], r[2], r[3], 1);
        if (!first) std::get<StyleChange>(recs[0]).fill0.reset();
        if (!first) std::get<StyleChange>(recs[0]).fill1.reset();
        first = false;
        s.records.insert(s.records.end(), recs.begin(), recs.end());
    }
    (void)holeReversed;
    return s;
}

}  // namespace

DefineFont blockFont(std::uint16_t id) {
    DefineFont f;
    f.version = 2;
    f.id = id;
    f.name = "Blocs";
    f.wideCodes = true;
    f.hasLayout = true;
    f.ascent = 800;
    f.descent = 200;
    f.leading = 40;
    // I, L, O (a hole by even-odd), T, space.
    f.glyphs.push_back(glyphFromRects({{{200, -768, 400, 0}}}));
    f.glyphs.push_back(glyphFromRects({{{100, -768, 300, 0}}, {{300, -200, 600, 0}}}));
    f.glyphs.push_back(glyphFromRects({{{80, -768, 620, 0}}, {{260, -568, 440, -200}}}));
    f.glyphs.push_back(glyphFromRects({{{40, -768, 660, -568}}, {{250, -568, 450, 0}}}));
    f.glyphs.push_back(Shape{});
    f.codes = {'I', 'L', 'O', 'T', ' '};
    f.advances = {600, 700, 700, 700, 400};
    f.glyphBounds = {Rect{200, 400, -768, 0}, Rect{100, 600, -768, 0}, Rect{80, 620, -768, 0}, Rect{40, 660, -768, 0},
                     Rect{}};
    return f;
}

TextRecord textRecord(const DefineFont& font, const std::string& s, int x, int y, int height, Rgba color) {
    TextRecord r;
    r.fontId = font.id;
    r.height = static_cast<std::uint16_t>(height);
    r.color = color;
    r.xOffset = static_cast<std::int16_t>(x);
    r.yOffset = static_cast<std::int16_t>(y);
    for (char c : s) {
        for (std::size_t i = 0; i < font.codes.size(); ++i) {
            if (font.codes[i] == static_cast<unsigned char>(c)) {
                r.glyphs.push_back(GlyphEntry{static_cast<std::uint32_t>(i), font.advances[i] * height / 1024});
                break;
            }
        }
    }
    return r;
}

namespace {

MovieData baseMovie(int w = 4800, int h = 3200) {
    MovieData m;
    m.header.version = 8;
    m.header.frame = Rect{0, w, 0, h};
    m.header.frameRate = 12 << 8;
    m.tags.push_back(SetBackgroundColor{Rgba{255, 255, 255, 255}});
    return m;
}

void finish(MovieData& m) {
    int frames = 0;
    for (const auto& t : m.tags)
        if (std::holds_alternative<ShowFrame>(t)) ++frames;
    m.header.frameCount = static_cast<std::uint16_t>(frames);
}

// The movie of one frame made of `tags`.
MovieData oneFrame(MovieData m, std::initializer_list<Tag> tags) {
    showFrame(m, tags);
    finish(m);
    return m;
}

// Four fills: solid, linear gradient, radial gradient with reflect spread,
// focal gradient with linear-light interpolation.
MovieData fillsMovie() {
    MovieData m = baseMovie();
    m.tags.push_back(rectShape(1, 200, 200, 2200, 1500, FillStyle::solid({200, 40, 40, 255})));
    FillStyle lin;
    lin.type = FillType::LinearGradient;
    lin.matrix = gradientBox(2600, 200, 2000, 1300);
    lin.gradient = gradient({{0, {0, 0, 255, 255}}, {128, {255, 255, 0, 255}}, {255, {0, 160, 0, 255}}});
    m.tags.push_back(rectShape(2, 2600, 200, 4600, 1500, lin));
    FillStyle rad;
    rad.type = FillType::RadialGradient;
    rad.matrix = gradientBox(700, 1850, 1000, 1000);
    rad.gradient = gradient({{0, {255, 255, 255, 255}}, {255, {120, 0, 160, 255}}}, SpreadMode::Reflect);
    m.tags.push_back(rectShape(3, 200, 1700, 2200, 3000, rad));
    FillStyle foc;
    foc.type = FillType::FocalGradient;
    foc.matrix = gradientBox(2600, 1700, 2000, 1300);
    foc.gradient =
        gradient({{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 128}}}, SpreadMode::Pad, InterpolationMode::Linear);
    foc.gradient.focalPoint = static_cast<std::int16_t>(0.7 * 256);
    m.tags.push_back(rectShape(4, 2600, 1700, 4600, 3000, foc, 4));
    return oneFrame(std::move(m), {place(1, 1), place(2, 2), place(3, 3), place(4, 4)});
}

// Lines: widths 0 (hairline), 20, 60, 160 twips; caps round, none, square;
// a zig-zag with miter, bevel and round joins.
MovieData linesMovie() {
    MovieData m = baseMovie();
    DefineShape d = shapeDef(1, Rect{0, 4800, 0, 3200}, {}, {}, 4);
    for (std::uint16_t w : {0, 20, 60, 160}) d.shape.lines.push_back(lineStyle(w, {0, 0, 0, 255}));
    for (CapStyle c : {CapStyle::Round, CapStyle::None, CapStyle::Square}) {
        LineStyle l = lineStyle(200, {30, 90, 200, 255});
        l.startCap = l.endCap = c;
        d.shape.lines.push_back(l);
    }
    for (JoinStyle j : {JoinStyle::Miter, JoinStyle::Bevel, JoinStyle::Round}) {
        LineStyle l = lineStyle(160, {200, 60, 0, 255});
        l.join = j;
        if (j == JoinStyle::Miter) l.miterLimit = 4 << 8;
        d.shape.lines.push_back(l);
    }
    // Each stroke starts with a move that picks its line style.
    auto stroke = [&](int x, int y, std::uint32_t line, std::initializer_list<StraightEdge> edges) {
        d.shape.records.push_back(styleChange(x, y, std::nullopt, std::nullopt, line));
        d.shape.records.insert(d.shape.records.end(), edges.begin(), edges.end());
    };
    for (int i = 0; i < 4; ++i) stroke(300, 300 + i * 300, i + 1, {{2000, 0}});
    for (int i = 0; i < 3; ++i) stroke(3000 + i * 600, 300, 5 + i, {{0, 1000}});
    for (int i = 0; i < 3; ++i) stroke(300 + i * 1500, 2900, 8 + i, {{400, -1000}, {400, 1000}, {400, -1000}});
    m.tags.push_back(d);
    return oneFrame(std::move(m), {place(1, 1)});
}

// Curves: a filled circle with an outline, and an S-shaped curved stroke.
MovieData curvesMovie() {
    MovieData m = baseMovie();
    DefineShape d =
        shapeDef(1, Rect{0, 4800, 0, 3200}, {FillStyle::solid({40, 170, 90, 255})}, {lineStyle(80, {0, 0, 0, 255})});
    d.shape.records = circleRecords(1400, 1600, 1100, 1, 1);
    d.shape.records.push_back(moveTo(2800, 2600));
    d.shape.records.push_back(styles(0, 0, 1));
    d.shape.records.push_back(CurvedEdge{0, -1500, 800, 0});
    d.shape.records.push_back(CurvedEdge{800, 0, 0, -1500});
    m.tags.push_back(d);
    return oneFrame(std::move(m), {place(1, 1)});
}

// Overlap: two regions sharing an edge with a colour on each side (fill style
// 0 and 1), a square with an even-odd hole, and a DefineShape4 with the
// non-zero rule where two same-direction squares overlap without a hole.
MovieData overlapMovie() {
    MovieData m = baseMovie();
    DefineShape a = shapeDef(1, Rect{200, 2200, 200, 1500},
                             {FillStyle::solid({220, 30, 30, 255}), FillStyle::solid({30, 30, 220, 255})});
    // The middle edge has blue on its left (fill 0) and red on its right
    // (fill 1); the outer edges each carry one colour.
    a.shape.records = {styleChange(1200, 200, 2, 1, std::nullopt),
                       StraightEdge{0, 1300},
                       styles(0, 1, std::nullopt),
                       StraightEdge{-1000, 0},
                       StraightEdge{0, -1300},
                       StraightEdge{1000, 0},
                       styleChange(1200, 200, 0, 2, std::nullopt),
                       StraightEdge{1000, 0},
                       StraightEdge{0, 1300},
                       StraightEdge{-1000, 0}};
    m.tags.push_back(a);

    DefineShape hole = shapeDef(2, Rect{2600, 4600, 200, 1500}, {FillStyle::solid({0, 150, 0, 255})});
    hole.shape.records = rectRecords(2600, 200, 4600, 1500, 1);
    auto inner = rectRecords(3200, 500, 4000, 1200, 1);
    hole.shape.records.insert(hole.shape.records.end(), inner.begin(), inner.end());
    m.tags.push_back(hole);

    DefineShape nz = shapeDef(3, Rect{200, 2200, 1700, 3000}, {FillStyle::solid({150, 0, 150, 255})}, {}, 4);
    nz.usesFillWindingRule = true;
    nz.shape.records = rectRecords(200, 1700, 1600, 2800, 1);
    auto second = rectRecords(800, 1900, 2200, 3000, 1);
    nz.shape.records.insert(nz.shape.records.end(), second.begin(), second.end());
    m.tags.push_back(nz);

    // Two shapes overlapping at different depths: the upper one half transparent.
    m.tags.push_back(rectShape(4, 2600, 1700, 3900, 2800, FillStyle::solid({255, 160, 0, 255})));
    m.tags.push_back(rectShape(5, 3300, 2000, 4600, 3000, FillStyle::solid({0, 120, 255, 160})));
    return oneFrame(std::move(m), {place(1, 1), place(2, 2), place(3, 3), place(4, 4), place(5, 5)});
}

// Masks: a circle at depth 1 masks depths 2..3 (stripes); depth 4 is not masked.
MovieData masksMovie() {
    MovieData m = baseMovie();
    DefineShape mask = shapeDef(1, Rect{400, 2800, 400, 2800}, {FillStyle::solid({0, 0, 0, 255})});
    mask.shape.records = circleRecords(1600, 1600, 1200, 1);
    m.tags.push_back(mask);
    DefineShape stripes = shapeDef(2, Rect{0, 4800, 0, 3200}, {FillStyle::solid({230, 120, 0, 255})});
    for (int i = 0; i < 8; ++i) {
        auto r = rectRecords(0, i * 400, 4800, i * 400 + 200, 1);
        stripes.shape.records.insert(stripes.shape.records.end(), r.begin(), r.end());
    }
    m.tags.push_back(stripes);
    m.tags.push_back(rectShape(3, 1000, 1400, 2200, 1800, FillStyle::solid({0, 0, 200, 255})));
    m.tags.push_back(rectShape(4, 3000, 400, 4400, 2800, FillStyle::solid({0, 140, 60, 255})));
    PlaceObject pm = place(1, 1);
    pm.clipDepth = 3;
    return oneFrame(std::move(m), {pm, place(2, 2), place(3, 3), place(4, 4)});
}

// Colour transforms: the same square placed four times with alpha 50 %, a red
// add term, a channel swap by multipliers, and darkening (PlaceObject 1).
MovieData cxformMovie() {
    MovieData m = baseMovie();
    m.tags.push_back(rectShape(1, 0, 0, 1600, 1600, FillStyle::solid({40, 120, 220, 255})));
    m.tags.push_back(rectShape(2, 0, 0, 4800, 800, FillStyle::solid({0, 0, 0, 255})));
    PlaceObject a = place(2, 1, 200, 200);
    ColorTransform half;
    half.multA = 128;
    a.colorTransform = half;
    PlaceObject b = place(3, 1, 1300, 800);
    ColorTransform red;
    red.addR = 200;
    red.multA = 200;
    b.colorTransform = red;
    PlaceObject c = place(4, 1, 2400, 200);
    ColorTransform swap;
    swap.multR = 0;
    swap.multB = 0;
    swap.addR = 255;
    c.colorTransform = swap;
    PlaceObject d = place(5, 1, 3100, 1500);
    d.version = 1;
    ColorTransform dark;
    dark.multR = dark.multG = dark.multB = 100;
    d.colorTransform = dark;
    return oneFrame(std::move(m), {place(1, 2, 0, 1200), a, b, c, d});
}

// Text: two lines in two colours and heights, drawn from the glyph shapes.
MovieData textMovie() {
    MovieData m = baseMovie();
    DefineFont f = blockFont(1);
    m.tags.push_back(f);
    DefineText t;
    t.version = 2;
    t.id = 2;
    t.bounds = Rect{0, 4800, 0, 3200};
    t.records.push_back(textRecord(f, "LOTI TOIL", 200, 1200, 800, {0, 0, 0, 255}));
    t.records.push_back(textRecord(f, "OTIL IO", 300, 2600, 1000, {200, 0, 80, 200}));
    m.tags.push_back(t);
    return oneFrame(std::move(m), {place(1, 2)});
}

// Sprites: a sprite with its own three frames (a square moving right) in a
// main timeline of three frames that moves the sprite down.
MovieData spritesMovie() {
    MovieData m = baseMovie();
    m.tags.push_back(rectShape(1, 0, 0, 800, 800, FillStyle::solid({220, 0, 120, 255})));
    m.tags.push_back(rectShape(2, 0, 0, 400, 400, FillStyle::solid({0, 0, 0, 255})));
    m.tags.push_back(sprite(3,
                            {place(1, 1, 0, 0), place(2, 2, 1000, 0), ShowFrame{}, moveObject(1, 1000, 0), ShowFrame{},
                             moveObject(1, 2000, 0), ShowFrame{}},
                            3));
    showFrame(m, {place(1, 3, 400, 400)});
    showFrame(m, {moveObject(1, 400, 1200)});
    showFrame(m, {moveObject(1, 400, 2000)});
    finish(m);
    return m;
}

}  // namespace

std::vector<NamedMovie> goldenMovies() {
    return {
        {"fills", fillsMovie(), {1}},     {"lines", linesMovie(), {1}},        {"curves", curvesMovie(), {1}},
        {"overlap", overlapMovie(), {1}}, {"masks", masksMovie(), {1}},        {"cxform", cxformMovie(), {1}},
        {"text", textMovie(), {1}},       {"sprites", spritesMovie(), {1, 3}},
    };
}

MovieData actionsMovie() {
    MovieData m = baseMovie();
    m.tags.push_back(rectShape(1, 0, 0, 500, 500, FillStyle::solid({0, 90, 200, 255})));
    m.tags.push_back(sprite(2,
                            {place(1, 1), ShowFrame{}, moveObject(1, 500, 0),
                             ActionBuilder().previousFrame().play().doAction(), ShowFrame{}},
                            2));
    m.tags.push_back(place(1, 2));
    m.tags.push_back(FrameLabel{"debut", false});
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(ActionBuilder().nextFrame().play().doAction());
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(FrameLabel{"milieu", true});
    m.tags.push_back(ActionBuilder().gotoLabel("fin").play().record(0x96, {0, 'v', 0}).doAction());
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(FrameLabel{"fin", false});
    m.tags.push_back(ActionBuilder().stop().gotoFrame(0).play().doAction());
    m.tags.push_back(ShowFrame{});
    finish(m);
    return m;
}

MovieData lessonLikeMovie(int frames) {
    MovieData m = baseMovie(14100, 9620);
    m.header.frameRate = 12 << 8;
    DefineFont f = blockFont(1);
    m.tags.push_back(f);
    // 40 shape characters: rectangles, circles with outlines and gradient panels.
    std::uint16_t id = 10;
    for (int i = 0; i < 40; ++i, ++id) {
        DefineShape d = shapeDef(id, Rect{0, 600, 0, 600}, {});
        Rgba c{static_cast<std::uint8_t>(40 + i * 5), static_cast<std::uint8_t>(200 - i * 4),
               static_cast<std::uint8_t>(90 + i * 3), 255};
        if (i % 3 == 0) {
            d.shape.fills = {FillStyle::solid(c)};
            d.shape.records = rectRecords(0, 0, 600, 400, 1);
        } else if (i % 3 == 1) {
            d.shape.fills = {FillStyle::solid(c)};
            d.shape.lines = {lineStyle(30, {0, 0, 0, 255})};
            d.shape.records = circleRecords(300, 300, 280, 1, 1);
        } else {
            FillStyle g;
            g.type = FillType::LinearGradient;
            g.matrix = gradientBox(0, 0, 600, 600);
            g.gradient = gradient({{0, c}, {255, {255, 255, 255, 255}}});
            d.shape.fills = {g};
            d.shape.records = rectRecords(0, 0, 600, 600, 1);
        }
        m.tags.push_back(d);
    }
    DefineText t;
    t.version = 1;
    t.id = 100;
    t.bounds = Rect{0, 12000, 0, 2000};
    for (int line = 0; line < 4; ++line)
        t.records.push_back(
            textRecord(f, "TOIL LOT IO TILL OIL LIT TOLL", 0, 400 + line * 450, 360, {20, 20, 20, 255}));
    m.tags.push_back(t);
    // 300 placements, moved a little each frame.
    const int objects = 300;
    for (int i = 0; i < objects; ++i) {
        int x = (i % 20) * 690, y = 2200 + (i / 20) * 480;
        m.tags.push_back(place(static_cast<std::uint16_t>(i + 1), static_cast<std::uint16_t>(10 + i % 40), x, y));
    }
    m.tags.push_back(place(objects + 1, 100, 600, 200));
    m.tags.push_back(ShowFrame{});
    for (int fr = 1; fr < frames; ++fr) {
        for (int i = 0; i < objects; i += 3) {
            int x = (i % 20) * 690 + fr * 20, y = 2200 + (i / 20) * 480 + (fr % 2) * 40;
            m.tags.push_back(moveObject(static_cast<std::uint16_t>(i + 1), x, y));
        }
        m.tags.push_back(ShowFrame{});
    }
    finish(m);
    return m;
}

}  // namespace swf::samples
