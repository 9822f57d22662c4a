// Number: the constructor (a conversion when called, a Number object with
// `new`), its constants, and Number.prototype.toString(radix) / valueOf.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "swf/script/builtins/builtins.h"
#include "swf/script/machine.h"
#include "swf/script/realm.h"

namespace swf::script {
namespace {

// The number `this` holds: a number, or a Number object's value.
bool thisNumber(const Value& thisValue, double& out) {
    if (thisValue.isNumber()) {
        out = thisValue.n;
        return true;
    }
    if (thisValue.isObject() && thisValue.o->kind() == Object::Kind::Number) {
        const Value& p = static_cast<PrimitiveObject*>(thisValue.o)->primitive;
        if (p.isNumber()) {
            out = p.n;
            return true;
        }
    }
    return false;
}

// toString(radix) as the reference player writes it: the number cut to a
// 32-bit integer (NaN and numbers out of range become -2^31, whose
// negation stays negative), then digits taken from the end, a negative
// remainder written as the character that far below '0'.
std::string radixText(double n, int radix) {
    std::int32_t v = (std::isnan(n) || n >= 2147483648.0 || n <= -2147483649.0)
                         ? std::numeric_limits<std::int32_t>::min()
                         : static_cast<std::int32_t>(n);
    bool negative = v < 0;
    std::int32_t x = negative && v != std::numeric_limits<std::int32_t>::min() ? -v : v;
    std::string out;
    do {
        int d = x % radix;
        out += static_cast<char>(d < 0 ? '0' + d : (d < 10 ? '0' + d : 'a' + d - 10));
        x /= radix;
    } while (x != 0);
    if (negative) out += '-';
    return std::string(out.rbegin(), out.rend());
}

Value numberCall(Machine& m, Value, std::span<const Value> args) {
    return Value::number(args.empty() ? 0.0 : m.toNumber(args[0]));
}

Value numberConstruct(Machine& m, Value, std::span<const Value> args) {
    double n = args.empty() ? 0.0 : m.toNumber(args[0]);
    auto* o = m.heap().make<PrimitiveObject>(m.realm().numberProto, Object::Kind::Number, Value::number(n));
    return Value::object(o);
}

Value numberToString(Machine& m, Value thisValue, std::span<const Value> args) {
    double n;
    if (!thisNumber(thisValue, n)) return Value();
    // A radix outside 2..36 (or none) prints in decimal.
    if (!args.empty() && !args[0].isUndefined()) {
        std::int32_t radix = toInt32(m.toNumber(args[0]));
        if (radix >= 2 && radix <= 36 && radix != 10) return m.str(radixText(n, radix));
    }
    return m.str(formatNumber(n));
}

Value numberValueOf(Machine&, Value thisValue, std::span<const Value>) {
    double n;
    if (!thisNumber(thisValue, n)) return Value();
    return Value::number(n);
}

}  // namespace

void installNumber(Realm& realm) {
    Object* proto = realm.numberProto;
    FunctionObject* ctor = realm.defineClass("Number", numberCall, numberConstruct, proto);
    realm.numberCtor = ctor;
    const std::uint16_t constant = DontEnum | DontDelete | ReadOnly;
    realm.defineValue(ctor, "MAX_VALUE", Value::number(std::numeric_limits<double>::max()), constant);
    realm.defineValue(ctor, "MIN_VALUE", Value::number(std::numeric_limits<double>::denorm_min()), constant);
    realm.defineValue(ctor, "NaN", Value::number(std::numeric_limits<double>::quiet_NaN()), constant);
    realm.defineValue(ctor, "NEGATIVE_INFINITY", Value::number(-std::numeric_limits<double>::infinity()), constant);
    realm.defineValue(ctor, "POSITIVE_INFINITY", Value::number(std::numeric_limits<double>::infinity()), constant);
    static constexpr Realm::Method methods[] = {
        {"toString", numberToString},
        {"valueOf", numberValueOf},
    };
    realm.defineMethods(proto, methods);
}

}  // namespace swf::script
