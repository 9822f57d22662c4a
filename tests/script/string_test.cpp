// String methods called as a script calls them, checked against what the
// reference player prints (UTF-16 units from version 6, bytes in version 5).
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "swf/script/machine.h"

namespace swf::script {
namespace {

class StringTest : public ::testing::Test {
protected:
    Host host;
    Machine m8{host, 8};
    Machine m5{host, 5};

    static Value n(double x) { return Value::number(x); }

    // Calls String.prototype.name on `self` and prints the result (arrays joined by commas).
    std::string call(Machine& m, std::string_view self, std::string_view name, std::initializer_list<Value> args = {}) {
        Property* p = m.realm().stringProto->findOwn(name, true);
        if (!p || !p->value.isObject()) return "<no " + std::string(name) + ">";
        std::vector<Value> list(args);
        Value r = static_cast<FunctionObject*>(p->value.o)->native(m, m.str(self), list);
        if (r.isObject() && r.o->kind() == Object::Kind::Array) {
            auto* a = static_cast<ArrayObject*>(r.o);
            std::string out = std::to_string(a->length()) + ":";
            for (std::uint32_t i = 0; i < a->length(); ++i) out += (i ? "," : "") + m.toString(a->get(m, i));
            return out;
        }
        return m.toString(r);
    }
    std::string call(std::string_view self, std::string_view name, std::initializer_list<Value> args = {}) {
        return call(m8, self, name, args);
    }
    Value s(std::string_view t) { return m8.str(t); }
    std::string fromCharCode(Machine& m, std::initializer_list<Value> args) {
        Property* p = m.realm().stringCtor->findOwn("fromCharCode", true);
        std::vector<Value> list(args);
        return m.toString(static_cast<FunctionObject*>(p->value.o)->native(m, Value(), list));
    }
    Value construct(Machine& m, Value arg) {
        Value args[1] = {arg};
        return m.realm().stringCtor->nativeConstruct(m, Value(), std::span<const Value>(args, 1));
    }
};

TEST_F(StringTest, CharactersCountInUtf16Units) {
    const char* t = "foo😋fo";
    EXPECT_EQ(call(t, "charAt", {n(0)}), "f");
    EXPECT_EQ(call(t, "charAt", {n(3)}), "\uFFFD");  // half of the emoji
    EXPECT_EQ(call(t, "charAt", {n(5)}), "f");
    EXPECT_EQ(call(t, "charAt", {n(-100)}), "");
    EXPECT_EQ(call(t, "charAt", {n(4294967297.0)}), "o");  // the index wraps at 2^32
    EXPECT_EQ(call(t, "charCodeAt", {n(3)}), "55357");
    EXPECT_EQ(call(t, "charCodeAt", {n(4)}), "56843");
    EXPECT_EQ(call(t, "charCodeAt", {}), "102");
    EXPECT_EQ(call(t, "charCodeAt", {s("1")}), "111");
    EXPECT_EQ(call(t, "charCodeAt", {n(NAN)}), "102");
    EXPECT_EQ(call(t, "charCodeAt", {n(-1)}), "NaN");
    EXPECT_EQ(call(t, "charCodeAt", {n(9)}), "NaN");

    Value boxed = construct(m8, s("😋Спасибо𝌆𝌆hello"));
    const Property* length = boxed.o->findOwn("length", true);
    ASSERT_NE(length, nullptr);
    EXPECT_EQ(m8.toString(length->value), "18");
    EXPECT_TRUE(length->flags & DontEnum);

    EXPECT_EQ(fromCharCode(m8, {n(80), n(81), n(82)}), "PQR");
    EXPECT_EQ(fromCharCode(m8, {n(12345)}), "〹");
    EXPECT_EQ(fromCharCode(m8, {n(65616)}), "P");
    EXPECT_EQ(fromCharCode(m8, {n(-65456)}), "P");
    EXPECT_EQ(fromCharCode(m8, {n(0xD801)}), "\uFFFD");
    EXPECT_EQ(fromCharCode(m8, {n(0xD83D), n(0xDE0B)}), "😋");
    EXPECT_EQ(fromCharCode(m8, {n(80), n(0), n(82)}), "P");  // a zero ends the string
    EXPECT_EQ(fromCharCode(m8, {s("BAD")}), "");
    EXPECT_EQ(fromCharCode(m8, {}), "");
}

TEST_F(StringTest, SearchingFromAnIndex) {
    const char* t = "axatestxxxtestaxanull";
    EXPECT_EQ(call(t, "indexOf", {s("a"), n(13)}), "14");
    EXPECT_EQ(call(t, "indexOf", {s("test"), n(4)}), "10");
    EXPECT_EQ(call(t, "indexOf", {s("test"), n(100)}), "-1");
    EXPECT_EQ(call(t, "indexOf", {s("test"), n(-1)}), "3");
    EXPECT_EQ(call(t, "indexOf", {s("test"), n(4294967300.0)}), "10");
    EXPECT_EQ(call(t, "indexOf", {s(""), n(5)}), "5");
    EXPECT_EQ(call(t, "indexOf", {s(""), n(100)}), "-1");
    EXPECT_EQ(call(t, "indexOf", {}), "undefined");
    EXPECT_EQ(call(t, "indexOf", {Value::null()}), "17");
    EXPECT_EQ(call(t, "indexOf", {Value()}), "-1");
    EXPECT_EQ(call("hello undefined hi", "indexOf", {Value()}), "6");

    EXPECT_EQ(call(t, "lastIndexOf", {s("a")}), "16");
    EXPECT_EQ(call(t, "lastIndexOf", {s("a"), n(13)}), "2");
    EXPECT_EQ(call(t, "lastIndexOf", {s("test"), n(11)}), "10");
    EXPECT_EQ(call(t, "lastIndexOf", {s("test"), n(-1)}), "-1");
    EXPECT_EQ(call(t, "lastIndexOf", {s("test"), n(4294967300.0)}), "3");
    EXPECT_EQ(call(t, "lastIndexOf", {s("test"), Value()}), "10");
    EXPECT_EQ(call(t, "lastIndexOf", {s("")}), "21");
    EXPECT_EQ(call(t, "lastIndexOf", {s(""), n(3)}), "3");
    EXPECT_EQ(call(t, "lastIndexOf", {}), "undefined");
}

TEST_F(StringTest, SlicesAndTheirArguments) {
    EXPECT_EQ(call("Hello1234", "slice", {n(1), n(4)}), "ell");
    EXPECT_EQ(call("Hello1234", "slice", {n(3), n(1)}), "");
    EXPECT_EQ(call("Hello1234", "slice", {n(-3), n(-1)}), "23");
    EXPECT_EQ(call("Hello1234", "slice", {n(4294967296.0), n(4294967298.0)}), "He");
    EXPECT_EQ(call("Hello1234", "slice", {}), "undefined");
    EXPECT_EQ(call("Hello1234", "slice", {Value::null(), Value::null()}), "");
    EXPECT_EQ(call("Hello1234", "slice", {Value(), Value()}), "Hello1234");

    const char* h = "HELLO𝔄hello";
    EXPECT_EQ(call(h, "substr", {n(1), n(2)}), "EL");
    EXPECT_EQ(call(h, "substr", {n(-5)}), "hello");
    EXPECT_EQ(call(h, "substr", {n(6), n(3)}), "\uFFFDhe");
    EXPECT_EQ(call(h, "substr", {n(3), Value::null()}), "");
    EXPECT_EQ(call(h, "substr", {Value::null(), n(4)}), "HELL");
    EXPECT_EQ(call(h, "substr", {n(4294967296.0), n(-4294967294.0)}), "HE");
    EXPECT_EQ(call(h, "substr", {}), "undefined");
    EXPECT_EQ(call(h, "substring", {n(6), n(3)}), "LO\uFFFD");
    EXPECT_EQ(call(h, "substring", {n(3), Value::null()}), "HEL");
    EXPECT_EQ(call(h, "substring", {n(-5)}), "HELLO𝔄hello");
    EXPECT_EQ(call(h, "substring", {Value(), Value()}), "HELLO𝔄hello");
    EXPECT_EQ(call(h, "substring", {}), "undefined");

    // A negative count is taken from the length, and gives nothing when it reaches the end.
    struct Case {
        double start, count;
        const char* out;
    } cases[] = {
        {0, -1, "abc"}, {0, -3, "a"},  {0, -4, ""},  {1, -3, "b"},   {1, -2, "bc"}, {1, -1, ""},   {2, -3, "c"},
        {2, -2, ""},    {-3, -3, "b"}, {-3, -1, ""}, {-5, -2, "ab"}, {-1, 4, "d"},  {-2, 3, "cd"}, {3, -5, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(call("abcd", "substr", {n(c.start), n(c.count)}), c.out) << c.start << "," << c.count;
    EXPECT_EQ(call("hello world", "substr", {n(3), n(-4)}), "lo worl");
    EXPECT_EQ(call("hello world", "substr", {n(3), n(-3)}), "");
    EXPECT_EQ(call("hello world", "substr", {n(4), n(-5)}), "o worl");
}

TEST_F(StringTest, SplitAndJoinPieces) {
    const char* t = "A,,b,undefined0,c,";
    EXPECT_EQ(call(t, "split", {s(",")}), "6:A,,b,undefined0,c,");
    EXPECT_EQ(call(t, "split", {s(","), n(2)}), "2:A,");
    EXPECT_EQ(call(t, "split", {s(","), n(0)}), "0:");
    EXPECT_EQ(call(t, "split", {s(","), n(-100)}), "0:");
    EXPECT_EQ(call(t, "split", {s(","), Value::null()}), "0:");
    EXPECT_EQ(call(t, "split", {s(","), Value()}), "6:A,,b,undefined0,c,");
    EXPECT_EQ(call("abc", "split", {s("")}), "3:a,b,c");
    EXPECT_EQ(call(t, "split", {Value(), n(0)}), "1:A,,b,undefined0,c,");
    EXPECT_EQ(call(t, "split", {}), "1:A,,b,undefined0,c,");
    EXPECT_EQ(call("wallawallawashinGTON", "split", {s("la")}), "3:wal,wal,washinGTON");

    // Version 5 splits on one character only.
    EXPECT_EQ(call(m5, "wallawallawashinGTON", "split", {s("la")}), "1:wallawallawashinGTON");
    EXPECT_EQ(call(m5, "wallawallawashinGTON", "split", {s("")}), "1:wallawallawashinGTON");
    EXPECT_EQ(call(m5, "wallawallawashinGTON", "split", {s("w")}), "4:,alla,alla,ashinGTON");

    EXPECT_EQ(call("foo", "concat", {Value::null(), s("foo"), Value(), n(0), Value::boolean(true)}),
              "foonullfooundefined0true");
}

TEST_F(StringTest, CaseMappingByVersion) {
    EXPECT_EQ(call("teST😋", "toLowerCase"), "test😋");
    EXPECT_EQ(call("teST😋", "toUpperCase"), "TEST😋");
    EXPECT_EQ(call("ÀÉÎÕÜÇŸŒĲ", "toLowerCase"), "àéîõüçÿœĳ");
    EXPECT_EQ(call("àéîõüçÿœĳ", "toUpperCase"), "ÀÉÎÕÜÇŸŒĲ");
    EXPECT_EQ(call("ΑΒΓΣΆ СПАСИБО ＡＺ", "toLowerCase"), "αβγσά спасибо ａｚ");
    EXPECT_EQ(call("αβγσά спасибо ａｚ", "toUpperCase"), "ΑΒΓΣΆ СПАСИБО ＡＺ");
    EXPECT_EQ(call("İK", "toLowerCase"), "ik");
    // Version 5 works on bytes: only ASCII letters change, and "é" is two bytes.
    EXPECT_EQ(call(m5, "Été", "toUpperCase"), "ÉTé");
    EXPECT_EQ(call(m5, "ö", "charCodeAt", {n(0)}), "195");
    EXPECT_EQ(m5.toString(construct(m5, m5.str(std::string_view("ö"))).o->findOwn("length", true)->value), "2");
    // The decoded string kept between calls belongs to one string and one version.
    EXPECT_EQ(call("ö", "charCodeAt", {n(0)}), "246");
    EXPECT_EQ(call(m5, "ö", "charCodeAt", {n(0)}), "195");
    EXPECT_EQ(call("öx", "charCodeAt", {n(1)}), "120");
    EXPECT_EQ(call("ö", "charCodeAt", {n(1)}), "NaN");
}

TEST_F(StringTest, ConversionsAndBounds) {
    std::vector<Value> none;
    EXPECT_EQ(m8.toString(m8.realm().stringCtor->native(m8, Value(), none)), "");
    Value twelve[1] = {n(12)};
    Value r = m8.realm().stringCtor->native(m8, Value(), std::span<const Value>(twelve, 1));
    EXPECT_TRUE(r.isString());
    EXPECT_EQ(m8.toString(r), "12");
    Value boxed = construct(m8, s("blah"));
    ASSERT_TRUE(boxed.isObject());
    EXPECT_EQ(boxed.o->kind(), Object::Kind::String);
    Property* valueOf = m8.realm().stringProto->findOwn("valueOf", true);
    Value primitive = static_cast<FunctionObject*>(valueOf->value.o)->native(m8, boxed, none);
    EXPECT_TRUE(primitive.isString());
    EXPECT_EQ(m8.toString(primitive), "blah");

    // A split into more pieces than the step bound allows stops the script.
    Limits small;
    small.maxSteps = 1000;
    Machine tight(host, 8, small);
    std::string big(5000, 'x');
    Property* split = tight.realm().stringProto->findOwn("split", true);
    Value sep[1] = {tight.str(std::string_view())};
    EXPECT_THROW(
        static_cast<FunctionObject*>(split->value.o)->native(tight, tight.str(big), std::span<const Value>(sep, 1)),
        LimitError);
}

}  // namespace
}  // namespace swf::script
