// Date as scripts use it, in a fixed time zone of +05:45 with no summer
// time (TZ is set for the process), against what the reference player
// printed in that zone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <string>
#include <vector>

#include "swf/script/machine.h"

namespace swf::script {
namespace {

class DateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "NPT-5:45", 1);
        tzset();
    }

    Host host;
    Machine m{host, 8};

    static Value n(double x) { return Value::number(x); }

    Value make(std::initializer_list<double> parts) {
        std::vector<Value> args;
        for (double p : parts) args.push_back(n(p));
        return m.realm().dateCtor->nativeConstruct(m, Value(), args);
    }
    Value call(Value date, std::string_view name, std::initializer_list<double> args = {}) {
        Property* p = m.realm().dateProto->findOwn(name, true);
        if (!p || !p->value.isObject()) {
            ADD_FAILURE() << "no Date.prototype." << name;
            return Value();
        }
        std::vector<Value> list;
        for (double a : args) list.push_back(n(a));
        return static_cast<FunctionObject*>(p->value.o)->native(m, date, list);
    }
    std::string text(Value v) { return m.toString(v); }
    // What the conformance movie prints for a date: its string and every getter.
    std::string describe(Value date) {
        std::string out = text(call(date, "toString"));
        for (const char* getter :
             {"getFullYear",       "getYear",        "getMonth",      "getDate",         "getDay",
              "getHours",          "getMinutes",     "getSeconds",    "getMilliseconds", "getTime",
              "getTimezoneOffset", "getUTCFullYear", "getUTCYear",    "getUTCMonth",     "getUTCDate",
              "getUTCDay",         "getUTCHours",    "getUTCMinutes", "getUTCSeconds",   "getUTCMilliseconds"})
            out += " " + text(call(date, getter));
        return out;
    }
    std::string utc(std::initializer_list<double> parts) {
        std::vector<Value> args;
        for (double p : parts) args.push_back(n(p));
        Property* p = m.realm().dateCtor->findOwn("UTC", true);
        return text(static_cast<FunctionObject*>(p->value.o)->native(m, Value(), args));
    }
};

TEST_F(DateTest, FromATimeValue) {
    EXPECT_EQ(describe(make({0})),
              "Thu Jan 1 05:45:00 GMT+0545 1970 1970 70 0 1 4 5 45 0 0 0 -345 1970 70 0 1 4 0 0 0 0");
    EXPECT_EQ(describe(make({5.5})),
              "Thu Jan 1 05:45:00 GMT+0545 1970 1970 70 0 1 4 5 45 0 5 5.5 -345 1970 70 0 1 4 0 0 0 5");
    EXPECT_EQ(describe(make({-500})),
              "Thu Jan 1 05:44:59 GMT+0545 1970 1970 70 0 1 4 5 44 59 500 -500 -345 1969 69 11 31 3 23 59 59 500");
    EXPECT_EQ(describe(make({1594844387653})),
              "Thu Jul 16 02:04:47 GMT+0545 2020 2020 120 6 16 4 2 4 47 653 1594844387653 -345 "
              "2020 120 6 15 3 20 19 47 653");
    EXPECT_EQ(describe(make({-1594844387653})),
              "Thu Jun 19 09:25:12 GMT+0545 1919 1919 19 5 19 4 9 25 12 347 -1594844387653 -345 "
              "1919 19 5 19 4 3 40 12 347");
    EXPECT_EQ(text(call(make({8.64e15}), "toString")), "Sat Sep 13 05:45:00 GMT+0545 275760");
    EXPECT_EQ(text(call(make({-8.64e15}), "toString")), "Tue Apr 20 05:45:00 GMT+0545 -271821");
    // Past the clipping range the value is kept as given.
    EXPECT_EQ(text(call(make({8.64e15 + 1}), "getMilliseconds")), "1");
    EXPECT_EQ(describe(make({NAN})),
              "Invalid Date NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN NaN");
    EXPECT_EQ(text(call(make({INFINITY}), "toString")), "Invalid Date");
    // The parts of an infinite time are the reference player's overflowed integers.
    EXPECT_EQ(describe(make({-INFINITY})),
              "Invalid Date -2147481678 -2147483578 0 -2147483647 -2147483641 -2147483624 -2147483588 -2147483588 "
              "-2147482648 -Infinity NaN -2147481678 -2147483578 0 -2147483647 -2147483641 -2147483624 -2147483588 "
              "-2147483588 -2147482648");
    // Far past the calendar, the years stop at 1970 - 2^31 and the offset shows rounding.
    EXPECT_EQ(describe(make({NAN, 0, 0, 0, 0, 0, 0})),
              "Mon Jan -719528 00:00:00 GMT+0545 -2147481678 -2147481678 -2147483578 0 -719528 1 0 0 0 952 "
              "-6.77681005680783e+19 -345.019733333333 -2147481678 -2147483578 0 -719529 0 18 15 56 768");
    EXPECT_EQ(text(call(make({123456789, 123, 456, 789, 123, 456, 2000}), "getTimezoneOffset")), "-345.002666666667");
    // Just below -8.64e15 the shown hour is the reference player's (one more than
    // the exact count), while the setters keep working from the exact time.
    Value edge = make({-8.64e15 - 1});
    EXPECT_EQ(text(call(edge, "getUTCHours")), "0");
    EXPECT_EQ(text(call(edge, "getUTCMinutes")), "59");
    EXPECT_EQ(text(call(edge, "getHours")), "5");
    EXPECT_EQ(text(call(edge, "setUTCFullYear", {2000})), "956188799999");
    EXPECT_EQ(text(call(make({-8.64e15 - 1}), "setHours", {23})), "-8.6399999352e+15");
    Value late = make({-8.64e15 - 1});
    call(late, "setHours", {23, 59, 59});
    EXPECT_EQ(text(call(late, "toString")), "Tue Apr 20 00:59:59 GMT+0545 -271821");
    EXPECT_EQ(text(call(make({28857600000}), "getUTCHours")), "0");
    // The largest numbers still print and read in bounded time.
    for (double huge : {1.7e308, -1.7e308, 1e20}) {
        Value d = make({huge});
        EXPECT_EQ(text(call(d, "getFullYear")), huge > 0 ? "2147485617" : "-2147481678") << huge;
        EXPECT_NE(text(call(d, "toString")).find("GMT+0545"), std::string::npos) << huge;
    }
}

TEST_F(DateTest, FromPartsInLocalTimeAndUtc) {
    EXPECT_EQ(describe(make({1, 2})),
              "Fri Mar 1 00:00:00 GMT+0545 1901 1901 1 2 1 5 0 0 0 0 -2172375900000 -345 1901 1 1 28 4 18 15 0 0");
    EXPECT_EQ(text(call(make({0, 0, 0, 0, 0, 0, 0}), "toString")), "Sun Dec 31 00:00:00 GMT+0545 1899");
    EXPECT_EQ(text(call(make({0, 0, 0, 0, 0, 0, 0}), "getTime")), "-2209095900000");
    EXPECT_EQ(text(call(make({2000, 11, 31, 23, 59, 59, 999}), "getTime")), "978286499999");
    Value fractions = make({7002.5, 13.5, 32.5, 24.5, 60.5, 60.5, 1000.5});
    EXPECT_EQ(text(call(fractions, "toString")), "Sat Mar 5 01:01:01 GMT+0545 7003");
    EXPECT_EQ(text(call(fractions, "getTime")), "158831522161000");
    Value negative = make({-1, -2, -3, -4, -5, -6, -7});
    EXPECT_EQ(text(call(negative, "toString")), "Thu Oct 27 19:54:53 GMT+0545 1898");
    EXPECT_EQ(text(call(negative, "getTime")), "-2246176206007");
    EXPECT_EQ(text(call(make({0, NAN, 0, 0, 0, 0, 0}), "toString")), "Invalid Date");

    EXPECT_EQ(utc({}), "undefined");
    EXPECT_EQ(utc({1}), "undefined");
    EXPECT_EQ(utc({1, 2}), "-2172355200000");
    EXPECT_EQ(utc({1, 2, 3, 4, 5, 6}), "-2172167694000");
    EXPECT_EQ(utc({2000, 11, 31, 23, 59, 59, 999}), "978307199999");
    EXPECT_EQ(utc({7002.5, 13.5, 32.5, 24.5, 60.5, 60.5, 1000.5}), "158831542861000");
    EXPECT_EQ(utc({-1, -2, -3, -4, -5, -6, -7}), "-2246155506007");
    EXPECT_EQ(utc({0, NAN, 0, 0, 0, 0, 0}), "NaN");
    EXPECT_EQ(utc({NAN, 0, 0, 0, 0, 0, 0}), "-6.77681005680576e+19");
    EXPECT_EQ(utc({0, INFINITY, 0, 0, 0, 0, 0}), "NaN");
    EXPECT_EQ(utc({0, 0, INFINITY, 0, 0, 0, 0}), "Infinity");
    EXPECT_EQ(utc({0, 0, 0, 0, 0, -INFINITY, 0}), "-Infinity");
}

TEST_F(DateTest, SettersChangeTheirPartsAndClip) {
    const double t = 1594844387653;
    struct Case {
        const char* setter;
        std::vector<double> args;
        const char* result;
    } cases[] = {
        {"setFullYear", {}, "NaN"},
        {"setFullYear", {0}, "-62150211612347"},
        {"setFullYear", {2000}, "963692387653"},
        {"setFullYear", {7002.5}, "158811481187653"},
        {"setFullYear", {-1}, "-62181834012347"},
        {"setFullYear", {123456789}, "NaN"},
        {"setYear", {0}, "-2192067612347"},
        {"setYear", {-1}, "-62181834012347"},
        {"setHours", {}, "NaN"},
        {"setHours", {0}, "1594837187653"},
        {"setHours", {23}, "1594919987653"},
        {"setHours", {24.5, 60.5}, "1594926947653"},
        {"setHours", {-4, -5}, "1594822247653"},
        {"setMonth", {13.5, 32.5}, "1614802787653"},
        {"setSeconds", {-6, -7}, "1594844333993"},
        {"setUTCHours", {24.5, 60.5, 60.5, 1000.5}, "1594861261000"},
        {"setUTCMonth", {-2, -3}, "1572293987653"},
        {"setUTCFullYear", {7002.5, 13.5, 32.5}, "158831525987653"},
        // What the reference player makes of parts that are no numbers.
        {"setMonth", {}, "1579119587653"},
        {"setMonth", {INFINITY}, "NaN"},
        {"setMinutes", {}, "-127254174732347"},
        {"setMinutes", {0, NAN}, "-552639547347"},
        {"setUTCMinutes", {NAN, 0}, "-127254175679347"},
        {"setYear", {0, 0}, "-2207706012347"},
        {"setTime", {}, "NaN"},
        {"setTime", {5.5}, "5"},
        {"setTime", {-8.64e15}, "-8.64e+15"},
        {"setTime", {8.64e15 + 1}, "NaN"},
    };
    for (const Case& c : cases) {
        Value date = make({t});
        Property* p = m.realm().dateProto->findOwn(c.setter, true);
        ASSERT_NE(p, nullptr) << c.setter;
        std::vector<Value> args;
        for (double a : c.args) args.push_back(n(a));
        Value r = static_cast<FunctionObject*>(p->value.o)->native(m, date, args);
        EXPECT_EQ(text(r), c.result) << c.setter << " " << c.args.size();
        EXPECT_EQ(text(call(date, "getTime")), c.result) << c.setter;
    }
    EXPECT_EQ(text(call(make({t}), "setHours", {-4, -5})), "1594822247653");
    Value date = make({t});
    call(date, "setMonth", {13.5, 32.5});
    EXPECT_EQ(text(call(date, "toString")), "Thu Mar 4 02:04:47 GMT+0545 2021");
}

TEST_F(DateTest, CalledAsAFunctionAndOnOtherObjects) {
    std::vector<Value> none;
    Value now = m.realm().dateCtor->native(m, Value(), none);
    ASSERT_TRUE(now.isString());
    EXPECT_NE(text(now).find("GMT+0545"), std::string::npos);
    double before = static_cast<double>(std::time(nullptr)) * 1000;
    double made = call(m.realm().dateCtor->nativeConstruct(m, Value(), none), "getTime").n;
    EXPECT_NEAR(made, before, 5000);
    // The methods only work on Date objects.
    EXPECT_TRUE(call(Value::object(m.newObject()), "getTime").isUndefined());
    EXPECT_TRUE(call(n(0), "setHours", {1}).isUndefined());
}

}  // namespace
}  // namespace swf::script
