// The language as the reference player runs it, where it differs from a
// first guess: conversion order, string order, elements hidden by
// properties, and the like. Each case is a small program and what it traces.
#include <gtest/gtest.h>

#include "swf/script/utf8.h"
#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

// function NAME() { trace(TEXT); return VALUE; } as an object's valueOf: o = {valueOf: NAME}.
void objectWithValueOf(Asm& a, const char* object, const char* text, Asm::PushValue value) {
    Asm body;
    body.traceValue(text).push({value}).record(op::Return);
    a.push({object, "valueOf"}).defineFunction("", {}, body).push({1}).record(op::InitObject).record(op::SetVariable);
}

TEST(Language, ConversionOrderAndComparisons) {
    runTable({
        {"legacy equals converts the right operand first",
         5,
         [](Asm& a) {
             objectWithValueOf(a, "o1", "left", 1);
             objectWithValueOf(a, "o2", "right", "1");
             a.getVariable("o1").getVariable("o2").record(op::Equals).trace();
         },
         {"right", "left", "true"}},
        {"less2 orders a surrogate pair after the rest of the basic plane",
         7,
         [](Asm& a) {
             a.push({"\xEF\xBD\xA1", "\xED\xA0\x80\xED\xB0\x82"}).record(op::Less2).trace();
             a.push({"\xED\xA0\x80\xED\xB0\x82", "\xEF\xBD\xA1"}).record(op::Less2).trace();
             a.push({"A", "B"}).record(op::Less2).trace();
             a.push({"ab", "a"}).record(op::Less2).trace();
         },
         {"true", "false", "true", "false"}},
    });
}

TEST(Language, PrimitiveClassesCalledAsFunctions) {
    runTable({
        {"Boolean() gives undefined, Number() and String() do not",
         7,
         [](Asm& a) {
             for (const char* cls : {"Boolean", "Number", "String"})
                 a.push({0, cls}).record(op::CallFunction).record(op::TypeOf).trace();
             a.push({0, 1, "Boolean"}).record(op::CallFunction).trace();
         },
         {"undefined", "number", "string", "false"}},
    });
}

// o = {} (or new Date(0)); o[method] = VALUE; trace("" + o).
void sumWithMethod(Asm& a, bool date, const char* method, Asm::PushValue value) {
    if (date)
        a.push({"o", 0, 1, "Date"}).record(op::NewObject).record(op::SetVariable);
    else
        a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
    a.getVariable("o").push({method, value}).record(op::SetMember);
    a.push({""}).getVariable("o").record(op::Add2).trace();
}

TEST(Language, ObjectsInSums) {
    Asm objectMaker;
    objectMaker.traceValue("toString called").push({0}).record(op::InitObject).record(op::Return);
    Asm twelve;
    twelve.push({12}).record(op::Return);
    runTable({
        {"a valueOf that is no function gives undefined",
         7,
         [](Asm& a) { sumWithMethod(a, false, "valueOf", Undef{}); },
         {"undefined"}},
        {"the same in version 5", 5, [](Asm& a) { sumWithMethod(a, false, "valueOf", Undef{}); }, {""}},
        {"a Date's toString that is no function gives undefined",
         7,
         [](Asm& a) { sumWithMethod(a, true, "toString", Undef{}); },
         {"undefined"}},
        {"a Date whose toString gives an object is asked twice",
         7,
         [&](Asm& a) {
             a.push({"maker"}).defineFunction("", {}, objectMaker).record(op::SetVariable);
             a.push({"o", 0, 1, "Date"}).record(op::NewObject).record(op::SetVariable);
             a.getVariable("o").push({"toString"}).getVariable("maker").record(op::SetMember);
             a.push({""}).getVariable("o").record(op::Add2).trace();
         },
         {"toString called", "toString called", "[type Object]"}},
        {"a version 5 Date in a sum takes its method's value",
         5,
         [&](Asm& a) {
             a.push({"twelve"}).defineFunction("", {}, twelve).record(op::SetVariable);
             a.push({"o", 0, 1, "Date"}).record(op::NewObject).record(op::SetVariable);
             a.getVariable("o").push({"valueOf"}).getVariable("twelve").record(op::SetMember);
             a.getVariable("o").push({"toString"}).getVariable("twelve").record(op::SetMember);
             a.push({""}).getVariable("o").record(op::Add2).trace();
         },
         {"12"}},
    });
}

TEST(Language, ArrayElementsAndProperties) {
    runTable({
        {"a getter on an element's name hides the element",
         7,
         [](Asm& a) {
             Asm ten;
             ten.push({10}).record(op::Return);
             a.push({"o", 3, 2, 1, 3}).record(op::InitArray).record(op::SetVariable);
             a.push({Null{}}).defineFunction("", {}, ten).push({"2", 3}).callMethod("o", "addProperty").trace();
             a.getVariable("o").push({2}).record(op::GetMember).trace();
             a.getVariable("o").push({0}).record(op::GetMember).trace();
             a.push({0}).callMethod("o", "pop").trace();
         },
         {"true", "10", "1", "3"}},
    });
}

// ASnative(200, index)(args...): pushes the arguments, gets the function, calls it.
void callMathNative(Asm& a, int index, std::initializer_list<Asm::PushValue> argsAndCount) {
    a.push(argsAndCount).push({index, 200, 2}).push({"ASnative"}).record(op::CallFunction);
    a.push({Undef{}}).record(op::CallMethod).trace();
}

TEST(Language, NativeFunctionsByNumber) {
    runTable({
        {"Math by number",
         6,
         [](Asm& a) {
             callMathNative(a, 0, {-3, 1});      // abs
             callMathNative(a, 1, {1, 2, 2});    // min(2, 1)
             callMathNative(a, 2, {1, 2, 2});    // max(2, 1)
             callMathNative(a, 17, {10, 2, 2});  // pow(2, 10)
             callMathNative(a, 13, {1.5, 1});    // ceil
         },
         {"3", "1", "2", "1024", "2"}},
        {"an unknown number converts two arguments and gives NaN",
         6,
         [](Asm& a) {
             objectWithValueOf(a, "o1", "first", 1);
             objectWithValueOf(a, "o2", "second", 2);
             objectWithValueOf(a, "o3", "third", 3);
             a.getVariable("o3").getVariable("o2").getVariable("o1");
             callMathNative(a, 50, {3});
             callMathNative(a, 50, {0});
         },
         {"first", "second", "NaN", "NaN"}},
        {"other families give nothing",
         6,
         [](Asm& a) {
             a.push({0, 100, 2, "ASnative"}).record(op::CallFunction).record(op::TypeOf).trace();
         },
         {"undefined"}},
    });
}

TEST(Language, WatchersAndAccessors) {
    runTable({
        {"a watcher sees the stored value of an inherited getter, which addProperty kept",
         7,
         [](Asm& a) {
             Asm getBody, setBody, watchBody;
             getBody.traceValue("get");
             setBody.push({"set "}).getVariable("v").record(op::Add2).trace();
             watchBody.push({"old "}).getVariable("oldv").record(op::Add2).trace().getVariable("newv").record(
                 op::Return);
             a.defineFunction("getter", {}, getBody).defineFunction("setter", {"v"}, setBody);
             a.defineFunction("watcher", {"prop", "oldv", "newv"}, watchBody);
             a.push({"p", "x", 3, 1}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("setter")
                 .getVariable("getter")
                 .push({"x", 3})
                 .callMethod("p", "addProperty")
                 .record(op::Pop);
             a.push({"o", "__proto__"}).getVariable("p").push({1}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("watcher").push({"x", 2}).callMethod("o", "watch").record(op::Pop);
             a.getVariable("o").push({"x", 4}).record(op::SetMember);
         },
         {"old 3", "set 4"}},
    });
}

TEST(Language, GetterThrowingDuringAConversion) {
    runTable({
        {"the conversion ends without the method, the exception when the action ends",
         7,
         [](Asm& a) {
             Asm thrower, body, handler;
             thrower.push({"boom"}).record(op::Throw);
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.push({Null{}}).defineFunction("", {}, thrower).push({"toString", 3}).callMethod("o", "addProperty");
             a.record(op::Pop).getVariable("o").push({"__proto__", Null{}}).record(op::SetMember);
             body.traceVariable("o").traceValue("not reached");
             handler.push({"caught "}).getVariable("e").record(op::Add2).trace();
             a.tryBlock(body, &handler, nullptr, "e").traceValue("after");
         },
         {"[type Object]", "caught boom", "after"}},
    });
}

TEST(Language, VariablesNamedLikeBuiltIns) {
    runTable({
        {"a variable named _global hides the global object; preloading still gives it",
         6,
         [](Asm& a) {
             Asm body;
             body.push({Reg{1}}).record(op::TypeOf).trace();
             a.getVariable("_global").record(op::TypeOf).trace();
             a.setVariable("_global", "fake").traceVariable("_global");
             a.defineFunction2("f", 2, 0x100, {}, body).push({0, "f"}).record(op::CallFunction).record(op::Pop);
         },
         {"object", "fake", "object"}},
    });
}

TEST(Language, NamesOutsideAscii) {
    struct Row {
        int version;
        const char* written;
        const char* read;
        const char* out;
    } rows[] = {
        {6, "\xC3\x84", "\xC3\xA4", "t"},                    // Ä, ä
        {7, "\xC3\x84", "\xC3\xA4", "undefined"},            // case matters from version 7
        {6, "\xC7\xB2\xC7\xB2", "\xC7\xB3\xC7\xB1", "t"},    // ǲǲ, ǳǱ: one letter in three cases
        {6, "\xC8\xBA", "\xE2\xB1\xA5", "undefined"},        // Ⱥ, ⱥ: newer than the player's tables
        {6, "\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", "t"},  // été, ÉTÉ
    };
    for (const Row& r : rows) {
        TestHost host;
        Machine m(host, r.version);
        Asm a;
        a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
        a.getVariable("o").push({r.written, "t"}).record(op::SetMember);
        a.getVariable("o").push({r.read}).record(op::GetMember).trace();
        std::vector<std::uint8_t> bytes = a.bytes();
        m.runActions(bytes, host.root());
        EXPECT_EQ(host.traces, std::vector<std::string>{r.out}) << r.version << " " << r.written << " " << r.read;
    }
}

TEST(Language, TextOrder) {
    struct Row {
        const char* a;
        const char* b;
        int order;
    } rows[] = {
        {"", "", 0},
        {"a", "", 1},
        {"abc", "abd", -1},
        {"\xC3\xA9", "z", 1},
        {"\xEF\xBF\xBF", "\xF0\x90\x80\x82", -1},
        {"\xED\xA0\x80\xED\xB0\x82", "\xF0\x90\x80\x82", 0},
        {"\xED\xA0\x80", "\xED\xA0\x80\xED\xB0\x82", -1},  // a lone high half
        {"\xF0\x90", "\xF0", 1},                           // cut sequences count byte by byte
    };
    for (const Row& r : rows) {
        int got = compareText(r.a, r.b);
        EXPECT_EQ((got > 0) - (got < 0), r.order) << r.a << " / " << r.b;
    }
}

// The action blocks of one frame share the stack; collectGarbage between
// frames drops what they left; a function call never sees the leftovers.
TEST(Language, FrameActionsShareTheStack) {
    TestHost host;
    Machine m(host, 6);
    auto run = [&](const Asm& a) {
        std::vector<std::uint8_t> bytes = a.bytes();
        return m.runActions(bytes, host.root()).end;
    };
    Asm leave, take, show;
    leave.push({"x", 5, "y"});
    take.push({7}).record(op::SetVariable).record(op::SetVariable);
    show.traceVariable("x").traceVariable("y");
    EXPECT_EQ(run(leave), RunResult::End::Finished);
    EXPECT_EQ(run(take), RunResult::End::Finished);
    EXPECT_EQ(run(show), RunResult::End::Finished);
    EXPECT_EQ(host.traces, (std::vector<std::string>{"5", "7"}));

    host.traces.clear();
    Asm leaveOthers, showOthers;
    leaveOthers.push({"p", 1, "q"});
    showOthers.traceVariable("p").traceVariable("q");
    run(leaveOthers);
    m.collectGarbage();
    run(take);  // pops 7 and nothing more: no variable is made
    run(showOthers);
    EXPECT_EQ(host.traces, (std::vector<std::string>{"undefined", "undefined"}));
    EXPECT_TRUE(host.warnings.empty());
}

TEST(Language, FunctionsShareTheCallersStack) {
    // function f() { push "a"; ConstantPool ["c"]; push pool[0] } leaves two values
    Asm body;
    body.push({Const{0}}).constantPool({"c"}).push({Const{0}});
    Asm comparator;
    comparator.push({"junk"}).push({0}).record(op::Return);
    runTable({
        {"what a function leaves stays under its result; its pool stays its own",
         6,
         [&](Asm& a) {
             a.constantPool({"a"}).defineFunction("f", {}, body).constantPool({"b"});
             a.push({Const{0}}).push({0, "f"}).record(op::CallFunction).record(op::Pop).push({Const{0}});
             a.record(op::Add2).record(op::Add2).record(op::Add2).trace();
         },
         {"bacb"}},
        {"a function a native calls leaves nothing behind",
         6,
         [&](Asm& a) {
             a.push({"marker"});
             a.push({"arr", 2, 1, 2}).record(op::InitArray).record(op::SetVariable);
             a.defineFunction("cmp", {"x", "y"}, comparator).push({"cmp"}).record(op::GetVariable);
             a.push({1}).callMethod("arr", "sort").record(op::Pop).trace();
         },
         {"marker"}},
    });
}

TEST(Language, ResolveForMissingMembers) {
    Asm resolver;
    resolver.push({"from "}).getVariable("n").record(op::Add2).record(op::Return);
    Asm handsOutG;
    handsOutG.getVariable("g").record(op::Return);
    Asm g;
    g.push({"ran"}).record(op::Return);
    runTable({
        {"a number or a plain object as __resolve: the chain is searched on, or the search ends",
         7,
         [&](Asm& a) {
             a.push({"P"}).defineFunction("", {}, Asm()).record(op::SetVariable);
             a.getVariable("P").getMember("prototype").push({"__resolve"}).defineFunction("", {"n"}, resolver);
             a.record(op::SetMember);
             a.push({"o", 0, "P"}).record(op::NewObject).record(op::SetVariable);
             a.getVariable("o").getMember("zz").trace();
             a.getVariable("o").push({"__resolve", 42}).record(op::SetMember);
             a.getVariable("o").getMember("zz").trace();
             a.getVariable("o").push({"__resolve", 0}).record(op::InitObject).record(op::SetMember);
             a.getVariable("o").getMember("zz").trace();
         },
         {"from zz", "from zz", "undefined"}},
        {"a missing method is asked of __resolve and called on the object",
         7,
         [&](Asm& a) {
             a.push({"g"}).defineFunction("", {}, g).record(op::SetVariable);
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").push({"__resolve"}).defineFunction("", {"n"}, handsOutG).record(op::SetMember);
             a.push({0}).callMethod("o", "go").trace();
         },
         {"ran"}},
    });
}

}  // namespace
}  // namespace swf::script
