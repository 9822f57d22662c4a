// Math as scripts call it, printed as the reference player prints the
// results (versions 6 and 7 differ on null and undefined).
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "swf/script/machine.h"

namespace swf::script {
namespace {

// A host whose random numbers are fixed, to check Math.random's range.
class FixedRandom : public Host {
public:
    std::uint32_t next = 0;
    std::uint32_t random(std::uint32_t bound) override { return next < bound ? next : bound - 1; }
};

Value n(double x) { return Value::number(x); }

std::string callOn(Machine& m, Object* on, std::string_view name, std::initializer_list<Value> args) {
    Property* p = on->findOwn(name, true);
    if (!p || !p->value.isObject()) return "<no " + std::string(name) + ">";
    std::vector<Value> list(args);
    return m.toString(static_cast<FunctionObject*>(p->value.o)->native(m, Value(), list));
}

Object* mathObject(Machine& m) {
    Property* p = m.realm().global->findOwn("Math", true);
    return p && p->value.isObject() ? p->value.o : nullptr;
}

TEST(Math, ArgumentsAndVersions) {
    FixedRandom host;
    Machine m6(host, 6), m7(host, 7);
    Object* math6 = mathObject(m6);
    Object* math7 = mathObject(m7);
    ASSERT_TRUE(math6 && math7);

    struct Case {
        const char* name;
        std::vector<Value> args;
        const char* v6;
        const char* v7;
    } cases[] = {
        {"abs", {}, "NaN", "NaN"},
        {"abs", {Value::null()}, "0", "NaN"},
        {"abs", {Value()}, "0", "NaN"},
        {"abs", {Value::boolean(true)}, "1", "1"},
        {"abs", {n(-INFINITY)}, "Infinity", "Infinity"},
        {"sin", {Value::boolean(true)}, "0.841470984807897", "0.841470984807897"},
        {"sin", {n(1.5707963267949)}, "1", "1"},
        {"cos", {Value::null()}, "1", "NaN"},
        {"cos", {n(3.14159265358979)}, "-1", "-1"},
        {"round", {n(12.5)}, "13", "13"},
        {"round", {n(-12.5)}, "-12", "-12"},
        {"round", {n(-23.7)}, "-24", "-24"},
        {"floor", {n(-12.5)}, "-13", "-13"},
        {"ceil", {n(-12.5)}, "-12", "-12"},
        {"atan2", {n(2), n(1)}, "1.10714871779409", "1.10714871779409"},
        {"atan2", {n(-1)}, "NaN", "NaN"},
        // pow follows the C library: pow(1, NaN) is 1, and a missing operand is NaN.
        {"pow", {Value::boolean(true)}, "1", "1"},
        {"pow", {Value::boolean(false)}, "NaN", "NaN"},
        {"pow", {n(3), n(2)}, "9", "9"},
        {"pow", {n(2), Value()}, "1", "NaN"},
        {"min", {}, "Infinity", "Infinity"},
        {"max", {}, "-Infinity", "-Infinity"},
        {"min", {n(1)}, "NaN", "NaN"},
        {"min", {m7.str(std::string_view("10")), m7.str(std::string_view("2"))}, "2", "2"},
        {"max", {m7.str(std::string_view("10")), m7.str(std::string_view("2"))}, "10", "10"},
        {"min", {n(NAN), n(1)}, "NaN", "NaN"},
        {"max", {n(1), n(NAN)}, "NaN", "NaN"},
        {"min", {n(2), n(1), n(0)}, "1", "1"},  // two operands only
        {"sqrt", {n(-1)}, "NaN", "NaN"},
        {"log", {n(0)}, "-Infinity", "-Infinity"},
    };
    for (const Case& c : cases) {
        std::vector<Value> args = c.args;
        auto run = [&](Machine& m, Object* math) {
            Property* p = math->findOwn(c.name, true);
            if (!p) return std::string("<missing>");
            return m.toString(static_cast<FunctionObject*>(p->value.o)->native(m, Value(), args));
        };
        EXPECT_EQ(run(m6, math6), c.v6) << c.name;
        EXPECT_EQ(run(m7, math7), c.v7) << c.name;
    }

    const std::pair<const char*, const char*> constants[] = {
        {"E", "2.71828182845905"},        {"LN2", "0.693147180559945"},    {"LOG2E", "1.44269504088896"},
        {"LN10", "2.30258509299405"},     {"LOG10E", "0.434294481903252"}, {"PI", "3.14159265358979"},
        {"SQRT1_2", "0.707106781186548"}, {"SQRT2", "1.4142135623731"},
    };
    for (const auto& [name, text] : constants) {
        const Property* p = math7->findOwn(name, true);
        ASSERT_NE(p, nullptr) << name;
        EXPECT_EQ(m7.toString(p->value), text) << name;
        EXPECT_TRUE(p->flags & ReadOnly) << name;
    }

    host.next = 0;
    EXPECT_EQ(callOn(m7, math7, "random", {}), "0");
    host.next = 0xFFFFFFFFu;
    Property* random = math7->findOwn("random", true);
    std::vector<Value> none;
    double r = static_cast<FunctionObject*>(random->value.o)->native(m7, Value(), none).n;
    EXPECT_GE(r, 0.99);
    EXPECT_LT(r, 1.0);
}

}  // namespace
}  // namespace swf::script
