// The action machine from action bytes: each case assembles a small
// program, runs it on a test stage and compares what it traced.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "swf/script/machine.h"
#include "tests/script/action_builder.h"
#include "tests/script/test_host.h"

namespace swf::script {
namespace {

using namespace test;

struct Case {
    const char* name;
    int version;
    std::function<void(Asm&)> build;
    std::vector<std::string> out;
};

void runTable(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        TestHost host;
        Machine m(host, c.version);
        Asm a;
        c.build(a);
        std::vector<std::uint8_t> bytes = a.bytes();
        RunResult r = m.runActions(bytes, host.root());
        EXPECT_EQ(host.traces, c.out) << c.name;
        EXPECT_NE(r.end, RunResult::End::LimitReached) << c.name;
        EXPECT_TRUE(host.warnings.empty()) << c.name << ": " << (host.warnings.empty() ? "" : host.warnings[0]);
    }
}

TEST(NumberFormat, PrintsAsTheReferencePlayer) {
    struct Num {
        double n;
        const char* text;
    } cases[] = {
        {0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {-1.5, "-1.5"},
        {0.1, "0.1"},
        {1e21, "1e+21"},
        {1.5e-7, "1.5e-7"},
        {5.4e-6, "5.4e-6"},
        {0.000054, "0.000054"},
        {1.11111111111111e15, "1.11111111111111e+15"},
        {0.0000123456789012346, "0.0000123456789012346"},
        {1.0 / 3, "0.333333333333333"},
        {123456789012345, "123456789012345"},
        {1e15, "1e+15"},
        {NAN, "NaN"},
        {INFINITY, "Infinity"},
        {-INFINITY, "-Infinity"},
        {-1.23456789123457e-308, "-1.23456789123457e-308"},
        {0.1 + 0.2, "0.3"},
        {-8.64e15, "-8.64e+15"},
        {4294967295.0, "4294967295"},
        {1e-5, "0.00001"},
        {123.456, "123.456"},
        {1.7976931348623157e308, "1.79769313486231e+308"},
        {-1.7976931348623157e308, "-1.79769313486231e+308"},
    };
    for (const Num& c : cases) EXPECT_EQ(formatNumber(c.n), c.text) << c.text;
    EXPECT_EQ(formatNumberRadix(255, 16), "ff");
    EXPECT_EQ(formatNumberRadix(-10, 2), "-1010");
}

TEST(Conversions, DependOnTheFileVersion) {
    EXPECT_EQ(primitiveToString(Value(), 6), "");
    EXPECT_EQ(primitiveToString(Value(), 7), "undefined");
    EXPECT_EQ(primitiveToNumber(Value(), 6), 0);
    EXPECT_TRUE(std::isnan(primitiveToNumber(Value::null(), 7)));
    EXPECT_EQ(parseNumber(" 12 ", 6), 12);
    EXPECT_EQ(parseNumber("0x1F", 6), 31);
    EXPECT_TRUE(std::isnan(parseNumber("0x1F", 5)));
    EXPECT_TRUE(std::isnan(parseNumber("", 6)));
    EXPECT_TRUE(std::isnan(parseNumber("1a", 6)));
    EXPECT_EQ(parseNumber("-1.5e3", 6), -1500);
    EXPECT_EQ(toInt32(4294967296.0 + 5), 5);
    EXPECT_EQ(toInt32(-1), -1);
    EXPECT_EQ(toUint32(-1), 4294967295u);
}

TEST(Actions, ArithmeticAndBitwise) {
    runTable({
        {"add2 numbers",
         6,
         [](Asm& a) {
             a.push({1, 2.5}).code(op::Add2).trace();
         },
         {"3.5"}},
        {"add2 concatenates",
         6,
         [](Asm& a) {
             a.push({"a", 1}).code(op::Add2).trace();
         },
         {"a1"}},
        {"add2 undefined v6",
         6,
         [](Asm& a) {
             a.push({"x", Undef{}}).code(op::Add2).trace();
         },
         {"x"}},
        {"add2 undefined v7",
         7,
         [](Asm& a) {
             a.push({"x", Undef{}}).code(op::Add2).trace();
         },
         {"xundefined"}},
        {"add2 null v6 is 0",
         6,
         [](Asm& a) {
             a.push({Null{}, 1}).code(op::Add2).trace();
         },
         {"1"}},
        {"add2 null v7 is NaN",
         7,
         [](Asm& a) {
             a.push({Null{}, 1}).code(op::Add2).trace();
         },
         {"NaN"}},
        {"legacy add",
         4,
         [](Asm& a) {
             a.push({"3", "4"}).code(op::Add).trace();
         },
         {"7"}},
        {"divide by zero",
         6,
         [](Asm& a) {
             a.push({1, 0}).code(op::Divide).trace();
         },
         {"Infinity"}},
        {"divide v4 error",
         4,
         [](Asm& a) {
             a.push({1, 0}).code(op::Divide).trace();
         },
         {"#ERROR#"}},
        {"modulo",
         6,
         [](Asm& a) {
             a.push({-7, 3}).code(op::Modulo).trace();
         },
         {"-1"}},
        {"subtract multiply",
         6,
         [](Asm& a) {
             a.push({10, 4}).code(op::Subtract).push({3}).code(op::Multiply).trace();
         },
         {"18"}},
        {"increment string", 6, [](Asm& a) { a.push({"41"}).code(op::Increment).trace(); }, {"42"}},
        {"to integer", 6, [](Asm& a) { a.push({-2.7}).code(op::ToInteger).trace(); }, {"-2"}},
        {"bit and or xor",
         6,
         [](Asm& a) {
             a.push({12, 10}).code(op::BitAnd).trace();
             a.push({12, 10}).code(op::BitOr).trace();
             a.push({12, 10}).code(op::BitXor).trace();
         },
         {"8", "14", "6"}},
        {"shifts",
         6,
         [](Asm& a) {
             a.push({1, 31}).code(op::BitLShift).trace();
             a.push({-16, 2}).code(op::BitRShift).trace();
             a.push({-1, 0}).code(op::BitURShift).trace();
             a.push({1, 33}).code(op::BitLShift).trace();
         },
         {"-2147483648", "-4", "-1", "2"}},  // a shift by zero stays signed
        {"bitand of large numbers wraps",
         6,
         [](Asm& a) {
             a.push({4294967297.0, 3}).code(op::BitAnd).trace();
         },
         {"1"}},
    });
}

TEST(Actions, Comparisons) {
    runTable({
        {"equals2 number string",
         6,
         [](Asm& a) {
             a.push({1, "1"}).code(op::Equals2).trace();
         },
         {"true"}},
        {"equals2 null undefined",
         6,
         [](Asm& a) {
             a.push({Null{}, Undef{}}).code(op::Equals2).trace();
         },
         {"true"}},
        {"equals2 null zero",
         6,
         [](Asm& a) {
             a.push({Null{}, 0}).code(op::Equals2).trace();
         },
         {"false"}},
        {"equals2 bool",
         6,
         [](Asm& a) {
             a.push({true, 1}).code(op::Equals2).trace();
         },
         {"true"}},
        {"equals2 NaN",
         6,
         [](Asm& a) {
             a.push({"a", "b"}).code(op::Subtract).code(op::PushDuplicate).code(op::Equals2).trace();
         },
         {"false"}},
        {"strict",
         6,
         [](Asm& a) {
             a.push({1, "1"}).code(op::StrictEquals).trace();
             a.push({"ab", "ab"}).code(op::StrictEquals).trace();
         },
         {"false", "true"}},
        {"less2 numbers and strings",
         6,
         [](Asm& a) {
             a.push({1, 2}).code(op::Less2).trace();
             a.push({"10", "9"}).code(op::Less2).trace();
             a.push({10, "9"}).code(op::Less2).trace();
         },
         {"true", "true", "false"}},
        {"less2 NaN is undefined",
         7,
         [](Asm& a) {
             a.push({"x", 1}).code(op::Less2).trace();
         },
         {"undefined"}},
        {"greater",
         6,
         [](Asm& a) {
             a.push({3, 2}).code(op::Greater).trace();
         },
         {"true"}},
        {"legacy equals v4 pushes numbers",
         4,
         [](Asm& a) {
             a.push({2, 2}).code(op::Equals).trace();
         },
         {"1"}},
        {"legacy less v5 pushes booleans",
         5,
         [](Asm& a) {
             a.push({1, 2}).code(op::Less).trace();
         },
         {"true"}},
        {"logic",
         6,
         [](Asm& a) {
             a.push({1, 0}).code(op::And).trace();
             a.push({1, 0}).code(op::Or).trace();
             a.push({""}).code(op::Not).trace();
         },
         {"false", "true", "true"}},
        {"string as boolean before 7", 6, [](Asm& a) { a.push({"abc"}).code(op::Not).trace(); }, {"true"}},
        {"string as boolean from 7", 7, [](Asm& a) { a.push({"abc"}).code(op::Not).trace(); }, {"false"}},
        {"string compare actions",
         6,
         [](Asm& a) {
             a.push({"abc", "abd"}).code(op::StringLess).trace();
             a.push({"b", "a"}).code(op::StringGreater).trace();
             a.push({"x", "x"}).code(op::StringEquals).trace();
         },
         {"true", "true", "true"}},
    });
}

TEST(Actions, Strings) {
    runTable({
        {"string add",
         6,
         [](Asm& a) {
             a.push({"ab", 3}).code(op::StringAdd).trace();
         },
         {"ab3"}},
        {"length", 6, [](Asm& a) { a.push({"h\xC3\xA9llo"}).code(op::StringLength).trace(); }, {"5"}},
        {"length bytes v5", 5, [](Asm& a) { a.push({"h\xC3\xA9llo"}).code(op::StringLength).trace(); }, {"6"}},
        {"mb length", 5, [](Asm& a) { a.push({"h\xC3\xA9llo"}).code(op::MBStringLength).trace(); }, {"5"}},
        {"extract",
         6,
         [](Asm& a) {
             a.push({"abcdef", 2, 3}).code(op::StringExtract).trace();
         },
         {"bcd"}},
        {"extract past end",
         6,
         [](Asm& a) {
             a.push({"abc", 3, 10}).code(op::StringExtract).trace();
         },
         {"c"}},
        {"mb extract",
         6,
         [](Asm& a) {
             a.push({"\xC3\xA9t\xC3\xA9", 2, 2}).code(op::MBStringExtract).trace();
         },
         {"t\xC3\xA9"}},
        {"char codes",
         6,
         [](Asm& a) {
             a.push({"A"}).code(op::CharToAscii).trace();
             a.push({66}).code(op::AsciiToChar).trace();
             a.push({"\xE2\x82\xAC"}).code(op::MBCharToAscii).trace();
             a.push({8364}).code(op::MBAsciiToChar).trace();
         },
         {"65", "B", "8364", "\xE2\x82\xAC"}},
        {"to string and number",
         6,
         [](Asm& a) {
             a.push({1.5}).code(op::ToString).push({"x"}).code(op::Add2).trace();
             a.push({"0x10"}).code(op::ToNumber).trace();
         },
         {"1.5x", "16"}},
        {"typeof",
         6,
         [](Asm& a) {
             a.push({1}).code(op::TypeOf).trace();
             a.push({"s"}).code(op::TypeOf).trace();
             a.push({Undef{}}).code(op::TypeOf).trace();
             a.push({Null{}}).code(op::TypeOf).trace();
             a.push({true}).code(op::TypeOf).trace();
             a.push({0}).code(op::InitObject).code(op::TypeOf).trace();
             a.get("Object").code(op::TypeOf).trace();
             a.get("_root").code(op::TypeOf).trace();
         },
         {"number", "string", "undefined", "null", "boolean", "object", "function", "movieclip"}},
        {"trace turns CR into line breaks", 6, [](Asm& a) { a.push({"a\rb"}).trace(); }, {"a\nb"}},
    });
}

TEST(Actions, StackRegistersAndConstants) {
    runTable({
        {"swap and duplicate",
         6,
         [](Asm& a) {
             a.push({1, 2}).code(op::StackSwap).trace().trace();
             a.push({"d"}).code(op::PushDuplicate).trace().trace();
         },
         {"1", "2", "d", "d"}},
        {"registers", 6, [](Asm& a) { a.push({7}).storeRegister(2).code(op::Pop).push({Reg{2}}).trace(); }, {"7"}},
        {"constant pool",
         6,
         [](Asm& a) {
             a.constants({"zero", "one"}).push({Const{1}, Const{0}}).trace().trace();
         },
         {"zero", "one"}},
        {"missing constant is undefined",
         6,
         [](Asm& a) { a.constants({"a"}).push({Const{5}}).trace(); },
         {"undefined"}},
        {"pop on empty stack gives undefined", 6, [](Asm& a) { a.code(op::Pop).trace(); }, {"undefined"}},
    });
}

TEST(Actions, VariablesAndPaths) {
    runTable({
        {"set and get", 6, [](Asm& a) { a.set("x", 5).traceVar("x"); }, {"5"}},
        {"case-insensitive before 7", 6, [](Asm& a) { a.set("Foo", 1).traceVar("fOO"); }, {"1"}},
        {"case-sensitive from 7",
         7,
         [](Asm& a) { a.set("Foo", 1).traceVar("foo").traceVar("Foo"); },
         {"undefined", "1"}},
        {"member names case-insensitive before 7",
         6,
         [](Asm& a) {
             a.push({"o", 0}).code(op::InitObject).code(op::SetVariable);
             a.get("o").push({"Abc", 3}).code(op::SetMember);
             a.get("o").member("aBC").trace();
         },
         {"3"}},
        {"slash path variable",
         6,
         [](Asm& a) { a.set("/:v", "rootvar").traceVar("v").traceVar("_root.v").traceVar("/:v"); },
         {"rootvar", "rootvar", "rootvar"}},
        {"global",
         6,
         [](Asm& a) {
             a.get("_global").push({"g", 9}).code(op::SetMember);
             a.traceVar("g");
         },
         {"9"}},
        {"this at top level is the clip", 6, [](Asm& a) { a.get("this").code(op::TargetPath).trace(); }, {"_level0"}},
        {"define local at top level sets the clip",
         6,
         [](Asm& a) {
             a.push({"x", 3}).code(op::DefineLocal).get("this").member("x").trace();
         },
         {"3"}},
        {"delete",
         6,
         [](Asm& a) {
             a.set("x", 1).push({"x"}).code(op::Delete2).trace().traceVar("x");
             a.push({"o", 0}).code(op::InitObject).code(op::SetVariable);
             a.get("o").push({"p", 1}).code(op::SetMember);
             a.get("o").push({"p"}).code(op::Delete).trace();
             a.get("o").push({"p"}).code(op::Delete).trace();
         },
         {"true", "undefined", "true", "false"}},
        {"with scopes",
         6,
         [](Asm& a) {
             a.push({"o", "a", 1, 1}).code(op::InitObject).code(op::SetVariable);
             a.set("a", "outer");
             Asm body;
             body.traceVar("a").set("a", "inner").set("b", "new");
             a.get("o").with(body);
             a.get("o").member("a").trace().traceVar("a").traceVar("b");
         },
         {"1", "inner", "outer", "new"}},
        {"var in a with block of frame code sets the object's own property",
         6,
         [](Asm& a) {
             a.push({"m", "b", 20, 1}).code(op::InitObject).code(op::SetVariable);
             Asm body;
             body.push({"b", 10}).code(op::DefineLocal).push({"c", 10}).code(op::DefineLocal);
             a.get("m").with(body);
             a.get("m").member("b").trace().get("m").member("c").trace().traceVar("c");
         },
         {"10", "undefined", "10"}},
    });
}

TEST(Actions, ControlFlow) {
    runTable({
        {"loop",
         6,
         [](Asm& a) {
             a.set("i", 0).label("top");
             a.get("i").push({3}).code(op::Less2).code(op::Not).ifTrue("done");
             a.traceVar("i");
             a.push({"i"}).get("i").code(op::Increment).code(op::SetVariable);
             a.jump("top").label("done").traceValue("end");
         },
         {"0", "1", "2", "end"}},
        {"try catch",
         6,
         [](Asm& a) {
             Asm body, handler;
             body.traceValue("in try").push({"boom"}).code(op::Throw).traceValue("not reached");
             handler.traceValue("caught").traceVar("e");
             a.tryBlock(body, &handler, nullptr, "e").traceValue("after");
         },
         {"in try", "caught", "boom", "after"}},
        {"try catch into register",
         6,
         [](Asm& a) {
             Asm body, handler;
             body.push({42}).code(op::Throw);
             handler.push({Reg{1}}).trace();
             a.tryBlock(body, &handler, nullptr, nullptr, 1);
         },
         {"42"}},
        {"finally runs on both paths",
         6,
         [](Asm& a) {
             Asm body, fin;
             body.traceValue("body");
             fin.traceValue("finally");
             a.tryBlock(body, nullptr, &fin, nullptr).traceValue("after");
             Asm thrower, handler, fin2;
             thrower.push({"x"}).code(op::Throw);
             handler.traceValue("catch");
             fin2.traceValue("finally2");
             a.tryBlock(thrower, &handler, &fin2, "e");
         },
         {"body", "finally", "after", "catch", "finally2"}},
        {"try block jumping into its finally block runs it once",
         6,
         [](Asm& a) {
             Asm body, handler, fin;
             body.traceValue("try");
             handler.traceValue("catch");
             fin.traceValue("finally");
             a.tryBlock(body, &handler, &fin, "e").traceValue("after");
         },
         {"try", "finally", "after"}},
        {"uncaught exception in function reaches the caller's catch",
         6,
         [](Asm& a) {
             Asm fbody;
             fbody.push({"err"}).code(op::Throw);
             a.function("f", {}, fbody);
             Asm body, handler;
             body.push({0, "f"}).code(op::CallFunction).code(op::Pop).traceValue("no");
             handler.traceVar("e");
             a.tryBlock(body, &handler, nullptr, "e");
         },
         {"err"}},
        {"return inside try runs finally",
         6,
         [](Asm& a) {
             Asm tbody, fin, fbody;
             tbody.push({"r"}).code(op::Return);
             fin.traceValue("fin");
             fbody.tryBlock(tbody, nullptr, &fin, nullptr).push({"late"}).code(op::Return);
             a.function("f", {}, fbody).push({0, "f"}).code(op::CallFunction).trace();
         },
         {"fin", "r"}},
    });
}

TEST(Actions, Functions) {
    runTable({
        {"call with arguments",
         6,
         [](Asm& a) {
             Asm body;
             body.get("a").get("b").code(op::Add2).code(op::Return);
             a.function("add", {"a", "b"}, body);
             a.push({2, 1, 2, "add"}).code(op::CallFunction).trace();
         },
         {"3"}},
        {"anonymous function value",
         6,
         [](Asm& a) {
             Asm body;
             body.push({"hi"}).code(op::Return);
             a.push({"f"}).function("", {}, body).code(op::SetVariable);
             a.push({0, "f"}).code(op::CallFunction).trace();
         },
         {"hi"}},
        {"locals do not leak",
         6,
         [](Asm& a) {
             Asm body;
             body.push({"loc", 1}).code(op::DefineLocal).set("glob", 2);
             a.function("f", {}, body).push({0, "f"}).code(op::CallFunction).code(op::Pop);
             a.traceVar("loc").traceVar("glob");
         },
         {"undefined", "2"}},
        {"closure keeps its scope",
         6,
         [](Asm& a) {
             Asm inner, outer;
             inner.get("n").code(op::Return);
             outer.push({"n", "captured"})
                 .code(op::DefineLocal)
                 .push({"g"})
                 .function("", {}, inner)
                 .code(op::DefineLocal);
             outer.get("g").code(op::Return);
             a.function("make", {}, outer);
             a.push({"h"}).push({0, "make"}).code(op::CallFunction).code(op::SetVariable);
             a.push({0, "h"}).code(op::CallFunction).trace();
         },
         {"captured"}},
        {"arguments object",
         6,
         [](Asm& a) {
             Asm body;
             body.get("arguments").member("length").trace();
             body.get("arguments").push({1}).code(op::GetMember).trace();
             body.get("arguments").member("callee").get("f").code(op::StrictEquals).trace();
             body.get("arguments").member("caller").trace();
             a.function("f", {}, body).push({"y", "x", 2, "f"}).code(op::CallFunction).code(op::Pop);
         },
         {"2", "y", "true", "null"}},
        {"define function2 registers and preload",
         6,
         [](Asm& a) {
             Asm body;
             body.push({Reg{1}}).code(op::TargetPath).trace();  // this
             body.push({Reg{2}}).member("length").trace();      // arguments
             body.push({Reg{3}}).code(op::TargetPath).trace();  // _root
             body.push({Reg{4}}).trace();                       // parameter
             body.traceVar("arguments");                        // suppressed by preload
             a.function2("f", 5, PreloadThis | PreloadArguments | PreloadRoot, {{4, "p"}}, body);
             a.push({"param", 1, "f"}).code(op::CallFunction).code(op::Pop);
         },
         {"_level0", "1", "_level0", "param", "undefined"}},
        {"registers past the function's count are the frame's",
         6,
         [](Asm& a) {
             Asm body;
             body.push({9}).storeRegister(3).code(op::Pop);
             a.push({3}).storeRegister(3).code(op::Pop);
             a.function2("f", 2, 0, {}, body).push({0, "f"}).code(op::CallFunction).code(op::Pop);
             a.push({Reg{3}}).trace();
         },
         {"9"}},
        {"recursion",
         6,
         [](Asm& a) {
             // fact(n) = n <= 1 ? 1 : n * fact(n - 1)
             Asm body;
             body.get("n").push({2}).code(op::Less2).ifTrue("base");
             body.get("n").push({1}).code(op::Subtract).push({1, "fact"}).code(op::CallFunction);
             body.get("n").code(op::Multiply).code(op::Return);
             body.label("base").push({1}).code(op::Return);
             a.function("fact", {"n"}, body).push({10, 1, "fact"}).code(op::CallFunction).trace();
         },
         {"3628800"}},
        {"function call and apply",
         6,
         [](Asm& a) {
             Asm body;
             body.get("this").member("k").get("a").code(op::Add2).code(op::Return);
             a.function("f", {"a"}, body);
             a.push({"o", "k", "K", 1}).code(op::InitObject).code(op::SetVariable);
             a.push({"x"}).get("o").push({2}).get("f").push({"call"}).code(op::CallMethod).trace();
             a.push({"y", 1})
                 .code(op::InitArray)
                 .get("o")
                 .push({2})
                 .get("f")
                 .push({"apply"})
                 .code(op::CallMethod)
                 .trace();
         },
         {"Kx", "Ky"}},
        {"method call with empty name calls the object",
         6,
         [](Asm& a) {
             Asm body;
             body.push({"called"}).code(op::Return);
             a.push({"f"}).function("", {}, body).code(op::SetVariable);
             a.push({0}).get("f").push({""}).code(op::CallMethod).trace();
         },
         {"called"}},
    });
}

TEST(Actions, ObjectsAndClasses) {
    runTable({
        {"init object and members",
         6,
         [](Asm& a) {
             a.push({"o", "x", 1, "y", "two", 2}).code(op::InitObject).code(op::SetVariable);
             a.get("o").member("x").trace();
             a.get("o").member("y").trace();
         },
         {"1", "two"}},
        {"init array and length",
         6,
         [](Asm& a) {
             a.push({"a", 3, 2, 1, 3}).code(op::InitArray).code(op::SetVariable);
             a.get("a").member("length").trace();
             a.get("a").push({0}).code(op::GetMember).trace();
             a.get("a").push({"length", 1}).code(op::SetMember);
             a.get("a").member("length").trace();
             a.get("a").push({1}).code(op::GetMember).trace();
         },
         {"3", "1", "1", "undefined"}},
        {"enumeration lists newest first",
         6,
         [](Asm& a) {
             a.push({"o", 0, "Object"}).code(op::NewObject).code(op::SetVariable);
             a.get("o").push({"x", "test x"}).code(op::SetMember);
             a.get("o").push({"y", "test y"}).code(op::SetMember);
             a.get("o")
                 .code(op::Enumerate2)
                 .label("loop")
                 .storeRegister(0)
                 .push({Null{}})
                 .code(op::Equals2)
                 .ifTrue("done");
             a.push({Reg{0}}).trace().jump("loop").label("done");
         },
         {"y", "x"}},
        {"array enumeration follows creation order",
         6,
         [](Asm& a) {
             a.push({"arr", 0}).code(op::InitArray).code(op::SetVariable);
             a.get("arr").push({1, Undef{}}).code(op::SetMember);
             a.get("arr").push({0, "e0"}).code(op::SetMember);
             a.get("arr").push({"foo", "foo"}).code(op::SetMember);
             a.get("arr").push({5, "e5"}).code(op::SetMember);
             a.get("arr")
                 .code(op::Enumerate2)
                 .label("loop")
                 .storeRegister(0)
                 .push({Null{}})
                 .code(op::Equals2)
                 .ifTrue("done");
             a.push({Reg{0}}).trace().jump("loop").label("done");
         },
         {"5", "foo", "0", "1"}},
        {"constructor and prototype",
         6,
         [](Asm& a) {
             Asm ctor;
             ctor.get("this").push({"name", "pt"}).code(op::SetMember);
             a.function("Point", {}, ctor);
             Asm method;
             method.push({"I am "}).get("this").member("name").code(op::Add2).code(op::Return);
             a.get("Point").member("prototype").push({"who"}).function("", {}, method).code(op::SetMember);
             a.push({"p", 0, "Point"}).code(op::NewObject).code(op::SetVariable);
             a.push({0}).get("p").push({"who"}).code(op::CallMethod).trace();
             a.get("p").get("Point").code(op::InstanceOf).trace();
             a.get("p").member("__proto__").get("Point").member("prototype").code(op::StrictEquals).trace();
             a.get("p").member("__constructor__").get("Point").code(op::StrictEquals).trace();
         },
         {"I am pt", "true", "true", "true"}},
        {"extends and super",
         6,
         [](Asm& a) {
             Asm base, baseHello, derived, derivedHello;
             base.get("this").push({"tag", "base"}).code(op::SetMember);
             a.function("Base", {}, base);
             baseHello.push({"Base.hello "}).get("this").member("tag").code(op::Add2).code(op::Return);
             a.get("Base").member("prototype").push({"hello"}).function("", {}, baseHello).code(op::SetMember);
             derived.push({0}).get("super").push({Undef{}}).code(op::CallMethod).code(op::Pop);
             derived.get("this").push({"tag2", "derived"}).code(op::SetMember);
             a.function("Derived", {}, derived);
             a.get("Derived").get("Base").code(op::Extends);
             derivedHello.push({0})
                 .get("super")
                 .push({"hello"})
                 .code(op::CallMethod)
                 .push({"+D"})
                 .code(op::Add2)
                 .code(op::Return);
             a.get("Derived").member("prototype").push({"hello"}).function("", {}, derivedHello).code(op::SetMember);
             a.push({"d", 0, "Derived"}).code(op::NewObject).code(op::SetVariable);
             a.push({0}).get("d").push({"hello"}).code(op::CallMethod).trace();
             a.get("d").get("Base").code(op::InstanceOf).trace();
             a.get("d").member("tag2").trace();
         },
         {"Base.hello base+D", "true", "derived"}},
        {"cast and implements",
         6,
         [](Asm& a) {
             Asm empty;
             a.function("I", {}, empty).function("C", {}, empty);
             a.get("I").push({1}).get("C").code(op::ImplementsOp);
             a.push({"c", 0, "C"}).code(op::NewObject).code(op::SetVariable);
             a.get("c").get("I").code(op::InstanceOf).trace();
             a.get("I").get("c").code(op::CastOp).code(op::TypeOf).trace();
             a.get("C").push({0}).code(op::InitObject).code(op::CastOp).trace();
         },
         {"true", "object", "null"}},
        {"getter and setter",
         6,
         [](Asm& a) {
             Asm getter, setter;
             getter.push({"got"}).code(op::Return);
             setter.push({"set "}).get("v").code(op::Add2).trace();
             a.push({"o", 0}).code(op::InitObject).code(op::SetVariable);
             a.function("g", {}, getter).function("s", {"v"}, setter);
             a.get("s").get("g").push({"p", 3}).get("o").push({"addProperty"}).code(op::CallMethod).trace();
             a.get("o").member("p").trace();
             a.get("o").push({"p", 5}).code(op::SetMember);
         },
         {"true", "got", "set 5"}},
        {"a setter writing its own property does not recurse",
         6,
         [](Asm& a) {
             Asm getter, setter;
             getter.push({"getter"}).trace().get("o").member("prop").code(op::Return);
             setter.push({"setter"}).trace().get("o").push({"prop", "f"}).code(op::SetMember);
             a.push({"o", 0}).code(op::InitObject).code(op::SetVariable);
             a.function("g", {}, getter).function("s", {}, setter);
             a.get("s").get("g").push({"prop", 3}).get("o").push({"addProperty"}).code(op::CallMethod).code(op::Pop);
             a.get("o").push({"prop", "b"}).code(op::SetMember);
             a.get("o").member("prop").trace();
         },
         {"setter", "getter", "b"}},
        {"watch",
         6,
         [](Asm& a) {
             Asm cb;
             cb.get("name")
                 .push({":"})
                 .code(op::Add2)
                 .get("old")
                 .code(op::Add2)
                 .push({">"})
                 .code(op::Add2)
                 .get("nv")
                 .code(op::Add2)
                 .trace();
             cb.get("nv").push({10}).code(op::Multiply).code(op::Return);
             a.push({"o", "p", 1, 1}).code(op::InitObject).code(op::SetVariable);
             a.function("cb", {"name", "old", "nv"}, cb);
             a.get("cb").push({"p", 2}).get("o").push({"watch"}).code(op::CallMethod).code(op::Pop);
             a.get("o").push({"p", 2}).code(op::SetMember);
             a.get("o").member("p").trace();
             a.push({"p", 1}).get("o").push({"unwatch"}).code(op::CallMethod).code(op::Pop);
             a.get("o").push({"p", 3}).code(op::SetMember);
             a.get("o").member("p").trace();
         },
         {"p:1>2", "20", "3"}},
        {"ASSetPropFlags hides, protects and freezes",
         6,
         [](Asm& a) {
             a.push({"o", "a", 1, "b", 2, 2}).code(op::InitObject).code(op::SetVariable);
             a.push({0, 1, "a"}).get("o").push({4, "ASSetPropFlags"}).code(op::CallFunction).code(op::Pop);
             a.get("o")
                 .code(op::Enumerate2)
                 .label("loop")
                 .storeRegister(0)
                 .push({Null{}})
                 .code(op::Equals2)
                 .ifTrue("done");
             a.push({Reg{0}}).trace().jump("loop").label("done");
             a.push({0, 6, "b"}).get("o").push({4, "ASSetPropFlags"}).code(op::CallFunction).code(op::Pop);
             a.get("o").push({"b", 99}).code(op::SetMember);
             a.get("o").member("b").trace();
             a.get("o").push({"b"}).code(op::Delete).trace();
         },
         {"b", "2", "false"}},
        {"hasOwnProperty and isPrototypeOf",
         6,
         [](Asm& a) {
             a.push({"o", "own", 1, 1}).code(op::InitObject).code(op::SetVariable);
             a.push({"own", 1}).get("o").push({"hasOwnProperty"}).code(op::CallMethod).trace();
             a.push({"toString", 1}).get("o").push({"hasOwnProperty"}).code(op::CallMethod).trace();
             a.get("o")
                 .push({1})
                 .get("Object")
                 .member("prototype")
                 .push({"isPrototypeOf"})
                 .code(op::CallMethod)
                 .trace();
         },
         {"true", "false", "true"}},
        {"object to string",
         6,
         [](Asm& a) {
             a.push({0}).code(op::InitObject).trace();
             a.get("Object").trace();
             Asm ts;
             ts.push({"custom"}).code(op::Return);
             a.push({"o", 0}).code(op::InitObject).code(op::SetVariable);
             a.get("o").push({"toString"}).function("", {}, ts).code(op::SetMember);
             a.get("o").push({"!"}).code(op::Add2).trace();
         },
         {"[object Object]", "[type Function]", "custom!"}},
        {"boolean and error",
         6,
         [](Asm& a) {
             a.push({0, 1, "Boolean"}).code(op::NewObject).trace();
             a.push({"bad", 1, "Error"}).code(op::NewObject).trace();
             a.push({0, "Error"}).code(op::NewObject).member("message").trace();
         },
         {"false", "bad", "Error"}},
    });
}

TEST(Actions, GlobalFunctions) {
    runTable({
        {"parseInt parseFloat",
         6,
         [](Asm& a) {
             a.push({"0x1A", 1, "parseInt"}).code(op::CallFunction).trace();
             a.push({16, "ff", 2, "parseInt"}).code(op::CallFunction).trace();
             a.push({" 12px", 1, "parseInt"}).code(op::CallFunction).trace();
             a.push({"3.25e1abc", 1, "parseFloat"}).code(op::CallFunction).trace();
             a.push({"abc", 1, "parseFloat"}).code(op::CallFunction).trace();
         },
         {"26", "255", "12", "32.5", "NaN"}},
        {"isNaN isFinite",
         6,
         [](Asm& a) {
             a.push({"x", 1, "isNaN"}).code(op::CallFunction).trace();
             a.push({"1e400", 1, "isFinite"}).code(op::CallFunction).trace();
         },
         {"true", "false"}},
        {"escape unescape",
         6,
         [](Asm& a) {
             a.push({"@*_+-./ a", 1, "escape"}).code(op::CallFunction).trace();
             a.push({"One%20+mo%2re", 1, "unescape"}).code(op::CallFunction).trace();
             a.push({"aaa%zz", 1, "unescape"}).code(op::CallFunction).trace();
             a.push({"%u0100", 1, "unescape"}).code(op::CallFunction).trace();
         },
         {"%40%2A%5F%2B%2D%2E%2F%20a", "One  moe", "aaaz", "0100"}},
    });
}

// Behaviours of the reference player that differ from what one would guess.
TEST(Actions, ReferencePlayerQuirks) {
    runTable({
        {"octal strings from version 6",
         6,
         [](Asm& a) {
             a.push({"010", 1}).code(op::Add2).trace();
         },
         {"0101"}},
        {"octal strings as numbers", 6, [](Asm& a) { a.push({"010"}).code(op::ToNumber).trace(); }, {"8"}},
        {"version 4 reads a number's start",
         4,
         [](Asm& a) {
             a.push({"300", "150a"}).code(op::Add).trace();
         },
         {"450"}},
        {"version 4 reads words as 0",
         4,
         [](Asm& a) {
             a.push({"ab", "cd"}).code(op::Add).trace();
         },
         {"0"}},
        {"NaN strictly equals NaN",
         6,
         [](Asm& a) {
             a.push({"x", 1}).code(op::Subtract).code(op::PushDuplicate).code(op::StrictEquals).trace();
         },
         {"true"}},
        {"an object without valueOf compares false",
         7,
         [](Asm& a) {
             a.push({0}).code(op::InitObject).push({0}).code(op::Less2).trace();
             a.push({0, 0}).code(op::InitObject).code(op::Less2).trace();
         },
         {"false", "false"}},
        {"object plus number is NaN, plus string concatenates",
         7,
         [](Asm& a) {
             a.push({0}).code(op::InitObject).push({1}).code(op::Add2).trace();
             a.push({0}).code(op::InitObject).push({"s"}).code(op::Add2).trace();
         },
         {"NaN", "[object Object]s"}},
        {"uncaught exception line",
         6,
         [](Asm& a) { a.push({"Oh no!"}).code(op::Throw).traceValue("not reached"); },
         {"Warning: Uncaught exception, Oh no!"}},
        {"addProperty needs a setter argument",
         6,
         [](Asm& a) {
             Asm g;
             g.push({1}).code(op::Return);
             a.push({"o", 0}).code(op::InitObject).code(op::SetVariable);
             a.push({"g"}).function("", {}, g).code(op::SetVariable);
             a.get("g").push({"p", 2}).get("o").push({"addProperty"}).code(op::CallMethod).trace();
             a.push({Null{}}).get("g").push({"p", 3}).get("o").push({"addProperty"}).code(op::CallMethod).trace();
         },
         {"false", "true"}},
        {"nameless properties are never made",
         6,
         [](Asm& a) {
             a.push({"o", 0}).code(op::InitObject).code(op::SetVariable);
             a.get("o").push({"", 1}).code(op::SetMember);
             a.push({"", 1}).get("o").push({"hasOwnProperty"}).code(op::CallMethod).trace();
             a.push({"__proto__", 1}).get("o").push({"hasOwnProperty"}).code(op::CallMethod).trace();
         },
         {"false", "true"}},
        {"InitArray with more elements than the stack makes undefined",
         8,
         [](Asm& a) {
             a.push({"a", "b", "c", 4294967297.0}).code(op::InitArray).trace().trace().trace().trace();
             a.push({"a", -1}).code(op::InitObject).trace().trace();
         },
         {"undefined", "c", "b", "a", "undefined", "a"}},
        {"__resolve answers missing members but not conversions",
         6,
         [](Asm& a) {
             Asm r;
             r.push({"resolved "}).get("n").code(op::Add2).code(op::Return);
             a.push({"o", 0}).code(op::InitObject).code(op::SetVariable);
             a.get("o").push({"__resolve"}).function("", {"n"}, r).code(op::SetMember);
             a.get("o").member("missing").trace();
             a.get("o").push({"x"}).code(op::Add2).trace();
         },
         {"resolved missing", "[object Object]x"}},
        {"ASSetPropFlags with undefined names the property \"undefined\"",
         7,
         [](Asm& a) {
             a.push({"o", "a", 3, "undefined", 4, 2}).code(op::InitObject).code(op::SetVariable);
             a.push({0, 1, Undef{}}).get("o").push({4, "ASSetPropFlags"}).code(op::CallFunction).code(op::Pop);
             a.get("o")
                 .code(op::Enumerate2)
                 .label("loop")
                 .storeRegister(0)
                 .push({Null{}})
                 .code(op::Equals2)
                 .ifTrue("done");
             a.push({Reg{0}}).trace().jump("loop").label("done");
         },
         {"a"}},
        {"_global has no toString", 6, [](Asm& a) { a.get("_global").trace(); }, {"[type Object]"}},
        {"preloading _parent at the root takes no register",
         6,
         [](Asm& a) {
             Asm body;
             body.push({Reg{1}}).trace().push({Reg{2}}).trace();
             a.function2("f", 3, PreloadParent | PreloadGlobal | SuppressThis | SuppressArguments | SuppressSuper, {},
                         body);
             a.push({0, "f"}).code(op::CallFunction).code(op::Pop);
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
    a.push({"mc", 0, 50}).code(op::SetProperty);           // mc._x = 50
    a.push({"mc", 0}).code(op::GetProperty).trace();       // 50
    a.get("mc").push({"_alpha", 30}).code(op::SetMember);  // mc._alpha = 30
    a.get("mc").member("_ALPHA").trace();                  // names of display properties ignore case
    a.get("mc").member("_name").trace();
    a.get("mc").code(op::TargetPath).trace();
    a.traceVar("/mc:_x");
    a.setTarget("mc").gotoLabel("end").code(op::Stop).setTarget("");
    a.get("mc").member("_currentframe").trace();
    a.push({"mc"}).code(op::SetTarget2).push({3}).gotoFrame2(true).setTarget("");
    a.get("mc").member("_parent").code(op::TargetPath).trace();
    a.get("mc").push({"v", 1}).code(op::SetMember);
    a.traceVar("mc.v");
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
    a.push({"mc", "copy", 5}).code(op::CloneSprite);
    a.get("copy").code(op::TargetPath).trace();
    a.push({"copy"}).code(op::RemoveSprite);
    a.getUrl("http://example.com", "_blank");
    // WaitForFrame 20 (not loaded: the test host has 10 frames) skips two actions (push, trace).
    a.raw({0x8A, 3, 0, 20, 0, 2}).traceValue("skipped").traceValue("after wait");
    a.raw({0x8A, 3, 0, 2, 0, 2}).traceValue("loaded");
    a.push({0}).code(op::InitObject).code(op::TargetPath).trace();
    auto bytes = a.bytes();
    m.runActions(bytes, 1);
    EXPECT_EQ(host.traces, (std::vector<std::string>{"_level0.copy", "after wait", "loaded", "undefined"}));
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
    a.push({3, 1}).get("mc").push({"gotoAndStop"}).code(op::CallMethod).code(op::Pop);
    a.get("mc").member("_currentframe").trace();
    a.push({"end", 1}).get("mc").push({"gotoAndPlay"}).code(op::CallMethod).code(op::Pop);
    a.get("mc").member("_currentframe").trace();
    a.push({0}).get("mc").push({"stop"}).code(op::CallMethod).code(op::Pop);
    a.push({0}).get("mc").push({"prevFrame"}).code(op::CallMethod).code(op::Pop);
    a.get("mc").member("_currentframe").trace();
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
        .function("", {}, tick)
        .push({2, "setInterval"})
        .code(op::CallFunction)
        .code(op::SetVariable);
    a.push({50}).function("", {}, tick).push({2, "setTimeout"}).code(op::CallFunction).code(op::Pop);
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
    clear.get("id").push({1, "clearInterval"}).code(op::CallFunction);
    auto clearBytes = clear.bytes();
    m.runActions(clearBytes, 1);
    m.advanceClock(500);
    m.runTimers();
    EXPECT_EQ(host.traces.size(), 3u);
}

}  // namespace
}  // namespace swf::script
