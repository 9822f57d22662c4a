// The action machine from action bytes: each case assembles a small
// program, runs it on a test stage and compares what it traced.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "swf/script/machine.h"
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

// One action on pushed operands, and what it leaves traced.
struct OpCase {
    const char* name;
    int version;
    std::initializer_list<Asm::PushValue> operands;
    std::uint8_t code;
    const char* out;
};

void runTable(const std::vector<Case>& cases);

void runOps(std::initializer_list<OpCase> cases) {
    std::vector<Case> table;
    for (const OpCase& c : cases)
        table.push_back({c.name, c.version, [&c](Asm& a) { a.push(c.operands).record(c.code).trace(); }, {c.out}});
    runTable(table);
}

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
    runOps({
        {"add2 numbers", 6, {1, 2.5}, op::Add2, "3.5"},
        {"add2 concatenates", 6, {"a", 1}, op::Add2, "a1"},
        {"add2 undefined v6", 6, {"x", Undef{}}, op::Add2, "x"},
        {"add2 undefined v7", 7, {"x", Undef{}}, op::Add2, "xundefined"},
        {"add2 null v6 is 0", 6, {Null{}, 1}, op::Add2, "1"},
        {"add2 null v7 is NaN", 7, {Null{}, 1}, op::Add2, "NaN"},
        {"legacy add", 4, {"3", "4"}, op::Add, "7"},
        {"divide by zero", 6, {1, 0}, op::Divide, "Infinity"},
        {"divide v4 error", 4, {1, 0}, op::Divide, "#ERROR#"},
        {"modulo", 6, {-7, 3}, op::Modulo, "-1"},
        {"bitand of large numbers wraps", 6, {4294967297.0, 3}, op::BitAnd, "1"},
        {"increment string", 6, {"41"}, op::Increment, "42"},
        {"to integer", 6, {-2.7}, op::ToInteger, "-2"},
    });
    runTable({
        {"subtract multiply",
         6,
         [](Asm& a) {
             a.push({10, 4}).record(op::Subtract).push({3}).record(op::Multiply).trace();
         },
         {"18"}},
        {"bit and or xor",
         6,
         [](Asm& a) {
             a.push({12, 10}).record(op::BitAnd).trace();
             a.push({12, 10}).record(op::BitOr).trace();
             a.push({12, 10}).record(op::BitXor).trace();
         },
         {"8", "14", "6"}},
        {"shifts",
         6,
         [](Asm& a) {
             a.push({1, 31}).record(op::BitLShift).trace();
             a.push({-16, 2}).record(op::BitRShift).trace();
             a.push({-1, 0}).record(op::BitURShift).trace();
             a.push({1, 33}).record(op::BitLShift).trace();
         },
         {"-2147483648", "-4", "-1", "2"}},  // a shift by zero stays signed
    });
}

TEST(Actions, Comparisons) {
    runOps({
        {"equals2 number string", 6, {1, "1"}, op::Equals2, "true"},
        {"equals2 null undefined", 6, {Null{}, Undef{}}, op::Equals2, "true"},
        {"equals2 null zero", 6, {Null{}, 0}, op::Equals2, "false"},
        {"equals2 bool", 6, {true, 1}, op::Equals2, "true"},
        {"less2 NaN is undefined", 7, {"x", 1}, op::Less2, "undefined"},
        {"greater", 6, {3, 2}, op::Greater, "true"},
        {"legacy equals v4 pushes numbers", 4, {2, 2}, op::Equals, "1"},
        {"legacy less v5 pushes booleans", 5, {1, 2}, op::Less, "true"},
        {"string as boolean before 7", 6, {"abc"}, op::Not, "true"},
        {"string as boolean from 7", 7, {"abc"}, op::Not, "false"},
    });
    runTable({
        {"equals2 NaN",
         6,
         [](Asm& a) {
             a.push({"a", "b"}).record(op::Subtract).record(op::PushDuplicate).record(op::Equals2).trace();
         },
         {"false"}},
        {"strict",
         6,
         [](Asm& a) {
             a.push({1, "1"}).record(op::StrictEquals).trace();
             a.push({"ab", "ab"}).record(op::StrictEquals).trace();
         },
         {"false", "true"}},
        {"less2 numbers and strings",
         6,
         [](Asm& a) {
             a.push({1, 2}).record(op::Less2).trace();
             a.push({"10", "9"}).record(op::Less2).trace();
             a.push({10, "9"}).record(op::Less2).trace();
         },
         {"true", "true", "false"}},
        {"logic",
         6,
         [](Asm& a) {
             a.push({1, 0}).record(op::And).trace();
             a.push({1, 0}).record(op::Or).trace();
             a.push({""}).record(op::Not).trace();
         },
         {"false", "true", "true"}},
        {"string compare actions",
         6,
         [](Asm& a) {
             a.push({"abc", "abd"}).record(op::StringLess).trace();
             a.push({"b", "a"}).record(op::StringGreater).trace();
             a.push({"x", "x"}).record(op::StringEquals).trace();
         },
         {"true", "true", "true"}},
    });
}

TEST(Actions, Strings) {
    runOps({
        {"string add", 6, {"ab", 3}, op::StringAdd, "ab3"},
        {"extract", 6, {"abcdef", 2, 3}, op::StringExtract, "bcd"},
        {"extract past end", 6, {"abc", 3, 10}, op::StringExtract, "c"},
        {"mb extract", 6, {"\xC3\xA9t\xC3\xA9", 2, 2}, op::MBStringExtract, "t\xC3\xA9"},
        {"length", 6, {"h\xC3\xA9llo"}, op::StringLength, "5"},
        {"length bytes v5", 5, {"h\xC3\xA9llo"}, op::StringLength, "6"},
        {"mb length", 5, {"h\xC3\xA9llo"}, op::MBStringLength, "5"},
    });
    runTable({
        {"char codes",
         6,
         [](Asm& a) {
             a.push({"A"}).record(op::CharToAscii).trace();
             a.push({66}).record(op::AsciiToChar).trace();
             a.push({"\xE2\x82\xAC"}).record(op::MBCharToAscii).trace();
             a.push({8364}).record(op::MBAsciiToChar).trace();
         },
         {"65", "B", "8364", "\xE2\x82\xAC"}},
        {"to string and number",
         6,
         [](Asm& a) {
             a.push({1.5}).record(op::ToString).push({"x"}).record(op::Add2).trace();
             a.push({"0x10"}).record(op::ToNumber).trace();
         },
         {"1.5x", "16"}},
        {"typeof",
         6,
         [](Asm& a) {
             a.push({1}).record(op::TypeOf).trace();
             a.push({"s"}).record(op::TypeOf).trace();
             a.push({Undef{}}).record(op::TypeOf).trace();
             a.push({Null{}}).record(op::TypeOf).trace();
             a.push({true}).record(op::TypeOf).trace();
             a.push({0}).record(op::InitObject).record(op::TypeOf).trace();
             a.getVariable("Object").record(op::TypeOf).trace();
             a.getVariable("_root").record(op::TypeOf).trace();
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
             a.push({1, 2}).record(op::StackSwap).trace().trace();
             a.push({"d"}).record(op::PushDuplicate).trace().trace();
         },
         {"1", "2", "d", "d"}},
        {"registers", 6, [](Asm& a) { a.push({7}).storeRegister(2).record(op::Pop).push({Reg{2}}).trace(); }, {"7"}},
        {"constant pool",
         6,
         [](Asm& a) {
             a.constantPool({"zero", "one"}).push({Const{1}, Const{0}}).trace().trace();
         },
         {"zero", "one"}},
        {"missing constant is undefined",
         6,
         [](Asm& a) { a.constantPool({"a"}).push({Const{5}}).trace(); },
         {"undefined"}},
        {"pop on empty stack gives undefined", 6, [](Asm& a) { a.record(op::Pop).trace(); }, {"undefined"}},
    });
}

TEST(Actions, VariablesAndPaths) {
    runTable({
        {"set and get", 6, [](Asm& a) { a.setVariable("x", 5).traceVariable("x"); }, {"5"}},
        {"case-insensitive before 7", 6, [](Asm& a) { a.setVariable("Foo", 1).traceVariable("fOO"); }, {"1"}},
        {"case-sensitive from 7",
         7,
         [](Asm& a) { a.setVariable("Foo", 1).traceVariable("foo").traceVariable("Foo"); },
         {"undefined", "1"}},
        {"member names case-insensitive before 7",
         6,
         [](Asm& a) {
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").push({"Abc", 3}).record(op::SetMember);
             a.getVariable("o").getMember("aBC").trace();
         },
         {"3"}},
        {"slash path variable",
         6,
         [](Asm& a) {
             a.setVariable("/:v", "rootvar").traceVariable("v").traceVariable("_root.v").traceVariable("/:v");
         },
         {"rootvar", "rootvar", "rootvar"}},
        {"global",
         6,
         [](Asm& a) {
             a.getVariable("_global").push({"g", 9}).record(op::SetMember);
             a.traceVariable("g");
         },
         {"9"}},
        {"this at top level is the clip",
         6,
         [](Asm& a) { a.getVariable("this").record(op::TargetPath).trace(); },
         {"_level0"}},
        {"define local at top level sets the clip",
         6,
         [](Asm& a) {
             a.push({"x", 3}).record(op::DefineLocal).getVariable("this").getMember("x").trace();
         },
         {"3"}},
        {"delete",
         6,
         [](Asm& a) {
             a.setVariable("x", 1).push({"x"}).record(op::Delete2).trace().traceVariable("x");
             a.push({"o", 0}).record(op::InitObject).record(op::SetVariable);
             a.getVariable("o").push({"p", 1}).record(op::SetMember);
             a.getVariable("o").push({"p"}).record(op::Delete).trace();
             a.getVariable("o").push({"p"}).record(op::Delete).trace();
         },
         {"true", "undefined", "true", "false"}},
        {"with scopes",
         6,
         [](Asm& a) {
             a.push({"o", "a", 1, 1}).record(op::InitObject).record(op::SetVariable);
             a.setVariable("a", "outer");
             Asm body;
             body.traceVariable("a").setVariable("a", "inner").setVariable("b", "new");
             a.getVariable("o").withBlock(body);
             a.getVariable("o").getMember("a").trace().traceVariable("a").traceVariable("b");
         },
         {"1", "inner", "outer", "new"}},
        {"var in a with block of frame code sets the object's own property",
         6,
         [](Asm& a) {
             a.push({"m", "b", 20, 1}).record(op::InitObject).record(op::SetVariable);
             Asm body;
             body.push({"b", 10}).record(op::DefineLocal).push({"c", 10}).record(op::DefineLocal);
             a.getVariable("m").withBlock(body);
             a.getVariable("m").getMember("b").trace().getVariable("m").getMember("c").trace().traceVariable("c");
         },
         {"10", "undefined", "10"}},
    });
}

TEST(Actions, ControlFlow) {
    runTable({
        {"loop",
         6,
         [](Asm& a) {
             a.setVariable("i", 0).label("top");
             a.getVariable("i").push({3}).record(op::Less2).record(op::Not).jumpIf("done");
             a.traceVariable("i");
             a.push({"i"}).getVariable("i").record(op::Increment).record(op::SetVariable);
             a.jump("top").label("done").traceValue("end");
         },
         {"0", "1", "2", "end"}},
        {"try catch",
         6,
         [](Asm& a) {
             Asm body, handler;
             body.traceValue("in try").push({"boom"}).record(op::Throw).traceValue("not reached");
             handler.traceValue("caught").traceVariable("e");
             a.tryBlock(body, &handler, nullptr, "e").traceValue("after");
         },
         {"in try", "caught", "boom", "after"}},
        {"try catch into register",
         6,
         [](Asm& a) {
             Asm body, handler;
             body.push({42}).record(op::Throw);
             handler.push({Reg{1}}).trace();
             a.tryBlock(body, &handler, nullptr, "", 1);
         },
         {"42"}},
        {"finally runs on both paths",
         6,
         [](Asm& a) {
             Asm body, fin;
             body.traceValue("body");
             fin.traceValue("finally");
             a.tryBlock(body, nullptr, &fin, "").traceValue("after");
             Asm thrower, handler, fin2;
             thrower.push({"x"}).record(op::Throw);
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
             fbody.push({"err"}).record(op::Throw);
             a.defineFunction("f", {}, fbody);
             Asm body, handler;
             body.push({0, "f"}).record(op::CallFunction).record(op::Pop).traceValue("no");
             handler.traceVariable("e");
             a.tryBlock(body, &handler, nullptr, "e");
         },
         {"err"}},
        {"return inside try runs finally",
         6,
         [](Asm& a) {
             Asm tbody, fin, fbody;
             tbody.push({"r"}).record(op::Return);
             fin.traceValue("fin");
             fbody.tryBlock(tbody, nullptr, &fin, "").push({"late"}).record(op::Return);
             a.defineFunction("f", {}, fbody).push({0, "f"}).record(op::CallFunction).trace();
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
             body.getVariable("a").getVariable("b").record(op::Add2).record(op::Return);
             a.defineFunction("add", {"a", "b"}, body);
             a.push({2, 1, 2, "add"}).record(op::CallFunction).trace();
         },
         {"3"}},
        {"anonymous function value",
         6,
         [](Asm& a) {
             Asm body;
             body.push({"hi"}).record(op::Return);
             a.push({"f"}).defineFunction("", {}, body).record(op::SetVariable);
             a.push({0, "f"}).record(op::CallFunction).trace();
         },
         {"hi"}},
        {"locals do not leak",
         6,
         [](Asm& a) {
             Asm body;
             body.push({"loc", 1}).record(op::DefineLocal).setVariable("glob", 2);
             a.defineFunction("f", {}, body).push({0, "f"}).record(op::CallFunction).record(op::Pop);
             a.traceVariable("loc").traceVariable("glob");
         },
         {"undefined", "2"}},
        {"closure keeps its scope",
         6,
         [](Asm& a) {
             Asm inner, outer;
             inner.getVariable("n").record(op::Return);
             outer.push({"n", "captured"})
                 .record(op::DefineLocal)
                 .push({"g"})
                 .defineFunction("", {}, inner)
                 .record(op::DefineLocal);
             outer.getVariable("g").record(op::Return);
             a.defineFunction("make", {}, outer);
             a.push({"h"}).push({0, "make"}).record(op::CallFunction).record(op::SetVariable);
             a.push({0, "h"}).record(op::CallFunction).trace();
         },
         {"captured"}},
        {"arguments object",
         6,
         [](Asm& a) {
             Asm body;
             body.getVariable("arguments").getMember("length").trace();
             body.getVariable("arguments").push({1}).record(op::GetMember).trace();
             body.getVariable("arguments").getMember("callee").getVariable("f").record(op::StrictEquals).trace();
             body.getVariable("arguments").getMember("caller").trace();
             a.defineFunction("f", {}, body).push({"y", "x", 2, "f"}).record(op::CallFunction).record(op::Pop);
         },
         {"2", "y", "true", "null"}},
        {"define function2 registers and preload",
         6,
         [](Asm& a) {
             Asm body;
             body.push({Reg{1}}).record(op::TargetPath).trace();  // this
             body.push({Reg{2}}).getMember("length").trace();     // arguments
             body.push({Reg{3}}).record(op::TargetPath).trace();  // _root
             body.push({Reg{4}}).trace();                         // parameter
             body.traceVariable("arguments");                     // suppressed by preload
             a.defineFunction2("f", 5, PreloadThis | PreloadArguments | PreloadRoot, {{4, "p"}}, body);
             a.push({"param", 1, "f"}).record(op::CallFunction).record(op::Pop);
         },
         {"_level0", "1", "_level0", "param", "undefined"}},
        {"registers past the function's count are the frame's",
         6,
         [](Asm& a) {
             Asm body;
             body.push({9}).storeRegister(3).record(op::Pop);
             a.push({3}).storeRegister(3).record(op::Pop);
             a.defineFunction2("f", 2, 0, {}, body).push({0, "f"}).record(op::CallFunction).record(op::Pop);
             a.push({Reg{3}}).trace();
         },
         {"9"}},
        {"recursion",
         6,
         [](Asm& a) {
             // fact(n) = n <= 1 ? 1 : n * fact(n - 1)
             Asm body;
             body.getVariable("n").push({2}).record(op::Less2).jumpIf("base");
             body.getVariable("n").push({1}).record(op::Subtract).push({1, "fact"}).record(op::CallFunction);
             body.getVariable("n").record(op::Multiply).record(op::Return);
             body.label("base").push({1}).record(op::Return);
             a.defineFunction("fact", {"n"}, body).push({10, 1, "fact"}).record(op::CallFunction).trace();
         },
         {"3628800"}},
        {"function call and apply",
         6,
         [](Asm& a) {
             Asm body;
             body.getVariable("this").getMember("k").getVariable("a").record(op::Add2).record(op::Return);
             a.defineFunction("f", {"a"}, body);
             a.push({"o", "k", "K", 1}).record(op::InitObject).record(op::SetVariable);
             a.push({"x"}).getVariable("o").push({2}).callMethod("f", "call").trace();
             a.push({"y", 1}).record(op::InitArray).getVariable("o").push({2}).callMethod("f", "apply").trace();
         },
         {"Kx", "Ky"}},
        {"method call with empty name calls the object",
         6,
         [](Asm& a) {
             Asm body;
             body.push({"called"}).record(op::Return);
             a.push({"f"}).defineFunction("", {}, body).record(op::SetVariable);
             a.push({0}).callMethod("f", "").trace();
         },
         {"called"}},
    });
}

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
             a.getVariable("o")
                 .record(op::Enumerate2)
                 .label("loop")
                 .storeRegister(0)
                 .push({Null{}})
                 .record(op::Equals2)
                 .jumpIf("done");
             a.push({Reg{0}}).trace().jump("loop").label("done");
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
             a.getVariable("arr")
                 .record(op::Enumerate2)
                 .label("loop")
                 .storeRegister(0)
                 .push({Null{}})
                 .record(op::Equals2)
                 .jumpIf("done");
             a.push({Reg{0}}).trace().jump("loop").label("done");
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
             a.getVariable("o")
                 .record(op::Enumerate2)
                 .label("loop")
                 .storeRegister(0)
                 .push({Null{}})
                 .record(op::Equals2)
                 .jumpIf("done");
             a.push({Reg{0}}).trace().jump("loop").label("done");
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
             a.getVariable("o")
                 .record(op::Enumerate2)
                 .label("loop")
                 .storeRegister(0)
                 .push({Null{}})
                 .record(op::Equals2)
                 .jumpIf("done");
             a.push({Reg{0}}).trace().jump("loop").label("done");
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
