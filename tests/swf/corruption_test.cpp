// Every parser and decoder of the media tags fed truncations and random
// corruptions of valid bodies: each call either succeeds or reports a typed
// error with a reason. Run under the sanitizer build, this also checks that
// no read passes the data.
#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <random>

#include "swf/script/machine.h"
#include "tests/script/test_host.h"
#include "swf/decode/bitmap.h"
#include "swf/decode/inflate.h"
#include "swf/player/button.h"
#include "swf/player/edit_text.h"
#include "swf/player/morph.h"
#include "swf/player/audio_mixer.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;

template <class T>
void expectTyped(const Result<T>& r, const char* what) {
    if (!r.ok()) {
        EXPECT_FALSE(r.error().detail.empty()) << what;
    }
}

struct Case {
    const char* name;
    B valid;
    std::function<void(const B&)> run;
};

std::vector<Case> cases() {
    std::vector<Case> c;
    QImage img(5, 3, QImage::Format_ARGB32_Premultiplied);
    img.fill(qRgba(10, 20, 30, 40));
    c.push_back({"lossless", encodeDefineBitsLossless(makeLossless(1, img, 2)), [](const B& b) {
                     auto t = parseDefineBitsLossless(2, b);
                     expectTyped(t, "lossless");
                     if (t.ok()) expectTyped(decodeBitmap(*t, BitmapLimits{1u << 16}), "lossless pixels");
                 }});
    {
        DefineBitsJpeg j;
        j.version = 3;
        j.imageData = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04, 1, 2, 0xFF, 0xD9};
        j.alphaData = deflateAll(B(15, 128));
        c.push_back({"jpeg3", encodeDefineBitsJpeg(j), [](const B& b) {
                         auto t = parseDefineBitsJpeg(3, b);
                         expectTyped(t, "jpeg3");
                         if (t.ok()) expectTyped(decodeBitmap(*t, {}, BitmapLimits{1u << 16}), "jpeg3 pixels");
                     }});
    }
    {
        DefineMorphShape m;
        MorphFillStyle f;
        f.type = FillType::LinearGradient;
        f.gradient = {{0, 255, {}, {}}};
        m.fills = {f, MorphFillStyle{}};
        MorphLineStyle l;
        m.lines = {l};
        StyleChange s;
        s.moveX = 10;
        s.moveY = 10;
        s.fill1 = 1;
        s.line = 1;
        m.startEdges = {s, StraightEdge{100, 0}, CurvedEdge{10, 10, 10, -10}};
        m.endEdges = {s, StraightEdge{0, 100}, StraightEdge{50, 50}};
        for (std::uint8_t v : {1, 2}) {
            m.version = v;
            c.push_back({v == 1 ? "morph1" : "morph2", encodeDefineMorphShape(m), [v](const B& b) {
                             auto t = parseDefineMorphShape(v, b);
                             expectTyped(t, "morph");
                             if (t.ok()) morphShapeAt(*t, 30000);
                         }});
        }
    }
    {
        DefineButton b;
        b.records = {ButtonRecord{0x0F, 1, 1}};
        b.actions = {{buttoncond::OverDownToOverUp, {0x06, 0x00}}, {buttoncond::OverUpToOverDown, {0x07, 0x00}}};
        c.push_back(
            {"button2", encodeDefineButton(b), [](const B& x) { expectTyped(parseDefineButton(2, x), "button2"); }});
        DefineButtonSound s;
        s.soundId[0] = 1;
        s.info[0].envelope = std::vector<SoundEnvelopePoint>{{1, 2, 3}};
        s.soundId[3] = 2;
        s.info[3].inPoint = 5;
        c.push_back({"buttonsound", encodeDefineButtonSound(s),
                     [](const B& x) { expectTyped(parseDefineButtonSound(x), "button sound"); }});
    }
    {
        DefineEditText t;
        t.fontId = 1;
        t.color = Rgba{};
        t.maxLength = 5;
        t.layout = EditTextLayout{};
        t.variableName = "v";
        t.initialText = "<p>bonjour &amp; merci</p>";
        t.html = true;
        c.push_back({"edittext", encodeDefineEditText(t), [](const B& b) {
                         auto r = parseDefineEditText(b);
                         expectTyped(r, "edit text");
                         if (r.ok()) displayText(*r);
                     }});
    }
    {
        Pcm p{11025, 2, std::vector<std::int16_t>(600, 300)};
        c.push_back({"adpcm", encodeAdpcm(p, 3),
                     [](const B& b) { expectTyped(decodeAdpcm(b, true, 11025, SoundLimits{5000}), "adpcm"); }});
        DefineSound d;
        d.format = SoundFormat::RawLittle;
        d.data = B(40, 1);
        c.push_back({"sound", encodeDefineSound(d), [](const B& b) {
                         auto r = parseDefineSound(b);
                         expectTyped(r, "sound");
                         if (r.ok()) expectTyped(decodeSound(*r, SoundLimits{5000}), "sound samples");
                     }});
        SoundStreamHead h;
        h.format = SoundFormat::Mp3;
        c.push_back({"streamhead", encodeSoundStreamHead(h),
                     [](const B& b) { expectTyped(parseSoundStreamHead(2, b), "stream head"); }});
    }
    {
        B script{0x88, 0x05, 0x00, 0x01, 0x00, 'a',  0x00, 0x00,  // constant pool
                 0x96, 0x04, 0x00, 0x08, 0x00, 0x07, 0x01,        // push (truncated int) ...
                 0x9D, 0x02, 0x00, 0xF0, 0xFF, 0x1C, 0x0A, 0x00};
        c.push_back({"script", script, [](const B& b) {
                         // Cut or damaged action bytes end the run with a
                         // warning within the bounds; nothing else happens.
                         swf::script::test::TestHost host;
                         swf::script::Machine m(host, 6, swf::script::Limits{.maxSteps = 2000, .maxStack = 100});
                         auto r = m.runActions(b, host.root());
                         EXPECT_LE(r.steps, 2000u);
                     }});
    }
    return c;
}

TEST(Corruption, TruncationsOfEveryTag) {
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.name);
        for (std::size_t n = 0; n <= c.valid.size(); ++n)
            c.run(B(c.valid.begin(), c.valid.begin() + static_cast<std::ptrdiff_t>(n)));
    }
}

TEST(Corruption, RandomByteChangesOfEveryTag) {
    std::mt19937 rng(20261208);
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.name);
        for (int round = 0; round < 400; ++round) {
            B b = c.valid;
            int changes = 1 + static_cast<int>(rng() % 4);
            for (int k = 0; k < changes && !b.empty(); ++k) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
            c.run(b);
        }
    }
}

}  // namespace
