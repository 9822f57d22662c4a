// TextFormat (its members' conversions, the constructor's argument order,
// getTextExtent) and Selection (focus moves and the events they send).
#include <gtest/gtest.h>

#include <cmath>

#include "swf/script/text_field.h"
#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

void setMember(Asm& a, const char* object, const char* name, Asm::PushValue v) {
    a.getVariable(object).push({name, v}).record(op::SetMember);
}
void traceMember(Asm& a, const char* object, const char* name) { a.getVariable(object).getMember(name).trace(); }
void newFormat(Asm& a, const char* var, std::initializer_list<Asm::PushValue> args) {
    a.push({var});
    std::vector<Asm::PushValue> reversed(args.begin(), args.end());
    for (auto it = reversed.rbegin(); it != reversed.rend(); ++it) a.push({*it});
    a.push({int(args.size()), "TextFormat"}).record(op::NewObject).record(op::SetVariable);
}

TEST(TextFormat, MembersStartNullAndConvertWhatScriptsStore) {
    runTable({
        {"a new format has every member null but display",
         8,
         [](Asm& a) {
             newFormat(a, "f", {});
             for (const char* n : {"font", "size", "color", "bold", "align", "leftMargin", "tabStops", "kerning"})
                 traceMember(a, "f", n);
             traceMember(a, "f", "display");
         },
         {"null", "null", "null", "null", "null", "null", "null", "null", "block"}},
        {"the constructor takes font, size, color, bold, italic, underline, url, target, align, margins, indent, "
         "leading",
         8,
         [](Asm& a) {
             newFormat(a, "f", {"Arial", 14.7, 0x123456, true, 0, Undef{}, "u", "t", "CENTER", -5, 3, 2, 1});
             for (const char* n : {"font", "size", "color", "bold", "italic", "underline", "url", "target", "align",
                                   "leftMargin", "rightMargin", "indent", "leading"})
                 traceMember(a, "f", n);
         },
         {"Arial", "14", "1193046", "true", "false", "null", "u", "t", "center", "0", "3", "2", "1"}},
        {"an unknown alignment is ignored; undefined clears a member; a colour keeps 24 bits",
         8,
         [](Asm& a) {
             newFormat(a, "f", {});
             setMember(a, "f", "align", "right");
             setMember(a, "f", "align", "diagonal");
             traceMember(a, "f", "align");
             setMember(a, "f", "bold", "oui");
             traceMember(a, "f", "bold");
             setMember(a, "f", "bold", Undef{});
             traceMember(a, "f", "bold");
             setMember(a, "f", "color", -1);
             traceMember(a, "f", "color");
             setMember(a, "f", "size", -10);
             traceMember(a, "f", "size");
         },
         {"right", "true", "null", "16777215", "-10"}},
        {"a font name is cut to 64 characters",
         8,
         [](Asm& a) {
             newFormat(a, "f", {std::string(70, 'x') + "yz"});
             traceMember(a, "f", "font");
         },
         {std::string(64, 'x')}},
        {"tabStops are read from an array and come back as a new array",
         8,
         [](Asm& a) {
             newFormat(a, "f", {});
             a.getVariable("f").push({"tabStops", 30, 10.5, 2}).record(op::InitArray).record(op::SetMember);
             traceMember(a, "f", "tabStops");
             a.getVariable("f").getMember("tabStops").getVariable("f").getMember("tabStops");
             a.record(op::StrictEquals).trace();
         },
         {"10,30", "false"}},
    });
}

TEST(TextFormat, TextExtentGrowsWithTheTextAndWrapsAtTheWidth) {
    runTable({
        {"longer text is wider; a width makes more lines; the field adds its gutter",
         8,
         [](Asm& a) {
             newFormat(a, "f", {Undef{}, 20});
             a.push({"short", 1}).callMethod("f", "getTextExtent").storeRegister(1).record(op::Pop);
             a.push({"a much longer line of text", 1}).callMethod("f", "getTextExtent").storeRegister(2);
             a.record(op::Pop);
             a.push({Reg{2}, "width"}).record(op::GetMember).push({Reg{1}, "width"}).record(op::GetMember);
             a.record(op::Greater).trace();
             a.push({100, "a much longer line of text", 2}).callMethod("f", "getTextExtent").storeRegister(3);
             a.record(op::Pop);
             a.push({Reg{3}, "height"}).record(op::GetMember).push({Reg{2}, "height"}).record(op::GetMember);
             a.record(op::Greater).trace();
             a.push({Reg{3}, "textFieldWidth"}).record(op::GetMember).trace();
             a.push({Reg{1}, "textFieldWidth"}).record(op::GetMember).push({Reg{1}, "width"}).record(op::GetMember);
             a.record(op::Subtract).trace();
         },
         {"true", "true", "100", "4"}},
    });
    // The metric itself: lines and widths in whole pixels, bounded sizes.
    TextExtent one = measureDeviceText("abcd", 12, -1);
    TextExtent two = measureDeviceText("ab\rcd", 12, -1);
    EXPECT_GT(one.width, two.width);
    EXPECT_EQ(two.height, 2 * one.height);
    EXPECT_EQ(measureDeviceText("", 12, -1).width, 0);
    TextExtent huge = measureDeviceText("x", 1e300, -1);
    EXPECT_TRUE(std::isfinite(huge.width) && std::isfinite(huge.height));
}

TEST(TextFormatData, IntersectKeepsSharedMembersAndApplyTakesSetOnes) {
    TextFormatData a, b;
    a.font = b.font = "Arial";
    a.size = 12;
    b.size = 14;
    a.bold = true;
    TextFormatData shared = a;
    shared.intersect(b);
    EXPECT_EQ(shared.font, "Arial");
    EXPECT_FALSE(shared.size);
    EXPECT_FALSE(shared.bold) << "b has no bold: not shared";
    TextFormatData applied = a;
    applied.apply(b);
    EXPECT_EQ(applied.size, 14);
    EXPECT_EQ(applied.bold, true) << "b leaves bold unset: kept";
}

// Selection on the test stage: clips take the focus; the events go to the
// old and new objects, then to the listeners.
TEST(Selection, FocusMovesSendKillSetAndListenerEvents) {
    TestHost host;
    ClipHandle a = host.add(host.root(), "a");
    host.add(host.root(), "b");
    Machine m(host, 8);
    Asm s;
    s.push({"_level0.a", 1}).callMethod("Selection", "setFocus").trace();  // not enabled: refused
    for (const char* clip : {"a", "b"}) s.getVariable(clip).push({"focusEnabled", true}).record(op::SetMember);
    auto handler = [&](const char* clip, const char* event) {
        Asm body;
        body.push({std::string(clip) + "." + event + " "}).getVariable("x").record(op::Add2).trace();
        s.getVariable(clip).push({event}).defineFunction("", {"x"}, body).record(op::SetMember);
    };
    handler("a", "onSetFocus");
    handler("a", "onKillFocus");
    handler("b", "onSetFocus");
    Asm l;
    l.push({"L "}).getVariable("o").record(op::Add2).push({" > "}).record(op::Add2).getVariable("n");
    l.record(op::Add2).trace();
    s.push({"lis", 0}).record(op::InitObject).record(op::SetVariable);
    s.getVariable("lis").push({"onSetFocus"}).defineFunction("", {"o", "n"}, l).record(op::SetMember);
    s.getVariable("lis").push({1}).callMethod("Selection", "addListener").record(op::Pop);
    s.push({0}).callMethod("Selection", "getFocus").trace();
    s.getVariable("a").push({1}).callMethod("Selection", "setFocus").trace();
    s.getVariable("a").push({1}).callMethod("Selection", "setFocus").trace();  // already there: no events
    s.push({"_level0.b", 1}).callMethod("Selection", "setFocus").trace();
    s.push({0}).callMethod("Selection", "getFocus").trace();
    s.push({0}).callMethod("Selection", "getBeginIndex").trace();
    s.push({"nowhere", 1}).callMethod("Selection", "setFocus").trace();
    s.push({Null{}, 1}).callMethod("Selection", "setFocus").trace();
    s.push({0}).callMethod("Selection", "getFocus").trace();
    m.runActions(s.bytes(), host.root());
    EXPECT_EQ(host.traces,
              (std::vector<std::string>{"false", "null", "a.onSetFocus null", "L null > _level0.a", "true", "true",
                                        "a.onKillFocus _level0.b", "b.onSetFocus _level0.a", "L _level0.a > _level0.b",
                                        "true", "_level0.b", "-1", "false", "L _level0.b > null", "true", "null"}));
    EXPECT_TRUE(host.warnings.empty());
    (void)a;
}

TEST(TextFieldClass, PrototypeFromVersion6AndMembersReadNothingOffTheStage) {
    auto build = [](Asm& a) {
        a.getVariable("TextField").getMember("prototype").record(op::TypeOf).trace();
        a.push({"o", 0, "TextField"}).record(op::NewObject).record(op::SetVariable);
        a.getVariable("o").getMember("text").record(op::TypeOf).trace();
        a.getVariable("o").push({"text", "x"}).record(op::SetMember);
        a.getVariable("o").getMember("text").record(op::TypeOf).trace();
        a.getVariable("TextField").getMember("getFontList").record(op::TypeOf).trace();
    };
    runTable({
        {"version 5 has no prototype to read: new makes a plain object",
         5,
         build,
         {"undefined", "undefined", "string", "function"}},
        {"version 6 reads the prototype; an object that is no field keeps nothing",
         6,
         build,
         {"object", "undefined", "undefined", "function"}},
    });
}

TEST(Selection, Version5HasNoListenersAndNewGivesNothing) {
    runTable({
        {"Selection is an object with its methods; addListener only from version 6",
         5,
         [](Asm& a) {
             a.getVariable("Selection").record(op::TypeOf).trace();
             a.getVariable("Selection").getMember("setFocus").record(op::TypeOf).trace();
             a.getVariable("Selection").getMember("addListener").record(op::TypeOf).trace();
             a.push({0, "Selection"}).record(op::NewObject).record(op::TypeOf).trace();
         },
         {"object", "function", "undefined", "undefined"}},
    });
}

}  // namespace
}  // namespace swf::script
