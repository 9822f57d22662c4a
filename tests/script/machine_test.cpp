#include <gtest/gtest.h>

#include <cmath>

#include "swf/script/value.h"

namespace swf::script {
namespace {

TEST(NumberFormat, PrintsAsTheReferencePlayer) {
    struct Case { double n; const char* text; } cases[] = {
        {0, "0"}, {-0.0, "0"}, {1, "1"}, {-1.5, "-1.5"}, {0.1, "0.1"}, {1e21, "1e+21"}, {1.5e-7, "1.5e-7"},
        {5.4e-6, "5.4e-6"}, {0.000054, "0.000054"}, {1.11111111111111e15, "1.11111111111111e+15"},
        {0.0000123456789012346, "0.0000123456789012346"}, {1.0 / 3, "0.333333333333333"},
        {123456789012345, "123456789012345"}, {1e15, "1e+15"}, {NAN, "NaN"}, {INFINITY, "Infinity"},
        {-INFINITY, "-Infinity"}, {-1.23456789123457e-308, "-1.23456789123457e-308"},
    };
    for (const Case& c : cases) EXPECT_EQ(formatNumber(c.n), c.text) << c.text;
}

}  // namespace
}  // namespace swf::script
