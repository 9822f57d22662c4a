// Buttons: exact bytes of DefineButton, the colour transform and sound tags,
// the key condition, hit testing through record matrices, and the pointer state machine
// with the transitions and actions it fires.
#include <gtest/gtest.h>

#include <QRectF>

#include "swf/player/button.h"

namespace {

using namespace swf;
using B = std::vector<std::uint8_t>;
namespace bc = buttoncond;

TEST(ButtonTags, DefineButtonExactBytes) {
    DefineButton b;
    b.version = 1;
    b.id = 5;
    ButtonRecord r;
    r.states = static_cast<std::uint8_t>(ButtonState::Up) | static_cast<std::uint8_t>(ButtonState::HitTest);
    r.characterId = 2;
    r.depth = 1;
    b.records = {r};
    b.actions = {{bc::OverDownToOverUp, {0x06, 0x00}}};
    const B bytes{5, 0, 0x09, 2, 0, 1, 0, 0x00, 0x00, 0x06, 0x00};
    EXPECT_EQ(encodeDefineButton(b), bytes);
    auto back = parseDefineButton(1, bytes);
    ASSERT_TRUE(back.ok()) << back.error().detail;
    EXPECT_EQ(*back, b);
}

// DefineButton2's exact bytes are in the tag vector table.
TEST(ButtonTags, AKeyConditionSharesItsFieldWithTheTransitions) {
    ButtonCondAction a{static_cast<std::uint16_t>(bc::OverDownToOverUp | (13 << 1)), {0x06, 0x00}};
    EXPECT_EQ(a.keyCode(), 13);
    EXPECT_TRUE(a.conditions & bc::OverDownToOverUp);
    a.conditions = bc::OverUpToOverDown;
    EXPECT_EQ(a.keyCode(), 0);
}

TEST(ButtonTags, FiltersAndBlendModeSurviveARoundTrip) {
    DefineButton b;
    b.id = 1;
    ButtonRecord r;
    r.states = 1;
    r.characterId = 2;
    r.hasFilters = true;
    r.filters = B{1, 1};
    r.filters.insert(r.filters.end(), 9, 0x11);  // one blur filter
    r.blendMode = 3;
    b.records = {r, r};
    auto back = parseDefineButton(2, encodeDefineButton(b));
    ASSERT_TRUE(back.ok()) << back.error().detail;
    EXPECT_EQ(*back, b);
}

TEST(ButtonTags, CxformAndSoundExactBytes) {
    DefineButtonCxform c;
    c.buttonId = 4;
    c.colorTransform.multR = 128;
    const B cbytes{4, 0, 0x68, 0x80, 0x40, 0x10, 0x00};  // multiply terms (128, 256, 256) in 10 bits
    EXPECT_EQ(encodeDefineButtonCxform(c), cbytes);
    EXPECT_EQ(*parseDefineButtonCxform(cbytes), c);

    DefineButtonSound s;
    s.buttonId = 4;
    s.soundId[2] = 9;
    s.info[2].loops = 2;
    const B sbytes{4, 0, 0, 0, 0, 0, 9, 0, 0x04, 2, 0, 0, 0};
    EXPECT_EQ(encodeDefineButtonSound(s), sbytes);
    auto back = parseDefineButtonSound(sbytes);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, s);
}

TEST(ButtonTags, BadInput) {
    EXPECT_EQ(parseDefineButton(2, B{6, 0}).error().code, ErrorCode::Truncated);
    EXPECT_EQ(parseDefineButton(2, B{6, 0, 0, 0, 0, 0x0F, 3, 0}).error().code, ErrorCode::Truncated);
    // Action offset beyond the tag; action size beyond the tag.
    EXPECT_EQ(parseDefineButton(2, B{6, 0, 0, 0x50, 0, 0}).error().code, ErrorCode::Malformed);
    EXPECT_EQ(parseDefineButton(2, B{6, 0, 0, 3, 0, 0, 0x30, 0, 0, 0}).error().code, ErrorCode::Truncated);
    EXPECT_EQ(parseDefineButton(2, B{6, 0, 0, 3, 0, 0, 1, 0}).error().code, ErrorCode::Truncated);
    // A filter list that claims more than is there, and an unknown filter.
    EXPECT_EQ(parseDefineButton(2, B{6, 0, 0, 0, 0, 0x11, 3, 0, 1, 0, 0, 0, 3, 0, 0}).error().code,
              ErrorCode::Truncated);
    EXPECT_EQ(parseDefineButton(2, B{6, 0, 0, 0, 0, 0x11, 3, 0, 1, 0, 0, 0, 1, 9, 0}).error().code,
              ErrorCode::Malformed);
    EXPECT_EQ(parseDefineButtonSound(B{4, 0, 9, 0}).error().code, ErrorCode::Truncated);
    EXPECT_EQ(parseDefineButtonSound(B{4, 0, 9, 0, 0x08, 3, 0}).error().code, ErrorCode::Truncated);
    EXPECT_EQ(parseDefineButtonCxform(B{4}).error().code, ErrorCode::Truncated);
    ButtonLimits tiny{1, 1};
    DefineButton many;
    many.records.resize(3, ButtonRecord{1, 1, 1});
    EXPECT_EQ(parseDefineButton(2, encodeDefineButton(many), tiny).error().code, ErrorCode::TooLarge);
}

TEST(ButtonHitTest, PointsMapThroughTheRecordMatrix) {
    DefineButton b;
    ButtonRecord up;
    up.states = static_cast<std::uint8_t>(ButtonState::Up);
    up.characterId = 1;
    ButtonRecord hit;
    hit.states = static_cast<std::uint8_t>(ButtonState::HitTest);
    hit.characterId = 2;
    hit.matrix = Matrix::translate(1000, 0);
    hit.matrix.scaleX = 0x20000;  // twice as wide
    b.records = {up, hit};
    const QRectF square(0, 0, 200, 200);  // character 2's area
    auto shapes = [&](std::uint16_t id, QPointF p) { return id == 2 && square.contains(p); };
    EXPECT_TRUE(hitTest(b, {1390, 100}, shapes));
    EXPECT_FALSE(hitTest(b, {100, 100}, shapes)) << "the up state's shape does not take the pointer";
    EXPECT_FALSE(hitTest(b, {1410, 100}, shapes));
    b.records[1].matrix.scaleX = 0;
    b.records[1].matrix.scaleY = 0;
    EXPECT_FALSE(hitTest(b, {1000, 0}, shapes)) << "a collapsed matrix hits nothing";
}

TEST(ButtonStates, RecordsOfAStateInDepthOrder) {
    DefineButton b;
    b.records = {ButtonRecord{0x03, 1, 5}, ButtonRecord{0x04, 2, 1}, ButtonRecord{0x06, 3, 2}};
    auto over = recordsIn(b, ButtonState::Over);
    ASSERT_EQ(over.size(), 2u);
    EXPECT_EQ(over[0]->characterId, 3);
    EXPECT_EQ(over[1]->characterId, 1);
    EXPECT_EQ(recordsIn(b, ButtonState::Down).size(), 2u);
}

TEST(ButtonStates, ClickInsideFiresPressThenRelease) {
    ButtonStateMachine m;
    EXPECT_EQ(m.shownState(), ButtonState::Up);
    EXPECT_EQ(m.pointer(true, false), (std::vector<std::uint16_t>{bc::IdleToOverUp}));
    EXPECT_EQ(m.shownState(), ButtonState::Over);
    EXPECT_TRUE(m.pointer(true, false).empty());
    EXPECT_EQ(m.pointer(true, true), (std::vector<std::uint16_t>{bc::OverUpToOverDown}));
    EXPECT_EQ(m.shownState(), ButtonState::Down);
    EXPECT_EQ(m.pointer(true, false), (std::vector<std::uint16_t>{bc::OverDownToOverUp}));
    EXPECT_EQ(m.pointer(false, false), (std::vector<std::uint16_t>{bc::OverUpToIdle}));
    EXPECT_EQ(m.phase(), ButtonStateMachine::Phase::Idle);
}

TEST(ButtonStates, DragOutAndBack) {
    ButtonStateMachine m;
    m.pointer(true, false);
    m.pointer(true, true);
    EXPECT_EQ(m.pointer(false, true), (std::vector<std::uint16_t>{bc::OverDownToOutDown}));
    EXPECT_EQ(m.shownState(), ButtonState::Over);
    EXPECT_EQ(m.pointer(true, true), (std::vector<std::uint16_t>{bc::OutDownToOverDown}));
    m.pointer(false, true);
    EXPECT_EQ(m.pointer(false, false), (std::vector<std::uint16_t>{bc::OutDownToIdle})) << "release outside";
    // Pressed elsewhere then moved in: a plain button stays idle, a menu button goes down.
    EXPECT_TRUE(m.pointer(true, true).empty());
    ButtonStateMachine menu(true);
    EXPECT_EQ(menu.pointer(true, true), (std::vector<std::uint16_t>{bc::IdleToOverDown}));
    EXPECT_EQ(menu.pointer(false, true), (std::vector<std::uint16_t>{bc::OverDownToIdle}));
}

TEST(ButtonStates, ActionsAndSoundsOfATransition) {
    DefineButton b;
    b.actions = {{bc::OverUpToOverDown, {1}},
                 {static_cast<std::uint16_t>(bc::OverDownToOverUp | bc::OutDownToIdle), {2}},
                 {static_cast<std::uint16_t>(13 << 1), {3}}};
    auto release = actionsFor(b, bc::OverDownToOverUp);
    ASSERT_EQ(release.size(), 1u);
    EXPECT_EQ(release[0]->actions, B{2});
    EXPECT_EQ(actionsFor(b, bc::OutDownToIdle).size(), 1u);
    EXPECT_TRUE(actionsFor(b, bc::IdleToOverUp).empty()) << "key conditions are not pointer transitions";
    EXPECT_EQ(ButtonStateMachine::soundIndex(bc::OverUpToIdle), 0);
    EXPECT_EQ(ButtonStateMachine::soundIndex(bc::IdleToOverUp), 1);
    EXPECT_EQ(ButtonStateMachine::soundIndex(bc::OverUpToOverDown), 2);
    EXPECT_EQ(ButtonStateMachine::soundIndex(bc::OverDownToOverUp), 3);
    EXPECT_EQ(ButtonStateMachine::soundIndex(bc::OutDownToIdle), -1);
}

}  // namespace
