// Checks over the 19 lesson movies that the build generates into the
// application folder: they read, play their whole loop, use only what the
// engine models, last and step as a lesson should, carry real text, come out
// the same at every build, and keep their pictures in the part of the stage
// that every lesson screen shows.
#include "lessons/kit/composer.h"
#include "lessons/kit/emit.h"
#include "lessons/kit/movie_stats.h"
#include "screens/lesson_table.h"

#include "swf/player/player.h"
#include "swf/format/reader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <cmath>
#include <set>

using namespace lessons;

namespace {

// The movie names of the lesson table, the list the build generates.
std::vector<std::string> lessonNames() {
    std::vector<std::string> out;
    for (const screens::LessonMember& m : screens::kLessonMembers) out.push_back(m.movie);
    return out;
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string moviePath(const std::string& name) { return std::string(TK_APP_DIR) + "/" + name + ".swf"; }
std::string sourcePath(const std::string& name) {
    return std::string(TK_SOURCE_DIR) + "/lessons/sources/" + name + ".lesson";
}

class LessonMovie : public ::testing::TestWithParam<std::string> {};

// Whether an action list holds only Play, Stop, GotoFrame, GotoLabel and
// SetTarget records, each whole, and ends with its end byte.
bool firstGenerationOnly(const swf::Bytes& a) {
    std::size_t i = 0;
    while (i < a.size()) {
        const std::uint8_t code = a[i++];
        if (code == 0) return i == a.size();
        if (code < 0x80) {
            if (code != 0x06 && code != 0x07) return false;
            continue;
        }
        if (code != 0x81 && code != 0x8B && code != 0x8C) return false;
        if (i + 2 > a.size()) return false;
        i += 2 + std::size_t(a[i] | a[i + 1] << 8);
    }
    return false;
}

}  // namespace

TEST(LessonSet, EveryRowOfTheTableHasItsSourceAndItsGeneratedMovie) {
    const std::vector<std::string> names = lessonNames();
    EXPECT_EQ(names.size(), 19u);
    for (const std::string& n : names) {
        EXPECT_FALSE(fileBytes(moviePath(n)).empty()) << n;
        EXPECT_EQ(loadScript(sourcePath(n)).movie, n);  // each source names its own file
    }
}

TEST_P(LessonMovie, ReadsPlaysItsLoopAndUsesOnlySupportedTags) {
    const std::vector<std::uint8_t> bytes = fileBytes(moviePath(GetParam()));
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes[0], 'C');  // compressed
    swf::ReadResult r = swf::read(bytes);
    ASSERT_TRUE(r.ok()) << r.error->detail;
    EXPECT_FALSE(r.partial);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(r.skippedTags, 0);
    int actionLists = 0;
    for (const swf::Tag& t : r.movie->tags) {
        const bool supported =
            std::holds_alternative<swf::ShowFrame>(t) || std::holds_alternative<swf::SetBackgroundColor>(t) ||
            std::holds_alternative<swf::FrameLabel>(t) || std::holds_alternative<swf::DefineShape>(t) ||
            std::holds_alternative<swf::PlaceObject>(t) || std::holds_alternative<swf::RemoveObject>(t) ||
            std::holds_alternative<swf::DefineFont>(t) || std::holds_alternative<swf::DefineText>(t) ||
            std::holds_alternative<swf::DefineButton>(t) || std::holds_alternative<swf::DefineSprite>(t) ||
            std::holds_alternative<swf::DoAction>(t);
        EXPECT_TRUE(supported) << swf::tagName(swf::tagCode(t));
        // The controls' scripts: timeline actions of the first generation only.
        auto check = [&](const swf::Bytes& actions) {
            ++actionLists;
            EXPECT_TRUE(firstGenerationOnly(actions)) << swf::tagName(swf::tagCode(t));
        };
        if (auto* a = std::get_if<swf::DoAction>(&t)) check(a->actions);
        if (auto* b = std::get_if<swf::DefineButton>(&t))
            for (const swf::ButtonCondAction& a : b->actions) check(a.actions);
        if (auto* sp = std::get_if<swf::DefineSprite>(&t))
            for (const swf::Tag& inner : sp->tags)
                if (auto* a = std::get_if<swf::DoAction>(&inner)) check(a->actions);
    }
    EXPECT_GT(actionLists, 0);
    auto movie = std::make_shared<const swf::MovieData>(std::move(*r.movie));
    swf::Player player(movie);
    const int frames = player.frameCount();
    EXPECT_EQ(frames, movie->header.frameCount);
    ASSERT_GT(frames, 1);
    EXPECT_EQ(player.currentFrame(), 1);
    for (int i = 1; i < frames; ++i) {
        player.tick();
        ASSERT_EQ(player.currentFrame(), i + 1);
        ASSERT_TRUE(player.playing());
    }
    EXPECT_FALSE(player.displayList().empty());
    player.tick();  // past the last frame: back to the first, still playing
    EXPECT_EQ(player.currentFrame(), 1);
    EXPECT_TRUE(player.playing());
    // Time-driven playback reaches the same frames as ticking.
    player.advance(1000.0 / movie->header.framesPerSecond() * 3 + 1);
    EXPECT_EQ(player.currentFrame(), 4);
}

TEST_P(LessonMovie, LastsLikeALessonWithItsStepsAndRealText) {
    const swf::ReadResult r = swf::read(fileBytes(moviePath(GetParam())));
    ASSERT_TRUE(r.ok());
    const MovieStats s = movieStats(*r.movie);
    EXPECT_GE(s.seconds, 40.0);
    EXPECT_LE(s.seconds, 120.0);
    EXPECT_GE(s.steps, 6);
    EXPECT_LE(s.steps, 12);
    EXPECT_EQ(s.steps, int(loadScript(sourcePath(GetParam())).steps.size()));
    EXPECT_EQ(s.fonts, 2);
    EXPECT_GT(s.glyphs, 40);
    EXPECT_GT(s.texts, 10);
    EXPECT_EQ(s.textsWithGlyphs, s.texts);  // every text uses glyphs of a font defined before it
    EXPECT_EQ(s.unknownTags, 0);
    std::printf("%-16s %5d images %6.1f s %3d étapes %4d glyphes %4d textes %5d formes %7zu octets\n",
                GetParam().c_str(), s.frames, s.seconds, s.steps, s.glyphs, s.texts, s.shapes,
                fileBytes(moviePath(GetParam())).size());
}

TEST_P(LessonMovie, GeneratingAgainGivesTheSameBytes) {
    const Script script = loadScript(sourcePath(GetParam()));
    const std::vector<std::uint8_t> once = writeMovie(compose(script));
    const std::vector<std::uint8_t> twice = writeMovie(compose(script));
    EXPECT_EQ(once, twice);
    EXPECT_EQ(once, fileBytes(moviePath(GetParam())));  // and the same as the build's file
}

namespace {

// What every lesson screen shows of the stage: the players reach past the
// screens' client areas by different amounts, and the narrowest view across
// all of them keeps stage x 34..671. The movies keep to 36..669, and off the
// screen's blue band, which starts at row 464.
constexpr double kSeenLeft = 36, kSeenRight = 669, kBandTop = 464;

struct Box {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool any = false;
};

// The extent of a symbol in its own coordinates: shapes with their line
// widths, text from the top of its tallest glyphs to below its descenders.
Box unite(Box a, const Box& b) {
    if (!b.any) return a;
    if (!a.any) return b;
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1), true};
}

// Buttons span every piece of every state, hit area included; sprites every
// placement of every frame.
Box symbolBox(const Timeline& t, const Symbol& s, int nesting = 0) {
    Box b;
    if (nesting > 8) return b;
    if (s.isButton()) {
        for (const ButtonPart& part : s.parts)
            b = unite(b, symbolBox(t, t.symbols.at(std::size_t(part.symbol)), nesting + 1));
        return b;
    }
    if (s.isSprite()) {
        for (const Frame& f : s.frames)
            for (const auto& [depth, p] : f.layers) {
                EXPECT_TRUE(p.tx == 0 && p.ty == 0 && p.scale == 1) << "a sprite's pieces stand where they are drawn";
                b = unite(b, symbolBox(t, t.symbols.at(std::size_t(p.symbol)), nesting + 1));
            }
        return b;
    }
    if (!s.isText) {
        b.any = drawingBounds(s.drawing, b.x0, b.y0, b.x1, b.y1);
        return b;
    }
    FontBank& fb = FontBank::standard();
    for (const TextRun& r : s.text.runs) {
        const double x0 = r.x, x1 = r.x + fb.width(r.bold, r.text, r.size);
        const double y0 = r.y - r.size, y1 = r.y + r.size * 0.25;
        b = unite(b, {x0, y0, x1, y1, true});
    }
    return b;
}

std::string describe(const Symbol& s) {
    if (s.isText && !s.text.runs.empty()) return "text \"" + utf8(s.text.runs.front().text) + "\"";
    if (s.isButton()) return "button";
    if (s.isSprite()) return "sprite";
    return s.isText ? "text" : "shape";
}

}  // namespace

TEST_P(LessonMovie, PicturesStayInThePartOfTheStageEveryScreenShows) {
    const Timeline t = compose(loadScript(sourcePath(GetParam())));
    std::vector<Box> boxes;
    for (const Symbol& s : t.symbols) boxes.push_back(symbolBox(t, s));
    // Every shape, text, the pointer and the click ripple, as placed on every
    // frame (moved and scaled by their placement): one report per symbol.
    std::set<int> reported;
    int outside = 0;
    for (std::size_t f = 0; f < t.frames.size(); ++f)
        for (const auto& [depth, p] : t.frames[f].layers) {
            ASSERT_GE(p.symbol, 0);
            ASSERT_LT(std::size_t(p.symbol), boxes.size());
            const Box& b = boxes[std::size_t(p.symbol)];
            if (!b.any) continue;
            const double x0 = p.tx + b.x0 * p.scale, x1 = p.tx + b.x1 * p.scale;
            const double y0 = p.ty + b.y0 * p.scale, y1 = p.ty + b.y1 * p.scale;
            const bool inside =
                x0 >= kSeenLeft - 0.01 && x1 <= kSeenRight + 0.01 && y0 >= -0.01 && y1 <= kBandTop + 0.01;
            if (inside) continue;
            ++outside;
            if (reported.insert(p.symbol).second && reported.size() <= 8)
                ADD_FAILURE() << "frame " << f << " depth " << depth << ": "
                              << describe(t.symbols[std::size_t(p.symbol)]) << " spans x " << x0 << ".." << x1 << ", y "
                              << y0 << ".." << y1;
        }
    EXPECT_EQ(outside, 0) << "placements outside x " << kSeenLeft << ".." << kSeenRight << " or below row " << kBandTop
                          << ", " << reported.size() << " symbols";
}

TEST_P(LessonMovie, ThePointerStaysOverTheWindow) {
    // The pointer and the ripple are the only placements that move: their
    // origin (the pointer's tip, the ripple's centre) stays over the window.
    const Timeline t = compose(loadScript(sourcePath(GetParam())));
    int moved = 0;
    for (std::size_t f = 0; f < t.frames.size(); ++f)
        for (const auto& [depth, p] : t.frames[f].layers)
            if (p.tx != 0 || p.ty != 0) {
                ++moved;
                EXPECT_GE(p.tx, kSeenLeft) << "frame " << f;
                EXPECT_LE(p.tx, kSeenRight) << "frame " << f;
                EXPECT_GE(p.ty, 4) << "frame " << f;
                EXPECT_LE(p.ty, 414) << "frame " << f;
            }
    EXPECT_GT(moved, 0);  // every lesson shows its pointer
}

namespace {

// Where each step starts and ends, in frames, from the frame labels the
// composer writes ("etape1", ..., then "resume" for the closing card).
std::vector<std::pair<std::size_t, std::size_t>> stepSpans(const Timeline& t) {
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    for (std::size_t f = 0; f < t.frames.size(); ++f) {
        const std::string& l = t.frames[f].label;
        if (l.empty()) continue;
        if (!spans.empty() && spans.back().second == 0) spans.back().second = f;
        if (l.rfind("etape", 0) == 0) spans.push_back({f, 0});
    }
    if (!spans.empty() && spans.back().second == 0) spans.back().second = t.frames.size();
    return spans;
}

// The pointer is the one placement moved without scaling; the click ripple
// is moved and scaled, and starts small (0.6) and opaque.
std::optional<std::pair<double, double>> pointerAt(const Frame& f) {
    for (const auto& [depth, p] : f.layers)
        if ((p.tx != 0 || p.ty != 0) && p.scale == 1) return std::make_pair(p.tx, p.ty);
    return std::nullopt;
}

bool newRipple(const Frame& f) {
    for (const auto& [depth, p] : f.layers)
        if ((p.tx != 0 || p.ty != 0) && std::abs(p.scale - 0.6) < 1e-9 && p.alpha > 0.99) return true;
    return false;
}

}  // namespace

TEST_P(LessonMovie, EachCaptionIsReadASecondBeforeThePointerActs) {
    const Script script = loadScript(sourcePath(GetParam()));
    const Timeline t = compose(script);
    const auto spans = stepSpans(t);
    ASSERT_EQ(spans.size(), script.steps.size());
    const std::size_t second = std::size_t(t.fps);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const std::size_t first = spans[i].first;
        ASSERT_LT(first + second, spans[i].second) << "étape " << i + 1;
        // The pointer as the caption comes: where the previous frame left it.
        const auto start = pointerAt(t.frames[first > 0 ? first - 1 : first]);
        std::size_t still = 0;
        while (still < second && pointerAt(t.frames[first + still]) == start && !newRipple(t.frames[first + still]))
            ++still;
        EXPECT_EQ(still, second) << "étape " << i + 1 << " (ligne " << script.steps[i].line << ") : le pointeur agit "
                                 << double(still) / t.fps << " s après la légende";
    }
}

TEST_P(LessonMovie, AStepLeavesTimeForEachValueTypedAndEachPointPlaced) {
    // A learner follows a step action by action: each value typed into a
    // field and each click that places something on the part or the sketch
    // counts 2.4 s, so four fields and a placement never take under 12 s.
    const Script script = loadScript(sourcePath(GetParam()));
    const Timeline t = compose(script);
    const auto spans = stepSpans(t);
    ASSERT_EQ(spans.size(), script.steps.size());
    static const std::set<std::string> onThePart{"face", "at", "vertex", "segment", "centre", "point", "edge"};
    for (std::size_t i = 0; i < spans.size(); ++i) {
        int actions = 0;
        std::string pointed;
        for (const Command& c : script.steps[i].commands) {
            if (c.verb == "set")
                ++actions;
            else if (c.verb == "click" && onThePart.count(pointed))
                ++actions;
            if (c.verb == "point" || c.verb == "place")
                pointed = c.args.empty() ? "" : c.args[0];
            else if (c.verb == "click" || c.verb == "draw")
                pointed.clear();
        }
        const double seconds = double(spans[i].second - spans[i].first) / t.fps;
        EXPECT_GE(seconds + 1e-9, 2.4 * actions) << "étape " << i + 1 << " (ligne " << script.steps[i].line
                                                 << ") : " << actions << " actions en " << seconds << " s";
    }
}

INSTANTIATE_TEST_SUITE_P(All, LessonMovie, ::testing::ValuesIn(lessonNames()),
                         [](const auto& info) { return info.param; });
