// Number as scripts call it: the conversion, Number objects, the
// constants and toString(radix), printed as the reference player prints them.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "swf/script/machine.h"

namespace swf::script {
namespace {

Value n(double x) { return Value::number(x); }

TEST(Number, ConstructorConstantsAndRadix) {
    Host host;
    Machine m(host, 8);
    FunctionObject* ctor = m.realm().numberCtor;
    ASSERT_NE(ctor, nullptr);
    std::vector<Value> none;
    EXPECT_EQ(m.toString(ctor->native(m, Value(), none)), "0");
    Value text[1] = {m.str(std::string_view(" 12 "))};
    Value converted = ctor->native(m, Value(), std::span<const Value>(text, 1));
    EXPECT_TRUE(converted.isNumber());
    EXPECT_EQ(converted.n, 12);

    Value fortyTwo[1] = {n(42)};
    Value boxed = ctor->nativeConstruct(m, Value(), std::span<const Value>(fortyTwo, 1));
    ASSERT_TRUE(boxed.isObject());
    EXPECT_EQ(boxed.o->kind(), Object::Kind::Number);

    auto method = [&](Value self, const char* name, std::initializer_list<Value> args) {
        Property* p = m.realm().numberProto->findOwn(name, true);
        std::vector<Value> list(args);
        return static_cast<FunctionObject*>(p->value.o)->native(m, self, list);
    };
    Value v = method(boxed, "valueOf", {});
    EXPECT_TRUE(v.isNumber());
    EXPECT_EQ(v.n, 42);
    EXPECT_TRUE(method(m.str(std::string_view("x")), "valueOf", {}).isUndefined());

    struct Case {
        double value;
        Value radix;
        const char* out;
    } cases[] = {
        {10, n(2), "1010"},
        {6, n(3), "20"},
        {6, n(8), "6"},
        {6, n(-2), "6"},
        {6, n(0), "6"},
        {6, n(5), "11"},
        {-5, n(2), "-101"},
        {-11, n(16), "-b"},
        {268, Value(), "268"},
        {0.5, n(10), "0.5"},
        {4123, n(36), "36j"},
        {-123.1, n(16), "-7b"},
        {-123.1, n(37), "-123.1"},
        {-2147483647.9, n(8), "-17777777777"},
        // NaN is cut to -2^31: its digits come out below '0'.
        {NAN, n(2), "-/0000000000000000000000000000000"},
        {NAN, n(3), "-/.//./..././/0.0./0."},
        {NAN, n(16), "-(0000000"},
        {NAN, n(10), "NaN"},
    };
    for (const Case& c : cases) EXPECT_EQ(m.toString(method(n(c.value), "toString", {c.radix})), c.out) << c.value;
    EXPECT_EQ(m.toString(method(boxed, "toString", {n(16)})), "2a");

    const std::pair<const char*, const char*> constants[] = {
        {"MIN_VALUE", "4.94065645841247e-324"},
        {"NaN", "NaN"},
        {"POSITIVE_INFINITY", "Infinity"},
        {"NEGATIVE_INFINITY", "-Infinity"},
    };
    for (const auto& [name, text] : constants) {
        const Property* p = ctor->findOwn(name, true);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_EQ(m.toString(p->value), text) << name;
    }
    const Property* max = ctor->findOwn("MAX_VALUE", true);
    ASSERT_NE(max, nullptr);
    EXPECT_EQ(max->value.n, 1.7976931348623157e308);
}

}  // namespace
}  // namespace swf::script
