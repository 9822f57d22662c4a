// Recorded input events: what a recording says, the key codes scripts read
// for the keys it names, and recordings that are malformed or hostile.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "swf/player/input_events.h"

namespace {

using swf::InputEvent;
using K = InputEvent::Kind;

std::vector<InputEvent> parseOk(const std::string& json) {
    std::string error;
    auto events = swf::parseInputEvents(json, error);
    EXPECT_TRUE(events) << json << " → " << error;
    return events ? *events : std::vector<InputEvent>{};
}

TEST(InputEvents, EveryKindWithItsFields) {
    auto e = parseOk(R"([
      { "type": "MouseMove", "pos": [20.5, -3] },
      { "type": "MouseDown", "pos": [1, 2], "btn": "Right" },
      { "type": "MouseUp", "pos": [1, 2] },
      { "type": "Wait" },
      { "type": "KeyDown", "key": { "Char": "a" } },
      { "type": "KeyUp", "key": "Tab" },
      { "type": "TextInput", "codepoint": "\u00e9" },
      { "type": "TextControl", "code": "Paste" },
      { "type": "MouseWheel", "lines": -2 },
      { "type": "SetClipboardText", "text": "mot de passe" },
      { "type": "ImePreedit", "text": "", "cursor": null }
    ])");
    ASSERT_EQ(e.size(), 11u);
    EXPECT_EQ(e[0].kind, K::MouseMove);
    EXPECT_DOUBLE_EQ(e[0].x, 20.5);
    EXPECT_DOUBLE_EQ(e[0].y, -3);
    EXPECT_EQ(e[1].kind, K::MouseDown);
    EXPECT_EQ(e[1].button, InputEvent::Button::Right);
    EXPECT_EQ(e[2].button, InputEvent::Button::Left) << "the left button when none is named";
    EXPECT_EQ(e[3].kind, K::Wait);
    EXPECT_EQ(e[4].kind, K::KeyDown);
    EXPECT_EQ(e[4].keyCode, 65);
    EXPECT_EQ(e[4].ascii, 97u);
    EXPECT_EQ(e[5].kind, K::KeyUp);
    EXPECT_EQ(e[5].keyCode, 9);
    EXPECT_EQ(e[6].codepoint, 0xE9u);
    EXPECT_EQ(e[7].text, "Paste");
    EXPECT_DOUBLE_EQ(e[8].lines, -2);
    EXPECT_EQ(e[9].text, "mot de passe");
    EXPECT_EQ(e[10].kind, K::ImePreedit);
}

TEST(InputEvents, EscapesAndSurrogatePairsInStrings) {
    auto e = parseOk(R"([{"type":"TextInput","codepoint":"\ud83d\ude00"},)"
                     R"({"type":"SetClipboardText","text":"a\"b\\c\/d\n\t"},)"
                     R"({"type":"TextInput","codepoint":"\ud800x"}])");
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].codepoint, 0x1F600u);
    EXPECT_EQ(e[1].text, "a\"b\\c/d\n\t");
    EXPECT_EQ(e[2].codepoint, 0xFFFDu) << "a lone half of a pair stands for the replacement character";
}

TEST(InputEvents, KeyCodesAsScriptsReadThem) {
    struct Row {
        const char* name;
        int code;
        std::uint32_t ascii;
    };
    for (Row r : {Row{"Enter", 13, 13}, Row{"Escape", 27, 27}, Row{"Space", 32, 32}, Row{"CapsLock", 20, 0},
                  Row{"Left", 37, 0}, Row{"Delete", 46, 127}, Row{"PageDown", 34, 0}}) {
        auto k = swf::namedKey(r.name);
        ASSERT_TRUE(k) << r.name;
        EXPECT_EQ(k->code, r.code) << r.name;
        EXPECT_EQ(k->ascii, r.ascii) << r.name;
    }
    EXPECT_FALSE(swf::namedKey("tab")) << "names are as recordings spell them";
    EXPECT_EQ(swf::charKey('z').code, 90);
    EXPECT_EQ(swf::charKey('Z').code, 90);
    EXPECT_EQ(swf::charKey('z').ascii, std::uint32_t('z'));
    EXPECT_EQ(swf::charKey('7').code, 55);
    EXPECT_EQ(swf::charKey(';').code, 186);
    EXPECT_EQ(swf::charKey('/').code, 191);
    EXPECT_EQ(swf::charKey(0xE9).code, 0) << "no key of a US keyboard";
}

TEST(InputEvents, MalformedAndHostileRecordingsFailWithAFrenchMessage) {
    const std::string deep(100000, '[');
    const std::vector<std::string> bad = {
        "",
        "[",
        "[{",
        R"({"type":"Wait"})",
        R"([{"type":"Wait"}] x)",
        R"([{"type":"Jump"}])",
        R"([{"pos":[1,2]}])",
        R"([{"type":"MouseMove"}])",
        R"([{"type":"MouseMove","pos":[1]}])",
        R"([{"type":"MouseMove","pos":["1","2"]}])",
        R"([{"type":"MouseMove","pos":[1e400,2]}])",
        R"([{"type":"MouseDown","pos":[1,2],"btn":"Fourth"}])",
        R"([{"type":"KeyDown","key":"Hyper"}])",
        R"([{"type":"KeyDown","key":{"Char":""}}])",
        R"([{"type":"KeyDown","key":{"Char":"\u00"}}])",
        R"([{"type":"KeyDown"}])",
        R"([{"type":"TextInput","codepoint":-1}])",
        "[{\"type\":\"TextControl\",\"code\":\"a\nb\"}]",
        R"([{"type":"Wait",}])",
        R"([{"type":"Wait"} {"type":"Wait"}])",
        R"([tru])",
        deep,
        deep + "]",
    };
    for (const std::string& text : bad) {
        std::string error;
        EXPECT_FALSE(swf::parseInputEvents(text, error)) << text.substr(0, 60);
        EXPECT_FALSE(error.empty()) << text.substr(0, 60);
    }
    std::string error;
    swf::parseInputEvents(R"([{"type":"Jump"}])", error);
    EXPECT_NE(error.find("type inconnu"), std::string::npos) << error;
}

TEST(InputEvents, LimitsOnSizeAndCount) {
    swf::InputLimits small;
    small.maxEvents = 3;
    small.maxBytes = 200;
    std::string error;
    EXPECT_TRUE(swf::parseInputEvents(R"([{"type":"Wait"},{"type":"Wait"},{"type":"Wait"}])", error, small));
    EXPECT_FALSE(
        swf::parseInputEvents(R"([{"type":"Wait"},{"type":"Wait"},{"type":"Wait"},{"type":"Wait"}])", error, small));
    EXPECT_FALSE(swf::parseInputEvents("[" + std::string(300, ' ') + "]", error, small));
    EXPECT_NE(error.find("trop grand"), std::string::npos) << error;
    // Many values inside one event count too: a flood of numbers is refused before it is kept.
    std::string flood = R"([{"type":"Wait","x":[)";
    for (int i = 0; i < 100; ++i) flood += "1,";
    flood += "1]}]";
    small.maxBytes = 1 << 20;
    EXPECT_FALSE(swf::parseInputEvents(flood, error, small));
}

}  // namespace
