// Math: its constants and functions. Every function converts its first two
// arguments (calling their valueOf, in order) whatever it uses; a missing
// argument is NaN rather than the version's conversion of undefined, and
// pow follows the C library (pow(1, NaN) is 1), as the reference player does.
#include <cmath>
#include <limits>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Operands {
    double x = kNaN, y = kNaN;
};

Operands operands(Machine& m, std::span<const Value> args) {
    Operands o;
    if (args.size() > 0) o.x = m.toNumber(args[0]);
    if (args.size() > 1) o.y = m.toNumber(args[1]);
    return o;
}

template <double (*F)(double)>
Value unary(Machine& m, Value, std::span<const Value> args) {
    return Value::number(F(operands(m, args).x));
}

double roundHalfUp(double x) { return std::floor(x + 0.5); }
double absolute(double x) { return std::fabs(x); }
double sine(double x) { return std::sin(x); }
double cosine(double x) { return std::cos(x); }
double tangent(double x) { return std::tan(x); }
double arcSine(double x) { return std::asin(x); }
double arcCosine(double x) { return std::acos(x); }
double arcTangent(double x) { return std::atan(x); }
double exponential(double x) { return std::exp(x); }
double logarithm(double x) { return std::log(x); }
double squareRoot(double x) { return std::sqrt(x); }
double floorOf(double x) { return std::floor(x); }
double ceilOf(double x) { return std::ceil(x); }

Value mathAtan2(Machine& m, Value, std::span<const Value> args) {
    Operands o = operands(m, args);
    return Value::number(std::atan2(o.x, o.y));
}

Value mathPow(Machine& m, Value, std::span<const Value> args) {
    Operands o = operands(m, args);
    return Value::number(std::pow(o.x, o.y));
}

Value mathMin(Machine& m, Value, std::span<const Value> args) {
    if (args.empty()) return Value::number(std::numeric_limits<double>::infinity());
    Operands o = operands(m, args);
    if (std::isnan(o.x) || std::isnan(o.y)) return Value::number(kNaN);
    return Value::number(o.y < o.x ? o.y : o.x);
}

Value mathMax(Machine& m, Value, std::span<const Value> args) {
    if (args.empty()) return Value::number(-std::numeric_limits<double>::infinity());
    Operands o = operands(m, args);
    if (std::isnan(o.x) || std::isnan(o.y)) return Value::number(kNaN);
    return Value::number(o.y > o.x ? o.y : o.x);
}

Value mathRandom(Machine& m, Value, std::span<const Value> args) {
    operands(m, args);
    constexpr std::uint32_t kSteps = 0x7FFFFFFFu;
    return Value::number(static_cast<double>(m.host().random(kSteps)) / kSteps);
}

// Math's functions in the order of their native numbers, ASnative(200, n).
constexpr Realm::Method kMathNatives[] = {
    {"abs", unary<absolute>},
    {"min", mathMin},
    {"max", mathMax},
    {"sin", unary<sine>},
    {"cos", unary<cosine>},
    {"atan2", mathAtan2},
    {"tan", unary<tangent>},
    {"exp", unary<exponential>},
    {"log", unary<logarithm>},
    {"sqrt", unary<squareRoot>},
    {"round", unary<roundHalfUp>},
    {"random", mathRandom},
    {"floor", unary<floorOf>},
    {"ceil", unary<ceilOf>},
    {"atan", unary<arcTangent>},
    {"asin", unary<arcSine>},
    {"acos", unary<arcCosine>},
    {"pow", mathPow},
};

// A number past the table still converts its first two arguments.
Value unknownMathNative(Machine& m, Value, std::span<const Value> args) {
    operands(m, args);
    return Value::number(kNaN);
}

}  // namespace

NativeFn mathNative(double index) {
    constexpr auto count = sizeof(kMathNatives) / sizeof(kMathNatives[0]);
    if (index >= 0 && index < count && index == std::floor(index))
        return kMathNatives[static_cast<std::size_t>(index)].fn;
    return unknownMathNative;
}

void installMath(Realm& realm) {
    Object* math = realm.newObject();
    realm.defineValue(realm.global, "Math", Value::object(math), DontEnum);
    const std::uint16_t constant = DontEnum | DontDelete | ReadOnly;
    const std::pair<const char*, double> constants[] = {
        {"E", 2.718281828459045},        {"LN10", 2.302585092994046},   {"LN2", 0.6931471805599453},
        {"LOG10E", 0.4342944819032518},  {"LOG2E", 1.4426950408889634}, {"PI", 3.141592653589793},
        {"SQRT1_2", 0.7071067811865476}, {"SQRT2", 1.4142135623730951},
    };
    for (const auto& [name, value] : constants) realm.defineValue(math, name, Value::number(value), constant);

    realm.defineMethods(math, kMathNatives);
}

}  // namespace swf::script
