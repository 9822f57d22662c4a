#include "tests/support/media_movies.h"

#include <QBuffer>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>

#include <cmath>

#include "swf/format/action_builder.h"
#include "swf/decode/bitmap.h"
#include "swf/decode/inflate.h"
#include "swf/decode/sound.h"

namespace swf::samples {

QImage syntheticPicture(int width, int height, int seed) {
    QImage img(width, height, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, width, height);
    g.setColorAt(0, QColor::fromHsv((seed * 37) % 360, 180, 120));
    g.setColorAt(1, QColor::fromHsv((seed * 37 + 150) % 360, 60, 240));
    p.fillRect(img.rect(), g);
    p.setPen(Qt::NoPen);
    const int bars = 6;
    for (int i = 0; i < bars; ++i) {
        int x = (i * width) / bars + (seed * 7) % std::max(1, width / bars);
        int h = height / 4 + ((i + seed) % 4) * height / 8;
        p.setBrush(QColor::fromHsv((seed * 53 + i * 40) % 360, 200, 200));
        p.drawRect(x, height - h, std::max(2, width / (2 * bars)), h);
    }
    p.setBrush(QColor(255, 255, 255, 160));
    p.drawEllipse(QPoint((seed * 29) % std::max(1, width), height / 3), width / 8 + 1, height / 8 + 1);
    p.end();
    return img;
}

Bytes jpegBytes(const QImage& image, int quality) {
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, "jpeg");
    w.setQuality(quality);
    if (!w.write(image)) return {};
    return Bytes(out.begin(), out.end());
}

namespace {

MovieData smallStage() {
    MovieData m;
    m.header.version = 10;
    m.header.frame = Rect{0, 2000, 0, 1500};  // 100 x 75 px
    return m;
}

void countFrames(MovieData& m) {
    int n = 0;
    for (const auto& t : m.tags) n += std::holds_alternative<ShowFrame>(t);
    m.header.frameCount = static_cast<std::uint16_t>(n);
}

// One bitmap pixel per `twipsPerPixel` twips, the bitmap's corner at (x, y).
FillStyle bitmapFill(FillType type, std::uint16_t bitmapId, int twipsPerPixel, int x = 0, int y = 0) {
    FillStyle f;
    f.type = type;
    f.bitmapId = bitmapId;
    f.matrix.scaleX = f.matrix.scaleY = twipsPerPixel * 65536;
    f.matrix.translateX = x;
    f.matrix.translateY = y;
    return f;
}

// The JPEG's table segments (quantisation and Huffman) between their own
// start and end markers, and the rest of the stream with the tables taken out.
std::pair<Bytes, Bytes> separateTables(const Bytes& jpeg) {
    Bytes tables{0xFF, 0xD8}, image{0xFF, 0xD8};
    std::size_t p = 2;
    while (p + 4 <= jpeg.size() && jpeg[p] == 0xFF) {
        std::uint8_t marker = jpeg[p + 1];
        if (marker == 0xDA) {  // the scan runs to the end of the stream
            image.insert(image.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(p), jpeg.end());
            break;
        }
        std::size_t segment = 2 + ((std::size_t(jpeg[p + 2]) << 8) | jpeg[p + 3]);
        Bytes& to = marker == 0xDB || marker == 0xC4 ? tables : image;
        to.insert(to.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(p),
                  jpeg.begin() + static_cast<std::ptrdiff_t>(std::min(jpeg.size(), p + segment)));
        p += segment;
    }
    tables.insert(tables.end(), {0xFF, 0xD9});
    return {tables, image};
}

// An event sound with its samples as the tag stores them.
DefineSound soundDef(std::uint16_t id, SoundFormat format, std::uint8_t rate, bool is16Bit, bool stereo, Bytes data,
                     std::uint32_t sampleCount) {
    return {.id = id,
            .format = format,
            .rate = rate,
            .is16Bit = is16Bit,
            .stereo = stereo,
            .sampleCount = sampleCount,
            .data = std::move(data)};
}

Pcm tone(int rate, std::size_t frames, double hz, std::size_t from = 0) {
    Pcm p;
    p.rate = rate;
    for (std::size_t i = from; i < from + frames; ++i)
        p.samples.push_back(static_cast<std::int16_t>(std::lround(9000 * std::sin(2 * M_PI * hz * double(i) / rate))));
    return p;
}

MovieData jpegFill() {
    MovieData m = smallStage();
    DefineBitsJpeg j;
    j.id = 10;
    j.imageData = jpegBytes(syntheticPicture(40, 30, 1));
    m.tags.push_back(j);
    m.tags.push_back(rectShape(11, 0, 0, 800, 600, bitmapFill(FillType::ClippedBitmap, 10, 20)));
    m.tags.push_back(rectShape(12, 0, 0, 1000, 600, bitmapFill(FillType::RepeatingBitmap, 10, 10, 0, 0), 1));
    showFrame(m, {place(1, 11, 100, 100), place(2, 12, 900, 800)});
    showFrame(m, {moveObject(1, 300, 200)});
    return m;
}

MovieData jpegAlpha() {
    MovieData m = smallStage();
    auto [tables, rest] = separateTables(jpegBytes(syntheticPicture(24, 16, 2), 70));
    m.tags.push_back(JpegTables{tables});
    DefineBitsJpeg j1;
    j1.version = 1;
    j1.id = 20;
    j1.imageData = rest;
    m.tags.push_back(j1);
    Bytes alpha(24 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) alpha[std::size_t(y * 24 + x)] = static_cast<std::uint8_t>(x * 255 / 23);
    DefineBitsJpeg j3;
    j3.version = 3;
    j3.id = 21;
    j3.imageData = jpegBytes(syntheticPicture(24, 16, 3), 70);
    j3.alphaData = deflateAll(alpha);
    m.tags.push_back(j3);
    DefineBitsJpeg j4 = j3;
    j4.version = 4;
    j4.id = 22;
    j4.deblocking = 0x0100;
    m.tags.push_back(j4);
    m.tags.push_back(rectShape(23, 0, 0, 480, 320, bitmapFill(FillType::ClippedBitmap, 20, 20)));
    m.tags.push_back(rectShape(24, 0, 0, 480, 320, bitmapFill(FillType::ClippedBitmapHard, 21, 20)));
    m.tags.push_back(rectShape(25, 0, 0, 960, 640, bitmapFill(FillType::RepeatingBitmapHard, 22, 10)));
    showFrame(m, {place(1, 23, 0, 0), place(2, 24, 500, 0), place(3, 25, 0, 400)});
    return m;
}

MovieData lossless() {
    MovieData m = smallStage();
    // Colour-mapped: 4 colours, 6 x 4 indices in rows padded to 32 bits.
    DefineBitsLossless l3 = losslessBitmap(1, 30, 3, 6, 4, 4);
    Bytes raw = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const std::size_t row = losslessRowBytes(3, 6);
    for (int y = 0; y < 4; ++y) {
        Bytes r(row, 0);
        for (int x = 0; x < 6; ++x) r[std::size_t(x)] = static_cast<std::uint8_t>((x + y) % 4);
        raw.insert(raw.end(), r.begin(), r.end());
    }
    l3.zlibData = deflateAll(raw);
    m.tags.push_back(l3);
    // 32-bit with alpha, from a picture with a transparent half.
    QImage img = syntheticPicture(16, 12, 4).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < 12; ++y)
        for (int x = 8; x < 16; ++x) img.setPixel(x, y, qRgba(qRed(img.pixel(x, y)), 0, 0, 128));
    m.tags.push_back(makeLossless(31, img, 2));
    // 15-bit, as screen recorders store it.
    DefineBitsLossless l4;
    l4.id = 32;
    l4.format = 4;
    l4.width = 5;
    l4.height = 3;
    Bytes px(losslessRowBytes(4, 5) * 3, 0);
    for (std::size_t i = 0; i + 1 < px.size(); i += 2) {
        px[i] = static_cast<std::uint8_t>(0x7C | (i % 3));
        px[i + 1] = static_cast<std::uint8_t>(0x1F << (i % 2));
    }
    l4.zlibData = deflateAll(px);
    m.tags.push_back(l4);
    m.tags.push_back(rectShape(33, 0, 0, 120 * 4, 80 * 4, bitmapFill(FillType::ClippedBitmapHard, 30, 80)));
    m.tags.push_back(rectShape(34, 0, 0, 320, 240, bitmapFill(FillType::ClippedBitmap, 31, 20)));
    m.tags.push_back(rectShape(35, 0, 0, 500, 300, bitmapFill(FillType::RepeatingBitmap, 32, 40)));
    showFrame(m, {place(1, 33, 0, 0), place(2, 34, 600, 0), place(3, 35, 0, 700)});
    return m;
}

PlaceObject atRatio(std::uint16_t depth, std::optional<std::uint16_t> id, std::uint16_t ratio, int x = 0, int y = 0) {
    PlaceObject p;
    p.depth = depth;
    p.characterId = id;
    p.move = !id;
    if (id) p.matrix = Matrix::translate(x, y);
    p.ratio = ratio;
    return p;
}

MovieData morph() {
    MovieData m = smallStage();
    DefineMorphShape a = morphShapeDef(40, Rect{-10, 410, -10, 410}, Rect{70, 830, 70, 730});
    a.fills = {morphFill({220, 30, 30, 255}, {30, 30, 220, 160})};
    a.lines = {morphLine(20, 60, {0, 0, 0, 255}, {0, 120, 0, 255})};
    const StyleChange s = styleChange(0, 0, std::nullopt, 1, 1);
    a.startEdges = {s, StraightEdge{400, 0}, StraightEdge{0, 400}, StraightEdge{-400, 0}, StraightEdge{0, -400}};
    a.endEdges = {moveTo(100, 100), StraightEdge{600, 0}, CurvedEdge{100, 300, -100, 300}, StraightEdge{-600, 0},
                  StraightEdge{0, -600}};
    m.tags.push_back(a);

    DefineMorphShape b = morphShapeDef(41, Rect{0, 600, 0, 300}, Rect{0, 300, 0, 600}, 2);
    b.usesScalingStrokes = true;
    MorphFillStyle grad;
    grad.type = FillType::LinearGradient;
    grad.startMatrix = gradientBox(0, 0, 600, 300);
    grad.endMatrix = gradientBox(0, 0, 300, 600);
    grad.spread = SpreadMode::Reflect;
    grad.gradient = {{0, 0, {255, 200, 0, 255}, {0, 200, 255, 255}}, {255, 200, {90, 0, 90, 255}, {0, 90, 0, 128}}};
    b.fills = {grad};
    MorphLineStyle l2 = morphLine(40, 10, {10, 10, 10, 255}, {200, 0, 0, 255});
    l2.join = JoinStyle::Miter;
    l2.miterLimit = 0x0200;
    l2.startCap = CapStyle::Square;
    l2.endCap = CapStyle::None;
    l2.noClose = true;
    b.lines = {l2};
    b.startEdges = {s, StraightEdge{600, 0}, StraightEdge{0, 300}, StraightEdge{-600, 0}, StraightEdge{0, -300}};
    b.endEdges = {moveTo(0, 0), StraightEdge{300, 0}, StraightEdge{0, 600}, StraightEdge{-300, 0},
                  StraightEdge{0, -600}};
    m.tags.push_back(b);

    showFrame(m, {atRatio(1, 40, 0, 100, 100), atRatio(2, 41, 0, 1000, 200)});
    for (std::uint16_t ratio : {32768, 65535})
        showFrame(m, {atRatio(1, std::nullopt, ratio), atRatio(2, std::nullopt, ratio)});
    return m;
}

MovieData button() {
    MovieData m = smallStage();
    m.tags.push_back(rectShape(50, 0, 0, 600, 300, FillStyle::solid({40, 160, 60, 255})));
    m.tags.push_back(rectShape(51, 0, 0, 600, 300, FillStyle::solid({230, 200, 40, 255})));
    m.tags.push_back(rectShape(52, 0, 0, 600, 300, FillStyle::solid({200, 40, 40, 255})));
    m.tags.push_back(rectShape(53, -40, -40, 640, 340, FillStyle::solid({0, 0, 0, 255})));

    DefineButton b2;
    b2.id = 54;
    ButtonRecord up = buttonRecord(static_cast<std::uint8_t>(ButtonState::Up), 50, 1);
    ButtonRecord over = buttonRecord(static_cast<std::uint8_t>(ButtonState::Over), 51, 1);
    over.colorTransform.addR = 30;
    ButtonRecord down = buttonRecord(static_cast<std::uint8_t>(ButtonState::Down), 52, 1);
    down.matrix = Matrix::translate(20, 20);
    ButtonRecord hit = buttonRecord(static_cast<std::uint8_t>(ButtonState::HitTest), 53, 2);
    b2.records = {up, over, down, hit};
    b2.actions = {{buttoncond::OverUpToOverDown, {0x06, 0x00}},
                  {buttoncond::OverDownToOverUp, {0x81, 0x02, 0x00, 0x00, 0x00, 0x07, 0x00}},
                  {static_cast<std::uint16_t>(13 << 1), {0x04, 0x00}}};
    m.tags.push_back(b2);

    DefineButton b1;
    b1.version = 1;
    b1.id = 55;
    b1.records = {
        buttonRecord(static_cast<std::uint8_t>(ButtonState::Up) | static_cast<std::uint8_t>(ButtonState::Over), 50, 1),
        buttonRecord(static_cast<std::uint8_t>(ButtonState::Down) | static_cast<std::uint8_t>(ButtonState::HitTest), 52,
                     1)};
    b1.actions = {{buttoncond::OverDownToOverUp, {0x07, 0x00}}};
    m.tags.push_back(b1);
    DefineButtonCxform cx;
    cx.buttonId = 55;
    cx.colorTransform.multR = 128;
    cx.colorTransform.addB = 40;
    m.tags.push_back(cx);

    Bytes click;
    for (int i = 0; i < 120; ++i)
        click.push_back(static_cast<std::uint8_t>(128 + ((i / 4) % 2 ? 60 : -60) * (120 - i) / 120));
    m.tags.push_back(soundDef(56, SoundFormat::RawLittle, 0, false, false, click, 120));
    DefineButtonSound bs;
    bs.buttonId = 54;
    bs.soundId[1] = 56;
    bs.soundId[2] = 56;
    bs.info[2].syncNoMultiple = true;
    bs.info[2].loops = 2;
    m.tags.push_back(bs);

    showFrame(m, {place(1, 54, 100, 100), place(2, 55, 100, 800)});
    showFrame(m, {ActionBuilder().stop().doAction()});
    return m;
}

MovieData editText() {
    MovieData m = smallStage();
    m.tags.push_back(blockFont(60));
    DefineEditText t;
    t.id = 61;
    t.bounds = Rect{0, 1800, 0, 600};
    t.wordWrap = t.multiline = t.readOnly = t.border = t.html = true;
    t.fontId = 60;
    t.fontHeight = 240;
    t.color = Rgba{20, 20, 120, 255};
    t.maxLength = 40;
    t.layout = EditTextLayout{TextAlign::Center, 40, 40, 20, 30};
    t.variableName = "titre";
    t.initialText = "<p align=\"center\">LOT <b>TIL</b></p><p>IOTL&amp;</p>";
    m.tags.push_back(t);
    DefineEditText plain;
    plain.id = 62;
    plain.bounds = Rect{0, 1200, 0, 300};
    plain.autoSize = plain.noSelect = plain.password = true;
    plain.variableName = "champ";
    plain.initialText = "ILOT";
    m.tags.push_back(plain);
    showFrame(m, {place(1, 61, 100, 100), place(2, 62, 100, 900)});
    return m;
}

MovieData adpcmStream() {
    MovieData m = smallStage();
    // 11025 Hz at 12 frames per second.
    m.tags.push_back(streamHead(SoundFormat::Adpcm, 1, true, false, 919, 1));
    m.tags.push_back(rectShape(70, 0, 0, 200, 200, FillStyle::solid({0, 90, 200, 255})));
    m.tags.push_back(place(1, 70, 0, 600));
    for (int f = 0; f < 6; ++f) {
        Pcm part = tone(11025, 919, 330, std::size_t(f) * 919);
        m.tags.push_back(SoundStreamBlock{encodeAdpcm(part, 4)});
        if (f > 0) m.tags.push_back(moveObject(1, f * 300, 600));
        m.tags.push_back(ShowFrame{});
    }
    return m;
}

MovieData eventSound() {
    MovieData m = smallStage();
    const Pcm p = tone(11025, 1500, 660);
    m.tags.push_back(
        soundDef(80, SoundFormat::Adpcm, 1, true, false, encodeAdpcm(p, 3), static_cast<std::uint32_t>(p.frames())));
    Bytes raw;
    for (int i = 0; i < 100; ++i) {
        std::int16_t l = static_cast<std::int16_t>(i * 200), r = static_cast<std::int16_t>(-i * 200);
        raw.insert(raw.end(),
                   {std::uint8_t(l & 0xFF), std::uint8_t(l >> 8), std::uint8_t(r & 0xFF), std::uint8_t(r >> 8)});
    }
    m.tags.push_back(soundDef(81, SoundFormat::RawLittle, 0, true, true, raw, 100));

    m.tags.push_back(streamHead(SoundFormat::RawLittle, 0, false, false, 459));

    StartSound s1;
    s1.soundId = 80;
    s1.info.inPoint = 100;
    s1.info.outPoint = 1400 * 4;
    s1.info.loops = 2;
    s1.info.envelope = std::vector<SoundEnvelopePoint>{{0, 0, 32768}, {44100, 32768, 0}};
    m.tags.push_back(s1);
    StartSound s2;
    s2.version = 2;
    s2.className = "Clic";
    s2.info.syncNoMultiple = true;
    m.tags.push_back(s2);
    for (int f = 0; f < 3; ++f) {
        Bytes block(459);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<std::uint8_t>(128 + 50 * std::sin(double(i + 459 * f) * 0.2));
        m.tags.push_back(SoundStreamBlock{block});
        if (f == 1) {
            StartSound again;
            again.soundId = 81;
            m.tags.push_back(again);
        }
        if (f == 2) {
            StartSound stop;
            stop.soundId = 80;
            stop.info.syncStop = true;
            m.tags.push_back(stop);
        }
        m.tags.push_back(ShowFrame{});
    }
    return m;
}

}  // namespace

Bytes silentMp3Frame() {
    Bytes f(417, 0);
    f[0] = 0xFF;
    f[1] = 0xFB;
    f[2] = 0x90;
    f[3] = 0xC0;
    return f;
}

std::vector<NamedMovie> mediaMovies() {
    std::vector<NamedMovie> out = {
        {"jpeg-fill", jpegFill(), {}},
        {"jpeg-alpha", jpegAlpha(), {}},
        {"lossless", lossless(), {}},
        {"morph", morph(), {}},
        {"button", button(), {}},
        {"edit-text", editText(), {}},
        {"adpcm-stream", adpcmStream(), {}},
        {"event-sound", eventSound(), {}},
    };
    for (auto& m : out) countFrames(m.movie);
    return out;
}

MovieData everyMediaTagMovie() {
    MovieData all;
    all.header.version = 10;
    for (const auto& m : mediaMovies()) {
        all.tags.insert(all.tags.end(), m.movie.tags.begin(), m.movie.tags.end());
        // The next movie starts from an empty stage.
        for (std::uint16_t depth = 1; depth <= 3; ++depth) all.tags.push_back(RemoveObject{2, 0, depth});
    }
    countFrames(all);
    return all;
}

MovieData bitmapSlideshowMovie(int frames, int quality) {
    MovieData m;
    m.header.version = 8;
    m.header.frame = Rect{0, 705 * 20, 0, 481 * 20};
    for (int k = 0; k < frames; ++k) {
        const auto bitmapId = static_cast<std::uint16_t>(1 + 2 * k), shapeId = static_cast<std::uint16_t>(2 + 2 * k);
        DefineBitsJpeg j;
        j.id = bitmapId;
        j.imageData = jpegBytes(syntheticPicture(705, 481, k), quality);
        m.tags.push_back(j);
        m.tags.push_back(
            rectShape(shapeId, 0, 0, 705 * 20, 481 * 20, bitmapFill(FillType::ClippedBitmap, bitmapId, 20), 1));
        if (k > 0) m.tags.push_back(RemoveObject{2, 0, 1});
        m.tags.push_back(place(1, shapeId));
        m.tags.push_back(ShowFrame{});
    }
    countFrames(m);
    return m;
}

}  // namespace swf::samples
