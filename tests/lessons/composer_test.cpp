#include "lessons/kit/composer.h"
#include "lessons/kit/ui.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lessons;

namespace {

const char* kHeader = R"(
movie essai
title "Essai"
summary "À retenir"
solid bloc box w=40 h=20 d=30
)";

Script script(const std::string& body) { return parseScript(std::string(kHeader) + body); }

std::vector<std::pair<std::size_t, std::string>> labels(const Timeline& t) {
    std::vector<std::pair<std::size_t, std::string>> out;
    for (std::size_t i = 0; i < t.frames.size(); ++i)
        if (!t.frames[i].label.empty()) out.push_back({i, t.frames[i].label});
    return out;
}

// The pointer is the one placement moved and not scaled (the controls above
// it stand at their own coordinates).
Placement pointerAt(const Timeline& t, std::size_t frame) {
    for (const auto& [depth, p] : t.frames[frame].layers)
        if ((p.tx != 0 || p.ty != 0) && p.scale == 1) return p;
    ADD_FAILURE() << "no pointer on frame " << frame;
    return {};
}

}  // namespace

TEST(Compose, LabelsMarkTitleStepsAndSummaryInOrder) {
    const Timeline t = compose(script(R"(
part bloc
step "Un"
  wait 3
step "Deux"
  wait 1
)"));
    const auto l = labels(t);
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[0], (std::pair<std::size_t, std::string>{0, "titre"}));
    EXPECT_EQ(l[1].second, "etape1");
    EXPECT_EQ(l[2].second, "etape2");
    EXPECT_EQ(l[3].second, "resume");
    // The title card holds 3.5 s and fades out in 0.5 s before the first step.
    EXPECT_EQ(l[1].first, std::size_t(48));
    // A step lasts at least what its commands take.
    EXPECT_GE(l[2].first - l[1].first, std::size_t(36));
}

TEST(Compose, ShortStepsGetTimeToReadTheirCaption) {
    const Timeline t = compose(script(R"(
step "Une légende assez longue pour demander quelques secondes de lecture à l'écran."
step "B"
)"));
    const auto l = labels(t);
    const double first = double(l[2].first - l[1].first) / t.fps;
    const double second = double(l[3].first - l[2].first) / t.fps;
    EXPECT_GE(first, 5.5);
    EXPECT_GE(second, 2.0);
    EXPECT_LT(second, first);
}

TEST(Compose, LoopEndsOnTheCardItStartsWith) {
    const Timeline t = compose(script("step \"Un\"\n  wait 1\n"));
    const auto& first = t.frames.front().layers;
    const auto& last = t.frames.back().layers;
    ASSERT_FALSE(first.empty());
    // The same card, fully opaque (over the summary), under the same controls.
    for (const auto& [depth, p] : first) {
        ASSERT_TRUE(last.count(depth)) << depth;
        EXPECT_EQ(last.at(depth), p) << depth;
        EXPECT_DOUBLE_EQ(last.at(depth).alpha, 1.0) << depth;
    }
}

TEST(Compose, PointerMovesToItsTargetAndEases) {
    const Timeline t = compose(script(R"(
step "Un"
  point at 300 200 1
  point at 400 200 1
)"));
    const std::size_t s1 = labels(t)[1].first;
    const Placement end1 = pointerAt(t, s1 + 11);
    EXPECT_NEAR(end1.tx, 300, 1e-9);
    EXPECT_NEAR(end1.ty, 200, 1e-9);
    const Placement end2 = pointerAt(t, s1 + 23);
    EXPECT_NEAR(end2.tx, 400, 1e-9);
    // Eased: the first twelfth of the move covers less than a twelfth of the way.
    const Placement early = pointerAt(t, s1 + 12);
    EXPECT_LT(early.tx - 300, 100.0 / 12);
    EXPECT_GT(early.tx, 300);
}

TEST(Compose, IdenticalPicturesShareOneSymbol) {
    const Timeline t = compose(script("part bloc\nstep \"Un\"\n  wait 2\n"));
    // Frames of a still step show the same symbols: only the pointer and ripple
    // could differ, and they do not move here.
    const std::size_t s1 = labels(t)[1].first;
    EXPECT_EQ(t.frames[s1 + 3].layers, t.frames[s1 + 10].layers);
}

// The part's picture is the placement at the part's depth (just above the tree's).
int partSymbol(const Timeline& t, std::size_t frame) {
    auto it = t.frames[frame].layers.find(11);
    return it == t.frames[frame].layers.end() ? -1 : it->second.symbol;
}

TEST(Compose, TheViewTurnsOnlyWhileThePointerDragsAcrossIt) {
    const Timeline t =
        compose(script("part bloc\nstep \"Un\"\n  place at 400 250\n  wait 1\n"
                       "  drag 520 220 90 -20 1\n  wait 1\n"));
    const std::size_t s1 = labels(t)[1].first;
    int turned = 0;
    for (std::size_t f = s1 + 1; f < labels(t)[2].first; ++f) {
        if (partSymbol(t, f) == partSymbol(t, f - 1)) continue;
        ++turned;
        const Placement now = pointerAt(t, f), before = pointerAt(t, f - 1);
        EXPECT_TRUE(now.tx != before.tx || now.ty != before.ty) << "the part turned under a still pointer, frame " << f;
    }
    EXPECT_EQ(turned, 6);  // a new picture every second frame for the second the drag lasts
    // The drag ends where it was told to, the pointer moving in step with the turn.
    const Placement end = pointerAt(t, s1 + 12 + 11);
    EXPECT_DOUBLE_EQ(end.tx, 520);
    EXPECT_DOUBLE_EQ(end.ty, 220);
    const Placement half = pointerAt(t, s1 + 12 + 5);
    EXPECT_DOUBLE_EQ(half.tx, 460);

    // No turning without a drag, nor a drag outside the graphics area or that stands still.
    EXPECT_THROW(compose(script("part bloc\nstep \"Un\"\n  turn 90 1\n")), SourceError);
    EXPECT_THROW(compose(script("part bloc\nstep \"Un\"\n  orient 90 10 1\n")), SourceError);
    EXPECT_THROW(compose(script("part bloc\nstep \"Un\"\n  place at 100 250\n  drag 520 250 90 0 1\n")), SourceError);
    EXPECT_THROW(compose(script("part bloc\nstep \"Un\"\n  place at 400 250\n  drag 403 250 90 0 1\n")), SourceError);
}

TEST(Compose, TheAnimationPlaysInTheTimeItsTimeLineShowsAndAKeyIsDraggedAlongIt) {
    const std::string keys =
        "  timeline on 10\n  orient 35 25\n  key 0\n  orient 125 25\n  key 4\n"
        "  orient 35 25\n  key 10\n";
    const Timeline t = compose(script("part bloc\nstep \"Un\"\n" + keys + "  playanim\n"));
    const auto l = labels(t);
    EXPECT_EQ(l[2].first - l[1].first, 120u) << "ten seconds at twelve frames a second";
    EXPECT_NO_THROW(compose(script("part bloc\nstep \"Un\"\n" + keys + "  playanim 10\n")));
    EXPECT_THROW(compose(script("part bloc\nstep \"Un\"\n" + keys + "  playanim 6\n")), SourceError);

    // The key goes from 4 s to 5 s under the pointer, which stays on it.
    const Timeline m = compose(script("part bloc\nstep \"Un\"\n" + keys + "  point key 4 1\n  movekey 4 5 1\n"));
    const std::size_t s1 = labels(m)[1].first;
    // The pointer's own depth: the ripple of the press is moved too, and is
    // unscaled on one of its frames.
    auto pointerOn = [&](std::size_t f) { return m.frames[f].layers.at(101); };
    const Placement onKey = pointerOn(s1 + 11);  // where "point key 4" left it
    EXPECT_NEAR(onKey.tx, ui::timelineX(4, 10), 6);
    double last = onKey.tx;
    for (std::size_t f = s1 + 12; f < s1 + 24; ++f) {
        const Placement p = pointerOn(f);
        EXPECT_DOUBLE_EQ(p.ty, onKey.ty) << f;
        EXPECT_GE(p.tx, last) << f;
        last = p.tx;
    }
    EXPECT_NEAR(last - onKey.tx, ui::timelineX(5, 10) - ui::timelineX(4, 10), 1e-9) << "one second along";
    for (const char* bad : {"  movekey 3 5 1\n", "  movekey 4 12 1\n", "  movekey 4 10 1\n"})
        EXPECT_THROW(compose(script("part bloc\nstep \"Un\"\n" + keys + bad)), SourceError) << bad;
}

TEST(Compose, ErrorsNameTheLine) {
    auto lineOf = [](const std::string& body) {
        try {
            compose(script(body));
        } catch (const SourceError& e) {
            return e.line();
        }
        return -1;
    };
    // The header takes lines 1 to 5.
    EXPECT_EQ(lineOf("step \"a\"\n  frobnicate\n"), 7);
    EXPECT_EQ(lineOf("step \"a\"\n  point tree \"Nulle part\"\n"), 7);
    EXPECT_EQ(lineOf("step \"a\"\n  part absent\n"), 7);
    EXPECT_EQ(lineOf("step \"a\"\n  set \"Champ\" \"1\"\n"), 7);
    EXPECT_EQ(lineOf("step \"a\"\n  wait x\n"), 7);
    EXPECT_EQ(lineOf("wait 1\nstep \"a\"\n"), 6);  // time cannot pass before the first step
    EXPECT_EQ(lineOf("step \"a\"\n  display glossy\n"), 7);
}

TEST(Compose, BadSolidParametersAreReportedAtTheirDeclaration) {
    try {
        compose(parseScript("movie m\ntitle t\nsummary s\nsolid c shell w=10 h=10 d=10 t=6\nstep \"a\"\n"));
        FAIL();
    } catch (const SourceError& e) {
        EXPECT_EQ(e.line(), 4);
    }
    EXPECT_THROW(compose(parseScript("movie m\ntitle t\nsummary s\nsolid c box w=-1 h=1 d=1\nstep \"a\"\n")),
                 SourceError);
    EXPECT_THROW(compose(parseScript("movie m\ntitle t\nsummary s\nsolid c teapot\nstep \"a\"\n")), SourceError);
    EXPECT_THROW(compose(parseScript("movie m\ntitle t\nstep \"a\"\n")), SourceError);  // no summary
}

TEST(Compose, GrowOverridesAParameterOverTime) {
    Declaration d;
    d.kind = "extrude";
    d.params = {{"depth", "30"}, {"profile", "0,0;10,0;10,10;0,10"}};
    V3 lo, hi;
    buildSolid(d).bounds(lo, hi);
    EXPECT_DOUBLE_EQ(lo.z, -30);
    buildSolid(d, {{"depth", 5}}).bounds(lo, hi);
    EXPECT_DOUBLE_EQ(lo.z, -5);
    d.params["axis"] = "x";
    d.kind = "cylinder";
    d.params = {{"r", "5"}, {"h", "40"}, {"axis", "x"}};
    buildSolid(d).bounds(lo, hi);
    EXPECT_NEAR(hi.x - lo.x, 40, 1e-9);  // laid along x
}

TEST(Compose, DialogFieldsTypeCharacterByCharacter) {
    const Timeline t = compose(script(R"(
step "Un"
  dialog "Extrusion"
  field "Profondeur" "10 mm"
  set "Profondeur" "30 mm"
)"));
    // Typing five characters makes at least five distinct dialog text pictures.
    std::set<int> texts;
    for (const Frame& f : t.frames)
        for (const auto& [depth, p] : f.layers)
            if (t.symbols[std::size_t(p.symbol)].isText)
                for (const TextRun& r : t.symbols[std::size_t(p.symbol)].text.runs)
                    if (utf8(r.text).find(" mm") != std::string::npos || utf8(r.text).size() <= 5)
                        texts.insert(p.symbol);
    EXPECT_GE(texts.size(), 5u);
}
