// The action machine from action bytes: numbers and conversions, operators,
// strings, the stack, variables and paths, control flow and functions.
#include <gtest/gtest.h>

#include <cmath>

#include "swf/script/machine.h"
#include "tests/script/action_table.h"

namespace swf::script {
namespace {

using namespace test;

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
    // Long strings grow in place when appended to at their end; every string
    // they were built from keeps its value.
    static const std::string x64(64, 'x');
    runTable({{"appends to long strings",
               7,
               [](Asm& a) {
                   a.setVariable("a", x64.c_str());
                   auto append = [&](const char* to, const char* from, const char* tail, std::uint8_t code) {
                       a.push({to}).getVariable(from).push({tail}).record(code).record(op::SetVariable);
                   };
                   append("b", "a", "1", op::Add2);
                   append("c", "b", "2", op::Add2);       // in place after b
                   append("d", "b", "3", op::Add2);       // b no longer ends the buffer: a copy
                   append("e", "c", "4", op::StringAdd);  // in place after c
                   a.push({"f"}).getVariable("e").getVariable("e").record(op::Add2).record(op::SetVariable);
                   for (const char* v : {"a", "b", "c", "d", "e", "f"}) a.getVariable(v).trace();
               },
               {x64, x64 + "1", x64 + "12", x64 + "13", x64 + "124", x64 + "124" + x64 + "124"}}});
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

}  // namespace
}  // namespace swf::script
