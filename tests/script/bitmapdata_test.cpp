// flash.display.BitmapData: sizes and refusals, the premultiplied store and
// its rounding, the answers of calls that cannot be done, fillRect,
// copyPixels with an alpha bitmap, draw of a bitmap with a clip rectangle,
// and the byte budget.
#include <gtest/gtest.h>

#include <cmath>

#include "swf/script/builtins/bitmapdata.h"
#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

// VAR = new flash.PKG.CLS(args...) — the arguments pushed last to first.
void make(Asm& a, const char* var, const char* pkg, const char* cls,
          std::initializer_list<Asm::PushValue> reversedArgs) {
    a.push({var});
    a.push(reversedArgs);
    a.push({static_cast<int>(reversedArgs.size())});
    a.getVariable("flash").getMember(pkg).getMember(cls).push({Undef{}}).record(op::NewMethod);
    a.record(op::SetVariable);
}

void bitmap(Asm& a, const char* var, std::initializer_list<Asm::PushValue> reversedArgs) {
    make(a, var, "display", "BitmapData", reversedArgs);
}

// VAR.method(args...), its answer traced or dropped.
void call(Asm& a, const char* var, const char* method, std::initializer_list<Asm::PushValue> reversedArgs,
          bool traced = true) {
    a.push(reversedArgs).push({static_cast<int>(reversedArgs.size())}).callMethod(var, method);
    if (traced)
        a.trace();
    else
        a.record(op::Pop);
}

void pixel32(Asm& a, const char* var, int x, int y) { call(a, var, "getPixel32", {y, x}); }

TEST(BitmapData, ColourConversions) {
    // Opaque colours and full transparency go through unchanged.
    EXPECT_EQ(premultiply(0xFF123456u), 0xFF123456u);
    EXPECT_EQ(unpremultiply(0xFF123456u), 0xFF123456u);
    EXPECT_EQ(premultiply(0x00FFFFFFu), 0u);
    EXPECT_EQ(unpremultiply(0x00123456u), 0u);
    // Rounded to nearest on the way in (187 * 170 / 255 = 124.67 gives 125).
    EXPECT_EQ(premultiply(0xAABBCCDDu), 0xAA7D8893u);
    // A half rounds down on the way out (147 * 255 / 170 = 220.5 gives 220).
    EXPECT_EQ(unpremultiply(0xAA7D8893u), 0xAABBCCDCu);
    // Read back through an 8.8 reciprocal of the alpha: 207 at alpha 247
    // reads 213 although 207 * 255 / 247 is 213.7, 37 at alpha 194 reads 49.
    EXPECT_EQ(unpremultiply(0xF7CFCFCFu), 0xF7D5D5D5u);
    EXPECT_EQ(unpremultiply(0xC2252525u), 0xC2313131u);
    // The smallest alpha keeps white white.
    EXPECT_EQ(unpremultiply(premultiply(0x01FFFFFFu)), 0x01FFFFFFu);
    // Every alpha keeps a grey within one step through a round trip.
    for (std::uint32_t alpha = 1; alpha < 255; ++alpha) {
        for (std::uint32_t c = 0; c < 256; c += 17) {
            std::uint32_t argb = alpha << 24 | c << 16 | c << 8 | c;
            std::uint32_t back = unpremultiply(premultiply(argb));
            EXPECT_EQ(back >> 24, alpha);
            int diff = static_cast<int>(back & 0xFF) - static_cast<int>(c);
            EXPECT_LE(std::abs(diff), static_cast<int>(255 / alpha) + 1) << alpha << " " << c;
        }
    }
}

TEST(BitmapData, SizesAndProperties) {
    runTable({
        {"a size within the limits, read-only properties, rectangle",
         8,
         [](Asm& a) {
             bitmap(a, "b", {false, 20, 10});
             a.getVariable("b").getMember("width").trace();
             a.getVariable("b").getMember("height").trace();
             a.getVariable("b").getMember("transparent").trace();
             a.getVariable("b").push({"width", 100}).record(op::SetMember);
             a.getVariable("b").getMember("width").trace();
             a.getVariable("b").getMember("rectangle").trace();
         },
         {"10", "20", "false", "10", "(x=0, y=0, w=10, h=20)"}},
        {"refused sizes give undefined",
         8,
         [](Asm& a) {
             bitmap(a, "none", {});
             a.getVariable("none").trace();
             bitmap(a, "wide", {1, 2881});
             a.getVariable("wide").trace();
             bitmap(a, "flat", {0, 5});
             a.getVariable("flat").trace();
             bitmap(a, "edge", {1, 2880});
             a.getVariable("edge").getMember("width").trace();
         },
         {"undefined", "undefined", "undefined", "2880"}},
        {"a disposed bitmap answers -1",
         8,
         [](Asm& a) {
             bitmap(a, "b", {3, 3});
             call(a, "b", "dispose", {}, false);
             a.getVariable("b").getMember("width").trace();
             pixel32(a, "b", 0, 0);
             call(a, "b", "setPixel32", {0, 0, 0});
         },
         {"-1", "-1", "-1"}},
    });
}

TEST(BitmapData, PixelsKeepThePremultipliedRounding) {
    runTable({
        {"transparent: getPixel32 shows the lost precision, setPixel keeps alpha",
         8,
         [](Asm& a) {
             bitmap(a, "b", {double(0xAABBCCDDu), true, 3, 3});
             pixel32(a, "b", 1, 2);
             call(a, "b", "getPixel", {2, 1});
             call(a, "b", "setPixel", {0x12345678, 0, 0});
             pixel32(a, "b", 0, 0);
             call(a, "b", "setPixel32", {0x01FFFFFF, 1, 1});
             pixel32(a, "b", 1, 1);
         },
         {"-1430532900", "12307676", "0", "-1439410824", "0", "33554431"}},
        {"opaque: alpha is forced, colours kept exactly",
         8,
         [](Asm& a) {
             bitmap(a, "b", {double(0xAABBCCDDu), false, 3, 3});
             pixel32(a, "b", 0, 0);
             call(a, "b", "setPixel32", {0x00FFFFFF, 0, 0}, false);
             pixel32(a, "b", 0, 0);
         },
         {"-4469539", "-1"}},
        {"outside the bitmap and missing arguments",
         8,
         [](Asm& a) {
             bitmap(a, "b", {3, 3});
             pixel32(a, "b", 3, 0);
             pixel32(a, "b", -1, 0);
             call(a, "b", "getPixel", {1});
             call(a, "b", "setPixel", {1, 1});
         },
         {"0", "0", "-1", "-1"}},
    });
}

TEST(BitmapData, FillRect) {
    runTable({
        {"fills the part inside the bitmap; null colour is transparent black",
         8,
         [](Asm& a) {
             bitmap(a, "b", {double(0xFF000000u), true, 4, 4});
             make(a, "r", "geom", "Rectangle", {10, 10, 2, 2});
             call(a, "b", "fillRect", {double(0xFF00FF00u), "r"});  // pushes the name, not the rectangle
             a.push({double(0xFF00FF00u)}).getVariable("r").push({2}).callMethod("b", "fillRect").trace();
             pixel32(a, "b", 3, 3);
             pixel32(a, "b", 1, 1);
             a.push({Null{}}).getVariable("r").push({2}).callMethod("b", "fillRect").record(op::Pop);
             pixel32(a, "b", 2, 2);
         },
         {"-1", "0", "-16711936", "-16777216", "0"}},
        {"a rectangle needs all four fields",
         8,
         [](Asm& a) {
             bitmap(a, "b", {3, 3});
             a.push({"x", 0, "y", 0, "height", 2, 3}).record(op::InitObject).storeRegister(1).record(op::Pop);
             a.push({5, Reg{1}, 2}).callMethod("b", "fillRect").trace();
             pixel32(a, "b", 0, 0);
         },
         {"-1", "-1"}},
    });
}

TEST(BitmapData, CopyPixels) {
    runTable({
        {"the answers of calls that cannot be done",
         8,
         [](Asm& a) {
             bitmap(a, "d", {3, 3});
             bitmap(a, "gone", {3, 3});
             call(a, "gone", "dispose", {}, false);
             make(a, "r", "geom", "Rectangle", {2, 2, 0, 0});
             make(a, "p", "geom", "Point", {1, 1});
             a.getVariable("p").getVariable("r").push({Null{}, 3}).callMethod("d", "copyPixels").trace();
             a.getVariable("p").getVariable("r").getVariable("gone").push({3}).callMethod("d", "copyPixels").trace();
             a.getVariable("p").push({Null{}}).getVariable("d").push({3}).callMethod("d", "copyPixels").trace();
             a.getVariable("r").getVariable("d").push({2}).callMethod("d", "copyPixels").trace();
         },
         {"-2", "-3", "-4", "-1"}},
        {"transparent source over an opaque bitmap, raw copy into a transparent one",
         8,
         [](Asm& a) {
             bitmap(a, "src", {0x12345678, true, 3, 3});
             bitmap(a, "opaque", {double(0xAABBCCDDu), false, 3, 3});
             bitmap(a, "clear", {double(0xAABBCCDDu), true, 3, 3});
             make(a, "r", "geom", "Rectangle", {2, 2, 0, 0});
             make(a, "p", "geom", "Point", {1, 1});
             a.getVariable("p").getVariable("r").getVariable("src").push({3});
             a.callMethod("opaque", "copyPixels").record(op::Pop);
             a.getVariable("p").getVariable("r").getVariable("src").push({3});
             a.callMethod("clear", "copyPixels").record(op::Pop);
             pixel32(a, "opaque", 1, 1);  // 0xFFB1C3D5
             pixel32(a, "opaque", 0, 0);  // untouched
             pixel32(a, "clear", 2, 2);   // 0x12395571
         },
         {"-5127211", "-4469539", "305747313"}},
        {"an alpha bitmap scales the source; mergeAlpha puts it over",
         8,
         [](Asm& a) {
             bitmap(a, "src", {0x12345678, false, 3, 3});
             bitmap(a, "mask", {0x12345678, true, 3, 3});
             bitmap(a, "plain", {double(0xAABBCCDDu), true, 3, 3});
             bitmap(a, "merged", {double(0xAABBCCDDu), true, 3, 3});
             make(a, "r", "geom", "Rectangle", {2, 2, 0, 0});
             make(a, "p", "geom", "Point", {1, 1});
             make(a, "far", "geom", "Point", {100, 100});
             a.getVariable("p").getVariable("mask").getVariable("p").getVariable("r").getVariable("src").push({5});
             a.callMethod("plain", "copyPixels").record(op::Pop);
             a.push({true}).getVariable("p").getVariable("mask").getVariable("p").getVariable("r");
             a.getVariable("src").push({6}).callMethod("merged", "copyPixels").record(op::Pop);
             pixel32(a, "plain", 1, 1);   // 0x112D5A78
             pixel32(a, "merged", 2, 2);  // double(0xAFADC0D3u)
             // Where the alpha bitmap does not reach, nothing is copied.
             a.getVariable("far").getVariable("mask").getVariable("p").getVariable("r").getVariable("src").push({5});
             a.callMethod("plain", "copyPixels").record(op::Pop);
             pixel32(a, "plain", 1, 1);
         },
         {"288184952", "-1347567405", "288184952"}},
    });
}

TEST(BitmapData, MergeAndCopyChannel) {
    runTable({
        {"merge mixes straight colours by the multipliers, and answers -1",
         8,
         [](Asm& a) {
             bitmap(a, "d", {double(0x80FF0000u), true, 2, 2});
             bitmap(a, "s", {double(0xFF0000FFu), false, 2, 2});
             make(a, "r", "geom", "Rectangle", {2, 2, 0, 0});
             make(a, "p", "geom", "Point", {0, 0});
             // merge(s, r, p, 128, 0, 128, 128)
             a.push({128, 128, 0, 128}).getVariable("p").getVariable("r").getVariable("s").push({7});
             a.callMethod("d", "merge").trace();
             pixel32(a, "d", 1, 1);
             // Too few multipliers: nothing happens.
             a.push({0, 0}).getVariable("p").getVariable("r").getVariable("s").push({5});
             a.callMethod("d", "merge").trace();
             pixel32(a, "d", 0, 0);
         },
         {"-1", "-1082195841", "-1", "-1082195841"}},
        {"copyChannel: a single channel into another, none copies zero",
         8,
         [](Asm& a) {
             bitmap(a, "d", {double(0xFF000000u), false, 2, 2});
             bitmap(a, "s", {double(0xFF123456u), false, 2, 2});
             make(a, "r", "geom", "Rectangle", {2, 2, 0, 0});
             make(a, "p", "geom", "Point", {0, 0});
             a.push({1, 4}).getVariable("p").getVariable("r").getVariable("s").push({5});
             a.callMethod("d", "copyChannel").trace();  // blue into red
             pixel32(a, "d", 0, 0);
             a.push({2, 8}).getVariable("p").getVariable("r").getVariable("s").push({5});
             a.callMethod("d", "copyChannel").record(op::Pop);  // alpha into green
             pixel32(a, "d", 1, 0);
             a.push({3, 8}).getVariable("p").getVariable("r").getVariable("s").push({5});
             a.callMethod("d", "copyChannel").record(op::Pop);  // no single destination: untouched
             pixel32(a, "d", 1, 0);
             a.push({2, 3}).getVariable("p").getVariable("r").getVariable("s").push({5});
             a.callMethod("d", "copyChannel").record(op::Pop);  // no single source: zero
             pixel32(a, "d", 1, 1);
         },
         {"-1", "-11141120", "-11075840", "-11075840", "-11141120"}},
    });
}

TEST(BitmapData, NoiseFollowsTheSeed) {
    NoiseGenerator one(1);
    EXPECT_EQ(one.next(), 16807u);
    EXPECT_EQ(one.next(), 282475249u);
    EXPECT_EQ(one.next(), 1622650073u);
    // Seeds below 1 count from 1.
    NoiseGenerator zero(0), minusOne(-1), two(2), nan(std::nan(""));
    EXPECT_EQ(zero.next(), 16807u);
    EXPECT_EQ(minusOne.next(), two.next());
    EXPECT_NE(nan.next(), 0u);
    NoiseGenerator huge(1e300);
    for (int i = 0; i < 100; ++i) EXPECT_NE(huge.next(), 0u);

    runTable({
        {"grey scale: one value a pixel, row after row; colours take three",
         8,
         [](Asm& a) {
             bitmap(a, "b", {false, 3, 1});
             call(a, "b", "noise", {true, 7, 255, 0, 1});
             call(a, "b", "getPixel", {0, 0});  // 0xA7A7A7
             call(a, "b", "getPixel", {1, 0});  // (0, 1): 0xF1F1F1
             call(a, "b", "noise", {false, 7, 255, 0, 1}, false);
             call(a, "b", "getPixel", {0, 0});  // 0xA7F1D9
         },
         {"0", "10987431", "15856113", "11006425"}},
        {"a narrow range, alpha only on a transparent bitmap, too few arguments",
         8,
         [](Asm& a) {
             bitmap(a, "b", {true, 4, 4});
             call(a, "b", "noise", {false, 7, 10, 10, 1}, false);
             call(a, "b", "getPixel", {0, 0});  // every value is 10
             bitmap(a, "c", {false, 1, 1});
             call(a, "c", "noise", {false, 8, 255, 0, 1}, false);
             pixel32(a, "c", 0, 0);  // opaque: alpha stays, colours left at 0
             call(a, "c", "noise", {});
         },
         {"657930", "-16777216", "-1"}},
    });
}

TEST(BitmapData, Areas) {
    runTable({
        {"floodFill follows edges, not corners",
         8,
         [](Asm& a) {
             bitmap(a, "b", {double(0xFF000000u), false, 3, 3});
             call(a, "b", "setPixel", {0xFFFFFF, 1, 0}, false);  // a wall: (0, 1), (1, 0)
             call(a, "b", "setPixel", {0xFFFFFF, 0, 1}, false);
             call(a, "b", "floodFill", {0x00FF00, 2, 2});
             call(a, "b", "getPixel", {0, 0});  // cut off by the wall
             call(a, "b", "getPixel", {2, 0});
             call(a, "b", "getPixel", {1, 1});
             call(a, "b", "getPixel", {1, 0});  // the wall itself
         },
         {"0", "0", "65280", "65280", "16777215"}},
        {"scroll moves the pixels and keeps the uncovered ones",
         8,
         [](Asm& a) {
             bitmap(a, "b", {double(0xFF000000u), false, 3, 1});
             call(a, "b", "setPixel", {0x0000FF, 0, 0}, false);
             call(a, "b", "scroll", {2, 0});    // scroll(0, 2)
             call(a, "b", "getPixel", {2, 0});  // (0, 2)
             call(a, "b", "getPixel", {0, 0});
             call(a, "b", "getPixel", {1, 0});  // (0, 1)
         },
         {"0", "255", "255", "0"}},
        {"getColorBoundsRect finds the colour, or everything else",
         8,
         [](Asm& a) {
             bitmap(a, "b", {double(0xFFFFFFFFu), false, 5, 5});
             call(a, "b", "setPixel", {0xFF0000, 3, 1}, false);
             call(a, "b", "setPixel", {0xFF0000, 2, 3}, false);
             call(a, "b", "getColorBoundsRect", {double(0xFFFF0000u), 0xFFFFFF});
             call(a, "b", "getColorBoundsRect", {false, double(0xFFFF0000u), 0xFFFFFF});
             call(a, "b", "getColorBoundsRect", {0x123456, 0xFFFFFF});
         },
         {"(x=1, y=2, w=3, h=2)", "(x=0, y=0, w=5, h=5)", "(x=0, y=0, w=0, h=0)"}},
    });
}

TEST(BitmapData, CompareAnswersTheDifferences) {
    runTable({
        {"equal bitmaps give 0; sizes and disposed ones give codes",
         8,
         [](Asm& a) {
             bitmap(a, "a", {double(0xFF102030u), false, 2, 2});
             bitmap(a, "b", {double(0xFF102030u), false, 2, 2});
             bitmap(a, "wide", {2, 3});
             bitmap(a, "tall", {3, 2});
             a.getVariable("b").push({1}).callMethod("a", "compare").trace();
             a.getVariable("wide").push({1}).callMethod("a", "compare").trace();
             a.getVariable("tall").push({1}).callMethod("a", "compare").trace();
             a.push({5, 1}).callMethod("a", "compare").trace();
             call(a, "b", "dispose", {}, false);
             a.getVariable("b").push({1}).callMethod("a", "compare").trace();
         },
         {"0", "-3", "-4", "-2", "-2"}},
        {"colour differences modulo 256, alpha-only differences in white",
         8,
         [](Asm& a) {
             bitmap(a, "a", {double(0xFF102030u), true, 1, 2});  // 2 x 1
             bitmap(a, "b", {double(0xFF203010u), true, 1, 2});
             call(a, "b", "setPixel32", {double(0x80102030u), 0, 1}, false);  // (1, 0)
             call(a, "a", "setPixel32", {double(0xFF102030u), 0, 1}, false);
             a.getVariable("b").push({1}).callMethod("a", "compare").storeRegister(1).record(op::Pop);
             a.push({0, 0, 2, Reg{1}, "getPixel32"}).record(op::CallMethod).trace();
             a.push({0, 1, 2, Reg{1}, "getPixel32"}).record(op::CallMethod).trace();
         },
         {"-987104", "2147483647"}},
    });
}

TEST(BitmapData, ColorTransform) {
    runTable({
        {"a ColorTransform keeps its fields; the identity without arguments",
         8,
         [](Asm& a) {
             make(a, "id", "geom", "ColorTransform", {});
             a.getVariable("id").trace();
             make(a, "t", "geom", "ColorTransform", {0, 0, 0, 10, 1, 1, 0.5, 2});
             a.getVariable("t").getMember("greenMultiplier").trace();
             a.getVariable("t").getMember("alphaOffset").trace();
         },
         {"(redMultiplier=1, greenMultiplier=1, blueMultiplier=1, alphaMultiplier=1, redOffset=0, greenOffset=0, "
          "blueOffset=0, alphaOffset=0)",
          "0.5", "0"}},
        {"colorTransform scales and offsets inside the rectangle, within 0..255",
         8,
         [](Asm& a) {
             bitmap(a, "b", {double(0xFF804020u), false, 2, 2});
             make(a, "r", "geom", "Rectangle", {1, 2, 0, 0});  // the top row
             make(a, "t", "geom", "ColorTransform", {0, 0, 10, 300, 1, 1, 0.5, 2});
             a.getVariable("t").getVariable("r").push({2}).callMethod("b", "colorTransform").record(op::Pop);
             call(a, "b", "getPixel", {0, 1});  // red 0x80 * 2 + 300, green 0x40 / 2 + 10, blue 0x20
             call(a, "b", "getPixel", {1, 1});  // the row below, untouched
             a.push({5}).getVariable("r").push({2}).callMethod("b", "colorTransform").trace();
         },
         {"16722464", "8405024", "-1"}},
    });
}

TEST(BitmapData, ThresholdAndPaletteMap) {
    runTable({
        {"threshold counts and colours the matches, copies the rest when asked",
         8,
         [](Asm& a) {
             bitmap(a, "s", {double(0xFF000010u), false, 1, 2});  // 2 x 1
             call(a, "s", "setPixel", {0x000080, 0, 1}, false);   // (1, 0): blue 0x80
             bitmap(a, "d", {double(0xFF000000u), false, 1, 2});
             make(a, "r", "geom", "Rectangle", {1, 2, 0, 0});
             make(a, "p", "geom", "Point", {0, 0});
             // threshold(s, r, p, ">", 0x40, 0xFFFF0000, 0xFF, true)
             a.push({true, 0xFF, double(0xFFFF0000u), 0x40, ">"}).getVariable("p").getVariable("r");
             a.getVariable("s").push({8}).callMethod("d", "threshold").trace();
             call(a, "d", "getPixel", {0, 1});  // matched: red
             call(a, "d", "getPixel", {0, 0});  // copied: 0x10
             a.push({0, "<>"}).getVariable("p").getVariable("r").getVariable("s").push({5});
             a.callMethod("d", "threshold").trace();  // an unknown operation matches nothing
         },
         {"1", "16711680", "16", "0"}},
        {"paletteMap sums the entries; a channel without a table keeps its value",
         8,
         [](Asm& a) {
             bitmap(a, "s", {double(0xFF102030u), false, 1, 1});
             bitmap(a, "d", {double(0xFF000000u), false, 1, 1});
             make(a, "r", "geom", "Rectangle", {1, 1, 0, 0});
             make(a, "p", "geom", "Point", {0, 0});
             // red[0x10] = 0x000700: the red channel's entry lands in green.
             a.push({"red", 0}).record(op::InitArray).record(op::SetVariable);
             a.getVariable("red").push({16, 0x000700}).record(op::SetMember);
             a.push({Undef{}, Undef{}}).getVariable("red").getVariable("p").getVariable("r").getVariable("s");
             a.push({6}).callMethod("d", "paletteMap").record(op::Pop);
             call(a, "d", "getPixel", {0, 0});  // red entry 0x0700, green 0x20 kept, blue 0x30 kept
         },
         {"10032"}},
        {"a plain object is no ColorTransform; a second dispose answers -1",
         8,
         [](Asm& a) {
             bitmap(a, "b", {double(0xFF112233u), false, 1, 1});
             a.push({"redMultiplier", 0, "greenMultiplier", 0, 2}).record(op::InitObject).storeRegister(1);
             a.record(op::Pop);
             a.push({Reg{1}}).getVariable("b").getMember("rectangle").push({2});
             a.callMethod("b", "colorTransform").trace();
             call(a, "b", "getPixel", {0, 0});
             call(a, "b", "dispose", {});
             call(a, "b", "dispose", {});
             call(a, "b", "hitTest", {});
         },
         {"-1", "1122867", "undefined", "-1", "-1"}},
    });
}

TEST(BitmapData, HitTest) {
    runTable({
        {"points, rectangles and bitmaps against the alpha threshold",
         8,
         [](Asm& a) {
             // A 4 x 4 bitmap at (10, 10), clear but for its pixel (2, 2).
             bitmap(a, "b", {0, true, 4, 4});
             call(a, "b", "setPixel32", {double(0x80FFFFFFu), 2, 2}, false);
             make(a, "at", "geom", "Point", {10, 10});
             make(a, "hit", "geom", "Point", {12, 12});
             make(a, "miss", "geom", "Point", {11, 11});
             a.getVariable("hit").push({0x80}).getVariable("at").push({3}).callMethod("b", "hitTest").trace();
             a.getVariable("hit").push({0x81}).getVariable("at").push({3}).callMethod("b", "hitTest").trace();
             a.getVariable("miss").push({1}).getVariable("at").push({3}).callMethod("b", "hitTest").trace();
             make(a, "r", "geom", "Rectangle", {2, 2, 11, 11});  // (11, 11) to (12, 12)
             a.getVariable("r").push({1}).getVariable("at").push({3}).callMethod("b", "hitTest").trace();
             // An opaque 1 x 1 bitmap at (12, 12), then at (13, 13).
             bitmap(a, "o", {false, 1, 1});
             a.push({1}).getVariable("hit").getVariable("o").push({1}).getVariable("at").push({5});
             a.callMethod("b", "hitTest").trace();
             make(a, "beside", "geom", "Point", {13, 13});
             a.push({1}).getVariable("beside").getVariable("o").push({1}).getVariable("at").push({5});
             a.callMethod("b", "hitTest").trace();
             a.push({1}).getVariable("at").push({2}).callMethod("b", "hitTest").trace();
         },
         {"true", "false", "false", "true", "true", "false", "-1"}},
    });
}

TEST(BitmapData, DrawBitmapInsideClipRect) {
    runTable({
        {"translated source, only inside the clip rectangle",
         8,
         [](Asm& a) {
             bitmap(a, "dest", {double(0xFF0000FFu), false, 20, 20});
             bitmap(a, "src", {double(0xFFFF0000u), false, 20, 20});
             make(a, "m", "geom", "Matrix", {});
             call(a, "m", "translate", {3, 3}, false);
             make(a, "clip", "geom", "Rectangle", {8, 8, 2, 2});
             a.getVariable("clip").push({Null{}, Null{}}).getVariable("m").getVariable("src").push({5});
             a.callMethod("dest", "draw").record(op::Pop);
             pixel32(a, "dest", 2, 2);    // inside the clip, before the source starts
             pixel32(a, "dest", 3, 3);    // first source pixel
             pixel32(a, "dest", 9, 9);    // last pixel of the clip
             pixel32(a, "dest", 10, 10);  // past the clip
         },
         {"-16776961", "-65536", "-65536", "-16776961"}},
        {"through a colour transform: half the red, a blue offset",
         8,
         [](Asm& a) {
             bitmap(a, "dest", {double(0xFF000000u), false, 2, 2});
             bitmap(a, "src", {double(0xFFFF0000u), false, 2, 2});
             make(a, "ct", "geom", "ColorTransform", {0, 64, 0, 0, 1, 1, 1, 0.5});
             a.push({Null{}, Null{}}).getVariable("ct").push({Null{}}).getVariable("src").push({5});
             a.callMethod("dest", "draw").record(op::Pop);
             call(a, "dest", "getPixel", {1, 1});  // red 0x7F, blue 0x40
         },
         {"8323136"}},
    });
}

TEST(BitmapData, BudgetRefusesWhatDoesNotFit) {
    TestHost host;
    Limits limits;
    limits.maxHeapBytes = 8u << 20;
    Machine m(host, 8, limits);
    Asm a;
    // 2000 x 2000 pixels is 16 MB: refused, and the script goes on.
    bitmap(a, "big", {2000, 2000});
    a.getVariable("big").trace();
    bitmap(a, "small", {100, 100});
    a.getVariable("small").getMember("width").trace();
    // Many bitmaps: each one that fits is made, the rest refused.
    a.push({"i", 0}).record(op::SetVariable);
    a.push({"made", 0}).record(op::SetVariable);
    a.push({"list", 0}).record(op::InitArray).record(op::SetVariable);
    a.label("loop");
    bitmap(a, "b", {500, 500});
    a.getVariable("list").getVariable("i").getVariable("b").record(op::SetMember);  // kept alive
    a.getVariable("b").push({Undef{}}).record(op::Equals2).record(op::Not).jumpIf("count").jump("next");
    a.label("count").push({"made"}).getVariable("made").record(op::Increment).record(op::SetVariable);
    a.label("next").push({"i"}).getVariable("i").record(op::Increment).record(op::SetVariable);
    a.getVariable("i").push({200}).record(op::Less2).jumpIf("loop");
    a.getVariable("made").push({200}).record(op::Less2).trace();
    a.push({0}).getVariable("made").record(op::Less2).trace();
    std::vector<std::uint8_t> bytes = a.bytes();
    m.runActions(bytes, host.root());
    ASSERT_EQ(host.traces.size(), 4u);
    EXPECT_EQ(host.traces[0], "undefined");
    EXPECT_EQ(host.traces[1], "100");
    EXPECT_EQ(host.traces[2], "true");  // some refused
    EXPECT_EQ(host.traces[3], "true");  // some made
    EXPECT_LE(m.heap().bytes(), limits.maxHeapBytes);
    EXPECT_TRUE(host.warnings.empty());
}

}  // namespace
}  // namespace swf::script

namespace swf::script {
namespace {

using namespace test;

TEST(BitmapData, EndlessBigBitmapsMeetTheStepBound) {
    TestHost host;
    Machine m(host, 8);
    Asm a;
    // while (true) { b = new BitmapData(2880, 2880); b.floodFill(0, 0, 0); }
    a.label("loop");
    bitmap(a, "b", {2880, 2880});
    call(a, "b", "floodFill", {0, 0, 0}, false);
    a.jump("loop");
    std::vector<std::uint8_t> bytes = a.bytes();
    RunResult r = m.runActions(bytes, host.root());
    EXPECT_EQ(r.end, RunResult::End::LimitReached);
    ASSERT_FALSE(host.warnings.empty());
    EXPECT_LE(m.heap().bytes(), m.heap().budget());
    // The next run works.
    host.warnings.clear();
    Asm b;
    bitmap(b, "c", {2, 2});
    b.getVariable("c").getMember("width").trace();
    std::vector<std::uint8_t> next = b.bytes();
    m.runActions(next, host.root());
    ASSERT_FALSE(host.traces.empty());
    EXPECT_EQ(host.traces.back(), "2");
}

}  // namespace
}  // namespace swf::script
