// Number: the constructor (a conversion when called, a Number object with
// `new`), its constants, and Number.prototype.toString(radix) / valueOf.
#include <cmath>
#include <limits>

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
        if (radix >= 2 && radix <= 36 && radix != 10) return m.str(formatNumberRadix(n, radix));
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
    realm.defineMethod(proto, "toString", numberToString);
    realm.defineMethod(proto, "valueOf", numberValueOf);
}

}  // namespace swf::script
