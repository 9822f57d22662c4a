// Array methods called as a script calls them, checked against what the
// reference player prints for the same calls.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "swf/script/machine.h"

namespace swf::script {
namespace {

class ArrayTest : public ::testing::Test {
protected:
    Host host;
    Machine m{host, 8};

    Value s(std::string_view t) { return m.str(t); }
    static Value n(double x) { return Value::number(x); }

    ArrayObject* array(std::initializer_list<Value> items) {
        ArrayObject* a = m.newArray();
        for (const Value& v : items) a->push(m, v);
        return a;
    }
    Value method(Value self, std::string_view name, std::initializer_list<Value> args = {}) {
        Property* p = m.realm().arrayProto->findOwn(name, true);
        if (!p || !p->value.isObject()) {
            ADD_FAILURE() << "no Array.prototype." << name;
            return Value();
        }
        std::vector<Value> list(args);
        return static_cast<FunctionObject*>(p->value.o)->native(m, self, list);
    }
    Value method(ArrayObject* a, std::string_view name, std::initializer_list<Value> args = {}) {
        return method(Value::object(a), name, args);
    }
    std::string text(Value v) {
        if (v.isObject() && v.o->kind() == Object::Kind::Array) return m.toString(method(v, "join"));
        return m.toString(v);
    }
    std::string text(ArrayObject* a) { return text(Value::object(a)); }
    Value option(std::string_view name) {
        const Property* p = m.realm().arrayCtor->findOwn(name, true);
        return p ? p->value : Value();
    }
    // An object {n: value}.
    Value record(std::initializer_list<std::pair<const char*, Value>> fields) {
        Object* o = m.newObject();
        for (const auto& [name, v] : fields) o->define(m.heap(), name, v);
        return Value::object(o);
    }
    // The field `name` of each element, joined by commas.
    std::string column(ArrayObject* a, const char* name) {
        std::string out;
        for (std::uint32_t i = 0; i < a->length(); ++i) {
            if (i) out += ',';
            const Property* p = a->get(m, i).o->findOwn(name, true);
            out += p ? m.toString(p->value) : "?";
        }
        return out;
    }
};

TEST_F(ArrayTest, SortOptionsAndBadArguments) {
    int ci = 1, desc = 2, unique = 4, indexed = 8, numeric = 16;
    EXPECT_EQ(m.toNumber(option("NUMERIC")), numeric);
    EXPECT_EQ(m.toNumber(option("RETURNINDEXEDARRAY")), indexed);

    ArrayObject* a = array({s("d"), s("c"), s("a"), s("b")});
    Value r = method(a, "sort");
    EXPECT_TRUE(r.isObject() && r.o == a);
    EXPECT_EQ(text(a), "a,b,c,d");

    // A first argument that is neither a function, a number nor an object gives undefined.
    for (Value bad : {Value(), Value::boolean(true), Value::null(), s("x")})
        EXPECT_TRUE(method(array({n(2), n(1)}), "sort", {bad, n(0)}).isUndefined());
    EXPECT_EQ(text(method(array({n(2), n(1)}), "sort", {n(NAN)})), "1,2");
    // Options twice: the second wins; undefined as the second leaves the first.
    EXPECT_EQ(text(method(array({n(2), n(3), n(1)}), "sort", {n(desc), n(numeric)})), "1,2,3");
    EXPECT_EQ(text(method(array({n(2), n(3), n(1)}), "sort", {n(55), Value()})), "3,2,1");

    EXPECT_EQ(
        text(method(array({Value(), Value::null(), Value::boolean(true), Value::boolean(false), s("AAA")}), "sort")),
        "AAA,false,null,true,undefined");
    EXPECT_EQ(text(method(array({s("d"), s("c"), s("a"), s("b")}), "sort", {n(desc)})), "d,c,b,a");
    EXPECT_EQ(text(method(array({n(4), n(1), n(3), n(22), n(2), n(3)}), "sort")), "1,2,22,3,3,4");
    EXPECT_EQ(text(method(array({n(4), n(1), n(3), n(22), n(2), n(3)}), "sort", {n(numeric)})), "1,2,3,3,4,22");
    EXPECT_EQ(text(method(array({n(INFINITY), n(NAN), n(4), n(1), n(NAN), n(-INFINITY)}), "sort", {n(numeric)})),
              "-Infinity,1,4,Infinity,NaN,NaN");
    EXPECT_EQ(text(method(array({n(4), n(1), n(3), n(22), n(2), n(3)}), "sort", {n(desc | numeric)})), "22,4,3,3,2,1");

    ArrayObject* distinct = array({n(4), n(1), n(3), n(22), n(2)});
    EXPECT_EQ(text(method(distinct, "sort", {n(unique)})), "1,2,22,3,4");
    ArrayObject* repeated = array({n(4), n(1), n(3), n(22), n(2), n(3)});
    Value zero = method(repeated, "sort", {n(unique)});
    EXPECT_TRUE(zero.isNumber() && zero.n == 0);
    EXPECT_EQ(text(repeated), "4,1,3,22,2,3");

    // Equal elements land where the reference player's quicksort puts them.
    EXPECT_EQ(text(method(array({s("hëllo"), s("HËLLO"), s("TeSt"), s("test")}), "sort", {n(ci)})),
              "hëllo,HËLLO,TeSt,test");
    EXPECT_EQ(text(method(array({s("TeSt"), s("hëllo"), s("HËLLO"), s("test")}), "sort", {n(ci)})),
              "HËLLO,hëllo,TeSt,test");
    ArrayObject* folded = array({s("TeSt"), s("hëllo"), s("HËLLO"), s("test")});
    EXPECT_EQ(text(method(folded, "sort", {n(ci | unique)})), "0");
    EXPECT_EQ(text(folded), "TeSt,hëllo,HËLLO,test");

    ArrayObject* letters = array({s("d"), s("c"), s("a"), s("b")});
    EXPECT_EQ(text(method(letters, "sort", {n(indexed)})), "2,3,1,0");
    EXPECT_EQ(text(letters), "d,c,a,b");

    // NUMERIC compares two numbers as numbers and anything else as strings.
    ArrayObject* mixed = array({s("test"), n(4), n(1), s("22"), Value(), n(3), n(23), n(2), Value::boolean(true)});
    EXPECT_EQ(text(method(mixed, "sort", {n(numeric | ci | desc | unique | indexed)})), "4,8,0,6,1,5,3,7,2");
    EXPECT_EQ(text(mixed), "test,4,1,22,undefined,3,23,2,true");
}

// A comparison function answering at random (the conformance movie's
// xorshift generator), which the sort must call in the reference player's
// order to end with the same array.
struct RandomComparisons {
    static inline std::int32_t state = 0x12345678;
    static inline std::vector<std::string> calls;
    static Value compare(Machine& m, Value, std::span<const Value> args) {
        auto u = static_cast<std::uint32_t>(state);
        u ^= u << 13;
        u ^= u >> 17;  // >>> on the 32-bit pattern
        u ^= u << 5;
        state = static_cast<std::int32_t>(u);
        std::string pair = m.toString(args[0]) + " " + m.toString(args[1]);
        if (state % 8 == 0) {
            calls.push_back(pair + " =");
            return Value::number(0);
        }
        calls.push_back(pair + (state > 0 ? " >" : " <"));
        return Value::number(state > 0 ? 1 : -1);
    }
};

TEST_F(ArrayTest, SortCallsTheComparisonFunctionInTheReferenceOrder) {
    ArrayObject* a = array({});
    for (int i = 0; i < 50; ++i) a->push(m, n(i));
    RandomComparisons::state = 0x12345678;
    RandomComparisons::calls.clear();
    Value fn = Value::object(m.realm().makeFunction(RandomComparisons::compare));
    method(a, "sort", {fn});
    const auto& calls = RandomComparisons::calls;
    ASSERT_EQ(calls.size(), 441u);
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 6),
              (std::vector<std::string>{"0 1 <", "0 49 >", "0 49 >", "0 2 =", "0 1 =", "0 48 >"}));
    EXPECT_EQ(calls[99], "17 49 =");
    EXPECT_EQ(calls.back(), "36 19 <");
    EXPECT_EQ(text(a),
              "26,7,13,40,17,9,4,18,28,10,6,35,12,8,49,0,2,22,21,23,25,34,41,24,44,30,27,5,16,38,1,15,32,20,"
              "37,11,48,3,42,39,14,43,46,29,33,45,31,36,19,47");
}

TEST_F(ArrayTest, SortOnFieldsAndOptions) {
    int ci = 1, desc = 2, unique = 4, indexed = 8, numeric = 16;
    auto numbers = [&] {
        return array({record({{"n", n(3)}}), record({{"n", n(5)}}), record({{"n", n(22)}}), record({{"n", n(2)}}),
                      record({{"n", n(1)}})});
    };
    ArrayObject* a = numbers();
    Value r = method(a, "sortOn", {s("n")});
    EXPECT_TRUE(r.isObject() && r.o == a);
    EXPECT_EQ(column(a, "n"), "1,2,22,3,5");
    a = numbers();
    method(a, "sortOn", {s("n"), n(desc)});
    EXPECT_EQ(column(a, "n"), "5,3,22,2,1");
    a = numbers();
    method(a, "sortOn", {s("n"), n(numeric)});
    EXPECT_EQ(column(a, "n"), "1,2,3,5,22");
    a = numbers();
    EXPECT_EQ(text(method(a, "sortOn", {s("n"), n(indexed)})), "4,3,2,0,1");
    EXPECT_EQ(column(a, "n"), "3,5,22,2,1");
    EXPECT_EQ(text(method(a, "sortOn", {s("n"), n(numeric | ci | desc | unique | indexed)})), "2,1,0,3,4");

    ArrayObject* words = array({record({{"n", s("test")}}), record({{"n", s("hello")}}), record({{"n", s("TEST")}}),
                                record({{"n", s("hello")}})});
    EXPECT_EQ(text(method(words, "sortOn", {s("n"), n(unique)})), "0");
    EXPECT_EQ(column(words, "n"), "test,hello,TEST,hello");

    // Several fields, with one set of options per field (or none when the counts differ).
    auto pairs = [&] {
        return array({record({{"n", s("foo")}, {"b", n(1)}}), record({{"n", s("bar")}, {"b", n(3)}}),
                      record({{"n", s("BAR")}, {"b", n(22)}}), record({{"n", s("foo")}, {"b", n(2)}})});
    };
    a = pairs();
    method(a, "sortOn", {Value::object(array({s("n"), s("b")})), Value::object(array({n(ci), n(numeric)}))});
    EXPECT_EQ(column(a, "n") + " " + column(a, "b"), "bar,BAR,foo,foo 3,22,1,2");
    a = pairs();
    method(a, "sortOn", {Value::object(array({s("n"), s("b")})), Value::object(array({n(desc)}))});
    EXPECT_EQ(column(a, "n") + " " + column(a, "b"), "BAR,bar,foo,foo 22,3,1,2");

    // UNIQUESORT and RETURNINDEXEDARRAY are read from the first field's options only.
    auto twins = [&] {
        return array({record({{"n", n(3)}, {"b", n(1)}}), record({{"n", n(2)}, {"b", n(3)}}),
                      record({{"n", n(2)}, {"b", n(2)}}), record({{"n", n(1)}, {"b", n(2)}}),
                      record({{"n", n(3)}, {"b", n(1)}})});
    };
    Value fields = Value::object(array({s("n"), s("b")}));
    EXPECT_EQ(text(method(twins(), "sortOn", {fields, Value::object(array({n(unique), n(0)}))})), "0");
    EXPECT_EQ(text(method(twins(), "sortOn", {fields, Value::object(array({n(indexed), n(0)}))})), "3,2,1,0,4");
    a = twins();
    r = method(a, "sortOn", {fields, Value::object(array({n(0), n(indexed | unique)}))});
    EXPECT_TRUE(r.isObject() && r.o == a);
    EXPECT_EQ(column(a, "n") + " " + column(a, "b"), "1,2,2,3,3 2,2,3,1,1");

    // Inherited fields are not looked at: both compare equal and stay in place.
    Object* p1 = m.newObject();
    p1->define(m.heap(), "order", n(1));
    Object* p2 = m.newObject();
    p2->define(m.heap(), "order", n(2));
    Value o2 = record({{"name", s("o2")}}), o1 = record({{"name", s("o1")}});
    o2.o->setProto(p2);
    o1.o->setProto(p1);
    a = array({o2, o1});
    method(a, "sortOn", {s("order"), n(numeric)});
    EXPECT_EQ(column(a, "name"), "o2,o1");

    // Elements that are not objects are compared as themselves.
    EXPECT_EQ(text(method(array({s("test"), s("asdasdasdsad"), s("bar"), s("hello"), s("a")}), "sortOn",
                          {s("laength"), n(numeric)})),
              "a,asdasdasdsad,bar,hello,test");
    EXPECT_TRUE(method(array({n(1), n(2)}), "sortOn").isUndefined());
    EXPECT_EQ(text(method(array({n(2), n(1)}), "sortOn", {Value::object(array({}))})), "2,1");
}

TEST_F(ArrayTest, ChangingMethodsKeepLengthAndHoles) {
    ArrayObject* a = array({});
    EXPECT_EQ(text(method(a, "push", {s("a")})), "1");
    EXPECT_EQ(text(method(a, "push", {s("b")})), "2");
    EXPECT_EQ(text(method(a, "unshift", {s("c")})), "3");
    EXPECT_EQ(text(method(a, "join", {s(" / ")})), "c / a / b");
    Value r = method(a, "reverse");
    EXPECT_TRUE(r.isObject() && r.o == a);
    EXPECT_EQ(text(a), "b,a,c");
    EXPECT_EQ(text(method(a, "shift")), "b");
    EXPECT_EQ(text(method(a, "pop")), "c");
    EXPECT_EQ(text(a), "a");
    EXPECT_TRUE(method(array({}), "pop").isUndefined());
    EXPECT_TRUE(method(array({}), "shift").isUndefined());

    // A hole before the last element: shift fills every index below the new length.
    ArrayObject* sparse = array({});
    sparse->set(m, 4, n(4));
    EXPECT_TRUE(method(sparse, "shift").isUndefined());
    EXPECT_EQ(sparse->length(), 4u);
    EXPECT_EQ(text(sparse), "undefined,undefined,undefined,4");
    for (std::uint32_t i = 0; i < 4; ++i) EXPECT_TRUE(sparse->has(m, i)) << i;

    ArrayObject* holes = array({});
    holes->set(m, 2, n(2));
    holes->set(m, 3, n(3));
    holes->set(m, 5, n(5));
    EXPECT_EQ(text(method(holes, "unshift", {n(42), n(43), n(44)})), "9");
    EXPECT_EQ(text(holes), "42,43,44,undefined,undefined,2,3,undefined,5");

    // Moved elements are written as new properties: for..in lists the newest first.
    auto keys = [&](ArrayObject* arr) {
        std::string out;
        for (const std::string& k : m.enumerate(arr)) out += k + ",";
        return out;
    };
    ArrayObject* three = array({n(1), n(2), n(3)});
    method(three, "unshift", {n(42), n(43), n(44)});
    EXPECT_EQ(keys(three), "2,1,0,3,4,5,");
    ArrayObject* gaps = array({});
    gaps->set(m, 2, n(2));
    gaps->set(m, 3, n(3));
    gaps->set(m, 5, n(5));
    method(gaps, "shift");
    EXPECT_EQ(keys(gaps), "4,3,2,1,0,");

    // splice: removed elements come back; the rest closes up or opens.
    ArrayObject* b = array({n(1), n(2), n(3), n(4), n(5)});
    EXPECT_EQ(text(method(b, "splice", {n(1), n(2)})), "2,3");
    EXPECT_EQ(text(b), "1,4,5");
    EXPECT_EQ(text(method(b, "splice", {n(-1), n(0), s("x"), s("y")})), "");
    EXPECT_EQ(text(b), "1,4,x,y,5");
    EXPECT_EQ(text(method(b, "splice", {n(2)})), "x,y,5");
    EXPECT_EQ(text(b), "1,4");
    EXPECT_TRUE(method(b, "splice").isUndefined());

    ArrayObject* c = array({n(1), n(2), n(3), n(4)});
    EXPECT_EQ(text(method(c, "slice", {n(1), n(-1)})), "2,3");
    EXPECT_EQ(text(method(c, "slice", {n(-2)})), "3,4");
    EXPECT_EQ(text(method(c, "slice", {n(3), n(1)})), "");
    // concat spreads arrays one level deep.
    Value joined = method(c, "concat", {n(5), Value::object(array({n(6), Value::object(array({n(7), n(8)}))}))});
    auto* out = static_cast<ArrayObject*>(joined.o);
    ASSERT_EQ(out->length(), 7u);
    EXPECT_EQ(m.toString(out->get(m, 5)), "6");
    Value inner = out->get(m, 6);
    ASSERT_TRUE(inner.isObject() && inner.o->kind() == Object::Kind::Array);
    EXPECT_EQ(text(inner), "7,8");
    EXPECT_EQ(text(c), "1,2,3,4");
}

TEST_F(ArrayTest, ConstructorAndPrinting) {
    auto construct = [&](std::initializer_list<Value> args) {
        std::vector<Value> list(args);
        return m.realm().arrayCtor->nativeConstruct(m, Value(), list);
    };
    Value one = construct({n(1)});
    EXPECT_EQ(static_cast<ArrayObject*>(one.o)->length(), 1u);
    EXPECT_EQ(text(one), "undefined");
    EXPECT_EQ(text(construct({s("a"), s("b")})), "a,b");
    EXPECT_EQ(text(construct({s("3")})), "3");
    EXPECT_EQ(text(construct({})), "");
    EXPECT_EQ(text(method(array({n(1), s("x"), Value::null()}), "toString")), "1,x,null");

    // super(...) from a subclass: the object gets elements and a length, and the methods work on it.
    Object* sub = m.newObject();
    sub->setProto(m.realm().arrayProto);
    Value pair[2] = {s("foo"), s("bar")};
    Value r = m.realm().arrayCtor->native(m, Value::object(sub), std::span<const Value>(pair, 2));
    EXPECT_TRUE(r.isObject() && r.o == sub);
    EXPECT_EQ(m.toString(m.get(sub, "length")), "2");
    EXPECT_EQ(text(method(Value::object(sub), "shift")), "foo");
    EXPECT_EQ(m.toString(m.get(sub, "length")), "1");
    EXPECT_EQ(text(method(Value::object(sub), "join")), "bar");
    // Called on anything else, Array makes a new array.
    Value made = m.realm().arrayCtor->native(m, Value::object(m.newObject()), std::span<const Value>(pair, 2));
    ASSERT_TRUE(made.isObject());
    EXPECT_EQ(made.o->kind(), Object::Kind::Array);
}

TEST_F(ArrayTest, HugeArraysStopTheScript) {
    ArrayObject* a = array({n(1)});
    a->setLength(m, 1e9);
    EXPECT_EQ(a->length(), 1000000000u);
    for (const char* name : {"sort", "shift", "join", "reverse", "toString"})
        EXPECT_THROW(method(a, name), LimitError) << name;
    EXPECT_THROW(method(a, "unshift", {n(1)}), LimitError);
    EXPECT_THROW(method(a, "sortOn", {s("x")}), LimitError);
    EXPECT_THROW(method(array({}), "concat", {Value::object(a)}), LimitError);

    ArrayObject* full = array({});
    full->setLength(m, 4294967295.0);
    EXPECT_THROW(method(full, "push", {n(1)}), LimitError);
}

}  // namespace
}  // namespace swf::script
