// Color on a stage that keeps colour transforms: the units it converts, the
// terms setTransform leaves alone, and how it finds its target.
#include <gtest/gtest.h>

#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

// The test stage, with a colour transform for each clip it knows.
class ColorHost : public TestHost {
public:
    std::map<ClipHandle, ColorTransformValue> transforms;
    std::optional<ColorTransformValue> colorTransform(ClipHandle c) override {
        if (!clips.count(c)) return std::nullopt;
        return transforms[c];
    }
    void setColorTransform(ClipHandle c, const ColorTransformValue& ct) override { transforms[c] = ct; }
};

struct ColorStage {
    ColorHost host;
    ClipHandle mc = host.add(1, "mc");
    std::vector<std::string> run(int version, const std::function<void(Asm&)>& build) {
        Machine m(host, version);
        Asm a;
        build(a);
        std::vector<std::uint8_t> bytes = a.bytes();
        m.runActions(bytes, host.root());
        EXPECT_TRUE(host.warnings.empty());
        return host.traces;
    }
};

// VAR = new Color(target)
void makeColor(Asm& a, const char* var, Asm::PushValue target) {
    a.push({var, target, 1, "Color"}).record(op::NewObject).record(op::SetVariable);
}

TEST(Color, RgbAndTransformUnits) {
    ColorStage r;
    r.host.transforms[r.mc].alphaMul = 0.5;
    auto out = r.run(6, [](Asm& a) {
        makeColor(a, "c", "mc");
        a.push({0}).callMethod("c", "getRGB").trace();
        a.push({0x102030, 1}).callMethod("c", "setRGB").record(op::Pop);
        a.push({0}).callMethod("c", "getRGB").trace();
        a.push({0}).callMethod("c", "getTransform").getMember("ra").trace();
        a.push({0}).callMethod("c", "getTransform").getMember("aa").trace();
    });
    EXPECT_EQ(out, (std::vector<std::string>{"0", "1056816", "0", "50"}));
    const ColorTransformValue& ct = r.host.transforms[r.mc];
    EXPECT_DOUBLE_EQ(ct.redAdd, 0x10);
    EXPECT_DOUBLE_EQ(ct.blueAdd, 0x30);
    EXPECT_DOUBLE_EQ(ct.greenMul, 0);
    EXPECT_DOUBLE_EQ(ct.alphaMul, 0.5);  // setRGB leaves alpha alone
}

TEST(Color, SetTransformChangesOnlyTheTermsGiven) {
    ColorStage r;
    r.host.transforms[r.mc].blueAdd = 7;
    r.run(6, [](Asm& a) {
        a.push({"c"}).getVariable("mc").push({1, "Color"}).record(op::NewObject).record(op::SetVariable);
        a.push({"ra", 50, "gb", -20, 2}).record(op::InitObject).push({1}).callMethod("c", "setTransform");
        a.record(op::Pop);
    });
    const ColorTransformValue& ct = r.host.transforms[r.mc];
    EXPECT_DOUBLE_EQ(ct.redMul, 0.5);
    EXPECT_DOUBLE_EQ(ct.greenAdd, -20);
    EXPECT_DOUBLE_EQ(ct.blueAdd, 7);
    EXPECT_DOUBLE_EQ(ct.greenMul, 1);
}

TEST(Color, TargetsThatNameNoClip) {
    ColorStage r;
    auto out = r.run(6, [](Asm& a) {
        makeColor(a, "c", "nothing");
        a.push({0}).callMethod("c", "getRGB").record(op::TypeOf).trace();
        a.push({0}).callMethod("c", "getTransform").record(op::TypeOf).trace();
        a.push({0x123456, 1}).callMethod("c", "setRGB").record(op::Pop);
        makeColor(a, "d", Undef{});
        a.push({"target", 1}).callMethod("d", "hasOwnProperty").trace();
        a.push({0}).callMethod("d", "getRGB").record(op::TypeOf).trace();
    });
    EXPECT_EQ(out, (std::vector<std::string>{"undefined", "undefined", "true", "undefined"}));
    EXPECT_EQ(r.host.transforms.count(r.mc), 0u);  // nothing was written anywhere
}

TEST(Color, AnObjectTargetIsReadAsAPathEachCall) {
    ColorStage r;
    auto out = r.run(6, [](Asm& a) {
        // t = { toString: function() { n += "."; return "mc"; } }
        a.push({"n", ""}).record(op::SetVariable);
        Asm body;
        body.push({"n"}).getVariable("n").push({"."}).record(op::Add2).record(op::SetVariable);
        body.push({"mc"}).record(op::Return);
        a.push({"t", "toString"}).defineFunction("", {}, body).push({1}).record(op::InitObject);
        a.record(op::SetVariable);
        a.push({"c"}).getVariable("t").push({1, "Color"}).record(op::NewObject).record(op::SetVariable);
        a.getVariable("n").trace();
        a.push({0}).callMethod("c", "getRGB").trace();
        a.push({0}).callMethod("c", "getRGB").record(op::Pop);
        a.getVariable("n").trace();
    });
    EXPECT_EQ(out, (std::vector<std::string>{"", "0", ".."}));
}

}  // namespace
}  // namespace swf::script
