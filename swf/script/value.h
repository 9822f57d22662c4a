// Script values and the conversions between primitive values, as each file
// version has them. Conversions that may run script (an object's valueOf or
// toString) are on the Machine; the ones here see primitives only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "swf/script/heap.h"

namespace swf::script {

class Object;

// An immutable string on the heap.
class Str final : public Cell {
public:
    explicit Str(std::string s) : text(std::move(s)) {}
    std::size_t extraBytes() const override { return text.capacity(); }
    const std::string text;
};

enum class Type : std::uint8_t { Undefined, Null, Boolean, Number, String, Object };

// A value: 16 bytes, copied freely; strings and objects point into the heap.
struct Value {
    Type type = Type::Undefined;
    union {
        bool b;
        double n;
        const Str* s;
        Object* o;
    };
    Value() : n(0) {}

    static Value undefined() { return {}; }
    static Value null() {
        Value v;
        v.type = Type::Null;
        return v;
    }
    static Value boolean(bool x) {
        Value v;
        v.type = Type::Boolean;
        v.b = x;
        return v;
    }
    static Value number(double x) {
        Value v;
        v.type = Type::Number;
        v.n = x;
        return v;
    }
    static Value string(const Str* x) {
        Value v;
        v.type = Type::String;
        v.s = x;
        return v;
    }
    static Value object(Object* x) {
        if (!x) return null();
        Value v;
        v.type = Type::Object;
        v.o = x;
        return v;
    }

    bool isUndefined() const { return type == Type::Undefined; }
    bool isNull() const { return type == Type::Null; }
    bool isNullish() const { return type == Type::Undefined || type == Type::Null; }
    bool isBoolean() const { return type == Type::Boolean; }
    bool isNumber() const { return type == Type::Number; }
    bool isString() const { return type == Type::String; }
    bool isObject() const { return type == Type::Object; }
    bool isPrimitive() const { return type != Type::Object; }
    std::string_view str() const { return s->text; }  // only when isString()
};

template <>
inline void Tracer::markValue<Value>(const Value& v) {
    if (v.type == Type::String)
        mark(v.s);
    else if (v.type == Type::Object)
        mark(reinterpret_cast<const Cell*>(v.o));
}

// Number formatting as the reference player prints numbers: 15 significant
// digits, exponent form outside [1e-5, 1e15) ("1e+21", "1.5e-7"), "-0" as
// "0", "NaN", "Infinity", "-Infinity".
std::string formatNumber(double n);
// Writes a number in a radix from 2 to 36 (Number.prototype.toString(radix)).
std::string formatNumberRadix(double n, int radix);

// String to number: leading/trailing white space, decimal with exponent,
// "0x" hexadecimal (from version 6 where `hex` is set); anything else NaN;
// "" is NaN from version 5 on (0 in version 4).
double parseNumber(std::string_view s, int version);

// Primitive conversions (an Object gives NaN / true / "[object Object]";
// the Machine's versions call valueOf and toString instead).
double primitiveToNumber(const Value& v, int version);
bool primitiveToBoolean(const Value& v, int version);
std::string primitiveToString(const Value& v, int version);

// ECMA ToInt32 / ToUint32 (bitwise actions).
std::int32_t toInt32(double n);
std::uint32_t toUint32(double n);

// A frame number or depth from a script number: truncated, NaN as 0, and held
// within ±10⁹ so that no script value overflows an int.
int toClampedInt(double n);

// ASCII case folding used for names before version 7.
bool equalNames(std::string_view a, std::string_view b, bool caseSensitive);
std::string foldName(std::string_view s);

// Length of a string as scripts count it: UTF-16 units from version 6, bytes before.
std::size_t scriptLength(std::string_view s, int version);

// "undefined", "null", "boolean", "number", "string", "object",
// "function", "movieclip" (TypeOf).
const char* typeName(const Value& v);

}  // namespace swf::script
