// The stage as scripts see it: the order frame scripts run in, and display
// properties read and written from scripts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "swf/player/player.h"
#include "tests/script/action_builder.h"
#include "tests/support/test_movies.h"

namespace {

using namespace swf;
using script::test::Asm;
using samples::place;
using samples::rectShape;

DoAction traceAction(const char* text) { return DoAction{Asm().traceValue(text).bytes()}; }

struct Run {
    std::vector<std::string> traces;
    std::unique_ptr<Player> player;
};

std::unique_ptr<Run> start(MovieData movie) {
    auto run = std::make_unique<Run>();
    run->player = std::make_unique<Player>(std::make_shared<const MovieData>(std::move(movie)),
                                           [r = run.get()](std::string_view s) { r->traces.emplace_back(s); });
    return run;
}

DefineSprite sprite(std::uint16_t id, std::vector<Tag> tags, std::uint16_t frames = 1) {
    DefineSprite s;
    s.id = id;
    s.frameCount = frames;
    s.tags = std::move(tags);
    return s;
}

TEST(SwfScriptOrder, FrameScriptsRunInTagOrderWithPlacedSpritesWhereTheirPlaceObjectStands) {
    MovieData m;
    m.tags.push_back(rectShape(1, 0, 0, 10, 10, FillStyle::solid({0, 0, 0, 255})));
    // Sprite 3 nests sprite 2: the innermost frame script comes first.
    m.tags.push_back(sprite(2, {traceAction("petit-enfant"), ShowFrame{}}));
    m.tags.push_back(sprite(3, {place(1, 2), traceAction("enfant 1"), ShowFrame{}, traceAction("enfant 2"), ShowFrame{}},
                            2));
    m.tags.push_back(traceAction("racine avant"));
    m.tags.push_back(place(1, 3));
    m.tags.push_back(traceAction("racine apres"));
    m.tags.push_back(DoInitAction{3, Asm().traceValue("init").bytes()});
    m.tags.push_back(ShowFrame{});
    m.tags.push_back(traceAction("racine 2"));
    m.tags.push_back(ShowFrame{});
    auto run = start(std::move(m));
    run->player->tick();
    EXPECT_EQ(run->traces, (std::vector<std::string>{"init", "racine avant", "petit-enfant", "enfant 1",
                                                     "racine apres", "racine 2", "enfant 2"}));
}

}  // namespace
