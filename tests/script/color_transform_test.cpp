// flash.geom.ColorTransform: defaults, the packed rgb offsets, concat's
// order, unclamped values, and a script subclass calling super().
#include <gtest/gtest.h>

#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

// VAR = new flash.geom.ColorTransform(args...) — the arguments pushed last to first.
void makeColor(Asm& a, const char* var, std::initializer_list<Asm::PushValue> reversedArgs) {
    a.push({var}).push(reversedArgs).push({static_cast<int>(reversedArgs.size())});
    a.getVariable("flash").getMember("geom").push({"ColorTransform"}).record(op::NewMethod);
    a.record(op::SetVariable);
}

void setField(Asm& a, const char* var, const char* field, Asm::PushValue v) {
    a.getVariable(var).push({field, v}).record(op::SetMember);
}

TEST(ColorTransform, FieldsRgbAndConcat) {
    runTable({
        {"defaults, then the arguments in multiplier-then-offset order",
         8,
         [](Asm& a) {
             makeColor(a, "c", {});
             a.getVariable("c").trace();
             makeColor(a, "d", {8, 7, 6, 5, 4, 3, 2, 1});
             a.getVariable("d").trace();
         },
         {"(redMultiplier=1, greenMultiplier=1, blueMultiplier=1, alphaMultiplier=1, redOffset=0, greenOffset=0, "
          "blueOffset=0, alphaOffset=0)",
          "(redMultiplier=1, greenMultiplier=2, blueMultiplier=3, alphaMultiplier=4, redOffset=5, greenOffset=6, "
          "blueOffset=7, alphaOffset=8)"}},
        {"rgb packs the colour offsets; writing it zeroes the colour multipliers only",
         8,
         [](Asm& a) {
             makeColor(a, "c", {40, 3, 2, 1, 0.5, 0.5, 0.5, 0.5});
             a.getVariable("c").getMember("rgb").trace();  // 0x010203
             setField(a, "c", "rgb", 0xA0B0C0);
             a.getVariable("c").getMember("redMultiplier").trace();
             a.getVariable("c").getMember("alphaMultiplier").trace();
             a.getVariable("c").getMember("greenOffset").trace();
             a.getVariable("c").getMember("alphaOffset").trace();
             setField(a, "c", "rgb", 36893488147419103232.0);  // 2^65 wraps to 0
             a.getVariable("c").getMember("blueOffset").trace();
         },
         {"66051", "0", "0.5", "176", "40", "0"}},
        {"concat applies the argument first: its offsets scaled by our multipliers",
         8,
         [](Asm& a) {
             makeColor(a, "a", {40, 30, 20, 10, 0.5, 0.5, 0.5, 0.5});
             makeColor(a, "b", {80, 70, 60, 50, 0.25, 0.25, 0.25, 0.25});
             a.getVariable("b").push({1}).callMethod("a", "concat").record(op::Pop);
             a.getVariable("a").getMember("redOffset").trace();
             a.getVariable("a").getMember("alphaMultiplier").trace();
             a.getVariable("b").getMember("redOffset").trace();      // the argument is left alone
             a.push({0}).callMethod("a", "concat").record(op::Pop);  // nothing to concat: no change
             a.getVariable("a").getMember("redOffset").trace();
         },
         {"35", "0.125", "50", "35"}},
        {"values are kept unclamped and converted to numbers",
         8,
         [](Asm& a) {
             makeColor(a, "c", {});
             setField(a, "c", "redMultiplier", 8589934592.0);
             setField(a, "c", "greenOffset", "1000");
             setField(a, "c", "blueMultiplier", "abc");
             a.getVariable("c").getMember("redMultiplier").trace();
             a.getVariable("c").getMember("greenOffset").record(op::TypeOf).trace();
             a.getVariable("c").getMember("blueMultiplier").trace();
         },
         {"8589934592", "number", "NaN"}},
        {"members are listed by for..in from the prototype, none is the instance's own",
         8,
         [](Asm& a) {
             makeColor(a, "c", {});
             traceEnumeration(a, "c");
             a.push({"redOffset", 1}).callMethod("c", "hasOwnProperty").trace();
         },
         {"toString", "concat", "rgb", "blueOffset", "greenOffset", "redOffset", "alphaOffset", "blueMultiplier",
          "greenMultiplier", "redMultiplier", "alphaMultiplier", "false"}},
        {"a script subclass that calls super() gets the fields",
         8,
         [](Asm& a) {
             Asm body;
             body.push({0}).getVariable("super").push({Undef{}}).record(op::CallMethod).record(op::Pop);
             a.push({"Sub"}).defineFunction("", {}, body).record(op::SetVariable);
             a.getVariable("Sub").getVariable("flash").getMember("geom").getMember("ColorTransform");
             a.record(op::Extends);
             a.push({"s", 0, "Sub"}).record(op::NewObject).record(op::SetVariable);
             a.getVariable("s").getMember("redMultiplier").trace();
             setField(a, "s", "redOffset", 100);
             a.getVariable("s").getMember("rgb").trace();
         },
         {"1", "6553600"}},
        {"an object without the class's data reads undefined",
         8,
         [](Asm& a) {
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").getVariable("flash").getMember("geom").getMember("ColorTransform");
             a.getMember("prototype").push({"__proto__"}).record(op::StackSwap).record(op::SetMember);
             a.getVariable("o").getMember("redMultiplier").trace();
         },
         {"undefined"}},
        {"below version 8 the class is hidden with flash.geom",
         7,
         [](Asm& a) { a.getVariable("flash").record(op::TypeOf).trace(); },
         {"undefined"}},
    });
}

}  // namespace
}  // namespace swf::script
