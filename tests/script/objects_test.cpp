// The action machine from action bytes: objects and classes, the global
// functions, the reference player's quirks, the stage and timers.
#include <gtest/gtest.h>

#include <cmath>

#include "swf/script/machine.h"
#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

TEST(Actions, ObjectsAndClasses) {
    runTable({
        {"init object and members",
         6,
         [](Asm& a) {
             a.push({"o", "x", 1, "y", "two", 2}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").getMember("x").trace();
             a.getVariable("o").getMember("y").trace();
         },
         {"1", "two"}},
        {"init array and length",
         6,
         [](Asm& a) {
             a.push({"a", 3, 2, 1, 3}).record(op::InitArray).record(op::SetVariable);
             a.getVariable("a").getMember("length").trace();
             a.getVariable("a").push({0}).record(op::GetMember).trace();
             a.getVariable("a").push({"length", 1}).record(op::SetMember);
             a.getVariable("a").getMember("length").trace();
             a.getVariable("a").push({1}).record(op::GetMember).trace();
         },
         {"3", "1", "1", "undefined"}},
        {"enumeration lists newest first",
         6,
         [](Asm& a) {
             a.push({"o", 0, "Object"}).record(op::NewObject).record(op::SetVariable);
             a.getVariable("o").push({"x", "test x"}).record(op::SetMember);
             a.getVariable("o").push({"y", "test y"}).record(op::SetMember);
             traceEnumeration(a, "o");
         },
         {"y", "x"}},
        {"array enumeration follows creation order",
         6,
         [](Asm& a) {
             a.push({"arr", 0}).record(op::InitArray).record(op::SetVariable);
             a.getVariable("arr").push({1, Undef{}}).record(op::SetMember);
             a.getVariable("arr").push({0, "e0"}).record(op::SetMember);
             a.getVariable("arr").push({"foo", "foo"}).record(op::SetMember);
             a.getVariable("arr").push({5, "e5"}).record(op::SetMember);
             traceEnumeration(a, "arr");
         },
         {"5", "foo", "0", "1"}},
        {"constructor and prototype",
         6,
         [](Asm& a) {
             Asm ctor;
             ctor.getVariable("this").push({"name", "pt"}).record(op::SetMember);
             a.defineFunction("Point", {}, ctor);
             Asm method;
             method.push({"I am "}).getVariable("this").getMember("name").record(op::Add2).record(op::Return);
             a.getVariable("Point")
                 .getMember("prototype")
                 .push({"who"})
                 .defineFunction("", {}, method)
                 .record(op::SetMember);
             a.push({"p", 0, "Point"}).record(op::NewObject).record(op::SetVariable);
             a.push({0}).callMethod("p", "who").trace();
             a.getVariable("p").getVariable("Point").record(op::InstanceOf).trace();
             a.getVariable("p")
                 .getMember("__proto__")
                 .getVariable("Point")
                 .getMember("prototype")
                 .record(op::StrictEquals)
                 .trace();
             a.getVariable("p").getMember("__constructor__").getVariable("Point").record(op::StrictEquals).trace();
         },
         {"I am pt", "true", "true", "true"}},
        {"extends and super",
         6,
         [](Asm& a) {
             Asm base, baseHello, derived, derivedHello;
             base.getVariable("this").push({"tag", "base"}).record(op::SetMember);
             a.defineFunction("Base", {}, base);
             baseHello.push({"Base.hello "}).getVariable("this").getMember("tag").record(op::Add2).record(op::Return);
             a.getVariable("Base")
                 .getMember("prototype")
                 .push({"hello"})
                 .defineFunction("", {}, baseHello)
                 .record(op::SetMember);
             derived.push({0}).getVariable("super").push({Undef{}}).record(op::CallMethod).record(op::Pop);
             derived.getVariable("this").push({"tag2", "derived"}).record(op::SetMember);
             a.defineFunction("Derived", {}, derived);
             a.getVariable("Derived").getVariable("Base").record(op::Extends);
             derivedHello.push({0}).callMethod("super", "hello").push({"+D"}).record(op::Add2).record(op::Return);
             a.getVariable("Derived")
                 .getMember("prototype")
                 .push({"hello"})
                 .defineFunction("", {}, derivedHello)
                 .record(op::SetMember);
             a.push({"d", 0, "Derived"}).record(op::NewObject).record(op::SetVariable);
             a.push({0}).callMethod("d", "hello").trace();
             a.getVariable("d").getVariable("Base").record(op::InstanceOf).trace();
             a.getVariable("d").getMember("tag2").trace();
         },
         {"Base.hello base+D", "true", "derived"}},
        {"cast and implements",
         6,
         [](Asm& a) {
             Asm empty;
             a.defineFunction("I", {}, empty).defineFunction("C", {}, empty);
             a.getVariable("I").push({1}).getVariable("C").record(op::ImplementsOp);
             a.push({"c", 0, "C"}).record(op::NewObject).record(op::SetVariable);
             a.getVariable("c").getVariable("I").record(op::InstanceOf).trace();
             a.getVariable("I").getVariable("c").record(op::CastOp).record(op::TypeOf).trace();
             a.getVariable("C").push({0}).record(op::InitObject).record(op::CastOp).trace();
         },
         {"true", "object", "null"}},
        {"getter and setter",
         6,
         [](Asm& a) {
             Asm getter, setter;
             getter.push({"got"}).record(op::Return);
             setter.push({"set "}).getVariable("v").record(op::Add2).trace();
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.defineFunction("g", {}, getter).defineFunction("s", {"v"}, setter);
             a.getVariable("s").getVariable("g").push({"p", 3}).callMethod("o", "addProperty").trace();
             a.getVariable("o").getMember("p").trace();
             a.getVariable("o").push({"p", 5}).record(op::SetMember);
         },
         {"true", "got", "set 5"}},
        {"a setter writing its own property does not recurse",
         6,
         [](Asm& a) {
             Asm getter, setter;
             getter.push({"getter"}).trace().getVariable("o").getMember("prop").record(op::Return);
             setter.push({"setter"}).trace().getVariable("o").push({"prop", "f"}).record(op::SetMember);
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.defineFunction("g", {}, getter).defineFunction("s", {}, setter);
             a.getVariable("s").getVariable("g").push({"prop", 3}).callMethod("o", "addProperty").record(op::Pop);
             a.getVariable("o").push({"prop", "b"}).record(op::SetMember);
             a.getVariable("o").getMember("prop").trace();
         },
         {"setter", "getter", "b"}},
        {"watch",
         6,
         [](Asm& a) {
             Asm cb;
             cb.getVariable("name")
                 .push({":"})
                 .record(op::Add2)
                 .getVariable("old")
                 .record(op::Add2)
                 .push({">"})
                 .record(op::Add2)
                 .getVariable("nv")
                 .record(op::Add2)
                 .trace();
             cb.getVariable("nv").push({10}).record(op::Multiply).record(op::Return);
             a.push({"o", "p", 1, 1}).record(op::InitObject).record(op::SetVariable);
             a.defineFunction("cb", {"name", "old", "nv"}, cb);
             a.getVariable("cb").push({"p", 2}).callMethod("o", "watch").record(op::Pop);
             a.getVariable("o").push({"p", 2}).record(op::SetMember);
             a.getVariable("o").getMember("p").trace();
             a.push({"p", 1}).callMethod("o", "unwatch").record(op::Pop);
             a.getVariable("o").push({"p", 3}).record(op::SetMember);
             a.getVariable("o").getMember("p").trace();
         },
         {"p:1>2", "20", "3"}},
        {"ASSetPropFlags hides, protects and freezes",
         6,
         [](Asm& a) {
             a.push({"o", "a", 1, "b", 2, 2}).record(op::InitObject).record(op::SetVariable);
             a.push({0, 1, "a"}).getVariable("o").push({4, "ASSetPropFlags"}).record(op::CallFunction).record(op::Pop);
             traceEnumeration(a, "o");
             a.push({0, 6, "b"}).getVariable("o").push({4, "ASSetPropFlags"}).record(op::CallFunction).record(op::Pop);
             a.getVariable("o").push({"b", 99}).record(op::SetMember);
             a.getVariable("o").getMember("b").trace();
             a.getVariable("o").push({"b"}).record(op::Delete).trace();
         },
         {"b", "2", "false"}},
        {"hasOwnProperty and isPrototypeOf",
         6,
         [](Asm& a) {
             a.push({"o", "own", 1, 1}).record(op::InitObject).record(op::SetVariable);
             a.push({"own", 1}).callMethod("o", "hasOwnProperty").trace();
             a.push({"toString", 1}).callMethod("o", "hasOwnProperty").trace();
             a.getVariable("o")
                 .push({1})
                 .getVariable("Object")
                 .getMember("prototype")
                 .push({"isPrototypeOf"})
                 .record(op::CallMethod)
                 .trace();
         },
         {"true", "false", "true"}},
        {"object to string",
         6,
         [](Asm& a) {
             a.push({0}).record(op::InitObject).trace();
             a.getVariable("Object").trace();
             Asm ts;
             ts.push({"custom"}).record(op::Return);
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").push({"toString"}).defineFunction("", {}, ts).record(op::SetMember);
             a.getVariable("o").push({"!"}).record(op::Add2).trace();
         },
         {"[object Object]", "[type Function]", "custom!"}},
        {"boolean and error",
         6,
         [](Asm& a) {
             a.push({0, 1, "Boolean"}).record(op::NewObject).trace();
             a.push({"bad", 1, "Error"}).record(op::NewObject).trace();
             a.push({0, "Error"}).record(op::NewObject).getMember("message").trace();
         },
         {"false", "bad", "Error"}},
    });
}

TEST(Actions, GlobalFunctions) {
    runTable({
        {"parseInt parseFloat",
         6,
         [](Asm& a) {
             a.push({"0x1A", 1, "parseInt"}).record(op::CallFunction).trace();
             a.push({16, "ff", 2, "parseInt"}).record(op::CallFunction).trace();
             a.push({" 12px", 1, "parseInt"}).record(op::CallFunction).trace();
             a.push({"3.25e1abc", 1, "parseFloat"}).record(op::CallFunction).trace();
             a.push({"abc", 1, "parseFloat"}).record(op::CallFunction).trace();
         },
         {"26", "255", "12", "32.5", "NaN"}},
        {"isNaN isFinite",
         6,
         [](Asm& a) {
             a.push({"x", 1, "isNaN"}).record(op::CallFunction).trace();
             a.push({"1e400", 1, "isFinite"}).record(op::CallFunction).trace();
         },
         {"true", "false"}},
        {"escape unescape",
         6,
         [](Asm& a) {
             a.push({"@*_+-./ a", 1, "escape"}).record(op::CallFunction).trace();
             a.push({"One%20+mo%2re", 1, "unescape"}).record(op::CallFunction).trace();
             a.push({"aaa%zz", 1, "unescape"}).record(op::CallFunction).trace();
             a.push({"%u0100", 1, "unescape"}).record(op::CallFunction).trace();
         },
         {"%40%2A%5F%2B%2D%2E%2F%20a", "One  moe", "aaaz", "0100"}},
    });
}

// Behaviours of the reference player that differ from what one would guess.
TEST(Actions, ReferencePlayerQuirks) {
    runOps({
        {"octal strings from version 6", 6, {"010", 1}, op::Add2, "0101"},
        {"version 4 reads a number's start", 4, {"300", "150a"}, op::Add, "450"},
        {"version 4 reads words as 0", 4, {"ab", "cd"}, op::Add, "0"},
        {"octal strings as numbers", 6, {"010"}, op::ToNumber, "8"},
    });
    runTable({
        {"NaN strictly equals NaN",
         6,
         [](Asm& a) {
             a.push({"x", 1}).record(op::Subtract).record(op::PushDuplicate).record(op::StrictEquals).trace();
         },
         {"true"}},
        {"an object without valueOf compares false",
         7,
         [](Asm& a) {
             a.push({0}).record(op::InitObject).push({0}).record(op::Less2).trace();
             a.push({0, 0}).record(op::InitObject).record(op::Less2).trace();
         },
         {"false", "false"}},
        {"object plus number is NaN, plus string concatenates",
         7,
         [](Asm& a) {
             a.push({0}).record(op::InitObject).push({1}).record(op::Add2).trace();
             a.push({0}).record(op::InitObject).push({"s"}).record(op::Add2).trace();
         },
         {"NaN", "[object Object]s"}},
        {"uncaught exception line",
         6,
         [](Asm& a) { a.push({"Oh no!"}).record(op::Throw).traceValue("not reached"); },
         {"Warning: Uncaught exception, Oh no!"}},
        {"addProperty needs a setter argument",
         6,
         [](Asm& a) {
             Asm g;
             g.push({1}).record(op::Return);
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.push({"g"}).defineFunction("", {}, g).record(op::SetVariable);
             a.getVariable("g").push({"p", 2}).callMethod("o", "addProperty").trace();
             a.push({Null{}}).getVariable("g").push({"p", 3}).callMethod("o", "addProperty").trace();
         },
         {"false", "true"}},
        {"nameless properties are never made",
         6,
         [](Asm& a) {
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").push({"", 1}).record(op::SetMember);
             a.push({"", 1}).callMethod("o", "hasOwnProperty").trace();
             a.push({"__proto__", 1}).callMethod("o", "hasOwnProperty").trace();
         },
         {"false", "true"}},
        {"InitArray with more elements than the stack makes undefined",
         8,
         [](Asm& a) {
             a.push({"a", "b", "c", 4294967297.0}).record(op::InitArray).trace().trace().trace().trace();
             a.push({"a", -1}).record(op::InitObject).trace().trace();
         },
         {"undefined", "c", "b", "a", "undefined", "a"}},
        {"__resolve answers missing members but not conversions",
         6,
         [](Asm& a) {
             Asm r;
             r.push({"resolved "}).getVariable("n").record(op::Add2).record(op::Return);
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").push({"__resolve"}).defineFunction("", {"n"}, r).record(op::SetMember);
             a.getVariable("o").getMember("missing").trace();
             a.getVariable("o").push({"x"}).record(op::Add2).trace();
         },
         {"resolved missing", "[object Object]x"}},
        {"ASSetPropFlags with undefined names the property \"undefined\"",
         7,
         [](Asm& a) {
             a.push({"o", "a", 3, "undefined", 4, 2}).record(op::InitObject).record(op::SetVariable);
             a.push({0, 1, Undef{}})
                 .getVariable("o")
                 .push({4, "ASSetPropFlags"})
                 .record(op::CallFunction)
                 .record(op::Pop);
             traceEnumeration(a, "o");
         },
         {"a"}},
        {"_global has no toString", 6, [](Asm& a) { a.getVariable("_global").trace(); }, {"[type Object]"}},
        {"preloading _parent at the root takes no register",
         6,
         [](Asm& a) {
             Asm body;
             body.push({Reg{1}}).trace().push({Reg{2}}).trace();
             a.defineFunction2("f", 3, PreloadParent | PreloadGlobal | SuppressThis | SuppressArguments | SuppressSuper,
                               {}, body);
             a.push({0, "f"}).record(op::CallFunction).record(op::Pop);
         },
         {"[type Object]", "undefined"}},
    });
}

TEST(Stage, DisplayPropertiesAndTimeline) {
    TestHost host;
    ClipHandle mc = host.add(1, "mc");
    host.clips[mc].labels["end"] = 7;
    Machine m(host, 6);
    Asm a;
    a.push({"mc", 0, 50}).record(op::SetProperty);                   // mc._x = 50
    a.push({"mc", 0}).record(op::GetProperty).trace();               // 50
    a.getVariable("mc").push({"_alpha", 30}).record(op::SetMember);  // mc._alpha = 30
    a.getVariable("mc").getMember("_ALPHA").trace();                 // names of display properties ignore case
    a.getVariable("mc").getMember("_name").trace();
    a.getVariable("mc").record(op::TargetPath).trace();
    a.traceVariable("/mc:_x");
    a.setTarget("mc").gotoLabel("end").record(op::Stop).setTarget("");
    a.getVariable("mc").getMember("_currentframe").trace();
    a.push({"mc"}).record(op::SetTarget2).push({3}).gotoFrame2(true).setTarget("");
    a.getVariable("mc").getMember("_parent").record(op::TargetPath).trace();
    a.getVariable("mc").push({"v", 1}).record(op::SetMember);
    a.traceVariable("mc.v");
    auto bytes = a.bytes();
    m.runActions(bytes, 1);
    EXPECT_EQ(host.traces, (std::vector<std::string>{"50", "30", "mc", "_level0.mc", "50", "8", "_level0", "1"}));
    EXPECT_EQ(host.clips[mc].frame, 2);
    EXPECT_TRUE(host.clips[mc].playing);
    EXPECT_TRUE(host.warnings.empty());

    // A removed clip stops resolving but its object stays safe to use.
    StageObject* obj = m.clipObject(mc);
    m.clipRemoved(mc);
    host.clips[1].children.clear();
    Value out = m.get(obj, "_x");
    EXPECT_TRUE(out.isUndefined());
}

TEST(Stage, SpritesLinksAndFrameWaits) {
    TestHost host;
    ClipHandle mc = host.add(1, "mc");
    Machine m(host, 6);
    Asm a;
    a.push({"mc", "copy", 5}).record(op::CloneSprite);
    a.getVariable("copy").record(op::TargetPath).trace();
    a.push({"copy"}).record(op::RemoveSprite);
    a.getUrl("http://example.com", "_blank");
    // WaitForFrame 20 (not loaded: the test host has 10 frames) skips two actions (push, trace).
    a.record(op::WaitForFrame, {20, 0, 2}).traceValue("skipped").traceValue("after wait");
    a.record(op::WaitForFrame, {2, 0, 2}).traceValue("loaded");
    a.push({0}).record(op::InitObject).record(op::TargetPath).trace();
    // Frame numbers beyond any int: a name that is no label and no number
    // waits for no frame; a string too large for a double waits for ever.
    a.push({"nope"}).record(op::WaitForFrame2, {2}).traceValue("nope loaded");
    a.push({"1e400"}).record(op::WaitForFrame2, {2}).traceValue("1e400 loaded");
    a.push({1, 0}).record(op::Divide).record(op::WaitForFrame2, {2}).traceValue("infinity loaded");
    a.push({"mc:1e400"}).record(op::GotoFrame2, {0});
    a.getVariable("mc").getMember("_currentframe").trace();
    auto bytes = a.bytes();
    m.runActions(bytes, 1);
    EXPECT_EQ(host.traces, (std::vector<std::string>{"_level0.copy", "after wait", "loaded", "undefined", "nope loaded",
                                                     "infinity loaded", "10"}));
    ASSERT_EQ(host.removed.size(), 1u);
    EXPECT_NE(host.removed[0], mc);
    EXPECT_EQ(host.urls, std::vector<std::string>{"http://example.com"});
}

TEST(Stage, MovieClipTimelineMethods) {
    TestHost host;
    ClipHandle mc = host.add(1, "mc");
    host.clips[mc].labels["end"] = 7;
    Machine m(host, 6);
    Asm a;
    a.push({3, 1}).callMethod("mc", "gotoAndStop").record(op::Pop);
    a.getVariable("mc").getMember("_currentframe").trace();
    a.push({"end", 1}).callMethod("mc", "gotoAndPlay").record(op::Pop);
    a.getVariable("mc").getMember("_currentframe").trace();
    a.push({0}).callMethod("mc", "stop").record(op::Pop);
    a.push({0}).callMethod("mc", "prevFrame").record(op::Pop);
    a.getVariable("mc").getMember("_currentframe").trace();
    auto bytes = a.bytes();
    m.runActions(bytes, 1);
    EXPECT_EQ(host.traces, (std::vector<std::string>{"3", "8", "7"}));
    EXPECT_FALSE(host.clips[mc].playing);
}

TEST(Timers, RunOnTheMovieClock) {
    TestHost host;
    Machine m(host, 6);
    Asm a, tick;
    tick.push({"tick"}).trace();
    a.push({"id"})
        .push({100})
        .defineFunction("", {}, tick)
        .push({2, "setInterval"})
        .record(op::CallFunction)
        .record(op::SetVariable);
    a.push({50}).defineFunction("", {}, tick).push({2, "setTimeout"}).record(op::CallFunction).record(op::Pop);
    auto bytes = a.bytes();
    m.runActions(bytes, 1);
    m.advanceClock(60);
    m.runTimers();
    EXPECT_EQ(host.traces.size(), 1u);  // the timeout
    m.advanceClock(60);
    m.runTimers();
    EXPECT_EQ(host.traces.size(), 2u);  // the interval, once
    m.advanceClock(100);
    m.runTimers();
    EXPECT_EQ(host.traces.size(), 3u);
    Asm clear;
    clear.getVariable("id").push({1, "clearInterval"}).record(op::CallFunction);
    auto clearBytes = clear.bytes();
    m.runActions(clearBytes, 1);
    m.advanceClock(500);
    m.runTimers();
    EXPECT_EQ(host.traces.size(), 3u);
}

}  // namespace
}  // namespace swf::script
